// Faxes handed to a recording sendfax on PATH: the dialled number, the
// cover page and the document as PDF, refusals, and the fax service's spool.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "Fax.h"
#include "FaxControl.h"
#include "fax/FakeSendfax.h"

using namespace Platform;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& data) {
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(data);
    return f.fileName();
}

FaxCoverRecord Cover() {
    FaxCoverRecord r;
    r.Field[0] = "Vi inviamo il listino aggiornato";
    r.Field[1] = "Listino 2026";
    r.Field[2] = "Via Roma 1";
    r.Field[3] = QStringLiteral("Forlì");
    r.Field[4] = "Rossi Srl";
    r.Field[10] = "Mario Rossi";
    r.Field[15] = "Brivalto Spa";
    r.Field[17] = "0543 999999";
    return r;
}

// Text of a PDF on one line, so that checks do not depend on its layout.
QString Flat(const QString& pdf) { return FakeSendfax::PdfText(pdf).simplified(); }

}  // namespace

TEST(Fax, DialStrings) {
    EXPECT_EQ(FaxDialString("0", "+39 0543/123-456"), "0+390543123456");
    EXPECT_EQ(FaxDialString("", "(0543) 12.34.56"), "0543123456");
    EXPECT_EQ(FaxDialString("0,", "0543 1"), "0,05431");
    EXPECT_EQ(FaxDialString("0", "non disponibile"), "");
    EXPECT_EQ(FaxDialString("0", ""), "");
}

TEST(Fax, ControlSendsCoverAndDocumentAsPdfToTheDialledNumber) {
    FakeSendfax sendfax;
    QTemporaryDir dir;
    const QString letter = WriteFile(dir, "mail.rtf", "{\\rtf1\\ansi Gentile Mario Rossi, ecco il listino.\\par}");
    qvxFAX fax;
    fax.CoverFile = dir.filePath("BrivaltoCover.rtf");  // not there: the default cover page
    fax.Prefix = "0";
    FaxCoverRecord cover = Cover();
    ASSERT_TRUE(fax.Send("0543 123456", cover, letter)) << fax.LastError().toStdString();
    EXPECT_EQ(fax.JobId(), "1");

    const auto calls = sendfax.Calls();
    ASSERT_EQ(calls.size(), 1);
    const FakeSendfax::Call& call = calls[0];
    EXPECT_TRUE(call.args.contains("-n")) << "the cover page is ours, not sendfax's";
    EXPECT_EQ(call.Option("-d"), "Mario Rossi@00543123456");
    EXPECT_EQ(call.Option("-x"), "Rossi Srl");
    EXPECT_EQ(call.Option("-r"), "Listino 2026");
    ASSERT_EQ(call.files.size(), 2);
    EXPECT_TRUE(FakeSendfax::IsPdf(call.files[0]));
    EXPECT_TRUE(FakeSendfax::IsPdf(call.files[1]));
    const QString coverText = Flat(call.files[0]);
    for (const char* expected : {"FAX", "Mario Rossi", "Rossi Srl", "Listino 2026", "Vi inviamo il listino aggiornato",
                                 "0543 123456", "Brivalto Spa", "0543 999999", "Forlì"})
        EXPECT_TRUE(coverText.contains(QString::fromUtf8(expected))) << expected << " in " << coverText.toStdString();
    EXPECT_FALSE(coverText.contains("||")) << "no marker prints as code";
    EXPECT_TRUE(Flat(call.files[1]).contains("Gentile Mario Rossi, ecco il listino."));
}

TEST(Fax, UserCoverPageNoCoverPageAndPdfDocuments) {
    FakeSendfax sendfax;
    QTemporaryDir dir;
    const QString template_ = WriteFile(
        dir, "BrivaltoCover.rtf", "{\\rtf1\\ansi {\\b Alla cortese attenzione di} ||DESTINATARIO||\\par ||OGGETTO|| ||NONESISTE||\\par}");
    const QString pdf = WriteFile(dir, "offerta.pdf", "%PDF-1.4 finto ma intatto");
    qvxFAX fax;
    fax.CoverFile = template_;
    FaxCoverRecord cover = Cover();
    ASSERT_TRUE(fax.Send("0543123456", cover, pdf));
    fax.CoverFile.clear();
    ASSERT_TRUE(fax.Send("0543123456", cover, pdf));

    const auto calls = sendfax.Calls();
    ASSERT_EQ(calls.size(), 2);
    ASSERT_EQ(calls[0].files.size(), 2);
    EXPECT_EQ(Flat(calls[0].files[0]), "Alla cortese attenzione di Mario Rossi Listino 2026");
    QFile sent(calls[0].files[1]);
    ASSERT_TRUE(sent.open(QIODevice::ReadOnly));
    EXPECT_EQ(sent.readAll(), "%PDF-1.4 finto ma intatto") << "a PDF document goes as it is";
    EXPECT_EQ(calls[1].files.size(), 1) << "no cover page";
    EXPECT_EQ(calls[1].Option("-d"), "Mario Rossi@0543123456") << "no prefix set, none dialled";
}

TEST(Fax, ControlReportsEveryRefusal) {
    QTemporaryDir dir;
    const QString letter = WriteFile(dir, "mail.rtf", "{\\rtf1 x\\par}");
    qvxFAX fax;
    QStringList events;
    QObject::connect(&fax, &qvxFAX::OnError, [&](const QString& e) { events << e; });
    FaxCoverRecord cover = Cover();
    {
        // No fax command at all: not available, never sent.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir.path().toLocal8Bit());
        EXPECT_FALSE(fax.Send("0543123456", cover, letter));
        qputenv("PATH", path);
        EXPECT_TRUE(fax.LastError().contains("non disponibile"));
    }
    FakeSendfax sendfax;
    EXPECT_FALSE(fax.Send("nessuno", cover, letter));
    EXPECT_TRUE(fax.LastError().contains("numero di fax non valido"));
    EXPECT_FALSE(fax.Send("0543123456", cover, QString()));
    EXPECT_TRUE(fax.LastError().contains("nessun documento"));
    EXPECT_FALSE(fax.Send("0543123456", cover, dir.filePath("manca.rtf")));
    EXPECT_TRUE(fax.LastError().contains("manca.rtf"));
    // A letter asking for a table of 300 x 300 cells is refused, not handed to the office suite.
    EXPECT_FALSE(fax.Send("0543123456", cover, QStringLiteral(BRIVALTO_TEST_DATA "/rtf/huge/row300x300.rtf")));
    EXPECT_EQ(fax.LastError(), QStringLiteral("Il documento RTF contiene tabelle troppo grandi: più di 50000 celle"));
    EXPECT_TRUE(sendfax.Calls().isEmpty());

    // Told in the user's words, with sendfax's own kept for the log.
    sendfax.Refuse(1, "sendfax: Can not reach server at host \"fax\", port 4559.");
    EXPECT_FALSE(fax.Send("0543123456", cover, letter));
    EXPECT_EQ(fax.LastError(), "impossibile collegarsi al server dei fax");
    EXPECT_EQ(fax.LastErrorDetail(), "sendfax: Can not reach server at host \"fax\", port 4559.");
    sendfax.Refuse(4, "sendfax: something else");
    EXPECT_FALSE(fax.Send("0543123456", cover, letter));
    EXPECT_EQ(fax.LastError(), "sendfax non ha accettato il fax (codice 4)");
    EXPECT_EQ(events.size(), 7);
    EXPECT_EQ(events.last(), fax.LastError());
}

TEST(Fax, OutsideProgramSendsWhatItWasGivenAndTellsTheOutcome) {
    {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        EXPECT_EQ(FaxProgram::Create(), nullptr);
        qputenv("PATH", path);
    }
    FakeSendfax sendfax;
    QTemporaryDir dir;
    const QString letter = WriteFile(dir, "mail.rtf", "{\\rtf1 Lettera per il fax\\par}");
    auto program = FaxProgram::Create();
    ASSERT_NE(program, nullptr);
    program->Sender.insert("MITT_AZIENDA", "Brivalto Spa");
    program->Init();
    program->AddAttachmentFile(letter);
    program->Number = "0543-123456";
    program->To = "Mario Rossi";
    program->Company = "Rossi Srl";
    program->AddRecipient();
    program->SetSubject("Listino");
    program->SetCoverText("Nota di copertina");
    program->SetHold(0);
    program->ShowSendScreen(0);
    program->SetUseCover(1);
    EXPECT_TRUE(program->Send(0)) << program->LastError().toStdString();
    program->Done();

    auto calls = sendfax.Calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].Option("-d"), "Mario Rossi@0543123456");
    ASSERT_EQ(calls[0].files.size(), 2);
    const QString cover = Flat(calls[0].files[0]);
    EXPECT_TRUE(cover.contains("Nota di copertina"));
    EXPECT_TRUE(cover.contains("Brivalto Spa"));
    EXPECT_TRUE(Flat(calls[0].files[1]).contains("Lettera per il fax"));

    sendfax.Refuse(2, "sendfax: job rejected");
    program->Init();
    program->AddAttachmentFile(letter);
    program->Number = "0543123456";
    program->AddRecipient();
    EXPECT_FALSE(program->Send(0));
    EXPECT_EQ(program->LastError(), "il server dei fax ha rifiutato il fax");
    EXPECT_EQ(program->LastErrorDetail(), "sendfax: job rejected");
}

TEST(Fax, ServiceSpoolTakesWholeJobs) {
    QTemporaryDir spool;
    qputenv("BRIVALTO_FAX_SPOOL", spool.path().toLocal8Bit());
    QTemporaryDir dir;
    const QString letter = WriteFile(dir, "mail.rtf", "{\\rtf1 Per il servizio fax\\par}");
    qvxFAX fax;
    fax.UseFaxService = true;
    fax.CoverFile = dir.filePath("BrivaltoCover.cov");
    fax.Prefix = "9";
    FaxCoverRecord cover = Cover();
    ASSERT_TRUE(fax.Send("0543 123456", cover, letter)) << fax.LastError().toStdString();
    const QStringList jobs = QDir(spool.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_EQ(jobs[0], fax.JobId());
    QDir job(spool.filePath(jobs[0]));
    QFile description(job.filePath("job.txt"));
    ASSERT_TRUE(description.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(description.readAll());
    EXPECT_TRUE(text.contains("numero=90543123456\n"));
    EXPECT_TRUE(text.contains("destinatario=Mario Rossi\n"));
    EXPECT_EQ(job.entryList({"*.pdf"}).size(), 2);

    qputenv("BRIVALTO_FAX_SPOOL", dir.filePath("manca").toLocal8Bit());
    EXPECT_FALSE(fax.Send("0543 123456", cover, letter));
    qunsetenv("BRIVALTO_FAX_SPOOL");
}
