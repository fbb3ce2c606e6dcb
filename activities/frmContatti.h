#pragma once
#include "Form.h"

#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class cTooltip;
namespace Platform { class ComboBox; class DatePicker; class ListView; class MultiButton; }
namespace ADODB { class Connection; }

// The activity list: the rows of CONTATTI that match the filters, from which
// an activity is opened in the card, started, deleted or the list printed.
// Items are keyed "K" & number & "/" & user, as activity numbers are unique
// per user only.
class frmContatti : public Platform::Form {
    Q_OBJECT
public:
    frmContatti();
    ~frmContatti() override;

    QGroupBox* frSelezione;
    std::array<QLabel*, 7> Label1;
    Platform::ComboBox* cbUtenti;
    QLineEdit* txIDAzienda;
    QLabel* lbAzienda;
    Platform::MultiButton* cmdCercaAzienda;
    QLineEdit* txID;
    QLabel* lbRagSoc;
    Platform::MultiButton* cmdRicerca;
    Platform::ComboBox* cbTipo;
    QLineEdit* txContent;
    Platform::DatePicker* dpDaData;
    Platform::DatePicker* dpAData;
    Platform::ListView* LV;
    Platform::MultiButton* cmdAggiorna;
    Platform::MultiButton* cmdNuovo;
    Platform::MultiButton* cmdModifica;
    Platform::MultiButton* cmdElimina;
    Platform::MultiButton* cmdStampa;
    Platform::MultiButton* cmdEsci;

    void cmdAggiorna_Click();
    void cmdNuovo_Click();
    void cmdModifica_Click();
    void LV_DblClick();
    void cmdElimina_Click();
    void cmdStampa_Click();
    void cmdRicerca_Click();
    void cmdCercaAzienda_Click();
    void cmdEsci_Click();
    void txID_LostFocus();
    void txIDAzienda_LostFocus();
    // x in pixels from the list's left edge.
    void LV_MouseMove(int x);

    // The refresh's statement and its bound values, from the filters.
    QString ListSql(QVariantList& params) const;
    // The activity number and user of an item's key ("K12/ROSSI").
    static qint32 KeyNumber(const QString& key);

    cTooltip* Tooltip() const { return tip_.get(); }

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Until the user sets widths of his own (stored from an earlier use, or
    // dragged now), the columns share the list's width by their content.
    void FitColumns();

    std::unique_ptr<ADODB::Connection> cn_;
    std::unique_ptr<cTooltip> tip_;
    bool ownWidths_ = false;
    bool fitting_ = false;
};
