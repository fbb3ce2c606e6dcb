#include "Office.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace Platform {

namespace {

// Whether the LibreOffice beside soffice has a module ("sw" writer, "sc"
// calc). A soffice that is not in a LibreOffice program folder (a wrapper)
// cannot be asked, and is taken to have every module.
bool HasModule(const QString& module) {
    const QString program = Office::Program();
    if (program.isEmpty()) return false;
    const QDir folder = QFileInfo(QFileInfo(program).canonicalFilePath()).absoluteDir();
    const QStringList modules = folder.entryList({QStringLiteral("lib*lo.so")}, QDir::Files);
    if (modules.isEmpty()) return true;
    return modules.contains(QStringLiteral("lib%1lo.so").arg(module));
}

// A profile of this process's own, made on first use and removed at exit.
QString ProfileUrl() {
    static QTemporaryDir profile(QDir::temp().filePath(QStringLiteral("brivalto-office-XXXXXX")));
    return QUrl::fromLocalFile(profile.path()).toString();
}

bool IsPdf(const QString& file) { return file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive); }

}  // namespace

QString Office::Program() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }
bool Office::HasWriter() { return HasModule(QStringLiteral("sw")); }
bool Office::HasCalc() { return HasModule(QStringLiteral("sc")); }

bool Office::Run(const QStringList& arguments, const QString& file) {
    lastError_.clear();
    const QString program = Program();
    if (program.isEmpty()) {
        lastError_ = QStringLiteral("LibreOffice non è installato su questa macchina");
        return false;
    }
    if (!QFileInfo(file).isFile()) {
        lastError_ = QStringLiteral("File inesistente: ") + file;
        return false;
    }
    QStringList all{QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nologo"),
                    QStringLiteral("--nolockcheck"), QStringLiteral("-env:UserInstallation=") + ProfileUrl()};
    // LibreOffice reads PDF files only through its import filter.
    if (IsPdf(file)) all << QStringLiteral("--infilter=writer_pdf_import");
    all << arguments;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, all);
    if (!process.waitForStarted(30000)) {
        lastError_ = QStringLiteral("LibreOffice non si avvia: ") + process.errorString();
        return false;
    }
    if (!process.waitForFinished(TimeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        lastError_ = QStringLiteral("LibreOffice non ha terminato in tempo");
        return false;
    }
    const QString output = QString::fromLocal8Bit(process.readAll());
    // It ends with 0 also when it could not load the document; it says so.
    for (const QString& line : output.split('\n')) {
        if (line.trimmed().startsWith(QStringLiteral("Error"))) {
            lastError_ = QStringLiteral("LibreOffice: ") + line.trimmed();
            return false;
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        lastError_ = QStringLiteral("LibreOffice è terminato con il codice %1").arg(process.exitCode());
        return false;
    }
    return true;
}

bool Office::Print(const QString& file, const QString& printer) {
    const QString path = QFileInfo(file).absoluteFilePath();
    if (printer.isEmpty()) return Run({QStringLiteral("-p"), path}, path);
    return Run({QStringLiteral("--pt"), printer, path}, path);
}

QString Office::ConvertToPdf(const QString& file, const QString& folder) {
    const QString path = QFileInfo(file).absoluteFilePath();
    const QString target = QDir(folder).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".pdf"));
    QFile::remove(target);
    if (!Run({QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"),
              QDir(folder).absolutePath(), path},
             path))
        return QString();
    if (!QFileInfo(target).isFile()) {
        lastError_ = QStringLiteral("LibreOffice non ha prodotto il file ") + target;
        return QString();
    }
    return target;
}

}  // namespace Platform
