// The INI reader on any file, and the writer's round trip: a key written
// (when the writer accepts it) reads back as written.
#include "FuzzKit.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace {
QString gFile;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/brivalto-fuzz-XXXXXX" : QDir::tempPath() + "/fuzz-XXXXXX");
    gFile = dir.filePath("Brivalto.ini");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzKit::Bytes(data, size);
    {
        QFile f(gFile);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(bytes);
    }
    // Section, key and value are taken from the input's first line, split at '|'.
    const QString text = QString::fromUtf8(bytes);
    const QStringList parts = text.section('\n', 0, 0).split('|');
    const QString section = parts.value(0, "CONFIG"), key = parts.value(1, "SMSPROVIDER"), value = parts.value(2, "IDEA");
    Platform::GetPrivateProfileString(section, key, "def", gFile);
    Platform::GetPrivateProfileString(section, key, "def", gFile, 3);
    if (Platform::WritePrivateProfileString(section, key, value, gFile)) {
        // The Windows call trims the value and drops one pair of enclosing quotes.
        QString expected = value.trimmed();
        if (expected.size() >= 2 && (expected.front() == '"' || expected.front() == '\'') && expected.back() == expected.front())
            expected = expected.mid(1, expected.size() - 2);
        const int nul = expected.indexOf(QChar(0));
        if (nul >= 0) expected.truncate(nul);
        const QString back = Platform::GetPrivateProfileString(section, key, "def", gFile, 1 << 20);
        if (!section.trimmed().isEmpty() && !key.trimmed().startsWith(';') && !key.trimmed().startsWith('[') &&
            key.trimmed() == key && section.trimmed() == section && back != expected)
            std::abort();
    }
    return 0;
}
