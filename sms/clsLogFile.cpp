#include "clsLogFile.h"

#include "Cp1252.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringDecoder>
#include <cerrno>

namespace {

// Lines end with CR LF, as the office's own tools have always read these
// logs; the text is UTF-8, which holds every name.
const QByteArray kLineEnd("\r\n");

// A log as this version keeps it. One written in Windows-1252 is decoded
// from it, its line ends kept; one of the version that ended its lines
// with LF alone (no CR LF anywhere in it) gets CR LF in their place, so
// that no log mixes the two.
QByteArray InUtf8WithCrLf(const QByteArray& content) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    // Decoded only to learn whether it is UTF-8: the decoder reads the bytes
    // only when its result is made into a text, so the text is kept.
    [[maybe_unused]] const QString decoded = utf8.decode(content);
    QByteArray kept = utf8.hasError() ? Cp1252::ToUnicode(content).toUtf8() : content;
    if (!kept.contains(kLineEnd)) kept.replace('\n', kLineEnd);
    return kept;
}

// The runtime's numbers and texts for the input/output failures a log meets.
clsLogFile::Error FileError(int code) {
    switch (code) {
    case EACCES:
    case EPERM:
    case EROFS:
        return {70, QStringLiteral("Permesso negato")};
    case ENOENT:
    case ENOTDIR:
        return {76, QStringLiteral("Impossibile trovare il percorso")};
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return {61, QStringLiteral("Disco pieno")};
    case EISDIR:
        return {75, QStringLiteral("Errore di accesso al percorso/file")};
    default:
        return {57, QStringLiteral("Errore di I/O della periferica")};
    }
}

bool AskYesNo(const QString& prompt) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    return QMessageBox::question(nullptr, QGuiApplication::applicationDisplayName(), prompt,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

clsLogFile::AskHandler& Asker() {
    static clsLogFile::AskHandler handler = AskYesNo;
    return handler;
}

// Opens, writes and closes report errno through Error so that each can be
// retried on its own.
bool Open(QFile& file, QIODevice::OpenMode mode, clsLogFile::Error& error) {
    errno = 0;
    if (file.open(mode)) return true;
    error = FileError(errno);
    return false;
}

bool Write(QFile& file, const QByteArray& bytes, clsLogFile::Error& error) {
    errno = 0;
    if (file.write(bytes) == bytes.size() && file.flush()) return true;
    error = FileError(errno);
    return false;
}

bool Close(QFile& file, clsLogFile::Error& error) {
    errno = 0;
    const bool flushed = !file.isOpen() || file.flush();
    const int code = errno;
    file.close();
    if (flushed) return true;
    error = FileError(code);
    return false;
}

}  // namespace

clsLogFile::clsLogFile(QObject* parent) : QObject(parent) {}

clsLogFile::AskHandler clsLogFile::SetAskHandler(AskHandler handler) {
    AskHandler previous = Asker();
    Asker() = handler ? std::move(handler) : AskHandler(AskYesNo);
    return previous;
}

clsLogFile::Outcome clsLogFile::Attempt(const std::function<bool(Error&)>& step) {
    for (;;) {
        Error error;
        if (step(error)) return Outcome::Done;
        lastError_ = error;
        bool tryResume = false;
        emit GetError(tryResume);
        if (tryResume) continue;
        if (silent_) return Outcome::GaveUp;
#ifdef CLSLOGFILE_ASK_WITH_NUMBER
        const QString prompt = QStringLiteral("Errore: ") + QString::number(error.Number) + "-" +
                               error.Description + QStringLiteral(". Riprovo?");
#else
        const QString prompt =
            QStringLiteral("Errore: ") + error.Description + QStringLiteral(". Riprovo?");
#endif
        if (!Asker()(prompt)) return Outcome::GaveUp;
    }
}

bool clsLogFile::WriteLine(const QString& Riga, bool PrintSeparator, bool ClearFile) {
    lastError_ = Error();
    if (!active_ || fileName_.isEmpty()) return false;

    if (ClearFile) read_ = true;
    else TrimLog();

    // Unbuffered, so that what a failed write left is known and taken back:
    // no half line stays in the log, and a retried step is written whole.
    QFile file(fileName_);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered |
                                     (ClearFile ? QIODevice::Truncate : QIODevice::Append);
    qint64 start = 0;
    auto giveUp = [&file, &start] {
        if (file.isOpen()) file.resize(start);
        file.close();
        return false;
    };
    auto write = [&](const QByteArray& bytes) {
        const qint64 before = file.size();
        return Attempt([&](Error& e) {
            if (Write(file, bytes, e)) return true;
            file.resize(before);
            return false;
        });
    };
    if (Attempt([&](Error& e) { return Open(file, mode, e); }) == Outcome::GaveUp) return giveUp();
    start = file.size();

    if (PrintSeparator && write(QByteArray(79, '-') + kLineEnd) == Outcome::GaveUp) return giveUp();
    QString text = Riga;
    if (printTimeStamp_)
        text = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) +
               QStringLiteral(" - ") + Riga;
    // A line break inside the text ends its line the same way.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
    const QByteArray line = text.toUtf8().replace('\n', kLineEnd) + kLineEnd;
    if (write(line) == Outcome::GaveUp) return giveUp();
    if (Attempt([&](Error& e) { return Close(file, e); }) == Outcome::GaveUp) return giveUp();
    return true;
}

void clsLogFile::TrimLog() {
    // The first append of this log reads it whole once: one written before
    // in Windows-1252, or with LF line ends, is rewritten as UTF-8 with CR
    // LF, so the file never mixes the two.
    const bool first = !read_;
    read_ = true;
    if (maxLogLength_ == 0 && !first) return;
    // Nothing to read in a log not made yet; what is there but is no file
    // fails at the append, where it is told.
    const QFileInfo info(fileName_);
    if (!info.isFile()) return;
    const qint64 size = info.size();
    if (!first && size <= maxLogLength_) return;

    QFile file(fileName_);
    QByteArray content;
    if (Attempt([&](Error& e) { return Open(file, QIODevice::ReadOnly, e); }) == Outcome::GaveUp)
        return file.close();
    if (Attempt([&](Error& e) {
            errno = 0;
            content = file.readAll();
            if (file.error() == QFileDevice::NoError) return true;
            e = FileError(errno);
            return false;
        }) == Outcome::GaveUp)
        return file.close();
    file.close();

    QByteArray kept = InUtf8WithCrLf(content);
    // Skip the oldest bytes, then the rest of the line they end in, so that
    // the file starts at a line boundary.
    if (maxLogLength_ > 0 && kept.size() > maxLogLength_) {
        const qint64 lineEnd = kept.indexOf(kLineEnd, kept.size() - maxLogLength_);
        kept = lineEnd < 0 ? QByteArray() : kept.mid(lineEnd + kLineEnd.size());
    }
    if (kept == content) return;
    if (Attempt([&](Error& e) {
            return Open(file, QIODevice::WriteOnly | QIODevice::Truncate, e);
        }) == Outcome::GaveUp)
        return file.close();
    if (Attempt([&](Error& e) { return Write(file, kept, e); }) == Outcome::GaveUp)
        return file.close();
    Error ignored;
    Close(file, ignored);
}
