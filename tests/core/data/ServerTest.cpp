// The server provider against a real PostgreSQL server started for these tests.
#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "TestKit.h"
#include "modAdoCommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ADODB;

namespace {

const QString kBin = "/usr/lib/postgresql/15/bin/";

// One server for the whole test program, on a socket in a folder of its own.
class ServerEnvironment {
public:
    static ServerEnvironment& Get() {
        static ServerEnvironment env;
        return env;
    }
    bool ok = false;
    QString why;
    QString socketDir;
    int port = 0;

    ~ServerEnvironment() {
        if (ok) Run({kBin + "pg_ctl", "-D", dir_.path() + "/data", "-m", "immediate", "stop"});
    }

private:
    ServerEnvironment() {
        if (!QFileInfo::exists(kBin + "initdb")) {
            why = "PostgreSQL server binaries not installed";
            return;
        }
        socketDir = dir_.path();
        QFile::setPermissions(socketDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                             QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther | QFile::WriteOther);
        QFile pw(socketDir + "/pw");
        pw.open(QIODevice::WriteOnly);
        pw.write("segreta\n");
        pw.close();
        pw.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        port = 20000 + int(getpid() % 20000);
        if (!Run({kBin + "initdb", "-D", socketDir + "/data", "-U", "brivalto", "--auth=scram-sha-256",
                  "--pwfile=" + socketDir + "/pw", "-E", "UTF8", "--no-locale"})) {
            why = "initdb failed: " + output_;
            return;
        }
        if (!Run({kBin + "pg_ctl", "-D", socketDir + "/data", "-w", "-l", socketDir + "/log", "-o",
                  QString("-k %1 -c listen_addresses='' -p %2").arg(socketDir).arg(port), "start"})) {
            why = "server did not start: " + output_;
            return;
        }
        ok = true;
    }

    // As root the server runs as the postgres user, which it insists on.
    bool Run(QStringList args) {
        QProcess p;
        if (geteuid() == 0) args = QStringList{"-u", "postgres", "--"} + args;
        p.start(geteuid() == 0 ? "runuser" : args.takeFirst(), args);
        p.waitForFinished(60000);
        output_ = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QTemporaryDir dir_{"/tmp/brivalto-pg-XXXXXX"};
    QString output_;
};

class Server : public ::testing::Test {
protected:
    void SetUp() override {
        auto& server = ServerEnvironment::Get();
        if (!server.ok) GTEST_SKIP() << server.why.toStdString();
        serverName = server.socketDir + "," + QString::number(server.port);
        Global::gNoMessages = false;
    }
    bool Open(std::unique_ptr<Connection>& cn, const QString& password = "segreta", const QString& db = "postgres") {
        return modAdoCommon::OpenDataSource(cn, db, 1, "brivalto", password, false, serverName, false, 19);
    }
    QString StateOf(Connection& cn, const std::function<void()>& action) {
        try {
            action();
        } catch (const Platform::BasicError&) {
            return cn.Errors().empty() ? QString("none") : cn.Errors().back().SQLState;
        }
        return "no error";
    }
    TestKit::Environment env;
    QString serverName;
};

}  // namespace

TEST_F(Server, JetSqlReadsAndWrites) {
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(Open(cn)) << env.Prompts().join("|").toStdString();
    cn->Execute("DROP TABLE IF EXISTS CLIENTI");
    cn->Execute("CREATE TABLE CLIENTI (ID INTEGER PRIMARY KEY, COGNOME VARCHAR(10), CITTA VARCHAR(50), NATO TIMESTAMP)");
    cn->Execute("INSERT INTO CLIENTI (ID, COGNOME, CITTA, NATO) VALUES (1, 'Rossi', 'Forlì', #05/01/1980 10.30.00#)");
    cn->Execute("INSERT INTO CLIENTI (ID, COGNOME, CITTA) VALUES (?, ?, NULL)", {2, "D'Angelo"});
    Recordset rs;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT [ID], COGNOME & '/' & CITTA AS K, NATO, CITTA FROM CLIENTI "
                                                "WHERE COGNOME LIKE 'ro%' ORDER BY ID",
                                            *cn, 1, 3));
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["id"].toInt(), 1);
    EXPECT_EQ(rs["K"].toString(), "Rossi/Forlì");
    EXPECT_EQ(rs["NATO"].toDateTime(), QDateTime(QDate(1980, 5, 1), QTime(10, 30)));
    Recordset all;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(all, "SELECT * FROM CLIENTI WHERE ID=2", *cn, 1, 3));
    EXPECT_EQ(all["COGNOME"].toString(), "D'Angelo");
    EXPECT_TRUE(all["CITTA"].isNull());
    EXPECT_EQ(all.Fields("COGNOME").DefinedSize, 10);
}

TEST_F(Server, ErrorsAreMappedAndLoginsChecked) {
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(Open(cn));
    cn->Execute("DROP TABLE IF EXISTS CODICI");
    cn->Execute("CREATE TABLE CODICI (CODICE VARCHAR(4) PRIMARY KEY)");
    cn->Execute("INSERT INTO CODICI VALUES ('A')");
    EXPECT_EQ(StateOf(*cn, [&] { cn->Execute("INSERT INTO CODICI VALUES ('A')"); }), "3022");
    EXPECT_EQ(StateOf(*cn, [&] { cn->Execute("INSERT INTO CODICI VALUES ('TROPPO')"); }), "3163");
    EXPECT_EQ(StateOf(*cn, [&] { cn->Execute("SELECT * FROM NESSUNA"); }), "3078");

    std::unique_ptr<Connection> bad;
    EXPECT_FALSE(Open(bad, "sbagliata"));
    EXPECT_EQ(env.Prompts().last(), "Accesso negato: UID o PWD errati.");
    EXPECT_FALSE(modAdoCommon::OpenDataSource(bad, "postgres", 1, "brivalto", "segreta", false, "/tmp/nessuno,1", false, 19));
    EXPECT_EQ(env.Prompts().last(), "Server inesistente od accesso negato");
}

// The server went away (here: its session ended by the administrator): the
// next call says so plainly, a later one connects again.
TEST_F(Server, ALostConnectionIsNamedAndMadeAgain) {
    std::unique_ptr<Connection> cn, admin;
    ASSERT_TRUE(Open(cn));
    ASSERT_TRUE(Open(admin));
    auto backend = [](Connection& c) {
        Recordset rs;
        rs.Open("SELECT pg_backend_pid() AS P", c);
        return rs["P"].toInt();
    };
    const int pid = backend(*cn);
    admin->Execute("SELECT pg_terminate_backend(" + QString::number(pid) + ")");

    QString message;
    try {
        cn->Execute("SELECT 1");
    } catch (const Platform::BasicError& e) {
        message = e.Description();
    }
    EXPECT_TRUE(message.startsWith("Connessione al server del database persa")) << message.toStdString();
    ASSERT_FALSE(cn->Errors().empty());
    EXPECT_FALSE(cn->Errors().back().Description.isEmpty());

    EXPECT_NE(backend(*cn), pid);  // connected again
    EXPECT_NO_THROW(cn->Execute("SELECT 1"));

    // Lost inside a transaction: the work is gone, and the next statement
    // says so instead of running outside the transaction.
    cn->Execute("DROP TABLE IF EXISTS PERSI");
    cn->Execute("CREATE TABLE PERSI (ID INTEGER)");
    cn->BeginTrans();
    cn->Execute("INSERT INTO PERSI (ID) VALUES (1)");
    admin->Execute("SELECT pg_terminate_backend(" + QString::number(backend(*cn)) + ")");
    EXPECT_THROW(cn->Execute("INSERT INTO PERSI (ID) VALUES (2)"), Platform::BasicError);
    QString lost;
    try {
        cn->Execute("INSERT INTO PERSI (ID) VALUES (3)");
    } catch (const Platform::BasicError& e) {
        lost = e.Description();
    }
    EXPECT_TRUE(lost.contains("transazione")) << lost.toStdString();
    cn->Execute("INSERT INTO PERSI (ID) VALUES (4)");
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS N FROM PERSI", *cn);
    EXPECT_EQ(rs["N"].toInt(), 1);
}
