#include "AccessFile.h"

#include "ReaderProcess.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <sqlite3.h>

namespace ADODB {

bool IsAccessFile(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(20);
    return head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB";
}

sqlite3* ReadAccessFile(const QString& file, void (*prepare)(sqlite3*), QString* why, int seconds) {
    auto fail = [why](const QString& reason) -> sqlite3* {
        if (why) *why = reason;
        return nullptr;
    };
    QByteArray output;
    int status = 0;
    // The database the reader hands back is about as large as the tables of
    // the file; more than a few times the file is a reader gone astray.
    const qint64 size = QFileInfo(file).size();
    if (!Reader::Run(Reader::Program(QStringLiteral("brivalto-mdbread")), {file, QString::number(seconds)},
                     QStringLiteral("Access"), seconds, 256LL * 1024 * 1024 + 8 * size, output, status, why))
        return nullptr;
    const qsizetype head = qsizetype(sizeof Access::kStreamHead - 1);
    const QString broken = QStringLiteral("risposta del lettore dei file Access non valida");
    if (!output.startsWith(Access::kStreamHead) || output.size() <= head) return fail(broken);
    if (output[head] == 'X') return fail(QString::fromUtf8(output.constData() + head + 1, output.size() - head - 1));
    if (output[head] != 'D' || status != 0) return fail(broken);

    const sqlite3_int64 length = output.size() - head - 1;
    auto* image = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(length)));
    if (!image) return fail(QStringLiteral("memoria insufficiente per le tabelle del file Access"));
    std::memcpy(image, output.constData() + head + 1, size_t(length));
    output.clear();
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (prepare) prepare(db);
    // The engine takes the image over, freeing it with the connection.
    bool ok = sqlite3_deserialize(db, "main", image, length, length,
                                  SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) == SQLITE_OK;
    // The image comes from a process that read a damaged file: it is checked
    // whole before anything relies on it.
    sqlite3_stmt* check = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
         sqlite3_step(check) == SQLITE_ROW && sqlite3_column_text(check, 0) &&
         std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") == 0;
    sqlite3_finalize(check);
    if (!ok) {
        sqlite3_close(db);
        return fail(broken);
    }
    return db;
}

}  // namespace ADODB
