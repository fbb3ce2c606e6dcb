#include "Files.h"

#include <QSaveFile>
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

}  // namespace Platform
