#include "Automation.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace Platform {

QString FaxProgramPath() { return QStandardPaths::findExecutable(QStringLiteral("sendfax")); }
bool FaxProgramAvailable() { return !FaxProgramPath().isEmpty(); }

QString FaxSpoolFolder() { return qEnvironmentVariable("BRIVALTO_FAX_SPOOL"); }

bool FaxServiceAvailable() {
    QFileInfo spool(FaxSpoolFolder());
    return !FaxSpoolFolder().isEmpty() && spool.isDir() && spool.isWritable();
}

}  // namespace Platform
