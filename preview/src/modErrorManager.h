// The library's daily text log.
#pragma once

#include <QString>

namespace Pagivex::modErrorManager {

// Base folder of the logs: SetLogFolder wins, then $PAGIVEX_LOG_DIR, then the folder of the
// user and workstation (modGlobals::WorkFolder).
void SetLogFolder(const QString& folder);
QString LogFolder();

// Today's log file (base + "PagivexLog" + yyyy + "/" + MM + "/" + dd + ".log").
QString TodayLogFile();

// Appends one stamped line; failures are ignored.
void WriteLog(const QString& line);

QString GetSystemInfoText();

}  // namespace Pagivex::modErrorManager
