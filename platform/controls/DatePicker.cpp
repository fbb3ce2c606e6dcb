#include "DatePicker.h"

#include "Runtime.h"
#include "Values.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <functional>

namespace Platform {

namespace {

const QString kShownFormat = QStringLiteral("dd/MM/yyyy");
const QString kHowToType = QStringLiteral("Scrivere giorno, mese e anno, come 15/03/1980 o 15031980.");

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool IsSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.'); }

// What has been typed of a date: its day, month and year digits and the
// field the next digit goes to. A full day or month passes the next digit
// on; a separator closes a field early ("1/3/" is the first of March).
struct DateEntry {
    QString field[3];
    int current = 0;

    static int Width(int index) { return index == 2 ? 4 : 2; }

    // False when the character has no place (a separator before any digit,
    // a digit after a full year): it is then left out.
    bool Add(QChar c) {
        if (IsDigit(c)) {
            if (field[current].size() == Width(current)) {
                if (current == 2) return false;
                ++current;
            }
            field[current] += c;
            return true;
        }
        if (IsSeparator(c) && current < 2 && !field[current].isEmpty()) {
            ++current;
            return true;
        }
        return false;
    }

    static DateEntry Of(const QString& typed) {
        DateEntry entry;
        for (QChar c : typed) entry.Add(c);
        return entry;
    }

    // The typed characters in their one spelling, so that Backspace takes
    // away what the user sees last.
    QString Typed() const {
        QString typed = field[0];
        if (current >= 1) typed += QLatin1Char('/') + field[1];
        if (current >= 2) typed += QLatin1Char('/') + field[2];
        return typed;
    }

    bool IsEmpty() const { return current == 0 && field[0].isEmpty(); }
    bool HasFullYear() const { return field[2].size() == 4; }
    bool IsWhole() const {
        return !field[0].isEmpty() && !field[1].isEmpty() && (field[2].size() == 2 || field[2].size() == 4);
    }

    // Always "dd/mm/yyyy": a field closed early gets its leading zero, the
    // digits still to come show as "_".
    QString Shown() const {
        QString shown;
        for (int i = 0; i < 3; ++i) {
            QString part = field[i];
            if (i < current && part.size() < Width(i)) part = part.rightJustified(Width(i), QLatin1Char('0'));
            if (i) shown += QLatin1Char('/');
            shown += part.leftJustified(Width(i), QLatin1Char('_'));
        }
        return shown;
    }

    // Where the caret stands: right after the last character typed.
    int Caret() const { return current * 3 + field[current].size(); }

    // The date typed; a two-digit year is read as the program reads any
    // typed date. Invalid when incomplete or not in the calendar.
    QDate ToDate() const {
        if (!IsWhole()) return {};
        return CDate(field[0] + QLatin1Char('/') + field[1] + QLatin1Char('/') + field[2]).date();
    }
};

}  // namespace

// The box a date is typed in. Its text is only ever a whole date or an
// entry under way, both shown as "dd/mm/yyyy"; the caret's place does not
// matter, since every entry fills the day first.
class DateBox : public QLineEdit {
public:
    explicit DateBox(QWidget* parent) : QLineEdit(parent), date_(QDate::currentDate()) {
        setContextMenuPolicy(Qt::NoContextMenu);  // its Paste and Undo would go round the rules
        setAcceptDrops(false);
        setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 12);
        ShowDate();
    }

    std::function<void()> changed;
    std::function<void()> dropDown;

    QDate Date() const { return date_; }

    void SetDate(const QDate& date) {
        entering_ = false;
        const bool differs = date != date_;
        date_ = date;
        ShowDate();
        if (differs && changed) changed();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QString text = event->text();
        const QChar c = text.size() == 1 ? text[0] : QChar();
        if (IsDigit(c) || IsSeparator(c)) return Type(c);
        if (event->matches(QKeySequence::Paste)) return Paste();
        switch (event->key()) {
        case Qt::Key_F4:
            if (dropDown) dropDown();
            return;
        case Qt::Key_Backspace: return Backspace();
        case Qt::Key_Delete: return Begin(QString());
        case Qt::Key_Escape:
            if (!entering_) return event->ignore();
            entering_ = false;
            return ShowDate();
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A refused date keeps the Enter from reaching the window's default button.
            if (Finish()) QLineEdit::keyPressEvent(event);
            return;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (event->modifiers() & Qt::AltModifier) {
                if (dropDown) dropDown();
                return;
            }
            if (Finish()) Step(event->key() == Qt::Key_Up ? 1 : -1);
            return;
        default: break;
        }
        for (auto keys : {QKeySequence::MoveToNextChar, QKeySequence::MoveToPreviousChar, QKeySequence::MoveToStartOfLine,
                          QKeySequence::MoveToEndOfLine, QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
                          QKeySequence::SelectNextChar, QKeySequence::SelectPreviousChar, QKeySequence::SelectStartOfLine,
                          QKeySequence::SelectEndOfLine, QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
                          QKeySequence::SelectAll, QKeySequence::Copy})
            if (event->matches(keys)) return QLineEdit::keyPressEvent(event);
        if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) return QLineEdit::keyPressEvent(event);
        // Any other character has no place in a date; keys without one go on to the window.
        if (!text.isEmpty() && text[0].isPrint()) return event->accept();
        event->ignore();
    }

    void mousePressEvent(QMouseEvent* event) override {
        QLineEdit::mousePressEvent(event);
        // A click shows that what is typed next replaces the whole date.
        if (!entering_) selectAll();
    }

    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        // Another window or a popup taking the focus is not leaving the box.
        if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) Finish();
    }

private:
    void Begin(const QString& typed) {
        entering_ = true;
        entry_ = DateEntry::Of(typed);
        ShowEntry();
    }

    void Type(QChar c) {
        if (!entering_) Begin(QString());
        if (!entry_.Add(c)) return;
        ShowEntry();
        if (entry_.HasFullYear()) Finish();
    }

    void Backspace() {
        if (!entering_) return Begin(DateEntry::Of(date_.toString(kShownFormat)).Typed().chopped(1));
        QString typed = entry_.Typed();
        typed.chop(1);
        entry_ = DateEntry::Of(typed);
        ShowEntry();
    }

    void Paste() {
        const QString pasted = QApplication::clipboard()->text().trimmed();
        Begin(QString());
        bool fits = !pasted.isEmpty();
        for (QChar c : pasted) fits = entry_.Add(c) && fits;
        if (!fits) return Refuse(pasted.left(40), false);
        Finish();
    }

    void Step(int by) {
        const int caret = cursorPosition();
        const QDate moved = caret <= 2 ? date_.addDays(by) : caret <= 5 ? date_.addMonths(by) : date_.addYears(by);
        if (moved.isValid()) SetDate(moved);
        setCursorPosition(caret);
    }

    // Ends an entry: a whole date is taken, anything else is refused and
    // the last good date comes back. False when refused.
    bool Finish() {
        if (!entering_) return true;
        entering_ = false;
        if (entry_.IsEmpty()) {
            ShowDate();
            return true;
        }
        const QDate typed = entry_.ToDate();
        if (typed.isValid()) {
            SetDate(typed);
            return true;
        }
        Refuse(entry_.Shown(), entry_.IsWhole());
        return false;
    }

    // `whole`: every field was typed, so the date is not in the calendar.
    void Refuse(const QString& shown, bool whole) {
        entering_ = false;
        ShowDate();
        MsgBox((whole ? QStringLiteral("La data ") + shown + QStringLiteral(" non esiste.")
                      : QStringLiteral("Data non valida: ") + shown) +
                   QLatin1Char('\n') + kHowToType,
               vbExclamation);
    }

    void ShowEntry() {
        setText(entry_.Shown());
        setCursorPosition(entry_.Caret());
    }

    void ShowDate() { setText(date_.toString(kShownFormat)); }

    QDate date_;
    DateEntry entry_;
    bool entering_ = false;
};

DatePicker::DatePicker(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    tick_ = new QCheckBox(this);
    edit_ = new DateBox(this);
    edit_->setEnabled(false);
    drop_ = new QToolButton(this);
    drop_->setArrowType(Qt::DownArrow);
    drop_->setFocusPolicy(Qt::NoFocus);
    drop_->setToolTip(QStringLiteral("Calendario"));
    drop_->setEnabled(false);
    layout->addWidget(tick_);
    layout->addWidget(edit_, 1);
    layout->addWidget(drop_);
    connect(tick_, &QCheckBox::toggled, this, [this](bool on) {
        edit_->setEnabled(on);
        drop_->setEnabled(on);
        emit Change();
    });
    edit_->changed = [this] {
        if (tick_->isChecked()) emit Change();
    };
    edit_->dropDown = [this] { ShowCalendar(); };
    connect(drop_, &QToolButton::clicked, this, &DatePicker::ShowCalendar);
}

QLineEdit* DatePicker::Editor() const { return edit_; }

QCalendarWidget* DatePicker::Calendar() {
    if (calendar_) return calendar_;
    calendar_ = new QCalendarWidget(this);
    calendar_->setWindowFlags(Qt::Popup);
    calendar_->setGridVisible(true);
    auto pick = [this](QDate date) {
        calendar_->hide();
        edit_->SetDate(date);
        edit_->setFocus(Qt::PopupFocusReason);
    };
    connect(calendar_, &QCalendarWidget::clicked, this, pick);
    connect(calendar_, &QCalendarWidget::activated, this, pick);
    PaintCalendar();
    return calendar_;
}

void DatePicker::ShowCalendar() {
    if (!tick_->isChecked()) return;
    QCalendarWidget* calendar = Calendar();
    calendar->setSelectedDate(edit_->Date());
    calendar->adjustSize();
    calendar->move(edit_->mapToGlobal(QPoint(0, edit_->height())));
    calendar->show();
    calendar->setFocus(Qt::PopupFocusReason);
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
    if (!calendar_) return;
    QPalette p = calendar_->palette();
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
    calendar_->setPalette(p);
}

QVariant DatePicker::Value() const {
    if (!tick_->isChecked()) return QVariant();
    return QDateTime(edit_->Date(), QTime(0, 0));
}

void DatePicker::SetValue(const QVariant& value) {
    QDateTime date = value.toDateTime();
    if (value.isNull() || !value.isValid() || !date.isValid()) {
        tick_->setChecked(false);
        return;
    }
    edit_->SetDate(date.date());
    tick_->setChecked(true);
}

}  // namespace Platform
