#include "HtmlImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace HtmlImages {

bool IsImage(const QString& path) {
    // Only a plain file: a device or a pipe named in a body is never read.
    if (!QFileInfo(path).isFile()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(32);
    if (head.startsWith("\x89PNG\r\n\x1a\n")) return true;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) return true;
    if (head.startsWith("\xFF\xD8\xFF")) return true;
    if (head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WEBP") return true;
    // A bitmap: "BM", then the size of one of the bitmap headers there are.
    if (head.size() >= 18 && head.startsWith("BM")) {
        const int header = uchar(head[14]) | uchar(head[15]) << 8 | uchar(head[16]) << 16 | uchar(head[17]) << 24;
        return header == 12 || header == 40 || header == 52 || header == 56 || header == 108 || header == 124;
    }
    return false;
}

QString ImageFile(const QString& value, const QString& htmlFolder) {
    // A NUL ends a file name: a value holding one names no file.
    if (value.isEmpty() || value.contains(QChar(0))) return QString();
    if (QFileInfo(value).isRelative()) {
        const QString beside = QDir(htmlFolder).filePath(value);
        if (QFileInfo(beside).isFile()) return beside;
    }
    return QFileInfo(value).isFile() ? value : QString();
}

Result Embed(const QString& html, const QString& htmlFolder, const std::function<QString(const QString& file)>& embed) {
    Result result;
    QString& body = result.body;
    body = html;
    QHash<QString, QString> embedded;  // attribute value -> content identifier
    const QString attribute = QStringLiteral("src=\"");
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = body.indexOf(attribute, pos, Qt::CaseInsensitive);
        if (at < 0) break;
        const qsizetype start = at + attribute.size();
        qsizetype end = body.indexOf('"', start);
        if (end < 0) break;  // no value can be read from an attribute left open
        const QString value = body.mid(start, end - start);
        if (!value.startsWith(QStringLiteral("HTTP://"), Qt::CaseInsensitive) &&
            !value.startsWith(QStringLiteral("CID:"), Qt::CaseInsensitive)) {
            QString id = embedded.value(value);
            if (id.isEmpty()) {
                const QString file = ImageFile(value, htmlFolder);
                if (!file.isEmpty() && IsImage(file)) {
                    id = embed(file);
                    embedded.insert(value, id);
                } else if (!file.isEmpty() && !result.notImages.contains(value)) {
                    result.notImages << value;
                }
            }
            // Only the attribute's own value changes: the same text elsewhere (a link, the page's
            // words) is not an image reference.
            if (!id.isEmpty()) {
                const QString reference = QStringLiteral("cid:") + id;
                body.replace(start, end - start, reference);
                end = start + reference.size();
            }
        }
        pos = end + 1;
    }
    return result;
}

}  // namespace HtmlImages
