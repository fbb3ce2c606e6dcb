#include "ProcGuard.h"

#include <QLabel>
#include <QWidget>

void ProcGuard::DisableAllBut(QWidget* form, const QString& exitControl) {
    for (QWidget* w : form->findChildren<QWidget*>())
        if (w->objectName() != exitControl && !qobject_cast<QLabel*>(w) && !w->isAncestorOf(form->findChild<QWidget*>(exitControl)))
            w->setEnabled(false);
}
