#include "frmHTML.h"

#include "CommonDialog.h"
#include "Controls.h"
#include "Global.h"
#include "Runtime.h"
#include "frmBrowser.h"
#include "frmMailing.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

using namespace Platform;

frmHTML::frmHTML() {
    setWindowTitle(QStringLiteral("Selezione file HTML"));
    Label1 = new QLabel(QStringLiteral("file selezionato"), this);
    Label1->setObjectName("Label1");
    txFileHTML = Registry::Box(this, "txFileHTML");
    txFileHTML->setMinimumWidth(420);
    cmdBrowse = Registry::Button(this, "cmdBrowse", QStringLiteral("..."));
    cmdAnteprima = Registry::Button(this, "cmdAnteprima", QStringLiteral("mostra anteprima file nel browser"));
    cmdConferma = Registry::Button(this, "cmdConferma", QStringLiteral("seleziona file"));
    cmdAnnulla = Registry::Button(this, "cmdAnnulla", QStringLiteral("esci"));
    CD = new CommonDialog;

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0, 1, 2);
    layout->addWidget(txFileHTML, 1, 0);
    layout->addWidget(cmdBrowse, 1, 1);
    layout->addWidget(cmdAnteprima, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdConferma);
    buttons->addWidget(cmdAnnulla);
    layout->addLayout(buttons, 3, 0, 1, 2);
    cmdConferma->setDefault(true);
    SetCancelButton(cmdAnnulla);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmHTML::cmdBrowse_Click);
    connect(cmdAnteprima, &QPushButton::clicked, this, &frmHTML::cmdAnteprima_Click);
    connect(cmdConferma, &QPushButton::clicked, this, &frmHTML::cmdConferma_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmHTML::cmdAnnulla_Click);
}

frmHTML::~frmHTML() { delete CD; }

void frmHTML::Form_Load() { Global::ApplyFormStyle(this); }

void frmHTML::cmdBrowse_Click() {
    CD->CancelError = true;
    CD->DialogTitle = QStringLiteral("Selezione file HTML");
    CD->Filter = QStringLiteral("file HTML|*.htm;*.html");
    CD->FileName = txFileHTML->text();
    try {
        CD->ShowOpen(this);
        txFileHTML->setText(CD->FileName);
    } catch (const std::exception&) {
        // cancelled: the field stays as it was
    }
}

void frmHTML::cmdAnteprima_Click() {
    auto& browser = DefaultInstance<frmBrowser>();
    browser.brwWebBrowser->Navigate(txFileHTML->text());
    browser.Show(vbModal, this);
}

void frmHTML::cmdConferma_Click() {
    if (!QFileInfo(txFileHTML->text()).isFile()) {
        MsgBox(QStringLiteral("File inesistente o percorso non completo"));
        return;
    }
    if (Mailing) Mailing->HtmlFile = txFileHTML->text();
    Unload();
}

void frmHTML::cmdAnnulla_Click() { Unload(); }
