#include "frmUpdate.h"

#include "Global.h"
#include "UpdateClient.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"

#include <QCheckBox>
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

void frmUpdate::ShowUpdate() { Platform::DefaultInstance<frmUpdate>().Show(Platform::vbModal); }
