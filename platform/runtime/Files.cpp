#include "Files.h"

#include <QSaveFile>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>

namespace Platform {

bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error, QFileDevice::Permissions permissions) {
    QSaveFile file(path);
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    if (permissions && !file.setPermissions(permissions)) return fail(file.errorString());
    errno = 0;
    if (file.write(data) != data.size()) return fail(file.errorString());
    // A small write sits in the buffer until the file is closed, and a failed
    // flush there does not stop commit() from renaming a short file over the
    // old one: the flush is checked here, before anything is renamed.
    if (!file.flush()) {
        // Qt keeps no text of its own for this failure; the system's says "disk full".
        return fail(errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

namespace {
// The 32 characters where Windows-1252 differs from Latin-1 (0x80..0x9F);
// 0 marks the five bytes it leaves undefined, which stand for themselves.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

// The one Windows-1252 table of the program (the vCard and RTF readers decode with it).
QString DecodeWindows1252(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80]) out.append(QChar(kCp1252High[b - 0x80]));
        else out.append(QChar(b));
    }
    return out;
}

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return DecodeWindows1252(bytes);
}

}  // namespace Platform
