// The Printer object: the print position, pages and jobs, whole documents,
// and documents printed by LibreOffice, all printed to PDF and read back.
#include "Errors.h"
#include "Office.h"
#include "PdfText.h"
#include "Printer.h"
#include "RichTextBox.h"
#include "Rtf.h"
#include "TestKit.h"

#include <QDir>
#include <QFile>
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

}  // namespace

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
