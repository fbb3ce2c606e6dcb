#include "AccessFile.h"

#include <QFile>
#include <QStringList>
#include <mdbtools.h>
#include <sqlite3.h>
#include <vector>

namespace ADODB {

bool IsAccessFile(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(20);
    return head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB";
}

namespace {

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
    default: return "TEXT COLLATE JETNOCASE";
    }
}

// One table copied row by row; false when the table cannot be read.
bool CopyTable(MdbHandle* mdb, MdbCatalogEntry* entry, sqlite3* db) {
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) return false;
    mdb_read_columns(table);
    mdb_rewind_table(table);
    const int n = int(table->num_cols);
    QStringList columns, marks;
    std::vector<int> types(n);
    for (int j = 0; j < n; ++j) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, j));
        types[j] = col->col_type;
        columns << Quoted(QString::fromUtf8(col->name)) + " " + SqlType(col->col_type);
        marks << "?";
    }
    const QString name = Quoted(QString::fromUtf8(entry->object_name));
    bool ok = n > 0 && sqlite3_exec(db, ("CREATE TABLE " + name + " (" + columns.join(", ") + ")").toUtf8().constData(),
                                    nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    const QByteArray sql = ("INSERT INTO " + name + " VALUES (" + marks.join(",") + ")").toUtf8();
    ok = ok && sqlite3_prepare_v2(db, sql.constData(), sql.size(), &insert, nullptr) == SQLITE_OK;
    std::vector<std::vector<char>> bound(n, std::vector<char>(MDB_BIND_SIZE + 1));
    std::vector<int> lengths(n);
    for (int j = 0; ok && j < n; ++j) mdb_bind_column(table, j + 1, bound[j].data(), &lengths[j]);
    while (ok && mdb_fetch_row(table)) {
        for (int j = 0; j < n; ++j) {
            if (lengths[j] <= 0 || types[j] == MDB_OLE) {
                sqlite3_bind_null(insert, j + 1);
                continue;
            }
            const QByteArray text(bound[j].data(), qMin(lengths[j], int(MDB_BIND_SIZE)));
            const char* type = SqlType(types[j]);
            if (type[0] == 'I') sqlite3_bind_int64(insert, j + 1, text.toLongLong());
            else if (type[0] == 'R') sqlite3_bind_double(insert, j + 1, text.toDouble());
            else sqlite3_bind_text(insert, j + 1, text.constData(), text.size(), SQLITE_TRANSIENT);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    mdb_free_tabledef(table);
    return ok;
}

}  // namespace

sqlite3* ReadAccessFile(const QString& file, void (*prepare)(sqlite3*), QString* why) {
    MdbHandle* mdb = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
    if (!mdb) {
        if (why) *why = QStringLiteral("file Access non leggibile");
        return nullptr;
    }
    mdb_set_date_fmt(mdb, "%d/%m/%Y %H:%M:%S");
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        if (why) *why = QStringLiteral("catalogo del file Access non leggibile");
        return nullptr;
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (prepare) prepare(db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE) CopyTable(mdb, entry, db);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    mdb_close(mdb);
    return db;
}

}  // namespace ADODB
