#include "qvxSMS2.h"

extern "C" Q_DECL_EXPORT Tessivo::_qvxSMS2* qvxSMS2_Create(QWidget* parent) {
    return new Tessivo::qvxSMS2(parent);
}
