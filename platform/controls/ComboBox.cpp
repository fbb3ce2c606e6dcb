#include "ComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace Platform {

ComboBox::ComboBox(QWidget* parent, bool freeText) : QComboBox(parent) {
    setEditable(freeText);
    setInsertPolicy(QComboBox::NoInsert);
    // Qt's completer writes the first entry that begins with the typed text
    // into the box, and leaving the box keeps it ("sig." became "sig.ra"); it
    // also makes leaving the box pick an entry that differs only in case.
    if (freeText) setCompleter(nullptr);
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

void ComboBox::showPopup() {
    // The open list takes the keyboard; what is typed meanwhile is passed on to the box.
    if (isEditable()) view()->installEventFilter(this);
    QComboBox::showPopup();
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress && lineEdit()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool typing = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        const bool editing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                             key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                             key->key() == Qt::Key_Home || key->key() == Qt::Key_End;
        if (typing || editing) {
            // Up, Down, Enter and Escape stay the list's own.
            QApplication::sendEvent(lineEdit(), event);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

}  // namespace Platform
