#include "frmMenu.h"

#include "Global.h"
#include "Runtime.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmMenu::frmMenu() {
    setWindowTitle(QStringLiteral("Brivalto"));
    auto* layout = new QVBoxLayout(this);
    lblTitolo = new QLabel(QStringLiteral("Brivalto"), this);
    lblTitolo->setObjectName("lblTitolo");
    lblTitolo->setAlignment(Qt::AlignCenter);
    QFont f = lblTitolo->font();
    f.setPointSize(f.pointSize() * 2);
    lblTitolo->setFont(f);
    cmdEsci = new QPushButton(QStringLiteral("Esci"), this);
    cmdEsci->setObjectName("cmdEsci");
    layout->addWidget(lblTitolo);
    layout->addWidget(cmdEsci);
    connect(cmdEsci, &QPushButton::clicked, this, &frmMenu::cmdEsci_Click);
    resize(420, 300);
}

void frmMenu::Form_Load() {
    if (Global::gCurrentUser.isEmpty()) Global::gCurrentUser = QStringLiteral("Admin");
    Global::ApplyFormStyle(this);
}

void frmMenu::cmdEsci_Click() { Unload(); }
