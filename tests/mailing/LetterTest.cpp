// Letters personalised for each recipient and printed: the thirteen markers
// on real letters, the work file, Word and Excel documents, failures.
#include "MailingDb.h"

#include "Office.h"
#include "PdfText.h"
#include "RtfMerge.h"
#include "frmMailing.h"
#include "frmReport.h"

#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QRadioButton>
#include <QRegularExpression>

namespace {

class Letters : public MailingDb {
protected:
    void SetUp() override {
        MailingDb::SetUp();
        cn.Execute("INSERT INTO ANAGRAFICA (ID,TITOLO,CATEGORIA,COGNOME,NOME,INDIRIZZO,CAP,CITTA,PROVINCIA,NAZIONE,EMAIL,"
                   "TELEFONO,FAX) VALUES (1,'Dott.','Clienti & Fornitori','D''Aloisio','Niccolò','Via Sarà 3',"
                   "'47121','Forlì','FC','Italia','n.daloisio@example.it','0543 123456','0543 654321')");
        // Only the surname: every other marker becomes nothing.
        cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME) VALUES (2,'Bassi')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME) VALUES (3,'||NOME||','Rita')");
        form = std::make_unique<frmMailing>();
        form->Load();
    }
    void TearDown() override {
        form.reset();
        MailingDb::TearDown();
    }
    // A copy of a letter of the test data in the test's own folder.
    QString Letter(const char* name, const QString& as = QString()) {
        const QString target = env.Root() + "/" + (as.isEmpty() ? QString::fromLatin1(name) : as);
        QFile::remove(target);
        QFile::copy(QStringLiteral(MAILING_TEST_DATA "/") + name, target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }
    std::unique_ptr<ADODB::Recordset> Record(int id) {
        auto rs = std::make_unique<ADODB::Recordset>();
        rs->Open("SELECT * FROM ANAGRAFICA WHERE ID=" + QString::number(id), cn, ADODB::adOpenForwardOnly,
                 ADODB::adLockOptimistic);
        return rs;
    }
    QString Merge(int id, const QString& document) {
        form->txNomeFile->setText(document);
        return form->PersonalizzaRTF(*Record(id));
    }
    static QString Read(const QString& file) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return RtfMerge::VisibleText(f.readAll());
    }
    QStringList ReportLines() const {
        QStringList lines;
        if (!Platform::IsDefaultInstanceLoaded<frmReport>()) return lines;
        auto& r = Platform::DefaultInstance<frmReport>();
        for (int i = 1; i <= r.LV->ItemCount(); ++i)
            lines << r.LV->Item(i).Text() + "|" + r.LV->Item(i).SubItem(2) + "|" + r.LV->Item(i).SubItem(3);
        return lines;
    }
    std::unique_ptr<frmMailing> form;
};

}  // namespace

TEST_F(Letters, TheThirteenMarkersOnALetterWithPictureAndTable) {
    const QString merged = Merge(1, Letter("lettera.rtf"));
    EXPECT_EQ(merged, work + "/mail.rtf");
    const QString text = Read(merged);
    for (const char* expected : {"Spett.le Clienti & Fornitori", "Dott. Niccolò D'Aloisio", "Via Sarà 3",
                                 "47121 Forlì (FC) - Italia", "Gentile Niccolò, le scriviamo",
                                 "Cordiali saluti, Niccolò D'Aloisio è atteso"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    for (const char* cell : {"0543 123456", "0543 654321", "n.daloisio@example.it"})
        EXPECT_TRUE(text.contains(cell)) << cell;
    // The registry has no CONTATTO column: its marker stays.
    EXPECT_EQ(text.count(QRegularExpression("\\|\\|[A-Z]+\\|\\|")), 1);
    EXPECT_TRUE(text.contains("||CONTATTO||"));
}

TEST_F(Letters, AWordProcessorsCodesInsideMarkersAndEmptyFields) {
    const QString document = Letter("lettera_word.rtf");
    QString text = Read(Merge(1, document));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Dott. Niccolò D'Aloisio\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Spett.le Clienti & Fornitori - pagina")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Via Sarà 3\n47121 Forlì FC\n")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Gentile ||nome||, il prezzo di €\u00A010 vale per Niccolò.")));
    EXPECT_TRUE(text.contains("Telefono\t0543 123456\t"));
    // Only surname: the other markers disappear; the letter of the recipient before is gone.
    text = Read(Merge(2, document));
    EXPECT_TRUE(text.contains(" Bassi\n\n  \n")) << text.toStdString();
    EXPECT_FALSE(text.contains(QString::fromUtf8("Niccolò")));
    EXPECT_TRUE(text.contains("Sede:  - referente ||CONTATTO||"));
    // A surname holding a marker is filled again when that marker's turn comes.
    text = Read(Merge(3, document));
    EXPECT_TRUE(text.contains(" Rita Rita\n")) << text.toStdString();
}

TEST_F(Letters, DocumentsThatAreNotMerged) {
    QFile doc(env.Root() + "/listino.doc");
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.write("not rtf");
    doc.close();
    EXPECT_EQ(Merge(1, doc.fileName()), doc.fileName());
    // A file named .RTF that is not RTF goes out as it is.
    const QString fake = env.Root() + "/finto.RTF";
    QFile::copy(doc.fileName(), fake);
    EXPECT_EQ(Merge(1, fake), fake);
    EXPECT_FALSE(QFile::exists(work + "/mail.rtf"));
    // The work file that cannot be written is no work file.
    QDir().mkpath(work + "/mail.rtf/occupato");
    QString error;
    form->txNomeFile->setText(Letter("lettera_word.rtf"));
    EXPECT_EQ(form->PersonalizzaRTF(*Record(1), &error), "");
    EXPECT_TRUE(error.startsWith("impossibile scrivere ")) << error.toStdString();
}

// A letter the printing reads as RTF is merged: a file may begin with a blank
// of any kind, a form feed included.
TEST_F(Letters, ALetterBeginningWithAFormFeedIsMerged) {
    QFile letter(env.Root() + "/foglio.rtf");
    ASSERT_TRUE(letter.open(QIODevice::WriteOnly));
    letter.write("\f{\\rtf1\\ansi Gentile ||NOME||}");
    letter.close();
    const QString merged = Merge(1, letter.fileName());
    EXPECT_EQ(merged, work + "/mail.rtf");
    EXPECT_TRUE(Read(merged).contains(QString::fromUtf8("Gentile Niccolò")));
}

TEST_F(Letters, PrintedLettersOneJobEach) {
    form->txNomeFile->setText(Letter("lettera_word.rtf"));
    form->PrintLetter(*Record(1));
    form->PrintLetter(*Record(2));
    const QStringList jobs = Platform::Printer().PrintedFiles();
    ASSERT_EQ(jobs.size(), 2);
    const QString first = PdfText::Text(jobs[0]);
    EXPECT_TRUE(first.contains(QString::fromUtf8("Niccolò"))) << first.toStdString();
    EXPECT_TRUE(first.contains("0543 654321"));
    EXPECT_TRUE(first.contains(QString::fromUtf8("Spett.le Clienti & Fornitori")));
    EXPECT_FALSE(PdfText::Text(jobs[1]).contains(QString::fromUtf8("Niccolò")));
    EXPECT_EQ(ReportLines(), QStringList({"1|posta|", "2|posta|"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='P'"), 2);
}

TEST_F(Letters, ADamagedLetterIsMergedForEveryRecipientOfTheRun) {
    // Binary data longer than the file, or longer than a position can count,
    // ends with the file: the run merges and prints each letter and ends.
    const QByteArray letters[] = {"{\\rtf1 \\bin4294967282}", "{\\rtf1 Caro ||NOME||\\bin4294967196}",
                                  "{\\rtf1 Caro ||NOME||\\par\\bin2147483647}",
                                  "{\\rtf1\\ansi\\ansicpg99999999999999999999 \\zz99999999999999999999 ||NOME||}"};
    form->LV->AddItem("K1", "1");
    form->opTipoInvio[3]->setChecked(true);
    int n = 0;
    for (const QByteArray& letter : letters) {
        QFile file(env.Root() + QStringLiteral("/rotta%1.rtf").arg(++n));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(letter);
        file.close();
        form->txNomeFile->setText(file.fileName());
        form->cmdGo_Click();
        EXPECT_EQ(Platform::DefaultInstance<frmReport>().windowTitle(), "Report invio mailing concluso");
    }
    EXPECT_EQ(ReportLines(), QStringList(4, "1|posta|"));
    const QStringList jobs = Platform::Printer().PrintedFiles();
    ASSERT_EQ(jobs.size(), 4);
    EXPECT_TRUE(PdfText::Text(jobs[1]).contains(QString::fromUtf8("Caro Niccolò")));
    EXPECT_TRUE(PdfText::Text(jobs[3]).contains(QString::fromUtf8("99999999 Niccolò")));
}

TEST_F(Letters, AFailedPrintIsAFailureWithItsOwnText) {
    // An RTF letter that is not RTF cannot be printed, and the letter
    // merged for the recipient before must not be printed in its place.
    form->txNomeFile->setText(Letter("lettera_word.rtf"));
    form->PrintLetter(*Record(1));
    QFile broken(env.Root() + "/rotta.rtf");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("questa non è una lettera");
    broken.close();
    form->txNomeFile->setText(broken.fileName());
    form->PrintLetter(*Record(2));
    form->txNomeFile->setText(env.Root() + "/nota.txt");
    form->PrintLetter(*Record(3));
    EXPECT_EQ(Platform::Printer().PrintedFiles().size(), 1);
    // No printer at all.
    const auto previous = Platform::SetPrinterListHandler([] { return QStringList(); });
    Platform::Printer().SetPdfFolder(QString());
    form->txNomeFile->setText(Letter("lettera_word.rtf"));
    form->PrintLetter(*Record(1));
    Platform::SetPrinterListHandler(previous);
    EXPECT_EQ(ReportLines(), QStringList({"1|posta|", "2|posta|stampa non riuscita: il documento non è in formato RTF",
                                          "3|posta|stampa non riuscita: tipo di documento non stampabile",
                                          "1|posta|stampa non riuscita: Nessuna stampante installata"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 1);
}

TEST_F(Letters, ALetterTooLargeToBuildIsAFailureThatSaysWhy) {
    // 3.3 KB asking for a table of 300 x 300 cells held each print for 13 s.
    form->txNomeFile->setText(Letter("../../data/rtf/huge/row300x300.rtf", "tabella.rtf"));
    form->PrintLetter(*Record(1));
    EXPECT_EQ(ReportLines(),
              QStringList({"1|posta|stampa non riuscita: Il documento RTF contiene tabelle troppo grandi: più di 50000 celle"}));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

TEST_F(Letters, WordAndExcelDocumentsGoToLibreOffice) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray(BRIVALTO_FAKES) + ":" + path);
    qputenv("FAKE_SOFFICE_LOG", (env.Root() + "/argv.log").toLocal8Bit());
    QPdfWriter pdf(env.Root() + "/converted.pdf");
    QPainter(&pdf).drawText(100, 100, "listino");
    qputenv("FAKE_SOFFICE_PDF", (env.Root() + "/converted.pdf").toLocal8Bit());
    for (const char* name : {"listino.xls", "offerta.doc", "guasto.doc"}) {
        QFile f(env.Root() + "/" + name);
        f.open(QIODevice::WriteOnly);
        f.write("x");
        f.close();
        form->txNomeFile->setText(f.fileName());
        form->PrintLetter(*Record(1));
    }
    qputenv("PATH", "/nonexistent");
    form->PrintLetter(*Record(2));
    qputenv("PATH", path);
    EXPECT_EQ(Platform::Printer().PrintedFiles().size(), 2);
    // The cause in Italian in the report; LibreOffice's own words in the send log.
    const QString damaged = "stampa non riuscita: il documento guasto.doc non si può aprire: è danneggiato o non è "
                            "in un formato che LibreOffice legge";
    EXPECT_EQ(ReportLines(), QStringList({"1|posta|", "1|posta|", "1|posta|" + damaged,
                                          "2|posta|stampa non riuscita: LibreOffice non è installato su questa macchina"}));
    QFile log(work + "/LogInvio.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll())
                    .contains("posta (D'Aloisio Niccolò) - " + damaged +
                              " (LibreOffice: Error: source file could not be loaded)\r\n"));
}

TEST_F(Letters, TheMergedLetterOpensInLibreOffice) {
    const QString soffice = Platform::Office::Program();
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
    // The letter whose markers are split by formatting codes and bookmarks: the riskier merge.
    for (const char* name : {"lettera_word.rtf"}) {
        const QString merged = Merge(1, Letter(name));
        Platform::Office office;
        const QString pdf = office.ConvertToPdf(merged, env.Root() + "/lo");
        ASSERT_FALSE(pdf.isEmpty()) << office.LastError().toStdString();
        const QString text = PdfText::Text(pdf).simplified();
        EXPECT_TRUE(text.contains(QString::fromUtf8("Niccolò D'Aloisio"))) << name << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8("47121 Forlì"))) << name;
        EXPECT_TRUE(text.contains("0543 654321")) << name;
        EXPECT_FALSE(text.contains("||NOME||")) << name;
        // The letter's picture and its table came through the merge.
        const QStringList images = PdfText::Run("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
        EXPECT_GE(images.size() - 2, 1) << name << images.join('\n').toStdString();
        EXPECT_TRUE(text.contains("Telefono 0543 123456")) << name;
    }
}
