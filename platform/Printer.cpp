#include "Printer.h"

#include "Errors.h"
#include "Office.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

namespace Platform {

namespace {
PrinterListHandler& PrinterList() {
    static PrinterListHandler handler;
    return handler;
}
}  // namespace

QStringList InstalledPrinterNames() {
    if (PrinterList()) return PrinterList()();
    return QPrinterInfo::availablePrinterNames();
}

PrinterListHandler SetPrinterListHandler(PrinterListHandler handler) {
    PrinterListHandler previous = PrinterList();
    PrinterList() = std::move(handler);
    return previous;
}

PrinterObject::PrinterObject() : font_(QStringLiteral("DejaVu Sans"), 10) {}

PrinterObject::~PrinterObject() {
    if (painter_) painter_->end();
}

QPrinter& PrinterObject::Device() {
    if (!device_) {
        device_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device_->setOutputFormat(QPrinter::PdfFormat);
        device_->setPageSize(QPageSize(QPageSize::A4));
        device_->setPageMargins(QMarginsF(0, 0, 0, 0));
    }
    return *device_;
}

void PrinterObject::SetPdfFolder(const QString& folder) {
    if (painter_) KillDoc();
    pdfFolder_ = folder;
    printed_.clear();
    jobNumber_ = 0;
    // Measuring before the first job already gives the PDF page.
    QPrinter& device = Device();
    if (!folder.isEmpty()) {
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setPageSize(QPageSize(QPageSize::A4));
        device.setPageMargins(QMarginsF(0, 0, 0, 0));
    }
}

QString PrinterObject::NextPdfFile() const {
    return QDir(pdfFolder_).filePath(QStringLiteral("job%1.pdf").arg(jobNumber_ + 1, 4, 10, QChar('0')));
}

QString PrinterObject::ClaimPdfFile() {
    const QString file = NextPdfFile();
    printed_ << file;
    ++jobNumber_;
    return file;
}

double PrinterObject::FromPoints(double points) const {
    switch (scaleMode_) {
    case vbTwips: return points * 20.0;
    case vbPoints: return points;
    case vbPixels: return points * 96.0 / 72.0;
    case vbInches: return points / 72.0;
    case vbMillimeters: return points * 25.4 / 72.0;
    case vbCentimeters: return points * 2.54 / 72.0;
    case vbCharacters: return points / 72.0 * 12.0;  // 12 characters an inch
    default: return points * 20.0;
    }
}

double PrinterObject::ToPoints(double value) const { return value / FromPoints(1.0); }

double PrinterObject::PointsToDevice(double points) { return points * Device().resolution() / 72.0; }

double PrinterObject::TextWidth(const QString& text) const {
    auto* self = const_cast<PrinterObject*>(this);
    QFontMetricsF metrics(font_, &self->Device());
    // A text of several lines is as wide as its widest line.
    double devicePixels = 0;
    for (QString line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        devicePixels = qMax(devicePixels, metrics.horizontalAdvance(line));
    }
    double points = devicePixels * 72.0 / self->Device().resolution();
    return FromPoints(points);
}

double PrinterObject::TextHeight(const QString& text) const {
    auto* self = const_cast<PrinterObject*>(this);
    QFontMetricsF metrics(font_, &self->Device());
    int lines = qMax<qsizetype>(1, text.count('\n') + 1);
    double points = metrics.height() * lines * 72.0 / self->Device().resolution();
    return FromPoints(points);
}

// Paper sizes are defined in millimetres; in whole points they would be rounded.
double PrinterObject::ScaleWidth() {
    return FromPoints(Device().pageLayout().paintRect(QPageLayout::Millimeter).width() * 72.0 / 25.4);
}

double PrinterObject::ScaleHeight() {
    return FromPoints(Device().pageLayout().paintRect(QPageLayout::Millimeter).height() * 72.0 / 25.4);
}

void PrinterObject::PrepareDevice() {
    QPrinter& device = Device();
    if (!pdfFolder_.isEmpty()) {
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(NextPdfFile());
    } else {
        const QStringList printers = InstalledPrinterNames();
        if (printers.isEmpty()) throw BasicError(vbErrPrinter, QStringLiteral("Nessuna stampante installata"));
        device.setOutputFormat(QPrinter::NativeFormat);
        device.setOutputFileName(QString());
        if (!deviceName_.isEmpty()) device.setPrinterName(deviceName_);
    }
}

void PrinterObject::BeginJob() {
    PrepareDevice();
    QPrinter& device = Device();
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&device))
        throw BasicError(vbErrPrinter, QStringLiteral("La stampa non può iniziare su ") +
                                           (pdfFolder_.isEmpty() ? device.printerName() : device.outputFileName()));
    painter_ = std::move(painter);
    page_ = 1;
    pageBreakPending_ = false;
}

void PrinterObject::EnsurePage() {
    if (!painter_) BeginJob();
    if (pageBreakPending_) {
        Device().newPage();
        ++page_;
        pageBreakPending_ = false;
    }
}

void PrinterObject::Print(const QString& text, bool endLine) {
    EnsurePage();
    QFontMetricsF metrics(font_, &Device());
    painter_->setFont(font_);
    painter_->setPen(Qt::black);
    const QStringList lines = text.split('\n');
    double y = PointsToDevice(yPoints_);
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith('\r')) line.chop(1);
        painter_->drawText(QPointF(PointsToDevice(xPoints_), y + metrics.ascent()), line);
        if (i + 1 < lines.size()) y += metrics.height();
    }
    if (endLine) {
        yPoints_ = (y + metrics.height()) * 72.0 / Device().resolution();
        xPoints_ = 0;
    } else {
        xPoints_ += metrics.horizontalAdvance(lines.last()) * 72.0 / Device().resolution();
    }
}

void PrinterObject::NewPage() {
    if (!painter_) {
        BeginJob();
    } else if (pageBreakPending_) {
        // The page before is ejected blank.
        Device().newPage();
        ++page_;
    }
    pageBreakPending_ = true;
    xPoints_ = yPoints_ = 0;
}

void PrinterObject::EndDoc() {
    if (painter_) {
        const bool ended = painter_->end();
        painter_.reset();
        if (!pdfFolder_.isEmpty() && ended) {
            printed_ << Device().outputFileName();
            ++jobNumber_;
        }
        if (!ended) throw BasicError(vbErrPrinter, QStringLiteral("La stampa non è stata completata"));
    }
    pageBreakPending_ = false;
    page_ = 0;
    xPoints_ = yPoints_ = 0;
}

void PrinterObject::KillDoc() {
    if (painter_) {
        Device().abort();
        painter_->end();
        painter_.reset();
        if (!pdfFolder_.isEmpty()) QFile::remove(Device().outputFileName());
    }
    pageBreakPending_ = false;
    page_ = 0;
    xPoints_ = yPoints_ = 0;
}

void PrinterObject::PrintJob(const std::function<void(QPagedPaintDevice& device)>& draw) {
    if (painter_) EndDoc();
    QPrinter& device = Device();
    const QPageLayout saved = device.pageLayout();
    const bool savedFullPage = device.fullPage();
    struct Restore {
        QPrinter& device;
        QPageLayout layout;
        bool fullPage;
        ~Restore() {
            device.setFullPage(fullPage);
            device.setPageLayout(layout);
        }
    } restore{device, saved, savedFullPage};
    PrepareDevice();
    draw(device);
    if (device.printerState() == QPrinter::Error)
        throw BasicError(vbErrPrinter, QStringLiteral("La stampa non è stata completata"));
    if (!pdfFolder_.isEmpty() && QFile::exists(device.outputFileName())) {
        printed_ << device.outputFileName();
        ++jobNumber_;
    }
    page_ = 0;
}

void PrinterObject::PrintFile(const QString& file) {
    if (painter_) EndDoc();
    Office office;
    if (Office::Program().isEmpty())
        throw BasicError(429, QStringLiteral("LibreOffice non è installato su questa macchina"));
    if (pdfFolder_.isEmpty()) {
        if (InstalledPrinterNames().isEmpty())
            throw BasicError(vbErrPrinter, QStringLiteral("Nessuna stampante installata"));
        if (!office.Print(file, deviceName_)) throw BasicError(vbErrPrinter, office.LastError());
        return;
    }
    QTemporaryDir work(QDir(pdfFolder_).filePath(QStringLiteral("convert-XXXXXX")));
    const QString pdf = office.ConvertToPdf(file, work.path());
    if (pdf.isEmpty()) throw BasicError(vbErrPrinter, office.LastError());
    const QString target = NextPdfFile();
    QFile::remove(target);
    if (!QFile::rename(pdf, target)) throw BasicError(vbErrPrinter, QStringLiteral("Impossibile scrivere ") + target);
    printed_ << target;
    ++jobNumber_;
}

PrinterObject& Printer() {
    static PrinterObject printer;
    return printer;
}

}  // namespace Platform
