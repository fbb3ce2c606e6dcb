// The built program, started as a person would start it, under the offscreen
// platform; what it shows is read from its trace file.
#include "TestKit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(env.Root() + "/config/Brivalto");
        QDir().mkpath(env.Root() + "/runtime");
        if (!QFile::exists(env.DatabaseFile())) {
            QFile f(env.DatabaseFile());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        QFile settings(env.Root() + "/config/Brivalto/Brivalto.conf");
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(("[Config]\nDataPath=" + env.DataPath() + "\nAutoupdate=0\n").toUtf8());
    }

    void TearDown() override {
        for (QProcess* p : processes) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }

    QProcess* Start(const QStringList& args, const QString& trace) {
        auto* p = new QProcess;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        e.insert("XDG_CONFIG_HOME", env.Root() + "/config");
        e.insert("XDG_DATA_HOME", env.Root() + "/share");
        e.insert("XDG_RUNTIME_DIR", env.Root() + "/runtime");
        e.insert("BRIVALTO_TRACE", trace);
        p->setProcessEnvironment(e);
        p->start(TestKit::ProgramFolder() + "/Brivalto", args);
        p->waitForStarted(10000);
        processes.append(p);
        return p;
    }

    QStringList ReadTrace(const QString& trace) {
        QFile f(trace);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // Waits until the trace holds a line starting with `prefix`.
    bool WaitFor(const QString& trace, const QString& prefix, int ms = 20000) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            for (const QString& line : ReadTrace(trace))
                if (line.startsWith(prefix)) return true;
            QThread::msleep(50);
        }
        return false;
    }

    TestKit::Environment env;
    QList<QProcess*> processes;
};

}  // namespace

TEST_F(Program, StartsOnItsDataFolderAndRefusesASecondCopy) {
    const QString first = env.Root() + "/first.trace";
    QProcess* a = Start({}, first);
    ASSERT_TRUE(WaitFor(first, "SHOW|frmMenu")) << ReadTrace(first).join("\n").toStdString();
    for (const QString& line : ReadTrace(first)) EXPECT_FALSE(line.startsWith("MSGBOX")) << line.toStdString();
    EXPECT_EQ(a->state(), QProcess::Running);

    const QString second = env.Root() + "/second.trace";
    QProcess* b = Start({}, second);
    ASSERT_TRUE(b->waitForFinished(20000));
    EXPECT_TRUE(ReadTrace(second).contains("MSGBOX|0|Brivalto|Brivalto è già in esecuzione"))
        << ReadTrace(second).join("\n").toStdString();

    // A quick entry may run beside the open copy.
    const QString quick = env.Root() + "/quick.trace";
    QFile ini(env.DataPath() + "Brivalto.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Config]\r\nQUICKUSER=ROSSI\r\n");
    ini.close();
    Start({"/q"}, quick);
    ASSERT_TRUE(WaitFor(quick, "SHOW|frmQuickContatto")) << ReadTrace(quick).join("\n").toStdString();
    EXPECT_FALSE(ReadTrace(quick).join("\n").contains("già in esecuzione"));
}

TEST_F(Program, WithoutADatabaseItAsksAndEnds) {
    QFile::remove(env.DatabaseFile());
    const QString trace = env.Root() + "/none.trace";
    QProcess* p = Start({}, trace);
    ASSERT_TRUE(p->waitForFinished(20000));
    QStringList lines = ReadTrace(trace);
    EXPECT_TRUE(lines.contains("FOLDERCHOOSER|Scelta cartella archivio")) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.contains("MSGBOX|0|Brivalto|Percorso archivi non indicato"));
}
