#include "frmQuickContatto.h"

#include "Comuni.h"
#include "Global.h"
#include "Runtime.h"
#include "modAdoCommon.h"

#include <QLabel>
#include <QVBoxLayout>

frmQuickContatto::frmQuickContatto() {
    setWindowTitle(QStringLiteral("Inserimento rapido"));
    auto* layout = new QVBoxLayout(this);
    lblUtente = new QLabel(this);
    lblUtente->setObjectName("lblUtente");
    layout->addWidget(lblUtente);
    resize(420, 200);
}

frmQuickContatto::~frmQuickContatto() = default;

void frmQuickContatto::Form_Load() {
    Global::gCurrentUser = Comuni::ReadIni(QStringLiteral("QUICKUSER"), QString(), QStringLiteral("Config"));
    if (Global::gCurrentUser.isEmpty()) {
        Platform::MsgBox(QStringLiteral("Utente quick non impostato"));
        Platform::App::End();
        Unload();
        return;
    }
    lblUtente->setText(Global::gCurrentUser);
    modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19);
    Global::ApplyFormStyle(this);
}
