// libFuzzer target: the letter merge over any bytes. Every marker of the
// visible text is filled, each once, and the merged letter shows the value
// where the marker stood and the rest as it was; the work ends within the file.
#include "FuzzKit.h"
#include "RtfMerge.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray letter = FuzzKit::Bytes(data, size);
    const QString marker = QStringLiteral("||NOME||");
    const QString value = QString::fromUtf8("Niccolò {D'Alò}\\");
    (void)RtfMerge::IsRtf(letter);
    (void)RtfMerge::CodePage(letter);
    const QString text = RtfMerge::VisibleText(letter);
    int markers = 0;
    for (qsizetype at = text.indexOf(marker); at >= 0; at = text.indexOf(marker, at + marker.size())) ++markers;

    QByteArray merged = letter;
    if (RtfMerge::Replace(merged, marker, value) != markers) std::abort();
    if (RtfMerge::VisibleText(merged) != QString(text).replace(marker, value)) std::abort();

    QByteArray all = letter;
    (void)RtfMerge::Replace(all, {{QStringLiteral("||TITOLO||"), QStringLiteral("Dott.")},
                                  {marker, QStringLiteral("||COGNOME||")},
                                  {QStringLiteral("||COGNOME||"), value}});
    return 0;
}
