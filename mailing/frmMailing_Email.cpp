// The e-mail channel of the mailing window: one message per recipient on a
// fresh SMTP component, the subject and an HTML body personalised, the
// document attached (text body) or carried inline (HTML body), local images
// of the HTML embedded, and the outcome reported and recorded.
#include "frmMailing.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "HtmlImages.h"
#include "Runtime.h"
#include "SMTP.h"
#include "Settings.h"
#include "Values.h"
#include "frmReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>

using namespace Platform;

namespace {

QString Personalise(QString text, ADODB::Recordset& rs) {
    text.replace(QStringLiteral("$NOME$"), Comuni::FieldStr(rs[QStringLiteral("NOME")]));
    text.replace(QStringLiteral("$COGNOME$"), Comuni::FieldStr(rs[QStringLiteral("COGNOME")]));
    text.replace(QStringLiteral("$TITOLO$"), Comuni::FieldStr(rs[QStringLiteral("Titolo")]));
    return text;
}

}  // namespace

void frmMailing::InitEmailChannel() { SM = std::make_shared<SMTP>(); }

void frmMailing::SM_OnError(int number, const QString& description) {
    Q_UNUSED(number);
    LastSendError = description;
}

QString frmMailing::CleanEMail(const QString& address) {
    QString clean;
    for (QChar c : address) {
        const char16_t u = c.unicode();
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '@' || u == '.' ||
            u == '-' || u == '_' || u == '+')
            clean += c;
    }
    return clean;
}

QString frmMailing::EmbedImages(const QString& html, const QString& htmlFolder) {
    const HtmlImages::Result embedded =
        HtmlImages::Embed(html, htmlFolder, [this](const QString& file) { return SM->AddInlineFile(file); });
    if (!embedded.notImages.isEmpty() && !notImagesTold_) {
        notImagesTold_ = true;
        DefaultInstance<frmReport>().AddNote(
            QStringLiteral("e-mail"),
            QStringLiteral("il corpo HTML nomina file che non sono immagini, lasciati come scritti e non inviati: ") +
                embedded.notImages.join(QStringLiteral(", ")));
    }
    return embedded.body;
}

void frmMailing::SendMail(ADODB::Recordset& rs) {
    GuardedSend(QStringLiteral("Procedura SendMail di Form frmMailing"), rs, QStringLiteral("e-mail"),
                QStringLiteral("invio e-mail non riuscito: "), [&] {
        auto setting = [this](const char* key, const char* defaultValue = "") {
            return ChannelSetting(QStringLiteral("eMail"), QString::fromLatin1(key), QString::fromLatin1(defaultValue));
        };
        // 1. A new message on a new component.
        LastSendError.clear();
        SM = std::make_shared<SMTP>();
        connect(SM.get(), &SMTP::OnError, this, &frmMailing::SM_OnError);
        SM->Security = 0;
        SM->Server = setting("SMPTServer");
        SM->AuthType = CLng(Val(setting("SMPTServerAuthType", "0")));
        // 2.
        const bool auth = Val(setting("SMPTServerAuth", "0")) != 0;
        SM->UserName = auth ? setting("SMPTServerUser") : QString();
        SM->Password = auth ? setting("SMPTServerPass") : QString();
        // 3.
        SM->FromAddress = setting("Indirizzo");
        SM->FromName = setting("NomeInMail");
        SM->ClearRecipients();

        // 4. Addresses split at "," and ";" alike; the empty piece a trailing separator leaves is no recipient.
        const QString name = Trim(Comuni::FieldStr(rs[QStringLiteral("NOME")]) + " " +
                                  Comuni::FieldStr(rs[QStringLiteral("COGNOME")]));
        const QString addresses = Trim(Comuni::FieldStr(rs[QStringLiteral("eMail")]));
        static const QRegularExpression separators(QStringLiteral("[,;]"));
        for (const QString& piece : addresses.split(separators)) {
            const QString address = CleanEMail(piece);
            if (!address.isEmpty()) SM->AddRecipient(name, address, SMTP::rkTo);
        }

        // 5.
        SM->Subject = Personalise(txSubject->text(), rs);

        const QString document = txNomeFile->text();
        const bool hasDocument = !document.isEmpty() && QFileInfo(document).isFile();
        if (opTipoMail[1]->isChecked()) {
            // 6. Text body, the note as typed, the document attached as this recipient's copy.
            SM->BodyFormat = SMTP::bfText;
            SM->Body = txText->toPlainText();
            SM->ClearFiles();
            if (hasDocument) {
                QString reason;
                const QString path = PersonalizzaRTF(rs, &reason);
                if (path.isEmpty()) {
                    AddReport(rs, QStringLiteral("e-mail"), QStringLiteral("invio e-mail non riuscito: ") + reason);
                    return;
                }
                SM->AddAttachment(path);
            }
        } else {
            // 7. HTML body.
            SM->BodyFormat = SMTP::bfHTML;
            SM->ClearFiles();
            if (hasDocument) SM->AddInlineFile(document);
            const QString html = Trim(HtmlFile);
            if (html.isEmpty() || !QFileInfo(html).isFile()) {
                const QString missing = QStringLiteral("Il file HTML impostato non esiste");
                MsgBox(missing, vbOKOnly);
                AddReport(rs, QStringLiteral("e-mail"), QStringLiteral("invio e-mail non riuscito: ") + missing);
                return;
            }
            QFile file(html);
            if (!file.open(QIODevice::ReadOnly))
                Err().Raise(75, QStringLiteral("Errore di accesso al percorso/file"), html);
            // UTF-8 when it is valid UTF-8, else Windows text; line by line, each line after a line break: the body begins with one and has none at its end.
            QStringList lines = DecodeText(file.readAll()).split('\n');
            if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
            QString body;
            for (const QString& line : lines) body += QStringLiteral("\r\n") + (line.endsWith('\r') ? line.chopped(1) : line);
            body = Personalise(body, rs);
            SM->Body = EmbedImages(body, QFileInfo(html).absolutePath());
        }

        // 8, 9.
        if (SM->Send() == 0) {
            RegistraInvio(rs, QStringLiteral("E"), QStringLiteral("e-mail"));
        } else {
            AddReport(rs, QStringLiteral("e-mail"), QStringLiteral("invio e-mail non riuscito: ") + SM->LastErrorText(),
                      SM->LastErrorDetail());
        }
    });
}
