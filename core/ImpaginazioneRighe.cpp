#include "ImpaginazioneRighe.h"

#include "Printer.h"
#include "Values.h"

using Platform::Trim;

QString ImpaginazioneRighe::FitTextToWidth(QString& text, float& width) {
    auto& printer = Platform::Printer();
    const int savedScale = printer.ScaleMode();
    printer.SetScaleMode(Platform::vbMillimeters);

    const QString lineBreak = QStringLiteral("\r\n");
    text = Trim(text);
    QString piece = text;
    for (;;) {
        QString trimmed = Trim(piece);
        double w = printer.TextWidth(trimmed);
        if (w <= width) break;
        if (trimmed.contains(' ')) {
            // Cut after the last space; the space stays so the rest starts after it.
            piece = trimmed.left(trimmed.lastIndexOf(' ') + 1);
        } else if (trimmed.contains(lineBreak)) {
            // The two spaces stand for the two characters of the line break.
            piece = trimmed.left(trimmed.lastIndexOf(lineBreak)) + "  ";
        } else {
            break;
        }
    }
    if (Trim(piece).contains(lineBreak)) {
        QString trimmed = Trim(piece);
        piece = trimmed.left(trimmed.lastIndexOf(lineBreak)) + "  ";
    }
    qsizetype restLength = text.size() - piece.size();
    text = restLength > 0 ? Trim(text.right(restLength)) : QString();

    printer.SetScaleMode(savedScale);
    return Trim(piece);
}
