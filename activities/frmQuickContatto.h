#pragma once
#include "DatePicker.h"
#include "Form.h"

#include <array>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
namespace Platform { class ComboBox; class MultiButton; }
namespace ADODB { class Connection; }

// Quick entry of one call or visit, the only window of a "/Q" start: the
// acting user is the INI file's QUICKUSER, and the program ends after one
// saved activity, on "esci" or when the window is closed.
class frmQuickContatto : public Platform::Form {
    Q_OBJECT
public:
    frmQuickContatto();
    ~frmQuickContatto() override;

    Platform::ComboBox* cbClienti;
    QGroupBox* Frame1;
    QLabel* lbCliente;
    QLabel* lbIdAzienda;
    std::array<QRadioButton*, 2> opTipo;  // 0 visita, 1 telefonata
    Platform::DateTimePicker* dpData;
    QPlainTextEdit* txDescrizione;
    Platform::MultiButton* cmdConferma;
    Platform::MultiButton* cmdFine;
    Platform::MultiButton* cmdDettagli;

    // Type-ahead: refills the combo with the customers starting with its text.
    void SelCli(QComboBox* combo, bool keepClosed);
    void CompilaClienti(QComboBox* combo, const QString& text);
    qint32 NuovaIDCONT();

    void cbClienti_Change();
    void cbClienti_Click();
    void cmdConferma_Click();
    void cmdFine_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

private:
    std::unique_ptr<ADODB::Connection> cn_;
    bool busy_ = false;
};
