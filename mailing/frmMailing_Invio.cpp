// The mailing run: the inputs are checked, then every recipient of the list
// is served by the first channel of the send mode its record has the data
// for, and every outcome becomes a line of the report.
#include "frmMailing.h"

#include "ADODB.h"
#include "AddressLayout.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"
#include "Printer.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"
#include "frmReport.h"
#include "modAdoCommon.h"

#include <qvxSMS2/qvxSMS2.h>

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

using namespace Platform;

namespace {

const QString kRecordSql = QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?;");

bool Stop(const QString& message) {
    MsgBox(message, vbOKOnly);
    return false;
}

bool Ask(const QString& question) { return MsgBox(question, vbYesNo + vbDefaultButton2) == vbYes; }

bool Has(ADODB::Recordset& rs, const char* column) { return !Comuni::FieldStr(rs[QString::fromLatin1(column)]).isEmpty(); }

// The description of an error raised inside a channel.
QString Described(const std::exception& e) {
    if (auto* com = dynamic_cast<const Tessivo::ComError*>(&e)) return com->Description;
    Err().Set(e);
    const QString text = Err().Description;
    Err().Clear();
    return text;
}

}  // namespace

int frmMailing::SendMode() const {
    for (int i = 0; i < 8; ++i)
        if (opTipoInvio[size_t(i)]->isChecked()) return i;
    return 0;
}


void frmMailing::AddReport(ADODB::Recordset& rs, const QString& canale, const QString& errore,
                           const QString& dettaglio) {
    DefaultInstance<frmReport>().AddReport(rs, canale, errore, dettaglio);
}

void frmMailing::GuardedSend(const QString& where, ADODB::Recordset& rs, const QString& canale, const QString& failure,
                             const std::function<void()>& send) {
    try {
        send();
    } catch (const std::exception& e) {
        Err().Set(e);
        const QString description = Err().Description;
        Global::ShowProcError(Err(), where, App::Title());
        Err().Clear();
        // The box alone would leave this recipient out of the report.
        AddReport(rs, canale, failure + description);
    }
}

bool frmMailing::RunChecks() {
    const int mode = SendMode();
    const bool textBody = opTipoMail[1]->isChecked();
    const QString document = txNomeFile->text();
    if (LV->ItemCount() == 0) return Stop(QStringLiteral("Non sono state selezionate schede anagrafiche cui inviare"));
    if (document.isEmpty() && (mode == 0 || mode == 2 || mode == 3)) {
        QString question = QStringLiteral("Non è stato specificato alcun file. Nel caso di invio postale non sarà stampato "
                                          "niente, e nessun fax sarà inviato. ");
        if (textBody) question += QStringLiteral("Nel caso di e-mail saranno inviati solo oggetto e note. ");
        if (!Ask(question + QStringLiteral("Confermi ugualmente?"))) return false;
    }
    if (document.isEmpty() && mode == 1 && textBody &&
        !Ask(QStringLiteral("Non è stato specificato alcun file; saranno inviati solo oggetto e note. Confermi ugualmente?")))
        return false;
    // A document moved or deleted since it was chosen would fail for every
    // recipient; labels and SMS alone do not send it.
    if (!document.isEmpty() && mode != 4 && mode != 7 && !QFileInfo(document).isFile())
        return Stop(QStringLiteral("File inesistente o percorso non completo"));
    const bool exempt = mode == 3 || mode == 4 || (mode == 2 && ckNoCoverPage->isChecked());
    if (!exempt && txSubject->text().isEmpty())
        return Stop(QStringLiteral("L'oggetto è indispensabile per l'invio di fax con copertina ed e-mail"));
    if (!exempt && txText->toPlainText().isEmpty() &&
        !Ask(QStringLiteral("Manca il campo nota, che è consigliabile per l'invio di fax con copertina ed e-mail. "
                            "Confermi ugualmente l'invio?")))
        return false;
    if (mode >= 5 && Trim(txMessaggio->toPlainText()).isEmpty())
        return Stop(QStringLiteral("Il testo del messaggio non può essere vuoto e deve essere inferiore a 160 caratteri"));
    if ((mode == 5 || mode == 6) && Trim(txOggettoEmail->text()).isEmpty())
        return Stop(QStringLiteral("L'oggetto del messaggio non può essere vuoto per l'eventuale invio di e-mail"));
    const QString app = App::EXEName();
    const bool senderMissing = Trim(GetSetting(app, "eMail", "SMPTServer", QString())).isEmpty() ||
                               Trim(GetSetting(app, "eMail", "Indirizzo", QString())).isEmpty() ||
                               Trim(GetSetting(app, "eMail", "NomeInMail", QString())).isEmpty();
    if ((mode == 0 || mode == 1) && senderMissing)
        return Stop(QStringLiteral("Mancano dati essenziali per l'invio di e-mail del mittente. Impostarli da "
                                   "configurazione."));
    if (mode == 4) {
        const AddressLayout layout = AddressLayout::Read();
        if (layout.Tipo != "B" && (layout.Larghezza <= 0 || layout.Altezza <= 0))
            return Stop(QString::fromUtf8(kEtichettaSenzaMisure));
    }
    return true;
}

QString frmMailing::ChannelSetting(const QString& section, const QString& key, const QString& defaultValue) {
    if (!running_) return GetSetting(App::EXEName(), section, key, defaultValue);
    auto values = runSettings_.find(section.toLower());
    if (values == runSettings_.end()) {
        QHash<QString, QString> read;
        for (const auto& [name, value] : GetAllSettings(App::EXEName(), section)) read.insert(name.toLower(), value);
        values = runSettings_.insert(section.toLower(), read);
    }
    return values->value(key.toLower(), defaultValue);
}

QByteArray frmMailing::DocumentBytes(const QString& path, bool* readable) {
    if (running_ && runDocumentPath_ == path) {
        *readable = runDocumentRead_;
        return runDocument_;
    }
    QFile file(path);
    *readable = file.open(QIODevice::ReadOnly);
    QByteArray bytes = *readable ? file.readAll() : QByteArray();
    if (running_) {
        runDocumentPath_ = path;
        runDocument_ = bytes;
        runDocumentRead_ = *readable;
    }
    return bytes;
}

void frmMailing::SetRunning(bool running) {
    running_ = running;
    if (running) notImagesTold_ = false;
    runSettings_.clear();
    runDocumentPath_.clear();
    runDocument_.clear();
    runDocumentRead_ = false;
    for (MultiButton* b : {cmdGo, cmdAdd, cmdCercaID, cmdRemove, cmdVuotaLista, cmdEsci}) b->setEnabled(!running);
    // What the mailing sends stays as it was when the run started: the
    // document, the texts and the mode are read again for every recipient.
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Frame2, Frame3, frSMS, txNomeFile, cmdBrowse, cmdCreateRTF,
                                                      cmdEtichette, cmdExport})
        w->setEnabled(!running);
}

void frmMailing::cmdGo_Click() {
    if (running_ || !cn) return;
    if (!RunChecks()) return;
    // The run walks the list as it was when it started.
    QList<qint32> ids;
    for (int i = 1; i <= LV->ItemCount(); ++i) ids << qint32(Val(LV->Item(i).Text()));
    const int mode = SendMode();

    SetRunning(true);
    auto& report = DefaultInstance<frmReport>();
    report.Show(vbModeless);
    report.SetCaption(QStringLiteral("Report invio mailing   *** INVIO IN CORSO ***"));
    report.SetRunning(true);
    bool completed = false;
    ProcGuard::Run(QStringLiteral("Procedura cmdGo_Click di Form frmMailing"), [&] {
        if (mode == 4) {
            RunLabels(ids);
            completed = true;
            return;
        }
        for (qint32 id : ids) {
            // Read as it streams: the channels only read the record.
            ADODB::Recordset rs;
            if (!modAdoCommon::OpenRecordset(rs, kRecordSql, *cn, 0, 1, false, {id})) return;
            if (rs.EOF_()) continue;
            QString word;
            try {
                const bool mail = Has(rs, "eMail"), fax = Has(rs, "FAX"), mobile = Has(rs, "Cellulare");
                const bool letter = Has(rs, "COGNOME") && Has(rs, "Indirizzo") && Has(rs, "Citta");
                switch (mode) {
                case 0:
                    word = mail ? "e-mail" : fax ? "fax" : "posta";
                    if (mail) SendMail(rs);
                    else if (fax) SendFax(rs);
                    else if (letter) PrintLetter(rs);
                    else AddReport(rs, "qualunque", "invio non riuscito: mancano dati per qualunque tipo di invio");
                    break;
                case 1:
                    word = "e-mail";
                    if (mail) SendMail(rs);
                    else AddReport(rs, word, "invio e-mail non riuscito: manca indirizzo e-mail");
                    break;
                case 2:
                    word = "fax";
                    if (fax) SendFax(rs);
                    else AddReport(rs, word, "invio fax non riuscito: manca numero fax");
                    break;
                case 3:
                    word = "posta";
                    if (letter) PrintLetter(rs);
                    else AddReport(rs, "lettera", "stampa lettera non riuscita: dati essenziali mancanti");
                    break;
                case 5:
                    word = mobile ? "SMS" : "e-mail";
                    if (mobile) SmsStep(rs);
                    else if (mail) SendMail(rs);
                    else AddReport(rs, "e-mail", "invio e-mail non riuscito: manca indirizzo");
                    break;
                case 6:
                    word = mail ? "e-mail" : "SMS";
                    if (mail) SendMail(rs);
                    else if (mobile) SmsStep(rs);
                    else AddReport(rs, "SMS", "invio SMS non riuscito: manca numero");
                    break;
                case 7:
                    word = "SMS";
                    if (mobile) SmsStep(rs);
                    else AddReport(rs, word, "invio SMS non riuscito: manca numero");
                    break;
                }
            } catch (const std::exception& e) {
                // One recipient's failure is not the run's.
                AddReport(rs, word, QStringLiteral("invio non riuscito: ") + Described(e));
            }
            rs.Close();
        }
        completed = true;
    });
    report.SetRunning(false);
    if (completed) report.SetCaption(QStringLiteral("Report invio mailing concluso"));
    SetRunning(false);
}

void frmMailing::SmsStep(ADODB::Recordset& rs) {
    if (!qvxSMS) {
        // The loader's own words, in English, go to the send log.
        AddReport(rs, "SMS",
                  QStringLiteral("invio SMS non riuscito: il componente per l'invio di SMS (libqvxSMS2.so) manca o "
                                 "non si carica"),
                  smsLoadError_);
        return;
    }
    bool sent = false;
    try {
        auto destinations = qvxSMS->Destinations();
        destinations->Clear();
        destinations->Add(Comuni::FieldStr(rs["Cellulare"]));
        qvxSMS->setMessage(Trim(txMessaggio->toPlainText()));
        sent = qvxSMS->Send();
    } catch (const std::exception& e) {
        AddReport(rs, "SMS", QStringLiteral("invio SMS non riuscito: ") + Described(e));
        return;
    }
    if (sent) {
        RegistraInvio(rs, "M", "SMS");
        return;
    }
    const auto errors = qvxSMS->Errors();
    const QString last = errors && errors->Count() > 0 ? errors->Item(errors->Count())->Description() : QString();
    AddReport(rs, "SMS", QStringLiteral("invio SMS non riuscito: ") + last);
}

void frmMailing::RunLabels(const QList<qint32>& ids) {
    const AddressLayout start = AddressLayout::Read();
    float X = 0, Y = 0;
    if (start.Tipo != "B") {
        X = float(start.EtichetteLeft);
        Y = float(start.EtichetteTop);
    }
    // Without a printer every other address would fail the same way, each
    // with its box: the box is shown once, and every recipient still gets
    // its line.
    QString noPrinter;
    for (qint32 id : ids) {
        QString error = noPrinter;
        long number = 0;
        const bool printed = noPrinter.isEmpty() && PrintIndirizzo(X, Y, id, &error, &number);
        if (number == vbErrPrinter) noPrinter = error;
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, kRecordSql, *cn, 0, 3, false, {id})) continue;
        if (!rs.EOF_()) {
            const QString word = AddressLayout::Read().Tipo == "B" ? QStringLiteral("Busta") : QStringLiteral("etichetta");
            AddReport(rs, word, printed ? QString() : QStringLiteral("stampa indirizzo non riuscita: ") + error);
        }
        rs.Close();
    }
    Printer().EndDoc();
}
