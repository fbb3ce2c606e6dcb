#include "LiveUpdt.h"

#include "MultiButton.h"
#include "Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace Platform {

LiveUpdt::LiveUpdt(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LU"));
    lblMessaggio = new QLabel(this);
    lblMessaggio->setObjectName(QStringLiteral("lblMessaggio"));
    lblMessaggio->setWordWrap(true);
    PB = new ProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setVisible(false);
    cmdAggiorna = new MultiButton(QStringLiteral("Aggiorna"), this);
    cmdAggiorna->setObjectName(QStringLiteral("cmdAggiorna"));
    cmdAnnulla = new MultiButton(QStringLiteral("Annulla"), this);
    cmdAnnulla->setObjectName(QStringLiteral("cmdAnnulla"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdAggiorna);
    buttons->addWidget(cmdAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessaggio);
    layout->addWidget(PB);
    layout->addLayout(buttons);

    connect(cmdAggiorna, &QPushButton::clicked, this, [this] {
        cmdAggiorna->setEnabled(false);
        cmdAnnulla->setEnabled(false);
        StartUpdate();
    });
    connect(cmdAnnulla, &QPushButton::clicked, this, [this] { emit Cancelled(); });
}

void LiveUpdt::showEvent(QShowEvent* event) {
    ApplyColours();
    QWidget::showEvent(event);
}

void LiveUpdt::ApplyColours() {
    SetBackColor(this, ColBack);
    SetForeColor(lblMessaggio, ColText);
    cmdAggiorna->SetColorScheme(2);
    cmdAnnulla->SetColorScheme(2);
    SetBackColor(cmdAggiorna, ColConfirm);
    SetBackColor(cmdAnnulla, ColCancel);
    SetBackColor(PB, ColButton);
}

}  // namespace Platform
