#include "FileSizeLimit.h"
#include "Settings.h"
#include "TestKit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace Platform;

namespace {
void WriteFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

TEST(SettingsStore, SectionsAndKeysIgnoreCase) {
    TestKit::Environment env;
    EXPECT_EQ(GetSetting("Brivalto", "Config", "Autoupdate", "1"), "1");
    SaveSetting("Brivalto", "Config", "AutoUpdate", "0");
    EXPECT_EQ(GetSetting("Brivalto", "config", "Autoupdate", "1"), "0");
    SaveSetting("Brivalto", "CONFIG", "AUTOUPDATE", "1");
    EXPECT_EQ(GetAllSettings("Brivalto", "Config").size(), 1);
    EXPECT_EQ(GetSetting("Brivalto", "Config", "autoupdate"), "1");
}

TEST(SettingsStore, ValuesSurviveSpecialCharacters) {
    TestKit::Environment env;
    const QString value = "riga uno\nriga due = \\ [sezione] Città";
    SaveSetting("Brivalto", "Sender", "Address", value);
    SaveSetting("Brivalto", "Sender", "Vuoto", "");
    EXPECT_EQ(GetSetting("Brivalto", "Sender", "Address"), value);
    EXPECT_EQ(GetSetting("Brivalto", "Sender", "Vuoto", "x"), "");
    DeleteSetting("Brivalto", "Sender", "Address");
    EXPECT_EQ(GetSetting("Brivalto", "Sender", "Address", "none"), "none");
    DeleteSetting("Brivalto", "Sender");
    EXPECT_EQ(GetSetting("Brivalto", "Sender", "Vuoto", "x"), "x");
}

TEST(IniReader, FollowsTheWindowsRules) {
    TestKit::Environment env;
    const QString ini = env.Root() + "/Brivalto.ini";
    WriteFile(ini,
              "; comment\r\n[CONFIG]\r\n SMSPROVIDER = idea \r\nQuoted=\"  spaced  \"\r\n"
              "Dup=first\r\nDup=second\r\n[Brivalto]\r\nTitolo=dal titolo\r\n[config]\r\nOther=x\r\n");
    EXPECT_EQ(GetPrivateProfileString("config", "smsprovider", "GEODROP", ini), "idea");
    EXPECT_EQ(GetPrivateProfileString("CONFIG", "Quoted", "", ini), "  spaced  ");
    EXPECT_EQ(GetPrivateProfileString("CONFIG", "Dup", "", ini), "first");
    EXPECT_EQ(GetPrivateProfileString("CONFIG", "Other", "", ini), "x");  // a repeated section continues
    EXPECT_EQ(GetPrivateProfileString("CONFIG", "Missing", "def  ", ini), "def");
    EXPECT_EQ(GetPrivateProfileString("Nessuna", "SMSPROVIDER", "GEODROP", ini), "GEODROP");
    EXPECT_EQ(GetPrivateProfileString("CONFIG", "SMSPROVIDER", "GEODROP", env.Root() + "/missing.ini"), "GEODROP");
}

TEST(IniReader, LongValuesAreCutToTheBuffer) {
    TestKit::Environment env;
    const QString ini = env.Root() + "/long.ini";
    WriteFile(ini, "[s]\nk=" + QByteArray(300, 'a') + "\n");
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", ini).size(), 254);
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", ini, 2048).size(), 300);
}

TEST(IniReader, WritingKeepsTheRestOfTheFile) {
    TestKit::Environment env;
    const QString ini = env.Root() + "/w.ini";
    WriteFile(ini, "; nota\r\n[CONFIG]\r\nSMSPROVIDER=GEODROP\r\n[Config]\r\nQUICKUSER=MARIO\r\n");
    ASSERT_TRUE(WritePrivateProfileString("config", "smsprovider", "IDEA", ini));
    ASSERT_TRUE(WritePrivateProfileString("Nuova", "Chiave", "v", ini));
    EXPECT_EQ(GetPrivateProfileString("CONFIG", "SMSPROVIDER", "", ini), "IDEA");
    EXPECT_EQ(GetPrivateProfileString("Config", "QUICKUSER", "", ini), "MARIO");
    EXPECT_EQ(GetPrivateProfileString("Nuova", "Chiave", "", ini), "v");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("; nota\r\n"));
}

TEST(SettingsStore, AFullDiskKeepsTheOldStoreAndSaysSo) {
    TestKit::Environment env;
    ASSERT_TRUE(SaveSetting("Brivalto", "eMail", "SMPTServer", "posta.example.it"));
    const QString store = env.SettingsFolder() + "/Brivalto.conf";
    const QByteArray before = ReadFile(store);
    ASSERT_FALSE(before.isEmpty());
    {
        TestKit::FileSizeLimit full(8);
        EXPECT_FALSE(SaveSetting("Brivalto", "eMail", "SMPTServerUser", "mario"));
        EXPECT_FALSE(DeleteSetting("Brivalto", "eMail", "SMPTServer"));
    }
    EXPECT_EQ(ReadFile(store), before);
    EXPECT_EQ(GetSetting("Brivalto", "eMail", "SMPTServer"), "posta.example.it");
}

TEST(IniReader, AFullDiskKeepsTheOldFileAndSaysSo) {
    TestKit::Environment env;
    const QString ini = env.Root() + "/Brivalto.ini";
    WriteFile(ini, "[CONFIG]\r\nSMSPROVIDER=GEODROP\r\nQUICKUSER=MARIO\r\n");
    {
        TestKit::FileSizeLimit full(8);
        EXPECT_FALSE(WritePrivateProfileString("CONFIG", "SMSPROVIDER", "IDEA", ini));
    }
    EXPECT_EQ(ReadFile(ini), "[CONFIG]\r\nSMSPROVIDER=GEODROP\r\nQUICKUSER=MARIO\r\n");
}

TEST(SettingsStore, PasswordsAreForTheUserAlone) {
    TestKit::Environment env;
    ASSERT_TRUE(SaveSetting("Brivalto", "SMS", "PASSWORD", "segreta"));
    const QFileInfo store(env.SettingsFolder() + "/Brivalto.conf");
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                        QFileDevice::WriteOther | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    EXPECT_TRUE(store.permissions().testFlag(QFileDevice::ReadOwner));
    EXPECT_EQ(store.permissions() & others, QFileDevice::Permissions());
    EXPECT_EQ(QFileInfo(env.SettingsFolder()).permissions() & others, QFileDevice::Permissions());
    // A store written before by a looser program is closed at its next write.
    QFile::setPermissions(store.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    ASSERT_TRUE(SaveSetting("Brivalto", "eMail", "SMPTServerPass", "altra"));
    EXPECT_EQ(QFileInfo(store.filePath()).permissions() & others, QFileDevice::Permissions());
}

// Two programs each writing 150 keys into one store and one INI file at the same time.
TEST(SettingsStore, WritersSideBySideLoseNothing) {
    TestKit::Environment env;
    const QString ini = env.Root() + "/Brivalto.ini";
    QProcess a, b;
    a.start(SETTINGS_WRITER, {env.SettingsFolder(), ini, "A", "150"});
    b.start(SETTINGS_WRITER, {env.SettingsFolder(), ini, "B", "150"});
    ASSERT_TRUE(a.waitForFinished(120000));
    ASSERT_TRUE(b.waitForFinished(120000));
    EXPECT_EQ(a.exitCode(), 0);
    EXPECT_EQ(b.exitCode(), 0);
    EXPECT_EQ(GetAllSettings("Brivalto", "Chiavi").size(), 300);
    int found = 0;
    for (const QString prefix : {"A", "B"})
        for (int i = 0; i < 150; ++i)
            found += GetPrivateProfileString("Chiavi", prefix + QString::number(i), "", ini) == QString::number(i);
    EXPECT_EQ(found, 300);
}

TEST(IniReader, WritingKeepsTheFilesOwnEncoding) {
    TestKit::Environment env;
    // Written by a Windows tool: the euro sign and the accented letter are single bytes.
    const QString ansi = env.Root() + "/ansi.ini";
    WriteFile(ansi, "[Listino]\r\nPrezzo=10 \x80\r\nCitt\xe0=Forl\xec\r\n[CONFIG]\r\nSMSPROVIDER=GEODROP\r\n");
    ASSERT_TRUE(WritePrivateProfileString("CONFIG", "SMSPROVIDER", "IDEA", ansi));
    ASSERT_TRUE(WritePrivateProfileString("CONFIG", "Sede", "Cesena è qui", ansi));
    EXPECT_EQ(ReadFile(ansi),
              "[Listino]\r\nPrezzo=10 \x80\r\nCitt\xe0=Forl\xec\r\n[CONFIG]\r\nSMSPROVIDER=IDEA\r\nSede=Cesena \xe8 qui\r\n");
    EXPECT_EQ(GetPrivateProfileString("Listino", "Città", "", ansi), "Forlì");
    // What the code page cannot hold is refused rather than written as "?".
    const QByteArray kept = ReadFile(ansi);
    EXPECT_FALSE(WritePrivateProfileString("CONFIG", "Nome", "東京", ansi));
    EXPECT_EQ(ReadFile(ansi), kept);

    const QString utf8 = env.Root() + "/utf8.ini";
    WriteFile(utf8, "[Sedi]\nTokyo=東京\n[CONFIG]\nSMSPROVIDER=GEODROP\n");
    ASSERT_TRUE(WritePrivateProfileString("CONFIG", "SMSPROVIDER", "IDEA", utf8));
    EXPECT_EQ(GetPrivateProfileString("Sedi", "Tokyo", "", utf8), "東京");
    EXPECT_TRUE(ReadFile(utf8).contains("Tokyo=東京"));
}

TEST(IniReader, ALineBreakCannotMakeUpKeysOrSections) {
    TestKit::Environment env;
    const QString ini = env.Root() + "/Brivalto.ini";
    WriteFile(ini, "[Config]\r\nQUICKUSER=MARIO\r\n");
    EXPECT_FALSE(WritePrivateProfileString("Config", "QUICKUSER", "LUIGI\r\n[Altro]\r\nx=1", ini));
    EXPECT_FALSE(WritePrivateProfileString("Config", "QUICKUSER", "LUIGI\nQUICKUSER=X", ini));
    EXPECT_FALSE(WritePrivateProfileString("Config", "A=B", "1", ini));
    EXPECT_EQ(ReadFile(ini), "[Config]\r\nQUICKUSER=MARIO\r\n");
}
