#include "UiHooks.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace Pagivex::Ui {

MsgBoxFn& MsgBoxHook() {
    static MsgBoxFn hook;
    return hook;
}

ModalFn& ModalHook() {
    static ModalFn hook;
    return hook;
}

InputBoxFn& InputBoxHook() {
    static InputBoxFn hook;
    return hook;
}

int MsgBox(const QString& prompt, int style, const QString& title) {
    const QString caption = title.isEmpty() ? QString("Pagivex") : title;
    if (MsgBoxHook()) return MsgBoxHook()(prompt, style, caption);
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(prompt);
    switch (style & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    box.exec();
    return 1;
}

std::optional<QString> InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    const QString caption = title.isEmpty() ? QString("Pagivex") : title;
    if (InputBoxHook()) return InputBoxHook()(prompt, caption, defaultText);
    bool ok = false;
    const QString answer =
        QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) return std::nullopt;
    return answer;
}

}  // namespace Pagivex::Ui
