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

// Sheets open in Calc; every other document (PDF files included, through
// the writer's import) in Writer.
bool IsSheet(const QString& file) {
    static const QStringList sheets{"xls", "xlsx", "xlsm", "xlsb", "ods", "csv"};
    return sheets.contains(QFileInfo(file).suffix().toLower());
}

// What LibreOffice's "Error: ..." line means for the user, who knows the
// document by its name.
QString Cause(const QString& said, const QString& path, bool converting) {
    const QString file = QFileInfo(path).fileName();
    if (said.contains(QLatin1String("source file could not be loaded"), Qt::CaseInsensitive))
        return QStringLiteral("il documento ") + file +
               QStringLiteral(" non si può aprire: è danneggiato o non è in un formato che LibreOffice legge");
    if (said.contains(QLatin1String("no export filter"), Qt::CaseInsensitive))
        return QStringLiteral("LibreOffice non sa convertire in PDF il documento ") + file;
    // Its store of the converted file failed: the folder or the disk refused it.
    if (said.contains(QLatin1String("impl_store"), Qt::CaseInsensitive))
        return QStringLiteral("LibreOffice non ha potuto scrivere il PDF del documento ") + file;
    return (converting ? QStringLiteral("LibreOffice non è riuscito a convertire in PDF il documento ")
                       : QStringLiteral("LibreOffice non è riuscito a stampare il documento ")) +
           file;
}

}  // namespace

QString Office::Program() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }
bool Office::HasWriter() { return HasModule(QStringLiteral("sw")); }
bool Office::HasCalc() { return HasModule(QStringLiteral("sc")); }

bool Office::Fail(const QString& error, const QString& detail) {
    lastError_ = error;
    lastDetail_ = detail;
    return false;
}

bool Office::Run(const QStringList& arguments, const QString& file, bool converting) {
    lastError_.clear();
    lastDetail_.clear();
    const QString program = Program();
    if (program.isEmpty()) return Fail(QStringLiteral("LibreOffice non è installato su questa macchina"));
    if (!QFileInfo(file).isFile()) return Fail(QStringLiteral("File inesistente: ") + file);
    // Without its module LibreOffice would only say it cannot load the file.
    if (IsSheet(file) ? !HasCalc() : !HasWriter())
        return Fail(IsSheet(file) ? QStringLiteral("LibreOffice Calc non è installato su questa macchina")
                                  : QStringLiteral("LibreOffice Writer non è installato su questa macchina"));
    QStringList all{QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nologo"),
                    QStringLiteral("--nolockcheck"), QStringLiteral("-env:UserInstallation=") + ProfileUrl()};
    // LibreOffice reads PDF files only through its import filter.
    if (IsPdf(file)) all << QStringLiteral("--infilter=writer_pdf_import");
    all << arguments;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, all);
    if (!process.waitForStarted(30000))
        return Fail(QStringLiteral("impossibile avviare LibreOffice"), program + ": " + process.errorString());
    if (!process.waitForFinished(TimeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return Fail(QStringLiteral("LibreOffice non ha terminato in tempo"));
    }
    const QString output = QString::fromLocal8Bit(process.readAll());
    // It ends with 0 also when it could not load the document; it says so.
    for (const QString& line : output.split('\n')) {
        if (line.trimmed().startsWith(QStringLiteral("Error")))
            return Fail(Cause(line, file, converting), QStringLiteral("LibreOffice: ") + line.trimmed());
    }
    const QString said = output.simplified();
    if (process.exitStatus() != QProcess::NormalExit)
        return Fail(QStringLiteral("LibreOffice si è interrotto"), said);
    if (process.exitCode() != 0)
        return Fail(QStringLiteral("LibreOffice è terminato con il codice %1").arg(process.exitCode()), said);
    return true;
}

bool Office::Print(const QString& file, const QString& printer) {
    const QString path = QFileInfo(file).absoluteFilePath();
    if (printer.isEmpty()) return Run({QStringLiteral("-p"), path}, path, false);
    return Run({QStringLiteral("--pt"), printer, path}, path, false);
}

QString Office::ConvertToPdf(const QString& file, const QString& folder) {
    const QString path = QFileInfo(file).absoluteFilePath();
    const QString target = QDir(folder).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".pdf"));
    QFile::remove(target);
    if (!Run({QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"),
              QDir(folder).absolutePath(), path},
             path, true))
        return QString();
    if (!QFileInfo(target).isFile()) {
        Fail(QStringLiteral("LibreOffice non ha prodotto il file ") + target);
        return QString();
    }
    return target;
}

}  // namespace Platform
