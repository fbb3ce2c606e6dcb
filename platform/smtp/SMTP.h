#pragma once
// The SMTP e-mail component: one message (sender, recipients, subject, a
// text or HTML body, inline files referenced by content identifier,
// attachments) built as MIME by the component itself and sent over libcurl
// to the server of the settings. A new object is a new, empty message.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace Platform {

class SMTP : public QObject {
    Q_OBJECT
public:
    enum BodyFormatType { bfText = 0, bfHTML = 1 };
    enum RecipientKind { rkTo = 0, rkCc = 1, rkBcc = 2 };
    // How the connection is protected: 0 encrypts when the server offers
    // it, 1 insists on it, 2 speaks TLS from the start (SMTPS), 3 never.
    enum SecurityType { secTryTLS = 0, secRequireTLS = 1, secImplicitTLS = 2, secNone = 3 };
    // 0 takes the best the server offers; the others insist on one method.
    enum AuthenticationType { authAuto = 0, authLogin = 1, authPlain = 2, authCramMD5 = 3 };
    // Send results beyond the transfer library's own codes.
    enum { errNoRecipient = 1001, errFileUnreadable = 1002, errNoSender = 1003, errNoServer = 1004 };

    explicit SMTP(QObject* parent = nullptr);
    ~SMTP() override;

    int Security = secTryTLS;
    // "host", "host:port" or a URL ("smtps://host:465").
    QString Server;
    int AuthType = authAuto;
    // Empty user name: no authentication.
    QString UserName;
    QString Password;
    QString FromAddress;
    QString FromName;
    QString Subject;
    int BodyFormat = bfText;
    QString Body;

    void ClearRecipients();
    // The recipient's index; -1 (and nothing added) for an address that is
    // empty or could not be an address (blanks, line breaks, brackets).
    int AddRecipient(const QString& name, const QString& address, int kind = rkTo);
    int RecipientCount() const { return int(recipients_.size()); }

    void ClearFiles();
    // The attachment's index.
    int AddAttachment(const QString& path);
    // Adds a file as an inline part; the HTML body refers to it as
    // "cid:" followed by the returned identifier. An inline file the body
    // does not refer to travels as an attachment, so that it is not lost.
    QString AddInlineFile(const QString& path);

    // 0 when the server took the message, else the reason's number; the
    // error event is raised with it and LastErrorText says why, in words a
    // user understands; LastErrorDetail holds the mail library's and the
    // server's own text, for the log.
    int Send();
    QString LastErrorText() const { return lastError_; }
    QString LastErrorDetail() const { return lastDetail_; }

    // The message as it goes to the server (without the envelope); empty,
    // with the reason, when a file cannot be read or the sender's address
    // could not be one.
    QByteArray BuildMessage(QString* error = nullptr) const;

signals:
    void OnError(int number, const QString& description);

private:
    struct Recipient {
        QString name;
        QString address;
        int kind = rkTo;
    };
    struct File {
        QString path;
        QString contentId;  // empty: attachment
    };
    int Fail(int number, const QString& description, const QString& detail = QString());

    QList<Recipient> recipients_;
    QList<File> files_;
    QString lastError_;
    QString lastDetail_;
};

// Encodings of message headers, exposed for tests.
namespace Mime {
// A header value as it may stand in a header: RFC 2047 encoded words for
// anything beyond printable ASCII, folded lines, no line breaks of its own.
QByteArray EncodeHeaderText(const QString& text, int firstLineUsed = 0);
// "Name <address>", the name quoted or encoded as it needs.
QByteArray Mailbox(const QString& name, const QString& address);
QByteArray QuotedPrintable(const QByteArray& data);
QByteArray Base64Lines(const QByteArray& data);
}  // namespace Mime

}  // namespace Platform
