// libFuzzer target: the delimited-text reader over any bytes, with each of
// the three separators. The bytes read in pieces of any size give the
// records of the same bytes decoded whole; a record of lines without quotes
// is their plain split; a record's fields written back quoted read back the
// same; the progress only grows, to the whole source.
#include "DelimitedText.h"
#include "Values.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

namespace {

QList<DelimitedText::Record> All(DelimitedText::Reader& reader) {
    QList<DelimitedText::Record> records;
    DelimitedText::Record record;
    // The progress only grows, and ends at the whole source.
    qint64 taken = 0;
    while (reader.Next(record, true)) {
        records << record;
        const qint64 now = reader.Taken();
        if (now < taken || now > reader.Size()) std::abort();
        taken = now;
    }
    if (reader.Taken() != reader.Size()) std::abort();
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the size of the pieces the rest is read in.
    const qsizetype piece = 1 + data[0] % 16;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString text = Platform::DecodeText(bytes);
    for (QChar separator : {QChar(','), QChar('\t'), QChar(';')}) {
        DelimitedText::Reader inPieces(separator), whole(separator);
        inPieces.SetBytes(bytes, piece);
        whole.SetText(text);
        const QList<DelimitedText::Record> records = All(inPieces);
        const QList<DelimitedText::Record> expected = All(whole);
        if (records.size() != expected.size()) std::abort();
        for (qsizetype r = 0; r < records.size(); ++r) {
            const DelimitedText::Record& record = records[r];
            if (record.fields != expected[r].fields || record.written != expected[r].written) std::abort();
            if (record.fields.size() != record.written.size()) std::abort();
            bool quoted = false;
            for (const QString& w : record.written) quoted = quoted || w.contains('"');
            // Without a quote, the fields are the line's plain split.
            if (!quoted && !record.fields.isEmpty()) {
                const QString line = record.written.join(separator);
                if (line.contains('\r') || line.contains('\n') || line.split(separator) != record.fields) std::abort();
            }
            // Written back quoted, the fields read back as they are.
            if (record.fields.isEmpty()) continue;
            QStringList quotedFields;
            for (const QString& f : record.fields) quotedFields << DelimitedText::Quote(f);
            const QString again = quotedFields.join(separator);
            if (again.size() > DelimitedText::kMaxRecord) continue;
            DelimitedText::Reader back(separator);
            back.SetText(again);
            DelimitedText::Record read;
            if (!back.Next(read) || read.fields != record.fields || back.Next(read)) std::abort();
        }
        (void)DelimitedText::Lines(text, separator, 100);
    }
    return 0;
}
