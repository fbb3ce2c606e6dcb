#pragma once
// The program's settings window: sender, fax, e-mail, SMS, agenda and
// general options, stored per user; the agenda's hours and slot also go to
// the running agenda.

#include "DatePicker.h"
#include "Form.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QTabWidget;
namespace Platform {
class MultiButton;
class qvxFAX;
}  // namespace Platform

class frmConfigura : public Platform::Form {
    Q_OBJECT
public:
    frmConfigura();

    QTabWidget* tabConfig;
    // Sender.
    QLineEdit* txAzienda;
    QLineEdit* txIndirizzo;
    QLineEdit* txCAP;
    QLineEdit* txCittà;
    QLineEdit* txProvincia;
    QLineEdit* txNazione;
    QLineEdit* txContatto;
    QLineEdit* txTel;
    QLineEdit* txFax;
    // Fax.
    QLineEdit* txPrefix;
    QLineEdit* txCoverPage;
    Platform::MultiButton* cmdBrowseCoverPage;
    Platform::qvxFAX* FAX;
    // E-mail.
    QLineEdit* txIndirizzoMail;
    QLineEdit* txNomeMail;
    QLineEdit* txServerMail;
    QCheckBox* ckAutenticazione;
    QGroupBox* frAutenticazione;
    QLineEdit* txUserName;
    QLineEdit* txPassword;
    // SMS.
    QGroupBox* frSMS;
    QLineEdit* txSMSUser;
    QLineEdit* txSMSPassword;
    QLineEdit* txMittente;
    // Agenda.
    Platform::TimePicker* dpDaOra;
    Platform::TimePicker* dpAOra;
    QComboBox* cbIntervallo;
    // General.
    QLineEdit* txStdObj;
    QLineEdit* txStdNote;
    QCheckBox* ckAutoUpdate;
    Platform::MultiButton* cmdCampiPersonalizzati;
    Platform::MultiButton* cmdUtenti;

    Platform::MultiButton* cmdConferma;
    Platform::MultiButton* cmdAnnulla;

    // The open-file dialog: (title, filter) -> chosen file, "" when cancelled.
    std::function<QString(const QString& title, const QString& filter)> ShowOpen;

    void ckAutenticazione_Click();
    void txAzienda_LostFocus();
    void cmdBrowseCoverPage_Click();
    void dpDaOra_Validate(bool& cancel);
    void dpAOra_Validate(bool& cancel);
    void cmdConferma_Click();
    void cmdAnnulla_Click();
    void cmdCampiPersonalizzati_Click();
    void cmdUtenti_Click();

protected:
    void Form_Load() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool TimesInOrder();
};
