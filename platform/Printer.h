#pragma once
// The Printer object: the current printer with its scale mode and font.
// Measuring text here gives what the printed page will hold.

#include <QFont>
#include <QString>
#include <memory>

class QPrinter;

namespace Platform {

enum ScaleModeConstants {
    vbUser = 0, vbTwips = 1, vbPoints = 2, vbPixels = 3, vbCharacters = 4,
    vbInches = 5, vbMillimeters = 6, vbCentimeters = 7,
};

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

    QPrinter& Device();

private:
    int scaleMode_ = vbTwips;
    QFont font_;
    std::unique_ptr<QPrinter> device_;
};

PrinterObject& Printer();

}  // namespace Platform
