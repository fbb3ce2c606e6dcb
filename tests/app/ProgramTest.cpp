// The built program, started as a person would start it, under the offscreen
// platform; what it shows is read from its trace file.
#include "TestKit.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

    QProcess* Start(const QStringList& args, const QString& trace,
                    const QString& program = TestKit::ProgramFolder() + "/Brivalto") {
        auto* p = new QProcess;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        e.insert("XDG_CONFIG_HOME", env.Root() + "/config");
        e.insert("XDG_DATA_HOME", env.Root() + "/share");
        e.insert("XDG_RUNTIME_DIR", env.Root() + "/runtime");
        e.insert("BRIVALTO_TRACE", trace);
        e.remove("BRIVALTO_DATA");
        p->setProcessEnvironment(e);
        p->start(program, args);
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

// Installed under a prefix and then moved, the program folder still holds
// together: the program finds its libraries, helpers, database and help pages
// beside itself, never in the build or where it was first installed.
TEST_F(Program, InstalledAndMovedItStartsFromItsOwnFolder) {
    const QString prefix = env.Root() + "/prefix";
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(BRIVALTO_CMAKE), {"--install", QStringLiteral(BRIVALTO_BUILD_TREE), "--prefix", prefix});
    ASSERT_TRUE(install.waitForFinished(240000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();

    const QString moved = env.Root() + "/moved";
    ASSERT_TRUE(QDir().rename(prefix, moved));
    const QString folder = moved + "/lib/Brivalto";
    for (const char* file : {"Brivalto", "libPagivex.so.1", "libqvxSMS2.so", "brivalto-xlsread", "brivalto-xlsx",
                             "libbrivalto_sqlite.so", "Brivalto.mdb", "Brivalto.chm/index.html", "languagefile.txt", "Alarm.wav"})
        EXPECT_TRUE(QFileInfo::exists(folder + "/" + file)) << file;
    EXPECT_EQ(QFileInfo(moved + "/bin/brivalto").canonicalFilePath(), QFileInfo(folder + "/Brivalto").canonicalFilePath());
    QFile desktop(moved + "/share/applications/brivalto.desktop");
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(desktop.readAll()).split('\n').contains("Exec=brivalto"));

    // Every program and library of the folder finds what it links.
    for (const char* file : {"Brivalto", "libPagivex.so.1", "libqvxSMS2.so", "brivalto-xlsread", "brivalto-xlsx"}) {
        QProcess ldd;
        ldd.start("ldd", {folder + "/" + file});
        ASSERT_TRUE(ldd.waitForFinished(30000));
        const QString links = QString::fromLocal8Bit(ldd.readAllStandardOutput());
        EXPECT_FALSE(links.contains("not found")) << file << "\n" << links.toStdString();
    }

    // No data folder in the settings: the program makes one of the user's own
    // from the empty database beside it, and leaves its own folder as it was.
    QFile settings(env.Root() + "/config/Brivalto/Brivalto.conf");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Config]\nAutoupdate=0\n");
    settings.close();
    auto listing = [&folder] {
        QStringList files;
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot))
            files << f.fileName() + " " + QString::number(f.size()) + " " + f.lastModified().toString(Qt::ISODateWithMs);
        return files;
    };
    const QStringList before = listing();
    const QString trace = env.Root() + "/installed.trace";
    QProcess* p = Start({}, trace, moved + "/bin/brivalto");
    ASSERT_TRUE(WaitFor(trace, "SHOW|frmMenu")) << ReadTrace(trace).join("\n").toStdString();
    for (const QString& line : ReadTrace(trace)) EXPECT_FALSE(line.startsWith("MSGBOX")) << line.toStdString();
    EXPECT_EQ(p->state(), QProcess::Running);
    const QString data = env.Root() + "/share/Brivalto/archivio";
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    EXPECT_EQ(QFileInfo(data).permissions(), ownerOnly | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    EXPECT_EQ(QFileInfo(data + "/Brivalto.mdb").permissions(), ownerOnly);
    EXPECT_EQ(listing(), before);

    // The print-preview library it runs with is the one of the moved folder.
    QFile maps(QString("/proc/%1/maps").arg(p->processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    QStringList pagivex;
    for (const QString& line : QString::fromLocal8Bit(maps.readAll()).split('\n'))
        if (line.contains("libPagivex")) pagivex << line.section(' ', -1);
    ASSERT_FALSE(pagivex.isEmpty());
    for (const QString& path : pagivex) EXPECT_TRUE(path.startsWith(folder + "/")) << path.toStdString();
}
