#pragma once
// Loads the SMS control from its library at run time.

#include "qvxSMS2/qvxSMS2.h"

namespace Tessivo {

// Finds libqvxSMS2.so at libraryPath, or in the program folder when the path
// is empty, and makes a control on parent. Returns nullptr and fills error
// when the library or its factory cannot be loaded.
_qvxSMS2* LoadControl(QWidget* parent, const QString& libraryPath = QString(),
                      QString* error = nullptr);

}  // namespace Tessivo
