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
#include <QPointer>
#include <QToolButton>
#include <QWindow>

namespace Platform {

namespace {

enum class Part { Day, Month, Year, Hour, Minute, Second };

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool IsSeparator(QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char(':') ||
           c == QLatin1Char(' ');
}

// A two-digit year as any typed date reads it.
QString FullYear(const QString& year) {
    if (year.size() != 2) return year;
    return QString::number(CDate(QStringLiteral("1/1/") + year).date().year());
}

}  // namespace

// What has been typed of a value: the digits of each field of the format
// and the field the next digit goes to. A full field passes the next digit
// on; a separator closes a field early ("1/3/" is the first of March).
struct DateBox::Entry {
    QList<Part> parts;
    QString separators;  // the one shown before each field; the first is unused
    QStringList field;
    int current = 0;

    explicit Entry(const QString& format) {
        QChar separator = QLatin1Char(' ');
        for (int i = 0; i < format.size();) {
            const QChar c = format[i];
            if (!c.isLetter()) {
                separator = c;
                ++i;
                continue;
            }
            parts << (c == QLatin1Char('d')   ? Part::Day
                      : c == QLatin1Char('M') ? Part::Month
                      : c == QLatin1Char('y') ? Part::Year
                      : c == QLatin1Char('m') ? Part::Minute
                      : c == QLatin1Char('s') ? Part::Second
                                              : Part::Hour);
            separators += separator;
            while (i < format.size() && format[i] == c) ++i;
        }
        Clear();
    }

    void Clear() {
        field = QStringList(parts.size(), QString());
        current = 0;
    }

    int Last() const { return int(parts.size()) - 1; }
    int Width(int index) const { return parts[index] == Part::Year ? 4 : 2; }
    int IndexOf(Part part) const { return int(parts.indexOf(part)); }
    bool HasDate() const { return IndexOf(Part::Day) >= 0; }
    int FirstTime() const { return IndexOf(Part::Hour); }

    // False when the character has no place (a separator before any digit,
    // a digit after the last field is full): it is then left out.
    bool Add(QChar c) {
        if (IsDigit(c)) {
            if (field[current].size() == Width(current)) {
                if (current == Last()) return false;
                ++current;
            }
            field[current] += c;
            return true;
        }
        if (IsSeparator(c) && current < Last() && !field[current].isEmpty()) {
            // A year closed after two digits is read at once, so that the
            // box shows the year it will take.
            if (parts[current] == Part::Year) field[current] = FullYear(field[current]);
            ++current;
            return true;
        }
        return false;
    }

    void Take(const QString& typed) {
        Clear();
        for (QChar c : typed) Add(c);
    }

    // The typed characters in their one spelling, so that Backspace takes
    // away what the user sees last.
    QString Typed() const {
        QString typed = field[0];
        for (int i = 1; i <= current; ++i) typed += separators[i] + field[i];
        return typed;
    }

    bool IsEmpty() const { return current == 0 && field[0].isEmpty(); }
    bool IsFull() const { return current == Last() && field[current].size() == Width(current); }
    bool DateIsWhole() const {
        const QString& year = field[IndexOf(Part::Year)];
        return !field[IndexOf(Part::Day)].isEmpty() && !field[IndexOf(Part::Month)].isEmpty() &&
               (year.size() == 2 || year.size() == 4);
    }
    bool HasTime() const { return FirstTime() >= 0 && current >= FirstTime() && !field[FirstTime()].isEmpty(); }

    // Always the format's shape: a field closed early gets its leading
    // zero, the digits still to come show as "_".
    QString Shown() const {
        QString shown;
        for (int i = 0; i < parts.size(); ++i) {
            QString part = field[i];
            if (i < current && part.size() < Width(i) && parts[i] != Part::Year)
                part = part.rightJustified(Width(i), QLatin1Char('0'));
            if (i) shown += separators[i];
            shown += part.leftJustified(Width(i), QLatin1Char('_'));
        }
        return shown;
    }

    // The date or the time as it was read, to name in a refusal.
    QString Spelled(int from, int to) const {
        QString spelled;
        for (int i = from; i < to; ++i) {
            if (i > from) spelled += separators[i];
            spelled += parts[i] == Part::Year ? FullYear(field[i]) : field[i].rightJustified(2, QLatin1Char('0'));
        }
        return spelled;
    }

    // Where the caret stands: right after the last character typed.
    int Caret() const {
        int caret = 0;
        for (int i = 0; i < current; ++i) caret += Width(i) + 1;
        return caret + int(field[current].size());
    }

    // The field the caret at `position` of a shown value stands in.
    int FieldAt(int position) const {
        int index = 0;
        for (int start = 0; index < Last() && position > start + Width(index); ++index) start += Width(index) + 1;
        return index;
    }
};

namespace {

// The user's words for the fields of a format, with an example typed both ways.
QString HowToType(const QString& format, bool hasDate, bool hasTime) {
    const QString example = QDateTime(QDate(1980, 3, 15), QTime(10, 30)).toString(format);
    QString digits;
    for (QChar c : example)
        if (IsDigit(c)) digits += c;
    const QString fields = !hasTime ? QStringLiteral("giorno, mese e anno")
                           : hasDate ? QStringLiteral("data e ora")
                                     : QStringLiteral("ore e minuti");
    return QStringLiteral("Scrivere ") + fields + QStringLiteral(", come ") + example + QStringLiteral(" o ") + digits +
           QLatin1Char('.');
}

}  // namespace

DateBox::DateBox(const QString& format, QWidget* parent)
    : QLineEdit(parent), format_(format), date_(QDate::currentDate()), time_(0, 0),
      entry_(std::make_unique<Entry>(format)) {
    setContextMenuPolicy(Qt::NoContextMenu);  // its Paste and Undo would go round the rules
    setAcceptDrops(false);
    QString widest = entry_->Shown().replace(QLatin1Char('_'), QLatin1Char('0'));
    setMinimumWidth(fontMetrics().horizontalAdvance(widest + QLatin1Char('0')) + 12);
    ShowValue();
}

DateBox::~DateBox() = default;

void DateBox::SetValue(const QDateTime& value) {
    if (!value.isValid()) return;
    const QDateTime local = value.toLocalTime();
    SetValue(local.date(), local.time());
}

void DateBox::SetValue(const QDate& date, const QTime& time) {
    entering_ = false;
    const bool differs = date != date_ || time != time_;
    date_ = date;
    time_ = time;
    ShowValue();
    if (differs) emit Change();
}

void DateBox::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const QChar c = text.size() == 1 ? text[0] : QChar();
    if (IsDigit(c) || IsSeparator(c)) return Type(c);
    if (event->matches(QKeySequence::Paste)) return Paste();
    switch (event->key()) {
    case Qt::Key_F4: emit DropDown(); return;
    case Qt::Key_Backspace: return Backspace();
    case Qt::Key_Delete: return Begin(QString());
    case Qt::Key_Escape:
        if (!entering_) return event->ignore();
        entering_ = false;
        return ShowValue();
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A refused value keeps the Enter from reaching the window's default button.
        if (Commit()) QLineEdit::keyPressEvent(event);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (event->modifiers() & Qt::AltModifier) {
            emit DropDown();
            return;
        }
        if (Commit()) Step(event->key() == Qt::Key_Up ? 1 : -1);
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
    // Any other character has no place in the box; keys without one go on to the window.
    if (!text.isEmpty() && text[0].isPrint()) return event->accept();
    event->ignore();
}

void DateBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    // A click shows that what is typed next replaces the whole value.
    if (!entering_) selectAll();
}

void DateBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A click elsewhere in the window is seen before it moves the focus. The
    // window may be a new one since the last time (a modal show reparents).
    if (QWindow* handle = window()->windowHandle()) handle->installEventFilter(this);
}

bool DateBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && entering_ && hasFocus() && watched == window()->windowHandle()) {
        // A value that cannot be taken keeps the focus, and the click that
        // would have left it does nothing else: had the message come once
        // the focus moved, it would have held up that click (a button left
        // pressed) and then the next one. The box's own picker (its tick
        // box and calendar button) is not leaving it.
        const QWidget* own = qobject_cast<CalendarPicker*>(parentWidget()) ? parentWidget() : this;
        const QPoint at = own->mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition()).toPoint();
        if (!own->rect().contains(at) && !Commit()) return true;
    }
    return QLineEdit::eventFilter(watched, event);
}

bool DateBox::focusNextPrevChild(bool next) {
    // Tab ends the entry before the focus moves; one refused keeps the focus here.
    if (!Commit()) return true;
    return QLineEdit::focusNextPrevChild(next);
}

void DateBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another window or a popup taking the focus is not leaving the box.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    // Left some other way (code moved the focus): the focus has moved
    // already, so the message waits until that is over and then brings the
    // focus back. A message box opened within the move would leave the
    // window without an active control.
    QString refusal;
    if (Take(&refusal)) return;
    QMetaObject::invokeMethod(
        this,
        [this, refusal] {
            Refuse(refusal);
            if (isVisible()) setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void DateBox::Begin(const QString& typed) {
    entering_ = true;
    entry_->Take(typed);
    ShowEntry();
}

void DateBox::Type(QChar c) {
    if (!entering_) Begin(QString());
    if (!entry_->Add(c)) return;
    ShowEntry();
    if (entry_->IsFull()) Commit();
}

void DateBox::Backspace() {
    if (!entering_) {
        Entry shown(format_);
        shown.Take(text());
        return Begin(shown.Typed().chopped(1));
    }
    QString typed = entry_->Typed();
    typed.chop(1);
    entry_->Take(typed);
    ShowEntry();
}

void DateBox::Paste() {
    const QString pasted = QApplication::clipboard()->text().trimmed();
    Begin(QString());
    bool fits = !pasted.isEmpty();
    for (QChar c : pasted) fits = entry_->Add(c) && fits;
    if (!fits) {
        entering_ = false;
        ShowValue();
        return Refuse(Refusal((entry_->HasDate() ? QStringLiteral("Data non valida: ") : QStringLiteral("Ora non valida: ")) +
                              pasted.left(40)));
    }
    Commit();
}

void DateBox::Step(int by) {
    const int caret = cursorPosition();
    const Part part = entry_->parts[entry_->FieldAt(caret)];
    QDate date = date_;
    QTime time = time_;
    if (part == Part::Day) date = date.addDays(by);
    else if (part == Part::Month) date = date.addMonths(by);
    else if (part == Part::Year) date = date.addYears(by);
    else {
        // On the wall clock, as the values are kept: an hour on is the next
        // hour, whatever the daylight-saving change.
        const int seconds = part == Part::Hour ? 3600 : part == Part::Minute ? 60 : 1;
        const QDateTime moved = QDateTime(date, time, Qt::UTC).addSecs(qint64(by) * seconds);
        // A time of day stops at midnight instead of going round it.
        if (!entry_->HasDate() && moved.date() != date) return;
        date = moved.date();
        time = moved.time();
    }
    if (date.isValid()) SetValue(date, time);
    setCursorPosition(caret);
}

// Ends an entry: a whole value is taken, anything else is refused and the
// last good value comes back. False when refused.
bool DateBox::Commit() {
    QString refusal;
    if (Take(&refusal)) return true;
    Refuse(refusal);
    return false;
}

bool DateBox::Take(QString* refusal) {
    if (!entering_) return true;
    entering_ = false;
    const Entry& entry = *entry_;
    if (entry.IsEmpty()) {
        ShowValue();
        return true;
    }
    QDate date = date_;
    if (entry.HasDate()) {
        if (!entry.DateIsWhole()) {
            ShowValue();
            *refusal = Refusal(QStringLiteral("Data non valida: ") + entry.Shown());
            return false;
        }
        const int year = entry.IndexOf(Part::Year);
        date = CDate(entry.field[entry.IndexOf(Part::Day)] + QLatin1Char('/') +
                     entry.field[entry.IndexOf(Part::Month)] + QLatin1Char('/') + entry.field[year])
                   .date();
        if (!date.isValid()) {
            ShowValue();
            *refusal = Refusal(QStringLiteral("La data ") + entry.Spelled(0, year + 1) + QStringLiteral(" non esiste."));
            return false;
        }
    }
    // A date typed without its time keeps the time the box held.
    QTime time = time_;
    if (entry.HasTime()) {
        auto number = [&entry](Part part) {
            const int index = entry.IndexOf(part);
            return index < 0 ? 0 : entry.field[index].toInt();
        };
        time = QTime(number(Part::Hour), number(Part::Minute), number(Part::Second));
        if (!time.isValid()) {
            ShowValue();
            *refusal = Refusal(QStringLiteral("L'ora ") + entry.Spelled(entry.FirstTime(), int(entry.parts.size())) +
                               QStringLiteral(" non esiste."));
            return false;
        }
    }
    SetValue(date, time);
    return true;
}

QString DateBox::Refusal(const QString& first) const {
    return first + QLatin1Char('\n') + HowToType(format_, entry_->HasDate(), entry_->FirstTime() >= 0);
}

void DateBox::Refuse(const QString& message) { MsgBox(message, vbExclamation); }

void DateBox::ShowEntry() {
    setText(entry_->Shown());
    setCursorPosition(entry_->Caret());
}

void DateBox::ShowValue() {
    // Shown from its parts: a wall-clock time the local zone skips is still the one typed.
    setText(QDateTime(date_, time_, Qt::UTC).toString(format_));
}

TimePicker::TimePicker(QWidget* parent) : DateBox(QStringLiteral("HH:mm"), parent) {}

void TimePicker::setTime(const QTime& time) {
    if (time.isValid()) SetValue(Date(), time);
}

CalendarPicker::CalendarPicker(const QString& format, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    edit_ = new DateBox(format, this);
    drop_ = new QToolButton(this);
    drop_->setArrowType(Qt::DownArrow);
    drop_->setFocusPolicy(Qt::NoFocus);
    drop_->setToolTip(QStringLiteral("Calendario"));
    // Its arrow is drawn in the window's text colour, which a window's colour
    // scheme makes as pale as the button: it keeps the button's own.
    QPalette arrow = drop_->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        arrow.setColor(group, QPalette::WindowText, arrow.color(group, QPalette::ButtonText));
    drop_->setPalette(arrow);
    layout->addWidget(edit_, 1);
    layout->addWidget(drop_);
    connect(edit_, &DateBox::DropDown, this, &CalendarPicker::ShowCalendar);
    connect(drop_, &QToolButton::clicked, this, &CalendarPicker::ShowCalendar);
}

QHBoxLayout* CalendarPicker::Row() const { return static_cast<QHBoxLayout*>(layout()); }

QCalendarWidget* CalendarPicker::Calendar() {
    if (calendar_) return calendar_;
    calendar_ = new QCalendarWidget(this);
    calendar_->setWindowFlags(Qt::Popup);
    calendar_->setGridVisible(true);
    // A day picked keeps the time the box holds.
    auto pick = [this](QDate date) {
        calendar_->hide();
        edit_->SetValue(date, edit_->Time());
        edit_->setFocus(Qt::PopupFocusReason);
    };
    connect(calendar_, &QCalendarWidget::clicked, this, pick);
    connect(calendar_, &QCalendarWidget::activated, this, pick);
    PaintCalendar();
    return calendar_;
}

void CalendarPicker::ShowCalendar() {
    if (!edit_->isEnabled()) return;
    QCalendarWidget* calendar = Calendar();
    calendar->setSelectedDate(edit_->Value().date());
    calendar->adjustSize();
    calendar->move(edit_->mapToGlobal(QPoint(0, edit_->height())));
    calendar->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

void CalendarPicker::SetCalendarBackColor(int bgr) {
    calendarBackColor_ = bgr;
    PaintCalendar();
}
void CalendarPicker::SetCalendarForeColor(int bgr) {
    calendarForeColor_ = bgr;
    PaintCalendar();
}
void CalendarPicker::SetCalendarTitleBackColor(int bgr) {
    calendarTitleBackColor_ = bgr;
    PaintCalendar();
}
void CalendarPicker::SetCalendarTitleForeColor(int bgr) {
    calendarTitleForeColor_ = bgr;
    PaintCalendar();
}
void CalendarPicker::SetCalendarTrailingForeColor(int bgr) {
    calendarTrailingForeColor_ = bgr;
    PaintCalendar();
}

void CalendarPicker::PaintCalendar() {
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

DateTimePicker::DateTimePicker(const QString& format, QWidget* parent) : CalendarPicker(format, parent) {
    connect(Editor(), &DateBox::Change, this, &CalendarPicker::Change);
}

DatePicker::DatePicker(QWidget* parent) : CalendarPicker(QStringLiteral("dd/MM/yyyy"), parent) {
    tick_ = new QCheckBox(this);
    Row()->insertWidget(0, tick_);
    // The tick comes first, as it stands: ticked by Space, Tab goes on to the date.
    setTabOrder(tick_, Editor());
    Editor()->setEnabled(false);
    DropButton()->setEnabled(false);
    connect(tick_, &QCheckBox::toggled, this, [this](bool on) {
        Editor()->setEnabled(on);
        DropButton()->setEnabled(on);
        emit Change();
    });
    connect(Editor(), &DateBox::Change, this, [this] {
        if (tick_->isChecked()) emit Change();
    });
}

QVariant DatePicker::Value() const {
    if (!tick_->isChecked()) return QVariant();
    return QDateTime(Editor()->Value().date(), QTime(0, 0));
}

void DatePicker::SetValue(const QVariant& value) {
    QDateTime date = value.toDateTime();
    if (value.isNull() || !value.isValid() || !date.isValid()) {
        tick_->setChecked(false);
        return;
    }
    Editor()->SetValue(date.date(), QTime(0, 0));
    tick_->setChecked(true);
}

}  // namespace Platform
