#pragma once
// The keyboard as the user has it: every key goes where the keyboard goes
// (an open list, else the control that has the focus in the active window),
// never to a control the test picks. Needs Qt6::Test.

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace TestKit {

// The window shown and active, as the user finds it: the keyboard goes to
// it, also after another window (a wait window, a box) had it.
inline void OnScreen(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();
}

inline void Type(const QString& keys) { QTest::keyClicks(static_cast<QWidget*>(nullptr), keys); }

inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
}

inline QWidget* Focused() { return QApplication::focusWidget(); }

// A click as the window system delivers it: the window sees it before any
// of its controls does.
inline void Click(QWidget* control) {
    QWidget* window = control->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      control->mapTo(window, control->rect().center()));
}

}  // namespace TestKit
