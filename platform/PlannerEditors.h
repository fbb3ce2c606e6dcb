#pragma once
// The planner's own editors, used when the host leaves an appointment to
// the planner and for every task. They are modal windows; OK writes the
// fields back into the item, Cancel leaves it as it was.

#include "Form.h"
#include "Planner.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace Platform {

class PlannerAppointmentEditor : public Form {
    Q_OBJECT
public:
    PlannerAppointmentEditor(Planner* planner, const AppointmentPtr& item);
    QDateTimeEdit* Start;
    QDateTimeEdit* End;
    QLineEdit* Description;
    QLineEdit* Place;
    QLineEdit* Category;
    QLineEdit* ContactNumber;
    QPushButton* FindContactButton;
    QLabel* ContactName;
    QCheckBox* HasReminder;
    QComboBox* ReminderMinutes;
    QPushButton* OK;
    QPushButton* Cancel;
    bool Accepted() const { return accepted_; }

    void FindContact_Click();
    void ContactNumber_LostFocus();
    void OK_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Planner* planner_;
    AppointmentPtr item_;
    QString lastNumber_;
    bool accepted_ = false;
};

class PlannerTaskEditor : public Form {
    Q_OBJECT
public:
    PlannerTaskEditor(Planner* planner, const TaskPtr& item);
    QLineEdit* ShortDesc;
    QPlainTextEdit* LongDesc;
    QCheckBox* HasDue;
    QDateTimeEdit* Due;
    QPushButton* Now;
    QSpinBox* Priority;
    QLineEdit* Project;
    QCheckBox* Done;
    QCheckBox* HasReminder;
    QDateTimeEdit* Reminder;
    QPushButton* OK;
    QPushButton* Cancel;
    bool Accepted() const { return accepted_; }

    void Now_Click();
    void OK_Click();

private:
    Planner* planner_;
    TaskPtr item_;
    bool accepted_ = false;
};

}  // namespace Platform
