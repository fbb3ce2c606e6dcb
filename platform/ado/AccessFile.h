#pragma once
// Real Access database files (Jet 3/4, ACE), read through mdbtools: every
// table of the file, system tables included, copied into a private
// in-memory database that the program then reads. Nothing is written back.

#include <QString>

struct sqlite3;

namespace ADODB {

// Whether the file begins as an Access database does (not one of ours).
bool IsAccessFile(const QString& file);

// A new in-memory database holding the file's tables, or nullptr with the
// reason. Column types: whole numbers, real numbers, text.
// `prepare` readies the new database (collations, functions) before the
// tables are made.
sqlite3* ReadAccessFile(const QString& file, void (*prepare)(sqlite3*), QString* why);

}  // namespace ADODB
