#pragma once
#include "Form.h"
#include "LiveUpdt.h"

class QCheckBox;

// Hosts the update control and the "check at start-up" option.
class frmUpdate : public Platform::Form {
    Q_OBJECT
public:
    frmUpdate();
    Platform::LiveUpdt* LU;
    QCheckBox* ckAutoUpdate;

    // Shows the window modally; returns when it closes.
    static void ShowUpdate();
    // The update server's base address (BRIVALTO_UPDATE_URL overrides it).
    static QString BaseAddress();

protected:
    void Form_Load() override;

private:
    void ckAutoUpdate_Click();
};
