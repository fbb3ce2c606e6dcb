#pragma once
// Real Access database files (Jet 3/4, ACE), read through mdbtools: every
// table of the file, system tables included, copied into a private
// in-memory database that the program then reads. Nothing is written back.
// The library runs in a program of its own (brivalto-mdbread), so that a
// damaged file that makes it crash or loop ends that program, not this one.

#include <QString>

struct sqlite3;

namespace ADODB {

// Whether the file begins as an Access database does (not one of ours).
bool IsAccessFile(const QString& file);

// A new in-memory database holding the file's tables, or nullptr with the
// reason. Column types: whole numbers, real numbers, dates, text.
// `prepare` readies the new database (collations, functions) before the
// tables are put in it. The reader is given `seconds` at most.
sqlite3* ReadAccessFile(const QString& file, void (*prepare)(sqlite3*), QString* why, int seconds = 120);

namespace Access {
// What brivalto-mdbread writes on its standard output: this header, then
// 'D' and the image of the database it made, or 'X' and why the file could
// not be read (UTF-8).
inline constexpr char kStreamHead[] = "BMDB\x01";
}  // namespace Access

}  // namespace ADODB
