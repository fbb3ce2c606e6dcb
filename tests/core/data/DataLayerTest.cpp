// The data layer on real database files.
#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "TestKit.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cstring>
#include <gtest/gtest.h>

using namespace ADODB;

namespace {

class Data : public ::testing::Test {
protected:
    void SetUp() override {
        Global::gNoMessages = false;
        // The retry rules are what is tried here: the engine's own wait and the pause are short.
        ADODB::Connection::EngineWaitMs = 200;
        modAdoCommon::RetryPauseSeconds = 0.2f;
        conn = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        Global::gConnString = conn;
        ASSERT_TRUE(modAdoCommon::OpenConnection(cn, conn));
    }
    void TearDown() override {
        modAdoCommon::RetryPauseSeconds = 5;
        ADODB::Connection::EngineWaitMs = 5000;
    }

    QString StateOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const Platform::BasicError&) {
            return cn->Errors().empty() ? QString("none") : cn->Errors().back().SQLState;
        }
        return QString("no error");
    }

    TestKit::Environment env;
    QString conn;
    std::unique_ptr<Connection> cn;
};

// Assigns a field of the current row and saves it: the error number raised,
// 0 when saved. The edit does not outlive it.
long EditError(Recordset& rs, const char* column, const QVariant& value) {
    rs.SetValue(column, value);
    long number = 0;
    try {
        rs.Update();
    } catch (const Platform::BasicError& e) {
        number = e.Number();
    }
    rs.CancelUpdate();
    return number;
}

}  // namespace

TEST_F(Data, JetSqlFormsRunUnchanged) {
    cn->Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME, NOME, U_MOD) VALUES (1, 0, 'Rossi', 'Mario', "
                "#12/25/2026 10.30.00#)");
    cn->Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, U_MOD) VALUES (2, 0, \"Forlì Srl\", #01/02/2026#)");
    Recordset rs;
    rs.Open("SELECT [ID], COGNOME & ' ' & NOME AS NOMINATIVO, IIF(Isnull(AZIENDA), 'P', 'A') AS K, "
            "Int(U_MOD) AS GIORNO, Val('0012') AS V, Asc('A') AS A FROM ANAGRAFICA WHERE U_MOD >= #12/25/2026# "
            "AND ID < True + 3",
            *cn);
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["ID"].toInt(), 1);
    EXPECT_EQ(rs["NOMINATIVO"].toString(), "Rossi Mario");
    EXPECT_EQ(rs["k"].toString(), "P");
    EXPECT_EQ(rs["GIORNO"].toInt(), int(Platform::DateToSerial(QDateTime(QDate(2026, 12, 25), QTime(0, 0)))));
    EXPECT_EQ(rs["V"].toInt(), 12);
    EXPECT_EQ(rs["A"].toInt(), 65);
    rs.MoveNext();
    EXPECT_TRUE(rs.EOF_());

    Recordset dates;
    dates.Open("SELECT U_MOD FROM ANAGRAFICA ORDER BY ID", *cn);
    EXPECT_EQ(dates["U_MOD"].toDateTime(), QDateTime(QDate(2026, 12, 25), QTime(10, 30)));
}

TEST_F(Data, NullIsNotEmptyText) {
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME) VALUES (1, '', NULL)");
    Recordset rs;
    rs.Open("SELECT COGNOME, NOME FROM ANAGRAFICA", *cn);
    EXPECT_FALSE(rs["COGNOME"].isNull());
    EXPECT_EQ(rs["COGNOME"].toString(), "");
    EXPECT_TRUE(rs["NOME"].isNull());
}

TEST_F(Data, TextComparesWithoutCaseOrAccents) {
    cn->Execute("INSERT INTO ANAGRAFICA (ID, CITTA) VALUES (1, 'Forlì')");
    cn->Execute("INSERT INTO ANAGRAFICA (ID, CITTA) VALUES (2, 'MILANO')");
    auto count = [&](const QString& where, const QVariantList& params = {}) {
        Recordset rs;
        rs.Open("SELECT COUNT(*) AS N FROM ANAGRAFICA WHERE " + where, *cn, adOpenForwardOnly, adLockReadOnly, params);
        return rs["N"].toInt();
    };
    EXPECT_EQ(count("CITTA = 'FORLÌ'"), 1);
    EXPECT_EQ(count("CITTA = 'forli'"), 1);
    EXPECT_EQ(count("CITTA LIKE '%orl%'"), 1);
    EXPECT_EQ(count("CITTA LIKE 'mil_no'"), 1);
    EXPECT_EQ(count("CITTA LIKE ?", {"%ÌLAN%"}), 1);
    EXPECT_EQ(count("CITTA = ?", {"x' OR '1'='1"}), 0);
}

TEST_F(Data, WidthsAreDeclaredAndEnforced) {
    Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA", *cn, adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(rs.Fields("PROVINCIA").DefinedSize, 4);
    EXPECT_EQ(rs.Fields("EMAIL").DefinedSize, 100);
    EXPECT_EQ(StateOf([&] { cn->Execute("INSERT INTO ANAGRAFICA (ID, PROVINCIA) VALUES (1, 'ABCDE')"); }), "3163");
    EXPECT_EQ(StateOf([&] { cn->Execute("INSERT INTO ANAGRAFICA (ID, PROVINCIA) VALUES (1, 'FÒRL')"); }), "no error");
}

TEST_F(Data, EngineErrorsAreMapped) {
    EXPECT_EQ(StateOf([&] { cn->Execute("INSERT INTO UTENTI (UTENTE) VALUES ('admin')"); }), "3022");
    EXPECT_EQ(StateOf([&] { cn->Execute("SELECT * FROM NESSUNA"); }), "3078");
    EXPECT_EQ(StateOf([&] { cn->Execute("SELEC * FROM UTENTI"); }), "3075");
    Recordset closed;
    try {
        closed.MoveNext();
        FAIL() << "a closed recordset moved";
    } catch (const Platform::BasicError& e) {
        EXPECT_EQ(e.Number(), E_OBJECTCLOSED);
    }
    // A Yes/No column keeps true as -1, whatever was written.
    Recordset admin;
    admin.Open("SELECT * FROM UTENTI WHERE UTENTE='ADMIN' AND ISADMIN=-1", *cn);
    EXPECT_FALSE(admin.EOF_());
}

TEST_F(Data, AddNewWritesOnlyTheAssignedFields) {
    Recordset rs;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM ANAGRAFICA WHERE ID=0", *cn, 1, 3));
    EXPECT_TRUE(rs.EOF_());
    rs.AddNew();
    rs.SetValue("ID", 7);
    rs.SetValue("COGNOME", "Bianchi");
    rs.SetValue("DATNAS", QDateTime(QDate(1980, 5, 1), QTime(0, 0)));
    ASSERT_TRUE(modAdoCommon::UpdateRecordset(rs));
    EXPECT_EQ(rs["ID"].toInt(), 7);
    Recordset back;
    back.Open("SELECT * FROM ANAGRAFICA WHERE ID=7", *cn);
    EXPECT_EQ(back["COGNOME"].toString(), "Bianchi");
    EXPECT_TRUE(back["NOME"].isNull());
    EXPECT_EQ(back["DATNAS"].toDateTime().date(), QDate(1980, 5, 1));
}

// A kept row holds the engine's own values: what it stored reads back in its
// own type, and an added row changed elsewhere before its edit is a conflict.
TEST_F(Data, AnAddedRowKeepsWhatTheEngineStored) {
    Recordset rs;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM ANAGRAFICA WHERE ID=0", *cn, 1, 3));
    rs.AddNew();
    rs.SetValue("ID", qint64(5000000000));
    rs.SetValue("IDAZIENDA", "12");  // the column keeps it as a number
    rs.SetValue("COGNOME", "Forlì Ñandù");
    rs.SetValue("NOME", "");
    ASSERT_TRUE(modAdoCommon::UpdateRecordset(rs));
    EXPECT_EQ(rs["ID"].toLongLong(), 5000000000);
    EXPECT_EQ(rs["IDAZIENDA"].typeId(), QMetaType::Int);
    EXPECT_EQ(rs["COGNOME"].toString(), "Forlì Ñandù");
    EXPECT_EQ(rs["NOME"].typeId(), QMetaType::QString);
    EXPECT_TRUE(rs["NOME"].toString().isEmpty());
    EXPECT_FALSE(rs["CITTA"].isValid());

    // Assigned, a field still tells what was read.
    rs.SetValue("COGNOME", "Bianchi");
    rs.SetValue("COGNOME", "Verdi");
    EXPECT_EQ(rs.Fields("COGNOME").OriginalValue().toString(), "Forlì Ñandù");
    rs.CancelUpdate();
    EXPECT_EQ(rs["COGNOME"].toString(), "Forlì Ñandù");

    // Unchanged elsewhere, the edit goes through; changed elsewhere, it does not.
    rs.SetValue("NOME", "Anna");
    ASSERT_TRUE(modAdoCommon::UpdateRecordset(rs));
    rs.AddNew();
    rs.SetValue("ID", 2);
    rs.SetValue("COGNOME", "Neri");
    ASSERT_TRUE(modAdoCommon::UpdateRecordset(rs));
    std::unique_ptr<Connection> other;
    ASSERT_TRUE(modAdoCommon::OpenConnection(other, conn));
    other->Execute("UPDATE ANAGRAFICA SET CITTA='Cesena' WHERE ID=2");
    rs.SetValue("NOME", "Luca");
    qint32 err = 0;
    EXPECT_FALSE(modAdoCommon::UpdateRecordset(rs, &err));
    EXPECT_EQ(err, E_ROWCHANGED);
    rs.CancelUpdate();
    rs.MoveFirst();
    EXPECT_EQ(rs["NOME"].toString(), "Anna");
}

// Inside a transaction an added row is read back only when something needs
// it: whatever comes first, a field read before the commit or after it, the
// row is the one the engine stored (defaults, the column's affinity, the
// Yes/No trigger's -1), and a later edit of it is checked against that.
TEST_F(Data, RowsAddedInATransactionReadAsStored) {
    Recordset rs;
    rs.Open("SELECT * FROM CONTATTI WHERE IDCONT=0", *cn, adOpenKeyset, adLockOptimistic);
    auto add = [&](int id, const QVariant& sent) {
        rs.AddNew();
        rs.SetValue("IDCONT", id);
        rs.SetValue("IDANA", QString::number(id * 10));  // the column keeps it as a number
        rs.SetValue("DESCRIZIONE", QString("Visita %1").arg(id));
        if (sent.isValid()) rs.SetValue("AVVISO1SENT", sent);
        // Rows long and short: a row keeps its offsets as narrow as its length allows.
        if (id >= 4) rs.SetValue("NOTE", QString(id == 4 ? 300 : 70000, QChar(u'è')));
        rs.Update();
    };
    cn->BeginTrans();
    add(1, QVariant());
    add(2, 1);  // the trigger keeps it as -1
    add(3, true);
    EXPECT_EQ(rs["IDCONT"].toInt(), 3);
    EXPECT_EQ(rs["AVVISO1SENT"].toBool(), true);
    rs.MoveFirst();
    EXPECT_EQ(rs["IDANA"].typeId(), QMetaType::Int);
    EXPECT_EQ(rs["IDANA"].toInt(), 10);
    ASSERT_TRUE(rs["AVVISO1SENT"].isValid());  // the column's default
    EXPECT_FALSE(rs["AVVISO1SENT"].toBool());
    rs.MoveNext();
    EXPECT_EQ(rs["AVVISO1SENT"].toBool(), true);
    add(4, 1);
    add(5, QVariant());
    cn->CommitTrans();

    // Read first after the commit.
    rs.MoveLast();
    EXPECT_EQ(rs["IDCONT"].toInt(), 5);
    EXPECT_EQ(rs["DESCRIZIONE"].toString(), "Visita 5");
    EXPECT_EQ(rs["NOTE"].toString(), QString(70000, QChar(u'è')));
    EXPECT_FALSE(rs["AVVISO1SENT"].toBool());
    rs.MovePrevious();
    EXPECT_EQ(rs["NOTE"].toString(), QString(300, QChar(u'è')));
    EXPECT_EQ(rs["DESCRIZIONE"].toString(), "Visita 4");
    // Each row kept is the stored one: every edit passes the check.
    for (rs.MoveFirst(); !rs.EOF_(); rs.MoveNext()) {
        rs.SetValue("LUOGO", "Forlì");
        qint32 err = 0;
        EXPECT_TRUE(modAdoCommon::UpdateRecordset(rs, &err)) << rs["IDCONT"].toInt() << " " << err;
    }
    Recordset check;
    check.Open("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT=-1 AND LUOGO='Forlì'", *cn);
    EXPECT_EQ(check.Fields(0).Value().toInt(), 3);

    // Rows whose rowids come out of order, close together or far apart.
    cn->Execute("CREATE TABLE ORDINE (N INTEGER PRIMARY KEY, T TEXT(50))");
    Recordset keyed;
    keyed.Open("SELECT * FROM ORDINE WHERE N=0", *cn, adOpenKeyset, adLockOptimistic);
    const QList<int> keys = {12, 10, 13, 11, 5000000, 7, 900000};
    cn->BeginTrans();
    for (int n : keys) {
        keyed.AddNew();
        keyed.SetValue("N", n);
        keyed.SetValue("T", QString("Riga %1").arg(n));
        keyed.Update();
        if (n == 11) cn->Execute("UPDATE ORDINE SET T='Cambiata' WHERE N=10");
    }
    int i = 0;
    for (keyed.MoveFirst(); !keyed.EOF_(); keyed.MoveNext(), ++i) {
        ASSERT_LT(i, keys.size());
        EXPECT_EQ(keyed["N"].toInt(), keys[i]);
        EXPECT_EQ(keyed["T"].toString(), QString("Riga %1").arg(keys[i]));
        EXPECT_EQ(EditError(keyed, "T", "Letta"), keys[i] == 10 ? E_ROWCHANGED : 0) << keys[i];
    }
    EXPECT_EQ(i, keys.size());
    cn->CommitTrans();
}

// Rows added and not read back yet meet the connection's other statements and
// recordsets: those see the rows, and a change they make to one is a change
// the adding recordset's later edit is refused for, as for any other writer.
TEST_F(Data, RowsAddedInATransactionMeetOtherStatements) {
    cn->Execute("CREATE TRIGGER rinvio AFTER INSERT ON TODO BEGIN UPDATE TODO SET PRIORITY=PRIORITY+1 WHERE ID<>new.ID; "
                "UPDATE ANAGRAFICA SET TITOLO='Dott.' WHERE ID=5; END");
    cn->Execute("CREATE TRIGGER fatto AFTER UPDATE OF SHORTDESC ON TODO BEGIN "
                "UPDATE ANAGRAFICA SET TITOLO='Ing.' WHERE ID=6; END");
    Recordset rs, more, todo;
    rs.Open("SELECT * FROM ANAGRAFICA WHERE ID=0", *cn, adOpenKeyset, adLockOptimistic);
    more.Open("SELECT * FROM ANAGRAFICA WHERE ID=0", *cn, adOpenKeyset, adLockOptimistic);
    todo.Open("SELECT * FROM TODO WHERE ID=0", *cn, adOpenKeyset, adLockOptimistic);
    auto add = [](Recordset& r, int id, const char* column, const QVariant& value) {
        r.AddNew();
        r.SetValue("ID", id);
        r.SetValue(column, value);
        r.Update();
    };
    cn->BeginTrans();
    for (int id = 1; id <= 3; ++id) {
        if (id == 3) add(more, 4, "COGNOME", "Altro");  // another recordset adding to the same table
        add(rs, id, "COGNOME", QString("Cognome %1").arg(id));
    }
    cn->Execute("UPDATE ANAGRAFICA SET NOME='Luigi' WHERE ID IN (1, 4)");
    Recordset count;
    count.Open("SELECT COUNT(*) FROM ANAGRAFICA WHERE COGNOME LIKE 'Cognome%'", *cn);
    EXPECT_EQ(count.Fields(0).Value().toInt(), 3);
    rs.MoveFirst();
    EXPECT_FALSE(rs["NOME"].isValid());  // as added, not as changed since
    EXPECT_EQ(EditError(rs, "COGNOME", "Neri"), E_ROWCHANGED);
    EXPECT_EQ(EditError(more, "COGNOME", "Neri"), E_ROWCHANGED);
    rs.MoveNext();
    EXPECT_EQ(EditError(rs, "NOME", "Anna"), 0);  // nobody changed this one
    rs.MoveNext();
    EXPECT_EQ(rs["COGNOME"].toString(), "Cognome 3");

    // An insert whose trigger changes other rows, of its table and another's.
    add(todo, 1, "PRIORITY", 5);
    add(rs, 5, "COGNOME", "Cognome 5");
    add(todo, 2, "PRIORITY", 1);
    EXPECT_EQ(todo["PRIORITY"].toInt(), 1);
    todo.MoveFirst();
    EXPECT_EQ(todo["PRIORITY"].toInt(), 5);
    EXPECT_EQ(EditError(todo, "SHORTDESC", "Chiamare"), E_ROWCHANGED);
    // An edit whose trigger changes another's row.
    add(rs, 6, "COGNOME", "Cognome 6");
    todo.MoveLast();
    EXPECT_EQ(EditError(todo, "SHORTDESC", "Chiamare"), 0);
    rs.MoveLast();
    for (int id : {6, 5}) {
        EXPECT_EQ(rs["ID"].toInt(), id);
        EXPECT_FALSE(rs["TITOLO"].isValid());
        EXPECT_EQ(EditError(rs, "NOME", "Anna"), E_ROWCHANGED);
        rs.MovePrevious();
    }
    cn->CommitTrans();
}

// Rows added in a transaction that is rolled back keep showing what was
// written, as when each was read back at once, but are never read again after
// it: the rowids are given out again, and another's row must not show through
// an old one. Rows left by a recordset closed or destroyed before the commit
// are simply let go.
TEST_F(Data, RowsAddedAndLeftAreNeverReadBackLater) {
    Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA WHERE ID=0", *cn, adOpenKeyset, adLockOptimistic);
    cn->BeginTrans();
    for (int id = 1; id <= 2; ++id) {
        rs.AddNew();
        rs.SetValue("ID", id);
        rs.SetValue("COGNOME", "Annullato");
        rs.Update();
    }
    cn->RollbackTrans();
    cn->BeginTrans();
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (7, 'Altro')");
    rs.MoveFirst();
    EXPECT_EQ(rs["ID"].toInt(), 1);
    EXPECT_EQ(rs["COGNOME"].toString(), "Annullato");
    rs.SetValue("COGNOME", "Neri");
    EXPECT_THROW(rs.Update(), Platform::BasicError);
    rs.CancelUpdate();
    {
        Recordset gone;
        gone.Open("SELECT * FROM ANAGRAFICA WHERE ID=0", *cn, adOpenKeyset, adLockOptimistic);
        gone.AddNew();
        gone.SetValue("ID", 8);
        gone.Update();
    }
    Recordset closed;
    closed.Open("SELECT * FROM ANAGRAFICA WHERE ID=0", *cn, adOpenKeyset, adLockOptimistic);
    closed.AddNew();
    closed.SetValue("ID", 9);
    closed.Update();
    closed.Close();
    cn->CommitTrans();
    Recordset ids;
    ids.Open("SELECT ID, COGNOME FROM ANAGRAFICA ORDER BY ID", *cn);
    QStringList seen;
    for (; !ids.EOF_(); ids.MoveNext()) seen << ids["ID"].toString() + ids["COGNOME"].toString();
    EXPECT_EQ(seen, QStringList({"7Altro", "8", "9"}));

    // A connection closed under a recordset with rows unread.
    std::unique_ptr<Connection> brief;
    ASSERT_TRUE(modAdoCommon::OpenConnection(brief, conn));
    Recordset left;
    left.Open("SELECT * FROM ANAGRAFICA WHERE ID=0", *brief, adOpenKeyset, adLockOptimistic);
    brief->BeginTrans();
    left.AddNew();
    left.SetValue("ID", 10);
    left.Update();
    brief.reset();
    EXPECT_EQ(left["ID"].toInt(), 10);
    left.Close();
}

TEST_F(Data, UpdatesSeeOtherWorkstationsChanges) {
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME) VALUES (1, 'Rossi', 'Mario')");
    std::unique_ptr<Connection> other;
    ASSERT_TRUE(modAdoCommon::OpenConnection(other, conn));
    Recordset mine;
    mine.Open("SELECT * FROM ANAGRAFICA WHERE ID=1", *cn, adOpenKeyset, adLockOptimistic);

    // A field the other did not touch is still written.
    other->Execute("UPDATE ANAGRAFICA SET NOME='Luigi' WHERE ID=1");
    mine.SetValue("COGNOME", "Verdi");
    qint32 err = 0;
    EXPECT_FALSE(modAdoCommon::UpdateRecordset(mine, &err));
    EXPECT_EQ(err, E_ROWCHANGED);
    EXPECT_TRUE(env.Prompts().last().startsWith("Un'altro utente ha già modificato i dati del record."));

    Recordset fresh;
    fresh.Open("SELECT * FROM ANAGRAFICA WHERE ID=1", *cn, adOpenKeyset, adLockOptimistic);
    other->Execute("DELETE FROM ANAGRAFICA WHERE ID=1");
    fresh.SetValue("COGNOME", "Neri");
    EXPECT_FALSE(modAdoCommon::UpdateRecordset(fresh, &err));
    EXPECT_EQ(err, E_NOCURRENTRECORD);
    EXPECT_EQ(env.Prompts().last(), "Nessun record corrente (cancellato da qualche altro utente?)");
}

TEST_F(Data, DuplicateKeyThroughTheUpdateIsReported) {
    Recordset rs;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI", *cn, 1, 3));
    rs.AddNew();
    rs.SetValue("UTENTE", "Admin");
    EXPECT_FALSE(modAdoCommon::UpdateRecordset(rs));
    EXPECT_EQ(env.Prompts().last(), "Tentativo di duplicare la chiave");
}

// The table locks send the same texts again and again, which the connection
// keeps prepared: each run takes its own values, a failed one leaves the next
// sound, a text of several statements runs whole, and a table made again is
// the one written.
TEST_F(Data, AStatementSentAgainRunsAsTheFirstTime) {
    const QString insert = "INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME) VALUES (?, 0, ?)";
    EXPECT_EQ(cn->Execute(insert, {1, "Rossi"}), 1);
    QString state;
    try {
        cn->Execute(insert, {1, "Bianchi"});
    } catch (const Platform::BasicError&) {
        state = cn->Errors().empty() ? QString() : cn->Errors().back().SQLState;
    }
    EXPECT_EQ(state, "3022");
    EXPECT_EQ(cn->Execute(insert, {2, "Verdi"}), 1);
    EXPECT_EQ(cn->Execute("DELETE FROM ANAGRAFICA WHERE COGNOME=?", {"Rossi"}), 1);
    EXPECT_EQ(cn->Execute("DELETE FROM ANAGRAFICA WHERE COGNOME=?", {"Rossi"}), 0);
    {
        Recordset names;
        names.Open("SELECT COGNOME FROM ANAGRAFICA", *cn);
        EXPECT_EQ(names["COGNOME"].toString(), "Verdi");
    }

    const QString two = "INSERT INTO LOCKS (COMPUTER, TABELLA) VALUES (?, 'A'); "
                        "INSERT INTO LOCKS (COMPUTER, TABELLA) VALUES (?, 'B')";
    EXPECT_EQ(cn->Execute(two, {"PC3", "PC3"}), 2);
    EXPECT_EQ(cn->Execute(two, {"PC4", "PC4"}), 2);

    cn->Execute("CREATE TABLE PROVA (N INTEGER)");
    const QString add = "INSERT INTO PROVA (N) VALUES (?)";
    cn->Execute(add, {1});
    cn->Execute("DROP TABLE PROVA");
    cn->Execute("CREATE TABLE PROVA (K TEXT, N INTEGER)");
    cn->Execute(add, {2});
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS C, MAX(N) AS M FROM PROVA", *cn);
    EXPECT_EQ(rs["C"].toInt(), 1);
    EXPECT_EQ(rs["M"].toInt(), 2);
    Recordset locks;
    locks.Open("SELECT COUNT(*) AS C FROM LOCKS", *cn);
    EXPECT_EQ(locks["C"].toInt(), 4);
}

TEST_F(Data, ASyntaxErrorListsTheEngineErrorsAndMayBeRetried) {
    Recordset rs;
    env.AnswerNext(Platform::vbRetry);
    env.AnswerNext(Platform::vbAbort);
    EXPECT_FALSE(modAdoCommon::OpenRecordset(rs, "SELECT FROM", *cn, 0, 3));
    ASSERT_EQ(env.Boxes().size(), 2);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Si sono verificati i seguenti errori ADO:\r\n3075 - "));
    EXPECT_EQ(env.Boxes()[0].style, 2);
    Global::gNoMessages = false;
    env.ClearBoxes();
    EXPECT_FALSE(modAdoCommon::OpenRecordset(rs, "SELECT FROM", *cn, 0, 3, true));
    EXPECT_TRUE(env.Boxes().isEmpty());
}

namespace {
// Another process holds the database file in a write transaction for a while.
QProcess* HoldLock(const QString& file, double seconds) {
    auto* p = new QProcess;
    p->start("/usr/bin/python3",
             {"-c", QString("import sqlite3,time,sys\n"
                            "c=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                            "c.execute('BEGIN EXCLUSIVE')\n"
                            "print('locked',flush=True)\n"
                            "time.sleep(%1)\n"
                            "c.execute('COMMIT')\n")
                        .arg(seconds),
              file});
    p->waitForReadyRead(10000);
    return p;
}
}  // namespace

TEST_F(Data, ALockThatClearsIsRetriedWithoutAMessage) {
    std::unique_ptr<QProcess> holder(HoldLock(env.DatabaseFile(), 0.5));
    Recordset rs;
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI", *cn, 0, 3));
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_FALSE(rs.EOF_());
    holder->waitForFinished();
}

TEST_F(Data, AQuietLockGivesUpAfterTheThirdFailure) {
    std::unique_ptr<QProcess> holder(HoldLock(env.DatabaseFile(), 4));
    Recordset rs;
    EXPECT_FALSE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI", *cn, 0, 3, true));
    EXPECT_TRUE(env.Boxes().isEmpty());
    Global::gNoMessages = false;
    // Not quiet: after three failures the question; Cancel gives up.
    env.AnswerNext(Platform::vbCancel);
    EXPECT_FALSE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI", *cn, 0, 3));
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].prompt,
              "Record bloccato da un'altro utente. Attendere e ritentare oppure annullare ed uscire.");
    EXPECT_EQ(env.Boxes()[0].style, 37);
    holder->kill();
    holder->waitForFinished();
}

TEST_F(Data, AFileHeldExclusivelyIsReportedAndCanBeRetried) {
    auto* p = new QProcess;
    std::unique_ptr<QProcess> holder(p);
    p->start("/usr/bin/python3", {"-c",
                                  "import sqlite3,time,sys\n"
                                  "c=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                                  "c.execute('PRAGMA locking_mode=EXCLUSIVE')\n"
                                  "c.execute('BEGIN EXCLUSIVE')\n"
                                  "print('held',flush=True)\n"
                                  "time.sleep(30)\n",
                                  env.DatabaseFile()});
    p->waitForReadyRead(10000);
    std::unique_ptr<Connection> other;
    env.AnswerNext(Platform::vbCancel);
    EXPECT_FALSE(modAdoCommon::OpenConnection(other, conn));
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Il database definito dalla stringa di connessione '" + conn +
                                            "' è già aperto in modo esclusivo da un'altro utente."));
    EXPECT_EQ(env.Boxes()[0].style, 5);
    // Quiet, the question counts as answered OK: no retry.
    env.ClearBoxes();
    EXPECT_FALSE(modAdoCommon::OpenConnection(other, conn, true));
    EXPECT_TRUE(env.Boxes().isEmpty());
    p->kill();
    p->waitForFinished();
    Global::gNoMessages = false;
}

TEST_F(Data, BadFilesGiveTheMessageAndFalse) {
    auto tryOpen = [&](const QString& file) {
        env.ClearBoxes();
        std::unique_ptr<Connection> c;
        bool ok = modAdoCommon::OpenConnection(c, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
        EXPECT_EQ(env.Boxes().size(), 1) << file.toStdString();
        return ok;
    };
    QFile text(env.Root() + "/testo.mdb");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("questo non è un archivio, solo testo scritto a mano per prova.");
    text.close();
    EXPECT_FALSE(tryOpen(text.fileName()));
    EXPECT_TRUE(env.Prompts().last().contains("3343"));
    EXPECT_FALSE(tryOpen(env.Root() + "/nessuna/Brivalto.mdb"));

    QFile::copy(env.DatabaseFile(), env.Root() + "/tronco.mdb");
    QFile truncated(env.Root() + "/tronco.mdb");
    ASSERT_TRUE(truncated.resize(1500));
    EXPECT_FALSE(tryOpen(truncated.fileName()));

    // Nothing was changed in the files that could not be opened.
    QFile check(text.fileName());
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_TRUE(check.readAll().startsWith("questo non"));
    EXPECT_EQ(QFileInfo(truncated.fileName()).size(), 1500);
}

TEST_F(Data, AReadOnlyFileIsRefused) {
    QFile::copy(env.DatabaseFile(), env.Root() + "/sola.mdb");
    QFile::setPermissions(env.Root() + "/sola.mdb", QFile::ReadOwner);
    if (QFileInfo(env.Root() + "/sola.mdb").isWritable()) GTEST_SKIP() << "running as root: every file can be written";
    std::unique_ptr<Connection> c;
    EXPECT_FALSE(modAdoCommon::OpenConnection(c, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.Root() + "/sola.mdb"));
    EXPECT_EQ(env.Boxes().size(), 1);
}

TEST_F(Data, ForwardOnlyAndKeysetCursors) {
    for (int i = 1; i <= 5; ++i) cn->Execute("INSERT INTO ANAGRAFICA (ID) VALUES (?)", {i});
    Recordset fwd;
    fwd.Open("SELECT ID FROM ANAGRAFICA ORDER BY ID", *cn);
    int n = 0;
    while (!fwd.EOF_()) {
        ++n;
        fwd.MoveNext();
    }
    EXPECT_EQ(n, 5);
    Recordset keyset;
    keyset.Open("SELECT * FROM ANAGRAFICA ORDER BY ID", *cn, adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(keyset.RecordCount(), 5);
    keyset.MoveLast();
    EXPECT_EQ(keyset["ID"].toInt(), 5);
    keyset.MovePrevious();
    EXPECT_EQ(keyset["ID"].toInt(), 4);
    keyset.Delete();
    EXPECT_EQ(keyset["ID"].toInt(), 5);
    keyset.MoveFirst();
    EXPECT_TRUE(keyset.BOF() == false);
    EXPECT_EQ(keyset["ID"].toInt(), 1);
}

// The check before an update compares what the engine stored, so values it
// keeps in its own form are no change by another workstation.
TEST_F(Data, StoredFormsAreNoChangeByAnotherUser) {
    Recordset rs;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI WHERE UTENTE='LUCA'", *cn, 1, 3));
    rs.AddNew();
    rs.SetValue("UTENTE", "LUCA");
    rs.SetValue("ISADMIN", 1);  // kept as -1
    ASSERT_TRUE(modAdoCommon::UpdateRecordset(rs));
    EXPECT_EQ(rs["ISADMIN"].toBool(), true);
    rs.SetValue("PASSWORD", "x");
    qint32 err = 0;
    EXPECT_TRUE(modAdoCommon::UpdateRecordset(rs, &err)) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(err, 0);

    // A time finer than a millisecond, written by SQL, survives a read and an edit.
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, U_MOD) VALUES (1, 'Rossi', 46000.123456789012)");
    Recordset card;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(card, "SELECT * FROM ANAGRAFICA WHERE ID=1", *cn, 1, 3));
    card.SetValue("NOME", "Anna");
    EXPECT_TRUE(modAdoCommon::UpdateRecordset(card, &err)) << env.Prompts().join("|").toStdString();
    card.SetValue("NOME", "Bruna");
    EXPECT_TRUE(modAdoCommon::UpdateRecordset(card, &err));
    Recordset back;
    back.Open("SELECT NOME, U_MOD FROM ANAGRAFICA WHERE ID=1", *cn);
    EXPECT_EQ(back["NOME"].toString(), "Bruna");
    back.Close();

    // A real change by another workstation is still seen.
    std::unique_ptr<Connection> other;
    ASSERT_TRUE(modAdoCommon::OpenConnection(other, conn));
    other->Execute("UPDATE ANAGRAFICA SET U_MOD=U_MOD+0.000001 WHERE ID=1");
    card.SetValue("NOME", "Carla");
    EXPECT_FALSE(modAdoCommon::UpdateRecordset(card, &err));
    EXPECT_EQ(err, E_ROWCHANGED);
}

// A statement that failed after the engine had already rolled back reports
// its own failure, not that no transaction was left to roll back.
TEST_F(Data, ARollbackAfterTheEngineGaveUpKeepsTheRealError) {
    cn->Execute("CREATE TRIGGER pieno BEFORE INSERT ON ANACAT BEGIN SELECT RAISE(ROLLBACK, 'disco pieno'); END");
    cn->BeginTrans();
    cn->Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('1', 'Clienti')");
    QString message;
    try {
        cn->Execute("INSERT INTO ANACAT (ANA_ID, CAT_CODICE) VALUES (1, '1')");
    } catch (const Platform::BasicError& e) {
        message = e.Description();
    }
    EXPECT_FALSE(cn->InTransaction());
    EXPECT_NO_THROW(cn->RollbackTrans());
    EXPECT_TRUE(message.contains("disco pieno")) << message.toStdString();
    EXPECT_TRUE(cn->Errors().back().Description.contains("disco pieno"));
    Recordset rs;
    rs.Open("SELECT COUNT(*) FROM CATEGORIE", *cn);
    EXPECT_EQ(rs.Fields(0).Value().toInt(), 0);
}

// A forward-only read takes its columns from the engine's row only when asked:
// the row it shows must stay the one read, whatever runs meanwhile.
TEST_F(Data, AForwardOnlyRowKeepsItsValuesWhileTheConnectionWrites) {
    for (int id = 1; id <= 3; ++id)
        cn->Execute(QString("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME, U_MOD) VALUES (%1, 0, 'Nome %1', #01/02/2026#)").arg(id));
    Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA ORDER BY ID", *cn);
    Field& surname = rs.Fields("COGNOME");
    cn->Execute("UPDATE ANAGRAFICA SET COGNOME='Cambiato' WHERE ID<=2");
    cn->Execute("DELETE FROM ANAGRAFICA WHERE ID=1");
    EXPECT_EQ(rs["cognome"].toString(), "Nome 1");
    EXPECT_EQ(rs["U_MOD"].toDateTime().date(), QDate(2026, 1, 2));
    rs.MoveNext();
    EXPECT_EQ(surname.Value().toString(), "Cambiato");  // a field kept aside follows the row
    EXPECT_EQ(rs[QString("ID")].toInt(), 2);
    rs.MoveLast();
    EXPECT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["ID"].toInt(), 3);
    EXPECT_EQ(surname.Value().toString(), "Nome 3");
    rs.MoveNext();
    EXPECT_TRUE(rs.EOF_());
    EXPECT_FALSE(rs.Fields("ID").Value().isValid());
    // A connection closed under an open read leaves the read's last values.
    Recordset again;
    again.Open("SELECT COGNOME FROM ANAGRAFICA WHERE ID=3", *cn);
    cn->Close();
    EXPECT_EQ(again["COGNOME"].toString(), "Nome 3");
}

// A field keeps its value until the recordset moves and reuses what it can
// from row to row; values taken before a move keep the row they came from.
TEST_F(Data, AFieldReadAgainAfterAMoveShowsTheNewRow) {
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME, CITTA) VALUES (1, 'Rossi Lunghissimo', 'Anna', 'Roma')");
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME, CITTA) VALUES (2, 'Bo', NULL, 'Forlì')");
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME, CITTA) VALUES (3, '', 'Carla', 'Ñ')");
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME, CITTA) VALUES (4, 'Verdi', 'Dora', 'Pisa')");
    Recordset rs;
    rs.Open("SELECT ID, COGNOME, NOME, CITTA, ID * 4294967296 AS GRANDE FROM ANAGRAFICA ORDER BY ID", *cn);
    const QVariant kept = rs["COGNOME"];
    const QString keptText = rs["CITTA"].toString();
    EXPECT_EQ(rs["GRANDE"].typeId(), QMetaType::LongLong);
    rs.MoveNext();
    EXPECT_EQ(rs["COGNOME"].toString(), "Bo");
    EXPECT_TRUE(rs["NOME"].isNull());
    EXPECT_EQ(rs["CITTA"].toString(), "Forlì");
    EXPECT_EQ(rs["ID"].typeId(), QMetaType::Int);
    EXPECT_EQ(kept.toString(), "Rossi Lunghissimo");
    EXPECT_EQ(keptText, "Roma");
    rs.MoveNext();
    EXPECT_TRUE(rs["COGNOME"].toString().isEmpty());
    EXPECT_FALSE(rs["COGNOME"].isNull());
    EXPECT_EQ(rs["NOME"].toString(), "Carla");
    EXPECT_EQ(rs["CITTA"].toString(), "Ñ");
    rs.MoveNext();
    EXPECT_EQ(rs["COGNOME"].toString(), "Verdi");
    EXPECT_EQ(rs["CITTA"].toString(), "Pisa");
    EXPECT_EQ(rs["GRANDE"].toLongLong(), 4 * 4294967296LL);

    // An assignment lasts until the move: the next row shows what is stored.
    Recordset keyset;
    keyset.Open("SELECT * FROM ANAGRAFICA ORDER BY ID", *cn, adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(keyset["NOME"].toString(), "Anna");
    keyset.SetValue("NOME", "Cambiata");
    EXPECT_EQ(keyset["NOME"].toString(), "Cambiata");
    keyset.MoveNext();
    EXPECT_TRUE(keyset["NOME"].isNull());
    EXPECT_TRUE(keyset.Fields("NOME").OriginalValue().isNull());
    keyset.MovePrevious();
    EXPECT_EQ(keyset["NOME"].toString(), "Anna");
    EXPECT_EQ(keyset.Fields("NOME").OriginalValue().toString(), "Anna");
}

// A name written in the code finds its field by any case, on each recordset
// by that recordset's own columns, and a buffer reused for another name finds
// the other field.
TEST_F(Data, ANameFindsItsFieldOnEachRecordset) {
    cn->Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, NOME) VALUES (1, 'Rossi', 'Mario')");
    Recordset a, b;
    a.Open("SELECT COGNOME, NOME FROM ANAGRAFICA", *cn);
    b.Open("SELECT NOME, COGNOME FROM ANAGRAFICA", *cn);
    for (int round = 0; round < 2; ++round) {
        for (const char* name : {"COGNOME", "cognome", "Cognome"}) {
            EXPECT_EQ(a[name].toString(), "Rossi") << name;
            EXPECT_EQ(b[name].toString(), "Rossi") << name;
        }
        EXPECT_EQ(a["NOME"].toString(), "Mario");
        EXPECT_EQ(b["NOME"].toString(), "Mario");
    }
    char buffer[16];
    std::strcpy(buffer, "NOME");
    EXPECT_EQ(a[buffer].toString(), "Mario");
    std::strcpy(buffer, "COGNOME");
    EXPECT_EQ(a[buffer].toString(), "Rossi");
    std::strcpy(buffer, "Nome");
    EXPECT_EQ(a[buffer].toString(), "Mario");
    std::strcpy(buffer, "ETA");
    EXPECT_THROW(a[buffer], Platform::BasicError);

    // Opened again on other columns, the recordset forgets the old ones.
    a.Open("SELECT ID, NOME FROM ANAGRAFICA", *cn);
    EXPECT_EQ(a["NOME"].toString(), "Mario");
    EXPECT_THROW(a["COGNOME"], Platform::BasicError);
}
