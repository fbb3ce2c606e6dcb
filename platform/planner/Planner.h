#pragma once
// The planner control of the agenda: one day of time slots with its
// appointments, a list of tasks, and reminders that ring at their time.
// The host fills the data object, calls Refresh, and turns the events into
// reads and writes of its own; the planner keeps no store of its own.
//
// Items are shared: a handler that holds an item keeps it alive even when
// the host clears and refills the data object meanwhile.

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QTime>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>

class QCalendarWidget;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace Platform {

// A date of 0 (Null read as 0, or the serial 0 of 30/12/1899) means "none";
// it becomes an invalid QDateTime. Other dates pass through.
QDateTime PlannerDate(const QVariant& value);

struct PlannerAppointment {
    QString Key;
    qint32 ItemId = 0;
    QString Text;  // the host's second value, kept as given
    QDateTime Start;
    QDateTime End;
    QString ContactNumber;
    QString ContactName;
    QString Category;
    QString Description;
    QString Place;
    QDateTime Reminder;  // invalid: no reminder
    int Random = 0;
};

struct PlannerTask {
    QString Key;
    qint32 ItemId = 0;
    QString Text;
    QString ShortDesc;
    QString LongDesc;
    QDateTime Due;       // invalid: no due date
    qint16 Priority = 0;
    QString Project;
    bool Done = false;
    QDateTime DateDone;  // invalid: not done yet
    QDateTime Reminder;  // invalid: no reminder
    QVariant HostData;   // the host's own, kept with the item; the planner never looks at it
};

using AppointmentPtr = std::shared_ptr<PlannerAppointment>;
using TaskPtr = std::shared_ptr<PlannerTask>;

// The items of one kind, in the order the host added them.
template <class T>
class PlannerItems {
public:
    using Ptr = std::shared_ptr<T>;
    qint32 NewItemId() { return ++lastId_; }
    void Append(const Ptr& item) {
        lastId_ = std::max(lastId_, item->ItemId);
        items_.append(item);
    }
    bool Remove(const Ptr& item) { return items_.removeOne(item); }
    int Count() const { return int(items_.size()); }
    // 1-based, as the host counts.
    Ptr Item(int index) const { return items_.value(index - 1); }
    Ptr Find(const QString& key) const {
        if (!key.isEmpty())
            for (const Ptr& item : items_)
                if (item->Key == key) return item;
        return nullptr;
    }
    const QList<Ptr>& All() const { return items_; }
    void Clear() { items_.clear(); }

private:
    QList<Ptr> items_;
    qint32 lastId_ = 0;
};

class PlannerAppointments : public PlannerItems<PlannerAppointment> {
public:
    // The values in the order the host hands them; dates through PlannerDate.
    AppointmentPtr Add(qint32 itemId, const QString& text, const QVariant& start, const QVariant& end,
                       const QString& contactNumber, const QString& contactName, const QString& category,
                       const QString& description, const QString& place, const QVariant& reminder,
                       const QString& key, int random);
};

class PlannerTasks : public PlannerItems<PlannerTask> {
public:
    TaskPtr Add(qint32 itemId, const QString& text, const QString& shortDesc, const QString& longDesc,
                const QVariant& due, qint16 priority, const QString& project, bool done, const QVariant& dateDone,
                const QVariant& reminder, const QString& key);
};

class PlannerData {
public:
    void ClearAll() {
        appointments_.Clear();
        tasks_.Clear();
    }
    PlannerAppointments& Appointments() { return appointments_; }
    PlannerTasks& Tasks() { return tasks_; }
    const PlannerAppointments& Appointments() const { return appointments_; }
    const PlannerTasks& Tasks() const { return tasks_; }

private:
    PlannerAppointments appointments_;
    PlannerTasks tasks_;
};

// How a day is drawn: the slots and where each appointment stands.
namespace PlannerLayout {

// "08.00", "08:00", "8.0", "8" all give 08:00; invalid for anything else.
QTime ParseTime(const QString& text);

struct Placement {
    AppointmentPtr item;
    int firstSlot = 0;   // row of its start
    int lastSlot = 0;    // row after its end (at least firstSlot + 1)
    int column = 0;      // among the items it overlaps
    int columns = 1;
};

struct Day {
    QDate date;
    QTime viewStart;     // time of row 0
    int slotMinutes = 15;
    int slotCount = 0;
    QList<Placement> placements;
    QTime SlotTime(int row) const { return viewStart.addSecs(row * slotMinutes * 60); }
};

// The day's rows run from the working hours' start to their end, widened to
// show an appointment of that day that lies outside them. Appointments that
// overlap share the width in columns; each keeps the column it got first.
Day LayoutDay(const QDate& date, const QList<AppointmentPtr>& items, const QTime& dayStart, const QTime& dayEnd,
              int slotMinutes);

}  // namespace PlannerLayout

// The texts of the planner; a language file ("key=text" lines) replaces them.
class PlannerTexts {
public:
    PlannerTexts();
    QString operator()(const QString& key) const { return texts_.value(key, key); }
    bool Load(const QString& file);

private:
    QHash<QString, QString> texts_;
};

class PlannerDayView;
class PlannerAlarmWindow;
class PlannerTaskEditor;

class Planner : public QWidget {
    Q_OBJECT
public:
    explicit Planner(QWidget* parent = nullptr);
    ~Planner() override;

    // Members the host sets.
    void SetLanguageFile(const QString& path);
    QString LanguageFile() const { return languageFile_; }
    void SetAlarmEnabled(bool on);
    bool AlarmEnabled() const { return alarmEnabled_; }
    void SetAlarmSound(const QString& path) { alarmSound_ = path; }
    QString AlarmSound() const { return alarmSound_; }
    // The day shown, with the time of `day` in sight.
    void SetCurrentDate(const QDateTime& day);
    QDate CurrentDate() const { return day_; }
    void SetSlotMinutes(int minutes);
    int SlotMinutes() const { return slotMinutes_; }
    // Working hours as text, "hh.nn" or "hh:nn"; a text that is no time keeps the value.
    void SetDayStart(const QString& text);
    void SetDayEnd(const QString& text);
    QString DayStart() const;
    QString DayEnd() const;
    PlannerData& Data() { return data_; }
    const PlannerData& Data() const { return data_; }
    // Run on each task editor before it shows: the host sets its boxes up
    // (the most each of them takes).
    void SetTaskEditorSetUp(std::function<void(PlannerTaskEditor&)> setUp) { taskEditorSetUp_ = std::move(setUp); }
    // Redraws from the data object and the settings.
    void Refresh(int what = 0);

    // What the user does, also callable by the host.
    void NewAppointmentAt(const QDateTime& start);
    void OpenAppointment(const AppointmentPtr& item);
    // The appointment's contact, through the host's search and look-up.
    bool EditContact(const AppointmentPtr& item);
    void DeleteAppointment(const AppointmentPtr& item, bool ask = true);
    void SetAppointmentReminder(const AppointmentPtr& item, const QDateTime& reminder);
    void NewTask();
    void OpenTask(const TaskPtr& item);
    void SetTaskDone(const TaskPtr& item, bool done);
    void DeleteTask(const TaskPtr& item, bool ask = true);
    void SetTaskReminder(const TaskPtr& item, const QDateTime& reminder);

    // Rings the reminders that are due by the clock (Platform::Now) and have
    // not rung yet; returns how many rang. The planner's own timer calls it.
    int CheckAlarms();
    PlannerAlarmWindow* AlarmWindow() const { return alarmWindow_; }
    // Tests and hosts without sound: how the alarm sound is played.
    using SoundPlayer = std::function<void(const QString& file)>;
    static SoundPlayer SetSoundPlayer(SoundPlayer player);

    PlannerDayView* DayView() const { return dayView_; }
    QTreeWidget* TaskList() const { return taskList_; }
    const PlannerTexts& Texts() const { return texts_; }
    AppointmentPtr SelectedAppointment() const;
    TaskPtr SelectedTask() const;
    // The task whose editor is open; none while no editor is.
    TaskPtr TaskInEditor() const { return taskInEditor_; }

signals:
    void NewAppointment(const Platform::AppointmentPtr& item, bool& handled, bool& cancel);
    void EditAppointment(const Platform::AppointmentPtr& item, bool& handled, bool& cancel);
    void AlarmChanged(const Platform::AppointmentPtr& item);
    void AppointmentDeleted(const Platform::AppointmentPtr& item);
    void TaskAdded(const Platform::TaskPtr& item);
    // The item holds the change. A host that keeps the change out sets
    // cancel: the task goes back as it was, and an editor stays open with
    // what the user wrote in it.
    void TaskChanged(const Platform::TaskPtr& item, bool& cancel);
    void TaskAlarmChanged(const Platform::TaskPtr& item);
    void TaskDeleted(const Platform::TaskPtr& item);
    void FindContact(QString& contactNumber, QString& contactName);
    void ContactIdEntered(const QString& contactNumber, QString& contactName, bool& cancel);
    void RequestNow(const Platform::TaskPtr& item, int field, bool& cancel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PlannerDayView;
    friend class PlannerAlarmWindow;
    void ShowDate(const QDate& date);
    void ScrollToTime();
    void ShowDay();
    void FillTasks();
    void AppointmentMenu(const AppointmentPtr& item, const QPoint& globalPos);
    void TaskMenu(const TaskPtr& item, const QPoint& globalPos);
    bool EditAppointmentInEditor(const AppointmentPtr& item);
    // `commit` runs on OK with the item changed; false keeps the editor open.
    bool EditTaskInEditor(const TaskPtr& item, std::function<bool()> commit = {});
    // Emits TaskChanged for the item as changed; false when the host kept it out.
    bool CommitTaskChange(const TaskPtr& item);
    void Ring(const QList<AppointmentPtr>& appointments, const QList<TaskPtr>& tasks);
    void DismissAppointment(const AppointmentPtr& item, const QDateTime& newReminder);
    void DismissTask(const TaskPtr& item, const QDateTime& newReminder);

    PlannerData data_;
    PlannerTexts texts_;
    QString languageFile_;
    QString alarmSound_;
    bool alarmEnabled_ = true;
    QDate day_;
    int slotMinutes_ = 15;
    QTime dayStart_{8, 0};
    QTime dayEnd_{20, 30};
    QSet<QString> rung_;
    std::function<void(PlannerTaskEditor&)> taskEditorSetUp_;
    QTime scrollTo_;  // the time to bring into sight once the view has its size
    bool followClock_ = false;

    QLabel* dayLabel_;
    QPushButton* prevDay_;
    QPushButton* nextDay_;
    QPushButton* today_;
    PlannerDayView* dayView_;
    QScrollArea* dayScroll_;
    QCalendarWidget* calendar_;
    QLabel* tasksLabel_;
    QTreeWidget* taskList_;
    QPushButton* newTask_;
    QPushButton* editTask_;
    QPushButton* deleteTask_;
    QTimer* alarmTimer_;
    PlannerAlarmWindow* alarmWindow_ = nullptr;
    bool fillingTasks_ = false;
    bool inTaskRowSignal_ = false;
    TaskPtr taskInEditor_;
};

// The drawn day: rows of slots with the appointments over them.
class PlannerDayView : public QWidget {
    Q_OBJECT
public:
    explicit PlannerDayView(Planner* planner);
    const PlannerLayout::Day& Layout() const { return layout_; }
    void SetLayout(PlannerLayout::Day layout);
    int SlotHeight() const;
    int GutterWidth() const;
    // Where things stand on the view (tests click on them).
    QRect ItemRect(const PlannerLayout::Placement& p) const;
    QDateTime TimeAt(const QPoint& pos) const;
    AppointmentPtr ItemAt(const QPoint& pos) const;
    AppointmentPtr Selected() const { return selected_.lock(); }
    void Select(const AppointmentPtr& item);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    bool event(QEvent*) override;

private:
    Planner* planner_;
    PlannerLayout::Day layout_;
    std::weak_ptr<PlannerAppointment> selected_;
    int selectedRow_ = -1;
};

// The reminders that have rung and wait for the user: dismiss or snooze.
class PlannerAlarmWindow : public QWidget {
    Q_OBJECT
public:
    explicit PlannerAlarmWindow(Planner* planner);
    void Add(const AppointmentPtr& item);
    void Add(const TaskPtr& item);
    int Count() const;
    QTreeWidget* List() const { return list_; }
    // Act on the chosen rows, or on all when none is chosen.
    void Dismiss();
    void Snooze(int minutes);
    QPushButton* DismissButton() const { return dismiss_; }
    QPushButton* SnoozeButton() const { return snooze_; }

private:
    struct Entry {
        AppointmentPtr appointment;
        TaskPtr task;
    };
    QList<int> ChosenRows() const;
    void RemoveRows(const QList<int>& rows);
    Planner* planner_;
    QTreeWidget* list_;
    QPushButton* dismiss_;
    QPushButton* snooze_;
    QComboBox* snoozeMinutes_;
    QList<Entry> entries_;
};

}  // namespace Platform
