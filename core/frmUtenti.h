#pragma once
#include "Form.h"

#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// Users and the permissions each holds.
class frmUtenti : public Platform::Form {
    Q_OBJECT
public:
    frmUtenti();
    ~frmUtenti() override;
    QListWidget* lsUtenti;
    QLineEdit* txUserName;
    QLineEdit* txPassword;
    QCheckBox* ckIsAdmin;
    QListWidget* lsPermessi;
    Platform::MultiButton* cmdNuovo;
    Platform::MultiButton* cmdConferma;
    Platform::MultiButton* cmdElimina;
    Platform::MultiButton* cmdEsci;

    void lsUtenti_Click();
    void cmdNuovo_Click();
    void cmdConferma_Click();
    void cmdElimina_Click();
    void cmdEsci_Click();

protected:
    void Form_Load() override;

private:
    void Modified();
    void ClearFields();
    void SelectUser(int row);
    std::unique_ptr<ADODB::Connection> cn_;
    bool loading_ = false;
};
