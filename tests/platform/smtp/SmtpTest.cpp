// The SMTP component against a real SMTP server on 127.0.0.1, each message
// read back by Python's email package.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "SMTP.h"
#include "smtp/SmtpSink.h"

using namespace Platform;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

QString Sha256(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
}

QJsonObject PartOfType(const QJsonObject& message, const QString& type, int nth = 0) {
    for (const QJsonValue& p : message["parts"].toArray()) {
        if (p["type"].toString() == type && nth-- == 0) return p.toObject();
    }
    return {};
}

std::unique_ptr<SMTP> Message(const SmtpSink& sink) {
    auto sm = std::make_unique<SMTP>();
    sm->Server = sink.Server();
    sm->FromAddress = "ufficio@brivalto.example";
    sm->FromName = "Ufficio Vendite";
    return sm;
}

}  // namespace

TEST(Mime, HeadersStayOnOneLogicalLineAndWithinTheirLength) {
    const QByteArray folded = Mime::EncodeHeaderText(QString(40, 'a') + " " + QString(40, 'b') + " c", 9);
    EXPECT_TRUE(folded.contains("\r\n "));
    for (const QByteArray& line : folded.split('\n')) EXPECT_LE(line.size(), 78);

    const QByteArray injected = Mime::EncodeHeaderText("Offerta\r\nBcc: spia@example.com");
    EXPECT_FALSE(injected.contains('\n'));
    EXPECT_FALSE(injected.contains('\r'));

    const QByteArray encoded = Mime::EncodeHeaderText(QString(60, QChar(0x00E8)));
    for (const QByteArray& line : encoded.split('\n')) EXPECT_LE(line.trimmed().size(), 75);
    EXPECT_TRUE(encoded.startsWith("=?UTF-8?B?"));

    // A word longer than a line is cut into encoded words, whatever its letters.
    for (const QString& word : {QString(995, 'x'), QString(400, QChar(0x00E8))}) {
        const QByteArray lines = "Subject: " + Mime::EncodeHeaderText("Listino " + word, 9);
        for (const QByteArray& line : lines.split('\n')) EXPECT_LE(line.size(), 79) << line.toStdString();
    }
    for (const QByteArray& line : ("To: " + Mime::Mailbox(QString(300, 'R'), "m@x.it")).split('\n'))
        EXPECT_LE(line.size(), 79);

    EXPECT_EQ(Mime::Mailbox("Rossi, Mario", "m@x.it"), "\"Rossi, Mario\" <m@x.it>");
    EXPECT_EQ(Mime::Mailbox("", "m@x.it"), "<m@x.it>");
    EXPECT_EQ(Mime::Mailbox("Mario\nRossi", "m@x.it"), "Mario Rossi <m@x.it>");
    EXPECT_EQ(Mime::QuotedPrintable("a=b \r\nc"), "a=3Db=20\r\nc");
}

TEST(Mime, AddressesThatCannotBeAddressesAreRefused) {
    SMTP sm;
    EXPECT_EQ(sm.AddRecipient("A", "a+ufficio@x.it"), 0);
    EXPECT_EQ(sm.AddRecipient("B", ""), -1);
    EXPECT_EQ(sm.AddRecipient("C", "a b@x.it"), -1);
    EXPECT_EQ(sm.AddRecipient("D", "x@y.it>\r\nRCPT TO:<z@w.it"), -1);
    EXPECT_EQ(sm.RecipientCount(), 1);

    // Whoever builds the message, the sender's address brings no header of its own.
    sm.FromName = "Ufficio\r\nBcc: spia@example.com";
    sm.FromAddress = "ufficio@x.it";
    QString error;
    const QByteArray message = sm.BuildMessage(&error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(message.contains("From: \"Ufficio  Bcc: spia@example.com\" <ufficio@x.it>\r\n")) << message.constData();
    EXPECT_FALSE(message.contains("\nBcc")) << message.constData();
    for (const QString& from : {QString("ufficio@x.it\r\nBcc: spia@example.com"), QString("u@x.it>\nBcc: s@e.com"),
                                QString("u@x\r.it")}) {
        sm.FromAddress = from;
        EXPECT_TRUE(sm.BuildMessage(&error).isEmpty()) << from.toStdString();
        EXPECT_EQ(error, "indirizzo del mittente non valido: " + from);
    }
}

TEST(Smtp, SendsTextWithAttachmentAndHtmlWithImagesToARealServer) {
    if (!SmtpSink::Available()) GTEST_SKIP() << "aiosmtpd is not installed";
    SmtpSink sink;
    ASSERT_TRUE(sink.Started());
    QTemporaryDir dir;
    const QString pdf = dir.filePath("listino prezzi.pdf");
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(5000, '\x01') + "%PDF");
    f.close();
    const QString logo = dir.filePath("logo.png");
    QImage(8, 8, QImage::Format_RGB32).save(logo);

    auto text = Message(sink);
    text->AddRecipient(QStringLiteral("Mario Rossi"), "mario+ufficio@example.com");
    text->AddRecipient(QStringLiteral("Luca Bianchi"), "luca@example.com", SMTP::rkCc);
    text->AddRecipient(QStringLiteral("Nascosto"), "bcc@example.com", SMTP::rkBcc);
    text->Subject = QStringLiteral("Offerta speciale: città di Forlì, prezzi in € — validità 30 giorni per tutti i clienti");
    text->Body = QStringLiteral("Gentile cliente,\r\n.una riga che inizia con il punto\r\nàèìòù €\r\n") + QString(200, 'x');
    text->AddAttachment(pdf);
    EXPECT_EQ(text->Send(), 0) << text->LastErrorText().toStdString();

    // A subject with a word over a line long, a file with a name over a line long.
    auto html = Message(sink);
    html->FromName = QStringLiteral("Società Bianchi & Figli");
    html->AddRecipient(QStringLiteral("Zoë Müller"), "zoe@example.com");
    html->BodyFormat = SMTP::bfHTML;
    html->Subject = "Newsletter " + QString(995, 'n');
    const QString longName = dir.filePath(QStringLiteral("listino ") + QString(100, QChar(0x00E0)) + ".pdf");
    QFile::copy(pdf, longName);
    html->AddAttachment(longName);
    const QString cid = html->AddInlineFile(logo);
    html->AddInlineFile(pdf);  // not referenced by the body
    html->Body = "<html><body><p>Caro <b>cliente</b></p><img src=\"cid:" + cid + "\"></body></html>";
    EXPECT_EQ(html->Send(), 0) << html->LastErrorText().toStdString();

    const QStringList files = sink.Messages(2);
    ASSERT_EQ(files.size(), 2);
    const QJsonArray parsed = SmtpSink::Parse(files);
    ASSERT_EQ(parsed.size(), 2);

    const QJsonObject first = parsed[0].toObject();
    EXPECT_EQ(first["subject"].toString(), text->Subject);
    EXPECT_EQ(first["from_name"].toString(), "Ufficio Vendite");
    EXPECT_EQ(first["from_addr"].toString(), "ufficio@brivalto.example");
    EXPECT_EQ(first["to"].toArray()[0].toArray()[1].toString(), "mario+ufficio@example.com");
    EXPECT_EQ(first["content_type"].toString(), "multipart/mixed");
    EXPECT_TRUE(first["defects"].toArray().isEmpty()) << QJsonDocument(first["defects"].toArray()).toJson().toStdString();
    EXPECT_LE(first["max_line"].toInt(), 998);
    EXPECT_EQ(first["bare_lf"].toInt(), 0);
    EXPECT_FALSE(first["raw_head"].toString().contains("bcc@example.com"));
    const QString body = PartOfType(first, "text/plain")["text"].toString().replace("\r\n", "\n");
    EXPECT_TRUE(body.startsWith(QStringLiteral("Gentile cliente,\n.una riga che inizia con il punto\nàèìòù €\n")))
        << body.toStdString();
    const QJsonObject attachment = PartOfType(first, "application/pdf");
    EXPECT_EQ(attachment["disposition"].toString(), "attachment");
    EXPECT_EQ(attachment["filename"].toString(), "listino prezzi.pdf");
    EXPECT_EQ(attachment["sha256"].toString(), Sha256(pdf));
    const QJsonObject envelope = SmtpSink::Envelope(files[0]);
    EXPECT_EQ(envelope["mail_from"].toString(), "ufficio@brivalto.example");
    EXPECT_EQ(envelope["rcpt_tos"].toArray().size(), 3);

    const QJsonObject second = parsed[1].toObject();
    EXPECT_EQ(second["subject"].toString(), html->Subject);
    EXPECT_LE(second["max_line"].toInt(), 78);
    EXPECT_EQ(PartOfType(second, "application/pdf")["filename"].toString(), QFileInfo(longName).fileName());
    EXPECT_EQ(second["from_name"].toString(), QStringLiteral("Società Bianchi & Figli"));
    EXPECT_EQ(second["to"].toArray()[0].toArray()[0].toString(), QStringLiteral("Zoë Müller"));
    EXPECT_TRUE(second["defects"].toArray().isEmpty());
    EXPECT_TRUE(PartOfType(second, "text/html")["text"].toString().contains("cid:" + cid));
    EXPECT_TRUE(PartOfType(second, "text/plain")["text"].toString().contains("Caro cliente"));
    EXPECT_FALSE(PartOfType(second, "text/plain")["text"].toString().contains(QChar::ObjectReplacementCharacter))
        << "the image is no character of the text";
    const QJsonObject image = PartOfType(second, "image/png");
    EXPECT_EQ(image["cid"].toString(), cid);
    EXPECT_EQ(image["disposition"].toString(), "inline");
    EXPECT_EQ(image["sha256"].toString(), Sha256(logo));
    EXPECT_FALSE(PartOfType(second, "multipart/related").isEmpty());
    EXPECT_EQ(PartOfType(second, "application/pdf", 1)["disposition"].toString(), "attachment");
}

TEST(Smtp, SignsInWhenTheServerAsksAndReportsWhy) {
    if (!SmtpSink::Available()) GTEST_SKIP() << "aiosmtpd is not installed";
    SmtpSink sink("utente", "segreta");
    ASSERT_TRUE(sink.Started());

    auto anonymous = Message(sink);
    anonymous->AddRecipient("A", "a@example.com");
    QList<QString> events;
    QObject::connect(anonymous.get(), &SMTP::OnError, [&](int, const QString& d) { events.append(d); });
    EXPECT_NE(anonymous->Send(), 0);
    EXPECT_EQ(anonymous->LastErrorText(), "il server di posta chiede nome utente e password");
    EXPECT_TRUE(anonymous->LastErrorDetail().contains("530")) << anonymous->LastErrorDetail().toStdString();
    EXPECT_EQ(events, QList<QString>({anonymous->LastErrorText()}));

    for (int type : {SMTP::authAuto, SMTP::authLogin, SMTP::authPlain}) {
        auto sm = Message(sink);
        sm->UserName = "utente";
        sm->Password = "segreta";
        sm->AuthType = type;
        sm->AddRecipient("A", "a@example.com");
        EXPECT_EQ(sm->Send(), 0) << type << ": " << sm->LastErrorText().toStdString();
    }
    auto wrong = Message(sink);
    wrong->UserName = "utente";
    wrong->Password = "sbagliata";
    wrong->AddRecipient("A", "a@example.com");
    EXPECT_NE(wrong->Send(), 0);
    EXPECT_EQ(wrong->LastErrorText(), "il server di posta ha rifiutato nome utente o password");
    EXPECT_TRUE(wrong->LastErrorDetail().contains("535")) << wrong->LastErrorDetail().toStdString();

    const QStringList files = sink.Messages(3);
    ASSERT_EQ(files.size(), 3);
    for (const QString& f : files) EXPECT_EQ(SmtpSink::Envelope(f)["login"].toString(), "utente");
}

TEST(Smtp, FailuresHaveTheirReasons) {
    QTemporaryDir dir;
    SMTP sm;
    sm.FromAddress = "a@b.it";
    sm.AddRecipient("x", "x@y.it");
    EXPECT_EQ(sm.Send(), SMTP::errNoServer);
    sm.Server = "127.0.0.1:1";  // nobody listens there
    EXPECT_NE(sm.Send(), 0);
    EXPECT_EQ(sm.LastErrorText(), "impossibile collegarsi al server di posta 127.0.0.1:1");
    EXPECT_TRUE(sm.LastErrorDetail().contains("127.0.0.1")) << sm.LastErrorDetail().toStdString();
    sm.AddAttachment(dir.filePath("manca.pdf"));
    EXPECT_EQ(sm.Send(), SMTP::errFileUnreadable);
    EXPECT_TRUE(sm.LastErrorText().contains("manca.pdf"));
    sm.ClearFiles();
    sm.ClearRecipients();
    EXPECT_EQ(sm.Send(), SMTP::errNoRecipient);
    sm.AddRecipient("x", "x@y.it");
    sm.FromAddress = "";
    EXPECT_EQ(sm.Send(), SMTP::errNoSender);
}

TEST(Smtp, TheServersRefusalsInTheUsersWords) {
    if (!SmtpSink::Available()) GTEST_SKIP() << "aiosmtpd is not installed";
    SmtpSink sink({}, {}, {"--refuse", "nessuno", "--size-limit", "20000"});
    ASSERT_TRUE(sink.Started());
    struct Case {
        QString address;
        int bodySize;
        int security;
        QString reason;
        QString detail;
    };
    const QList<Case> cases = {
        {"nessuno@example.com", 10, SMTP::secTryTLS, "il server di posta ha rifiutato l'indirizzo del destinatario",
         "il server ha risposto: 550 5.1.1 <nessuno@example.com>: Recipient address rejected: User unknown"},
        {"a@example.com", 50000, SMTP::secTryTLS, QString::fromUtf8("il messaggio è troppo grande per il server di posta"),
         "552"},
        {"a@example.com", 10, SMTP::secRequireTLS, "il server di posta non offre il collegamento protetto (TLS)",
         "TLS"},
    };
    for (const Case& c : cases) {
        auto sm = Message(sink);
        sm->Security = c.security;
        sm->AddRecipient("A", c.address);
        sm->Body = QString(c.bodySize, 'x');
        EXPECT_NE(sm->Send(), 0);
        EXPECT_EQ(sm->LastErrorText(), c.reason);
        EXPECT_TRUE(sm->LastErrorDetail().contains(c.detail)) << sm->LastErrorDetail().toStdString();
        // The reply to the command that failed, not the farewell that followed it.
        EXPECT_FALSE(sm->LastErrorDetail().contains("221 ")) << sm->LastErrorDetail().toStdString();
    }
    EXPECT_TRUE(sink.Messages(0, 0).isEmpty());
}
