#pragma once
#include "Form.h"
#include "Widgets.h"

// Progress of long work: callers set PB's maximum and value.
class frmProgress : public Platform::Form {
    Q_OBJECT
public:
    frmProgress();
    Platform::ProgressBar* PB;

protected:
    void Form_Load() override;
};
