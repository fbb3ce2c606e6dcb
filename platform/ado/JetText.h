#pragma once
// Jet's rules for text inside the engine: the JETNOCASE collation and LIKE,
// both blind to case and accents. The same code is the program's and the
// loadable extension's (libbrivalto_sqlite.so), so the sqlite3 shell and
// other SQLite tools order, filter and check the database as the program does.

#include <QString>

struct sqlite3;

namespace ADODB {

// Case and accents folded, so 'FORLÌ' = 'Forlì' = 'forli'.
QString Fold(const QString& s);

// LIKE with % and _ on text already folded, in time proportional to the
// lengths' product at worst.
bool LikeMatch(const QString& text, const QString& pattern);

// Registers JETNOCASE and like() on a connection; the engine's result code.
int RegisterJetText(sqlite3* db);

}  // namespace ADODB
