// Locks between workstations and who may do what, on a real database.
#include "ADODB.h"
#include "Form.h"
#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Runtime.h"
#include "TestKit.h"
#include "Values.h"
#include "frmLocked.h"
#include "frmLogin.h"
#include "modAdoCommon.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QAbstractButton>
#include <QEvent>
#include <gtest/gtest.h>

using namespace ADODB;

namespace {

class Shared : public ::testing::Test {
protected:
    void SetUp() override {
        Global::ResetState();
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        ASSERT_TRUE(modAdoCommon::OpenConnection(cn, Global::gConnString));
        qputenv("BRIVALTO_COMPUTERNAME", "POSTAZIONE1");
        frmLocked::WaitLimitSeconds = 25;
    }
    void TearDown() override {
        qunsetenv("BRIVALTO_COMPUTERNAME");
        frmLocked::WaitLimitSeconds = 25;
    }
    int Rows(const QString& sql, const QVariantList& params = {}) {
        Recordset rs;
        rs.Open(sql, *cn, adOpenForwardOnly, adLockReadOnly, params);
        return rs.Fields(0).Value().toInt();
    }
    // Another workstation, in a process of its own, holds a table for a while.
    QProcess* OtherWorkstation(const QString& table, double seconds, double ageSeconds = 0) {
        auto* p = new QProcess;
        p->start("/usr/bin/python3",
                 {"-c",
                  "import sqlite3,time,sys,datetime\n"
                  "def serial(t):\n"
                  "  d=t-datetime.datetime(1899,12,30)\n"
                  "  return d.days+d.seconds/86400.0\n"
                  "c=sqlite3.connect(sys.argv[1],isolation_level=None,timeout=5)\n"
                  "c.create_collation('JETNOCASE',lambda a,b:(a.lower()>b.lower())-(a.lower()<b.lower()))\n"
                  "t=datetime.datetime.now()-datetime.timedelta(seconds=float(sys.argv[4]))\n"
                  "c.execute('INSERT INTO LOCKS (COMPUTER,TABELLA,U_MOD) VALUES (?,?,?)',('POSTAZIONE2',sys.argv[2],serial(t)))\n"
                  "print('held',flush=True)\n"
                  "time.sleep(float(sys.argv[3]))\n"
                  "c.execute(\"DELETE FROM LOCKS WHERE COMPUTER='POSTAZIONE2'\")\n",
                  env.DatabaseFile(), table, QString::number(seconds), QString::number(ageSeconds)});
        p->waitForReadyRead(10000);
        return p;
    }

    TestKit::Environment env;
    std::unique_ptr<Connection> cn;
};

}  // namespace

TEST_F(Shared, AFreeTableIsLockedAtOnceAndReleased) {
    auto& wait = Platform::DefaultInstance<frmLocked>();
    EXPECT_TRUE(wait.LockTables(*cn, "ANAGRAFICA"));
    EXPECT_FALSE(wait.isVisible());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS WHERE COMPUTER='POSTAZIONE1' AND TABELLA='ANAGRAFICA'"), 1);
    EXPECT_TRUE(wait.LockTables(*cn, "ANAGRAFICA"));  // own rows never block
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS WHERE COMPUTER='POSTAZIONE1'"), 2);
    Locks::ReleaseLocks(30);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Shared, AWaitSucceedsWhenTheOtherWorkstationReleases) {
    std::unique_ptr<QProcess> other(OtherWorkstation("ANAGRAFICA", 1.0));
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(Platform::DefaultInstance<frmLocked>().LockTables(*cn, "ANAGRAFICA"));
    EXPECT_GE(t.elapsed(), 500);
    other->waitForFinished();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS WHERE COMPUTER='POSTAZIONE1'"), 1);
}

TEST_F(Shared, AStaleLockIsPurged) {
    std::unique_ptr<QProcess> other(OtherWorkstation("ANAGRAFICA", 3.0, 31));
    EXPECT_TRUE(Platform::DefaultInstance<frmLocked>().LockTables(*cn, "ANAGRAFICA"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS WHERE COMPUTER='POSTAZIONE2'"), 0);
    other->kill();
    other->waitForFinished();
}

TEST_F(Shared, AWaitThatRunsOutHoldsNothing) {
    frmLocked::WaitLimitSeconds = 1;
    std::unique_ptr<QProcess> other(OtherWorkstation("TODO", 4.0));
    EXPECT_FALSE(Platform::DefaultInstance<frmLocked>().LockTables(*cn, "CONTATTI|TODO"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS WHERE COMPUTER='POSTAZIONE1'"), 0);
    other->kill();
    other->waitForFinished();
}

TEST_F(Shared, CancellingStopsThisWaitOnly) {
    std::unique_ptr<QProcess> other(OtherWorkstation("ANAGRAFICA", 4.0));
    auto& wait = Platform::DefaultInstance<frmLocked>();
    // The user gives up as soon as the wait window appears.
    struct ClickWhenShown : QObject {
        QAbstractButton* button;
        explicit ClickWhenShown(QAbstractButton* b) : button(b) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Show) button->click();
            return false;
        }
    } giveUp(wait.qvMultiButton1);
    wait.installEventFilter(&giveUp);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(wait.LockTables(*cn, "ANAGRAFICA"));
    EXPECT_LT(t.elapsed(), 2000);
    wait.removeEventFilter(&giveUp);
    other->kill();
    other->waitForFinished();
    cn->Execute("DELETE FROM LOCKS");
    // The earlier give-up does not stop a later wait.
    EXPECT_TRUE(wait.LockTables(*cn, "ANAGRAFICA"));
}

TEST_F(Shared, ALockListThatCannotBeReadCountsAsHeld) {
    // Another workstation keeps the file to itself through every retry: nobody can tell
    // whether the table is free, so it must not be taken for free.
    std::unique_ptr<Connection> other;
    ASSERT_TRUE(modAdoCommon::OpenConnection(other, Global::gConnString));
    other->Execute("BEGIN EXCLUSIVE");
    EXPECT_TRUE(Locks::IsTableLocked(*cn, "ANAGRAFICA", false, 30));
    EXPECT_FALSE(Locks::LockTable(*cn, "ANAGRAFICA"));
    other->Execute("COMMIT");
    EXPECT_FALSE(Locks::IsTableLocked(*cn, "ANAGRAFICA", false, 30));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Shared, AReadOnlyArchiveIsSaidOnceWithoutWaiting) {
    // The engine refuses every write, as in a read-only data folder.
    cn->Execute("PRAGMA query_only=1");
    env.ClearBoxes();
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(Platform::DefaultInstance<frmLocked>().LockTables(*cn, "ANAGRAFICA"));
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(env.Prompts(), QStringList{"L'archivio non può essere scritto: la cartella dei dati o il file dell'archivio "
                                         "sono di sola lettura. I dati non sono stati salvati."});
    cn->Execute("PRAGMA query_only=0");
    EXPECT_TRUE(Platform::DefaultInstance<frmLocked>().LockTables(*cn, "ANAGRAFICA"));
}

TEST_F(Shared, PermissionsForAdministratorsAndGrantedUsers) {
    cn->Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES ('MARIO','X',0)");
    cn->Execute("INSERT INTO PERMESSI (UTENTE,PERMESSO) VALUES ('MARIO','mailing')");
    Global::gCurrentUser = "admin";
    EXPECT_TRUE(Global::HaPermesso("configurazione"));
    EXPECT_TRUE(Global::CheckPermission("tutti", *cn));
    Global::gCurrentUser = "Mario";
    EXPECT_TRUE(Global::HaPermesso("MAILING"));
    EXPECT_FALSE(Global::HaPermesso("configurazione"));
    EXPECT_TRUE(Global::CheckPermission("Mailing", *cn));
    EXPECT_FALSE(Global::CheckPermission("mailing' OR '1'='1", *cn));
    Global::gCurrentUser = "Admin' OR '1'='1";
    EXPECT_FALSE(Global::HaPermesso("mailing"));
    EXPECT_FALSE(Global::CheckPermission("mailing", *cn));
    Global::gCurrentUser = "NESSUNO";
    EXPECT_FALSE(Global::HaPermesso("mailing"));
}

namespace {
class SignIn : public Shared {
protected:
    void SetUp() override {
        Shared::SetUp();
        cn->Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES ('MARIO','SEGRETO',0)");
        cn->Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES ('LUCA',NULL,0)");
        login = new frmLogin;
        login->LoginConnection = cn.get();
        login->Load();
    }
    void TearDown() override {
        delete login;
        Shared::TearDown();
    }
    bool Try(const QString& user, const QString& password) {
        login->Tag.clear();
        login->txtUserName->setText(user);
        login->txtPassword->setText(password);
        login->cmdOK_Click();
        return login->Tag == "OK";
    }
    frmLogin* login = nullptr;
};
}  // namespace

TEST_F(SignIn, NamesAndPasswordsMatchWithoutRegardToCase) {
    EXPECT_TRUE(Try("  mario ", "segreto"));
    EXPECT_EQ(Global::gCurrentUser, "MARIO");
    EXPECT_TRUE(Try("Luca", ""));  // a Null password signs in with an empty field
    EXPECT_TRUE(Try("ADMIN", ""));
    EXPECT_FALSE(Try("mario", "altro"));
    EXPECT_EQ(env.Prompts().last(), "Nome utente o password non validi");
    EXPECT_EQ(env.Boxes().last().title, "Login");
}

TEST_F(SignIn, InjectedTextNeitherSignsInNorChangesAnything) {
    EXPECT_FALSE(Try("x' OR '1'='1", "x' OR '1'='1"));
    EXPECT_FALSE(Try("MARIO' --", ""));
    login->txtUserName->setText("x' OR '1'='1");
    login->txtPassword->setText("x' OR '1'='1");
    login->cmdCambiaPassword_Click();
    EXPECT_TRUE(login->txNuovaPassword[0]->isHidden());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI WHERE [PASSWORD]='SEGRETO'"), 1);
}

TEST_F(SignIn, APasswordChangeAppliesOnlyToTheUserWhoProvedTheOldOne) {
    login->txtUserName->setText("mario");
    login->txtPassword->setText("segreto");
    login->cmdCambiaPassword_Click();
    ASSERT_FALSE(login->txNuovaPassword[0]->isHidden());
    // Another name typed after the check does not take over that account.
    login->txtUserName->setText("ADMIN");
    login->txNuovaPassword[0]->setText("nuova");
    login->txNuovaPassword[1]->setText("nuova");
    login->cmdOK_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI WHERE UTENTE='ADMIN' AND [PASSWORD]=''"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI WHERE UTENTE='MARIO' AND [PASSWORD]='nuova'"), 1);
    EXPECT_EQ(login->Tag, "OK");
    EXPECT_EQ(Global::gCurrentUser, "MARIO");
}

TEST_F(SignIn, ARepeatThatDiffersOrAPasswordTooLongChangesNothing) {
    login->txtUserName->setText("MARIO");
    login->txtPassword->setText("SEGRETO");
    login->cmdCambiaPassword_Click();
    login->txNuovaPassword[0]->setText("uno");
    login->txNuovaPassword[1]->setText("UNO");
    login->cmdOK_Click();
    EXPECT_EQ(env.Prompts().last(), "La ripetizione della nuova password non coincide con la nuova password immessa");
    login->txNuovaPassword[0]->setText("troppolunga1");
    login->txNuovaPassword[1]->setText("troppolunga1");
    login->cmdOK_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM UTENTI WHERE UTENTE='MARIO' AND [PASSWORD]='SEGRETO'"), 1);
    EXPECT_NE(login->Tag, "OK");
    login->cmdCancel_Click();
    EXPECT_TRUE(login->txNuovaPassword[0]->isHidden());
}
