// The users window, the record-visibility window and the menu's sign-in decision.
#include "ADODB.h"
#include "Form.h"
#include "Global.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "Runtime.h"
#include "TestKit.h"
#include "frmAssociaClientiUtenti.h"
#include "frmLogin.h"
#include "frmMenu.h"
#include "frmUtenti.h"
#include "modAdoCommon.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ADODB;

namespace {
class Users : public ::testing::Test {
protected:
    void SetUp() override {
        Global::ResetState();
        Global::SetColours();
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        Global::gCurrentUser = "ADMIN";
        ASSERT_TRUE(modAdoCommon::OpenConnection(cn, Global::gConnString));
    }
    int Rows(const QString& sql) {
        Recordset rs;
        rs.Open(sql, *cn);
        return rs.Fields(0).Value().toInt();
    }
    TestKit::Environment env;
    std::unique_ptr<Connection> cn;
};
}  // namespace

TEST_F(Users, NewUsersAreStoredTrimmedWithTheirPermissions) {
    frmUtenti f;
    f.Load();
    EXPECT_EQ(f.lsUtenti->count(), 1);  // ADMIN, selected
    EXPECT_FALSE(f.cmdElimina->isEnabled());
    EXPECT_FALSE(f.cmdConferma->isEnabled());
    f.cmdNuovo_Click();
    f.txUserName->setText("  mario ");
    f.txPassword->setText("pwd");
    f.lsPermessi->item(2)->setCheckState(Qt::Checked);  // mailing
    f.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI WHERE UTENTE='mario' AND [PASSWORD]='pwd' AND ISADMIN=0"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI WHERE UTENTE LIKE ' %' OR UTENTE LIKE '% '"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM PERMESSI WHERE UTENTE='MARIO' AND PERMESSO='mailing'"), 1);
    EXPECT_TRUE(f.cmdElimina->isEnabled());

    f.cmdNuovo_Click();
    f.txUserName->setText("MARIO");
    f.cmdConferma_Click();
    EXPECT_EQ(env.Prompts().last(), "Il nome utente è già esistente");
    f.txUserName->setText("   ");
    f.cmdConferma_Click();
    EXPECT_EQ(env.Prompts().last(), "Il nome utente è obbligatorio");
    f.txUserName->setText("x' OR '1'='1");
    f.cmdConferma_Click();  // too long for the column: reported, nothing written
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI"), 2);
}

TEST_F(Users, DeletingAUserTakesItsPermissionsButNeverAdmin) {
    cn->Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES ('LUCA','',0)");
    cn->Execute("INSERT INTO PERMESSI (UTENTE,PERMESSO) VALUES ('LUCA','mailing')");
    frmUtenti f;
    f.Load();
    f.lsUtenti->setCurrentRow(1);
    EXPECT_EQ(f.txUserName->text(), "LUCA");
    EXPECT_TRUE(f.lsPermessi->item(2)->checkState() == Qt::Checked);
    EXPECT_TRUE(f.cmdElimina->isEnabled());
    env.AnswerNext(Platform::vbYes);
    f.cmdElimina_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI WHERE UTENTE='LUCA'"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM PERMESSI"), 0);
    f.lsUtenti->setCurrentRow(0);
    EXPECT_FALSE(f.cmdElimina->isEnabled());
}

TEST_F(Users, LinksOfRecordsToUsers) {
    cn->Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES ('LUCA','',0)");
    cn->Execute("INSERT INTO ANAGRAFICA (ID, AZIENDA, COGNOME, NOME) VALUES (5, 'Acme', 'Rossi', 'Mario')");
    Neighbours::Register("frmCercaAnagrafica", {nullptr, nullptr, nullptr, [] { return QString("0000005"); }});
    frmAssociaClientiUtenti f;
    f.Load();
    ASSERT_EQ(f.cbUtenti->count(), 1);  // administrators are not listed
    f.cmdAssociaCLiente_Click();
    ASSERT_EQ(f.lsCLienti->count(), 1);
    EXPECT_EQ(f.lsCLienti->item(0)->text(), "Acme - Rossi Mario");
    // A second link of the same record is refused and not shown.
    f.cmdAssociaCLiente_Click();
    EXPECT_EQ(f.lsCLienti->count(), 1);
    EXPECT_TRUE(env.Prompts().last().startsWith("Errore "));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAUTE WHERE UTENTE='LUCA' AND ANA_ID=5"), 1);

    f.lsCLienti->setCurrentRow(0);
    f.lsCLienti->item(0)->setSelected(true);
    env.AnswerNext(Platform::vbYes);
    f.cmdEliminaAssociazione_Click();
    EXPECT_EQ(f.lsCLienti->count(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAUTE"), 0);
    Neighbours::Register("frmCercaAnagrafica", {});
}

TEST_F(Users, WithOneUserTheMenuRunsAsAdminWithEveryButton) {
    frmMenu::SplashSeconds = 0;
    auto* menu = new frmMenu;
    menu->Show();
    EXPECT_EQ(Global::gCurrentUser, "Admin");
    EXPECT_FALSE(Global::gLoginActive);
    EXPECT_FALSE(menu->cmdListe->isHidden());
    EXPECT_FALSE(menu->cmdMailing->isHidden());
    QCoreApplication::processEvents();
    menu->grab().save(TestKit::ProgramFolder() + "/../menu.png");
    delete menu;
}

TEST_F(Users, WithTwoUsersTheSignInDecidesWhatTheMenuShows) {
    cn->Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES ('LUCA','X',0)");
    frmMenu::SplashSeconds = 0;
    Platform::SetModalHandler([](Platform::Form& shown) {
        auto* login = dynamic_cast<frmLogin*>(&shown);
        ASSERT_NE(login, nullptr);
        login->txtUserName->setText("luca");
        login->txtPassword->setText("x");
        login->cmdOK_Click();
    });
    auto* menu = new frmMenu;
    menu->Show();
    Platform::SetModalHandler({});
    EXPECT_TRUE(Global::gLoginActive);
    EXPECT_EQ(Global::gCurrentUser, "LUCA");
    EXPECT_TRUE(menu->cmdListe->isHidden());
    EXPECT_TRUE(menu->cmdMailing->isHidden());
    delete menu;

    // A cancelled sign-in ends the program.
    Platform::SetModalHandler([](Platform::Form& shown) {
        auto* login = dynamic_cast<frmLogin*>(&shown);
        ASSERT_NE(login, nullptr);
        login->cmdCancel_Click();
    });
    auto* second = new frmMenu;
    second->Show();
    Platform::SetModalHandler({});
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_TRUE(second->IsUnloaded());
}

TEST_F(Users, TheExitReleasesThisWorkstationsLocks) {
    cn->Execute("INSERT INTO LOCKS (COMPUTER, TABELLA, U_MOD) VALUES (?, 'ANAGRAFICA', ?)",
                {Platform::ComputerName(), Platform::Now()});
    frmMenu::SplashSeconds = 0;
    auto* menu = new frmMenu;
    menu->Show();
    menu->cmdFine->click();
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    delete menu;
}
