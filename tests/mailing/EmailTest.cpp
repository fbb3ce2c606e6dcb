// The e-mail channel in mailing runs against a real SMTP server on
// 127.0.0.1, every message read back by Python's email package.
#include "MailingDb.h"

#include "SMTP.h"
#include "Settings.h"
#include "frmMailing.h"
#include "frmReport.h"
#include "smtp/SmtpSink.h"

#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

class EmailRun : public MailingDb {
protected:
    void SetUp() override {
        if (!SmtpSink::Available()) GTEST_SKIP() << "aiosmtpd is not installed";
        MailingDb::SetUp();
        Mail("Indirizzo", "ufficio@brivalto.example");
        Mail("NomeInMail", "Ufficio Brivalto");
    }
    void TearDown() override {
        if (Platform::IsDefaultInstanceLoaded<frmReport>()) Platform::DefaultInstance<frmReport>().Unload();
        form.reset();
        MailingDb::TearDown();
    }
    static void Mail(const QString& key, const QString& value) {
        Platform::SaveSetting(Platform::App::EXEName(), "eMail", key, value);
    }
    void Person(int id, const QString& nome, const QString& cognome, const QString& titolo, const QString& email) {
        cn.Execute("INSERT INTO ANAGRAFICA (ID,NOME,COGNOME,TITOLO,EMAIL) VALUES (?,?,?,?,?)",
                   {id, nome, cognome, titolo, email});
    }
    frmMailing& Open(const SmtpSink& sink) {
        Mail("SMPTServer", sink.Server());
        form = std::make_unique<frmMailing>();
        form->Load();
        return *form;
    }
    // Runs the mailing over the records in e-mail only mode.
    void Run(const QList<int>& ids) {
        for (int id : ids) form->LV->AddItem("K" + QString::number(id), QString::number(id));
        form->opTipoInvio[1]->setChecked(true);
        form->cmdGo_Click();
    }
    QStringList Report(int column) { return Texts(*Platform::DefaultInstance<frmReport>().LV, column); }
    QString WriteFile(const QString& name, const QByteArray& data) {
        QFile f(files.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return f.fileName();
    }
    static QJsonObject Part(const QJsonObject& message, const QString& type, int nth = 0) {
        for (const QJsonValue& p : message["parts"].toArray())
            if (p["type"].toString() == type && nth-- == 0) return p.toObject();
        return {};
    }
    static int Count(const QJsonObject& message, const QString& type) {
        int n = 0;
        for (const QJsonValue& p : message["parts"].toArray()) n += p["type"].toString() == type;
        return n;
    }
    std::unique_ptr<frmMailing> form;
    QTemporaryDir files;
};

}  // namespace

TEST(CleanEMail, KeepsOnlyWhatAnAddressHolds) {
    EXPECT_EQ(frmMailing::CleanEMail(" Mario.Rossi_1-x+news@Example.COM "), "Mario.Rossi_1-x+news@Example.COM");
    EXPECT_EQ(frmMailing::CleanEMail(QStringLiteral("màrio o'rossi@x.it")), "mrioorossi@x.it");
    EXPECT_EQ(frmMailing::CleanEMail("a;b@x.it"), "ab@x.it");
}

TEST_F(EmailRun, TextBodyWithTheMergedLetterAttached) {
    SmtpSink sink;
    ASSERT_TRUE(sink.Started());
    Person(1, "Mario", "Rossi", "Sig.", "mario.rossi+news@example.com, ;luca@example.com;");
    Person(2, QStringLiteral("Zoë"), QStringLiteral("Müller"), "Dott.ssa", "zoe@example.com");
    auto& f = Open(sink);
    f.txNomeFile->setText(WriteFile("lettera.rtf", "{\\rtf1\\ansi Egregio ||TITOLO|| {\\b ||COGNOME||},\\par a presto.\\par}"));
    f.txSubject->setText("Offerta per $TITOLO$ $NOME$ $COGNOME$ ($nome$)");
    f.txText->setPlainText("Gentile $NOME$,\nin allegato la lettera.");
    f.opTipoMail[1]->setChecked(true);
    Run({1, 2});

    EXPECT_EQ(Report(3), QStringList({"", ""}));
    EXPECT_EQ(Report(2), QStringList({"e-mail", "e-mail"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='E'"), 2);

    const QStringList mails = sink.Messages(2);
    ASSERT_EQ(mails.size(), 2);
    const QJsonArray parsed = SmtpSink::Parse(mails);
    const QJsonObject first = parsed[0].toObject();
    EXPECT_EQ(first["subject"].toString(), "Offerta per Sig. Mario Rossi ($nome$)");
    EXPECT_EQ(first["from_name"].toString(), "Ufficio Brivalto");
    EXPECT_EQ(first["from_addr"].toString(), "ufficio@brivalto.example");
    const QJsonArray to = first["to"].toArray();
    ASSERT_EQ(to.size(), 2) << "a trailing separator adds nobody";
    EXPECT_EQ(to[0].toArray()[0].toString(), "Mario Rossi");
    EXPECT_EQ(to[0].toArray()[1].toString(), "mario.rossi+news@example.com");
    EXPECT_EQ(to[1].toArray()[1].toString(), "luca@example.com");
    EXPECT_TRUE(first["defects"].toArray().isEmpty());
    EXPECT_EQ(Part(first, "text/plain")["text"].toString().replace("\r\n", "\n").trimmed(),
              "Gentile $NOME$,\nin allegato la lettera.")
        << "a text body goes as typed";
    QJsonObject letter = Part(first, "text/rtf");
    if (letter.isEmpty()) letter = Part(first, "application/rtf");
    ASSERT_FALSE(letter.isEmpty());
    EXPECT_EQ(letter["filename"].toString(), "mail.rtf");
    EXPECT_EQ(letter["disposition"].toString(), "attachment");
    const QString merged = letter.contains("text") ? letter["text"].toString()
                                                   : QString::fromLatin1(QByteArray::fromBase64(letter["data_b64"].toString().toLatin1()));
    EXPECT_TRUE(merged.contains("Egregio Sig. {\\b Rossi}")) << merged.toStdString();

    const QJsonObject second = parsed[1].toObject();
    EXPECT_EQ(second["subject"].toString(), QStringLiteral("Offerta per Dott.ssa Zoë Müller ($nome$)"));
    EXPECT_EQ(second["to"].toArray()[0].toArray()[0].toString(), QStringLiteral("Zoë Müller"));
}

TEST_F(EmailRun, HtmlBodyWithItsImagesEmbedded) {
    SmtpSink sink;
    ASSERT_TRUE(sink.Started());
    Person(1, "Mario", "Rossi", "Sig.", "mario@example.com");
    QImage(6, 6, QImage::Format_RGB32).save(files.filePath("logo.png"));
    QImage(3, 3, QImage::Format_RGB32).save(files.filePath("firma.png"));
    const QString html = WriteFile(
        "news.html",
        QStringLiteral("<html><body>\r\n<p>Caro $TITOLO$ $NOME$ $COGNOME$, città di Forlì</p>\r\n"
                       "<img src=\"logo.png\"><img SRC=\"logo.png\">\n"
                       "<img src=\"%1\">\r\n"
                       "<a href=\"logo.png\">logo.png</a>\r\n"
                       "<img src=\"http://example.com/remoto.gif\"><img src=\"CID:gia-pronto\"><img src=\"manca.gif\">\r\n"
                       "</body></html>\r\n")
            .arg(files.filePath("firma.png"))
            .toUtf8());
    auto& f = Open(sink);
    f.HtmlFile = "  " + html + " ";
    f.txNomeFile->setText(WriteFile("listino.pdf", "%PDF-1.4 listino"));
    f.txSubject->setText("Novità per $NOME$");
    f.opTipoMail[0]->setChecked(true);
    Run({1});

    EXPECT_EQ(Report(3), QStringList({""}));
    const QStringList mails = sink.Messages(1);
    ASSERT_EQ(mails.size(), 1);
    const QJsonObject message = SmtpSink::Parse(mails)[0].toObject();
    EXPECT_EQ(message["subject"].toString(), QStringLiteral("Novità per Mario"));
    EXPECT_TRUE(message["defects"].toArray().isEmpty());
    const QString body = Part(message, "text/html")["text"].toString();
    EXPECT_TRUE(body.startsWith("\r\n<html><body>\r\n")) << body.toStdString();
    EXPECT_TRUE(body.contains(QStringLiteral("Caro Sig. Mario Rossi, città di Forlì")));
    EXPECT_FALSE(body.contains("src=\"logo.png\"", Qt::CaseInsensitive));
    EXPECT_EQ(body.count("cid:"), 3) << body.toStdString();
    EXPECT_TRUE(body.contains("<a href=\"logo.png\">logo.png</a>")) << "only the image attribute changes";
    EXPECT_TRUE(body.contains("src=\"http://example.com/remoto.gif\""));
    EXPECT_TRUE(body.contains("src=\"CID:gia-pronto\""));
    EXPECT_TRUE(body.contains("src=\"manca.gif\""));
    EXPECT_EQ(Count(message, "image/png"), 2) << "the same image is embedded once";
    for (int i = 0; i < 2; ++i) {
        const QJsonObject image = Part(message, "image/png", i);
        EXPECT_TRUE(body.contains("cid:" + image["cid"].toString()));
        EXPECT_EQ(image["disposition"].toString(), "inline");
    }
    EXPECT_EQ(Part(message, "application/pdf")["filename"].toString(), "listino.pdf");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='E'"), 1);
}

TEST_F(EmailRun, AnHtmlBodyCarriesOnlyImagesAndFindsThemBesideItself) {
    SmtpSink sink;
    ASSERT_TRUE(sink.Started());
    Person(1, "Mario", "Rossi", "", "mario@example.com");
    Person(2, "Anna", "Bianchi", "", "anna@example.com");
    QDir(files.path()).mkpath("modelli");
    QDir(files.path()).mkpath("corrente");
    QImage beside(7, 5, QImage::Format_RGB32);
    beside.fill(Qt::red);
    beside.save(files.filePath("modelli/logo.png"));
    QImage(2, 2, QImage::Format_RGB32).save(files.filePath("corrente/logo.png"));  // same name, current folder
    QImage(4, 4, QImage::Format_RGB32).save(files.filePath("modelli/foto.dat"), "PNG");  // an image by its content
    WriteFile("segreto.conf", "[SMS]\nPASSWORD=segreta\n");
    WriteFile("modelli/finta.png", "PASSWORD=segreta");
    const QString html = WriteFile("modelli/news.html",
                                   QStringLiteral("<html><body><img src=\"logo.png\"><img src=\"../segreto.conf\">"
                                                  "<img src=\"%1\"><img src=\"finta.png\"><img src=\"foto.dat\">"
                                                  "</body></html>")
                                       .arg(files.filePath("segreto.conf"))
                                       .toUtf8());
    const QString current = QDir::currentPath();
    QDir::setCurrent(files.filePath("corrente"));
    auto& f = Open(sink);
    f.HtmlFile = html;
    f.txNomeFile->clear();
    f.txSubject->setText("Novità");
    f.opTipoMail[0]->setChecked(true);
    Run({1, 2});
    QDir::setCurrent(current);

    // Told once in the run, on a line of its own; both messages still go.
    const QString note = "il corpo HTML nomina file che non sono immagini, lasciati come scritti e non inviati: "
                         "../segreto.conf, " + files.filePath("segreto.conf") + ", finta.png";
    EXPECT_EQ(Report(3), QStringList({note, "", ""}));
    EXPECT_EQ(Report(2), QStringList({"e-mail", "e-mail", "e-mail"}));
    const QStringList mails = sink.Messages(2);
    ASSERT_EQ(mails.size(), 2);
    for (const QJsonValue& value : SmtpSink::Parse(mails)) {
        const QJsonObject message = value.toObject();
        const QString body = Part(message, "text/html")["text"].toString();
        EXPECT_TRUE(body.contains("src=\"../segreto.conf\""));
        EXPECT_TRUE(body.contains("src=\"" + files.filePath("segreto.conf") + "\""));
        EXPECT_TRUE(body.contains("src=\"finta.png\""));
        EXPECT_FALSE(body.contains("src=\"logo.png\"")) << body.toStdString();
        EXPECT_FALSE(body.contains("src=\"foto.dat\"")) << body.toStdString();
        QList<QImage> images;
        for (const QJsonValue& part : message["parts"].toArray()) {
            if (!part["data_b64"].isString()) continue;
            QImage image;
            EXPECT_TRUE(image.loadFromData(QByteArray::fromBase64(part["data_b64"].toString().toLatin1())))
                << part["type"].toString().toStdString();
            images << image;
        }
        ASSERT_EQ(images.size(), 2) << "the two images, nothing else";
        EXPECT_EQ(images[0].size(), QSize(7, 5)) << "the image beside the HTML file, not the current folder's";
        EXPECT_EQ(images[1].size(), QSize(4, 4));
    }
    QFile log(work + "/LogInvio.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()).count(note), 1);
}

TEST_F(EmailRun, SignsInOnlyWhenTheSettingsSaySo) {
    SmtpSink sink("mailing", "parola");
    ASSERT_TRUE(sink.Started());
    Person(1, "Mario", "Rossi", "", "mario@example.com");
    Mail("SMPTServerUser", "mailing");
    Mail("SMPTServerPass", "parola");
    Mail("SMPTServerAuth", "1");
    auto& f = Open(sink);
    f.opTipoMail[1]->setChecked(true);
    f.txNomeFile->clear();
    env.AnswerNext(Platform::vbYes);  // no document: only subject and note
    Run({1});
    ASSERT_EQ(sink.Messages(1).size(), 1);
    EXPECT_EQ(SmtpSink::Envelope(sink.Messages(1)[0])["login"].toString(), "mailing");

    // With authentication off, the stored user and password are not given to the server.
    Mail("SMPTServerAuth", "0");
    env.AnswerNext(Platform::vbYes);
    f.cmdGo_Click();
    const QStringList messages = Report(3);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "");
    EXPECT_TRUE(messages[1].startsWith("invio e-mail non riuscito: ")) << messages[1].toStdString();
    EXPECT_GT(messages[1].size(), QString("invio e-mail non riuscito: ").size());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 1);
    EXPECT_EQ(f.LastSendError, f.SM->LastErrorText()) << "the error event fills the window's last error";
}

TEST_F(EmailRun, MissingHtmlFileAndUnreachableServer) {
    SmtpSink sink;
    ASSERT_TRUE(sink.Started());
    Person(1, "Mario", "Rossi", "", "mario@example.com");
    Person(2, "Anna", "Bianchi", "", "anna@example.com");
    auto& f = Open(sink);
    f.opTipoMail[0]->setChecked(true);
    f.HtmlFile = files.filePath("sparito.html");
    Run({1, 2});
    EXPECT_EQ(env.Prompts(), QStringList({"Il file HTML impostato non esiste", "Il file HTML impostato non esiste"}));
    EXPECT_EQ(Report(3), QStringList(2, "invio e-mail non riuscito: Il file HTML impostato non esiste"));
    EXPECT_TRUE(sink.Messages(0, 0).isEmpty());
    Platform::DefaultInstance<frmReport>().Unload();
    env.ClearBoxes();

    Mail("SMPTServer", "127.0.0.1:1");
    f.opTipoMail[1]->setChecked(true);
    env.AnswerNext(Platform::vbYes);  // no document: only subject and note
    f.cmdGo_Click();
    // In the user's words, whole in the report; the mail library's own text in the log.
    const QString refused = "invio e-mail non riuscito: impossibile collegarsi al server di posta 127.0.0.1:1";
    EXPECT_EQ(Report(3), QStringList(2, refused));
    auto& report = *Platform::DefaultInstance<frmReport>().LV;
    report.resize(300, 200);
    EXPECT_GE(report.columnWidth(3), report.fontMetrics().horizontalAdvance(refused));
    QFile log(work + "/LogInvio.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(lines.contains("e-mail (Rossi Mario) - " + refused + " (")) << lines.toStdString();
    EXPECT_TRUE(lines.contains(f.SM->LastErrorDetail())) << lines.toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

TEST_F(EmailRun, ARefusedRecipientIsLoggedWithTheServersReplyToThatRecipient) {
    SmtpSink sink({}, {}, {"--refuse", "nessuno"});
    ASSERT_TRUE(sink.Started());
    Person(1, "Mario", "Rossi", "", "nessuno@example.com");
    auto& f = Open(sink);
    f.opTipoMail[1]->setChecked(true);
    f.txNomeFile->clear();
    env.AnswerNext(Platform::vbYes);  // no document: only subject and note
    Run({1});
    EXPECT_EQ(Report(3), QStringList({"invio e-mail non riuscito: il server di posta ha rifiutato l'indirizzo del "
                                      "destinatario"}));
    QFile log(work + "/LogInvio.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(lines.contains("550 5.1.1 <nessuno@example.com>: Recipient address rejected: User unknown"))
        << lines.toStdString();
    EXPECT_FALSE(lines.contains("221 ")) << lines.toStdString();
}

TEST_F(EmailRun, AnErrorInsideTheChannelIsThatRecipientsFailureLine) {
    SmtpSink sink;
    ASSERT_TRUE(sink.Started());
    Person(1, "Mario", "Rossi", "", "mario@example.com");
    auto& f = Open(sink);
    // A record read without the columns the message needs.
    ADODB::Recordset rs;
    rs.Open("SELECT ID,COGNOME,NOME,AZIENDA,EMAIL FROM ANAGRAFICA WHERE ID=1", cn, ADODB::adOpenForwardOnly, ADODB::adLockOptimistic);
    f.SendMail(rs);
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].endsWith(" - Procedura SendMail di Form frmMailing")) << env.Prompts()[0].toStdString();
    const QStringList errors = Report(3);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("invio e-mail non riuscito: ")) << errors[0].toStdString();
    EXPECT_GT(errors[0].size(), QString("invio e-mail non riuscito: ").size());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}
