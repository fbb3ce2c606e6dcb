// The fax channel of the mailing window: the outside fax program when it is
// installed, else the fax control (or, where only the system fax service
// is, the control's pages put in the service's queue). A fax is recorded as
// sent only when the fax software accepted it.
#include "frmMailing.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Dialogs.h"
#include "Fax.h"
#include "FaxControl.h"
#include "Global.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Platform;

void frmMailing::InitFaxChannel() { connect(FAX, &qvxFAX::OnError, this, &frmMailing::FAX_OnError); }

QString frmMailing::FaxCoverFile() const {
    const QString name = QStringLiteral("BrivaltoCover") + FAX->CoverExt;
    const QString own = QDir(WorkFolder()).filePath(name);
    if (QFileInfo::exists(own)) return own;
    const QString installed = QDir(App::Path()).filePath(name);
    return QFileInfo::exists(installed) ? installed : own;
}

void frmMailing::SendFax(ADODB::Recordset& rs) {
    LastSendError.clear();
    auto sender = [this](const char* key) { return ChannelSetting(QStringLiteral("Sender"), QString::fromLatin1(key)); };
    auto field = [&rs](const char* column) { return Comuni::FieldStr(rs[QString::fromLatin1(column)]); };
    const QString name = Trim(field("NOME") + " " + field("COGNOME"));

    // The document for this recipient; "" with a reason when it could not be made.
    QString reason;
    const QString document = PersonalizzaRTF(rs, &reason);
    if (document.isEmpty() && !reason.isEmpty()) {
        AddReport(rs, QStringLiteral("fax"), QStringLiteral("invio fax non riuscito: ") + reason);
        return;
    }

    // The cover page's fields, the same on every route.
    FaxCoverRecord cover;
    cover.Field[0] = txText->toPlainText();
    cover.Field[1] = txSubject->text();
    cover.Field[2] = field("INDIRIZZO");
    cover.Field[3] = field("CITTA");
    cover.Field[4] = field("AZIENDA");
    cover.Field[5] = field("NAZIONE");
    cover.Field[9] = field("TELEFONO");
    cover.Field[10] = name;
    cover.Field[11] = field("PROVINCIA");
    cover.Field[12] = field("TITOLO");
    cover.Field[13] = field("CAP");
    cover.Field[14] = sender("Address");
    cover.Field[15] = sender("Company");
    cover.Field[17] = sender("Fax");
    cover.Field[19] = sender("Contact");
    cover.Field[21] = sender("Phone");

    if (Global::gFaxTalkAvailable) {
        std::unique_ptr<FaxProgram> program = FaxProgram::Create();
        if (!program) {
            LastSendError = QStringLiteral("programma fax non disponibile");
            AddReport(rs, QStringLiteral("fax"), QStringLiteral("invio fax non riuscito: ") + LastSendError);
            return;
        }
        program->Init();
        program->AddAttachmentFile(document);
        program->Number = field("FAX");
        program->To = name;
        program->Company = field("AZIENDA");
        // The program's own configuration (the cover page the user edits and
        // the sender on it), and its address book's entry for the recipient.
        program->CoverTemplate = FaxCoverFile();
        const FaxCoverFields fields = cover.Fields();
        for (auto f = fields.constBegin(); f != fields.constEnd(); ++f)
            (f.key().startsWith(QLatin1String("MITT_")) ? program->Sender : program->Details).insert(f.key(), f.value());
        program->AddRecipient();
        program->SetSubject(txSubject->text());
        program->SetCoverText(txText->toPlainText());
        program->SetHold(0);
        program->ShowSendScreen(0);
        program->SetUseCover(1);
        const bool sent = program->Send(0);
        LastSendError = program->LastError();
        const QString detail = program->LastErrorDetail();
        program->Done();
        if (sent) RegistraInvio(rs, QStringLiteral("F"), QStringLiteral("fax"));
        else AddReport(rs, QStringLiteral("fax"), QStringLiteral("invio fax non riuscito: ") + LastSendError, detail);
        return;
    }

    GuardedSend(QStringLiteral("invio fax"), rs, QStringLiteral("fax"), QStringLiteral("invio fax non riuscito: "), [&] {
        FAX->CoverFile = ckNoCoverPage->isChecked() ? QString() : FaxCoverFile();
        FAX->Prefix = ChannelSetting(QStringLiteral("Fax"), QStringLiteral("Prefix"));
        // Where only the system fax service is installed, the control's pages go to its queue.
        FAX->UseFaxService = Global::gFaxServerAvailable;
        if (FAX->Send(field("FAX"), cover, document)) {
            RegistraInvio(rs, QStringLiteral("F"), QStringLiteral("fax"));
        } else {
            AddReport(rs, QStringLiteral("fax"), QStringLiteral("invio fax non riuscito: ") + LastSendError,
                      FAX->LastErrorDetail());
        }
    });
}
