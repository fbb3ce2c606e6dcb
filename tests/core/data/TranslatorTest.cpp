// Jet text the translator must read exactly as Jet does, or refuse as Jet
// does, and the LIKE matcher's time on patterns built to defeat it.
#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "ServerBackend.h"
#include "TestKit.h"
#include "modAdoCommon.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace ADODB;

namespace {

class Translator : public ::testing::Test {
protected:
    void SetUp() override {
        cn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile());
        cn.Execute("CREATE TABLE NUMERI (N LONG, NOME VARCHAR(20))");
        for (int i = 1; i <= 10; ++i) cn.Execute("INSERT INTO NUMERI (N, NOME) VALUES (?, ?)", {i, "n" + QString::number(i)});
    }
    QStringList Column(const QString& sql) {
        Recordset rs;
        rs.Open(sql, cn);
        QStringList values;
        while (!rs.EOF_()) {
            values << rs.Fields(0).Value().toString();
            rs.MoveNext();
        }
        return values;
    }
    // The Jet error a statement is refused with: SQL state and description.
    QString Refusal(const QString& sql) {
        try {
            cn.Execute(sql);
        } catch (const Platform::BasicError& e) {
            return cn.Errors().back().SQLState + " " + e.Description();
        }
        return "accepted";
    }
    TestKit::Environment env;
    Connection cn;
};

}  // namespace

TEST_F(Translator, DoubledQuotesStandForThemselves) {
    EXPECT_EQ(Column("SELECT \"ab\"\"c\" FROM NUMERI WHERE N=1"), QStringList({"ab\"c"}));
    EXPECT_EQ(Column("SELECT \"l'uno\" & 'l''altro' FROM NUMERI WHERE N=1"), QStringList({"l'unol'altro"}));
    EXPECT_EQ(Column("SELECT [NOME] FROM NUMERI WHERE NOME=\"n2\""), QStringList({"n2"}));
}

TEST_F(Translator, AnUnclosedLiteralIsRefusedNotClosed) {
    EXPECT_EQ(Refusal("SELECT N FROM NUMERI WHERE NOME='n1"),
              "3075 Errore di sintassi nella stringa nell'espressione della query ''n1'.");
    EXPECT_TRUE(Refusal("SELECT N FROM NUMERI WHERE NOME=\"n1").startsWith("3075 Errore di sintassi nella stringa"));
    EXPECT_TRUE(Refusal("SELECT [N FROM NUMERI").startsWith("3075 Errore di sintassi"));
    // Through the data layer: the engine's error list, as for any syntax error.
    Recordset rs;
    Global::gNoMessages = false;
    env.AnswerNext(Platform::vbCancel);
    EXPECT_FALSE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM NUMERI WHERE NOME='n1", cn, 0, 1));
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].contains("3075 - Errore di sintassi nella stringa"));
}

TEST_F(Translator, ImpossibleDatesAreRefused) {
    EXPECT_TRUE(Refusal("UPDATE NUMERI SET NOME='x' WHERE N < #01/15/2026 25.00.00#").startsWith("3075 Errore di sintassi nella data"));
    EXPECT_TRUE(Refusal("UPDATE NUMERI SET NOME='x' WHERE N < #02/30/2026#").startsWith("3075 Errore di sintassi nella data"));
    EXPECT_TRUE(Refusal("UPDATE NUMERI SET NOME='x' WHERE N < #01/15/2026 10.61#").startsWith("3075 Errore di sintassi nella data"));
    EXPECT_TRUE(Refusal("UPDATE NUMERI SET NOME='x' WHERE N < #01/15/2026").startsWith("3075 Errore di sintassi nella data"));
    EXPECT_EQ(Refusal("UPDATE NUMERI SET NOME='x' WHERE N < #12/31/2026 23.59.59#"), "accepted");
    EXPECT_EQ(Column("SELECT COUNT(*) FROM NUMERI WHERE NOME='x'"), QStringList({"10"}));
}

TEST_F(Translator, TopLimitsItsOwnSelect) {
    EXPECT_EQ(Column("SELECT TOP 3 N FROM NUMERI ORDER BY N DESC"), QStringList({"10", "9", "8"}));
    EXPECT_EQ(Column("SELECT DISTINCT TOP 2 N FROM NUMERI ORDER BY N"), QStringList({"1", "2"}));
    // In a union each member keeps its own TOP; the last ORDER BY sorts the whole.
    EXPECT_EQ(Column("SELECT TOP 2 N FROM NUMERI WHERE N > 5 UNION ALL SELECT N FROM NUMERI WHERE N < 3 ORDER BY 1"),
              QStringList({"1", "2", "6", "7"}));
    EXPECT_EQ(Column("SELECT N FROM NUMERI WHERE N < 3 UNION SELECT TOP 1 N FROM NUMERI WHERE N = 9 ORDER BY 1 DESC"),
              QStringList({"9", "2", "1"}));
    // In a subquery it limits the subquery, not the outer statement.
    EXPECT_EQ(Column("SELECT COUNT(*) FROM NUMERI WHERE N IN (SELECT TOP 3 N FROM NUMERI ORDER BY N DESC)"),
              QStringList({"3"}));
    // A literal that says TOP is only text.
    EXPECT_EQ(Column("SELECT 'SELECT TOP 1' FROM NUMERI WHERE N=1"), QStringList({"SELECT TOP 1"}));
}

TEST_F(Translator, TopPercentCountsTheRows) {
    EXPECT_EQ(Column("SELECT TOP 25 PERCENT N FROM NUMERI ORDER BY N"), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Column("SELECT TOP 100 PERCENT N FROM NUMERI").size(), 10);
    // The rows would be counted with the parameters given twice: refused.
    try {
        Recordset rs;
        rs.Open("SELECT TOP 50 PERCENT N FROM NUMERI WHERE N > ?", cn, adOpenForwardOnly, adLockReadOnly, {5});
        ADD_FAILURE() << "accepted";
    } catch (const Platform::BasicError& e) {
        EXPECT_EQ(cn.Errors().back().SQLState, "3075");
        EXPECT_TRUE(e.Description().contains("TOP PERCENT")) << e.Description().toStdString();
    }
}

TEST(ServerTranslator, OnlyBareQuestionMarksAreParameters) {
    EXPECT_EQ(TranslateForServer("SELECT [a?b], [NOME], 'x?', \"y?\" FROM t WHERE c=? AND d LIKE \"d\"\"?\""),
              "SELECT \"a?b\", NOME, 'x?', 'y?' FROM t WHERE c=$1 AND d ILIKE 'd\"?'");
    EXPECT_EQ(TranslateForServer("SELECT 'it''s ?' FROM t WHERE a=? AND b=?"), "SELECT 'it''s ?' FROM t WHERE a=$1 AND b=$2");
    EXPECT_THROW(TranslateForServer("SELECT 'aperta FROM t WHERE a=?"), JetSyntaxError);
    EXPECT_THROW(TranslateForServer("SELECT * FROM t WHERE d=#02/30/2026#"), JetSyntaxError);
}

TEST_F(Translator, LikeNeverBacktracksWithoutEnd) {
    cn.Execute("INSERT INTO NUMERI (N, NOME) VALUES (11, ?)", {QString(20, 'a')});
    cn.Execute("CREATE TABLE TESTI (T TEXT)");
    cn.Execute("INSERT INTO TESTI (T) VALUES (?)", {QString(4000, 'a')});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Column("SELECT COUNT(*) FROM TESTI WHERE T LIKE 'a%a%a%a%a%a%a%a%a%a%a%a%a%a%a%b'"), QStringList({"0"}));
    EXPECT_EQ(Column("SELECT COUNT(*) FROM NUMERI WHERE NOME LIKE 'a%a%a%a%a%a%a%a%a%a%b'"), QStringList({"0"}));
    EXPECT_LT(clock.elapsed(), 2000);
    // The wildcards keep their meaning, without regard to case or accents.
    EXPECT_TRUE(LikeMatch("forli", "f%l_"));
    EXPECT_TRUE(LikeMatch("abcabc", "%abc"));
    EXPECT_TRUE(LikeMatch("", "%"));
    EXPECT_FALSE(LikeMatch("", "_"));
    EXPECT_FALSE(LikeMatch("abc", "ab"));
    EXPECT_TRUE(LikeMatch("a%b", "a%b"));
    EXPECT_FALSE(LikeMatch("abcx", "%abc"));
    EXPECT_EQ(Column("SELECT COUNT(*) FROM NUMERI WHERE 'FORLÌ città' LIKE 'forli%CITTA'"), QStringList({"11"}));
}

// The program's own overflow inside a query is the query's error.
TEST_F(Translator, OverflowInsideAQueryIsItsError) {
    EXPECT_TRUE(Refusal("UPDATE NUMERI SET NOME=Val('&H1FFFFFFFFFFFFFFFFFFFF')").contains("Overflow"));
    EXPECT_TRUE(Refusal("UPDATE NUMERI SET N=Year(1e300)").contains("Overflow"));
    EXPECT_EQ(Refusal("UPDATE NUMERI SET NOME=Int(1e300) WHERE N=1"), "accepted");
}
