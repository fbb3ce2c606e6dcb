// brivalto-mdbread FILE [SECONDS]: reads a real Access database (Jet 3/4,
// ACE) through mdbtools, every table, system tables included, into an
// in-memory database of the engine, and writes that database's image on
// standard output as AccessFile.h describes. It runs apart from the program
// because a damaged file can make the library crash or loop without end:
// here that ends this program only.
#include "AccessFile.h"
#include "JetText.h"
#include "ReaderProcess.h"
#include "Values.h"

#include <QDate>
#include <cmath>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <mdbtools.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// The stream goes out on a copy of the standard output; the library's own
// prints, which the standard output takes, go nowhere.
int gStream = STDOUT_FILENO;

bool Write(const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(gStream, data, size_t(size));
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

int Fail(const QString& why) {
    const QByteArray text = why.toUtf8();
    Write(ADODB::Access::kStreamHead, qint64(sizeof ADODB::Access::kStreamHead - 1));
    Write("X", 1);
    Write(text.constData(), text.size());
    return 1;
}

QString Quoted(const QString& name) { return "\"" + QString(name).replace('"', "\"\"") + "\""; }

const char* SqlType(int mdbType) {
    switch (mdbType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT: return "INTEGER";
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
    case MDB_MONEY: return "REAL";
    // Stored as the engine's date serials, so that a date reads as a date.
    case MDB_DATETIME: return "DATETIME";
    default: return "TEXT COLLATE JETNOCASE";
    }
}

// Access shows and compares dates to the second; what the serial holds
// past it is no part of the date.
double ToTheSecond(double serial) {
    QDateTime when = Platform::SerialToDate(serial);
    const int ms = when.time().msec();
    return Platform::DateToSerial(when.addMSecs(ms >= 500 ? 1000 - ms : -ms));
}

// Whether every page the table's map lists lies within the file's `pages`:
// a page past its end is a part of the table that is gone, which the
// library would pass over as the table's end.
bool PagesInFile(MdbHandle* mdb, MdbTableDef* table, qint64 pages) {
    // Maps of other kinds are read page by page, to the file's end.
    if (!table->usage_map || table->map_sz < 1 || table->usage_map[0] > 1) return true;
    for (gint32 page = 0;;) {
        const gint32 next = mdb_map_find_next(mdb, table->usage_map, unsigned(table->map_sz), guint32(page));
        if (next == 0) return true;
        if (next <= page || next >= pages) return false;
        page = next;
    }
}

// One table copied row by row; false, with the reason, when it cannot be
// read whole. `rowsLeft` is the number of rows the whole file could hold: a
// table that yields more goes round its pages without end.
bool CopyTable(MdbHandle* mdb, MdbCatalogEntry* entry, sqlite3* db, qint64 pages, qint64& rowsLeft, QString& why) {
    const QString tableName = QString::fromUtf8(entry->object_name);
    const QString damaged = QStringLiteral("la tabella '%1' non è leggibile: il file Access è danneggiato").arg(tableName);
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) {
        why = damaged;
        return false;
    }
    if (!PagesInFile(mdb, table, pages)) {
        mdb_free_tabledef(table);
        why = damaged;
        return false;
    }
    mdb_read_columns(table);
    mdb_rewind_table(table);
    const int n = int(table->num_cols);
    QStringList columns, marks;
    std::vector<int> types(n);
    std::vector<MdbColumn*> cols(n);
    for (int j = 0; j < n; ++j) {
        auto* col = cols[j] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, j));
        types[j] = col->col_type;
        columns << Quoted(QString::fromUtf8(col->name)) + " " + SqlType(col->col_type);
        marks << "?";
    }
    const QString name = Quoted(tableName);
    bool ok = n > 0 && sqlite3_exec(db, ("CREATE TABLE " + name + " (" + columns.join(", ") + ")").toUtf8().constData(),
                                    nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    const QByteArray sql = ("INSERT INTO " + name + " VALUES (" + marks.join(",") + ")").toUtf8();
    ok = ok && sqlite3_prepare_v2(db, sql.constData(), sql.size(), &insert, nullptr) == SQLITE_OK;
    std::vector<std::vector<char>> bound(n, std::vector<char>(MDB_BIND_SIZE + 1));
    std::vector<int> lengths(n);
    for (int j = 0; ok && j < n; ++j) mdb_bind_column(table, j + 1, bound[j].data(), &lengths[j]);
    bool endless = false, badDate = false;
    while (ok && mdb_fetch_row(table)) {
        if (--rowsLeft < 0) {
            endless = true;
            break;
        }
        for (int j = 0; j < n; ++j) {
            if (lengths[j] <= 0 || types[j] == MDB_OLE) {
                sqlite3_bind_null(insert, j + 1);
                continue;
            }
            const QByteArray text(bound[j].data(), qMin(lengths[j], int(MDB_BIND_SIZE)));
            const char* type = SqlType(types[j]);
            if (type[0] == 'D') {
                // The date as the file stores it, the engine's own serial: the
                // library's text cannot tell a day before 30/12/1899.
                const double serial = cols[j]->cur_value_len >= 8 ? mdb_pg_get_double(mdb, cols[j]->cur_value_start) : NAN;
                if (!Platform::IsDateSerial(serial)) {
                    badDate = true;
                    break;
                }
                sqlite3_bind_double(insert, j + 1, ToTheSecond(serial));
            } else if (type[0] == 'I') {
                sqlite3_bind_int64(insert, j + 1, text.toLongLong());
            } else if (type[0] == 'R') {
                sqlite3_bind_double(insert, j + 1, text.toDouble());
            } else {
                sqlite3_bind_text(insert, j + 1, text.constData(), text.size(), SQLITE_TRANSIENT);
            }
        }
        if (badDate) break;
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    mdb_free_tabledef(table);
    if (endless) why = QStringLiteral("la tabella '%1' ha più righe di quante il file ne possa contenere").arg(tableName);
    if (badDate) why = damaged;
    return !endless && !badDate;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    gStream = ::dup(STDOUT_FILENO);
    if (gStream < 0) return 1;
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (nowhere >= 0) ::dup2(nowhere, STDOUT_FILENO);
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 120;
    const qint64 size = QFileInfo(QString::fromLocal8Bit(argv[1])).size();
    // What reading the file can need: the library's pages and the copy of
    // every table, a few times the file at most, and a second of work for
    // every megabyte many times over. A damaged file can make the library
    // go round its pages without end, complaining, taking no more memory:
    // the processor time is what ends that soon.
    const qint64 megabytes = size / (1024 * 1024);
    ADODB::Reader::LimitThisProcess(int(qMin<qint64>(seconds, 15 + megabytes)), 512LL * 1024 * 1024 + 8 * size);

    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb) return Fail(QStringLiteral("file Access non leggibile"));
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        return Fail(QStringLiteral("catalogo del file Access non leggibile"));
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    ADODB::RegisterJetText(db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    // A row takes a few bytes of its page at the least.
    qint64 rowsLeft = size / 4;
    const qint64 pages = size / mdb->fmt->pg_size;
    // Every table the catalogue lists is read whole, or the file is refused naming it.
    QString why;
    for (unsigned i = 0; i < mdb->num_catalog && why.isEmpty(); ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE) CopyTable(mdb, entry, db, pages, rowsLeft, why);
    }
    mdb_close(mdb);
    if (!why.isEmpty()) return Fail(why);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_int64 length = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &length, 0);
    if (!image) return Fail(QStringLiteral("memoria insufficiente per le tabelle del file Access"));
    const bool written = Write(ADODB::Access::kStreamHead, qint64(sizeof ADODB::Access::kStreamHead - 1)) &&
                         Write("D", 1) && Write(reinterpret_cast<const char*>(image), length);
    sqlite3_free(image);
    sqlite3_close(db);
    return written ? 0 : 1;
}
