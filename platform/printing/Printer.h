#pragma once
// The Printer object: the current printer with its scale mode, font, print
// position and open print job. Measuring text here gives what the printed
// page will hold.
//
// Pages go to the printer chosen in the program's printer set-up: a printer
// of the system, or a PDF file the user named in its place. In tests a PDF
// folder stands for the printer: each print job becomes a PDF file there.
// A job starts with the first thing printed and ends with EndDoc; EndDoc right
// after NewPage prints no blank page.

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace Platform {

enum ScaleModeConstants {
    vbUser = 0, vbTwips = 1, vbPoints = 2, vbPixels = 3, vbCharacters = 4,
    vbInches = 5, vbMillimeters = 6, vbCentimeters = 7,
};

// The printer's error (no printer, a job that could not start).
constexpr long vbErrPrinter = 482;

class PrinterObject {
public:
    PrinterObject();
    ~PrinterObject();

    int ScaleMode() const { return scaleMode_; }
    void SetScaleMode(int mode) { scaleMode_ = mode; }
    QFont& Font() { return font_; }
    void SetFont(const QFont& font) { font_ = font; }
    QString FontName() const { return font_.family(); }
    void SetFontName(const QString& name) { font_.setFamily(name); }
    double FontSize() const { return font_.pointSizeF(); }
    void SetFontSize(double points) { font_.setPointSizeF(points); }
    bool FontBold() const { return font_.bold(); }
    void SetFontBold(bool bold) { font_.setBold(bold); }

    // Width and height of a text in the current scale mode.
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;

    // Points to the current scale mode (and back).
    double FromPoints(double points) const;
    double ToPoints(double value) const;

    // The print position, in the current scale mode from the printable
    // area's top left corner. Kept in points, so a change of scale mode
    // keeps the place.
    double CurrentX() const { return FromPoints(xPoints_); }
    void SetCurrentX(double x) { xPoints_ = ToPoints(x); }
    double CurrentY() const { return FromPoints(yPoints_); }
    void SetCurrentY(double y) { yPoints_ = ToPoints(y); }

    // The printable area in the current scale mode.
    double ScaleWidth();
    double ScaleHeight();

    // Prints a text at the print position. Ending the line moves the position
    // to the start of the next line; otherwise it moves past the text.
    void Print(const QString& text, bool endLine = true);
    void NewPage();
    void EndDoc();
    // Throws the open job away.
    void KillDoc();
    bool JobOpen() const { return painter_ != nullptr; }
    int Page() const { return page_; }

    // A job of its own drawn by the caller on a device lent for that job only,
    // as a rich-text box prints itself on the printer's device context: the
    // page layout and the painter's scale the caller sets do not outlast it.
    void PrintJob(const std::function<void(QPagedPaintDevice& device)>& draw);

    // A document file (Word, Excel, PDF) printed by LibreOffice as a job of
    // its own; printing to PDF it becomes that job's PDF file. A failure is
    // raised in the user's words; LibreOffice's own go to `detail`.
    void PrintFile(const QString& file, QString* detail = nullptr);

    // The printer pages go to: empty is the system's default printer.
    // Choosing one goes back from a PDF file to printers.
    QString DeviceName() const { return deviceName_; }
    void SetDeviceName(const QString& name);
    // A PDF file in place of a printer, as the printer dialog's "print to
    // file" names it. The first job writes that file; each later one a file
    // numbered beside it ("lista-2.pdf", "lista-3.pdf"...) that is not there
    // yet, so no job takes the place of another. Empty goes back to printers.
    void SetOutputFile(const QString& file);
    QString OutputFile() const { return outputFile_; }
    // Whether there is something to print on: a PDF file or folder, or the
    // printer chosen (with none chosen, any printer) installed. A run of many
    // jobs asks once before its first.
    bool Available() const;
    // What the program's printer dialog shows first (the printer or the PDF
    // file chosen now), and what it chose once confirmed.
    void OfferChoice(QPrinter& dialogDevice) const;
    void TakeChoice(const QPrinter& dialogDevice);

    // A folder where every job becomes "job0001.pdf", "job0002.pdf"...
    // instead of going to a printer; empty goes back to the printer (tests).
    void SetPdfFolder(const QString& folder);
    QString PdfFolder() const { return pdfFolder_; }
    // Whether jobs become PDF files (a PDF folder or an output file).
    bool PrintsToPdf() const { return !pdfFolder_.isEmpty() || !outputFile_.isEmpty(); }
    // The PDF files written so far, oldest first.
    QStringList PrintedFiles() const { return printed_; }
    // The PDF file the next job will write.
    QString NextPdfFile() const;
    // Counts the next PDF file as written by a job printed elsewhere (the
    // print-preview library, told to write NextPdfFile()) and returns it.
    QString ClaimPdfFile();

    QPrinter& Device();

private:
    // Sets a device up for the next job: the PDF file it writes or the printer.
    void PrepareDevice(QPrinter& device);
    QString PrinterOfJobs() const;
    // Counts a PDF file a job wrote; starts the count again.
    void Written(const QString& file);
    void Restart();
    void RequirePrinter() const;
    void BeginJob();
    void EnsurePage();
    double PointsToDevice(double points);

    int scaleMode_ = vbTwips;
    QFont font_;
    double xPoints_ = 0;
    double yPoints_ = 0;
    std::unique_ptr<QPrinter> device_;
    std::unique_ptr<QPainter> painter_;
    bool pageBreakPending_ = false;
    int page_ = 0;
    QString deviceName_;
    QString pdfFolder_;
    QString outputFile_;
    mutable QString nextNumbered_;
    QStringList printed_;
    int jobNumber_ = 0;
};

PrinterObject& Printer();

// The printers installed on this machine; tests may replace the look-up.
QStringList InstalledPrinterNames();
using PrinterListHandler = std::function<QStringList()>;
PrinterListHandler SetPrinterListHandler(PrinterListHandler handler);

}  // namespace Platform
