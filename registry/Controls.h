#pragma once
// Named controls for the registry windows: their object names are how styling and tests find them.

#include "Comuni.h"
#include "MultiButton.h"

#include <QLineEdit>

namespace Registry {

inline QLineEdit* Box(QWidget* parent, const QString& name, int maxLength = 0) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength) e->setMaxLength(maxLength);
    return e;
}

// A text box that feeds a column: it takes no more than the column holds.
inline QLineEdit* Box(QWidget* parent, const QString& name, const QString& table, const QString& column) {
    QLineEdit* e = Box(parent, name);
    Comuni::LimitToColumn(e, table, column);
    return e;
}

inline Platform::MultiButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new Platform::MultiButton(caption, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace Registry
