// Cost of the data layer beside the engine's own interface (not a test).
#include "ADODB.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {
const int kRows = 100000;

double LayerInsert(const QString& file) {
    ADODB::Connection cn;
    cn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
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

double RawInsert(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    sqlite3_create_collation(db, "JETNOCASE", SQLITE_UTF8, nullptr,
                             [](void*, int n1, const void* a, int n2, const void* b) {
                                 int r = memcmp(a, b, std::min(n1, n2));
                                 return r ? r : n1 - n2;
                             });
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

double LayerOpenFirst(const QString& file) {
    ADODB::Connection cn;
    cn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
    QElapsedTimer t;
    t.start();
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM ANAGRAFICA", cn);
    volatile int id = rs["ID"].toInt();
    (void)id;
    return t.nsecsElapsed() / 1e6;
}

double RawOpenFirst(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
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
    QTemporaryDir dir;
    const QString layerFile = dir.path() + "/layer.mdb", rawFile = dir.path() + "/raw.mdb";
    if (!Schema::CreateDeliveredDatabase(layerFile)) return 1;
    QFile::copy(layerFile, rawFile);
    const double layer = LayerInsert(layerFile), raw = RawInsert(rawFile);
    std::printf("insert %d rows (AddNew/Update, one transaction): layer %.0f ms, raw %.0f ms, ratio %.2f\n", kRows, layer,
                raw, layer / raw);
    const double open = LayerOpenFirst(layerFile), rawOpen = RawOpenFirst(rawFile);
    std::printf("open a %d-row table and read the first row: layer %.2f ms, raw %.2f ms\n", kRows, open, rawOpen);
    return layer / raw <= 3.0 ? 0 : 2;
}
