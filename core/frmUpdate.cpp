#include "frmUpdate.h"

#include "Global.h"
#include "UpdateClient.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"
#include "Errors.h"
#include "Dialogs.h"
#include "MultiButton.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QVBoxLayout>

frmUpdate::frmUpdate() {
    setWindowTitle(QStringLiteral("Controllo aggiornamenti Brivalto"));
    LU = new UpdateClient(this);
    ckAutoUpdate = new QCheckBox(QStringLiteral("Controlla aggiornamenti all'avvio"), this);
    ckAutoUpdate->setObjectName("ckAutoUpdate");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LU);
    layout->addWidget(ckAutoUpdate);
    connect(ckAutoUpdate, &QCheckBox::clicked, this, &frmUpdate::ckAutoUpdate_Click);
    SetCancelButton(LU->cmdAnnulla);
    connect(LU, &Platform::LiveUpdt::Cancelled, this, [this] { Unload(); });
    connect(LU, &Platform::LiveUpdt::Finished, this, [this] { Unload(); });
    connect(LU, &Platform::LiveUpdt::Failed, this, [this] { Unload(); });
    connect(LU, &Platform::LiveUpdt::EndProgram, this, [] { Platform::App::End(); });
}

QString frmUpdate::BaseAddress() {
    QString overridden = qEnvironmentVariable("BRIVALTO_UPDATE_URL");
    return overridden.isEmpty() ? QStringLiteral("https://www.brivalto.it/aggiornamenti/") : overridden;
}

void frmUpdate::Form_Load() {
    LU->ColCancel = Global::gColBtnCancel;
    LU->ColConfirm = Global::gColBtnConfirm;
    LU->ColButton = Global::gColButton;
    LU->ColBack = Global::gColFormBack;
    LU->ColText = Global::gColInputFore;
    QString stored = Platform::GetSetting(Platform::App::EXEName(), "Config", "Autoupdate", "1");
    ckAutoUpdate->setChecked(Platform::Val(stored) != 0);
    ckAutoUpdate_Click();
}

void frmUpdate::ckAutoUpdate_Click() {
    Platform::SaveSetting(Platform::App::EXEName(), "Config", "Autoupdate", ckAutoUpdate->isChecked() ? "1" : "0");
}

namespace {

const QString kDescriptor = QStringLiteral("update.ver");

// The folder's own name for a file, found without regard to case as the share would find it.
QString OnShare(const QString& folder, const QString& name) {
    return Platform::ResolvePathNoCase(Platform::WithSeparator(QDir::fromNativeSeparators(folder)) + name);
}

// The share's descriptor; false, with the error the runtime would give, when it is missing or
// is not one.
bool ReadDescriptor(const QString& folder, UpdateClient::Descriptor& descriptor, Platform::ErrObject& error) {
    const QString file = OnShare(folder, kDescriptor);
    QByteArray text;
    QString why;
    if (!QFileInfo(file).isFile() || !UpdateClient::Fetch(file, 0, text, why)) {
        error.Set(53, Platform::ErrorText(53) + QStringLiteral(" ") + file);
        return false;
    }
    const auto parsed = UpdateClient::ParseDescriptor(text);
    if (!parsed) {
        error.Set(321, Platform::ErrorText(321) + QStringLiteral(" ") + file);
        return false;
    }
    descriptor = *parsed;
    return true;
}

}  // namespace

bool frmUpdate::IsExeOnServer(QString path) {
    return QFileInfo(OnShare(path, Platform::App::EXEName())).isFile();
}

bool frmUpdate::CheckNewServerVersion(QString path) {
    if (!IsExeOnServer(path)) return false;
    UpdateClient::Descriptor descriptor;
    Platform::ErrObject error;
    if (!ReadDescriptor(path, descriptor, error)) return false;
    // A version is newer by its first number that differs, not by any number larger than its
    // counterpart: 1.5.0 is older than 2.0.0.
    return UpdateClient::CompareVersions(descriptor.version,
                                         {Platform::App::Major(), Platform::App::Minor(), Platform::App::Revision()}) > 0;
}

void frmUpdate::RunInstallFromServer(QString path) {
    Platform::ErrObject error;
    UpdateClient::Descriptor descriptor;
    if (ReadDescriptor(path, descriptor, error)) {
        Platform::MsgBox(QStringLiteral("Sarà avviata l'installazione dell'aggiornamento di ") + Platform::App::EXEName() +
                             QStringLiteral(". Seguire le istruzioni e rilanciare l'applicazione al termine"),
                         Platform::vbOKOnly);
        // Copied off the share and checked first, as a downloaded set-up is: the share may be
        // written while it runs, and only a whole file is started.
        QString why;
        const QString setup = UpdateClient::FetchSetup(QDir::fromNativeSeparators(path), descriptor, 0, {}, why);
        if (setup.isEmpty()) {
            if (!QFileInfo(OnShare(path, descriptor.setupFile)).isFile())
                error.Set(53, Platform::ErrorText(53) + QStringLiteral(" ") + OnShare(path, descriptor.setupFile));
            else
                error.Set(75, Platform::ErrorText(75) + QStringLiteral(": ") + why);
        } else if (!UpdateClient::RunSetup(setup)) {
            error.Set(75, Platform::ErrorText(75) + QStringLiteral(": impossibile avviare ") + setup);
        } else {
            return;
        }
    }
    Platform::MsgBox(QStringLiteral("Errore ") + QString::number(error.Number) + QStringLiteral(": ") + error.Description +
                         QStringLiteral(" - Recuparendo il file di installazione aggiornamento dal server"),
                     Platform::vbOKOnly);
}

void frmUpdate::ShowUpdate() { Platform::DefaultInstance<frmUpdate>().Show(Platform::vbModal); }
