#pragma once
#include "Form.h"

class QLabel;

// The small borderless window shown while long work runs.
class frmAttesa : public Platform::Form {
    Q_OBJECT
public:
    frmAttesa();
    QLabel* lblAttesa;

protected:
    void Form_Load() override;
};
