#include "frmSplash.h"

#include "Neighbours.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

frmSplash::frmSplash() {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setStyleSheet(QStringLiteral("frmSplash { background: #6A95BE; } QLabel { color: white; }"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Brivalto"), this);
    QFont f = title->font();
    f.setPointSize(28);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    auto* subtitle = new QLabel(QStringLiteral("Anagrafica, attività, agenda e mailing"), this);
    subtitle->setAlignment(Qt::AlignCenter);
    lbVersion = new QLabel(this);
    lbVersion->setObjectName("lbVersion");
    lbVersion->setAlignment(Qt::AlignCenter);
    Label4 = new QLabel(QStringLiteral("https://www.brivalto.it"), this);
    Label4->setObjectName("Label4");
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->installEventFilter(this);
    Command1 = new QPushButton(QStringLiteral("Chiudi"), this);
    Command1->setObjectName("Command1");
    layout->addWidget(title);
    layout->addWidget(subtitle);
    layout->addWidget(lbVersion);
    layout->addWidget(Label4);
    layout->addWidget(Command1, 0, Qt::AlignRight);
    connect(Command1, &QPushButton::clicked, this, &frmSplash::Command1_Click);
    resize(420, 260);
}

void frmSplash::Command1_Click() { Unload(); }

// The address opens with the program registered for it.
void frmSplash::Label4_Click() { Neighbours::OpenDocument(Label4->text()); }

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease) {
        Label4_Click();
        return true;
    }
    return Form::eventFilter(watched, event);
}
