// The start-up routine, run in this process with scripted answers.
#include "Form.h"
#include "Global.h"
#include "Neighbours.h"
#include "Runtime.h"
#include "Settings.h"
#include "TestKit.h"
#include "frmMenu.h"
#include "frmUpdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <gtest/gtest.h>

using namespace Platform;

namespace {

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        Global::ResetState();
        App::SetInstanceKey("brivalto-main-test-" + QString::number(QCoreApplication::applicationPid()));
        SetCommand("");
        Neighbours::SetQuickEntry([this] { ++quickEntries; });
        SaveSetting("Brivalto", "Config", "Autoupdate", "0");
        frmMenu::SplashSeconds = 0;
        // The update check must stay on this machine: nothing listens there.
        qputenv("BRIVALTO_UPDATE_URL", "http://127.0.0.1:9/");
    }
    void TearDown() override {
        for (Form* f : Forms()) f->Unload();
        QCoreApplication::processEvents();
        App::SetInstanceKey(QString());
        Neighbours::SetQuickEntry(nullptr);
    }

    void MakeDatabase(const QString& folder, const QString& name = "Brivalto.mdb") {
        QDir().mkpath(folder);
        if (QFile::exists(folder + "/" + name)) return;
        ASSERT_TRUE(QFile::copy(TestKit::ProgramFolder() + "/Brivalto.mdb", folder + "/" + name));
    }

    void WriteIni(const QByteArray& text) {
        QFile f(env.DataPath() + "Brivalto.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    TestKit::Environment env;
    // A first start makes its data folder under the test's own data home.
    TestKit::EnvironmentVariable dataHome{"XDG_DATA_HOME", (env.Root() + "/share").toLocal8Bit()};
    TestKit::EnvironmentVariable data{"BRIVALTO_DATA", QByteArray()};
    int quickEntries = 0;
};

}  // namespace

TEST_F(StartUp, StoredDataFolderOpensTheMenuWithoutAsking) {
    MakeDatabase(env.DataPath());
    SaveSetting("Brivalto", "Config", "DataPath", env.DataPath());
    Global::Main();
    EXPECT_EQ(env.ChooserTitles().size(), 0);
    EXPECT_EQ(env.Boxes().size(), 0);
    EXPECT_EQ(env.EndCalls(), 0);
    EXPECT_EQ(Global::gDataPath, env.DataPath());
    EXPECT_EQ(Global::gIniFile, env.DataPath() + "Brivalto.ini");
    EXPECT_EQ(Global::gConnString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DataPath() + "Brivalto.mdb");
    EXPECT_EQ(Global::gColFormBack, 0xBE956A);
    EXPECT_EQ(Global::gColBtnSearch, 0x77B33F);
    EXPECT_EQ(Global::gSmsProvider, 1);
    EXPECT_TRUE(IsDefaultInstanceLoaded<frmMenu>());
    EXPECT_TRUE(DefaultInstance<frmMenu>().isVisible());
    EXPECT_TRUE(App::HelpFile().endsWith("/brivalto.chm"));
}

TEST_F(StartUp, AFirstStartMakesADataFolderOnlyItsUserCanRead) {
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    const auto folderOwnerOnly = ownerOnly | QFileDevice::ExeOwner | QFileDevice::ExeUser;
    const QString folder = env.Root() + "/share/Brivalto/archivio/";
    Global::Main();  // nothing in the settings, the empty database beside the program
    EXPECT_EQ(env.ChooserTitles().size(), 0);
    EXPECT_EQ(Global::gDataPath, folder);
    EXPECT_EQ(Global::gConnString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + "Brivalto.mdb");
    EXPECT_EQ(QFileInfo(folder).permissions(), folderOwnerOnly);
    EXPECT_EQ(QFileInfo(env.Root() + "/share/Brivalto").permissions(), folderOwnerOnly);
    EXPECT_EQ(QFileInfo(folder + "Brivalto.mdb").permissions(), ownerOnly);
    EXPECT_TRUE(IsDefaultInstanceLoaded<frmMenu>());

    // A folder an administrator made keeps its permissions; the new database is its user's alone.
    Global::ResetState();
    for (Form* f : Forms()) f->Unload();
    const QString shared = env.Root() + "/condivisa";
    QDir().mkpath(shared);
    const auto group = folderOwnerOnly | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup;
    QFile::setPermissions(shared, group);
    qputenv("BRIVALTO_DATA", shared.toLocal8Bit());
    Global::Main();
    EXPECT_EQ(Global::gDataPath, shared + "/");
    EXPECT_EQ(QFileInfo(shared).permissions(), group);
    EXPECT_EQ(QFileInfo(shared + "/Brivalto.mdb").permissions(), ownerOnly);
}

TEST_F(StartUp, TheChooserIsAskedUntilTheDatabaseIsFound) {
    const QString empty = env.Root() + "/vuota";
    const QString good = env.Root() + "/archivio";
    QDir().mkpath(empty);
    MakeDatabase(good, "brivalto.MDB");  // another case of the same name
    SaveSetting("Brivalto", "Config", "DataPath", env.Root() + "/sparita/");
    env.ChooseNext(empty);
    env.ChooseNext(good);  // no trailing separator: one is added before the test
    Global::Main();
    EXPECT_EQ(env.ChooserTitles(), QStringList({"Scelta cartella archivio", "Scelta cartella archivio"}));
    EXPECT_EQ(Global::gDataPath, good + "/");
    EXPECT_EQ(GetSetting("Brivalto", "Config", "DataPath"), good + "/");
    // The existence test and the connection mean one file.
    EXPECT_EQ(Global::gConnString, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + good + "/brivalto.MDB");
    EXPECT_EQ(env.EndCalls(), 0);
}

TEST_F(StartUp, CancellingTheChooserEndsTheProgram) {
    App::SetPath(env.Root());  // nothing stored, no database beside the program
    Global::Main();
    EXPECT_EQ(env.ChooserTitles().size(), 1);
    EXPECT_EQ(env.Prompts(), QStringList({"Percorso archivi non indicato"}));
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_EQ(GetSetting("Brivalto", "Config", "DataPath", "unset"), "unset");
    EXPECT_FALSE(IsDefaultInstanceLoaded<frmMenu>());
}

TEST_F(StartUp, TheDataFolderSettingIsNotRewrittenWhenRight) {
    MakeDatabase(env.DataPath());
    SaveSetting("Brivalto", "config", "datapath", env.DataPath());
    const QString file = env.SettingsFolder() + "/Brivalto.conf";
    QFile::remove(file + ".copy");
    QFile::copy(file, file + ".copy");
    Global::Main();
    QFile a(file), b(file + ".copy");
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST_F(StartUp, TheProviderComesFromTheIniInAnyCase) {
    MakeDatabase(env.DataPath());
    SaveSetting("Brivalto", "Config", "DataPath", env.DataPath());
    WriteIni("[Config]\r\nsmsprovider=idea\r\n");
    Global::Main();
    EXPECT_EQ(Global::gSmsProvider, 2);
}

TEST_F(StartUp, AnyOtherProviderIsTheFirst) {
    MakeDatabase(env.DataPath());
    SaveSetting("Brivalto", "Config", "DataPath", env.DataPath());
    WriteIni("[CONFIG]\r\nSMSPROVIDER=IDEAS\r\n");
    Global::Main();
    EXPECT_EQ(Global::gSmsProvider, 1);
}

TEST_F(StartUp, QuickEntryOnlyForTheWholeSwitch) {
    MakeDatabase(env.DataPath());
    SaveSetting("Brivalto", "Config", "DataPath", env.DataPath());
    SetCommand("/q");
    Global::Main();
    EXPECT_EQ(quickEntries, 1);
    EXPECT_FALSE(IsDefaultInstanceLoaded<frmMenu>());

    Global::ResetState();
    SetCommand("/Q x");
    Global::Main();
    EXPECT_EQ(quickEntries, 1);
    EXPECT_TRUE(IsDefaultInstanceLoaded<frmMenu>());
}

TEST_F(StartUp, ASecondCopyIsRefusedUnlessQuickEntry) {
    MakeDatabase(env.DataPath());
    SaveSetting("Brivalto", "Config", "DataPath", env.DataPath());
    const QString key = "brivalto-main-test-2-" + QString::number(QCoreApplication::applicationPid());
    App::SetInstanceKey(key);
    // The lock lives in the user's own runtime folder.
    const QString dir = env.Root() + "/run";
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const TestKit::EnvironmentVariable runtime("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    QLockFile first(dir + "/" + key + ".lock");
    ASSERT_TRUE(first.tryLock(0));

    Global::Main();
    EXPECT_EQ(env.Prompts(), QStringList({"Brivalto è già in esecuzione"}));
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_TRUE(Global::gDataPath.isEmpty());

    App::SetInstanceKey(key);
    SetCommand("/Q");
    Global::Main();
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_EQ(quickEntries, 1);
}

TEST_F(StartUp, TheUpdateCheckFollowsTheSetting) {
    MakeDatabase(env.DataPath());
    SaveSetting("Brivalto", "Config", "DataPath", env.DataPath());
    SaveSetting("Brivalto", "Config", "AutoUpdate", "no");  // not a number: counts as 0
    Global::Main();
    EXPECT_FALSE(IsDefaultInstanceLoaded<frmUpdate>());

    Global::ResetState();
    SaveSetting("Brivalto", "Config", "AUTOUPDATE", "1");
    Global::Main();
    ASSERT_TRUE(IsDefaultInstanceLoaded<frmUpdate>());
    const auto& lu = *DefaultInstance<frmUpdate>().LU;
    EXPECT_EQ(lu.AppName, "Brivalto");
    EXPECT_EQ(lu.VerFile, "update.ver");
    EXPECT_EQ(lu.Caption, "Controllo aggiornamenti Brivalto");
    EXPECT_EQ(lu.TimeoutSeconds, 20);
    EXPECT_FALSE(DefaultInstance<frmUpdate>().isVisible());
}

TEST_F(StartUp, AnEmptyOrCutDatabaseIsRefusedBeforeAnythingIsWritten) {
    SaveSetting("Brivalto", "Config", "DataPath", env.DataPath());
    QDir().mkpath(env.DataPath());
    const QString file = env.DataPath() + "Brivalto.mdb";
    QByteArray whole;
    {
        QFile delivered(TestKit::ProgramFolder() + "/Brivalto.mdb");
        ASSERT_TRUE(delivered.open(QIODevice::ReadOnly));
        whole = delivered.readAll();
    }
    for (const QByteArray& content : {QByteArray(), whole.left(whole.size() / 2), whole.left(4096 + 10)}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        env.ClearBoxes();
        const int ends = env.EndCalls();
        Global::Main();
        EXPECT_EQ(env.EndCalls(), ends + 1);
        ASSERT_EQ(env.Boxes().size(), 1);
        EXPECT_EQ(env.Prompts().last(), "Formato di database '" + file + "' non riconosciuto.");
        EXPECT_EQ(QFileInfo(file).size(), content.size());  // untouched
        EXPECT_FALSE(IsDefaultInstanceLoaded<frmMenu>());
    }
}
