#include "ImpaginazioneRighe.h"

#include "Printer.h"
#include "Values.h"

using Platform::Trim;

QString ImpaginazioneRighe::FitTextToWidth(QString& text, float& width) {
    auto& printer = Platform::Printer();
    const int savedScale = printer.ScaleMode();
    printer.SetScaleMode(Platform::vbMillimeters);

    text = Trim(text);
    // A piece never runs past a line break: each piece is printed on a row of its own, and a
    // second line inside it would stand half below that row, under the next one. The rest
    // begins after the break (CR LF, or a lone LF or CR).
    qsizetype end = text.size(), restStart = text.size();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != '\r' && c != '\n') continue;
        end = i;
        restStart = i + (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1);
        break;
    }
    QString piece = Trim(text.left(end));
    while (printer.TextWidth(piece) > width) {
        const qsizetype space = piece.lastIndexOf(' ');
        // A single word wider than the line is returned whole.
        if (space < 0) break;
        // The rest starts after the space; the piece is what comes before it.
        restStart = space + 1;
        piece = Trim(piece.left(space));
    }
    text = Trim(text.mid(restStart));

    printer.SetScaleMode(savedScale);
    return piece;
}
