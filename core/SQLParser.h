#pragma once
// One SQL text for several engines: "@" macros become each dialect's own
// booleans, date comparisons, date values, null tests and character codes.

#include <QString>
#include <cstdint>

namespace ADODB { class Connection; }

namespace SQLParser {
// 1 Jet, 2 SQL Server, 3 Oracle, 0 other; also stored in gDbType.
std::int32_t GetDbType(ADODB::Connection& cn);
std::int32_t DbTypeOfProvider(const QString& provider);
// The text for the connection's dialect; "" after a syntax error (shown).
QString ParseSQL(const QString& sql, ADODB::Connection& cn);
// The same with the dialect given (what ParseSQL does once it knows it).
QString ParseSQLFor(const QString& sql, std::int32_t dbType);
QString NumToSql(const QString& number);
}
