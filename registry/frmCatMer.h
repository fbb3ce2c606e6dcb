#pragma once
#include "Form.h"

#include <memory>

class QLineEdit;
class QListWidget;
namespace Platform { class MultiButton; }
namespace ADODB { class Connection; }

// The product categories registry records are linked to.
class frmCatMer : public Platform::Form {
    Q_OBJECT
public:
    frmCatMer();
    ~frmCatMer() override;
    QListWidget* lsCatMer;
    QLineEdit* txCodice;
    QLineEdit* txDescrizione;
    Platform::MultiButton* cmdNuovo;
    Platform::MultiButton* cmdConferma;
    Platform::MultiButton* cmdElimina;
    Platform::MultiButton* cmdEsci;

    void lsCatMer_Click();
    void cmdNuovo_Click();
    void cmdConferma_Click();
    void cmdElimina_Click();
    void cmdEsci_Click();

    QString NewCategoryCode();

protected:
    void Form_Load() override;

private:
    void Changed();
    bool Selected() const;
    std::unique_ptr<ADODB::Connection> cn_;
    bool filling_ = false;
    // The code this window proposed for the new category ("" when none).
    QString proposedCode_;
};
