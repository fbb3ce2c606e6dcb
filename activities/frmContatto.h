#pragma once
#include "DatePicker.h"
#include "Form.h"
#include "RowAsRead.h"

#include <QDateTime>
#include <array>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
namespace Platform { class ComboBox; class MultiButton; }
namespace ADODB { class Connection; }
namespace Tessivo { class _qvxSMS2; }

// The activity card: one row of CONTATTI entered or edited, with its local
// reminder, up to two SMS reminders handed to the gateway as deferred sends
// and, for an SMS activity, the SMS itself sent at the save.
//
// Callers show it modally: after ClearFields (a new activity) or through
// ReadRecord (an existing one). When it hides, Tag "KILL" means cancelled or
// closed and "" saved; the caller then reads its fields and unloads it.
class frmContatto : public Platform::Form {
    Q_OBJECT
public:
    frmContatto();
    ~frmContatto() override;

    // Open while the card is loaded; the mobile-number prompt writes through it.
    std::unique_ptr<ADODB::Connection> cn;
    bool mAvviso1Sent = false;
    bool mAvviso2Sent = false;
    QString mCellulare;  // the person's mobile number, for the SMS sent at once
    // Set by the agenda for a new appointment: a blank description is refused.
    bool DescrizioneRichiesta = false;

    QLabel* lbIdContatto;
    QLabel* lbUtente;
    QLabel* lbUtenteUltimaModifica;
    QLabel* lbU_Mod;
    Platform::ComboBox* cbTipo;
    std::array<QLabel*, 2> Label1;  // (1) is the caption of the description
    QLineEdit* txID;
    Platform::MultiButton* cmdRicerca;
    QLabel* lbRagSoc;
    QLineEdit* txIDAzienda;
    QLineEdit* txLuogo;
    QPlainTextEdit* txDescrizione;
    QPlainTextEdit* txNote;
    Platform::DateTimePicker* dpData;
    QSpinBox* txGiorni;  // whole days of the duration
    Platform::TimePicker* dpDurata;
    QCheckBox* ckAvviso;
    Platform::ComboBox* cbMinuti;
    QCheckBox* ckSMS;
    QCheckBox* ckPromemoriaRemoto;
    QGroupBox* frPromemoriaRemoto;
    QLabel* Label2;
    QLabel* lbCellMail;
    QLineEdit* txCellMail;
    QPlainTextEdit* txMessaggio;
    QLabel* lbChars;
    std::array<QLineEdit*, 2> txQuanti;
    std::array<Platform::ComboBox*, 2> cbCosa;
    QCheckBox* ck2ndAvviso;
    QLabel* lbGiaInviato;  // lbGiàInviato
    QCheckBox* Check1;
    Tessivo::_qvxSMS2* qvxSMS = nullptr;
    Platform::MultiButton* cmdConferma;
    Platform::MultiButton* cmdAnnulla;

    // Loads one activity (a clean card first) and shows the card modally.
    void ReadRecord(qint32 idcont, const QString& user);
    // Resets the card for a new activity; does not show it.
    void ClearFields();
    qint32 NuovaIDCONT();
    void Modifica();

    void cmdConferma_Click();
    void cmdAnnulla_Click();
    void cmdRicerca_Click();
    void txID_LostFocus();
    void txDescrizione_LostFocus();
    void cbTipo_Click();
    void ckPromemoriaRemoto_Click();
    void ck2ndAvviso_Click();
    void txMessaggio_Change();
    void Check1_Click();

    // The send time of remote reminder k (0 or 1) from the start and its lead;
    // invalid when no unit is chosen.
    QDateTime ReminderTime(int k) const;
    // The code of the chosen activity type; "" when none is chosen.
    QString TipoScelto() const;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool TextsFit();
    bool RemindersReady(std::array<QDateTime, 2>& times);
    // Hands the reminders not yet with the gateway to it; a refusal is told
    // once, with the control's reason, and the reminder waits for the next save.
    void SendReminders(const std::array<QDateTime, 2>& times);
    bool SmsReady();
    // True when the control took the message; otherwise `reason` says why.
    bool Send(const QString& number, const QString& message, const QDateTime& deferred, QString* reason = nullptr);
    bool WriteRow(const std::array<QDateTime, 2>& times);
    // The write under the table lock. When the stored row is no longer the
    // one the card read, nothing is written and `meanwhile` gets it.
    bool WriteLocked(const std::array<QDateTime, 2>& times, RowAsRead& meanwhile);
    // The statement that finds the card's row (its number and owner).
    QString RowSql(QVariantList& params) const;
    // Whether the save may write over the row as stored now: it is still the
    // one the card read, or the user chose to overwrite what another
    // workstation saved meanwhile (the row then counts as read).
    bool OverwriteAccepted(const RowAsRead& stored);
    // A reminder the stored row records as sent is with the gateway, whatever
    // the card read before: the card takes it as sent, with its stored time,
    // number and text.
    void TakeSentReminders(const RowAsRead& stored);
    // The reminder text the card proposes for its type, start and sender.
    QString DefaultReminderText() const;
    // A proposed reminder text the user has not edited follows the card.
    void FollowReminderText();
    // Cancelling with unsaved changes asks first, with the card in sight.
    bool DiscardConfirmed();
    void ShowPerson();
    void ShowReminderState();
    void SetLead(int k, const QDateTime& start, const QDateTime& time);

    bool loading_ = false;
    QString smsUnavailable_;  // why the SMS control could not be made
    bool smsSent_ = false;  // the SMS of this activity went out at an earlier, unfinished save
    std::array<QDateTime, 2> sentTimes_;  // stored times of reminders already with the gateway
    RowAsRead read_;        // the activity as the card read it; empty for a new one
    RowAsRead personRead_;  // the person as the lookup read it
    QString proposedText_;  // the reminder text as the card last proposed it
    QDateTime proposedStart_;  // the start whose date and time the card last wrote into the text
};
