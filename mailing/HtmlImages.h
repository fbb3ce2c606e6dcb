#pragma once
// The local images of an HTML e-mail body, carried with the message as
// inline parts. Only a file that is an image by its content goes: a body
// that came from outside could otherwise mail any file it names (the
// settings that hold the passwords, say).

#include <QString>
#include <QStringList>
#include <functional>

namespace HtmlImages {

// Whether the file is a picture a mail reader shows (PNG, GIF, JPEG, BMP,
// WebP) by its first bytes, whatever its name.
bool IsImage(const QString& path);

// The file an image attribute's value names: a relative one beside the HTML
// file first, else in the current folder; an absolute one as it is. "" when
// no file is there.
QString ImageFile(const QString& value, const QString& htmlFolder);

struct Result {
    QString body;
    // The values that name a file that is not an image, each once, in order.
    QStringList notImages;
};

// Every src="..." of the body that names a local image (not "http://" or
// "cid:") gets "cid:" and the identifier `embed` gives for the file; each
// file is embedded once. Any other value stays as written.
Result Embed(const QString& html, const QString& htmlFolder, const std::function<QString(const QString& file)>& embed);

}  // namespace HtmlImages
