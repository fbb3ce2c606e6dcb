#include "Printer.h"

#include "Errors.h"
#include "Office.h"
#include "Runtime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    Restart();
    // Measuring before the first job already gives the PDF page.
    QPrinter& device = Device();
    if (!folder.isEmpty()) {
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setPageSize(QPageSize(QPageSize::A4));
        device.setPageMargins(QMarginsF(0, 0, 0, 0));
    }
}

void PrinterObject::SetDeviceName(const QString& name) {
    deviceName_ = name;
    SetOutputFile(QString());
}

void PrinterObject::SetOutputFile(const QString& file) {
    if (file == outputFile_) return;
    if (painter_) EndDoc();
    outputFile_ = file;
    if (pdfFolder_.isEmpty()) Restart();
}

QString PrinterObject::PrinterOfJobs() const {
    if (!deviceName_.isEmpty()) return deviceName_;
    const QString standard = QPrinterInfo::defaultPrinterName();
    if (!standard.isEmpty()) return standard;
    // A machine whose printers have no default prints on its first one.
    const QStringList printers = InstalledPrinterNames();
    return printers.isEmpty() ? QString() : printers.first();
}

bool PrinterObject::Available() const {
    if (PrintsToPdf()) return true;
    const QStringList printers = InstalledPrinterNames();
    if (deviceName_.isEmpty()) return !printers.isEmpty();
    return printers.contains(deviceName_, Qt::CaseInsensitive);
}

void PrinterObject::OfferChoice(QPrinter& dialogDevice) const {
    if (!outputFile_.isEmpty()) {
        dialogDevice.setOutputFormat(QPrinter::PdfFormat);
        dialogDevice.setOutputFileName(outputFile_);
    } else if (!deviceName_.isEmpty()) {
        dialogDevice.setPrinterName(deviceName_);
    }
}

void PrinterObject::TakeChoice(const QPrinter& dialogDevice) {
    if (dialogDevice.outputFormat() == QPrinter::PdfFormat && !dialogDevice.outputFileName().isEmpty()) {
        SetOutputFile(dialogDevice.outputFileName());
        return;
    }
    // A dialog that named no printer leaves the choice as it was.
    const QString chosen = dialogDevice.outputFormat() == QPrinter::NativeFormat ? dialogDevice.printerName() : QString();
    if (!chosen.isEmpty()) SetDeviceName(chosen);
}

QString PrinterObject::NextPdfFile() const {
    if (!pdfFolder_.isEmpty())
        return QDir(pdfFolder_).filePath(QStringLiteral("job%1.pdf").arg(jobNumber_ + 1, 4, 10, QChar('0')));
    if (outputFile_.isEmpty()) return QString();
    if (jobNumber_ == 0) return outputFile_;
    // Chosen once for the next job, so that the file it writes does not push it on.
    if (!nextNumbered_.isEmpty()) return nextNumbered_;
    const QFileInfo chosen(outputFile_);
    const QString suffix = chosen.suffix().isEmpty() ? QString() : "." + chosen.suffix();
    const QString base = chosen.dir().filePath(chosen.suffix().isEmpty() ? chosen.fileName() : chosen.completeBaseName());
    for (int n = jobNumber_ + 1;; ++n) {
        nextNumbered_ = base + "-" + QString::number(n) + suffix;
        if (!QFileInfo::exists(nextNumbered_)) return nextNumbered_;
    }
}

void PrinterObject::Written(const QString& file) {
    printed_ << file;
    ++jobNumber_;
    nextNumbered_.clear();
}

void PrinterObject::Restart() {
    printed_.clear();
    jobNumber_ = 0;
    nextNumbered_.clear();
}

QString PrinterObject::ClaimPdfFile() {
    const QString file = NextPdfFile();
    Written(file);
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

void PrinterObject::RequirePrinter() const {
    if (Available()) return;
    if (deviceName_.isEmpty() || InstalledPrinterNames().isEmpty())
        throw BasicError(vbErrPrinter, QStringLiteral("Nessuna stampante installata"));
    throw BasicError(vbErrPrinter, QStringLiteral("La stampante ") + deviceName_ + QStringLiteral(" non è installata"));
}

void PrinterObject::PrepareDevice(QPrinter& device) {
    device.setDocName(App::Title());
    if (PrintsToPdf()) {
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(NextPdfFile());
        return;
    }
    RequirePrinter();
    device.setOutputFormat(QPrinter::NativeFormat);
    device.setOutputFileName(QString());
    device.setPrinterName(PrinterOfJobs());
}

void PrinterObject::BeginJob() {
    QPrinter& device = Device();
    PrepareDevice(device);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&device))
        throw BasicError(vbErrPrinter, QStringLiteral("La stampa non può iniziare su ") +
                                           (PrintsToPdf() ? device.outputFileName() : device.printerName()));
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
        if (PrintsToPdf() && ended) {
            Written(Device().outputFileName());
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
        if (PrintsToPdf()) QFile::remove(Device().outputFileName());
    }
    pageBreakPending_ = false;
    page_ = 0;
    xPoints_ = yPoints_ = 0;
}

void PrinterObject::PrintJob(const std::function<void(QPagedPaintDevice& device)>& draw) {
    if (painter_) EndDoc();
    // A device of the job's own: a painter the caller scales leaves that scale
    // in the device's PDF engine, where every later job on it would inherit it.
    QPrinter device(QPrinter::HighResolution);
    device.setPageLayout(Device().pageLayout());
    device.setFullPage(Device().fullPage());
    PrepareDevice(device);
    draw(device);
    if (device.printerState() == QPrinter::Error)
        throw BasicError(vbErrPrinter, QStringLiteral("La stampa non è stata completata"));
    if (PrintsToPdf() && QFile::exists(device.outputFileName())) {
        Written(device.outputFileName());
    }
    page_ = 0;
}

void PrinterObject::PrintFile(const QString& file, QString* detail) {
    if (painter_) EndDoc();
    Office office;
    if (Office::Program().isEmpty())
        throw BasicError(429, QStringLiteral("LibreOffice non è installato su questa macchina"));
    auto fail = [&office, detail] {
        if (detail) *detail = office.LastErrorDetail();
        throw BasicError(vbErrPrinter, office.LastError());
    };
    if (!PrintsToPdf()) {
        RequirePrinter();
        if (!office.Print(file, deviceName_)) fail();
        return;
    }
    const QString target = NextPdfFile();
    QTemporaryDir work(QFileInfo(target).dir().filePath(QStringLiteral("convert-XXXXXX")));
    const QString pdf = office.ConvertToPdf(file, work.path());
    if (pdf.isEmpty()) fail();
    QFile::remove(target);
    if (!QFile::rename(pdf, target)) throw BasicError(vbErrPrinter, QStringLiteral("Impossibile scrivere ") + target);
    Written(target);
}

PrinterObject& Printer() {
    static PrinterObject printer;
    return printer;
}

}  // namespace Platform
