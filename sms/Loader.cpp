#include "qvxSMS2/Loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace Tessivo {

_qvxSMS2* LoadControl(QWidget* parent, const QString& libraryPath, QString* error) {
    const QString path =
        libraryPath.isEmpty()
            ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libqvxSMS2.so"))
            : libraryPath;
    // The library stays loaded for the life of the program: controls made
    // from it may outlive any one window.
    QLibrary library(path);
    auto create = reinterpret_cast<qvxSMS2_CreateFn>(library.resolve("qvxSMS2_Create"));
    if (!create) {
        if (error) *error = library.errorString();
        return nullptr;
    }
    return create(parent);
}

}  // namespace Tessivo
