#pragma once
#include "Form.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
namespace Platform { class ComboBox; class CommonDialog; class DatePicker; class ListView; class MultiButton; class qvxFAX; class SMTP; }
namespace ADODB { class Connection; class Recordset; }
namespace Tessivo { class _qvxSMS2; }

// The window from which a mailing is prepared and sent: the recipient list
// built by filters or picked in the registry search, the document, subject,
// note and SMS text, the send mode, and the run over the list.
class frmMailing : public Platform::Form {
    Q_OBJECT
public:
    frmMailing();
    ~frmMailing() override;

    // The window's own connection; the export window borrows it.
    std::unique_ptr<ADODB::Connection> cn;
    // The HTML file of an HTML e-mail body (written by the HTML body window).
    QString HtmlFile;
    // The last error event of the SMTP component or of the fax control.
    QString LastSendError;
    // The SMTP component of the e-mail channel, made anew for every message.
    std::shared_ptr<Platform::SMTP> SM;
    // CATEGORIE.CODICE of each entry of lsCatMer, same index.
    QStringList CategoryCodes;

    // Recipient filters.
    QGroupBox* Frame1;
    QCheckBox* ckCAP;
    QLineEdit* txCAP;
    QCheckBox* ckProvincia;
    QLineEdit* txProvincia;
    QCheckBox* ckCategoria;
    Platform::ComboBox* cbCategoria;
    QCheckBox* ckCatMer;
    QListWidget* lsCatMer;
    QCheckBox* ckCitta;  // ckCittà
    QLineEdit* txCitta;  // txCittà
    QCheckBox* ckNazione;
    QLineEdit* txNazione;
    QCheckBox* ckDatNas;
    Platform::DatePicker* dpDaData;
    Platform::DatePicker* dpAData;
    QCheckBox* ckID;
    QLineEdit* txID;
    QCheckBox* ckCompleanno;
    Platform::DatePicker* dpCompleanno;
    Platform::MultiButton* cmdAdd;
    Platform::MultiButton* cmdCercaID;
    Platform::MultiButton* cmdRemove;
    Platform::MultiButton* cmdVuotaLista;

    // The recipient list: item text = the registry ID, key "K" & ID.
    Platform::ListView* LV;
    QLabel* lbNumSchede;

    // Document, subject and note.
    QLineEdit* txNomeFile;
    Platform::MultiButton* cmdBrowse;
    Platform::MultiButton* cmdCreateRTF;
    QGroupBox* Frame3;
    QLineEdit* txSubject;
    QPlainTextEdit* txText;
    std::array<QRadioButton*, 2> opTipoMail;
    Platform::MultiButton* cmdHTML;
    QCheckBox* ckNoCoverPage;
    Platform::MultiButton* cmdFaxCover;

    // Send mode and SMS.
    QGroupBox* Frame2;
    std::array<QRadioButton*, 8> opTipoInvio;
    QGroupBox* frSMS;
    QPlainTextEdit* txMessaggio;
    QLabel* lbChars;
    QLabel* Label4;
    QLineEdit* txOggettoEmail;

    Platform::MultiButton* cmdEtichette;
    Platform::MultiButton* cmdExport;
    Platform::MultiButton* cmdGo;
    Platform::MultiButton* cmdEsci;

    // The SMS control (null when its library could not be loaded).
    Tessivo::_qvxSMS2* qvxSMS = nullptr;
    // The fax control.
    Platform::qvxFAX* FAX;
    // The document chooser.
    std::unique_ptr<Platform::CommonDialog> CD;

    // Event procedures.
    void opTipoInvio_Click(int index);
    void opTipoMail_Click();
    void txCAP_Change();
    void txCitta_Change();  // txCittà_Change
    void txID_Change();
    void txNazione_Change();
    void txMessaggio_Change();
    void cbCategoria_Click();
    void cmdBrowse_Click();
    void cmdCreateRTF_Click();
    void cmdFaxCover_Click();
    void cmdHTML_Click();
    void cmdEtichette_Click();
    void cmdExport_Click();
    void cmdEsci_Click();
    void FAX_OnError(const QString& text);
    void SM_OnError(int number, const QString& description);
    // The address without the characters an address cannot hold.
    static QString CleanEMail(const QString& address);
    // The HTML body with each local image of an image attribute carried as an
    // inline part of SM and referred to by its content identifier; a file
    // named that is not an image stays as written, and the report says so
    // once a run.
    QString EmbedImages(const QString& html, const QString& htmlFolder);
    // The cover page faxes go out with ("BrivaltoCover" with the fax
    // control's cover extension): the user's own in the work folder, else
    // the one installed beside the program, else the work folder's, which
    // the user has not made yet (the fax then has the default cover page).
    QString FaxCoverFile() const;

    // Recipient list.
    void cmdAdd_Click();
    void cmdCercaID_Click();
    void cmdRemove_Click();
    void cmdVuotaLista_Click();
    // The statement of the ticked filters, with its bound values; "" after
    // telling the user why the filters cannot be used.
    QString RecipientSql(QVariantList& params);

    // The run.
    void cmdGo_Click();
    bool Running() const { return running_; }
    // The send mode chosen (index of opTipoInvio).
    int SendMode() const;

    // Channels: each reports its outcome and records a successful send.
    virtual void SendMail(ADODB::Recordset& rs);
    virtual void SendFax(ADODB::Recordset& rs);
    void PrintLetter(ADODB::Recordset& rs);
    // The document to send to this recipient: the merged work file "mail.rtf"
    // for an RTF document, the document itself otherwise; "" when the RTF
    // document could not be personalised for this recipient (then `error`
    // says why, and nothing may be sent).
    QString PersonalizzaRTF(ADODB::Recordset& rs, QString* error = nullptr);
    // Prints one address at X, Y (millimetres) on an envelope or label and
    // moves on; false with the reason (and its error number) when the
    // address was not printed.
    bool PrintIndirizzo(float& X, float& Y, qint32 ID, QString* error = nullptr, long* number = nullptr);

    // Activity rows: the next IDCONT of the signed-in user (0 when it cannot
    // be read), and the recording of one successful send under the CONTATTI
    // lock with its report line ("E", "F", "P" or "M").
    qint32 NuovaIDCONT();
    void RegistraInvio(ADODB::Recordset& rs, const QString& tipo, const QString& canale);

    // The report window's line for one outcome ("" error = success); the
    // detail of an error goes to the send log only.
    void AddReport(ADODB::Recordset& rs, const QString& canale, const QString& errore,
                   const QString& dettaglio = QString());
    // Runs one channel's send for a recipient. An error raised in it shows
    // the standard error box naming `where` and becomes that recipient's
    // failure line ("failure" followed by the error's description).
    void GuardedSend(const QString& where, ADODB::Recordset& rs, const QString& canale, const QString& failure,
                     const std::function<void()>& send);

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

private:
    // Hooks of the e-mail and fax channels, run by Form_Load.
    void InitEmailChannel();
    void InitFaxChannel();

    void SmsStep(ADODB::Recordset& rs);
    bool RunChecks();
    // Envelopes and labels (mode 4): every recipient's address and report line.
    void RunLabels(const QList<qint32>& ids);
    void SetRunning(bool running);
    void UpdateCount();

    // A setting of the e-mail and fax channels, and the document to send:
    // read once for a whole run (every recipient gets the same), afresh
    // outside one.
    QString ChannelSetting(const QString& section, const QString& key, const QString& defaultValue = QString());
    QByteArray DocumentBytes(const QString& path, bool* readable);

    bool running_ = false;
    bool notImagesTold_ = false;
    QHash<QString, QHash<QString, QString>> runSettings_;
    QString runDocumentPath_;
    QByteArray runDocument_;
    bool runDocumentRead_ = false;
    // Why the SMS control could not be loaded, in the loader's words.
    QString smsLoadError_;
    // The letter merged for the current recipient, "" when none was.
    QByteArray mergedLetter_;
};
