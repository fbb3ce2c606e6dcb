#include "Settings.h"
#include "TestKit.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Platform;

namespace {
void WriteFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
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
