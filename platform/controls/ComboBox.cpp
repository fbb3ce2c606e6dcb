#include "ComboBox.h"

#include <QLineEdit>

namespace Platform {

ComboBox::ComboBox(QWidget* parent, bool freeText) : QComboBox(parent) {
    setEditable(freeText);
    setInsertPolicy(QComboBox::NoInsert);
    setCurrentIndex(-1);
}

void ComboBox::SetListIndex(int index) {
    setCurrentIndex(index < 0 || index >= count() ? -1 : index);
    if (currentIndex() < 0 && isEditable()) setEditText(QString());
}

void ComboBox::AddItem(const QString& text, const QVariant& data) {
    // Adding the first item must not select it.
    const int before = currentIndex();
    const QString typed = isEditable() ? currentText() : QString();
    addItem(text, data);
    if (before < 0) {
        setCurrentIndex(-1);
        if (isEditable()) setEditText(typed);
    }
}

void ComboBox::SetText(const QString& text) {
    if (isEditable()) {
        const int match = findText(text, Qt::MatchFixedString);
        setCurrentIndex(match);
        setEditText(text);
    } else {
        setCurrentIndex(findText(text, Qt::MatchFixedString));
    }
}

}  // namespace Platform
