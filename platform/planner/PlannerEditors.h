#pragma once
// The planner's own editors, used when the host leaves an appointment to
// the planner and for every task. They are modal windows; OK writes the
// fields back into the item, Cancel leaves it as it was.

#include "DatePicker.h"
#include "Form.h"
#include "Planner.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace Platform {

// An appointment's contact: its number, typed or found by the host's search,
// and the name the host gives it. The host may refuse a typed number, and
// then the one before it stays.
class PlannerContactBox : public QWidget {
    Q_OBJECT
public:
    PlannerContactBox(Planner* planner, const QString& number, const QString& name, QWidget* parent);
    QLineEdit* Number;
    QPushButton* Find;
    QLabel* Name;

    void Find_Click();
    void Number_LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Planner* planner_;
    QString lastNumber_;
};

class PlannerAppointmentEditor : public Form {
    Q_OBJECT
public:
    PlannerAppointmentEditor(Planner* planner, const AppointmentPtr& item);
    DateTimePicker* Start;
    DateTimePicker* End;
    QLineEdit* Description;
    QLineEdit* Place;
    QLineEdit* Category;
    PlannerContactBox* Contact;
    QLineEdit* ContactNumber;
    QPushButton* FindContactButton;
    QLabel* ContactName;
    QCheckBox* HasReminder;
    QComboBox* ReminderMinutes;
    QPushButton* OK;
    QPushButton* Cancel;
    bool Accepted() const { return accepted_; }

    void FindContact_Click() { Contact->Find_Click(); }
    void ContactNumber_LostFocus() { Contact->Number_LostFocus(); }
    void OK_Click();

private:
    Planner* planner_;
    AppointmentPtr item_;
    bool accepted_ = false;
};

// The contact of an appointment the host edits elsewhere: the number and the
// name only, through the host's look-ups.
class PlannerContactEditor : public Form {
    Q_OBJECT
public:
    PlannerContactEditor(Planner* planner, const AppointmentPtr& item);
    PlannerContactBox* Contact;
    QPushButton* OK;
    QPushButton* Cancel;
    bool Accepted() const { return accepted_; }

    void OK_Click();

private:
    AppointmentPtr item_;
    bool accepted_ = false;
};

class PlannerTaskEditor : public Form {
    Q_OBJECT
public:
    // `commit`, when given, runs on OK with the item changed: false keeps the
    // editor open with what the user wrote, and the item as it was.
    PlannerTaskEditor(Planner* planner, const TaskPtr& item, std::function<bool()> commit = {});
    QLineEdit* ShortDesc;
    QPlainTextEdit* LongDesc;
    QCheckBox* HasDue;
    DateTimePicker* Due;
    QPushButton* Now;
    QSpinBox* Priority;
    QLineEdit* Project;
    QCheckBox* Done;
    QCheckBox* HasReminder;
    DateTimePicker* Reminder;
    QPushButton* OK;
    QPushButton* Cancel;
    bool Accepted() const { return accepted_; }

    void Now_Click();
    void OK_Click();

private:
    Planner* planner_;
    TaskPtr item_;
    std::function<bool()> commit_;
    bool accepted_ = false;
};

}  // namespace Platform
