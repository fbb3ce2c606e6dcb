#pragma once
// LibreOffice in tests: converts a file with soffice, each call in a profile
// of its own so that tests running at once do not meet. Tests that need it
// skip when soffice is not installed.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace SofficeKit {

inline QString Program() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }
inline bool Available() { return !Program().isEmpty(); }

// Converts `file` to `filter` (as soffice's --convert-to takes it: "rtf",
// "txt:Text (encoded):UTF8", "pdf") into `outDir`; returns the new file's
// path, "" when the conversion failed.
inline QString Convert(const QString& file, const QString& filter, const QString& outDir,
                       const QStringList& moreArguments = {}) {
    QTemporaryDir profile;
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
                          QStringLiteral("--headless"), QStringLiteral("--norestore"),
                          QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"), outDir};
    arguments << moreArguments << file;
    soffice.start(Program(), arguments);
    if (!soffice.waitForFinished(240000) || soffice.exitCode() != 0) return QString();
    const QString extension = filter.section(':', 0, 0);
    const QString out = QDir(outDir).filePath(QFileInfo(file).completeBaseName() + "." + extension);
    return QFileInfo::exists(out) ? out : QString();
}

}  // namespace SofficeKit
