#include "qvxSMS2.h"

extern "C" Tessivo::_qvxSMS2* qvxSMS2_Create(QWidget* parent) {
    return new Tessivo::qvxSMS2(parent);
}
