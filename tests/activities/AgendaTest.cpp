// The agenda window: what each filter loads, when it reloads, and what every
// planner event writes.
#include "ActivityDb.h"

#include "ComboBox.h"
#include "Locks.h"
#include "OtherWorkstation.h"
#include "Planner.h"
#include "PlannerEditors.h"
#include "PlannerSettings.h"
#include "frmAgenda.h"
#include "frmContatto.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using Platform::AppointmentPtr;
using Platform::Form;
using Platform::TaskPtr;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 0));

class Agenda : public ActivityDb {
protected:
    void SetUp() override {
        ActivityDb::SetUp();
        now = kNow;
        env.SetClock(now);
        for (const char* user : {"ANNA", "MARCO"})
            cn.Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES (?,'',0)", {QString::fromLatin1(user)});
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME) VALUES (7,0,'Rossi','Mario')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME) VALUES (12,0,'Bianchi',NULL)");
        previousPlayer = Platform::Planner::SetSoundPlayer([](const QString&) {});
    }
    void TearDown() override {
        if (agenda && !agenda->IsUnloaded()) agenda->Unload();
        delete agenda;
        Platform::Planner::SetSoundPlayer(previousPlayer);
        PlannerSettings::SetProvider(nullptr);
        ActivityDb::TearDown();
    }
    static QDateTime At(int days, int hour, int minute = 0) {
        return QDateTime(kNow.date().addDays(days), QTime(hour, minute));
    }
    void Activity(int id, const QVariant& user, const QString& type, const QDateTime& start, int idana = 0,
                  const QVariant& reminder = 0) {
        cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,TIPOCONT,DATA,DATAFINE,DESCRIZIONE,LUOGO,DATAAVVISO,U_MOD) "
                   "VALUES (?,?,?,?,?,?,?,?,?,?)",
                   {id, user, idana, type, start, start.addSecs(3600), "att " + QString::number(id), "sede", reminder, now});
    }
    void Task(int id, const QVariant& user, const QDateTime& due, bool done, int priority = 1) {
        cn.Execute("INSERT INTO TODO (ID,UTENTE,SHORTDESC,LONGDESC,DUETO,DATEDONE,PRIORITY,PROJECT,REMINDERDATE,DONE) "
                   "VALUES (?,?,?,'',?,0,?,'',0,?)",
                   {id, user, "task " + QString::number(id), due, priority, done ? -1 : 0});
    }
    frmAgenda& Open() {
        agenda = new frmAgenda;
        agenda->Load();
        return *agenda;
    }
    QStringList AppointmentKeys() const {
        QStringList keys;
        for (const auto& a : agenda->Planner->Data().Appointments().All()) keys << a->Key;
        return keys;
    }
    QStringList TaskKeys() const {
        QStringList keys;
        for (const auto& t : agenda->Planner->Data().Tasks().All()) keys << t->Key;
        return keys;
    }
    AppointmentPtr Appointment(const QString& key) const { return agenda->Planner->Data().Appointments().Find(key); }
    TaskPtr TaskItem(const QString& key) const { return agenda->Planner->Data().Tasks().Find(key); }
    void ChooseUser(const QString& name) { agenda->cbUtenti->SetListIndex(agenda->cbUtenti->findText(name)); }

    frmAgenda* agenda = nullptr;
    Platform::Planner::SoundPlayer previousPlayer;
};

}  // namespace

TEST_F(Agenda, EachFilterLoadsItsRows) {
    Activity(1, "ANNA", "V", At(0, 0, 0), 7);  // today at midnight: shown
    Activity(2, "ANNA", "V", At(-1, 23, 59));  // yesterday: past
    Activity(3, "ANNA", "T", At(0, 11));       // a call
    Activity(4, "ANNA", "E", At(0, 12));       // a mailing's e-mail: never
    Activity(5, "ANNA", "R", At(0, 13));       // type R: never
    Activity(6, "MARCO", "V", At(1, 9), 99);   // its record was deleted
    Activity(7, "MARCO", "X", At(1, 10));      // a type without its row
    Activity(8, QVariant(), "V", At(1, 11));   // no owner
    Task(1, "ANNA", At(-7, 9), false, 2);      // late, not done: shown
    Task(2, "ANNA", At(-1, 9), true);          // done yesterday: past
    Task(3, "ANNA", At(0, 9), true);           // done, due today: shown
    Task(4, "MARCO", At(1, 9), false);

    auto& a = Open();  // the administrator sees everyone's
    EXPECT_EQ(a.cbUtenti->ListIndex(), 0);
    EXPECT_TRUE(a.cbUtenti->isEnabled());
    EXPECT_EQ(a.LastLoad, kNow);
    EXPECT_EQ(AppointmentKeys(), QStringList({"1/ANNA", "3/ANNA", "6/MARCO", "7/MARCO", "8/"}));
    EXPECT_EQ(TaskKeys(), QStringList({"3/ANNA", "4/MARCO", "1/ANNA"}));

    QVariantList params;
    EXPECT_TRUE(a.AppointmentSql(false, false, false, params)
                    .endsWith(" WHERE TIPOCONT<>'R' AND DATA>=#12/07/2026# AND TIPOCONT NOT IN ('E','P','F') AND "
                              "TIPOCONT <>'T' ORDER BY DATA;"));
    EXPECT_TRUE(params.isEmpty());
    EXPECT_EQ(a.TaskSql(true, params), "SELECT * FROM TODO  ORDER BY PRIORITY,DUETO;");

    a.ckTel->setCheckState(Qt::Unchecked);
    EXPECT_EQ(AppointmentKeys(), QStringList({"1/ANNA", "6/MARCO", "7/MARCO", "8/"}));
    a.ckPassato->setCheckState(Qt::Checked);
    EXPECT_EQ(AppointmentKeys(), QStringList({"2/ANNA", "1/ANNA", "6/MARCO", "7/MARCO", "8/"}));
    EXPECT_EQ(TaskKeys(), QStringList({"2/ANNA", "3/ANNA", "4/MARCO", "1/ANNA"}));
    a.ckPassato->setCheckState(Qt::PartiallyChecked);  // grey counts as off
    EXPECT_EQ(AppointmentKeys(), QStringList({"1/ANNA", "6/MARCO", "7/MARCO", "8/"}));

    // One user: neither appointments nor tasks of others, whatever the dates.
    ChooseUser("MARCO");
    EXPECT_EQ(AppointmentKeys(), QStringList({"6/MARCO", "7/MARCO"}));
    EXPECT_EQ(TaskKeys(), QStringList({"4/MARCO"}));
    params.clear();
    EXPECT_TRUE(a.AppointmentSql(false, false, false, params)
                    .endsWith(" AND TIPOCONT <>'T' AND CONTATTI.UTENTE=? ORDER BY DATA;"));
    EXPECT_EQ(params, QVariantList{"MARCO"});
    params.clear();
    EXPECT_EQ(a.TaskSql(false, params),
              "SELECT * FROM TODO  WHERE (DUETO>=#12/07/2026# OR DONE=0) AND TODO.UTENTE=? ORDER BY PRIORITY,DUETO;");
    a.ckPassato->setCheckState(Qt::Checked);
    EXPECT_EQ(TaskKeys(), QStringList({"4/MARCO"}));
    ChooseUser("- tutti -");
    EXPECT_EQ(AppointmentKeys(), QStringList({"2/ANNA", "1/ANNA", "6/MARCO", "7/MARCO", "8/"}));
}

TEST_F(Agenda, ItemsCarryTheirRowsValues) {
    Activity(1, "ANNA", "V", At(0, 15, 30), 7, At(0, 15, 0));
    Activity(6, "MARCO", "X", At(1, 9), 99);
    cn.Execute("INSERT INTO TODO (ID,UTENTE,SHORTDESC,LONGDESC,DUETO,PRIORITY,PROJECT,REMINDERDATE,DONE) "
               "VALUES (5,'ANNA',' Offerta ','note',?,3,'Vendite',?,0)",
               {At(2, 17), At(2, 16)});
    auto& a = Open();
    const auto visit = Appointment("1/ANNA");
    ASSERT_TRUE(visit);
    EXPECT_EQ(visit->Start, At(0, 15, 30));
    EXPECT_EQ(visit->End, At(0, 16, 30));
    EXPECT_EQ(visit->ContactNumber, "7");
    EXPECT_EQ(visit->ContactName, "Rossi Mario");
    EXPECT_EQ(visit->Category, "Visita");
    EXPECT_EQ(visit->Description, "att 1");
    EXPECT_EQ(visit->Place, "sede");
    EXPECT_EQ(visit->Reminder, At(0, 15, 0));
    EXPECT_LE(visit->Random, 10000);
    const auto orphan = Appointment("6/MARCO");
    EXPECT_EQ(orphan->ContactNumber, "99");
    EXPECT_EQ(orphan->ContactName, "");
    EXPECT_EQ(orphan->Category, "");
    EXPECT_FALSE(orphan->Reminder.isValid());
    const auto task = TaskItem("5/ANNA");
    ASSERT_TRUE(task);
    EXPECT_EQ(task->ShortDesc, "Offerta");
    EXPECT_EQ(task->LongDesc, "note");
    EXPECT_EQ(task->Priority, 3);
    EXPECT_EQ(task->Project, "Vendite");
    EXPECT_EQ(task->Due, At(2, 17));
    EXPECT_EQ(task->Reminder, At(2, 16));
    EXPECT_FALSE(task->Done);
    EXPECT_FALSE(task->DateDone.isValid());

    // Task numbers are counted per user.
    EXPECT_EQ(a.NuovaIDTODO(), 1);  // ADMIN has none
    for (int id : {1, 2, 7}) Task(id, "ADMIN", At(3, 9), false);
    EXPECT_EQ(a.NuovaIDTODO(), 8);
}

TEST_F(Agenda, TheUserListFollowsThePermission) {
    Activity(1, "ANNA", "V", At(1, 9));
    Activity(2, "MARCO", "V", At(1, 10));
    Task(1, "MARCO", At(1, 9), false);
    Global::gCurrentUser = "anna";  // names compare without regard to case
    auto& a = Open();
    EXPECT_EQ(a.cbUtenti->Text(), "ANNA");
    EXPECT_FALSE(a.cbUtenti->isEnabled());
    EXPECT_EQ(AppointmentKeys(), QStringList{"1/ANNA"});
    EXPECT_TRUE(TaskKeys().isEmpty());
    a.Unload();
    delete agenda;

    cn.Execute("INSERT INTO PERMESSI (UTENTE,PERMESSO) VALUES ('ANNA','agenda di tutti')");
    Open();
    EXPECT_EQ(agenda->cbUtenti->ListIndex(), 0);
    EXPECT_TRUE(agenda->cbUtenti->isEnabled());
    EXPECT_EQ(AppointmentKeys().size(), 2);
    agenda->Unload();
    delete agenda;

    // Not in the list and without the permission: no choice, no refill at load;
    // the first tick fills without a user condition.
    Global::gCurrentUser = "OSPITE";
    Open();
    EXPECT_EQ(agenda->cbUtenti->ListIndex(), -1);
    EXPECT_TRUE(agenda->cbUtenti->isEnabled());
    EXPECT_FALSE(agenda->LastLoad.isValid());
    EXPECT_TRUE(AppointmentKeys().isEmpty());
    EXPECT_TRUE(agenda->Timer1->isActive());
    EXPECT_EQ(agenda->Timer1->interval(), 10000);
    agenda->Timer1_Timer();
    EXPECT_EQ(AppointmentKeys().size(), 2);
    EXPECT_EQ(TaskKeys(), QStringList{"1/MARCO"});
}

TEST_F(Agenda, TheTimerReloadsWhenTheLastLoadIsStale) {
    auto& a = Open();
    Activity(1, "ANNA", "V", At(1, 9));
    a.LastLoad = QDateTime(kNow.date(), QTime(10, 0, 59));
    env.SetClock(QDateTime(kNow.date(), QTime(10, 5, 59)));
    a.Timer1_Timer();  // five minute boundaries: not yet
    EXPECT_TRUE(AppointmentKeys().isEmpty());
    env.SetClock(QDateTime(kNow.date(), QTime(10, 6, 0)));
    a.Timer1_Timer();
    EXPECT_EQ(AppointmentKeys(), QStringList{"1/ANNA"});
    EXPECT_EQ(a.LastLoad, QDateTime(kNow.date(), QTime(10, 6, 0)));

    // Another window's wait for a lock, or a modal window elsewhere in the
    // program, holds nothing off: other workstations' changes still come in.
    Activity(2, "ANNA", "V", At(1, 10));
    env.SetClock(At(0, 11));
    auto& wait = Platform::DefaultInstance<frmLocked>();
    wait.show();
    a.Timer1_Timer();
    EXPECT_EQ(AppointmentKeys().size(), 2);
    wait.hide();
    Activity(3, "ANNA", "V", At(1, 11));
    env.SetClock(At(0, 12));
    Form elsewhere;
    Platform::SetModalHandler([&](Form& open) {
        a.Timer1_Timer();
        open.Hide();
    });
    elsewhere.Show(Platform::vbModal);
    EXPECT_EQ(AppointmentKeys().size(), 3);
}

TEST_F(Agenda, ClosingHidesAndTheStateIsKept) {
    auto& a = Open();
    a.Show();
    a.close();
    EXPECT_FALSE(a.isVisible());
    EXPECT_FALSE(a.IsUnloaded());
    EXPECT_TRUE(a.Timer1->isActive());
    a.Show();
    a.SetWindowState(Platform::vbMaximized);
    QApplication::processEvents();
    EXPECT_EQ(Platform::GetSetting("Brivalto", "Agenda", "WindowState"), "2");
    a.SetWindowState(Platform::vbMinimized);
    QApplication::processEvents();
    EXPECT_EQ(Platform::GetSetting("Brivalto", "Agenda", "WindowState"), "2");
    a.SetWindowState(Platform::vbNormal);
    QApplication::processEvents();
    EXPECT_EQ(Platform::GetSetting("Brivalto", "Agenda", "WindowState"), "0");
    // The planner never gets a size below nothing.
    a.resize(10, 10);
    QApplication::processEvents();
    EXPECT_GE(a.Planner->width(), 0);
    EXPECT_GE(a.Planner->height(), 0);
    // Unloading for good, as the program's end does.
    EXPECT_TRUE(a.Unload());
}

TEST_F(Agenda, SettingsOfTheWindowAndTheConfiguration) {
    Platform::SaveSetting("Brivalto", "Agenda", "AlarmEnabled", "0");
    Platform::SaveSetting("Brivalto", "Agenda", "OraInizio", "07.30");
    Platform::SaveSetting("Brivalto", "Agenda", "OraFine", "19:00");
    Platform::SaveSetting("Brivalto", "Agenda", "Intervallo", "20");
    frmAgenda::RegisterPlannerSettings();
    PlannerSettings* settings = PlannerSettings::Planner();  // loads the agenda
    ASSERT_NE(settings, nullptr);
    auto& a = Platform::DefaultInstance<frmAgenda>();
    EXPECT_EQ(a.ckAvvisi->checkState(), Qt::Unchecked);
    EXPECT_FALSE(a.Planner->AlarmEnabled());
    EXPECT_EQ(a.Planner->DayStart(), "07:30");
    EXPECT_EQ(a.Planner->DayEnd(), "19:00");
    EXPECT_EQ(a.Planner->SlotMinutes(), 20);
    EXPECT_EQ(a.Planner->CurrentDate(), kNow.date());
    EXPECT_EQ(a.Planner->LanguageFile(), Platform::App::Path() + "/languagefile.txt");
    EXPECT_EQ(a.Planner->AlarmSound(), Platform::App::Path() + "/Alarm.wav");

    a.ckAvvisi->setCheckState(Qt::Checked);
    EXPECT_TRUE(a.Planner->AlarmEnabled());
    EXPECT_EQ(Platform::GetSetting("Brivalto", "Agenda", "AlarmEnabled"), "1");

    // What the configuration dialog pushes reaches the running agenda.
    settings->SetSlotMinutes(60);
    settings->SetDayStart("09:00");
    settings->SetDayEnd("18:00");
    settings->Relayout();
    EXPECT_EQ(a.Planner->DayView()->Layout().slotCount, 9);
    EXPECT_EQ(a.Planner->DayView()->Layout().viewStart, QTime(9, 0));
    a.Unload();
}

TEST_F(Agenda, WithoutTheDatabaseNothingWorks) {
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.Root() + "/none/missing.mdb";
    auto& a = Open();
    EXPECT_FALSE(a.cbUtenti->isEnabled());
    EXPECT_FALSE(a.ckPassato->isEnabled());
    EXPECT_FALSE(a.Planner->isEnabled());
    EXPECT_FALSE(a.Timer1->isActive());
    env.ClearBoxes();
    a.Timer1_Timer();
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST_F(Agenda, RemindersAndDeletionsTouchOnlyTheirRow) {
    Activity(3, "ANNA", "V", At(1, 11), 0, At(1, 10));
    Activity(3, "MARCO", "V", At(1, 11), 0, At(1, 10));
    Activity(8, QVariant(), "V", At(1, 12));
    auto& a = Open();
    auto item = Appointment("3/ANNA");
    a.Planner->SetAppointmentReminder(item, QDateTime());
    EXPECT_EQ(Value("SELECT DATAAVVISO FROM CONTATTI WHERE IDCONT=3 AND UTENTE='ANNA'").toDouble(), 0);
    EXPECT_EQ(Value("SELECT DATAAVVISO FROM CONTATTI WHERE UTENTE='MARCO'").toDateTime(), At(1, 10));
    // The minute the user chose, not the seconds around it.
    a.Planner->SetAppointmentReminder(item, At(1, 10, 29).addSecs(59));
    EXPECT_EQ(Value("SELECT DATAAVVISO FROM CONTATTI WHERE IDCONT=3 AND UTENTE='ANNA'").toDateTime(), At(1, 10, 29));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);

    a.Planner->DeleteAppointment(item, false);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=3"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE UTENTE='MARCO'"), 1);
    // A row without owner is found by its empty owner.
    a.Planner->SetAppointmentReminder(Appointment("8/"), At(1, 11, 45));
    EXPECT_EQ(Value("SELECT DATAAVVISO FROM CONTATTI WHERE IDCONT=8").toDateTime(), At(1, 11, 45));
    a.Planner->DeleteAppointment(Appointment("8/"), false);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=8"), 0);
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
}

TEST_F(Agenda, TasksAreWrittenAndReadBack) {
    Task(1, "ADMIN", At(1, 9), false);
    Task(2, "ADMIN", At(1, 9), false);
    Task(7, "ADMIN", At(1, 9), false);
    Task(1, QVariant(), At(1, 9), false);
    auto& a = Open();
    ASSERT_EQ(a.cbUtenti->ListIndex(), 0);  // "- tutti -": the new task is still the signed-in user's

    auto task = std::make_shared<Platform::PlannerTask>();
    task->ShortDesc = "L'offerta " + QString(120, 'x');
    task->LongDesc = "dell'anno";
    task->Due = At(2, 17, 0).addSecs(42);
    task->Priority = 4;
    task->Project = "Vendite d'inverno";
    task->Reminder = At(2, 16);
    a.Planner->Data().Tasks().Append(task);
    emit a.Planner->TaskAdded(task);
    EXPECT_EQ(task->Key, "8/ADMIN");
    // Whole: the box takes no more than the column holds, and nothing is cut afterwards.
    EXPECT_EQ(Value("SELECT SHORTDESC FROM TODO WHERE ID=8").toString(), "L'offerta " + QString(120, 'x'));
    EXPECT_EQ(Value("SELECT LONGDESC FROM TODO WHERE ID=8").toString(), "dell'anno");
    EXPECT_EQ(Value("SELECT PROJECT FROM TODO WHERE ID=8").toString(), "Vendite d'inverno");
    EXPECT_EQ(Value("SELECT DUETO FROM TODO WHERE ID=8").toDateTime(), At(2, 17));
    EXPECT_EQ(Value("SELECT REMINDERDATE FROM TODO WHERE ID=8").toDateTime(), At(2, 16));
    EXPECT_EQ(Value("SELECT DATEDONE FROM TODO WHERE ID=8").toDouble(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE ID=8 AND UTENTE='ADMIN' AND PRIORITY=4 AND DONE=0"), 1);

    // With its key back, the same item can be changed at once.
    a.Planner->SetTaskDone(task, true);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE ID=8 AND DONE=-1"), 1);
    EXPECT_EQ(Value("SELECT DATEDONE FROM TODO WHERE ID=8").toDateTime(), kNow);
    a.Planner->SetTaskReminder(task, QDateTime());
    EXPECT_EQ(Value("SELECT REMINDERDATE FROM TODO WHERE ID=8").toDouble(), 0);
    a.Planner->SetTaskReminder(task, At(2, 8, 15));
    EXPECT_EQ(Value("SELECT REMINDERDATE FROM TODO WHERE ID=8").toDateTime(), At(2, 8, 15));
    a.Planner->DeleteTask(task, false);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE ID=8"), 0);

    // The task without owner; the request for "now".
    auto ownerless = TaskItem("1/");
    ASSERT_TRUE(ownerless);
    bool unused = false;
    a.Planner_RequestNow(ownerless, 0, unused);
    EXPECT_EQ(ownerless->Due, kNow);
    ownerless->ShortDesc = "senza utente";
    a.Planner_TaskChanged(ownerless);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE ID=1 AND UTENTE IS NULL AND SHORTDESC='senza utente'"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE ID=1 AND UTENTE='ADMIN' AND SHORTDESC='task 1'"), 1);
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
}

// A task is written whole: what another workstation stored since the agenda
// read it is written over only when the user says so, whichever saves first.
// TODO keeps no stamp, so the question cannot say who or when. No keeps the
// editor open with the user's edits; after No to a tick the list shows the
// task as stored, and the next tick asks only if it changes again.
TEST_F(Agenda, ATaskChangedByAnotherWorkstationIsNotOverwrittenUnasked) {
    Task(1, "ADMIN", At(1, 9), false);
    const TestKit::EnvironmentVariable here("BRIVALTO_COMPUTERNAME", "POSTAZIONE1");
    TestKit::OtherWorkstation other(QStringLiteral(ACTIVITY_EDITOR), "POSTAZIONE2",
                                    {env.DatabaseFile(), env.SettingsFolder(), "ADMIN", kNow.toString(Qt::ISODate)});
    const QString question = "Un'altra postazione ha modificato questa attività dopo che era stata letta qui. Salvando "
                             "ora, quelle modifiche andranno perse. Salvare ugualmente?";
    auto& a = Open();
    a.show();
    auto text = [&](const QString& column) { return Value("SELECT " + column + " FROM TODO WHERE ID=1").toString(); };

    // The other workstation saves first: this one is asked.
    EXPECT_EQ(other.Do("open agenda"), QStringList());
    EXPECT_EQ(other.Do("task 1/ADMIN"), QStringList());
    EXPECT_EQ(other.Do("type ShortDesc chiamare Rossi"), QStringList());
    EXPECT_EQ(other.Do("click OK"), QStringList());
    ASSERT_EQ(text("SHORTDESC"), "chiamare Rossi");
    Platform::SetModalHandler([&](Form& f) {
        auto& editor = dynamic_cast<Platform::PlannerTaskEditor&>(f);
        QApplication::setActiveWindow(&editor);
        editor.Project->setFocus();
        QTest::keyClicks(editor.Project, "vendite");
        env.AnswerNext(Platform::vbNo);
        QTest::mouseClick(editor.OK, Qt::LeftButton);
        EXPECT_EQ(env.Prompts(), QStringList{question});
        EXPECT_TRUE(editor.isVisible());
        EXPECT_EQ(editor.Project->text(), "vendite");
        EXPECT_EQ(text("SHORTDESC"), "chiamare Rossi");
        EXPECT_EQ(text("PROJECT"), "");
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
        env.AnswerNext(Platform::vbYes);
        QTest::mouseClick(editor.OK, Qt::LeftButton);
        EXPECT_TRUE(editor.isHidden());
    });
    a.Planner->OpenTask(TaskItem("1/ADMIN"));
    EXPECT_EQ(env.Boxes().size(), 2);
    EXPECT_EQ(text("SHORTDESC"), "task 1");
    EXPECT_EQ(text("PROJECT"), "vendite");

    // This one saved first: the other is asked, and its No and Yes do the same there.
    EXPECT_EQ(other.Do("task 1/ADMIN"), QStringList());
    EXPECT_EQ(other.Do("type ShortDesc richiamare"), QStringList());
    EXPECT_EQ(other.Do("answer no"), QStringList());
    EXPECT_EQ(other.Do("click OK"), QStringList{"BOX " + question});
    EXPECT_EQ(text("SHORTDESC"), "task 1");
    EXPECT_EQ(other.Do("show ShortDesc"), QStringList{"SHOW 1 1 richiamare"});
    EXPECT_EQ(other.Do("answer yes"), QStringList());
    EXPECT_EQ(other.Do("click OK"), QStringList{"BOX " + question});
    EXPECT_EQ(text("SHORTDESC"), "richiamare");
    EXPECT_EQ(text("PROJECT"), "");

    // Ticking the task done here writes it whole too: No leaves it as stored,
    // and the list shows it so.
    env.ClearBoxes();
    QTreeWidget* list = a.Planner->TaskList();
    list->setCurrentItem(list->topLevelItem(0));
    QApplication::setActiveWindow(&a);
    list->setFocus();
    env.AnswerNext(Platform::vbNo);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(env.Prompts(), QStringList{question});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE DONE=0 AND SHORTDESC='richiamare'"), 1);
    QApplication::processEvents();  // the list is shown again once its row's signal is over
    EXPECT_FALSE(TaskItem("1/ADMIN")->Done);
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "richiamare");
    // The user has seen it as stored: the tick asks nothing now.
    list->setCurrentItem(list->topLevelItem(0));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(env.Prompts(), QStringList{question});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE DONE<>0 AND SHORTDESC='richiamare'"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Agenda, ARefusedLockOrAFailedStatementIsTold) {
    Task(1, "ADMIN", At(1, 9), false);
    auto& a = Open();
    auto task = TaskItem("1/ADMIN");
    HeldElsewhere("TODO");
    task->ShortDesc = "cambiata";
    a.Planner_TaskChanged(task);
    EXPECT_EQ(env.Prompts(), QStringList{"Modifica non registrata"});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE SHORTDESC='task 1'"), 1);
    cn.Execute("DELETE FROM LOCKS");
    frmLocked::WaitLimitSeconds = 25;

    // The database refuses the text: the lock is released and the user told.
    env.ClearBoxes();
    task->Project = QString(150, 'p');
    a.Planner_TaskChanged(task);
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Errore ")) << env.Prompts()[0].toStdString();
    EXPECT_TRUE(env.Prompts()[0].endsWith("Procedura Planner_TaskChanged di Form frmAgenda"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE SHORTDESC='task 1'"), 1);

    // A task whose insert failed has no key: its changes are refused, and the
    // refill that follows shows what is stored.
    env.ClearBoxes();
    auto lost = std::make_shared<Platform::PlannerTask>();
    lost->ShortDesc = "persa";
    lost->Project = QString(150, 'p');
    a.Planner->Data().Tasks().Append(lost);
    emit a.Planner->TaskAdded(lost);
    EXPECT_EQ(lost->Key, "");
    a.Planner->DeleteTask(lost, false);
    EXPECT_EQ(env.Prompts().last(), "Modifica non registrata");
    QApplication::processEvents();
    EXPECT_EQ(TaskKeys(), QStringList{"1/ADMIN"});
    EXPECT_EQ(TaskItem("1/ADMIN")->ShortDesc, "task 1");
}

TEST_F(Agenda, NoRefillInsideAHandler) {
    Task(1, "ADMIN", At(1, 9), false);
    Activity(1, "ADMIN", "V", At(1, 9));
    auto& a = Open();
    auto task = TaskItem("1/ADMIN");
    Activity(2, "ADMIN", "V", At(1, 10));
    a.LastLoad = kNow.addDays(-1);

    // While the writer waits for the lock, the timer ticks and the user
    // changes a filter: nothing is refilled until the handler is done.
    HeldElsewhere("TODO");
    frmLocked::WaitLimitSeconds = 25;
    int ticks = 0;
    QTimer::singleShot(50, [&] {
        EXPECT_TRUE(a.Busy());
        a.Timer1_Timer();
        a.ckTel->setCheckState(Qt::Unchecked);
        ++ticks;
        EXPECT_EQ(TaskItem("1/ADMIN"), task);
        cn.Execute("DELETE FROM LOCKS WHERE COMPUTER='ALTRO'");
    });
    task->ShortDesc = "dopo l'attesa";
    a.Planner_TaskChanged(task);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM TODO WHERE SHORTDESC='dopo l''attesa'"), 1);
    EXPECT_EQ(AppointmentKeys(), QStringList{"1/ADMIN"});
    EXPECT_FALSE(a.Busy());
    QApplication::processEvents();  // the refill the filter asked for
    EXPECT_EQ(AppointmentKeys(), QStringList({"1/ADMIN", "2/ADMIN"}));
    EXPECT_EQ(a.LastLoad, kNow);
}

TEST_F(Agenda, ContactSearchAndNumberEntry) {
    auto& a = Open();
    QString number = "00000003", name = "Verdi";
    SearchPicks("");  // cancelled
    a.Planner_FindContact(number, name);
    EXPECT_EQ(number, "00000003");
    EXPECT_EQ(name, "Verdi");
    SearchPicks("0000012");
    a.Planner_FindContact(number, name);
    EXPECT_EQ(number, "00000012");
    EXPECT_EQ(name, "Bianchi");
    SearchPicks("0000055");  // gone meanwhile
    a.Planner_FindContact(number, name);
    EXPECT_EQ(number, "00000055");
    EXPECT_EQ(name, "");
    EXPECT_EQ(env.Prompts(), QStringList{"ID inesistente"});

    bool cancel = false;
    name = "x";
    a.Planner_ContactIdEntered("  ", name, cancel);
    EXPECT_EQ(name, "");
    EXPECT_FALSE(cancel);
    a.Planner_ContactIdEntered("7", name, cancel);
    EXPECT_EQ(name, "Rossi Mario");
    EXPECT_FALSE(cancel);
    a.Planner_ContactIdEntered("8", name, cancel);
    EXPECT_EQ(name, "");
    EXPECT_TRUE(cancel);
    EXPECT_EQ(env.Prompts().size(), 2);

    // Both reached from the agenda, on an appointment's contact.
    Activity(1, "ANNA", "V", At(1, 9), 7);
    a.cbUtenti_Click();
    const AppointmentPtr item = Appointment("1/ANNA");
    ASSERT_TRUE(item);
    env.ClearBoxes();
    Platform::SetModalHandler([&](Form& form) {
        auto* editor = qobject_cast<Platform::PlannerContactEditor*>(&form);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->Contact->Number->text(), "7");
        EXPECT_EQ(editor->Contact->Name->text(), "Rossi Mario");
        editor->Contact->Number->setText("99");
        editor->Contact->Number_LostFocus();  // no such record: refused
        EXPECT_EQ(editor->Contact->Number->text(), "7");
        SearchPicks("0000012");
        editor->Contact->Find_Click();
        EXPECT_EQ(editor->Contact->Number->text(), "00000012");
        EXPECT_EQ(editor->Contact->Name->text(), "Bianchi");
        editor->OK_Click();
    });
    EXPECT_TRUE(a.Planner->EditContact(item));
    EXPECT_EQ(item->ContactNumber, "00000012");
    EXPECT_EQ(item->ContactName, "Bianchi");
    EXPECT_EQ(env.Prompts(), QStringList{"ID inesistente"});
}

TEST_F(Agenda, ItOpensOnTheTimeItIs) {
    // Loaded minimised at the start of the day, as the menu does, and opened in the afternoon.
    env.SetClock(At(0, 8, 5));
    auto& a = Open();
    a.SetWindowState(Platform::vbMinimized);
    env.SetClock(At(0, 17, 30));
    a.Show();
    a.SetWindowState(Platform::vbNormal);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    auto* view = a.Planner->DayView();
    const auto& day = view->Layout();
    const int row = int(day.viewStart.secsTo(QTime(17, 30)) / 60 / day.slotMinutes);
    const QRect shown = view->visibleRegion().boundingRect();
    EXPECT_TRUE(shown.contains(QPoint(shown.center().x(), row * view->SlotHeight() + 1)))
        << "rows shown from " << shown.top() / view->SlotHeight() << " to " << shown.bottom() / view->SlotHeight()
        << ", 17:30 is row " << row;
}

TEST_F(Agenda, AppointmentsAreEditedInTheActivityCard) {
    auto& a = Open();
    auto chooseVisit = [](frmContatto& c) {
        for (int i = 0; i < c.cbTipo->ListCount(); ++i)
            if (c.cbTipo->ItemData(i).toInt() == 'V') c.cbTipo->SetListIndex(i);
    };
    // Cancelled: nothing written, the planner told.
    Platform::SetModalHandler([&](Form& form) {
        auto& c = dynamic_cast<frmContatto&>(form);
        EXPECT_EQ(c.Tag, "NEW");
        EXPECT_EQ(c.dpData->dateTime(), At(1, 9));
        EXPECT_EQ(c.dpDurata->time(), QTime(1, 0));
        // Inside the card no refill runs.
        a.LastLoad = kNow.addDays(-1);
        a.Timer1_Timer();
        EXPECT_EQ(a.LastLoad, kNow.addDays(-1));
        c.cmdAnnulla_Click();
    });
    a.Planner->NewAppointmentAt(At(1, 9));
    EXPECT_EQ(a.Planner->Data().Appointments().Count(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);

    // Saved: a blank description is refused before anything is written.
    Platform::SetModalHandler([&](Form& form) {
        auto& c = dynamic_cast<frmContatto&>(form);
        chooseVisit(c);
        c.txID->setText("7");
        c.txID_LostFocus();
        c.txLuogo->setText("Forlì");
        c.ckAvviso->setChecked(true);
        c.cbMinuti->SetText("15");
        c.cmdConferma_Click();
        EXPECT_EQ(env.Prompts(), QStringList{"La descrizione dell'evento non può essere vuota"});
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
        c.txDescrizione->setPlainText("Presentazione");
        c.cmdConferma_Click();
    });
    a.Planner->NewAppointmentAt(At(1, 9, 30));
    ASSERT_EQ(a.Planner->Data().Appointments().Count(), 1);
    const auto made = a.Planner->Data().Appointments().Item(1);
    EXPECT_EQ(made->Key, "1/ADMIN");
    EXPECT_EQ(made->Category, "Visita");
    EXPECT_EQ(made->ContactName, "Rossi Mario");
    EXPECT_EQ(made->ContactNumber, "7");
    EXPECT_EQ(made->Description, "Presentazione");
    EXPECT_EQ(made->Place, "Forlì");
    EXPECT_EQ(made->Start, At(1, 9, 30));
    EXPECT_EQ(made->End, At(1, 10, 30));
    EXPECT_EQ(made->Reminder, At(1, 9, 15));
    EXPECT_GT(made->ItemId, 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=1 AND UTENTE='ADMIN' AND DESCRIZIONE='Presentazione'"), 1);

    // Opened again: the card reads the row; its changes come back to the item.
    Platform::SetModalHandler([&](Form& form) {
        auto& c = dynamic_cast<frmContatto&>(form);
        EXPECT_EQ(c.Tag, "EDIT");
        EXPECT_EQ(c.txDescrizione->toPlainText(), "Presentazione");
        c.dpDurata->setTime(QTime(2, 30));
        c.ckAvviso->setChecked(false);
        c.txLuogo->setText("Cesena");
        c.cmdConferma_Click();
    });
    a.Planner->OpenAppointment(made);
    EXPECT_EQ(made->Place, "Cesena");
    EXPECT_EQ(made->End, At(1, 12));
    EXPECT_FALSE(made->Reminder.isValid());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='Cesena' AND DATAAVVISO=0"), 1);

    Platform::SetModalHandler([&](Form& form) {
        auto& c = dynamic_cast<frmContatto&>(form);
        c.txLuogo->setText("Rimini");
        c.cmdAnnulla_Click();
    });
    env.AnswerNext(Platform::vbYes);  // the card's own question on its unsaved change
    a.Planner->OpenAppointment(made);
    EXPECT_EQ(made->Place, "Cesena");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='Cesena'"), 1);
}

TEST_F(Agenda, ScreenshotOfTheAgenda) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME) VALUES (31,0,'Verdi','Giulia')");
    Activity(1, "ANNA", "V", At(0, 9), 7, At(0, 8, 45));
    Activity(2, "MARCO", "T", At(0, 9, 30), 12);
    Activity(3, "ANNA", "V", At(0, 14, 15), 31, At(0, 14));
    cn.Execute("UPDATE CONTATTI SET DESCRIZIONE='Presentazione catalogo' WHERE IDCONT=1");
    cn.Execute("UPDATE CONTATTI SET DESCRIZIONE='Richiamare per l''ordine', LUOGO='' WHERE IDCONT=2");
    cn.Execute("UPDATE CONTATTI SET DESCRIZIONE='Consegna campionario', LUOGO='Cesena' WHERE IDCONT=3");
    Task(1, "ANNA", At(0, 17), false, 1);
    Task(2, "MARCO", At(-2, 12), false, 2);
    Task(3, "ANNA", At(0, 9), true, 3);
    auto& a = Open();
    a.Show();
    a.resize(1100, 700);
    QApplication::processEvents();
    EXPECT_TRUE(a.grab().save(TestKit::ProgramFolder() + "/../agenda.png"));
    EXPECT_EQ(a.Planner->DayView()->Layout().placements.size(), 3);
}

TEST_F(Agenda, TheRedButtonExchangesWithTheCalendar) {
    const QString calendar = env.Root() + "/calendario.ics";
    Platform::SaveSetting("Brivalto", "Outlook", "FileCalendario", calendar);
    Activity(1, "ANNA", "V", At(1, 9));
    auto& a = Open();
    const QDateTime loaded = a.LastLoad;
    env.SetClock(kNow.addSecs(60));
    a.Command1->click();
    EXPECT_EQ(env.Prompts(), QStringList{"Vero"});
    EXPECT_FALSE(Value("SELECT OUTL_ID FROM CONTATTI WHERE IDCONT=1").toString().isEmpty());
    EXPECT_TRUE(QFile::exists(calendar));
    EXPECT_EQ(a.LastLoad, loaded);  // not reloaded afterwards

    env.ClearBoxes();
    Platform::SaveSetting("Brivalto", "Outlook", "FileCalendario", "");
    a.Command1_Click();
    EXPECT_EQ(env.Prompts().last(), "Falso");
}
