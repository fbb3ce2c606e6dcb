#pragma once
// A PDF print queue of its own on the tests' print server (cups/cups-kit,
// started by CTest's fixture "cups" for the tests of the groups "PrintQueue*",
// which CTest runs with CUPS_SERVER naming the server). Jobs printed on it
// come out as PDF files in a folder of the queue's own.
//
//   Cups::Queue queue;
//   if (!queue.Skip().isEmpty()) GTEST_SKIP() << queue.Skip().toStdString();
//   ASSERT_TRUE(queue.Error().isEmpty()) << queue.Error().toStdString();
//   ... print on queue.Name() ...
//   const QStringList pdfs = queue.WaitForFiles(2);

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QThread>
#include <algorithm>

#ifndef BRIVALTO_CUPS_KIT
#error "BRIVALTO_CUPS_KIT and BRIVALTO_CUPS_DIR name the print server kit and its folder"
#endif

namespace Cups {

class Queue {
public:
    Queue() {
        const QString folder = QStringLiteral(BRIVALTO_CUPS_DIR);
        QFile unavailable(folder + "/unavailable");
        if (unavailable.open(QIODevice::ReadOnly)) {
            const QString why = QString::fromUtf8(unavailable.readAll()).trimmed();
            if (why.startsWith(QLatin1String("skip: "))) skip_ = why.mid(6);
            else error_ = "no print server: " + why;
            return;
        }
        if (qEnvironmentVariable("CUPS_SERVER") != folder + "/cups.sock") {
            skip_ = "the print server is started by ctest, which names it in CUPS_SERVER";
            return;
        }
        name_ = QStringLiteral("brivalto-%1").arg(QCoreApplication::applicationPid());
        QString output;
        if (!Kit({"add", folder, name_}, &output)) {
            error_ = "the queue could not be added: " + output;
            name_.clear();
            return;
        }
        out_ = output.trimmed();
        // The print system of this process must be the one the queue is on.
        if (!QPrinterInfo::availablePrinterNames().contains(name_))
            error_ = "the print system does not list the queue " + name_;
    }
    ~Queue() {
        if (!name_.isEmpty()) Kit({"remove", QStringLiteral(BRIVALTO_CUPS_DIR), name_});
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    QString Skip() const { return skip_; }
    QString Error() const { return error_; }
    QString Name() const { return name_; }
    QString OutputFolder() const { return out_; }

    // The PDF files of the queue's jobs, in job order, once at least `count`
    // have come out and no job is left to print; fewer when the wait runs out.
    QStringList WaitForFiles(int count, int timeoutMs = 180000) const {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            const QStringList files = Files();
            if (files.size() >= count && Pending().isEmpty()) return files;
            if (deadline.hasExpired()) return files;
            QThread::msleep(200);
        }
    }

    // What the server logged, for a failure's message.
    static QString ServerLog() {
        QFile log(QStringLiteral(BRIVALTO_CUPS_DIR "/log/error_log"));
        if (!log.open(QIODevice::ReadOnly)) return QString();
        const QByteArray all = log.readAll();
        return QString::fromUtf8(all.right(4000));
    }

private:
    static bool Kit(const QStringList& arguments, QString* output = nullptr) {
        QProcess kit;
        kit.start(QStringLiteral(BRIVALTO_CUPS_KIT), arguments);
        const bool ended = kit.waitForFinished(60000);
        if (output) *output = QString::fromUtf8(kit.readAllStandardOutput() + kit.readAllStandardError());
        return ended && kit.exitStatus() == QProcess::NormalExit && kit.exitCode() == 0;
    }

    QStringList Files() const {
        // cups-pdf names each file after the job's title and number: "Brivalto-job_12.pdf".
        static const QRegularExpression job(QStringLiteral("job_(\\d+)"));
        QStringList files = QDir(out_).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
            return job.match(a).captured(1).toInt() < job.match(b).captured(1).toInt();
        });
        for (QString& f : files) f = QDir(out_).filePath(f);
        return files;
    }

    QString Pending() const {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), name_});
        lpstat.waitForFinished(30000);
        return QString::fromUtf8(lpstat.readAllStandardOutput()).trimmed();
    }

    QString name_, out_, skip_, error_;
};

}  // namespace Cups
