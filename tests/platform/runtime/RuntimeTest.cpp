#include "CommonDialog.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Form.h"
#include "ListView.h"
#include "Keyboard.h"
#include "Runtime.h"
#include "TestKit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace Platform;

TEST(MessageBoxes, DefaultAnswersFollowTheStyle) {
    EXPECT_EQ(DefaultAnswer(vbOKOnly), vbOK);
    EXPECT_EQ(DefaultAnswer(vbRetryCancel), vbRetry);
    EXPECT_EQ(DefaultAnswer(vbYesNo + vbQuestion), vbYes);
    EXPECT_EQ(DefaultAnswer(vbYesNo + vbQuestion + vbDefaultButton2), vbNo);
    EXPECT_EQ(DefaultAnswer(37), vbRetry);
    EXPECT_EQ(DefaultAnswer(vbOKOnly + vbDefaultButton3), vbOK);  // no third button
}

TEST(MessageBoxes, ScriptedAnswersAndRecordedPrompts) {
    TestKit::Environment env;
    env.AnswerNext(vbNo);
    EXPECT_EQ(MsgBox("Salvare?", vbYesNo + vbQuestion), vbNo);
    EXPECT_EQ(MsgBox("Fatto"), vbOK);
    ASSERT_EQ(env.Boxes().size(), 2);
    EXPECT_EQ(env.Boxes()[0].title, "Brivalto");
    EXPECT_EQ(env.Boxes()[0].style, vbYesNo + vbQuestion);
    EXPECT_EQ(env.Prompts(), QStringList({"Salvare?", "Fatto"}));
    env.TypeNext("Mario");
    EXPECT_EQ(InputBox("Nome?"), "Mario");
    EXPECT_EQ(InputBox("Ancora?"), "");
}

TEST(MessageBoxes, UnderAutomationABoxThatComesBackEndsTheRun) {
    TestKit::Environment env;
    const QString trace = env.Root() + "/trace.txt";
    qputenv("BRIVALTO_TRACE", trace.toUtf8());
    MsgBoxHandler scripted = SetMsgBoxHandler({});
    // A retry question whose default answer asks it again, as a lock wait would.
    int asked = 0;
    while (MsgBox("Archivio bloccato", vbRetryCancel) == vbRetry && asked < 10) ++asked;
    // Different boxes in a row and the same box after another one are fine.
    MsgBox("Uno");
    MsgBox("Due");
    MsgBox("Uno");
    SetMsgBoxHandler(scripted);
    qunsetenv("BRIVALTO_TRACE");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(env.EndCalls(), 1);
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[1], "ERROR|the same box came back: 5|Brivalto|Archivio bloccato");
    EXPECT_EQ(lines[2], "END|3");
}

TEST(Translations, QtsOwnDialogsSpeakItalian) {
    ASSERT_TRUE(LoadItalianTranslations());
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "&Choose"), "&Choose");
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), "Cartella");
    EXPECT_EQ(QLocale().language(), QLocale::Italian);
}

TEST(Translations, TheFileDialogIsQtsOwnWithItalianColumns) {
    ASSERT_TRUE(LoadItalianTranslations());
    TestKit::Environment env;
    QDir(env.Root()).mkpath("lettere");
    QFile file(env.Root() + "/lettera.rtf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'x'));
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2025, 12, 9), QTime(10, 30)), QFileDevice::FileModificationTime));
    file.close();

    auto dialog = MakeFileDialog(nullptr, "Apri file RTF", env.Root());
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    dialog->setViewMode(QFileDialog::Detail);
    dialog->show();
    auto* view = dialog->findChild<QTreeView*>();
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    auto row = [&](const QString& name) {
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < model->rowCount(root); ++r)
            if (model->index(r, 0, root).data().toString() == name) return r;
        return -1;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return row("lettera.rtf") >= 0 && row("lettere") >= 0; }, 10000));
    const QModelIndex root = view->rootIndex();
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), "Data di modifica");
    EXPECT_EQ(model->index(row("lettere"), 2, root).data().toString(), "Cartella");
    const QString when = model->index(row("lettera.rtf"), 3, root).data().toString();
    EXPECT_TRUE(when.startsWith("09/12/25")) << when.toStdString();
    EXPECT_EQ(model->index(row("lettera.rtf"), 1, root).data().toString(), "2,00 KiB");
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->currentText(), "Tutti i file (*)");
}

TEST(Errors, AnErrorWithoutATextGetsTheRuntimesItalianOne) {
    try {
        Err().Raise(75);
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Description(), "Errore di accesso al percorso/file");
    }
    EXPECT_EQ(Err().Description, "Errore di accesso al percorso/file");
    Err().Set(53, QString(), "Pagivex.Preview.Export");
    EXPECT_EQ(Err().Description, "Impossibile trovare il file");
    Err().Set(std::bad_alloc());
    EXPECT_EQ(Err().Number, 7);
    EXPECT_EQ(Err().Description, "Memoria esaurita");
    // A text of the raiser's own is kept.
    Err().Set(75, "Impossibile scrivere /tmp/x.csv");
    EXPECT_EQ(Err().Description, "Impossibile scrivere /tmp/x.csv");
    Err().Clear();
}

TEST(Clock, CanBeSetFrozenOrRunning) {
    QDateTime t(QDate(2026, 1, 1), QTime(23, 59, 59));
    SetClock(t);
    EXPECT_EQ(Now(), t);
    SetClock(t, false);
    WaitMs(20);
    EXPECT_GT(Now(), t);
    EXPECT_LT(Now(), t.addSecs(5));
    ResetClock();
    EXPECT_LE(qAbs(Now().secsTo(QDateTime::currentDateTime())), 1);
}

namespace {
// Points the runtime and cache folders somewhere of the test's own.
struct InstanceFolders {
    explicit InstanceFolders(const QString& root, QFileDevice::Permissions runtimePermissions)
        : runtime(root + "/run"),
          cache(root + "/cache"),
          runtimeVariable("XDG_RUNTIME_DIR", runtime.toLocal8Bit()),
          cacheVariable("XDG_CACHE_HOME", cache.toLocal8Bit()) {
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, runtimePermissions);
    }
    ~InstanceFolders() { App::SetInstanceKey(QString()); }
    QString runtime, cache;
    TestKit::EnvironmentVariable runtimeVariable, cacheVariable;
};
const auto kPrivate = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                      QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
}  // namespace

TEST(SingleInstance, ASecondClaimSeesTheFirst) {
    TestKit::Environment env;
    InstanceFolders folders(env.Root(), kPrivate);
    const QString key = "brivalto-test";
    App::SetInstanceKey(key);
    EXPECT_FALSE(App::PrevInstance());
    EXPECT_FALSE(App::PrevInstance());  // the claim is ours; asking again changes nothing
    EXPECT_TRUE(QFileInfo::exists(folders.runtime + "/" + key + ".lock"));
    // Another holder of the same lock (as another process would be).
    App::SetInstanceKey(key);  // releases our claim
    QLockFile other(folders.runtime + "/" + key + ".lock");
    ASSERT_TRUE(other.tryLock(0));
    App::SetInstanceKey(key);
    EXPECT_TRUE(App::PrevInstance());
    other.unlock();
}

TEST(SingleInstance, TheLockIsNeverInAFolderOthersCanWrite) {
    TestKit::Environment env;
    InstanceFolders folders(env.Root(), kPrivate | QFileDevice::WriteOther | QFileDevice::ExeOther |
                                            QFileDevice::ReadOther | QFileDevice::WriteGroup);
    App::SetInstanceKey("brivalto-test");
    EXPECT_FALSE(App::PrevInstance());
    EXPECT_FALSE(QFileInfo::exists(folders.runtime + "/brivalto-test.lock"));
    const QFileInfo lock(folders.cache + "/Brivalto/brivalto-test.lock");
    EXPECT_TRUE(lock.exists());
    EXPECT_EQ(QFileInfo(lock.path()).permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

TEST(Paths, ResolvedWithoutRegardToCase) {
    TestKit::Environment env;
    QDir().mkpath(env.Root() + "/Archivio");
    QFile f(env.Root() + "/Archivio/Brivalto.mdb");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(ResolvePathNoCase(env.Root() + "/archivio/brivalto.MDB"), env.Root() + "/Archivio/Brivalto.mdb");
    EXPECT_TRUE(FileExistsNoCase(env.Root() + "/ARCHIVIO/brivalto.mdb"));
    EXPECT_FALSE(FileExistsNoCase(env.Root() + "/Archivio/altro.mdb"));
    EXPECT_EQ(WithSeparator("/a"), "/a/");
    EXPECT_EQ(WithSeparator("/a/"), "/a/");
    EXPECT_EQ(WithSeparator(""), "");
    EXPECT_EQ(SpecialFolderPath(9999), "");
}

TEST(HelpPages, TheCompiledHelpNameFindsTheHtmlFolder) {
    TestKit::Environment env;
    QDir().mkpath(env.Root() + "/Brivalto");
    QFile page(env.Root() + "/Brivalto/index.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><title>Guida</title></html>");
    page.close();
    QString opened;
    SetHelpHandler([&](const QString& p) { opened = p; });
    OpenHelp(nullptr, env.Root() + "/brivalto.chm");
    EXPECT_EQ(opened, env.Root() + "/Brivalto/index.html");
    OpenHelp(nullptr, env.Root() + "/altro.chm");
    EXPECT_EQ(opened, "");
    // A program file of the folder's name, as beside the built program.
    QFile program(env.Root() + "/brivalto");
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    OpenHelp(nullptr, env.Root() + "/BRIVALTO.chm");
    EXPECT_EQ(opened, env.Root() + "/Brivalto/index.html");
    SetHelpHandler(nullptr);
}

namespace {
class DialogForm : public Form {
public:
    int loads = 0;
    int unloadQueries = 0;
    bool refuseUnload = false;

protected:
    void Form_Load() override { ++loads; }
    void Form_QueryUnload(int& cancel, int) override {
        ++unloadQueries;
        cancel = refuseUnload ? 1 : 0;
    }
};
}  // namespace

TEST(Forms, ModalShowReturnsWhenTheWindowHides) {
    auto& form = DefaultInstance<DialogForm>();
    EXPECT_EQ(form.loads, 1);
    // Answered from inside the window's own modal loop: the answer is posted
    // when the window appears and runs once the loop takes events.
    struct AnswerWhenShown : QObject {
        DialogForm* form;
        explicit AnswerWhenShown(DialogForm* f) : form(f) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Show)
                QMetaObject::invokeMethod(
                    form, [f = form] { f->Tag = "OK"; f->Hide(); }, Qt::QueuedConnection);
            return false;
        }
    } answer(&form);
    form.installEventFilter(&answer);
    form.Show(vbModal);
    form.removeEventFilter(&answer);
    EXPECT_EQ(form.Tag, "OK");
    EXPECT_EQ(&DefaultInstance<DialogForm>(), &form);  // hidden, still the same instance
    EXPECT_EQ(form.loads, 1);

    form.refuseUnload = true;
    EXPECT_FALSE(form.Unload());
    form.refuseUnload = false;
    EXPECT_TRUE(form.Unload());
    EXPECT_FALSE(IsDefaultInstanceLoaded<DialogForm>());
    EXPECT_NE(DefaultInstance<DialogForm>().Tag, "OK");  // a fresh instance
}

// A window unloaded while it is shown modally still stands when Show returns,
// so its caller can read what it left, also when events were processed
// meanwhile (a key sent through the window system processes them); it goes
// with the next turn of the event loop.
TEST(Forms, AWindowUnloadedWhileShownModallyOutlivesShow) {
    QPointer<DialogForm> form(new DialogForm);
    SetModalHandler([](Form& shown) {
        shown.Tag = "OK";
        shown.Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    form->Show(vbModal);
    SetModalHandler({});
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->IsUnloaded());
    EXPECT_EQ(form->Tag, "OK");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST(Forms, WindowsOnTopGiveWayToBoxesAndModalWindows) {
    QWidget splash(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    splash.show();
    {
        const TopmostGiveWay giveWay;  // as every message box takes one
        EXPECT_FALSE(splash.isVisible());
    }
    EXPECT_TRUE(splash.isVisible());
    bool coveredWhileShown = true;
    SetModalHandler([&](Form& shown) {
        coveredWhileShown = splash.isVisible();
        shown.Hide();
    });
    DialogForm login;
    login.Show(vbModal);
    SetModalHandler({});
    EXPECT_FALSE(coveredWhileShown);
    EXPECT_TRUE(splash.isVisible());
}

TEST(Forms, ClosingByTheFrameUnloadsUnlessRefused) {
    auto* form = new DialogForm;
    form->Show();
    form->refuseUnload = true;
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    form->refuseUnload = false;
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(form->IsUnloaded());
    EXPECT_EQ(form->unloadQueries, 2);
}

TEST(Forms, AWindowKeepsItsSizeWhileItsContentsGrow) {
    Form form;
    auto* layout = new QVBoxLayout(&form);
    auto* text = new QLabel(QStringLiteral("breve"), &form);
    auto* frame = new QGroupBox(QStringLiteral("dati"), &form);
    auto* inFrame = new QVBoxLayout(frame);
    for (int i = 0; i < 12; ++i) inFrame->addWidget(new QLineEdit(frame));
    frame->hide();
    auto* start = new QPushButton(QStringLiteral("inizio"), &form);
    layout->addWidget(text);
    layout->addWidget(frame);
    layout->addStretch(1);
    layout->addWidget(start);
    form.resize(300, 200);
    form.Show();
    QApplication::processEvents();
    const QSize size = form.size();
    const QPoint button = start->pos();
    text->setText(QString(40, QLatin1Char('x')) + QStringLiteral(" un testo molto più lungo della finestra"));
    QApplication::processEvents();
    frame->show();
    QApplication::processEvents();
    EXPECT_EQ(form.size(), size);
    EXPECT_EQ(start->pos(), button);
    // The user may still make it bigger or smaller, down to what it was shown with.
    form.resize(500, 400);
    EXPECT_EQ(form.size(), QSize(500, 400));
    form.Unload();
}

// Keys no control takes reach the window: Escape its cancel button, Enter
// the button that has the focus, else its default one. A text box keeps its
// own Enter, and Tab leaves even a multi-line one.
TEST(Forms, EscapeAndEnterAnswerTheWindowsButtons) {
    Form form;
    auto* layout = new QVBoxLayout(&form);
    auto* name = new QLineEdit(&form);
    auto* notes = new MultiLineTextBox(&form);
    auto* ok = new QPushButton(QStringLiteral("conferma"), &form);
    auto* cancel = new QPushButton(QStringLiteral("annulla"), &form);
    for (QWidget* w : {static_cast<QWidget*>(name), static_cast<QWidget*>(notes), static_cast<QWidget*>(ok),
                       static_cast<QWidget*>(cancel)})
        layout->addWidget(w);
    ok->setDefault(true);
    form.SetCancelButton(cancel);
    QStringList clicked;
    QObject::connect(ok, &QPushButton::clicked, [&] { clicked << "conferma"; });
    QObject::connect(cancel, &QPushButton::clicked, [&] { clicked << "annulla"; });
    TestKit::OnScreen(form);
    name->setFocus();
    TestKit::Press(Qt::Key_Return);
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(clicked, QStringList({"conferma", "annulla"}));
    notes->setFocus();
    TestKit::Type("a");
    TestKit::Press(Qt::Key_Return);
    TestKit::Type("b");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(notes->toPlainText(), "a\nb");
    EXPECT_EQ(TestKit::Focused(), ok);
    TestKit::Press(Qt::Key_Tab);
    TestKit::Press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicked, QStringList({"conferma", "annulla", "annulla"}));
    // A button out of reach answers nothing.
    cancel->setEnabled(false);
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(clicked.size(), 3);
}

TEST(ListViews, ColumnsAndItems) {
    ListView lv;
    lv.AddColumn("data e ora", "data e ora", 2000);
    lv.AddColumn("tipo", "tipo");
    ASSERT_EQ(lv.ColumnCount(), 2);
    EXPECT_EQ(lv.Column("TIPO").Index(), 2);
    EXPECT_EQ(lv.Column(1).Width(), 1995);  // whole pixels: 2000 twips is 133 px
    EXPECT_EQ(lv.Column(2).Width(), 1440);
    lv.Column(2).SetPosition(1);
    EXPECT_EQ(lv.Column(2).Position(), 1);
    EXPECT_EQ(lv.Column(1).Position(), 2);
    auto item = lv.AddItem("k1", "01/01/2026");
    item.SetSubItem(1, "T");
    item.SetTag(42);
    EXPECT_EQ(lv.Item("k1").SubItem(1), "T");
    EXPECT_EQ(lv.Item(1).Tag().toInt(), 42);
    lv.SetCheckboxes(true);
    lv.Item(1).SetChecked(true);
    EXPECT_TRUE(lv.Item(1).Checked());
    EXPECT_FALSE(lv.Item(2).IsValid());
    lv.ClearItems();
    EXPECT_EQ(lv.ItemCount(), 0);
}

#include "ComboBox.h"
#include "DatePicker.h"
#include "Values.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

TEST(Controls, DatePickerHoldsNoDateWhenUnticked) {
    DatePicker dp;
    int changes = 0;
    QObject::connect(&dp, &DatePicker::Change, [&] { ++changes; });
    EXPECT_TRUE(dp.Value().isNull());
    dp.SetValue(QDateTime(QDate(1980, 5, 1), QTime(10, 0)));
    EXPECT_EQ(dp.Value().toDateTime(), QDateTime(QDate(1980, 5, 1), QTime(0, 0)));
    dp.SetValue(QVariant());
    EXPECT_TRUE(dp.Value().isNull());
    EXPECT_GE(changes, 2);
    EXPECT_TRUE(dp.property("CalendarBackColor").isValid());
}

namespace {
// Shows a box the way a window would, with the focus in it.
void OnScreen(QWidget& widget, QLineEdit* box) {
    widget.resize(240, 30);
    widget.show();
    QApplication::setActiveWindow(&widget);
    box->setFocus();
}
// Clicks `at` characters into the box, then types; what the box showed after every key.
QStringList ClickAndType(QLineEdit* edit, const QString& keys, int at) {
    const int x = 4 + edit->fontMetrics().horizontalAdvance(edit->text().left(at));
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x, edit->height() / 2));
    QStringList shown;
    for (QChar c : keys) {
        QTest::keyClicks(edit, QString(c));
        shown << edit->text();
    }
    return shown;
}
// A date picker on screen, its box clicked where the user would, and what
// the box showed after every key.
struct TypedDate {
    TypedDate() {
        dp.SetValue(QDateTime(QDate(1980, 3, 9), QTime()));
        OnScreen(dp, dp.Editor());
    }
    // Clicks `at` characters into the box (the year, by default), then types.
    QDate Type(const QString& keys, int at = 8) {
        shown = ClickAndType(dp.Editor(), keys, at);
        return dp.Value().toDateTime().date();
    }
    TestKit::Environment env;
    DatePicker dp;
    QStringList shown;
};
const QRegularExpression kWellFormed(QStringLiteral(R"(^[0-9_]{2}/[0-9_]{2}/[0-9_]{4}$)"));
}  // namespace

TEST(Controls, DatePickerTakesADateTypedWholeFromAnyCaretPlace) {
    TypedDate t;
    int changes = 0;
    QObject::connect(&t.dp, &DatePicker::Change, [&] { ++changes; });
    EXPECT_EQ(t.Type("15/03/1980"), QDate(1980, 3, 15));
    EXPECT_EQ(t.shown.first(), "1_/__/____");
    EXPECT_EQ(t.Type("21041975", 0), QDate(1975, 4, 21));
    EXPECT_EQ(t.Type("1/2/2003", 4), QDate(2003, 2, 1));
    EXPECT_EQ(t.shown[1], "01/__/____");
    EXPECT_EQ(changes, 3);
    for (const QString& text : t.shown) EXPECT_TRUE(kWellFormed.match(text).hasMatch()) << text.toStdString();
    // A two-digit year is taken when the entry ends, as any typed date reads it.
    t.Type("5/6/80");
    QTest::keyClick(t.dp.Editor(), Qt::Key_Return);
    EXPECT_EQ(t.dp.Value().toDateTime().date(), QDate(1980, 6, 5));
    EXPECT_EQ(t.dp.Editor()->text(), "05/06/1980");
    EXPECT_TRUE(t.env.Boxes().isEmpty());
    // Backspace takes back the last digit shown.
    QTest::keyClick(t.dp.Editor(), Qt::Key_Backspace);
    EXPECT_EQ(t.dp.Editor()->text(), "05/06/198_");
    QTest::keyClicks(t.dp.Editor(), "1");
    EXPECT_EQ(t.dp.Value().toDateTime().date(), QDate(1981, 6, 5));
}

TEST(Controls, DatePickerRefusesAnImpossibleDateAndKeepsTheLastGoodOne) {
    TypedDate t;
    t.Type("15/03/1980");
    const QList<QPair<QString, QString>> impossible{
        {"31/02/2026", "31/02/2026"}, {"31022026", "31/02/2026"}, {"29-2-2025", "29/02/2025"}};
    for (const auto& [typed, shown] : impossible) {
        t.env.ClearBoxes();
        EXPECT_EQ(t.Type(typed), QDate(1980, 3, 15)) << typed.toStdString();
        for (const QString& text : t.shown) EXPECT_TRUE(kWellFormed.match(text).hasMatch()) << text.toStdString();
        EXPECT_EQ(t.dp.Editor()->text(), "15/03/1980");
        ASSERT_EQ(t.env.Prompts().size(), 1) << typed.toStdString();
        EXPECT_TRUE(t.env.Prompts()[0].startsWith("La data " + shown + " non esiste.\n")) << t.env.Prompts()[0].toStdString();
    }
    // Letters have no place in a date; an entry left half typed is refused as it ends.
    t.env.ClearBoxes();
    t.Type("12ab/0");
    EXPECT_EQ(t.shown.last(), "12/0_/____");
    QTest::keyClick(t.dp.Editor(), Qt::Key_Return);
    EXPECT_EQ(t.dp.Value().toDateTime().date(), QDate(1980, 3, 15));
    ASSERT_EQ(t.env.Prompts().size(), 1);
    EXPECT_TRUE(t.env.Prompts()[0].startsWith("Data non valida: 12/0_/____\n"));
}

namespace {
const QRegularExpression kWellFormedDateTime(QStringLiteral(R"(^[0-9_]{2}/[0-9_]{2}/[0-9_]{4} [0-9_]{2}:[0-9_]{2}$)"));
QDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}
}  // namespace

TEST(Controls, DatePickerTakesADateAndTimeTypedWholeFromAnyCaretPlace) {
    TestKit::Environment env;
    DateTimePicker dp(QStringLiteral("dd/MM/yyyy HH:mm"));
    dp.setDateTime(At(1980, 3, 9, 8, 0));
    OnScreen(dp, dp.Editor());
    int changes = 0;
    QObject::connect(&dp, &DateTimePicker::Change, [&] { ++changes; });
    QStringList shown = ClickAndType(dp.Editor(), "15/03/1980 10:30", 14);  // clicked in the minutes
    EXPECT_EQ(dp.dateTime(), At(1980, 3, 15, 10, 30));
    EXPECT_EQ(shown.first(), "1_/__/____ __:__");
    shown += ClickAndType(dp.Editor(), "150319751045", 0);
    EXPECT_EQ(dp.dateTime(), At(1975, 3, 15, 10, 45));
    // A two-digit year closed by a separator shows the year it is read as.
    shown += ClickAndType(dp.Editor(), "1/2/03 9.5", 4);
    EXPECT_EQ(shown.mid(shown.size() - 4, 1), QStringList{"01/02/2003 __:__"});
    QTest::keyClick(dp.Editor(), Qt::Key_Return);
    EXPECT_EQ(dp.dateTime(), At(2003, 2, 1, 9, 5));
    // A date typed alone keeps the time the box held.
    shown += ClickAndType(dp.Editor(), "21041975", 11);
    QTest::keyClick(dp.Editor(), Qt::Key_Return);
    EXPECT_EQ(dp.dateTime(), At(1975, 4, 21, 9, 5));
    EXPECT_EQ(dp.Editor()->text(), "21/04/1975 09:05");
    EXPECT_EQ(changes, 4);
    for (const QString& text : shown) EXPECT_TRUE(kWellFormedDateTime.match(text).hasMatch()) << text.toStdString();
    EXPECT_TRUE(env.Boxes().isEmpty());

    // The seconds a box shows are typed as well, or left at 00.
    DateTimePicker seconds(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    OnScreen(seconds, seconds.Editor());
    ClickAndType(seconds.Editor(), "15031980103045", 3);
    EXPECT_EQ(seconds.dateTime(), At(1980, 3, 15, 10, 30, 45));
    ClickAndType(seconds.Editor(), "16/03/1980 11:15", 17);
    EXPECT_EQ(seconds.Editor()->text(), "16/03/1980 11:15:__");
    QTest::keyClick(seconds.Editor(), Qt::Key_Return);
    EXPECT_EQ(seconds.dateTime(), At(1980, 3, 16, 11, 15));
    EXPECT_EQ(seconds.Editor()->text(), "16/03/1980 11:15:00");
    // A day picked in the calendar keeps the time too.
    emit seconds.Calendar()->clicked(QDate(2024, 2, 29));
    EXPECT_EQ(seconds.dateTime(), At(2024, 2, 29, 11, 15));
}

TEST(Controls, DatePickerRefusesAnImpossibleDateOrTimeAndKeepsTheLastGoodOne) {
    TestKit::Environment env;
    DateTimePicker dp(QStringLiteral("dd/MM/yyyy HH:mm"));
    dp.setDateTime(At(1980, 3, 15, 10, 30));
    OnScreen(dp, dp.Editor());
    const QList<QPair<QString, QString>> impossible{{"31/02/2026 09:00", "La data 31/02/2026 non esiste."},
                                                    {"310220260900", "La data 31/02/2026 non esiste."},
                                                    {"29/2/25 9:00", "La data 29/02/2025 non esiste."},
                                                    {"15/03/1980 25:00", "L'ora 25:00 non esiste."},
                                                    {"1503198010:75", "L'ora 10:75 non esiste."}};
    for (const auto& [typed, message] : impossible) {
        env.ClearBoxes();
        const QStringList shown = ClickAndType(dp.Editor(), typed, 6);
        QTest::keyClick(dp.Editor(), Qt::Key_Return);
        EXPECT_EQ(dp.dateTime(), At(1980, 3, 15, 10, 30)) << typed.toStdString();
        EXPECT_EQ(dp.Editor()->text(), "15/03/1980 10:30");
        for (const QString& text : shown) EXPECT_TRUE(kWellFormedDateTime.match(text).hasMatch()) << text.toStdString();
        ASSERT_EQ(env.Prompts().size(), 1) << typed.toStdString();
        EXPECT_EQ(env.Prompts()[0], message + "\nScrivere data e ora, come 15/03/1980 10:30 o 150319801030.");
    }
}

TEST(Controls, DatePickerTakesATimeTypedWholeAndRefusesOneThatDoesNotExist) {
    TestKit::Environment env;
    TimePicker box;
    box.setTime(QTime(8, 0));
    OnScreen(box, &box);
    QStringList shown = ClickAndType(&box, "0930", 4);  // clicked in the minutes
    EXPECT_EQ(box.time(), QTime(9, 30));
    EXPECT_EQ(shown.first(), "0_:__");
    shown += ClickAndType(&box, "7.5", 0);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(box.time(), QTime(7, 5));
    shown += ClickAndType(&box, "2345", 2);
    EXPECT_EQ(box.time(), QTime(23, 45));
    EXPECT_TRUE(env.Boxes().isEmpty());
    shown += ClickAndType(&box, "2500", 1);
    EXPECT_EQ(box.time(), QTime(23, 45));
    EXPECT_EQ(box.text(), "23:45");
    EXPECT_EQ(env.Prompts(), QStringList{"L'ora 25:00 non esiste.\nScrivere ore e minuti, come 10:30 o 1030."});
    for (const QString& text : shown)
        EXPECT_TRUE(QRegularExpression(R"(^[0-9_]{2}:[0-9_]{2}$)").match(text).hasMatch()) << text.toStdString();
}

TEST(Controls, DatePickerColoursItsCalendar) {
    DatePicker dp;
    dp.setProperty("CalendarBackColor", 0xA08053);
    dp.setProperty("CalendarTitleForeColor", 0xFFFFFF);
    dp.setProperty("CalendarTrailingForeColor", 0x909090);
    ASSERT_NE(dp.Calendar(), nullptr);
    const QPalette p = dp.Calendar()->palette();
    EXPECT_EQ(p.color(QPalette::Base), BgrToColor(0xA08053));
    EXPECT_EQ(p.color(QPalette::HighlightedText), BgrToColor(0xFFFFFF));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Text), BgrToColor(0x909090));
    // A day picked in the calendar is the date.
    dp.SetValue(QDateTime(QDate(2024, 1, 15), QTime()));
    emit dp.Calendar()->clicked(QDate(2024, 2, 29));
    EXPECT_EQ(dp.Value().toDateTime().date(), QDate(2024, 2, 29));
}

TEST(Controls, ComboBoxStartsWithNothingSelected) {
    ComboBox cb(nullptr, true);
    cb.AddItem("clienti", 7);
    cb.AddItem("fornitori", 9);
    EXPECT_EQ(cb.ListIndex(), -1);
    EXPECT_EQ(cb.Text(), "");
    cb.SetText("FORNITORI");
    EXPECT_EQ(cb.ListIndex(), 1);
    EXPECT_EQ(cb.ItemData(cb.ListIndex()).toInt(), 9);
    cb.SetText("altro");
    EXPECT_EQ(cb.ListIndex(), -1);
    EXPECT_EQ(cb.Text(), "altro");
    cb.SetListIndex(-1);
    EXPECT_EQ(cb.Text(), "");
}

// A free-text list completes nothing: what is typed is what it holds, also
// when it differs from an entry only in case, and while its list is open the
// letters typed still go into the box.
TEST(Controls, AFreeTextComboBoxKeepsWhatIsTyped) {
    TestKit::Environment env;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* cb = new ComboBox(&window, true);
    auto* next = new QLineEdit(&window);
    layout->addWidget(cb);
    layout->addWidget(next);
    for (const char* item : {"dott.ssa", "sig.ra"}) cb->AddItem(item);
    TestKit::OnScreen(window);
    for (const QString typed : {"sig.", "SIG.RA"}) {
        cb->SetText(QString());
        cb->setFocus();
        TestKit::Type(typed);
        TestKit::Press(Qt::Key_Tab);
        EXPECT_EQ(cb->Text(), typed);
        EXPECT_EQ(TestKit::Focused(), next);
    }
    cb->SetText(QString());
    cb->setFocus();
    cb->showPopup();
    TestKit::Type("dot");
    EXPECT_EQ(cb->Text(), "dot");
    EXPECT_TRUE(cb->view()->isVisible());
}
