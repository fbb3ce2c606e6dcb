#pragma once
// Date picker with a tick box: unticked it holds no date (Value is Null).

#include <QDateTime>
#include <QVariant>
#include <QWidget>
#include <cstdint>

class QCheckBox;
class QDateEdit;

namespace Platform {

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
    QDateEdit* Editor() const { return edit_; }
    QCheckBox* TickBox() const { return tick_; }

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
    QDateEdit* edit_;
    int calendarBackColor_ = -1, calendarForeColor_ = -1, calendarTitleBackColor_ = -1, calendarTitleForeColor_ = -1,
        calendarTrailingForeColor_ = -1;
};

}  // namespace Platform
