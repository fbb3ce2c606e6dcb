#pragma once
// The test's side of Workstation.h: another workstation's program started
// under its own name on the test's data folder, driven a command at a time.

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace TestKit {

class OtherWorkstation {
public:
    // `args`: database, settings folder, user and, optionally, its clock.
    OtherWorkstation(const QString& program, const QString& name, const QStringList& args) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("BRIVALTO_COMPUTERNAME", name);
        process_.setProcessEnvironment(e);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, args);
    }
    ~OtherWorkstation() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(60000)) process_.kill();
    }
    // The lines the command brought ("BOX ...", "SHOW ..."), its last "ok"
    // left out; "gone" when the program ended without it.
    QStringList Do(const QString& command) {
        process_.write((command + "\n").toUtf8());
        QStringList lines;
        for (;;) {
            while (!process_.canReadLine())
                if (!process_.waitForReadyRead(120000)) return lines << QStringLiteral("gone");
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line == QLatin1String("ok")) return lines;
            lines << line;
        }
    }

private:
    QProcess process_;
};

}  // namespace TestKit
