#include "frmAttesa.h"

#include "Global.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

frmAttesa::frmAttesa() {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(this);
    lblAttesa = new QLabel(QStringLiteral("Attendere prego..."), this);
    lblAttesa->setObjectName("lblAttesa");
    lblAttesa->setAlignment(Qt::AlignCenter);
    layout->addWidget(lblAttesa);
    resize(260, 70);
}

void frmAttesa::Form_Load() {
    if (auto* screen = QGuiApplication::primaryScreen()) {
        QRect r = screen->availableGeometry();
        move(r.center() - rect().center());
    }
    Global::ApplyFormStyle(this);
}
