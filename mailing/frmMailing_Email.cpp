// The e-mail channel of the mailing window: one message per recipient on a
// fresh SMTP component, the subject and an HTML body personalised, the
// document attached (text body) or carried inline (HTML body), local images
// of the HTML embedded, and the outcome reported and recorded.
#include "frmMailing.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Runtime.h"
#include "SMTP.h"
#include "Settings.h"
#include "Values.h"

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

// The file an image attribute names: as written (an absolute path or one
// relative to the current folder), else beside the HTML file.
QString ImageFile(const QString& value, const QString& htmlFolder) {
    if (QFileInfo(value).isFile()) return value;
    if (QFileInfo(value).isRelative() && QFileInfo(QDir(htmlFolder).filePath(value)).isFile())
        return QDir(htmlFolder).filePath(value);
    return QString();
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
    QString body = html;
    QHash<QString, QString> embedded;  // attribute value -> content identifier
    const QString attribute = QStringLiteral("src=\"");
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = body.indexOf(attribute, pos, Qt::CaseInsensitive);
        if (at < 0) break;
        const qsizetype start = at + attribute.size();
        qsizetype end = body.indexOf('"', start);
        if (end < 0) break;  // no value can be read from an attribute left open
        const QString value = body.mid(start, end - start);
        if (!value.startsWith(QStringLiteral("HTTP://"), Qt::CaseInsensitive) &&
            !value.startsWith(QStringLiteral("CID:"), Qt::CaseInsensitive)) {
            QString id = embedded.value(value);
            if (id.isEmpty()) {
                const QString file = ImageFile(value, htmlFolder);
                if (!file.isEmpty()) {
                    id = SM->AddInlineFile(file);
                    embedded.insert(value, id);
                }
            }
            // Only the attribute's own value changes: the same text elsewhere (a link, the page's
            // words) is not an image reference.
            if (!id.isEmpty()) {
                const QString reference = QStringLiteral("cid:") + id;
                body.replace(start, end - start, reference);
                end = start + reference.size();
            }
        }
        pos = end + 1;
    }
    return body;
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
