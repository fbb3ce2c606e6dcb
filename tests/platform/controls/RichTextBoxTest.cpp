// The rich-text box: positions in its text, replacing a selection the way
// the mail merge does, files, change events and printing.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>

#include "CommonDialog.h"
#include "Errors.h"
#include "FileSizeLimit.h"
#include "RichTextBox.h"
#include "Rtf.h"

using namespace Platform;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QByteArray kLetter =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
    "{\\header Intestazione ditta\\par}"
    "Gentile {\\b\\cf1\\fs28 ||NOME||} ||COGNOME||\\par"
    "\\trowd\\cellx2000\\cellx4000\\pard\\intbl ||NOME||\\cell ||CAP||\\cell\\row"
    "\\pard Cordiali saluti ||NOME||\\par}";

long ErrorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const BasicError& e) {
        return e.Number();
    }
    return 0;
}

QString PdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& pdf) { return int(PdfText(pdf).count('\f')); }

}  // namespace

TEST(RichTextBox, TextPositionsAreTheSelectionPositions) {
    RichTextBox box;
    box.SetTextRTF(kLetter);
    const QString text = box.Text();
    int found = 0;
    for (int at = text.indexOf("||NOME||"); at >= 0; at = text.indexOf("||NOME||", at + 1)) {
        EXPECT_EQ(box.Find("||NOME||", at), at);
        box.SetSelStart(at);
        box.SetSelLength(8);
        EXPECT_EQ(box.SelText(), "||NOME||");
        ++found;
    }
    EXPECT_EQ(found, 3);
    EXPECT_EQ(box.Find("||CAP||"), text.indexOf("||CAP||"));
    EXPECT_EQ(box.Find("||nome||"), -1);
    EXPECT_FALSE(text.contains("Intestazione")) << "the header is not body text";
}

TEST(RichTextBox, ReplacedSelectionTakesTheFormatOfWhatItReplaces) {
    RichTextBox box;
    box.SetTextRTF(kLetter);
    const int at = box.Find("||NOME||");
    box.SetSelStart(at);
    box.SetSelLength(8);
    box.SetSelText("Mario");
    EXPECT_TRUE(box.Text().startsWith("Gentile Mario ||COGNOME||"));
    box.SetSelStart(at + 1);
    EXPECT_TRUE(box.SelBold());
    EXPECT_EQ(box.SelColor(), QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(box.SelFontSize(), 14);
    // The text after it keeps its own format.
    box.SetSelStart(box.Find("||COGNOME||") + 1);
    EXPECT_FALSE(box.SelBold());

    // And the header travels through a save.
    QTextDocument again;
    ASSERT_TRUE(RtfToDocument(box.TextRTF(), again));
    ASSERT_NE(HeaderFooterDocument(again, "header"), nullptr);
    EXPECT_EQ(HeaderFooterDocument(again, "header")->toPlainText(), "Intestazione ditta");
}

TEST(RichTextBox, SelectionFormatting) {
    RichTextBox box;
    box.SetText("uno due tre");
    box.SetSelStart(4);
    box.SetSelLength(3);
    box.SetSelBold(true);
    box.SetSelItalic(true);
    box.SetSelUnderline(true);
    box.SetSelFontName("Courier New");
    box.SetSelFontSize(20);
    box.SetSelColor(QColor(0, 128, 0));
    box.SetSelAlignment(rtfCenter);
    EXPECT_TRUE(box.SelBold());
    EXPECT_TRUE(box.SelItalic());
    EXPECT_TRUE(box.SelUnderline());
    EXPECT_EQ(box.SelFontName(), "Courier New");
    EXPECT_EQ(box.SelAlignment(), rtfCenter);
    box.SetSelBold(false);
    EXPECT_FALSE(box.SelBold());

    QTextDocument doc;
    ASSERT_TRUE(RtfToDocument(box.TextRTF(), doc));
    QTextCursor c(&doc);
    c.setPosition(5);
    EXPECT_TRUE(c.charFormat().fontItalic());
    EXPECT_DOUBLE_EQ(c.charFormat().fontPointSize(), 20);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(0, 128, 0));
    EXPECT_TRUE(c.blockFormat().alignment() & Qt::AlignHCenter);
    c.setPosition(1);
    EXPECT_FALSE(c.charFormat().fontItalic());
}

TEST(RichTextBox, FilesAndTheirErrors) {
    QTemporaryDir dir;
    RichTextBox box;
    EXPECT_EQ(ErrorNumberOf([&] { box.LoadFile(dir.filePath("manca.rtf")); }), 53);
    EXPECT_EQ(ErrorNumberOf([&] { box.LoadFile(dir.path()); }), 53);
    QFile plain(dir.filePath("testo.rtf"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("non sono RTF");
    plain.close();
    EXPECT_EQ(ErrorNumberOf([&] { box.LoadFile(plain.fileName()); }), 321);
    box.LoadFile(plain.fileName(), rtfText);
    EXPECT_EQ(box.Text(), "non sono RTF");
    // A letter asking for a table of 300 x 300 cells is refused and says why,
    // given as a file or as RTF, never shown as its code.
    const QString huge = QStringLiteral(BRIVALTO_TEST_DATA "/rtf/huge/row300x300.rtf");
    try {
        box.LoadFile(huge);
        ADD_FAILURE() << "a letter too large must be refused";
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), 321);
        EXPECT_EQ(e.Description(), QStringLiteral("Il documento RTF contiene tabelle troppo grandi: più di 50000 celle"));
    }
    QFile hugeFile(huge);
    ASSERT_TRUE(hugeFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(ErrorNumberOf([&] { box.SetTextRTF(hugeFile.readAll()); }), 321);
    EXPECT_FALSE(box.Text().contains("\\cellx"));

    box.SetTextRTF(kLetter);
    EXPECT_EQ(ErrorNumberOf([&] { box.SaveFile(dir.filePath("nessuna/cartella.rtf")); }), 75);
    const QString saved = dir.filePath("salvato.rtf");
    box.SaveFile(saved);
    RichTextBox other;
    other.LoadFile(saved);
    EXPECT_EQ(other.Text(), box.Text());

    // A full disk says so and leaves the letter as it was last saved.
    QFile before(saved);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray kept = before.readAll();
    before.close();
    other.SetText("Un'altra lettera");
    {
        TestKit::FileSizeLimit full(8);
        EXPECT_EQ(ErrorNumberOf([&] { other.SaveFile(saved); }), 75);
    }
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_EQ(before.readAll(), kept);
}

TEST(RichTextBox, EveryChangeIsAChange) {
    RichTextBox box;
    QList<int> changes;
    QObject::connect(&box, &RichTextBox::Change, [&] { changes.append(1); });
    box.SetTextRTF(kLetter);
    EXPECT_GE(changes.count(), 1);
    changes.clear();
    box.SetSelStart(0);
    EXPECT_EQ(changes.count(), 0) << "moving the caret is no change";
    box.SetSelLength(3);
    box.SetSelText("x");
    EXPECT_GE(changes.count(), 1);
    changes.clear();
    box.clear();
    EXPECT_GE(changes.count(), 1);
}

TEST(RichTextBox, PrintsPagesWithTheirHeaderAndOnlyTheSelection) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    QByteArray rtf = "{\\rtf1\\ansi\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1440\\margb1440"
                     "{\\header\\pard\\qc Carta intestata Brivalto\\par}{\\footer Pie di pagina\\par}";
    for (int i = 1; i <= 80; ++i) rtf += "Riga numero " + QByteArray::number(i) + "\\par ";
    rtf += "}";
    RichTextBox box;
    box.SetTextRTF(rtf);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("tutto.pdf"));
    box.SelPrint(printer);
    const QString all = PdfText(printer.outputFileName());
    EXPECT_EQ(PdfPages(printer.outputFileName()), 2) << all.toStdString();
    EXPECT_EQ(all.count("Carta intestata Brivalto"), 2);
    EXPECT_EQ(all.count("Pie di pagina"), 2);
    EXPECT_TRUE(all.contains("Riga numero 1\n") || all.contains("Riga numero 1 "));
    EXPECT_TRUE(all.contains("Riga numero 80"));

    box.SetSelStart(box.Find("Riga numero 7"));
    box.SetSelLength(13);
    QPrinter part(QPrinter::HighResolution);
    part.setOutputFormat(QPrinter::PdfFormat);
    part.setOutputFileName(dir.filePath("parte.pdf"));
    box.SelPrint(part);
    const QString some = PdfText(part.outputFileName());
    EXPECT_TRUE(some.contains("Riga numero 7"));
    EXPECT_FALSE(some.contains("Riga numero 8"));
    EXPECT_EQ(PdfPages(part.outputFileName()), 1);
}

TEST(CommonDialog, FiltersColoursFontsAndPrinters) {
    EXPECT_EQ(QtFilter("Rich Text Files (*.rtf)|*.rtf"), "Rich Text Files (*.rtf)");
    EXPECT_EQ(QtFilter("File RTF (*.rtf)|*.rtf|Tutti i file permessi|*.rtf;*.doc"),
              "File RTF (*.rtf);;Tutti i file permessi (*.rtf *.doc)");

    CommonDialog cd;
    QList<CommonDialog::Kind> shown;
    auto previous = CommonDialog::SetHandler([&](CommonDialog& d, CommonDialog::Kind kind) {
        shown.append(kind);
        if (kind != CommonDialog::Kind::Font) return false;
        d.FontName = "Courier New";
        d.FontBold = true;
        return true;
    });
    cd.ShowFont();
    EXPECT_EQ(cd.FontName, "Courier New");
    EXPECT_TRUE(cd.FontBold);
    cd.ShowColor();  // cancelled, no error asked for
    cd.CancelError = true;
    EXPECT_EQ(ErrorNumberOf([&] { cd.ShowColor(); }), cdlCancel);
    cd.Flags = cdlPDReturnDC | cdlPDSelection;
    EXPECT_EQ(ErrorNumberOf([&] { cd.ShowPrinter(); }), cdlCancel);
    EXPECT_TRUE(cd.PrintSelection) << "the range offered is the selection";
    EXPECT_EQ(shown.size(), 4);
    CommonDialog::SetHandler(previous);
}
