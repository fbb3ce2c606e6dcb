// The planner control: how a day is laid out, when reminders ring, and the
// events its users' actions raise.
#include "Planner.h"
#include "PlannerEditors.h"
#include "Keyboard.h"
#include "TestKit.h"
#include "Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace Platform;

namespace {

const QDate kDay(2026, 12, 7);

QDateTime At(int h, int m, int dayOffset = 0) { return QDateTime(kDay.addDays(dayOffset), QTime(h, m)); }

AppointmentPtr Appointment(const QDateTime& start, const QDateTime& end, const QString& key = QString()) {
    auto a = std::make_shared<PlannerAppointment>();
    a->Start = start;
    a->End = end;
    a->Key = key;
    a->Description = key;
    return a;
}

const PlannerLayout::Placement* PlacementOf(const PlannerLayout::Day& day, const AppointmentPtr& item) {
    for (const auto& p : day.placements)
        if (p.item == item) return &p;
    return nullptr;
}

class PlannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.SetClock(At(9, 0));
        previousPlayer = Planner::SetSoundPlayer([this](const QString& file) { sounds << file; });
        planner = std::make_unique<Planner>();
        planner->resize(900, 600);
    }
    void TearDown() override {
        planner.reset();
        Planner::SetSoundPlayer(previousPlayer);
        SetModalHandler(nullptr);
    }
    TestKit::Environment env;
    std::unique_ptr<Planner> planner;
    Planner::SoundPlayer previousPlayer;
    QStringList sounds;
};

}  // namespace

TEST(PlannerLayoutTest, WorkingHoursInEitherSpellingMakeTheSlots) {
    EXPECT_EQ(PlannerLayout::ParseTime("08.00"), QTime(8, 0));
    EXPECT_EQ(PlannerLayout::ParseTime("08:00"), QTime(8, 0));
    EXPECT_EQ(PlannerLayout::ParseTime(" 8.5 "), QTime(8, 5));
    EXPECT_EQ(PlannerLayout::ParseTime("20.30"), QTime(20, 30));
    EXPECT_FALSE(PlannerLayout::ParseTime("").isValid());
    EXPECT_FALSE(PlannerLayout::ParseTime("ore 8").isValid());
    EXPECT_FALSE(PlannerLayout::ParseTime("25:00").isValid());

    auto day = PlannerLayout::LayoutDay(kDay, {}, QTime(8, 0), QTime(20, 30), 15);
    EXPECT_EQ(day.viewStart, QTime(8, 0));
    EXPECT_EQ(day.slotCount, 50);
    EXPECT_EQ(day.SlotTime(49), QTime(20, 15));
    // An hour's slot: the last one holds the half hour after 20:00.
    day = PlannerLayout::LayoutDay(kDay, {}, QTime(8, 0), QTime(20, 30), 60);
    EXPECT_EQ(day.slotCount, 13);
    // An end before the start still gives one slot.
    day = PlannerLayout::LayoutDay(kDay, {}, QTime(18, 0), QTime(9, 0), 30);
    EXPECT_EQ(day.slotCount, 1);
}

TEST(PlannerLayoutTest, TheDayWidensToAppointmentsOutsideWorkingHours) {
    const auto early = Appointment(At(7, 10), At(7, 40));
    const auto late = Appointment(At(21, 0), At(22, 5));
    const auto fromYesterday = Appointment(At(23, 0, -1), At(1, 0));
    const auto tomorrow = Appointment(At(9, 0, 1), At(10, 0, 1));
    auto day = PlannerLayout::LayoutDay(kDay, {early, late, tomorrow}, QTime(8, 0), QTime(20, 30), 15);
    EXPECT_EQ(day.viewStart, QTime(7, 0));
    EXPECT_EQ(day.SlotTime(day.slotCount - 1), QTime(22, 0));  // 22:05 needs the 22:00 row
    ASSERT_EQ(day.placements.size(), 2);
    EXPECT_EQ(PlacementOf(day, early)->firstSlot, 0);
    EXPECT_EQ(PlacementOf(day, early)->lastSlot, 3);  // 07:00, 07:15, 07:30
    EXPECT_EQ(PlacementOf(day, tomorrow), nullptr);

    day = PlannerLayout::LayoutDay(kDay, {fromYesterday}, QTime(8, 0), QTime(20, 30), 30);
    EXPECT_EQ(day.viewStart, QTime(0, 0));
    EXPECT_EQ(PlacementOf(day, fromYesterday)->firstSlot, 0);
    EXPECT_EQ(PlacementOf(day, fromYesterday)->lastSlot, 2);
    // A working day starting off the slot grid still begins at or after midnight.
    const auto night = Appointment(At(0, 5), At(0, 20));
    day = PlannerLayout::LayoutDay(kDay, {night}, QTime(8, 10), QTime(18, 0), 15);
    EXPECT_EQ(day.viewStart, QTime(0, 10));
    EXPECT_EQ(PlacementOf(day, night)->firstSlot, 0);
}

TEST(PlannerLayoutTest, OverlappingAppointmentsShareTheWidth) {
    const auto a = Appointment(At(9, 0), At(10, 0), "a");
    const auto b = Appointment(At(9, 30), At(10, 30), "b");
    const auto c = Appointment(At(10, 30), At(11, 0), "c");
    const auto d = Appointment(At(9, 0), At(9, 15), "d");
    const auto point = Appointment(At(12, 0), At(12, 0), "point");  // no length: one slot
    const auto end = Appointment(At(13, 5), At(13, 10), "e");       // inside one slot with the next
    const auto f = Appointment(At(13, 10), At(13, 14), "f");
    auto day = PlannerLayout::LayoutDay(kDay, {c, b, a, d, point, end, f}, QTime(8, 0), QTime(20, 0), 15);
    EXPECT_EQ(PlacementOf(day, a)->column, 0);
    EXPECT_EQ(PlacementOf(day, d)->column, 1);
    EXPECT_EQ(PlacementOf(day, b)->column, 1);  // d has ended: b takes its column
    for (const auto& item : {a, b, d}) EXPECT_EQ(PlacementOf(day, item)->columns, 2) << item->Key.toStdString();
    EXPECT_EQ(PlacementOf(day, c)->column, 0);
    EXPECT_EQ(PlacementOf(day, c)->columns, 1);  // starts as b ends
    EXPECT_EQ(PlacementOf(day, point)->lastSlot - PlacementOf(day, point)->firstSlot, 1);
    EXPECT_EQ(PlacementOf(day, end)->columns, 2);  // the same drawn slot
    EXPECT_NE(PlacementOf(day, end)->column, PlacementOf(day, f)->column);
}

TEST(PlannerLayoutTest, ZeroDatesMeanNone) {
    EXPECT_FALSE(PlannerDate(QVariant()).isValid());
    EXPECT_FALSE(PlannerDate(0).isValid());
    EXPECT_FALSE(PlannerDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0))).isValid());
    EXPECT_EQ(PlannerDate(QDateTime(kDay, QTime(10, 0))), At(10, 0));
    EXPECT_EQ(PlannerDate(DateToSerial(At(10, 30))), At(10, 30));
}

TEST_F(PlannerTest, DataObjectNumbersItemsAndKeepsThemPastAClear) {
    auto& data = planner->Data();
    const qint32 id = data.Appointments().NewItemId();
    auto a = data.Appointments().Add(id, "", At(10, 0), At(11, 0), "12", "Rossi Mario", "Visita", "Preventivo",
                                     "Forlì", QVariant(0), "3/OPERATORE", 77);
    EXPECT_EQ(a->ItemId, id);
    EXPECT_FALSE(a->Reminder.isValid());
    EXPECT_EQ(data.Appointments().Find("3/OPERATORE"), a);
    auto t = data.Tasks().Add(data.Tasks().NewItemId(), "", "Chiamare", "", QVariant(0), 2, "", false, QVariant(0),
                              At(8, 0), "1/OPERATORE");
    EXPECT_GT(data.Tasks().NewItemId(), t->ItemId);
    planner->Refresh(0);
    EXPECT_EQ(planner->TaskList()->topLevelItemCount(), 1);

    // A handler that holds the item while the host refills keeps a live item.
    std::weak_ptr<PlannerTask> seen;
    QObject::connect(planner.get(), &Planner::TaskChanged, [&](const TaskPtr& item) {
        planner->Data().ClearAll();
        planner->Refresh(0);
        item->ShortDesc = "ancora qui";
        seen = item;
        EXPECT_EQ(item->Key, "1/OPERATORE");
    });
    planner->SetTaskDone(t, true);
    EXPECT_TRUE(seen.lock() != nullptr);  // the test still holds t
    EXPECT_EQ(t->ShortDesc, "ancora qui");
    EXPECT_EQ(planner->Data().Tasks().Count(), 0);
    EXPECT_EQ(planner->TaskList()->topLevelItemCount(), 0);
}

TEST_F(PlannerTest, RemindersRingAtTheClockOnceEach) {
    auto& data = planner->Data();
    data.Appointments().Add(1, "", At(10, 0), At(11, 0), "0", "", "", "Riunione", "", At(9, 45), "1/ANNA", 0);
    data.Tasks().Add(1, "", "Richiamare", "", At(12, 0), 1, "", false, 0, At(9, 50), "4/ANNA");
    data.Tasks().Add(2, "", "Fatta", "", At(12, 0), 1, "", true, At(8, 0), At(9, 0), "5/ANNA");
    planner->SetAlarmSound(TestKit::ProgramFolder() + "/Alarm.wav");
    planner->Refresh(0);

    env.SetClock(At(9, 44).addSecs(59));
    EXPECT_EQ(planner->CheckAlarms(), 0);
    env.SetClock(At(9, 45));
    EXPECT_EQ(planner->CheckAlarms(), 1);
    EXPECT_EQ(sounds, QStringList{TestKit::ProgramFolder() + "/Alarm.wav"});
    ASSERT_NE(planner->AlarmWindow(), nullptr);
    EXPECT_TRUE(planner->AlarmWindow()->isVisible());
    EXPECT_EQ(planner->CheckAlarms(), 0);

    // A refill makes new items of the same rows: they do not ring again.
    data.ClearAll();
    data.Appointments().Add(1, "", At(10, 0), At(11, 0), "0", "", "", "Riunione", "", At(9, 45), "1/ANNA", 0);
    data.Tasks().Add(1, "", "Richiamare", "", At(12, 0), 1, "", false, 0, At(9, 50), "4/ANNA");
    data.Tasks().Add(2, "", "Fatta", "", At(12, 0), 1, "", true, At(8, 0), At(9, 0), "5/ANNA");
    EXPECT_EQ(planner->CheckAlarms(), 0);

    // Switched off, nothing rings; on again, what came due meanwhile rings (not the done task).
    planner->SetAlarmEnabled(false);
    env.SetClock(At(10, 0));
    EXPECT_EQ(planner->CheckAlarms(), 0);
    planner->SetAlarmEnabled(true);
    EXPECT_EQ(planner->CheckAlarms(), 1);
    EXPECT_EQ(planner->AlarmWindow()->Count(), 2);
}

TEST_F(PlannerTest, DismissingAndSnoozingReportTheNewReminder) {
    auto& data = planner->Data();
    data.Appointments().Add(1, "", At(10, 0), At(11, 0), "0", "", "", "Riunione", "", At(9, 0), "1/ANNA", 0);
    data.Tasks().Add(1, "", "Richiamare", "", At(12, 0), 1, "", false, 0, At(9, 0), "4/ANNA");
    QList<QDateTime> appointmentReminders, taskReminders;
    QObject::connect(planner.get(), &Planner::AlarmChanged,
                     [&](const AppointmentPtr& a) { appointmentReminders << a->Reminder; });
    QObject::connect(planner.get(), &Planner::TaskAlarmChanged,
                     [&](const TaskPtr& t) { taskReminders << t->Reminder; });
    ASSERT_EQ(planner->CheckAlarms(), 2);
    auto* window = planner->AlarmWindow();

    // The refill that came meanwhile holds new items: the dismissal reaches them.
    data.ClearAll();
    auto fresh = data.Appointments().Add(1, "", At(10, 0), At(11, 0), "0", "", "", "Riunione", "", At(9, 0), "1/ANNA", 0);
    data.Tasks().Add(1, "", "Richiamare", "", At(12, 0), 1, "", false, 0, At(9, 0), "4/ANNA");
    window->List()->topLevelItem(0)->setSelected(true);
    window->Dismiss();
    EXPECT_EQ(appointmentReminders, QList<QDateTime>{QDateTime()});
    EXPECT_FALSE(fresh->Reminder.isValid());
    EXPECT_EQ(window->Count(), 1);

    window->Snooze(10);
    EXPECT_EQ(taskReminders, QList<QDateTime>{At(9, 10)});
    EXPECT_FALSE(window->isVisible());
    env.SetClock(At(9, 9));
    EXPECT_EQ(planner->CheckAlarms(), 0);
    env.SetClock(At(9, 10));
    EXPECT_EQ(planner->CheckAlarms(), 1);
}

TEST_F(PlannerTest, ANewAppointmentIsTheHostsOrThePlannersOwn) {
    planner->SetCurrentDate(At(0, 0));
    planner->SetDayStart("08:00");
    planner->SetDayEnd("18.00");
    planner->SetSlotMinutes(30);
    planner->Refresh();
    planner->show();

    // The host takes it: it fills the item, the planner adds it.
    QList<QDateTime> starts;
    auto host = QObject::connect(planner.get(), &Planner::NewAppointment,
                                 [&](const AppointmentPtr& item, bool& handled, bool& cancel) {
                                     starts << item->Start;
                                     handled = true;
                                     cancel = starts.size() == 2;
                                     item->Description = "dal gestore";
                                     item->Key = "9/ANNA";
                                 });
    auto* view = planner->DayView();
    const int y = 3 * view->SlotHeight() + 2;  // the fourth row: 09:30
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(view->GutterWidth() + 20, y), view->mapToGlobal(QPointF(view->GutterWidth() + 20, y)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &dbl);
    ASSERT_EQ(starts, QList<QDateTime>{At(9, 30)});
    ASSERT_EQ(planner->Data().Appointments().Count(), 1);
    EXPECT_EQ(planner->Data().Appointments().Item(1)->Description, "dal gestore");
    EXPECT_EQ(view->Layout().placements.size(), 1);
    planner->NewAppointmentAt(At(11, 0));  // cancelled by the host
    EXPECT_EQ(planner->Data().Appointments().Count(), 1);
    QObject::disconnect(host);

    // Nobody takes it: the planner's editor, with the contact look-ups of the host.
    QObject::connect(planner.get(), &Planner::FindContact, [](QString& number, QString& name) {
        number = "00000012";
        name = "Rossi Mario";
    });
    QObject::connect(planner.get(), &Planner::ContactIdEntered, [](const QString& number, QString& name, bool& cancel) {
        if (number == "99") cancel = true;
        else name = "Bianchi Luca";
    });
    SetModalHandler([&](Form& form) {
        auto* editor = qobject_cast<PlannerAppointmentEditor*>(&form);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->Start->dateTime(), At(14, 0));
        editor->FindContact_Click();
        EXPECT_EQ(editor->ContactName->text(), "Rossi Mario");
        editor->ContactNumber->setText("99");
        editor->ContactNumber_LostFocus();
        EXPECT_EQ(editor->ContactNumber->text(), "00000012");  // refused: the one before stays
        editor->ContactNumber->setText("7");
        editor->OK_Click();  // no description: refused
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(editor->ContactName->text(), "Bianchi Luca");
        editor->Description->setText("Visita in sede");
        editor->HasReminder->setChecked(true);
        editor->ReminderMinutes->setCurrentIndex(editor->ReminderMinutes->findData(30));
        editor->OK_Click();
    });
    planner->NewAppointmentAt(At(14, 0));
    ASSERT_EQ(planner->Data().Appointments().Count(), 2);
    const auto made = planner->Data().Appointments().Item(2);
    EXPECT_EQ(made->Description, "Visita in sede");
    EXPECT_EQ(made->ContactNumber, "7");
    EXPECT_EQ(made->Reminder, At(13, 30));
    EXPECT_EQ(made->End, At(14, 30));
    EXPECT_GT(made->ItemId, 0);
    EXPECT_EQ(env.Prompts(), QStringList{"Indicare la descrizione"});
}

TEST_F(PlannerTest, EveryActionRaisesItsEvent) {
    auto& data = planner->Data();
    auto a = data.Appointments().Add(1, "", At(10, 0), At(11, 0), "0", "", "", "Riunione", "", 0, "1/ANNA", 0);
    auto t = data.Tasks().Add(1, "", "Richiamare", "", At(12, 0), 1, "", false, 0, 0, "4/ANNA");
    planner->Refresh();
    QStringList events;
    QObject::connect(planner.get(), &Planner::EditAppointment, [&](const AppointmentPtr& item, bool& handled, bool&) {
        events << "edit " + item->Key;
        handled = true;
    });
    QObject::connect(planner.get(), &Planner::AlarmChanged,
                     [&](const AppointmentPtr& item) { events << "alarm " + Format(item->Reminder, "hh.nn"); });
    QObject::connect(planner.get(), &Planner::AppointmentDeleted,
                     [&](const AppointmentPtr& item) { events << "deleted " + item->Key; });
    QObject::connect(planner.get(), &Planner::TaskAdded, [&](const TaskPtr& item) {
        events << "added " + item->ShortDesc;
        item->Key = "5/ANNA";
    });
    QObject::connect(planner.get(), &Planner::TaskChanged, [&](const TaskPtr& item) {
        events << "changed " + item->Key + (item->Done ? " done" : "");
    });
    QObject::connect(planner.get(), &Planner::TaskAlarmChanged,
                     [&](const TaskPtr& item) { events << "task alarm " + item->Key; });
    QObject::connect(planner.get(), &Planner::TaskDeleted, [&](const TaskPtr& item) { events << "task deleted " + item->Key; });
    QObject::connect(planner.get(), &Planner::RequestNow, [&](const TaskPtr& item, int, bool&) {
        events << "now";
        item->Due = At(9, 0);
    });

    planner->OpenAppointment(a);
    planner->SetAppointmentReminder(a, At(9, 50));
    env.AnswerNext(vbNo);
    planner->DeleteAppointment(a);  // the user says no
    EXPECT_EQ(data.Appointments().Count(), 1);
    env.AnswerNext(vbYes);
    planner->DeleteAppointment(a);
    EXPECT_EQ(data.Appointments().Count(), 0);

    SetModalHandler([&](Form& form) {
        auto* editor = qobject_cast<PlannerTaskEditor*>(&form);
        ASSERT_NE(editor, nullptr);
        editor->ShortDesc->setText("Preparare offerta");
        editor->Now_Click();
        EXPECT_TRUE(editor->HasDue->isChecked());
        EXPECT_EQ(editor->Due->dateTime(), At(9, 0));
        editor->Priority->setValue(3);
        editor->OK_Click();
    });
    planner->NewTask();
    SetModalHandler(nullptr);
    ASSERT_EQ(data.Tasks().Count(), 2);
    EXPECT_EQ(data.Tasks().Item(2)->Priority, 3);
    EXPECT_EQ(data.Tasks().Item(2)->Due, At(9, 0));
    // The done box in the list is a change of the task.
    planner->TaskList()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(t->Done);
    EXPECT_EQ(t->DateDone, At(9, 0));
    planner->SetTaskReminder(data.Tasks().Item(2), At(9, 30));
    env.AnswerNext(vbYes);
    planner->DeleteTask(t);

    EXPECT_EQ(events, QStringList({"edit 1/ANNA", "alarm 09.50", "deleted 1/ANNA", "now", "added Preparare offerta",
                                   "changed 4/ANNA done", "task alarm 5/ANNA", "task deleted 4/ANNA"}));
    EXPECT_EQ(env.Prompts(), QStringList({"Eliminare l'appuntamento selezionato?", "Eliminare l'appuntamento selezionato?",
                                          "Eliminare l'attività selezionata?"}));
}

// The task editor answers the keyboard: Tab leaves the long description
// without typing a tab into it, Enter is OK, Escape is Cancel.
TEST_F(PlannerTest, TheTaskEditorAnswersTheKeyboard) {
    auto type = [](Qt::Key last) {
        return [last](Form& form) {
            auto* editor = qobject_cast<PlannerTaskEditor*>(&form);
            ASSERT_NE(editor, nullptr);
            TestKit::OnScreen(*editor);
            editor->ShortDesc->setFocus();
            TestKit::Type("Preparare offerta");
            TestKit::Press(Qt::Key_Tab);
            TestKit::Type("prezzi");
            TestKit::Press(Qt::Key_Tab);
            EXPECT_NE(TestKit::Focused(), editor->LongDesc);
            TestKit::Press(last);
            EXPECT_TRUE(editor->isHidden());
        };
    };
    SetModalHandler(type(Qt::Key_Escape));
    planner->NewTask();
    EXPECT_EQ(planner->Data().Tasks().Count(), 0);
    SetModalHandler(type(Qt::Key_Return));
    planner->NewTask();
    ASSERT_EQ(planner->Data().Tasks().Count(), 1);
    EXPECT_EQ(planner->Data().Tasks().Item(1)->ShortDesc, "Preparare offerta");
    EXPECT_EQ(planner->Data().Tasks().Item(1)->LongDesc, "prezzi");
}

TEST_F(PlannerTest, LanguageFileReplacesTheTexts) {
    QTemporaryDir dir;
    QFile f(dir.path() + "/languagefile.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# prova\nToday=Heute\nTasks = Aufgaben \nbroken line\n");
    f.close();
    planner->SetLanguageFile(f.fileName());
    EXPECT_EQ(planner->Texts()("Today"), "Heute");
    EXPECT_EQ(planner->Texts()("Tasks"), "Aufgaben");
    EXPECT_EQ(planner->Texts()("NewTask"), "Nuova");  // not in the file: the default
    // The shipped file holds every text the planner uses.
    PlannerTexts shipped;
    ASSERT_TRUE(shipped.Load(TestKit::ProgramFolder() + "/languagefile.txt"));
    EXPECT_EQ(shipped("AskDeleteTask"), "Eliminare l'attività selezionata?");
}

TEST_F(PlannerTest, ScreenshotOfADay) {
    auto& data = planner->Data();
    auto& ap = data.Appointments();
    ap.Add(ap.NewItemId(), "", At(9, 0), At(10, 0), "12", "Rossi Mario", "Visita", "Presentazione catalogo",
           "Forlì, via Roma 3", At(8, 45), "1/ANNA", 10);
    ap.Add(ap.NewItemId(), "", At(9, 30), At(10, 30), "7", "Bianchi Luca", "Telefonata", "Richiamare per l'ordine",
           "", 0, "2/ANNA", 20);
    ap.Add(ap.NewItemId(), "", At(11, 0), At(12, 30), "0", "", "Appuntamento", "Riunione commerciale", "Sala riunioni",
           0, "3/MARCO", 30);
    ap.Add(ap.NewItemId(), "", At(14, 15), At(15, 0), "31", "Verdi Giulia", "Visita", "Consegna campionario",
           "Cesena", At(14, 0), "4/ANNA", 40);
    auto& ts = data.Tasks();
    ts.Add(ts.NewItemId(), "", "Preparare offerta Verdi", "Listino 2027", At(17, 0), 1, "Vendite", false, 0, 0, "1/ANNA");
    ts.Add(ts.NewItemId(), "", "Rinnovo contratto assistenza", "", At(12, 0, -2), 2, "Assistenza", false, 0, 0, "2/ANNA");
    ts.Add(ts.NewItemId(), "", "Inviare auguri ai clienti", "", At(9, 0, -1), 3, "", true, At(8, 30), 0, "3/ANNA");
    env.SetClock(At(10, 40));
    planner->SetCurrentDate(At(0, 0));
    planner->SetDayStart("08.00");
    planner->SetDayEnd("18.00");
    planner->SetSlotMinutes(30);
    planner->Refresh(0);
    planner->resize(1000, 640);
    planner->show();
    QApplication::processEvents();
    const QImage shot = planner->grab().toImage();
    EXPECT_TRUE(shot.save(TestKit::ProgramFolder() + "/../planner-day.png"));
    EXPECT_EQ(planner->DayView()->Layout().placements.size(), 4);
}
