#pragma once
// Boxes a date, a date and time, or a time of day is typed in.
//
// A value is typed as a whole, day, month and year first, then the hours,
// minutes and seconds the box shows, with or without separators
// ("15/03/1980 10:30", "150319801030", "1/3/80 9.30"), wherever the caret
// was: the first digit after the box was entered or clicked starts a new
// value. A date typed without its time keeps the time the box held, as a
// day picked in the calendar does; minutes and seconds left out are 00.
// The box always shows its format, with "_" for the digits still to come;
// a value that does not exist is refused with a message and the last good
// one stays. The message comes as the user leaves the box, before the
// focus moves, and the focus stays in the box: by Tab, the key does not move
// it; by a click elsewhere in the window, the click does nothing else.

#include <QDateTime>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>
#include <cstdint>
#include <memory>

class QCalendarWidget;
class QCheckBox;
class QHBoxLayout;
class QToolButton;

namespace Platform {

class DateBox : public QLineEdit {
    Q_OBJECT
public:
    // `format` spells the fields and their order: "dd/MM/yyyy",
    // "dd/MM/yyyy HH:mm", "dd/MM/yyyy HH:mm:ss" or "HH:mm".
    DateBox(const QString& format, QWidget* parent);
    ~DateBox() override;

    QDateTime Value() const { return QDateTime(date_, time_); }
    QDate Date() const { return date_; }
    QTime Time() const { return time_; }
    // A value set by code is kept whole, with the seconds a format may not
    // show; it ends any entry under way. Change when it differs.
    void SetValue(const QDateTime& value);
    void SetValue(const QDate& date, const QTime& time);
    // Ends an entry under way as leaving the box does: false when it was refused.
    bool Commit();

signals:
    void Change();
    void DropDown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry;
    // Ends an entry under way: false when refused, and then `refusal` holds
    // what to tell the user.
    bool Take(QString* refusal);
    void Begin(const QString& typed);
    void Type(QChar c);
    void Backspace();
    void Paste();
    void Step(int by);
    void Refuse(const QString& message);
    QString Refusal(const QString& first) const;
    void ShowEntry();
    void ShowValue();

    QString format_;
    QDate date_;
    QTime time_;
    std::unique_ptr<Entry> entry_;
    bool entering_ = false;
};

// A date box with its drop-down calendar.
class CalendarPicker : public QWidget {
    Q_OBJECT
    // Colours of the drop-down calendar (BGR, -1 = the style's own).
    Q_PROPERTY(int CalendarBackColor MEMBER calendarBackColor_ WRITE SetCalendarBackColor)
    Q_PROPERTY(int CalendarForeColor MEMBER calendarForeColor_ WRITE SetCalendarForeColor)
    Q_PROPERTY(int CalendarTitleBackColor MEMBER calendarTitleBackColor_ WRITE SetCalendarTitleBackColor)
    Q_PROPERTY(int CalendarTitleForeColor MEMBER calendarTitleForeColor_ WRITE SetCalendarTitleForeColor)
    Q_PROPERTY(int CalendarTrailingForeColor MEMBER calendarTrailingForeColor_ WRITE SetCalendarTrailingForeColor)
public:
    // The box the value is typed in.
    DateBox* Editor() const { return edit_; }
    // The drop-down calendar, made the first time it is needed.
    QCalendarWidget* Calendar();
    void ShowCalendar();

    void SetCalendarBackColor(int bgr);
    void SetCalendarForeColor(int bgr);
    void SetCalendarTitleBackColor(int bgr);
    void SetCalendarTitleForeColor(int bgr);
    void SetCalendarTrailingForeColor(int bgr);

signals:
    void Change();

protected:
    CalendarPicker(const QString& format, QWidget* parent);
    QHBoxLayout* Row() const;
    QToolButton* DropButton() const { return drop_; }

private:
    void PaintCalendar();
    DateBox* edit_;
    QToolButton* drop_;
    QCalendarWidget* calendar_ = nullptr;
    int calendarBackColor_ = -1, calendarForeColor_ = -1, calendarTitleBackColor_ = -1, calendarTitleForeColor_ = -1,
        calendarTrailingForeColor_ = -1;
};

// Date picker with a tick box: unticked it holds no date (Value is Null).
class DatePicker : public CalendarPicker {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
    // The date with midnight as its time, or Null when unticked.
    QVariant Value() const;
    // Null (or an invalid value) unticks; a date ticks and shows it.
    void SetValue(const QVariant& value);
    QCheckBox* TickBox() const { return tick_; }

private:
    QCheckBox* tick_;
};

// A date and time, read and set whole.
class DateTimePicker : public CalendarPicker {
    Q_OBJECT
public:
    // `format`: "dd/MM/yyyy HH:mm" or "dd/MM/yyyy HH:mm:ss".
    explicit DateTimePicker(const QString& format, QWidget* parent = nullptr);
    QDateTime dateTime() const { return Editor()->Value(); }
    // An invalid value is not taken.
    void setDateTime(const QDateTime& value) { Editor()->SetValue(value); }
};

// A time of day as hours and minutes.
class TimePicker : public DateBox {
    Q_OBJECT
public:
    explicit TimePicker(QWidget* parent = nullptr);
    QTime time() const { return Time(); }
    void setTime(const QTime& time);
};

}  // namespace Platform
