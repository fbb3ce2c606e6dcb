#pragma once
// Rich Text Format read and written by the program itself, over
// QTextDocument. The reader is a lexer and an interpreter feeding a small
// sink interface, so that parsing and building a document stay apart and the
// reader can be fed anything on its own. What a letter needs is kept: fonts,
// sizes, bold, italic, underline, strike-through, colours, paragraphs with
// alignment, indents and spacing, tables, pictures, page size and margins,
// headers and footers. Everything else is skipped.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

namespace Platform {

// No length of a page, a paragraph, a cell or a picture goes past 22 inches,
// the word processors' own limit: a larger one is damage, and a paragraph
// spaced by a mile would print thousands of pages.
constexpr int kRtfMaxTwips = 31680;

struct RtfCharFormat {
    QString fontFamily;
    double pointSize = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    QColor color;       // invalid: automatic
    QColor background;  // invalid: none
    enum VAlign { Normal, Super, Sub } valign = Normal;
};

struct RtfParaFormat {
    Qt::Alignment alignment = Qt::AlignLeft;
    // Points; a negative first-line indent hangs.
    double leftIndent = 0;
    double rightIndent = 0;
    double firstIndent = 0;
    double spaceBefore = 0;
    double spaceAfter = 0;
    bool inTable = false;
    bool pageBreakBefore = false;
};

struct RtfRowFormat {
    // Right edge of each cell, points from the row's left edge.
    QList<double> cellRight;
    QList<QColor> cellBackground;
    bool borders = false;
};

// Page size and margins in twips; 0 where the text does not say.
struct RtfPageSetup {
    int paperWidth = 0;
    int paperHeight = 0;
    int marginLeft = 0;
    int marginRight = 0;
    int marginTop = 0;
    int marginBottom = 0;
    bool landscape = false;
    bool titlePage = false;  // the first page has its own header and footer
};

class RtfSink {
public:
    virtual ~RtfSink() = default;
    virtual void Text(const QString& text, const RtfCharFormat& chr, const RtfParaFormat& para) = 0;
    // The character format is the paragraph mark's: it sizes an empty line.
    virtual void ParagraphEnd(const RtfParaFormat& para, const RtfCharFormat& chr) = 0;
    virtual void CellEnd(const RtfParaFormat& para, const RtfCharFormat& chr) = 0;
    virtual void RowEnd(const RtfRowFormat& row) = 0;
    virtual void Picture(const QImage& image, const QSizeF& points, const RtfCharFormat& chr,
                         const RtfParaFormat& para) = 0;
    virtual void PageBreak() = 0;
    // Text between these two goes to the named header or footer ("header",
    // "headerf", "footer", "footerl"...), not to the body.
    virtual void BeginHeaderFooter(const QString& name) = 0;
    virtual void EndHeaderFooter() = 0;
    virtual void PageSetup(const RtfPageSetup& page) = 0;
};

// The data begins as RTF ({\rtf after any blanks).
bool IsRtf(const QByteArray& data);

// Reads RTF into the sink. False (with a reason) when the data does not
// begin as RTF; damage further on is read past as well as can be. A picture
// comes no sharper than about 300 dots per inch of its printed size; one
// that does not decode, is cut short, or claims far more pixels than its data
// could hold is left out.
bool ReadRtf(const QByteArray& rtf, RtfSink& sink, QString* error = nullptr);

// Replaces the document's content with the RTF's. Headers and footers become
// child documents of it (see HeaderFooterDocument), the page setup a property.
// False with the reason when the data is not RTF, or when it asks for more
// than one letter may hold (tables of over 50000 cells, pictures of over 100
// million pixels together as they are kept): the document is then left empty.
bool RtfToDocument(const QByteArray& rtf, QTextDocument& document, QString* error = nullptr);

// The whole document as RTF (Windows-1252 with \uN escapes beyond it).
QByteArray DocumentToRtf(const QTextDocument& document);

// Drops the headers, footers and page setup that RtfToDocument left on a
// document, as a document given plain text or cleared has none.
void ResetRtfExtras(QTextDocument& document);

// The header or footer read with the document, null when it had none.
QTextDocument* HeaderFooterDocument(const QTextDocument& document, const QString& name);
RtfPageSetup PageSetupOf(const QTextDocument& document);
void SetPageSetup(QTextDocument& document, const RtfPageSetup& page);

// Prints a document on pages of its own page setup (A4 with 2 cm margins
// when it has none), with its headers and footers.
void PrintRichText(const QTextDocument& document, QPagedPaintDevice& device);

// Text in a Windows code page (1252 and, where the system knows it, any
// other); Windows-1252 for a code page it does not know.
QString DecodeCodePage(const QByteArray& bytes, int codePage);
// The Windows-1252 byte of a character, -1 when it has none.
int Cp1252Byte(QChar c);

}  // namespace Platform
