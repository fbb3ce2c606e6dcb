#pragma once
#include "Form.h"

#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
namespace Platform { class ComboBox; class ListView; class MultiButton; }
namespace ADODB { class Connection; }

// The one window through which registry records are found and picked.
// Tag is the chosen record's seven-digit identifier, "" for no choice.
class frmCercaAnagrafica : public Platform::Form {
    Q_OBJECT
public:
    frmCercaAnagrafica();
    ~frmCercaAnagrafica() override;

    QGroupBox* Frame1;
    QLineEdit* txNome;
    std::array<QRadioButton*, 2> opConfronto;
    QLineEdit* txIDAzienda;
    QLabel* lbDesAzienda;
    Platform::MultiButton* cmdCercaAzienda;
    QLineEdit* txEmail;
    QLineEdit* txCAP;
    QLineEdit* txCitta;  // txCittà
    Platform::ComboBox* cbCategoria;
    Platform::ComboBox* cbTitolo;
    Platform::ListView* LV;
    Platform::MultiButton* cmdAggiorna;
    Platform::MultiButton* cmdSeleziona;
    Platform::MultiButton* cmdAnnulla;
    Platform::MultiButton* cmdInserisci;
    Platform::MultiButton* cmdImporta;
    Platform::MultiButton* cmdStampaLista;
    Platform::MultiButton* cmdEsportaLista;

    bool RowsChecked = false;
    bool RestrictedView() const { return restricted_; }

    void cmdAggiorna_Click();
    void cmdSeleziona_Click();
    void cmdAnnulla_Click();
    void cmdCercaAzienda_Click();
    void txIDAzienda_LostFocus();
    void cmdInserisci_Click();
    void cmdImporta_Click();
    void cmdStampaLista_Click();

    // The search's statement and its bound values, from the filters.
    QString SearchSql(QVariantList& params) const;

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetColumnWidths();
    std::unique_ptr<ADODB::Connection> cn_;
    bool restricted_ = false;
};
