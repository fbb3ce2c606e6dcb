#include "Global.h"

#include "Values.h"

#include <QPalette>
#include <QWidget>

// The window's background and text from the colour scheme.
void Global::ApplyFormStyle(QWidget* form) {
    if (!form) return;
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, Platform::BgrToColor(gColFormBack));
    palette.setColor(QPalette::WindowText, Platform::BgrToColor(gColText));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
}
