// The fax channel in mailing runs, handing faxes to a recording sendfax on
// PATH: cover page and letter as PDF, the number dialled with the prefix,
// and a fax recorded only when sendfax accepted it.
#include "MailingDb.h"

#include "CommonDialog.h"
#include "FaxControl.h"
#include "RichTextBox.h"
#include "Settings.h"
#include "fax/FakeSendfax.h"
#include "frmEditor.h"
#include "frmMailing.h"
#include "frmReport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

class FaxRun : public MailingDb {
protected:
    void SetUp() override {
        MailingDb::SetUp();
        Global::gFaxTalkAvailable = false;
        Global::gFaxServerAvailable = false;
        Set("Fax", "Prefix", "0");
        Set("Sender", "Company", "Brivalto Spa");
        Set("Sender", "Fax", "0543 999999");
        Set("Sender", "Contact", "Anna Verdi");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,NOME,COGNOME,AZIENDA,FAX,CITTA) VALUES "
                   "(1,'Mario','Rossi','Rossi Srl','0543 123456','Forlì')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,FAX) VALUES (2,'Bianchi','0543 654321')");
        Open();
    }
    // The window as the user opens it, with the mailing's letter, subject and note.
    void Open() {
        form = std::make_unique<frmMailing>();
        form->Load();
        QFile letter(files.filePath("lettera.rtf"));
        letter.open(QIODevice::WriteOnly);
        letter.write("{\\rtf1\\ansi Gentile ||NOME|| ||COGNOME||, ecco il listino.\\par}");
        letter.close();
        form->txNomeFile->setText(letter.fileName());
        form->txSubject->setText("Listino 2026");
        form->txText->setPlainText("Nota per la copertina");
    }
    void TearDown() override {
        if (Platform::IsDefaultInstanceLoaded<frmReport>()) Platform::DefaultInstance<frmReport>().Unload();
        form.reset();
        Global::gFaxTalkAvailable = false;
        Global::gFaxServerAvailable = false;
        MailingDb::TearDown();
    }
    static void Set(const char* section, const char* key, const QString& value) {
        Platform::SaveSetting(Platform::App::EXEName(), section, key, value);
    }
    void Run(const QList<int>& ids) {
        for (int id : ids) form->LV->AddItem("K" + QString::number(id), QString::number(id));
        form->opTipoInvio[2]->setChecked(true);
        form->cmdGo_Click();
    }
    QStringList Report(int column) { return Texts(*Platform::DefaultInstance<frmReport>().LV, column); }
    static QString Flat(const QString& pdf) { return FakeSendfax::PdfText(pdf).simplified(); }

    std::unique_ptr<frmMailing> form;
    QTemporaryDir files;
};

}  // namespace

TEST_F(FaxRun, FaxControlSendsCoverAndMergedLetterToThePrefixedNumber) {
    FakeSendfax sendfax;
    Run({1, 2});
    EXPECT_EQ(Report(2), QStringList({"fax", "fax"}));
    EXPECT_EQ(Report(3), QStringList({"", ""}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='F'"), 2);

    const auto calls = sendfax.Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].Option("-d"), "Mario Rossi@00543123456");
    EXPECT_EQ(calls[1].Option("-d"), "Bianchi@00543654321") << "no first name, no leading blank";
    ASSERT_EQ(calls[0].files.size(), 2);
    EXPECT_TRUE(FakeSendfax::IsPdf(calls[0].files[0]));
    const QString cover = Flat(calls[0].files[0]);
    for (const char* expected : {"Mario Rossi", "Rossi Srl", "Listino 2026", "Nota per la copertina", "Brivalto Spa",
                                 "Anna Verdi", "0543 999999", "0543 123456", "Forlì"})
        EXPECT_TRUE(cover.contains(QString::fromUtf8(expected))) << expected << " in " << cover.toStdString();
    EXPECT_EQ(Flat(calls[0].files[1]), "Gentile Mario Rossi, ecco il listino.");
    EXPECT_EQ(Flat(calls[1].files[1]), "Gentile Bianchi, ecco il listino.");
}

TEST_F(FaxRun, NoCoverPageAndTheUsersOwnCoverPage) {
    FakeSendfax sendfax;
    form->ckNoCoverPage->setChecked(true);
    Run({1});
    QFile own(QDir(Platform::WorkFolder()).filePath("BrivaltoCover.rtf"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("{\\rtf1\\ansi Copertina di ||MITT_AZIENDA|| per ||DESTINATARIO||: ||OGGETTO||\\par}");
    own.close();
    form->ckNoCoverPage->setChecked(false);
    form->cmdGo_Click();

    const auto calls = sendfax.Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].files.size(), 1);
    EXPECT_EQ(Flat(calls[0].files[0]), "Gentile Mario Rossi, ecco il listino.");
    ASSERT_EQ(calls[1].files.size(), 2);
    EXPECT_EQ(Flat(calls[1].files[0]), "Copertina di Brivalto Spa per Mario Rossi: Listino 2026");
}

TEST_F(FaxRun, ARefusedOrImpossibleFaxIsReportedAndNotRecorded) {
    {
        // No fax command: not available, never sent.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", files.path().toLocal8Bit());
        Run({1});
        qputenv("PATH", path);
    }
    FakeSendfax sendfax;
    sendfax.Refuse(1, "sendfax: Can not reach server at host \"fax\", port 4559.");
    form->cmdGo_Click();
    const QStringList errors = Report(3);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].startsWith("invio fax non riuscito: fax non disponibile")) << errors[0].toStdString();
    // In the user's words in the report; sendfax's own in the send log.
    EXPECT_EQ(errors[1], "invio fax non riuscito: impossibile collegarsi al server dei fax");
    EXPECT_EQ(form->LastSendError, "impossibile collegarsi al server dei fax");
    QFile log(work + "/LogInvio.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("invio fax non riuscito: impossibile collegarsi al server dei fax (sendfax: Can "
                                       "not reach server at host \"fax\", port 4559.)"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

// A document LibreOffice cannot open is told in Italian on both routes;
// LibreOffice's own words go to the send log.
TEST_F(FaxRun, ADocumentThatCannotBeOpenedIsToldInItalian) {
    FakeSendfax sendfax;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray(BRIVALTO_FAKES) + ":" + qgetenv("PATH"));
    QFile document(files.filePath("guasto.doc"));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("x");
    document.close();
    form->txNomeFile->setText(document.fileName());
    Run({1});
    Global::gFaxTalkAvailable = true;
    form->cmdGo_Click();
    qputenv("PATH", path);
    const QString cause = "invio fax non riuscito: il documento guasto.doc non si può aprire: è danneggiato o non è "
                          "in un formato che LibreOffice legge";
    EXPECT_EQ(Report(3), QStringList({cause, cause}));
    EXPECT_TRUE(sendfax.Calls().isEmpty());
    QFile log(work + "/LogInvio.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()).count(cause + " (LibreOffice: Error: source file could not be loaded)\r\n"), 2);
}

TEST_F(FaxRun, OutsideFaxProgramReadsItsOutcome) {
    FakeSendfax sendfax;
    Global::gFaxTalkAvailable = true;
    form->ckNoCoverPage->setChecked(true);  // the outside program always sends its cover page
    Run({1});
    sendfax.Refuse(3, "sendfax: job rejected by the server");
    form->cmdGo_Click();

    EXPECT_EQ(Report(3), QStringList({"", "invio fax non riuscito: il server dei fax ha rifiutato il fax"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='F'"), 1);
    const auto calls = sendfax.Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].Option("-d"), "Mario Rossi@0543123456") << "the outside program dials the number as it is";
    ASSERT_EQ(calls[0].files.size(), 2);
    const QString cover = Flat(calls[0].files[0]);
    EXPECT_TRUE(cover.contains("Nota per la copertina"));
    EXPECT_TRUE(cover.contains("Brivalto Spa"));
    EXPECT_EQ(Flat(calls[0].files[1]), "Gentile Mario Rossi, ecco il listino.");
}

TEST_F(FaxRun, WithOnlyTheFaxServiceTheCoverEditedIsTheCoverSent) {
    QTemporaryDir spool;
    qputenv("BRIVALTO_FAX_SPOOL", spool.path().toLocal8Bit());
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", files.path().toLocal8Bit());  // no fax command
    Global::gFaxServerAvailable = true;
    Open();
    form->cmdFaxCover_Click();
    auto& editor = Platform::DefaultInstance<frmEditor>();
    ASSERT_TRUE(editor.isVisible());
    EXPECT_TRUE(editor.RTFText->Text().startsWith("FAX\n"));
    editor.RTFText->SetText("Copertina di ||MITT_AZIENDA|| per ||DESTINATARIO||");
    QString offered;
    Platform::SetFileDialogHandler([&](const Platform::FileDialogCall& call) {
        offered = call.initialName;
        return call.initialName;
    });
    editor.mnuFileSave_Click();
    Platform::SetFileDialogHandler(nullptr);
    editor.Unload();
    EXPECT_EQ(offered, QDir(work).filePath("BrivaltoCover.rtf"));
    Run({1});
    qputenv("PATH", path);
    qunsetenv("BRIVALTO_FAX_SPOOL");

    EXPECT_EQ(Report(3), QStringList({""}));
    const QStringList jobs = QDir(spool.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(jobs.size(), 1);
    const QStringList pages = QDir(spool.filePath(jobs[0])).entryList({"*.pdf"}, QDir::Files, QDir::Name);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(Flat(QDir(spool.filePath(jobs[0])).filePath(pages[0])), "Copertina di Brivalto Spa per Mario Rossi");
    EXPECT_EQ(QDir(program).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList({"libqvxSMS2.so"}));
}

TEST_F(FaxRun, SystemFaxServiceTakesTheJobInItsQueue) {
    QTemporaryDir spool;
    qputenv("BRIVALTO_FAX_SPOOL", spool.path().toLocal8Bit());
    Global::gFaxServerAvailable = true;
    Run({1});
    qunsetenv("BRIVALTO_FAX_SPOOL");
    EXPECT_EQ(Report(3), QStringList({""}));
    const QStringList jobs = QDir(spool.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(jobs.size(), 1);
    QFile description(QDir(spool.filePath(jobs[0])).filePath("job.txt"));
    ASSERT_TRUE(description.open(QIODevice::ReadOnly));
    EXPECT_TRUE(description.readAll().contains("numero=00543123456\n"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='F'"), 1);
}

TEST_F(FaxRun, EveryMarkerOfTheCoverIsFilledOnEveryRoute) {
    FakeSendfax sendfax;
    Set("Sender", "Address", "Via Emilia 5, Forlì");
    Set("Sender", "Phone", "0543 111111");
    cn.Execute("INSERT INTO ANAGRAFICA (ID,TITOLO,NOME,COGNOME,AZIENDA,INDIRIZZO,CAP,CITTA,PROVINCIA,NAZIONE,TELEFONO,FAX) "
               "VALUES (3,'Dott.','Luca','Neri','Neri Spa','Via Roma 1','47121','Cesena','FC','Italia','0547 222222',"
               "'0547 333333')");
    const QList<std::pair<const char*, const char*>> expected = {
        {"DESTINATARIO", "Luca Neri"},    {"TITOLO", "Dott."},           {"AZIENDA", "Neri Spa"},
        {"INDIRIZZO", "Via Roma 1"},      {"CAP", "47121"},              {"CITTA", "Cesena"},
        {"PROVINCIA", "FC"},              {"NAZIONE", "Italia"},         {"TELEFONO", "0547 222222"},
        {"NUMEROFAX", "0547 333333"},     {"OGGETTO", "Listino 2026"},   {"NOTA", "Nota per la copertina"},
        {"MITT_AZIENDA", "Brivalto Spa"}, {"MITT_INDIRIZZO", "Via Emilia 5, Forlì"},
        {"MITT_CONTATTO", "Anna Verdi"},  {"MITT_FAX", "0543 999999"},   {"MITT_TELEFONO", "0543 111111"}};
    QByteArray template_ = "{\\rtf1\\ansi ";
    for (const auto& [marker, value] : expected) template_ += QByteArray(marker) + "=||" + marker + "||\\par ";
    template_ += "DATA=||DATA||\\par}";
    QFile own(QDir(Platform::WorkFolder()).filePath("BrivaltoCover.rtf"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write(template_);
    own.close();

    Run({3});  // the fax control
    Global::gFaxTalkAvailable = true;
    form->cmdGo_Click();  // the outside fax program
    EXPECT_EQ(Report(3), QStringList({"", ""}));
    const auto calls = sendfax.Calls();
    ASSERT_EQ(calls.size(), 2);
    for (const auto& call : calls) {
        ASSERT_EQ(call.files.size(), 2);
        const QStringList lines = FakeSendfax::PdfText(call.files[0]).split('\n', Qt::SkipEmptyParts);
        for (const auto& [marker, value] : expected)
            EXPECT_TRUE(lines.contains(QString::fromUtf8(marker) + "=" + QString::fromUtf8(value)))
                << marker << " in " << lines.join('|').toStdString();
        EXPECT_TRUE(lines.contains("DATA=" + Platform::Now().toString("dd/MM/yyyy"))) << lines.join('|').toStdString();
    }
}
