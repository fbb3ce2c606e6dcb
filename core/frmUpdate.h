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

    // Updating from a shared folder; the start-up check does not use them. The folder holds
    // the program's file, named as the program is, and the descriptor "update.ver" with its
    // version and set-up, as the update server does.
    // True when the program's file is in the folder.
    bool IsExeOnServer(QString path);
    // True when the program's file is there and the descriptor offers a newer version.
    bool CheckNewServerVersion(QString path);
    // Tells the user, then starts the set-up the descriptor names as the update check starts
    // one; a failure is told with its number and cause.
    void RunInstallFromServer(QString path);

protected:
    void Form_Load() override;

private:
    void ckAutoUpdate_Click();
};
