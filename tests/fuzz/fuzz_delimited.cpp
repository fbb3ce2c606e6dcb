// libFuzzer target: the delimited-text reader over any bytes, with each
// of the three separators, checked against a plain split of the same text.
#include "DelimitedText.h"
#include "Values.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = Platform::DecodeText(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    for (QChar separator : {QChar(','), QChar('\t'), QChar(';')}) {
        const QList<QStringList> lines = DelimitedText::Lines(text, separator);
        QString normal = text;
        normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
        QStringList expected = normal.split('\n');
        if (!normal.isEmpty() && normal.endsWith('\n')) expected.removeLast();
        if (normal.isEmpty()) expected.clear();
        if (lines.size() != expected.size()) std::abort();
        for (int i = 0; i < lines.size(); ++i) {
            const QStringList want = expected[i].isEmpty() ? QStringList() : expected[i].split(separator);
            if (lines[i] != want) std::abort();
            for (const QString& f : lines[i]) (void)DelimitedText::Unquote(f);
        }
        (void)DelimitedText::Lines(text, separator, 100);
    }
    return 0;
}
