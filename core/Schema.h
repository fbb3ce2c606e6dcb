#pragma once
// The base tables the database file is delivered with; the upgrade adds
// everything else at the first starts.

#include <QStringList>

namespace ADODB { class Connection; }

namespace Schema {
// The statements that make the delivered tables and their rows.
QStringList BaseTableStatements();
// Makes a delivered database file: the base tables, upgraded to this version.
bool CreateDeliveredDatabase(const QString& file, QString* error = nullptr);
// Whether a file is a whole database: an empty or cut file is not, and must
// be refused before anything is written into it.
bool IsWholeDatabase(const QString& file);
}
