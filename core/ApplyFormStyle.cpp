#include "Global.h"

#include "MultiButton.h"
#include "Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <QWidget>

namespace {

bool NameHas(const QString& text, std::initializer_list<const char*> patterns) {
    for (const char* p : patterns)
        if (text.contains(QLatin1String(p), Qt::CaseInsensitive)) return true;
    return false;
}

// Colour of a plain button by its name.
std::int32_t PlainButtonColour(const QString& name) {
    using namespace Global;
    if (NameHas(name, {"conf", "ok", "salv"})) return gColBtnConfirm;
    if (NameHas(name, {"canc", "annul", "fine", "esci"})) return gColBtnCancel;
    if (NameHas(name, {"nuov", "new"})) return gColBtnNew;
    if (NameHas(name, {"cerca", "search"})) return gColBtnSearch;
    return gColButton;
}

// Colour of a multi-state button by its name and caption; selection buttons confirm.
std::int32_t MultiButtonColour(const QString& name, const QString& caption) {
    using namespace Global;
    if (NameHas(name, {"conf", "ok", "save", "salv", "selez", "sele"}) || NameHas(caption, {"conf", "ok", "salv"}))
        return gColBtnConfirm;
    if (NameHas(name, {"canc", "annul", "fine", "esci"}) || NameHas(caption, {"canc", "annul", "fine", "esci"}))
        return gColBtnCancel;
    if (NameHas(name, {"nuov", "new"}) || NameHas(caption, {"nuov", "new"})) return gColBtnNew;
    if (NameHas(name, {"cerca", "search"}) || NameHas(caption, {"cerca", "search"})) return gColBtnSearch;
    return gColButton;
}

// A text colour halfway to the ground it stands on: plainly disabled, still read.
QColor Faded(const QColor& text, const QColor& ground) {
    return QColor::fromRgbF(float((text.redF() + ground.redF()) / 2), float((text.greenF() + ground.greenF()) / 2),
                            float((text.blueF() + ground.blueF()) / 2));
}

bool IsTextBox(QWidget* w) {
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
}

// A label is bordered when it draws a frame, opaque when it fills its background.
bool LabelKeepsItsColours(QLabel* label) {
    bool bordered = label->frameShape() != QFrame::NoFrame;
    bool opaque = label->autoFillBackground();
    return bordered && opaque;
}

}  // namespace

void Global::ApplyFormStyle(QWidget* form) {
    using namespace Platform;
    if (!form) return;
    SetBackColor(form, gColFormBack);
    SetForeColor(form, gColText);

    const auto controls = form->findChildren<QWidget*>();
    for (QWidget* w : controls) {
        if (auto* multi = qobject_cast<MultiButton*>(w)) {
            multi->SetColorScheme(2);
            SetBackColor(multi, MultiButtonColour(multi->objectName(), multi->Caption()));
            SetForeColor(multi, gColText);
        } else if (IsTextBox(w)) {
            // Line edits inside combo boxes and spin boxes belong to those controls.
            if (w->parentWidget() && (w->parentWidget()->inherits("QComboBox") || w->parentWidget()->inherits("QAbstractSpinBox")))
                continue;
            SetBackColor(w, gColInputBack);
            SetForeColor(w, gColInputFore);
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            if (LabelKeepsItsColours(label)) continue;
            label->setAutoFillBackground(false);
            SetForeColor(label, gColText);
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            SetBackColor(button, PlainButtonColour(button->objectName()));
        } else if (qobject_cast<QGroupBox*>(w)) {
            SetBackColor(w, gColPanel);
            SetForeColor(w, gColText);
        } else if (qobject_cast<QComboBox*>(w)) {
            // A list-only combo draws its text in the button colour, which a frame would make the label colour.
            QPalette p = w->palette();
            const QColor text = BgrToColor(gColInputFore);
            for (auto group : {QPalette::Active, QPalette::Inactive})
                for (auto role : {QPalette::ButtonText, QPalette::Text}) p.setColor(group, role, text);
            // Disabled, its text only fades toward its ground: the frame's
            // disabled text colour (white faded on light grey) could not be read.
            for (auto [role, ground] : {std::pair{QPalette::ButtonText, QPalette::Button}, std::pair{QPalette::Text, QPalette::Base}})
                p.setColor(QPalette::Disabled, role, Faded(text, p.color(QPalette::Disabled, ground)));
            w->setPalette(p);
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            SetForeColor(w, gColText);
            std::int32_t container = w->parentWidget() ? BackColor(w->parentWidget()) : -1;
            if (container != -1) SetBackColor(w, container);
        } else if (w->property("CalendarBackColor").isValid()) {
            w->setProperty("CalendarBackColor", gColPanel);
            w->setProperty("CalendarForeColor", gColText);
            w->setProperty("CalendarTitleBackColor", gColPanel);
            w->setProperty("CalendarTitleForeColor", gColText);
            w->setProperty("CalendarTrailingForeColor", 0x909090);
        } else if (w->metaObject() == &QFrame::staticMetaObject) {
            // A plain frame stands for a shape: filled with the panel colour.
            SetBackColor(w, gColPanel);
            w->setProperty("FillColor", gColPanel);
            w->setProperty("BorderColor", gColPanel);
        }
    }
}
