#pragma once
#include "Form.h"

class QLabel;

// Quick entry of one activity, the only window of a "/Q" start.
class frmQuickContatto : public Platform::Form {
    Q_OBJECT
public:
    frmQuickContatto();
    QLabel* lblUtente;

protected:
    void Form_Load() override;
};
