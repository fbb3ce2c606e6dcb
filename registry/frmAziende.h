#pragma once
#include "Form.h"

#include <array>
#include <memory>

class QGroupBox;
class QLineEdit;
class QRadioButton;
namespace Platform { class ComboBox; class ListView; class MultiButton; }
namespace ADODB { class Connection; }

// Finding a company among the registry records; Tag is its seven-digit
// identifier, "" when nothing was chosen.
class frmAziende : public Platform::Form {
    Q_OBJECT
public:
    frmAziende();
    ~frmAziende() override;
    QGroupBox* Frame1;
    QLineEdit* txNome;
    QLineEdit* txCitta;  // txCittà
    QLineEdit* txCAP;
    Platform::ComboBox* cbCategoria;
    std::array<QRadioButton*, 2> opConfronto;
    Platform::ListView* LV;
    Platform::MultiButton* cmdAggiorna;
    Platform::MultiButton* cmdSeleziona;
    Platform::MultiButton* cmdAnnulla;

    void cmdAggiorna_Click();
    void cmdSeleziona_Click();
    void cmdAnnulla_Click();
    void LV_DblClick();

    // The search's statement and its bound values, from the filters.
    QString SearchSql(QVariantList& params) const;

protected:
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;

private:
    std::unique_ptr<ADODB::Connection> cn_;
};
