#pragma once
// Stand-ins for the outside programs the original drove by automation.
// Each answers whether it is present on this machine; absence is not an error.

#include <QString>

namespace Platform {

// The outside fax program: a fax command (HylaFAX's "sendfax") on PATH.
bool FaxProgramAvailable();
QString FaxProgramPath();

// The system fax service: a spool folder named by BRIVALTO_FAX_SPOOL that
// exists and can be written.
bool FaxServiceAvailable();
QString FaxSpoolFolder();

}  // namespace Platform
