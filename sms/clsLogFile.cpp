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

// The logs are read with this system's own tools: UTF-8 text, lines ended by LF.
const QByteArray kLineEnd("\n");

// A log written before in Windows-1252 with CR LF, as UTF-8 with LF; a log
// that is UTF-8 already keeps its characters.
QByteArray InUtf8(const QByteArray& content) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(content);
    if (utf8.hasError()) text = Cp1252::ToUnicode(content);
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8();
}

bool IsUtf8WithLf(const QByteArray& content) {
    if (content.contains("\r\n")) return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(content);
    return !utf8.hasError();
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
    const QByteArray line = text.toUtf8() + kLineEnd;
    if (write(line) == Outcome::GaveUp) return giveUp();
    if (Attempt([&](Error& e) { return Close(file, e); }) == Outcome::GaveUp) return giveUp();
    return true;
}

void clsLogFile::TrimLog() {
    // The first append of this log reads it whole once: one written before
    // in Windows-1252 with CR LF is rewritten as UTF-8 with LF, so the file
    // never mixes the two.
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

    QByteArray kept = IsUtf8WithLf(content) ? content : InUtf8(content);
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
