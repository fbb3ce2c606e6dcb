#include "MultiButton.h"

#include "Values.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>

namespace Platform {

MultiButton::MultiButton(QWidget* parent) : QPushButton(parent) {}
MultiButton::MultiButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void MultiButton::SetColorScheme(int scheme) {
    colorScheme_ = scheme;
    setAutoFillBackground(scheme == 2);
    setFlat(scheme == 2);
}

namespace {
// The roles that carry a widget's back and text colours depend on its kind.
QPalette::ColorRole BackRole(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w))
        return QPalette::Base;
    if (qobject_cast<const QPushButton*>(w)) return QPalette::Button;
    return QPalette::Window;
}

QPalette::ColorRole ForeRole(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w))
        return QPalette::Text;
    if (qobject_cast<const QPushButton*>(w)) return QPalette::ButtonText;
    return QPalette::WindowText;
}

QColor Mix(const QColor& a, const QColor& b, double towardB) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * towardB),
                            float(a.greenF() + (b.greenF() - a.greenF()) * towardB),
                            float(a.blueF() + (b.blueF() - a.blueF()) * towardB));
}

// A disabled control must look it in any scheme: its ground loses most of its
// colour and lightens, its text sinks into the ground.
void SetDisabledColors(QWidget* w, QPalette& p) {
    const QPalette::ColorRole back = BackRole(w);
    const QColor active = p.color(QPalette::Active, back);
    const int grey = qGray(active.rgb());
    const QColor ground = Mix(Mix(active, QColor(grey, grey, grey), 0.75), QColor(Qt::white), 0.25);
    p.setColor(QPalette::Disabled, back, ground);
    if (back == QPalette::Button) p.setColor(QPalette::Disabled, QPalette::Window, ground);
    QList<QPalette::ColorRole> fore{ForeRole(w)};
    if (qobject_cast<QAbstractButton*>(w)) fore << QPalette::WindowText;
    for (QPalette::ColorRole role : fore) p.setColor(QPalette::Disabled, role, Mix(p.color(QPalette::Active, role), ground, 0.6));
}
}  // namespace

void SetBackColor(QWidget* widget, std::int32_t bgr) {
    QPalette p = widget->palette();
    p.setColor(BackRole(widget), BgrToColor(bgr));
    if (BackRole(widget) == QPalette::Button) p.setColor(QPalette::Window, BgrToColor(bgr));
    SetDisabledColors(widget, p);
    widget->setPalette(p);
    widget->setProperty("BackColor", bgr);
    // Check and option boxes fill from the button colour unless told to use the window's.
    if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
        widget->setBackgroundRole(QPalette::Window);
        widget->setAutoFillBackground(true);
    }
    if (BackRole(widget) == QPalette::Window && !qobject_cast<QLabel*>(widget)) widget->setAutoFillBackground(true);
}

void SetForeColor(QWidget* widget, std::int32_t bgr) {
    QPalette p = widget->palette();
    p.setColor(ForeRole(widget), BgrToColor(bgr));
    if (qobject_cast<QAbstractButton*>(widget)) p.setColor(QPalette::WindowText, BgrToColor(bgr));
    if (qobject_cast<QGroupBox*>(widget)) p.setColor(QPalette::ButtonText, BgrToColor(bgr));
    SetDisabledColors(widget, p);
    widget->setPalette(p);
    widget->setProperty("ForeColor", bgr);
}

std::int32_t BackColor(const QWidget* widget) {
    QVariant v = widget->property("BackColor");
    return v.isValid() ? v.toInt() : -1;
}

std::int32_t ForeColor(const QWidget* widget) {
    QVariant v = widget->property("ForeColor");
    return v.isValid() ? v.toInt() : -1;
}

}  // namespace Platform
