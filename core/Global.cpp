#include "Global.h"

#include "Automation.h"
#include "Comuni.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Files.h"
#include "FolderChooser.h"
#include "Neighbours.h"
#include "Runtime.h"
#include "Schema.h"
#include "Settings.h"
#include "Values.h"
#include "frmMenu.h"
#include "frmUpdate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace Global {

QString gDataPath;
QString gIniFile;
QString gConnString;
std::int32_t gSmsProvider = 0;
bool gFaxTalkAvailable = false;
bool gFaxServerAvailable = false;
QString gCurrentUser;
bool gLoginActive = false;
bool gNoMessages = false;
std::int32_t gDbType = 0;

std::int32_t gColFormBack = 0;
std::int32_t gColPanel = 0;
std::int32_t gColText = 0;
std::int32_t gColButton = 0;
std::int32_t gColBtnConfirm = 0;
std::int32_t gColBtnCancel = 0;
std::int32_t gColBtnNew = 0;
std::int32_t gColBtnSearch = 0;
std::int32_t gColInputBack = 0;
std::int32_t gColInputFore = 0;

namespace {

const QString kDatabaseName = QStringLiteral("Brivalto.mdb");

// The database file of a data folder. The program names it in two cases;
// on a file system that tells them apart both must mean one file, so the
// existence test and the connection use this one answer.
QString DatabaseFile(const QString& folder) {
    return Platform::ResolvePathNoCase(folder + kDatabaseName);
}

bool DatabaseExists(const QString& folder) {
    if (folder.isEmpty()) return false;
    return QFileInfo(DatabaseFile(folder)).isFile();
}

// Where a start with no data folder in the settings keeps its data: a folder
// of the user's own, never the program folder, which is not written.
QString FirstDataFolder() {
    QString folder = qEnvironmentVariable("BRIVALTO_DATA");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Brivalto/archivio");
    return Platform::WithSeparator(QDir::cleanPath(folder));
}

// The folders of `folder` that are missing, made for their owner alone;
// one that exists keeps the permissions its administrator gave it.
bool MakePrivateFolder(const QString& folder) {
    QStringList missing;
    for (QString path = QDir::cleanPath(folder); !QFileInfo::exists(path); path = QFileInfo(path).path()) {
        missing.prepend(path);
        if (QFileInfo(path).path() == path) break;
    }
    for (const QString& path : missing)
        if (!QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) return false;
    return QFileInfo(folder).isDir();
}

// The empty database delivered beside the program, copied into a new data
// folder. Only its owner may read it: it holds every user's password.
bool MakeDataFolder(const QString& folder) {
    QFile delivered(DatabaseFile(Platform::WithSeparator(Platform::App::Path())));
    if (!delivered.open(QIODevice::ReadOnly) || !MakePrivateFolder(folder)) return false;
    return Platform::WriteWholeFile(folder + kDatabaseName, delivered.readAll(), nullptr, Platform::OwnerOnly);
}

}  // namespace

void SetColours() {
    gColFormBack = 0xBE956A;
    gColPanel = 0xA08053;
    gColText = 0xFFFFFF;
    gColButton = 0xAE855A;
    gColBtnConfirm = 0x8000;
    gColBtnCancel = 0x9090;
    gColBtnNew = 0x70C0;
    gColBtnSearch = 0x77B33F;
    gColInputBack = 0xFFFFFF;
    gColInputFore = 0;
}

namespace {

void RunUpdateCheck() {
    using namespace Platform;
    auto& update = DefaultInstance<frmUpdate>();
    LiveUpdt& lu = *update.LU;
    lu.AppName = App::EXEName();
    lu.AppPath = App::Path();
    lu.BaseURL = frmUpdate::BaseAddress();
    lu.VerFile = QStringLiteral("update.ver");
    lu.Major = App::Major();
    lu.Minor = App::Minor();
    lu.Build = 0;
    lu.Revision = App::Revision();
    lu.ShowProgress = true;
    lu.Caption = QStringLiteral("Controllo aggiornamenti Brivalto");
    lu.TimeoutSeconds = 20;
    if (lu.CheckForUpdate()) frmUpdate::ShowUpdate();
}

}  // namespace

void ResetState() {
    gDataPath.clear();
    gIniFile.clear();
    gConnString.clear();
    gSmsProvider = 0;
    gFaxTalkAvailable = false;
    gFaxServerAvailable = false;
    gCurrentUser.clear();
    gLoginActive = false;
    gNoMessages = false;
    gDbType = 0;
    gColFormBack = gColPanel = gColText = gColButton = 0;
    gColBtnConfirm = gColBtnCancel = gColBtnNew = gColBtnSearch = 0;
    gColInputBack = gColInputFore = 0;
}

void Main() {
    using namespace Platform;
    const QString appName = App::EXEName();
    const bool quickEntry = Command().toUpper() == QLatin1String("/Q");

    // 1. One copy at a time, but a quick entry may run beside an open copy.
    if (App::PrevInstance() && !quickEntry) {
        MsgBox(QStringLiteral("Brivalto è già in esecuzione"), vbOKOnly, App::Title());
        App::End();
        return;
    }

    // 2. Help file.
    App::SetHelpFile(App::Path() + QDir::separator() + "brivalto.chm");

    // 3. Colours.
    SetColours();

    // 4. Data folder. Without one in the settings, the user's own, made the
    // first time with the empty database beside the program.
    const QString stored = GetSetting(appName, "Config", "DataPath", QString());
    gDataPath = stored.isEmpty() ? FirstDataFolder() : stored;
    if (stored.isEmpty() && !DatabaseExists(gDataPath)) MakeDataFolder(gDataPath);
    if (!DatabaseExists(gDataPath)) {
        do {
            gDataPath = FolderChooser::BrowseForFolder(QStringLiteral("Scelta cartella archivio"));
            gDataPath = WithSeparator(gDataPath);
        } while (!gDataPath.isEmpty() && !DatabaseExists(gDataPath));
        if (!DatabaseExists(gDataPath)) {
            MsgBox(QStringLiteral("Percorso archivi non indicato"), vbOKOnly, App::Title());
            App::End();
            return;
        }
        SaveSetting(appName, "Config", "DataPath", gDataPath);
    }

    // 5. INI file beside the database.
    gIniFile = gDataPath + appName + ".ini";

    // 6. SMS gateway.
    QString provider = Comuni::ReadIni(QStringLiteral("SMSPROVIDER"), QStringLiteral("GEODROP"), QStringLiteral("CONFIG"));
    gSmsProvider = provider.toUpper() == QLatin1String("IDEA") ? 2 : 1;

    // 7. Update check.
    if (Val(GetSetting(appName, "Config", "Autoupdate", "1")) != 0) RunUpdateCheck();

    // 8. Database. An empty or cut file is refused before the upgrade writes
    // into it, which would leave it half made.
    if (!Schema::IsWholeDatabase(DatabaseFile(gDataPath))) {
        MsgBox("Formato di database '" + DatabaseFile(gDataPath) + "' non riconosciuto.", vbCritical, App::Title());
        App::End();
        return;
    }
    gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + DatabaseFile(gDataPath);
    UpgradeDatabase();

    // 9. Fax components: only whether they are there is kept.
    gFaxTalkAvailable = FaxProgramAvailable();
    gFaxServerAvailable = FaxServiceAvailable();

    // 10. First window.
    if (quickEntry) Neighbours::ShowQuickEntry();
    else DefaultInstance<frmMenu>().Show(vbModeless);
}

void ShowProcError(const Platform::ErrObject& errObj, const QString& where, const QString& title) {
    Platform::MsgBox("Errore " + QString::number(errObj.Number) + ": " + errObj.Description + " - " + where,
                     Platform::vbOKOnly, title);
}

}  // namespace Global
