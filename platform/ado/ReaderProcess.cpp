#include "ReaderProcess.h"

#include "Runtime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRIVALTO_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BRIVALTO_ASAN 1
#endif

namespace ADODB::Reader {

namespace {
QHash<QString, QString>& Chosen() {
    static QHash<QString, QString> programs;
    return programs;
}
}  // namespace

QString Program(const QString& name) {
    const QString chosen = Chosen().value(name);
    if (!chosen.isEmpty()) return chosen;
    QStringList folders{Platform::App::Path()};
    if (QCoreApplication::instance()) folders << QCoreApplication::applicationDirPath();
#ifdef BRIVALTO_READERS_DIR
    folders << QStringLiteral(BRIVALTO_READERS_DIR);  // the build's own, for programs run from it
#endif
    for (const QString& folder : folders)
        if (QFileInfo(folder + '/' + name).isExecutable()) return folder + '/' + name;
    return name;
}

void SetProgram(const QString& name, const QString& program) {
    if (program.isEmpty()) Chosen().remove(name);
    else Chosen().insert(name, program);
}

bool Run(const QString& program, const QStringList& arguments, const QString& kind, int seconds, qint64 outputBytes,
         QByteArray& output, int& exitCode, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QProcess reader;
    reader.setProgram(program);
    reader.setArguments(arguments);
    reader.setStandardInputFile(QProcess::nullDevice());
    // A damaged file can make a library complain without end: nobody reads it.
    reader.setStandardErrorFile(QProcess::nullDevice());
#ifdef BRIVALTO_ASAN
    // The sanitizer's report of a fault ends the reader as the fault itself
    // would have, so that it is told as the reader's interruption. What the
    // libraries leave allocated at its end is no fault of a process that ends
    // there (the fuzzers look for leaks in the same code).
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString options = environment.value(QStringLiteral("ASAN_OPTIONS"));
    const QString readerOptions = QStringLiteral("abort_on_error=1:detect_leaks=0");
    environment.insert(QStringLiteral("ASAN_OPTIONS"), options.isEmpty() ? readerOptions : options + ':' + readerOptions);
    reader.setProcessEnvironment(environment);
#endif
    reader.start();
    if (!reader.waitForStarted(15000))
        return fail(QStringLiteral("il lettore dei file %1 non è disponibile (%2)").arg(kind, program));
    output.clear();
    QElapsedTimer clock;
    clock.start();
    // The window stays responsive while a large file is read. The reader's
    // end may be taken among those events, after which waiting for it says
    // false at once: its state is what tells that it has ended.
    while (!reader.waitForFinished(50) && reader.state() != QProcess::NotRunning) {
        output += reader.readAllStandardOutput();
        Platform::DoEvents();
        if (clock.elapsed() > qint64(seconds) * 1000 || output.size() > outputBytes) {
            reader.kill();
            reader.waitForFinished(5000);
            return fail(QStringLiteral("il file non è leggibile: lettura troppo lunga"));
        }
    }
    output += reader.readAllStandardOutput();
    if (reader.exitStatus() != QProcess::NormalExit)
        return fail(QStringLiteral("il file non è leggibile: il lettore dei file %1 si è interrotto").arg(kind));
    exitCode = reader.exitCode();
    return true;
}

void LimitThisProcess(int seconds, qint64 memoryBytes) {
#ifdef Q_OS_UNIX
    auto limit = [](int resource, rlim_t value) {
        rlimit l{value, value};
        setrlimit(resource, &l);
    };
    limit(RLIMIT_CORE, 0);
    if (seconds > 0) limit(RLIMIT_CPU, rlim_t(seconds));
#ifndef BRIVALTO_ASAN
    if (memoryBytes > 0) limit(RLIMIT_AS, rlim_t(memoryBytes));
#else
    Q_UNUSED(memoryBytes);
#endif
#else
    Q_UNUSED(seconds);
    Q_UNUSED(memoryBytes);
#endif
}

}  // namespace ADODB::Reader
