#include "clsLogFile.h"

#include "Cp1252.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <cerrno>

namespace {

const QByteArray kLineEnd("\r\n");

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

    if (!ClearFile) TrimLog();

    QFile file(fileName_);
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | (ClearFile ? QIODevice::Truncate : QIODevice::Append);
    auto giveUp = [&file] {
        file.close();
        return false;
    };
    if (Attempt([&](Error& e) { return Open(file, mode, e); }) == Outcome::GaveUp) return giveUp();

    if (PrintSeparator) {
        const QByteArray separator = QByteArray(79, '-') + kLineEnd;
        if (Attempt([&](Error& e) { return Write(file, separator, e); }) == Outcome::GaveUp)
            return giveUp();
    }
    QString text = Riga;
    if (printTimeStamp_)
        text = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) +
               QStringLiteral(" - ") + Riga;
    const QByteArray line = Cp1252::FromUnicode(text) + kLineEnd;
    if (Attempt([&](Error& e) { return Write(file, line, e); }) == Outcome::GaveUp) return giveUp();
    if (Attempt([&](Error& e) { return Close(file, e); }) == Outcome::GaveUp) return giveUp();
    return true;
}

void clsLogFile::TrimLog() {
    if (maxLogLength_ == 0) return;
    const QFileInfo info(fileName_);
    if (!info.exists()) return;
    const qint64 size = info.size();
    if (size <= maxLogLength_) return;

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

    // Skip the oldest bytes, then the rest of the line they end in, so that
    // the file starts at a line boundary.
    const qint64 lineEnd = content.indexOf(kLineEnd, size - maxLogLength_);
    const QByteArray kept =
        lineEnd < 0 ? QByteArray() : content.mid(lineEnd + kLineEnd.size());
    if (Attempt([&](Error& e) {
            return Open(file, QIODevice::WriteOnly | QIODevice::Truncate, e);
        }) == Outcome::GaveUp)
        return file.close();
    if (Attempt([&](Error& e) { return Write(file, kept, e); }) == Outcome::GaveUp)
        return file.close();
    Error ignored;
    Close(file, ignored);
}
