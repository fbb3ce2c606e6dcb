#pragma once
#include "Form.h"

#include <memory>

class QComboBox;
class QListWidget;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// Which registry records a user without "tutte le anagrafiche" may see.
class frmAssociaClientiUtenti : public Platform::Form {
    Q_OBJECT
public:
    frmAssociaClientiUtenti();
    ~frmAssociaClientiUtenti() override;
    QComboBox* cbUtenti;
    QListWidget* lsCLienti;
    Platform::MultiButton* cmdAssociaCLiente;
    Platform::MultiButton* cmdEliminaAssociazione;
    Platform::MultiButton* cmdEsci;

    void cbUtenti_Click();
    void cmdAssociaCLiente_Click();
    void cmdEliminaAssociazione_Click();
    void cmdEsci_Click();

protected:
    void Form_Load() override;

private:
    std::unique_ptr<ADODB::Connection> cn_;
};
