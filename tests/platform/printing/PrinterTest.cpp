// The Printer object: the print position, pages and jobs, whole documents,
// and documents printed by LibreOffice, printed to PDF or on a real print
// queue and read back.
#include "CupsQueue.h"
#include "Errors.h"
#include "Office.h"
#include "PdfText.h"
#include "Printer.h"
#include "RichTextBox.h"
#include "Rtf.h"
#include "TestKit.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace Platform;

namespace {

class PrinterPdf : public ::testing::Test {
protected:
    void SetUp() override {
        Printer().SetPdfFolder(dir.path());
        Printer().SetScaleMode(vbMillimeters);
        Printer().SetFont(QFont("DejaVu Sans", 11));
    }
    void TearDown() override {
        Printer().KillDoc();
        Printer().SetPdfFolder(QString());
        Printer().SetScaleMode(vbTwips);
    }
    QTemporaryDir dir;
};

// An address block as the mailing prints one: Arial 11, a line under the other from (x, y).
void Address(double x, double y, const QStringList& lines) {
    auto& p = Printer();
    p.SetScaleMode(vbMillimeters);
    p.SetFontName("Arial");
    p.SetFontSize(11);
    p.SetCurrentY(y);
    for (const QString& line : lines) {
        p.SetCurrentX(x);
        p.Print(line);
    }
}

// A letter mailing and then an envelope and a label mailing in one session,
// and a plain job after them: four jobs.
void PrintALetterEnvelopesLabelsAndAPlainJob() {
    QTextDocument letter;
    ASSERT_TRUE(RtfToDocument("{\\rtf1\\ansi\\paperw11906\\paperh16838\\margl1418\\margt1701"
                              "{\\fonttbl{\\f0 Arial;}}\\pard\\f0\\fs24 Gentile cliente\\par}",
                              letter));
    Printer().PrintJob([&](QPagedPaintDevice& device) { PrintRichText(letter, device); });
    Address(150, 37, {"Rossi Mario", "Via Roma 1", "40100 Bologna BO"});
    Printer().NewPage();
    Address(150, 37, {"Bianchi Anna", "Via Po 2", "10100 Torino TO"});
    Printer().NewPage();
    Printer().EndDoc();
    Address(25, 5, {"Verdi Luca", "Via Dante 3"});
    Address(89, 5, {"Neri Paola", "Via Verdi 4"});
    Address(25, 42, {"Gialli Rosa", "Via Manzoni 5"});
    Printer().EndDoc();
    Address(10, 10, {"Fine"});
    Printer().EndDoc();
}

// Every line where it was printed and as high as 11 points (12 for the letter) make it.
void ExpectEveryJobAtItsOwnScale(const QStringList& pdfs) {
    ASSERT_EQ(pdfs.size(), 4);
    Printer().SetFontName("Arial");
    Printer().SetFontSize(11);
    const double line = Printer().TextHeight("x");
    struct Expected {
        int job, page;
        QString word;
        double left, top;
    };
    const Expected expected[] = {
        {0, 1, "Gentile", 25, 30},         {1, 1, "Rossi", 150, 37},   {1, 1, "40100", 150, 37 + 2 * line},
        {1, 2, "Bianchi", 150, 37},        {2, 1, "Verdi", 25, 5},     {2, 1, "Neri", 89, 5},
        {2, 1, "Gialli", 25, 42},          {3, 1, "Fine", 10, 10},
    };
    QList<QList<PdfText::Word>> words;
    for (const QString& pdf : pdfs) words << PdfText::Words(pdf);
    EXPECT_EQ(PdfText::Pages(pdfs[1]), 2);
    for (const Expected& e : expected) {
        const PdfText::Word w = PdfText::Find(words[e.job], e.word, e.page);
        SCOPED_TRACE(QStringLiteral("job %1, %2").arg(e.job + 1).arg(e.word).toStdString());
        ASSERT_FALSE(w.text.isEmpty()) << "not printed";
        EXPECT_NEAR(w.box.left(), e.left, 1.5);
        EXPECT_NEAR(w.box.top(), e.top, 2.0);
        EXPECT_GT(w.box.height(), 2.0);
        EXPECT_LT(w.box.height(), 6.5);
    }
}

}  // namespace

TEST_F(PrinterPdf, AfterALetterEnvelopesLabelsAndAPlainJobPrintAtTheirOwnScale) {
    PrintALetterEnvelopesLabelsAndAPlainJob();
    ExpectEveryJobAtItsOwnScale(Printer().PrintedFiles());
}

TEST_F(PrinterPdf, PositionsAndLines) {
    auto& p = Printer();
    EXPECT_NEAR(p.ScaleWidth(), 210, 0.01);
    EXPECT_NEAR(p.ScaleHeight(), 297, 0.01);
    p.SetCurrentX(50);
    p.SetCurrentY(30);
    p.Print("Spett.le", false);
    EXPECT_NEAR(p.CurrentX(), 50 + p.TextWidth("Spett.le"), 0.01);
    EXPECT_NEAR(p.CurrentY(), 30, 0.01);
    p.SetCurrentX(70);
    p.Print("Rinaldi");
    EXPECT_NEAR(p.CurrentY(), 30 + p.TextHeight("Rinaldi"), 0.01);
    EXPECT_EQ(p.CurrentX(), 0);
    p.SetScaleMode(vbCentimeters);
    EXPECT_NEAR(p.CurrentY(), (30 + p.TextHeight("Rinaldi") * 10) / 10, 0.01);
    p.SetScaleMode(vbMillimeters);
    p.SetCurrentX(70);
    p.Print("Bologna");
    p.EndDoc();
    ASSERT_EQ(p.PrintedFiles().size(), 1);
    const auto words = PdfText::Words(p.PrintedFiles()[0]);
    const auto first = PdfText::Find(words, "Spett.le"), second = PdfText::Find(words, "Rinaldi"),
               third = PdfText::Find(words, "Bologna");
    EXPECT_NEAR(first.box.left(), 50, 0.8);
    EXPECT_NEAR(second.box.left(), 70, 0.8);
    EXPECT_NEAR(second.box.top(), first.box.top(), 0.3);
    EXPECT_NEAR(first.box.top(), 30, 1.5);
    EXPECT_NEAR(third.box.top() - second.box.top(), p.TextHeight("x"), 0.5);
}

TEST_F(PrinterPdf, NoBlankPageAfterTheLastNewPage) {
    auto& p = Printer();
    p.Print("uno");
    p.NewPage();
    p.Print("due");
    p.NewPage();
    p.EndDoc();
    // A page that is ejected with nothing on it still counts.
    p.NewPage();
    p.NewPage();
    p.Print("tre");
    p.EndDoc();
    p.NewPage();
    p.EndDoc();
    ASSERT_EQ(p.PrintedFiles().size(), 3);
    EXPECT_EQ(PdfText::Pages(p.PrintedFiles()[0]), 2);
    EXPECT_EQ(PdfText::Pages(p.PrintedFiles()[1]), 3);
    EXPECT_EQ(PdfText::Find(PdfText::Words(p.PrintedFiles()[1]), "tre").page, 3);
    EXPECT_EQ(PdfText::Pages(p.PrintedFiles()[2]), 1);
    // Nothing printed: no job at all.
    p.EndDoc();
    EXPECT_EQ(p.PrintedFiles().size(), 3);
}

TEST_F(PrinterPdf, ALetterAsAJobOfItsOwnWithHeaderOnEveryPage) {
    QByteArray rtf = "{\\rtf1\\ansi\\paperw11906\\paperh16838\\margl1418\\margr1418\\margt1701\\margb1701"
                     "{\\header \\pard Intestazione\\par}";
    for (int i = 1; i <= 150; ++i) rtf += "\\pard Riga numero " + QByteArray::number(i) + " della lettera\\par\n";
    rtf += "}";
    QTextDocument letter;
    ASSERT_TRUE(RtfToDocument(rtf, letter));
    Printer().Print("prima");
    Printer().PrintJob([&](QPagedPaintDevice& device) { PrintRichText(letter, device); });
    // The open job was ended first; the layout of the letter stays with it.
    ASSERT_EQ(Printer().PrintedFiles().size(), 2);
    EXPECT_NEAR(Printer().ScaleWidth(), 210, 0.01);
    const QString pdf = Printer().PrintedFiles()[1];
    const int pages = PdfText::Pages(pdf);
    EXPECT_GE(pages, 3);
    const auto words = PdfText::Words(pdf);
    int headers = 0;
    for (const auto& w : words) headers += w.text == "Intestazione";
    EXPECT_EQ(headers, pages);
    const auto firstLine = PdfText::Find(words, "Riga", 1);
    EXPECT_NEAR(firstLine.box.left(), 25, 0.8);
    EXPECT_NEAR(firstLine.box.top(), 30, 1.5);
    const QString text = PdfText::Text(pdf);
    for (int i : {1, 75, 150}) EXPECT_EQ(text.count(QStringLiteral("numero %1 della").arg(i)), 1) << i;
}

TEST(PrinterSystem, WithoutPrintersTheJobCannotStart) {
    const auto previous = SetPrinterListHandler([] { return QStringList(); });
    try {
        Printer().Print("x");
        ADD_FAILURE() << "no error";
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), 482);
        EXPECT_EQ(e.Description(), "Nessuna stampante installata");
    }
    SetPrinterListHandler(previous);
    EXPECT_FALSE(Printer().JobOpen());
}

TEST(PrinterFile, APdfFileChosenInThePrinterDialogTakesEveryJobAndLosesNone) {
    const auto previous = SetPrinterListHandler([] { return QStringList(); });
    QTemporaryDir dir;
    const QString chosen = dir.filePath("lettere.pdf");
    auto& p = Printer();
    EXPECT_FALSE(p.Available());
    QPrinter dialog;
    dialog.setOutputFormat(QPrinter::PdfFormat);
    dialog.setOutputFileName(chosen);
    p.TakeChoice(dialog);
    EXPECT_EQ(p.OutputFile(), chosen);
    EXPECT_TRUE(p.Available());
    // The dialog opens on it again.
    QPrinter again;
    p.OfferChoice(again);
    EXPECT_EQ(again.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(again.outputFileName(), chosen);

    // A file of that series already there is another's: it is passed over.
    QFile other(dir.filePath("lettere-2.pdf"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("altro");
    other.close();
    p.SetScaleMode(vbMillimeters);
    p.Print("Primo");
    p.EndDoc();
    QTextDocument letter;
    ASSERT_TRUE(RtfToDocument("{\\rtf1\\ansi \\pard Lettera\\par}", letter));
    p.PrintJob([&](QPagedPaintDevice& device) { PrintRichText(letter, device); });
    p.Print("Terzo");
    p.EndDoc();
    EXPECT_EQ(p.PrintedFiles(), QStringList({chosen, dir.filePath("lettere-3.pdf"), dir.filePath("lettere-4.pdf")}));
    EXPECT_TRUE(PdfText::Text(chosen).contains("Primo"));
    EXPECT_TRUE(PdfText::Text(dir.filePath("lettere-3.pdf")).contains("Lettera"));
    EXPECT_TRUE(PdfText::Text(dir.filePath("lettere-4.pdf")).contains("Terzo"));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), "altro");

    // A dialog that named neither a file nor a printer changes nothing.
    p.TakeChoice(QPrinter());
    EXPECT_EQ(p.OutputFile(), chosen);
    // Back to printers, of which there are none.
    p.SetDeviceName(QString());
    EXPECT_TRUE(p.OutputFile().isEmpty());
    EXPECT_FALSE(p.Available());
    EXPECT_THROW(p.Print("x"), BasicError);
    SetPrinterListHandler([] { return QStringList{"Ufficio"}; });
    p.SetDeviceName("Magazzino");
    EXPECT_FALSE(p.Available());
    try {
        p.Print("x");
        ADD_FAILURE() << "no error";
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), 482);
        EXPECT_EQ(e.Description(), QString::fromUtf8("La stampante Magazzino non è installata"));
    }
    p.SetDeviceName(QString());
    EXPECT_TRUE(p.Available());
    SetPrinterListHandler(previous);
    p.SetScaleMode(vbTwips);
}

TEST(PrintQueue, ALetterEnvelopesLabelsAndAPlainJobComeOutOfARealQueueAtTheirScale) {
    Cups::Queue queue;
    if (!queue.Skip().isEmpty()) GTEST_SKIP() << queue.Skip().toStdString();
    ASSERT_TRUE(queue.Error().isEmpty()) << queue.Error().toStdString();
    Printer().SetDeviceName(queue.Name());
    EXPECT_TRUE(Printer().Available());
    PrintALetterEnvelopesLabelsAndAPlainJob();
    EXPECT_TRUE(Printer().PrintedFiles().isEmpty());
    const QStringList pdfs = queue.WaitForFiles(4);
    EXPECT_EQ(pdfs.size(), 4) << Cups::Queue::ServerLog().toStdString();
    ExpectEveryJobAtItsOwnScale(pdfs);
    Printer().SetDeviceName(QString());
    Printer().SetScaleMode(vbTwips);
}
