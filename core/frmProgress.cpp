#include "frmProgress.h"

#include "Comuni.h"
#include "Global.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

frmProgress::frmProgress() {
    setWindowTitle(QStringLiteral("Brivalto"));
    auto* layout = new QVBoxLayout(this);
    PB = new Platform::ProgressBar(this);
    PB->setObjectName("PB");
    layout->addWidget(PB);
    resize(380, 60);
}

void frmProgress::Form_Load() {
    if (auto* screen = QGuiApplication::primaryScreen()) {
        QRect r = screen->geometry();
        move(r.width() / 2 - width() / 2, r.height() / 2 - height() / 2);
    }
    Global::ApplyFormStyle(this);
    Comuni::SetTopMost(this);
}
