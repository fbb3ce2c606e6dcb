#include "DelimitedText.h"

#include "Errors.h"
#include "Values.h"

#include <QFile>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DelimitedText {

namespace {

enum class Encoding { Ascii, Utf8, Utf16, Windows1252 };

// How far a run of bytes is whole UTF-8 sequences: a sequence cut by the end
// of a piece is left for the next one.
qsizetype WholeSequences(QByteArrayView bytes) {
    const qsizetype n = bytes.size();
    for (qsizetype back = 1; back <= 4 && back <= n; ++back) {
        const auto c = uchar(bytes[n - back]);
        if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const qsizetype need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > back ? n - back : n;
    }
    return n;
}

}  // namespace

struct Reader::Decoder {
    Encoding encoding = Encoding::Ascii;
    bool bigEndian = false;  // UTF-16's order, by its mark
    QStringDecoder utf16;
    // The end of what was read that may be part of a character the next
    // piece completes: each piece is decoded as the whole would be.
    QByteArray pending;
    bool started = false;
    // The text of the bytes read so far; `last`: no more come.
    QString Decode(QByteArrayView bytes, bool last) {
        switch (encoding) {
        case Encoding::Ascii: return QString::fromLatin1(bytes);
        case Encoding::Windows1252: return Platform::DecodeWindows1252(bytes);
        case Encoding::Utf8: {
            pending += bytes;
            const qsizetype whole = last ? pending.size() : WholeSequences(pending);
            const QByteArrayView part = QByteArrayView(pending).first(whole);
            QString text = QString::fromUtf8(part);
            // The decoder drops a mark that begins what it is given: only the text's own first one goes.
            if (started && part.startsWith("\xEF\xBB\xBF")) text.prepend(QChar(0xFEFF));
            started = started || whole > 0;
            pending.remove(0, whole);
            return text;
        }
        case Encoding::Utf16: {
            pending += bytes;
            qsizetype whole = last ? pending.size() : pending.size() & ~qsizetype(1);
            if (!last && whole >= 2) {
                // A high surrogate waits for the low one after it.
                const auto a = uchar(pending[whole - 2]), b = uchar(pending[whole - 1]);
                const char16_t unit = bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
                if (QChar::isHighSurrogate(unit)) whole -= 2;
            }
            QString text = utf16.decode(QByteArrayView(pending).first(whole));
            pending.remove(0, whole);
            return text;
        }
        }
        return QString();
    }
};

Reader::Reader(QChar separator) : separator_(separator), decoder_(std::make_unique<Decoder>()) {}

Reader::~Reader() {
    if (fd_ >= 0) ::close(fd_);
}

bool Reader::ReadPiece(QByteArray& bytes) {
    if (fd_ < 0) {
        bytes = bytes_.mid(bytesAt_, piece_);
        bytesAt_ += bytes.size();
        read_ += bytes.size();
        return true;
    }
    bytes.resize(piece_);
    for (;;) {
        const ssize_t got = ::read(fd_, bytes.data(), size_t(bytes.size()));
        if (got >= 0) {
            bytes.truncate(qsizetype(got));
            read_ += got;
            return true;
        }
        if (errno == EINTR) continue;
        failure_ = errno;
        bytes.clear();
        return false;
    }
}

void Reader::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    bytes_.clear();
    bytesAt_ = 0;
    *decoder_ = Decoder();
    buffer_.clear();
    at_ = 0;
    ended_ = false;
    failure_ = 0;
    again_.clear();
    size_ = read_ = bufferFrom_ = bufferTo_ = taken_ = 0;
}

bool Reader::Open(const QString& path) {
    Reset();
    piece_ = 1 << 18;
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        failure_ = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        failure_ = EISDIR;
        return false;
    }
    size_ = st.st_size;
    return Begin();
}

void Reader::SetBytes(const QByteArray& bytes, qsizetype piece) {
    Reset();
    bytes_ = bytes;
    size_ = bytes.size();
    piece_ = std::max<qsizetype>(1, piece);
    Begin();
}

void Reader::SetText(const QString& text) {
    Reset();
    buffer_ = text;
    ended_ = true;
}

bool Reader::Rewind(qsizetype offset) {
    read_ = bufferFrom_ = bufferTo_ = offset;
    if (fd_ < 0) {
        bytesAt_ = offset;
        return true;
    }
    if (::lseek(fd_, offset, SEEK_SET) == offset) return true;
    failure_ = errno;
    return false;
}

qint64 Reader::Taken() {
    // Inside what is decoded the bytes are counted as the characters.
    qint64 at = bufferTo_;
    if (at_ < buffer_.size()) at = bufferFrom_ + (bufferTo_ - bufferFrom_) * at_ / buffer_.size();
    taken_ = std::max(taken_, std::min(at, size_));
    return taken_;
}

bool Reader::Begin() {
    // The encoding is told by every byte: a first pass over them all.
    QByteArray piece, head, tail;
    bool ascii = true, utf8 = true;
    for (;;) {
        if (!ReadPiece(piece)) return false;
        if (piece.isEmpty()) break;
        if (head.size() < 3) head += piece.left(3 - head.size());
        if (head.startsWith("\xEF\xBB\xBF") || head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) break;
        if (ascii && std::all_of(piece.cbegin(), piece.cend(), [](char c) { return uchar(c) < 0x80; })) continue;
        ascii = false;
        if (!utf8) continue;
        tail += piece;
        const qsizetype whole = WholeSequences(tail);
        utf8 = QByteArrayView(tail).first(whole).isValidUtf8();
        tail.remove(0, whole);
    }
    Decoder& d = *decoder_;
    qsizetype start = 0;
    if (head.startsWith("\xEF\xBB\xBF")) {
        // The mark is the file's own; a second one would be text.
        start = 3;
        d.encoding = Encoding::Utf8;
    } else if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        d.encoding = Encoding::Utf16;
        d.bigEndian = head.startsWith("\xFE\xFF");
        d.utf16 = QStringDecoder(QStringDecoder::Utf16);
    } else if (ascii) {
        d.encoding = Encoding::Ascii;
    } else if (utf8 && tail.isEmpty()) {
        d.encoding = Encoding::Utf8;
    } else {
        d.encoding = Encoding::Windows1252;
    }
    return Rewind(start);
}

bool Reader::Fill() {
    if (ended_) return false;
    QByteArray piece;
    const bool read = ReadPiece(piece);
    if (!read || piece.isEmpty()) ended_ = true;
    // After a failure what waits is not text.
    if (!read) return false;
    const QString text = decoder_->Decode(piece, ended_);
    // What was taken already goes only when there is more to hold.
    if (!text.isEmpty() && at_ > 0) {
        bufferFrom_ = at_ < buffer_.size() ? bufferFrom_ + (bufferTo_ - bufferFrom_) * at_ / buffer_.size() : bufferTo_;
        buffer_.remove(0, at_);
        at_ = 0;
    }
    buffer_ += text;
    bufferTo_ = read_ - decoder_->pending.size();
    return !text.isEmpty() || !ended_;
}

namespace {

// A line's end as written, by Span::end.
QString EndText(int end) {
    static const QString ends[4] = {QString(), QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n")};
    return ends[end];
}

}  // namespace

bool Reader::FindLine(Span& span) {
    // Lines end at CR LF, LF or CR; the last needs no end.
    qsizetype from = at_;
    bool quote = false;
    for (;;) {
        qsizetype i = from;
        const qsizetype size = buffer_.size();
        const char16_t* data = reinterpret_cast<const char16_t*>(buffer_.constData());
        for (; i < size; ++i) {
            const char16_t c = data[i];
            if (c == u'\n' || c == u'\r') break;
            quote |= c == u'"';
        }
        if (i < size) {
            // A CR at the end of what is decoded may yet be followed by its LF.
            if (data[i] == u'\r' && i + 1 == size && !ended_) {
                const qsizetype offset = i - at_;
                if (Fill()) {
                    from = at_ + offset;
                    continue;
                }
                if (failure_) return false;
            }
            const bool crlf = buffer_[i] == u'\r' && i + 1 < buffer_.size() && buffer_[i + 1] == u'\n';
            span = {at_, i - at_, crlf ? 3 : buffer_[i] == u'\r' ? 2 : 1, quote};
            at_ = i + (crlf ? 2 : 1);
            return true;
        }
        const qsizetype offset = i - at_;
        if (Fill()) {
            from = at_ + offset;
            continue;
        }
        if (failure_ || at_ >= buffer_.size()) {
            buffer_.clear();
            at_ = 0;
            bufferFrom_ = bufferTo_;
            return false;
        }
        // The last line stays where it lies until the next is asked for.
        span = {at_, buffer_.size() - at_, 0, quote};
        at_ = buffer_.size();
        return true;
    }
}

bool Reader::TakeLine(Line& line) {
    if (!again_.empty()) {
        line = std::move(again_.front());
        again_.pop_front();
        return true;
    }
    Span span;
    if (!FindLine(span)) return false;
    line.text = buffer_.mid(span.from, span.length);
    line.end = EndText(span.end);
    return true;
}

namespace {

// `field` written over `into` in the room it has when nobody else holds it,
// so that a long run of records makes no string.
void Overwrite(QString& into, QStringView field) {
    if (into.isDetached() && into.capacity() >= field.size()) {
        into.resize(field.size());
        if (!field.isEmpty()) std::memcpy(into.data(), field.data(), size_t(field.size()) * sizeof(QChar));
    } else {
        into = field.toString();
    }
}

// A line without quotes split at every separator into `fields`, over the
// strings they held.
void SplitInto(QStringView line, QChar separator, QStringList& fields) {
    const char16_t* data = line.utf16();
    const char16_t mark = separator.unicode();
    const qsizetype size = line.size();
    qsizetype from = 0, count = 0;
    for (qsizetype i = 0;; ++i) {
        if (i < size && data[i] != mark) continue;
        const QStringView field = line.sliced(from, i - from);
        if (count < fields.size()) Overwrite(fields[count], field);
        else fields.append(field.toString());
        ++count;
        if (i == size) break;
        from = i + 1;
    }
    if (fields.size() > count) fields.resize(count);
}

// A line split at every separator.
void SplitPlain(const QString& line, QChar separator, Record& record, bool unquote, bool written) {
    qsizetype from = 0;
    for (;;) {
        const qsizetype to = line.indexOf(separator, from);
        const QString field = line.mid(from, (to < 0 ? line.size() : to) - from);
        record.fields << (unquote ? Unquote(field) : field);
        if (written) record.written << field;
        if (to < 0) return;
        from = to + 1;
    }
}

}  // namespace

// The fields of a record whose first line is taken[0]: more lines are taken
// while a quoted field goes on past a line's end. False when the quotes do
// not close as they must.
bool Reader::Quoted(Record& record, bool written, std::deque<Line>& taken) {
    QString value, as;  // the field so far, as it reads and as written
    bool inQuotes = false, closed = false, fieldStart = true;
    qsizetype held = 0;
    auto endField = [&] {
        record.fields << value;
        if (written) record.written << as;
        value.clear();
        as.clear();
        fieldStart = true;
        closed = false;
    };
    for (size_t l = 0;; ++l) {
        const QString& line = taken[l].text;
        const qsizetype size = line.size();
        qsizetype i = 0;
        while (i < size) {
            if (inQuotes) {
                const qsizetype quote = line.indexOf(u'"', i);
                const qsizetype to = quote < 0 ? size : quote;
                value += QStringView(line).sliced(i, to - i);
                if (written) as += QStringView(line).sliced(i, to - i);
                i = to;
                if (quote < 0) break;
                if (i + 1 < size && line[i + 1] == u'"') {
                    value += u'"';
                    if (written) as += QStringLiteral("\"\"");
                    i += 2;
                    continue;
                }
                inQuotes = false;
                closed = true;
                if (written) as += u'"';
                ++i;
                continue;
            }
            const QChar c = line[i];
            if (closed) {
                // After its closing quote a field ends.
                if (c != separator_) return false;
                endField();
                ++i;
                continue;
            }
            if (fieldStart && c == u'"') {
                inQuotes = true;
                fieldStart = false;
                if (written) as += u'"';
                ++i;
                continue;
            }
            if (c == separator_) {
                endField();
                ++i;
                continue;
            }
            // A plain run up to the next separator; a quote inside it is a character.
            qsizetype to = line.indexOf(separator_, i);
            if (to < 0) to = size;
            value += QStringView(line).sliced(i, to - i);
            if (written) as += QStringView(line).sliced(i, to - i);
            fieldStart = false;
            i = to;
        }
        if (!inQuotes) {
            endField();
            return true;
        }
        // A line break inside quotes belongs to the field, as it was written.
        if (taken[l].end.isEmpty()) return false;
        value += taken[l].end;
        if (written) as += taken[l].end;
        held += size + taken[l].end.size();
        if (held > kMaxRecord) return false;
        Line next;
        if (!TakeLine(next)) return false;
        taken.push_back(std::move(next));
    }
}

bool Reader::Next(Record& record, bool written) {
    Line first;
    if (again_.empty()) {
        Span span;
        if (!FindLine(span)) {
            record.fields.clear();
            record.written.clear();
            return false;
        }
        // Most lines hold no quote: split where they lie.
        const QStringView line = QStringView(buffer_).sliced(span.from, span.length);
        if (!line.isEmpty() && !span.quote) {
            SplitInto(line, separator_, record.fields);
            if (written) record.written = record.fields;
            else record.written.clear();
            return true;
        }
        first = {line.toString(), EndText(span.end)};
    } else {
        first = std::move(again_.front());
        again_.pop_front();
    }
    record.fields.clear();
    record.written.clear();
    if (first.text.isEmpty()) return true;
    if (!first.text.contains(u'"')) {
        SplitPlain(first.text, separator_, record, false, written);
        return true;
    }
    std::deque<Line> taken;
    taken.push_back(std::move(first));
    if (Quoted(record, written, taken)) return true;
    // Not closed as a field's end: the first line as it was always split,
    // the others read again.
    record.fields.clear();
    record.written.clear();
    for (size_t l = taken.size(); l-- > 1;) again_.push_front(std::move(taken[l]));
    SplitPlain(taken.front().text, separator_, record, true, written);
    return true;
}

QList<QStringList> Lines(const QString& text, QChar separator, int maxRecords) {
    Reader reader(separator);
    reader.SetText(text);
    QList<QStringList> lines;
    Record record;
    while ((maxRecords <= 0 || lines.size() < maxRecords) && reader.Next(record)) lines << record.fields;
    return lines;
}

void CannotRead(int error, const QString& path) {
    // A file that is not there is no file: not a path that is missing.
    const long number = error == ENOENT ? 53 : Platform::FileErrorNumber(error);
    Platform::Err().Raise(number, Platform::ErrorText(number) + " " + path);
}

QString Unquote(const QString& field) {
    if (field.size() >= 2 && field.startsWith('"') && field.endsWith('"')) return field.mid(1, field.size() - 2);
    return field;
}

QString Quote(const QString& value) {
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

}  // namespace DelimitedText
