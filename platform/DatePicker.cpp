#include "DatePicker.h"

#include "Values.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QRegularExpression>

namespace Platform {

namespace {
// A date typed whole that no calendar holds (31/02) is refused at the
// keystroke that would make it, instead of being put right on leaving.
class StrictDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    QValidator::State validate(QString& text, int& pos) const override {
        // Looked at before the base class, which would move the day to the
        // month's last one (31/02 becoming 29/02) without a word.
        static const QRegularExpression whole(QStringLiteral(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})\s*$)"));
        const auto m = whole.match(text);
        if (m.hasMatch()) {
            const int day = m.captured(1).toInt(), month = m.captured(2).toInt(), year = m.captured(3).toInt();
            // A day or month still being typed (0) is not yet a date.
            if (day >= 1 && day <= 31 && month >= 1 && month <= 12 && !QDate(year, month, day).isValid())
                return QValidator::Invalid;
        }
        return QDateEdit::validate(text, pos);
    }
};
}  // namespace

DatePicker::DatePicker(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tick_ = new QCheckBox(this);
    edit_ = new StrictDateEdit(QDate::currentDate(), this);
    edit_->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    edit_->setCalendarPopup(true);
    edit_->setEnabled(false);
    layout->addWidget(tick_);
    layout->addWidget(edit_, 1);
    connect(tick_, &QCheckBox::toggled, this, [this](bool on) {
        edit_->setEnabled(on);
        emit Change();
    });
    connect(edit_, &QDateEdit::dateChanged, this, [this] {
        if (tick_->isChecked()) emit Change();
    });
}

void DatePicker::SetCalendarBackColor(int bgr) {
    calendarBackColor_ = bgr;
    PaintCalendar();
}
void DatePicker::SetCalendarForeColor(int bgr) {
    calendarForeColor_ = bgr;
    PaintCalendar();
}
void DatePicker::SetCalendarTitleBackColor(int bgr) {
    calendarTitleBackColor_ = bgr;
    PaintCalendar();
}
void DatePicker::SetCalendarTitleForeColor(int bgr) {
    calendarTitleForeColor_ = bgr;
    PaintCalendar();
}
void DatePicker::SetCalendarTrailingForeColor(int bgr) {
    calendarTrailingForeColor_ = bgr;
    PaintCalendar();
}

void DatePicker::PaintCalendar() {
    QCalendarWidget* calendar = edit_->calendarWidget();
    if (!calendar) return;
    QPalette p = calendar->palette();
    auto set = [&p](int bgr, std::initializer_list<QPalette::ColorRole> roles,
                    QPalette::ColorGroup group = QPalette::All) {
        if (bgr < 0) return;
        for (QPalette::ColorRole role : roles) p.setColor(group, role, BgrToColor(bgr));
    };
    // The days sit on Base in Text; the title bar is painted with Highlight;
    // the days of the months around are drawn as disabled text.
    set(calendarBackColor_, {QPalette::Base, QPalette::Window, QPalette::AlternateBase});
    set(calendarForeColor_, {QPalette::Text, QPalette::WindowText});
    set(calendarTitleBackColor_, {QPalette::Highlight});
    set(calendarTitleForeColor_, {QPalette::HighlightedText});
    set(calendarTrailingForeColor_, {QPalette::Text}, QPalette::Disabled);
    calendar->setPalette(p);
}

QVariant DatePicker::Value() const {
    if (!tick_->isChecked()) return QVariant();
    return QDateTime(edit_->date(), QTime(0, 0));
}

void DatePicker::SetValue(const QVariant& value) {
    QDateTime date = value.toDateTime();
    if (value.isNull() || !value.isValid() || !date.isValid()) {
        tick_->setChecked(false);
        return;
    }
    edit_->setDate(date.date());
    tick_->setChecked(true);
}

}  // namespace Platform
