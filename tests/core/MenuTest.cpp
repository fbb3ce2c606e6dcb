#include "ADODB.h"
#include "Dialogs.h"
#include "Form.h"
#include "Global.h"
#include "MultiButton.h"
#include "Settings.h"
#include "TestKit.h"
#include "Values.h"
#include "frmMenu.h"
#include "frmSplash.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <gtest/gtest.h>

using namespace Platform;

namespace {
class Menu : public ::testing::Test {
protected:
    void SetUp() override {
        frmMenu::SplashSeconds = 0;
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        menu = new frmMenu;
        menu->Load();
        menu->show();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        screenW = PixelsToTwips(screen.width());
        screenH = PixelsToTwips(screen.height());
    }
    void TearDown() override { delete menu; }

    // A drag from the handle that moves the mouse by (dx, dy) twips.
    void Drag(double dx, double dy) {
        menu->Image2_MouseDown(1, 300, 150);
        menu->Image2_MouseMove(1, float(300 + dx), float(150 + dy));
        menu->Image2_MouseUp(1, 0, 0);
    }

    TestKit::Environment env;
    frmMenu* menu = nullptr;
    double screenW = 0, screenH = 0;
};
}  // namespace

TEST_F(Menu, DraggingNearTheLeftEdgeSnapsToIt) {
    menu->MoveTwips(1500, 1500);
    Drag(-(1500 - 45), 0);  // ends 45 twips from the edge: whole pixels of 15
    EXPECT_EQ(menu->LeftTwips(), 0);
    EXPECT_EQ(GetSetting("Brivalto", "Window", "Left"), "0");

    menu->MoveTwips(1500, 1500);
    Drag(-(1500 - 60), 0);  // 60 twips stays where dragged
    EXPECT_EQ(menu->LeftTwips(), 60);
}

TEST_F(Menu, TheBottomStaysClearOfTheTaskBar) {
    menu->MoveTwips(1500, 1500);
    const double h = PixelsToTwips(menu->height());
    Drag(0, screenH - 1500 - h - 300);  // within 460 of the bottom
    EXPECT_NEAR(menu->TopTwips(), screenH - h - 400, 15);  // to the whole pixel
    menu->MoveTwips(1500, 1500);
    Drag(0, -1470);  // within 60 of the top
    EXPECT_EQ(menu->TopTwips(), 0);
}

TEST_F(Menu, AClickWithoutMovingKeepsTheStoredPosition) {
    SaveSetting("Brivalto", "Window", "Top", "1234");
    menu->Image2_MouseDown(1, 10, 10);
    menu->Image2_MouseUp(1, 10, 10);
    EXPECT_EQ(GetSetting("Brivalto", "Window", "Top"), "1234");
    // The handle is for dragging only: it wears no menu sign a click would be expected to open.
    EXPECT_FALSE(menu->Image2->text().contains(QChar(0x2261))) << menu->Image2->text().toStdString();
    EXPECT_EQ(menu->Image2->cursor().shape(), Qt::SizeAllCursor);
}

TEST_F(Menu, EveryStartKeepsOneSmsActivityType) {
    // The fixture's menu was the first start; two more follow.
    for (int start = 0; start < 2; ++start) {
        auto* again = new frmMenu;
        again->Load();
        delete again;
    }
    ADODB::Connection cn;
    cn.Open(Global::gConnString);
    ADODB::Recordset rs;
    rs.Open("SELECT COUNT(*) FROM TIPICONTATTO WHERE CODICE='M'", cn);
    EXPECT_EQ(rs.Fields(0).Value().toInt(), 1);
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST_F(Menu, HelpOpensThePagesBesideTheBuiltProgram) {
    // The built program's own folder, where the program file "Brivalto" stands.
    if (!QFileInfo(App::Path() + "/Brivalto").isFile()) GTEST_SKIP() << "the program is not built";
    QString opened;
    SetHelpHandler([&](const QString& page) { opened = page; });
    menu->cmdAiuto->click();
    SetHelpHandler(nullptr);
    EXPECT_EQ(opened, App::Path() + "/Brivalto.chm/index.html");
    EXPECT_TRUE(QFileInfo(opened).isFile());
}

namespace {
// A window with unsaved changes, which asks before it closes.
class EditedWindow : public Form {
protected:
    void Form_QueryUnload(int& cancel, int) override {
        if (MsgBox("Ci sono dati modificati. Uscire?", vbYesNo + vbDefaultButton2) == vbNo) cancel = 1;
    }
};
}  // namespace

TEST_F(Menu, FineClosesTheWindowsThroughTheirQuestionsFirst) {
    auto* card = new EditedWindow;
    card->Show();
    env.AnswerNext(vbNo);  // keep editing
    menu->cmdFine->click();
    EXPECT_EQ(env.Prompts(), QStringList{"Ci sono dati modificati. Uscire?"});
    EXPECT_EQ(env.EndCalls(), 0);
    EXPECT_FALSE(card->IsUnloaded());
    // The menu's close box and the window manager's close take the same way.
    env.AnswerNext(vbYes);
    menu->close();
    EXPECT_TRUE(card->IsUnloaded());
    EXPECT_EQ(env.EndCalls(), 1);
}

TEST_F(Menu, OneCauseGivesOneBoxAtExit) {
    ADODB::Connection cn;
    cn.Open(Global::gConnString);
    cn.Execute("DROP TABLE LOCKS");
    env.ClearBoxes();
    menu->cmdKill->click();
    EXPECT_EQ(env.Boxes().size(), 1) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(env.EndCalls(), 1);
    // In Italian, as the engine words it, without its technical text.
    EXPECT_TRUE(env.Prompts().last().contains("Impossibile trovare la tabella o la query di input 'LOCKS'"))
        << env.Prompts().last().toStdString();
}

TEST_F(Menu, VersionAndButtonColours) {
    EXPECT_TRUE(menu->lbVersion->text().startsWith("versione "));
    EXPECT_EQ(BackColor(menu->cmdFine), Global::gColButton);
    EXPECT_EQ(ForeColor(menu->cmdAnagrafica), Global::gColText);
}

// The splash stays its whole minimum whatever the fraction of the second the menu starts
// in (counting whole seconds let it go after a tenth of one), also across midnight.
TEST_F(Menu, TheSplashStaysItsWholeMinimum) {
    frmMenu::SplashSeconds = 1;
    for (const QTime start : {QTime(10, 0, 0, 900), QTime(23, 59, 59, 700)}) {
        env.SetClock(QDateTime(QDate(2024, 3, 1), start), false);
        frmMenu second;
        QElapsedTimer timer;
        timer.start();
        second.Load();
        // The program's clock and this timer each count whole milliseconds
        // from origins of their own: they may differ by one.
        EXPECT_GE(timer.elapsed(), 999) << start.toString().toStdString();
        EXPECT_LT(timer.elapsed(), 20000) << start.toString().toStdString();
        EXPECT_FALSE(IsDefaultInstanceLoaded<frmSplash>());
    }
}
