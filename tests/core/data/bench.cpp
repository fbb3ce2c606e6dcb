// Cost of the data layer beside the engine's own interface (not a test):
// adding rows through AddNew/Update against the engine's prepared inserts,
// and reading a table forward-only against the engine's step loop. The
// inserts go in rounds, the layer and the engine alternated, each round's
// ratio printed with the load average.
// Usage: data_bench [rounds]
#include "ADODB.h"
#include "BenchReport.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

namespace {
const int kRows = 100000;
const QString kJet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";

double LayerInsert(const QString& file) {
    ADODB::Connection cn;
    cn.Open(kJet + file);
    QElapsedTimer t;
    t.start();
    cn.BeginTrans();
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA WHERE ID=0", cn, ADODB::adOpenKeyset, ADODB::adLockOptimistic);
    for (int i = 1; i <= kRows; ++i) {
        rs.AddNew();
        rs.SetValue("ID", i);
        rs.SetValue("COGNOME", QString("Rossi %1").arg(i));
        rs.SetValue("NOME", "Mario");
        rs.SetValue("CITTA", "Forlì");
        rs.Update();
    }
    cn.CommitTrans();
    return t.nsecsElapsed() / 1e6;
}

// The engine alone, with the file's own collation (the program's JETNOCASE,
// the same code the loadable extension ships): the indexes on the text
// columns are kept in that order whoever writes them.
sqlite3* OpenRaw(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    ADODB::RegisterJetText(db);
    return db;
}

double RawInsert(const QString& file) {
    sqlite3* db = OpenRaw(file);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ANAGRAFICA (ID, COGNOME, NOME, CITTA) VALUES (?,?,?,?)", -1, &st, nullptr);
    for (int i = 1; i <= kRows; ++i) {
        QByteArray surname = QString("Rossi %1").arg(i).toUtf8();
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_text(st, 2, surname.constData(), surname.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, "Mario", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 4, "Forlì", -1, SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

// Every row of the table, four of its columns read as the program reads them.
double LayerRead(const QString& file, long* sum) {
    ADODB::Connection cn;
    cn.Open(kJet + file);
    QElapsedTimer t;
    t.start();
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA", cn);
    long total = 0;
    while (!rs.EOF_()) {
        total += rs["ID"].toInt();
        for (const char* c : {"COGNOME", "NOME", "CITTA"}) total += rs[c].toString().isEmpty() ? 0 : 1;
        rs.MoveNext();
    }
    *sum = total;
    return t.nsecsElapsed() / 1e6;
}

double RawRead(const QString& file, long* sum) {
    sqlite3* db = OpenRaw(file);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM ANAGRAFICA", -1, &st, nullptr);
    int id = -1, surname = -1, name = -1, city = -1;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const char* c = sqlite3_column_name(st, i);
        if (!strcmp(c, "ID")) id = i;
        if (!strcmp(c, "COGNOME")) surname = i;
        if (!strcmp(c, "NOME")) name = i;
        if (!strcmp(c, "CITTA")) city = i;
    }
    long total = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        total += sqlite3_column_int(st, id);
        for (int c : {surname, name, city}) {
            const unsigned char* text = sqlite3_column_text(st, c);
            total += text && sqlite3_column_bytes(st, c) ? 1 : 0;
        }
    }
    sqlite3_finalize(st);
    *sum = total;
    double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

double LayerOpenFirst(const QString& file) {
    ADODB::Connection cn;
    cn.Open(kJet + file);
    QElapsedTimer t;
    t.start();
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA", cn);
    volatile int id = rs["ID"].toInt();
    (void)id;
    return t.nsecsElapsed() / 1e6;
}

double RawOpenFirst(const QString& file) {
    sqlite3* db = OpenRaw(file);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM ANAGRAFICA", -1, &st, nullptr);
    sqlite3_step(st);
    volatile int id = sqlite3_column_int(st, 0);
    (void)id;
    sqlite3_finalize(st);
    double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString empty = dir.path() + "/empty.mdb";
    if (!Schema::CreateDeliveredDatabase(empty)) return 1;
    // Each round writes a fresh copy of the empty file through each, the
    // layer and the engine alternated; the ratio is taken within a round.
    std::vector<double> layer, raw, inserts;
    std::vector<std::string> loads;
    QString filled;
    for (int run = 0; run < rounds; ++run) {
        const QString a = dir.path() + QString("/layer%1.mdb").arg(run), b = dir.path() + QString("/raw%1.mdb").arg(run);
        QFile::copy(empty, a);
        QFile::copy(empty, b);
        loads.push_back(Bench::Load());
        layer.push_back(LayerInsert(a));
        raw.push_back(RawInsert(b));
        inserts.push_back(layer.back() / raw.back());
        std::printf("  round %d, load %s: AddNew/Update %s, engine %s = %s\n", run + 1, loads.back().c_str(),
                    Bench::Ms(layer.back()).c_str(), Bench::Ms(raw.back()).c_str(), Bench::Ratio(inserts.back()).c_str());
        std::fflush(stdout);
        filled = a;
    }
    const double insert = Bench::Median(layer), rawInsert = Bench::Median(raw);
    std::vector<double> reads, rawReads;
    long sum = 0, rawSum = 0;
    for (int run = 0; run < 5; ++run) {
        reads.push_back(LayerRead(filled, &sum));
        rawReads.push_back(RawRead(filled, &rawSum));
    }
    if (sum != rawSum) {
        std::printf("the layer read other values than the engine (%ld against %ld)\n", sum, rawSum);
        return 1;
    }
    const double read = Bench::Median(reads), rawRead = Bench::Median(rawReads);
    const double open = LayerOpenFirst(filled), rawOpen = RawOpenFirst(filled);

    Bench::Title("data_bench: the data layer beside the engine (medians)");
    Bench::Figure("AddNew/Update, 100,000 rows, one transaction",
                  Bench::Ms(insert) + ", " + Bench::Ratios(inserts, loads),
                  "engine's prepared inserts (file's collation) " + Bench::Ms(rawInsert) + "; goal <= 1.5x");
    Bench::Figure("forward-only read, 100,000 rows, 4 columns",
                  Bench::Ms(read) + " = " + Bench::Ratio(read / rawRead) + " engine",
                  "engine's step loop " + Bench::Ms(rawRead) + "; goal <= 1.5x");
    Bench::Figure("open 100,000 rows, read the first", Bench::Ms(open),
                  "engine " + Bench::Ms(rawOpen) + "; goal: as the engine");
    return 0;
}
