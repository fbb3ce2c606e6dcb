#pragma once
// A recording sendfax on PATH for the length of a test: every fax the program
// hands over is kept with its arguments and its files.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class FakeSendfax {
public:
    FakeSendfax() : oldPath_(qgetenv("PATH")) {
        QDir(dir_.path()).mkdir(QStringLiteral("bin"));
        const QString script = QStringLiteral(BRIVALTO_TEST_SUPPORT_DIR "/fax/sendfax");
        QFile::link(script, dir_.filePath(QStringLiteral("bin/sendfax")));
        qputenv("PATH", (dir_.filePath(QStringLiteral("bin")) + ":").toLocal8Bit() + oldPath_);
        qputenv("SENDFAX_RECORD", Record().toLocal8Bit());
        qunsetenv("SENDFAX_EXIT");
    }
    ~FakeSendfax() {
        qputenv("PATH", oldPath_);
        qunsetenv("SENDFAX_RECORD");
        qunsetenv("SENDFAX_EXIT");
        qunsetenv("SENDFAX_MESSAGE");
    }

    // The next calls fail with this exit code and message.
    void Refuse(int exitCode, const QString& message) {
        qputenv("SENDFAX_EXIT", QByteArray::number(exitCode));
        qputenv("SENDFAX_MESSAGE", message.toLocal8Bit());
    }

    QString Record() const { return dir_.filePath(QStringLiteral("record")); }

    struct Call {
        QStringList args;
        QStringList files;  // copies, in the order given
        // The value after an option ("-d"), "" when absent.
        QString Option(const QString& name) const {
            const int i = int(args.indexOf(name));
            return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
        }
    };
    QList<Call> Calls() const {
        QList<Call> calls;
        for (const QString& n : QDir(Record()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            QFile f(QDir(Record()).filePath(n + QStringLiteral("/args.json")));
            if (!f.open(QIODevice::ReadOnly)) continue;
            const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
            Call call;
            for (const QJsonValue& v : o["args"].toArray()) call.args << v.toString();
            for (const QJsonValue& v : o["files"].toArray()) call.files << v.toString();
            calls << call;
        }
        return calls;
    }

    // The text of a PDF (pdftotext), "" when it cannot be read.
    static QString PdfText(const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    static bool IsPdf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) && f.read(5) == "%PDF-";
    }

private:
    QTemporaryDir dir_;
    QByteArray oldPath_;
};
