// Records, enumerations and the error type of the print-preview library.
#pragma once

#include <QImage>
#include <QString>
#include <QtGlobal>
#include <stdexcept>

#define PAGIVEX_EXPORT __attribute__((visibility("default")))

namespace Pagivex {

// Destinations of Preview::Export and of the Exporting and Done events.
enum ZVDestination : qint32 {
    zvScreen = 0,
    zvPrinter = 1,
    zvText = 2,
    zvCSV = 3,
    zvHTML = 4,
    zvXML = 5,
    zvRTF = 6,
    zvPDF = 7,
    zvBMP = 101,
    zvJPG = 102,
    zvCustom = 255,
};

// Horizontal text alignment; the values are text-drawing flags, so callers may add
// 4 (vertical middle) or 8 (vertical bottom).
enum prvAlignment : qint32 {
    prvAlignleft = 0,
    prvAlignCenter = 1,
    prvAlignRight = 2,
};

// One drawn element of a page. Coordinates are whole display pixels at 96 per inch.
// For a line, Left/Top/Width/Height hold X1/Y1/X2/Y2.
struct PageElement {
    QString Text;
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Width = 0;
    qint32 Height = 0;
    qint32 BackColor = 0;
    qint32 ForeColor = 0;
    qint32 Aligment = 0;
    qint16 Type = 0;  // 1 text, 2 line, 3 box, 4 picture
    float Size = 0;
    QImage Picture;
    qint16 FontIndex = 0;
    qint16 BandIndex = 0;
    qint16 SectionType = 0;
};

// Byte view of an OLE colour (red in the low byte; Type 0x80 = system colour).
struct OLECOLOR {
    quint8 RedOrSys = 0;
    quint8 Green = 0;
    quint8 Blue = 0;
    quint8 Type = 0;
};

// The one error type of the library: the number of its table, the source
// ("Pagivex.Class.Procedure") and the description. Already written to the daily log
// when it is thrown.
class PAGIVEX_EXPORT Error : public std::runtime_error {
public:
    Error(qint32 number, const QString& source, const QString& description);
    ~Error() override;
    qint32 Number() const { return m_number; }
    QString Source() const { return m_source; }
    QString Description() const { return m_description; }

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
};

}  // namespace Pagivex
