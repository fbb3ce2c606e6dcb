// libFuzzer target: the RTF writer's round trip. A letter read from any
// bytes, written and read again keeps its text, its tables and its pictures,
// and writing it once more gives the same RTF.
#include "FuzzKit.h"
#include "Rtf.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QTextDocument first;
    if (!Platform::RtfToDocument(FuzzKit::Bytes(data, size), first)) return 0;
    const QByteArray written = Platform::DocumentToRtf(first);
    QTextDocument second;
    if (!Platform::RtfToDocument(written, second)) std::abort();
    // The raw text holds the marks of tables and cells too.
    if (first.toRawText() != second.toRawText()) std::abort();
    if (Platform::DocumentToRtf(second) != written) std::abort();
    return 0;
}
