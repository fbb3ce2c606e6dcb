#pragma once
#include "Form.h"

#include <array>

class QLabel;
class QLineEdit;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// Sign-in, with the change of password below it.
class frmLogin : public Platform::Form {
    Q_OBJECT
public:
    frmLogin();
    QLineEdit* txtUserName;
    QLineEdit* txtPassword;
    std::array<QLineEdit*, 2> txNuovaPassword;
    std::array<QLabel*, 4> Label;
    Platform::MultiButton* cmdOK;
    Platform::MultiButton* cmdCancel;
    Platform::MultiButton* cmdCambiaPassword;

    // Set by the caller before showing the window; every query runs on it.
    ADODB::Connection* LoginConnection = nullptr;

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdCambiaPassword_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool ChangeMode() const;
    void SetHeightTwips(int twips);
    void PlaceButtonsTwips(int top);
    void SignIn();
    // The user who proved the old password in the change mode.
    QString provenUser_;
    QString provenPassword_;
};
