#include "frmFreeField.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Controls.h"
#include "Global.h"
#include "MultiButton.h"
#include "ProcGuard.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

frmFreeField::frmFreeField() {
    setWindowTitle(QStringLiteral("Campi personalizzabili"));
    auto* layout = new QVBoxLayout(this);
    fr = new QGroupBox(QStringLiteral("schede anagrafiche"), this);
    fr->setObjectName("fr");
    auto* grid = new QGridLayout(fr);
    for (int i = 0; i < 4; ++i) {
        txFreeField[i] =
            Registry::Box(fr, QString("txFreeField_%1").arg(i), "CONFIGURAZIONE", QString("NOMEFREEFIELDANA%1").arg(i + 1));
        grid->addWidget(new QLabel(QString("nome campo libero %1").arg(i + 1), fr), i, 0);
        grid->addWidget(txFreeField[i], i, 1);
    }
    layout->addWidget(fr);
    auto* buttons = new QHBoxLayout;
    cmdConferma = Registry::Button(this, "cmdConferma", QStringLiteral("conferma"));
    cmdConferma->setDefault(true);
    cmdAnnulla = Registry::Button(this, "cmdAnnulla", QStringLiteral("annulla"));
    SetCancelButton(cmdAnnulla);
    buttons->addWidget(cmdConferma);
    buttons->addWidget(cmdAnnulla);
    layout->addLayout(buttons);
    connect(cmdConferma, &QPushButton::clicked, this, &frmFreeField::cmdConferma_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmFreeField::cmdAnnulla_Click);
}

frmFreeField::~frmFreeField() = default;

void frmFreeField::Form_Load() {
    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        ProcGuard::DisableAllBut(this, QStringLiteral("cmdAnnulla"));
        return;
    }
    ADODB::Recordset rs;
    if (modAdoCommon::OpenRecordset(rs, "SELECT * FROM CONFIGURAZIONE;", *cn_, 0, 3) && !rs.EOF_())
        for (int i = 0; i < 4; ++i) txFreeField[i]->setText(Comuni::FieldStr(rs[QString("NOMEFREEFIELDANA%1").arg(i + 1)]));
    Global::ApplyFormStyle(this);
}

void frmFreeField::cmdConferma_Click() {
    if (!cn_) return;
    QVariantList values;
    for (auto* box : txFreeField) values << Platform::Trim(box->text());
    // The captions are bound, so an apostrophe is stored as typed.
    const bool saved = ProcGuard::Run(QStringLiteral("Procedura cmdConferma_Click di Form frmFreeField"), [&] {
        const long changed = cn_->Execute(
            "UPDATE CONFIGURAZIONE SET NOMEFREEFIELDANA1=?,NOMEFREEFIELDANA2=?,NOMEFREEFIELDANA3=?,NOMEFREEFIELDANA4=?",
            values);
        if (changed == 0)
            cn_->Execute("INSERT INTO CONFIGURAZIONE (NOMEFREEFIELDANA1,NOMEFREEFIELDANA2,NOMEFREEFIELDANA3,"
                         "NOMEFREEFIELDANA4) VALUES (?,?,?,?)",
                         values);
    });
    // A failed save was reported; the window stays open with what was typed.
    if (saved) Unload();
}

void frmFreeField::cmdAnnulla_Click() { Unload(); }
