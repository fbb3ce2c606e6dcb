// libFuzzer target: the image embedding of an HTML e-mail body over any
// text, in a folder that holds an image, a settings file and a text file
// named as an image. Only images are ever embedded, each once, and every
// other value stays as written.
#include "FuzzKit.h"
#include "HtmlImages.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir folder = [] {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("modelli"));
        auto write = [&](const char* name, const QByteArray& bytes) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) std::abort();
        };
        write("modelli/logo.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        write("modelli/foto.gif", "GIF89a\x01\x00\x01\x00");
        write("segreto.conf", "[SMS]\nPASSWORD=segreta\n");
        write("modelli/finta.png", "PASSWORD=segreta");
        return dir;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString html = FuzzKit::Text(data, size);
    const QString folder = Folder().filePath(QStringLiteral("modelli"));
    QHash<QString, QString> embedded;  // file -> identifier
    const HtmlImages::Result result = HtmlImages::Embed(html, folder, [&](const QString& file) {
        if (!HtmlImages::IsImage(file) || embedded.contains(file)) std::abort();
        const QString id = QStringLiteral("img%1").arg(embedded.size() + 1);
        embedded.insert(file, id);
        return id;
    });
    for (const QString& file : embedded.keys())
        if (file.contains(QStringLiteral("segreto")) || file.contains(QStringLiteral("finta"))) std::abort();
    for (const QString& value : result.notImages)
        if (value.isEmpty() || HtmlImages::IsImage(HtmlImages::ImageFile(value, folder))) std::abort();
    // Only attribute values change: without any image the body is as it was.
    if (embedded.isEmpty() && result.body != html) std::abort();
    return 0;
}
