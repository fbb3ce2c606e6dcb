#include "Printer.h"

#include <QFontMetricsF>
#include <QPrinter>

namespace Platform {

PrinterObject::PrinterObject() : font_(QStringLiteral("DejaVu Sans"), 10) {}
PrinterObject::~PrinterObject() = default;

QPrinter& PrinterObject::Device() {
    if (!device_) {
        device_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device_->setOutputFormat(QPrinter::PdfFormat);
    }
    return *device_;
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

PrinterObject& Printer() {
    static PrinterObject printer;
    return printer;
}

}  // namespace Platform
