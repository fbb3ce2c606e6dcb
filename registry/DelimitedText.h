#pragma once
// Delimited text files as the import reads them, record by record, so that
// a file of any length is read in a few pieces held at once.
//
// A field that begins with '"' is quoted: a separator or a line break inside
// it belongs to it, and a doubled '"' inside it stands for one. A record whose
// quotes do not close as a field's end (a quote followed by something else
// than the separator or the line's end, or no closing quote before the end of
// the file or within kMaxRecord characters) is its first line alone, split at
// every separator, each field unquoted only when it both begins and ends with
// '"'; the lines after it are read again as records of their own.

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>

namespace DelimitedText {

// The most characters a record spanning lines may hold: a quote left open
// by mistake does not swallow the rest of a file.
constexpr qsizetype kMaxRecord = 1 << 20;

struct Record {
    // The fields as they read; none for an empty line.
    QStringList fields;
    // The same as written in the file, quotes kept; filled only when asked for.
    QStringList written;
};

class Reader {
public:
    explicit Reader(QChar separator);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // A file, decoded as the program reads any outside text: UTF-8 with a
    // BOM, UTF-16 with a BOM, else UTF-8 when all its bytes are valid UTF-8,
    // else Windows-1252. False when it cannot be opened or read through
    // (Failure() says why).
    bool Open(const QString& path);
    // Bytes held whole, decoded the same way, read `piece` bytes at a time.
    void SetBytes(const QByteArray& bytes, qsizetype piece = 1 << 18);
    // A text already decoded.
    void SetText(const QString& text);

    // The next record; false at the end, or when the file could not be read on.
    // The fields of a line without quotes are written over the strings the
    // record held, in their room, while nobody else holds them.
    bool Next(Record& record, bool written = false);
    // The bytes of the file (or of the bytes given), and how many of them the
    // records taken so far came from: a reading's progress, which only grows.
    qint64 Size() const { return size_; }
    qint64 Taken();
    // The system's error number of the failure that stopped the reading; 0 when none.
    int Failure() const { return failure_; }

private:
    struct Line {
        QString text;
        QString end;  // "\r\n", "\n", "\r", or "" at the end of the text
    };
    // Where a line lies in buffer_, valid until the buffer is filled again.
    struct Span {
        qsizetype from = 0, length = 0;
        int end = 0;  // 0 none (the end of the text), 1 "\n", 2 "\r", 3 "\r\n"
        bool quote = false;  // a '"' is in the line
    };
    void Reset();
    // Tells the encoding from all the bytes, then goes back to the first.
    bool Begin();
    bool Rewind(qsizetype offset);
    // The next line of the text, found where it lies.
    bool FindLine(Span& span);
    bool TakeLine(Line& line);
    bool Fill();
    bool ReadPiece(QByteArray& bytes);
    bool Quoted(Record& record, bool written, std::deque<Line>& taken);

    QChar separator_;
    int fd_ = -1;
    QByteArray bytes_;  // SetBytes: the whole, read piece by piece
    qsizetype bytesAt_ = 0, piece_ = 1 << 18;
    struct Decoder;
    std::unique_ptr<Decoder> decoder_;
    QString buffer_;
    qsizetype at_ = 0;
    // The bytes of the source, those read, and those behind the first and
    // past the last character of buffer_ (the decoder may hold a few); the
    // most Taken() said.
    qint64 size_ = 0, read_ = 0, bufferFrom_ = 0, bufferTo_ = 0, taken_ = 0;
    bool ended_ = false;
    int failure_ = 0;
    std::deque<Line> again_;  // lines to read again after a record that did not close
};

// Every record of a text, at most `maxRecords` when positive.
QList<QStringList> Lines(const QString& text, QChar separator, int maxRecords = 0);

// A file that cannot be read, raised as the runtime's error for its cause
// (`error`, the system's number): not there 53, else as any file operation
// (Platform::FileErrorNumber): a folder 75, no permission 70, a failure to
// read 57.
[[noreturn]] void CannotRead(int error, const QString& path);

// A field of a record split as the program always split it: without the
// quotes that both begin and end it.
QString Unquote(const QString& field);

// A value written as a quoted field that the reader gives back whole:
// between quotes, each quote inside doubled.
QString Quote(const QString& value);

}  // namespace DelimitedText
