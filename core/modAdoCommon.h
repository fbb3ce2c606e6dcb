#pragma once
// The one place where the program opens connections and recordsets and
// writes rows: engine errors become the program's Italian messages, locks
// held by another workstation are retried before the user is asked, and
// every operation answers true or false; no database error escapes.

#include "ADODB.h"

#include <QString>
#include <functional>
#include <memory>

namespace modAdoCommon {

bool OpenConnection(std::unique_ptr<ADODB::Connection>& cn, const QString& connString, bool quiet = false,
                    qint32 mode = 19);
bool OpenRecordset(ADODB::Recordset& rs, const QString& sql, ADODB::Connection& cn, qint32 cursorType = 0,
                   qint32 lockType = 3, bool quiet = false, const QVariantList& params = {});
bool UpdateRecordset(ADODB::Recordset& rs, qint32* errNumber = nullptr, std::function<void()> reloadRoutine = {});
// dbType 0: a database file; 1: a database server; 2: an Excel workbook.
bool OpenDataSource(std::unique_ptr<ADODB::Connection>& cn, const QString& dbName, int dbType, const QString& user,
                    const QString& password, bool trusted, const QString& server, bool quiet, qint32 mode);
int ShowAdoErrors(ADODB::Connection& cn, const QString& trailer, int buttons);
int ShowMessage(const QString& prompt, int buttons);
void WaitSeconds(float seconds);

// The pause between retries of a locked record, in seconds (tests shorten it).
extern float RetryPauseSeconds;

// The connection string of a data source (exposed for its tests).
QString DataSourceString(const QString& dbName, int dbType, const QString& password, bool trusted,
                         const QString& server);

}  // namespace modAdoCommon
