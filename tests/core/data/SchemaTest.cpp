#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "Runtime.h"
#include "SQLParser.h"
#include "TestKit.h"
#include "modAdoCommon.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace ADODB;

namespace {

QString Conn(const QString& file) { return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file; }

int Count(Connection& cn, const QString& sql) {
    Recordset rs;
    rs.Open(sql, cn);
    return rs.Fields(0).Value().toInt();
}

// A database as delivered before any start: the base tables only.
QString Delivered(TestKit::Environment& env) {
    const QString file = env.Root() + "/consegnato.mdb";
    EXPECT_TRUE(Catalog::CreateDatabase(file));
    Connection cn;
    cn.Open(Conn(file));
    cn.Execute("CREATE TABLE ANAGRAFICA (ID LONG, IDAZIENDA LONG, COGNOME VARCHAR(50), NOME VARCHAR(50))");
    cn.Execute("CREATE TABLE CONTATTI (IDCONT LONG, IDANA LONG, [DATA] DATETIME, U_MOD DATETIME)");
    cn.Execute("CREATE TABLE TODO (ID LONG, SHORTDESC VARCHAR(255), DONE BIT)");
    cn.Execute("CREATE TABLE TIPICONTATTO (CODICE VARCHAR(1), DESCRIZIONE VARCHAR(50))");
    cn.Execute("CREATE TABLE OUTLOOKINSERTED (ENTRYID VARCHAR(255))");
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME) VALUES (1, 0, 'Rossi')");
    cn.Execute("INSERT INTO TODO (ID, SHORTDESC, DONE) VALUES (3, 'Chiamare', 0)");
    return file;
}

}  // namespace

TEST(Upgrade, TwoStartsBringADeliveredFileToTheFullSchemaKeepingTheRows) {
    TestKit::Environment env;
    const QString file = Delivered(env);
    Global::gConnString = Conn(file);
    Global::UpgradeDatabase();
    Connection cn;
    cn.Open(Conn(file));
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM VERSIONI"), 0);  // the first start only makes the table
    EXPECT_FALSE(Catalog::Tables(cn).contains("UTENTI"));

    Global::UpgradeDatabase();
    EXPECT_EQ(env.EndCalls(), 0) << env.Prompts().join("|").toStdString();
    const QStringList tables = Catalog::Tables(cn);
    for (const char* t : {"CONFIGURAZIONE", "LOCKS", "UTENTI", "PERMESSI", "CATEGORIE", "ANACAT", "ANAUTE"})
        EXPECT_TRUE(tables.contains(t)) << t;
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM VERSIONI"), 1);
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM UTENTI WHERE UTENTE='admin' AND ISADMIN=-1"), 1);
    EXPECT_TRUE(Catalog::Columns(cn, "CONTATTI").contains("OUTL_ID"));
    EXPECT_TRUE(Catalog::Columns(cn, "TODO").contains("UTENTE"));
    EXPECT_TRUE(Catalog::Columns(cn, "ANAGRAFICA").contains("FREEFIELD4"));
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM ANAGRAFICA WHERE COGNOME='ROSSI'"), 1);
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM TODO WHERE ID=3"), 1);

    // The same version again changes nothing.
    Global::UpgradeDatabase();
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM VERSIONI"), 1);
}

TEST(Upgrade, OlderStampsAreUpgradedNewerOnesLeftAlone) {
    TestKit::Environment env;
    Global::gConnString = Conn(env.DatabaseFile());
    Connection cn;
    cn.Open(Global::gConnString);
    cn.Execute("UPDATE UTENTI SET [PASSWORD]='SEGRETA' WHERE UTENTE='ADMIN'");
    cn.Execute("DELETE FROM VERSIONI");
    cn.Execute("INSERT INTO VERSIONI (MAJOR, MINOR, REVISION, U_MOD) VALUES (0, 9, 9, #01/01/2020#)");
    Global::UpgradeDatabase();
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM VERSIONI"), 2);
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM UTENTI WHERE [PASSWORD]='SEGRETA'"), 1);  // the seed did not overwrite

    cn.Execute("INSERT INTO VERSIONI (MAJOR, MINOR, REVISION, U_MOD) VALUES (9, 0, 0, #01/01/2099#)");
    Global::UpgradeDatabase();
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM VERSIONI"), 3);
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST(Upgrade, YesNoColumnsReadFalseAndActivityTypesStayOneEach) {
    TestKit::Environment env;
    const QString file = Delivered(env);
    Connection cn;
    cn.Open(Conn(file));
    cn.Execute("INSERT INTO CONTATTI (IDCONT, IDANA) VALUES (1, 1)");  // a row from before the upgrade
    for (int i = 0; i < 3; ++i) cn.Execute("INSERT INTO TIPICONTATTO (CODICE,DESCRIZIONE) VALUES ('M','Invio SMS')");
    Global::gConnString = Conn(file);
    Global::UpgradeDatabase();
    Global::UpgradeDatabase();
    EXPECT_EQ(env.EndCalls(), 0) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT=0 AND AVVISO2SENT=0"), 1);
    cn.Execute("INSERT INTO CONTATTI (IDCONT, IDANA) VALUES (2, 1)");
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT=0 AND AVVISO2SENT=0"), 2);
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM TIPICONTATTO WHERE CODICE='M'"), 1);
    EXPECT_THROW(cn.Execute("INSERT INTO TIPICONTATTO (CODICE,DESCRIZIONE) VALUES ('m','Altro')"),
                 Platform::BasicError);

    // A file that an earlier version upgraded: Nulls in the Yes/No columns.
    cn.Execute("UPDATE CONTATTI SET AVVISO2SENT=NULL");
    cn.Execute("INSERT INTO VERSIONI (MAJOR, MINOR, REVISION, U_MOD) VALUES (1, 0, 0, #01/01/2099#)");
    Global::UpgradeDatabase();
    EXPECT_EQ(Count(cn, "SELECT COUNT(*) FROM CONTATTI WHERE AVVISO2SENT=0"), 2);
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST(SqlParser, MacrosInBothDialects) {
    TestKit::Environment env;
    const QString t = "SELECT * FROM T WHERE A=@TRUE AND B=@FALSE AND @DATE([data] >= 25/12/2026 10:30:00) AND "
                      "@DATEINT(DATA=25/12/2026) AND X=@DATEVAL(01/01/1900) AND @INTDATE(D)=1 AND @ISNULL(N) AND @ASC(C)=65";
    EXPECT_EQ(SQLParser::ParseSQLFor(t, 1),
              "SELECT * FROM T WHERE A=-1 AND B=0 AND [DATA]>=46381.4375 AND int(DATA)=46381 AND X= 2 AND INT(D)=1 "
              "AND Isnull(N) AND ASC(C)=65");
    EXPECT_EQ(SQLParser::ParseSQLFor(t, 2),
              "SELECT * FROM T WHERE A=1 AND B=0 AND [DATA]>='20261225 10:30:00' AND CONVERT(varchar,DATA,112)='20261225' "
              "AND X='19000101 00:00:00' AND CONVERT(datetime,CONVERT(varchar,D,112))=1 AND N IS NULL  AND ASCII(C)=65");
    EXPECT_EQ(SQLParser::ParseSQLFor(t, 3), t);
    EXPECT_EQ(SQLParser::ParseSQLFor("SELECT 'a@b.it', @TRUE AND @TRUE,", 1), "SELECT 'a@b.it', -1 AND @TRUE,");
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_EQ(SQLParser::NumToSql("1.234,5"), "1234.5");
}

TEST(SqlParser, SyntaxErrors) {
    TestKit::Environment env;
    EXPECT_EQ(SQLParser::ParseSQLFor("WHERE @DATE x", 1), "");
    EXPECT_EQ(env.Prompts().last(), "Errore di sintassi nella query. Il simbolo @DATE non ha delimitatore di apertura '('");
    EXPECT_EQ(SQLParser::ParseSQLFor("WHERE @DATE(DATA) AND X", 1), "");
    EXPECT_EQ(env.Prompts().last(),
              "Errore: trovata la fine simbolo ')' prima dell'espressione di comparazione nella query: WHERE @DATE(DATA) AND X");
    EXPECT_EQ(SQLParser::ParseSQLFor("WHERE @DATE(DATA=", 1), "");
    EXPECT_EQ(env.Prompts().last(),
              "Errore: non trovata l'espressione di comparazione nel simbolo @DATE nella query: WHERE @DATE(DATA=");
    EXPECT_EQ(SQLParser::ParseSQLFor("WHERE @DATE(DATA=01/01/2026", 1), "");
    EXPECT_EQ(env.Prompts().last(), "Errore: non trovata la chiusura ')' del simbolo @DATE nella query: WHERE @DATE(DATA=01/01/2026");
    EXPECT_EQ(SQLParser::ParseSQLFor("WHERE @ISNULL(X", 2), "");
    EXPECT_EQ(env.Prompts().last(), "Errore: non trovata la chiusura ')' del simbolo @ISNULL nella query: WHERE @ISNULL(X");
}

TEST(SqlParser, DialectFromTheProvider) {
    EXPECT_EQ(SQLParser::DbTypeOfProvider("Microsoft.Jet.OLEDB.4.0"), 1);
    EXPECT_EQ(SQLParser::DbTypeOfProvider("sqloledb"), 2);
    EXPECT_EQ(SQLParser::DbTypeOfProvider("OraOLEDB.Oracle"), 3);
    EXPECT_EQ(SQLParser::DbTypeOfProvider("altro"), 0);
    TestKit::Environment env;
    Connection cn;
    cn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile());
    EXPECT_EQ(SQLParser::GetDbType(cn), 1);
    EXPECT_EQ(Global::gDbType, 1);
}
