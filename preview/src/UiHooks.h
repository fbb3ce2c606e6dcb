// Message and input boxes of the library, replaceable so that tests can answer them.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace Pagivex::Ui {

// style: 0 OK, 16 critical, 48 exclamation, 64 information; returns 1 (OK).
using MsgBoxFn = std::function<int(const QString& prompt, int style, const QString& title)>;
MsgBoxFn& MsgBoxHook();
int MsgBox(const QString& prompt, int style = 0, const QString& title = QString());

// Returns nothing when the box was cancelled.
using InputBoxFn =
    std::function<std::optional<QString>(const QString& prompt, const QString& title, const QString& defaultText)>;
InputBoxFn& InputBoxHook();
std::optional<QString> InputBox(const QString& prompt, const QString& title = QString(),
                                const QString& defaultText = QString());

// Tests answer the modal preview window through this hook instead of a timer:
// it runs once the window is shown and before its modal loop would start; a
// window it leaves open is closed at once, so a forgotten answer cannot hang.
using ModalFn = std::function<void(QWidget* window)>;
ModalFn& ModalHook();

}  // namespace Pagivex::Ui
