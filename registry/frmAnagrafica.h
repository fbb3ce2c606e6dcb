#pragma once
#include "Form.h"
#include "RowAsRead.h"

#include <QStringList>
#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
namespace Platform { class ComboBox; class DatePicker; class MultiButton; }
namespace ADODB { class Connection; }

// The registry card: one record of ANAGRAFICA with its categories.
class frmAnagrafica : public Platform::Form {
    Q_OBJECT
public:
    frmAnagrafica();
    ~frmAnagrafica() override;

    QLabel* lbID;
    Platform::ComboBox* cbCategoria;
    QListWidget* lsCatMer;
    Platform::ComboBox* cbTitolo;
    QLineEdit* txCognome;
    QLineEdit* txNome;
    QLineEdit* txContatto;
    QLineEdit* txIDAzienda;
    QLineEdit* txAzienda;
    QLineEdit* txIndirizzo;
    QLineEdit* txCAP;
    QLineEdit* txCitta;  // txCittà
    QLineEdit* txProv;
    QLineEdit* txNazione;
    QLineEdit* txEmail;
    QLineEdit* txTelefono;
    QLineEdit* txCellulare;
    QLineEdit* txTelefonoCasa;
    QLineEdit* txFax;
    QGroupBox* Frame1;
    std::array<QRadioButton*, 3> opPreferenza;
    Platform::DatePicker* dpDatNas;
    QPlainTextEdit* txNote;
    std::array<QLabel*, 4> lbfreefield;
    std::array<QLineEdit*, 4> txFreeField;
    Platform::MultiButton* cmdNuovo;
    Platform::MultiButton* cmdRicerca;
    Platform::MultiButton* cmdSalva;
    Platform::MultiButton* cmdElimina;
    Platform::MultiButton* cmdCopiaScheda;
    Platform::MultiButton* cmdFine;
    Platform::MultiButton* Command1;
    Platform::MultiButton* cmdFirst;
    Platform::MultiButton* cmdPrevious;
    Platform::MultiButton* cmdNext;
    Platform::MultiButton* cmdLast;
    Platform::MultiButton* cmdAnaUte;
    Platform::MultiButton* cmdTabCatMer;

    bool Loading = false;
    QStringList CategoryCodes;

    void CleanFields();
    void LoadCombos();
    void Modificato();
    void ReadRecord(qint32 id);
    qint32 NuovaIDANA();

    void cmdSalva_Click();
    void cmdNuovo_Click();
    void cmdCopiaScheda_Click();
    void cmdElimina_Click();
    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void cmdRicerca_Click();
    void Command1_Click();
    void cmdTabCatMer_Click();
    void cmdAnaUte_Click();
    void cmdFine_Click();
    void txCognome_LostFocus();
    void txAzienda_LostFocus();
    void cbTitolo_LostFocus();
    void txFax_LostFocus();
    void txIDAzienda_LostFocus();
    void opPreferenza_Click(int index);

    int HeightTwips() const { return heightTwips_; }

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

private:
    bool ConfirmDiscard();
    // The save's work under the table lock. When the stored row is no longer
    // the one the card read, nothing is written and `meanwhile` gets it.
    void SaveLocked(RowAsRead& meanwhile);
    // Reads the record the statement finds, or beeps when it finds none; asks
    // first about an edit not saved unless `ask` is false.
    void Navigate(const QString& sql, const QVariantList& params = {}, bool ask = true);
    qint32 CurrentId() const;
    std::unique_ptr<ADODB::Connection> cn_;
    RowAsRead read_;  // the record as the card read it; empty for a new card
    int heightTwips_ = 7680;
};
