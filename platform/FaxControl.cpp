#include "FaxControl.h"

#include "Automation.h"

namespace Platform {

qvxFAX::qvxFAX(QObject* parent) : QObject(parent) {
    CoverExt = FaxServiceAvailable() && !FaxProgramAvailable() ? QStringLiteral(".cov") : QStringLiteral(".rtf");
}

}  // namespace Platform
