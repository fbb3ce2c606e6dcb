#pragma once
// Date picker with a tick box: unticked it holds no date (Value is Null).
//
// A date is typed as a whole, day, month and year, with or without
// separators ("15/03/1980", "15031980", "1/3/80"), wherever the caret was:
// the first digit after the box was entered or clicked starts a new date.
// The box always shows "dd/mm/yyyy", with "_" for the digits still to come;
// a date that does not exist is refused with a message and the last good
// one stays.

#include <QDateTime>
#include <QVariant>
#include <QWidget>
#include <cstdint>

class QCalendarWidget;
class QCheckBox;
class QLineEdit;
class QToolButton;

namespace Platform {

class DateBox;

class DatePicker : public QWidget {
    Q_OBJECT
    // Colours of the drop-down calendar (BGR, -1 = the style's own).
    Q_PROPERTY(int CalendarBackColor MEMBER calendarBackColor_ WRITE SetCalendarBackColor)
    Q_PROPERTY(int CalendarForeColor MEMBER calendarForeColor_ WRITE SetCalendarForeColor)
    Q_PROPERTY(int CalendarTitleBackColor MEMBER calendarTitleBackColor_ WRITE SetCalendarTitleBackColor)
    Q_PROPERTY(int CalendarTitleForeColor MEMBER calendarTitleForeColor_ WRITE SetCalendarTitleForeColor)
    Q_PROPERTY(int CalendarTrailingForeColor MEMBER calendarTrailingForeColor_ WRITE SetCalendarTrailingForeColor)
public:
    explicit DatePicker(QWidget* parent = nullptr);
    // The date with midnight as its time, or Null when unticked.
    QVariant Value() const;
    // Null (or an invalid value) unticks; a date ticks and shows it.
    void SetValue(const QVariant& value);
    // The box the date is typed in.
    QLineEdit* Editor() const;
    QCheckBox* TickBox() const { return tick_; }
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

private:
    void PaintCalendar();
    QCheckBox* tick_;
    DateBox* edit_;
    QToolButton* drop_;
    QCalendarWidget* calendar_ = nullptr;
    int calendarBackColor_ = -1, calendarForeColor_ = -1, calendarTitleBackColor_ = -1, calendarTitleForeColor_ = -1,
        calendarTrailingForeColor_ = -1;
};

}  // namespace Platform
