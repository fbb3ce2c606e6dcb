#include "PlannerEditors.h"

#include "Runtime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace Platform {

namespace {

const QString kDateTimeFormat = QStringLiteral("dd/MM/yyyy HH:mm");

DateTimePicker* DateTimeBox(QWidget* parent, const QDateTime& value) {
    auto* box = new DateTimePicker(kDateTimeFormat, parent);
    box->setDateTime(value.isValid() ? value : Now());
    return box;
}

QHBoxLayout* OkCancel(Form* parent, const PlannerTexts& t, QPushButton*& ok, QPushButton*& cancel) {
    auto* row = new QHBoxLayout;
    ok = new QPushButton(t("OK"), parent);
    cancel = new QPushButton(t("Cancel"), parent);
    ok->setObjectName(QStringLiteral("OK"));
    cancel->setObjectName(QStringLiteral("Cancel"));
    ok->setDefault(true);
    parent->SetCancelButton(cancel);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// Minutes between a reminder and the start, as offered in the list.
const int kLeads[] = {0, 5, 10, 15, 20, 30, 45, 60, 90, 120, 240, 1440};

}  // namespace

// ---------------------------------------------------------------- contact

PlannerContactBox::PlannerContactBox(Planner* planner, const QString& number, const QString& name, QWidget* parent)
    : QWidget(parent), planner_(planner), lastNumber_(number) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    Number = new QLineEdit(number, this);
    Number->setMaximumWidth(110);
    Find = new QPushButton(QStringLiteral("..."), this);
    Find->setFixedWidth(30);
    Name = new QLabel(name, this);
    row->addWidget(Number);
    row->addWidget(Find);
    row->addWidget(Name, 1);
    Number->installEventFilter(this);
    connect(Find, &QPushButton::clicked, this, &PlannerContactBox::Find_Click);
}

bool PlannerContactBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Number && event->type() == QEvent::FocusOut) Number_LostFocus();
    return QWidget::eventFilter(watched, event);
}

void PlannerContactBox::Find_Click() {
    QString number = Number->text();
    QString name = Name->text();
    emit planner_->FindContact(number, name);
    Number->setText(number);
    Name->setText(name);
    lastNumber_ = number;
}

void PlannerContactBox::Number_LostFocus() {
    const QString number = Number->text();
    if (number == lastNumber_) return;
    QString name = Name->text();
    bool cancel = false;
    emit planner_->ContactIdEntered(number, name, cancel);
    if (cancel) {
        Number->setText(lastNumber_);
        return;
    }
    Name->setText(name);
    lastNumber_ = number;
}

PlannerContactEditor::PlannerContactEditor(Planner* planner, const AppointmentPtr& item) : item_(item) {
    const PlannerTexts& t = planner->Texts();
    setWindowTitle(t("ContactCaption"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    Contact = new PlannerContactBox(planner, item->ContactNumber, item->ContactName, this);
    form->addRow(t("Contact"), Contact);
    layout->addLayout(form);
    layout->addLayout(OkCancel(this, t, OK, Cancel));
    connect(OK, &QPushButton::clicked, this, &PlannerContactEditor::OK_Click);
    connect(Cancel, &QPushButton::clicked, this, [this] { Hide(); });
    resize(420, 110);
}

void PlannerContactEditor::OK_Click() {
    Contact->Number_LostFocus();
    item_->ContactNumber = Contact->Number->text().trimmed();
    item_->ContactName = Contact->Name->text();
    accepted_ = true;
    Hide();
}

// ---------------------------------------------------------------- appointment

PlannerAppointmentEditor::PlannerAppointmentEditor(Planner* planner, const AppointmentPtr& item)
    : planner_(planner), item_(item) {
    const PlannerTexts& t = planner->Texts();
    setWindowTitle(t("AppointmentCaption"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    Start = DateTimeBox(this, item->Start);
    End = DateTimeBox(this, item->End.isValid() ? item->End : item->Start);
    Description = new QLineEdit(item->Description, this);
    Place = new QLineEdit(item->Place, this);
    Category = new QLineEdit(item->Category, this);
    Contact = new PlannerContactBox(planner, item->ContactNumber, item->ContactName, this);
    ContactNumber = Contact->Number;
    FindContactButton = Contact->Find;
    ContactName = Contact->Name;
    auto* reminderRow = new QHBoxLayout;
    HasReminder = new QCheckBox(this);
    ReminderMinutes = new QComboBox(this);
    for (int lead : kLeads) ReminderMinutes->addItem(QString::number(lead), lead);
    ReminderMinutes->setCurrentIndex(ReminderMinutes->findData(15));
    if (item->Reminder.isValid() && item->Start.isValid()) {
        HasReminder->setChecked(true);
        const int lead = int(item->Reminder.secsTo(item->Start) / 60);
        int index = ReminderMinutes->findData(lead);
        if (index < 0) {
            ReminderMinutes->addItem(QString::number(lead), lead);
            index = ReminderMinutes->count() - 1;
        }
        ReminderMinutes->setCurrentIndex(index);
    }
    reminderRow->addWidget(HasReminder);
    reminderRow->addWidget(ReminderMinutes, 1);
    form->addRow(t("Start"), Start);
    form->addRow(t("End"), End);
    form->addRow(t("Description"), Description);
    form->addRow(t("Place"), Place);
    form->addRow(t("Category"), Category);
    form->addRow(t("Contact"), Contact);
    form->addRow(t("RemindMe"), reminderRow);
    layout->addLayout(form);
    layout->addLayout(OkCancel(this, t, OK, Cancel));
    connect(OK, &QPushButton::clicked, this, &PlannerAppointmentEditor::OK_Click);
    connect(Cancel, &QPushButton::clicked, this, [this] { Hide(); });
    resize(460, 280);
}

void PlannerAppointmentEditor::OK_Click() {
    ContactNumber_LostFocus();
    if (Description->text().trimmed().isEmpty()) {
        MsgBox(planner_->Texts()("NeedDescription"), vbOKOnly + vbExclamation);
        Description->setFocus();
        return;
    }
    item_->Start = Start->dateTime();
    item_->End = std::max(End->dateTime(), item_->Start);
    item_->Description = Description->text().trimmed();
    item_->Place = Place->text().trimmed();
    item_->Category = Category->text().trimmed();
    item_->ContactNumber = ContactNumber->text().trimmed();
    item_->ContactName = ContactName->text();
    item_->Reminder = HasReminder->isChecked()
                          ? item_->Start.addSecs(-60LL * ReminderMinutes->currentData().toInt())
                          : QDateTime();
    accepted_ = true;
    Hide();
}

// ---------------------------------------------------------------- task

PlannerTaskEditor::PlannerTaskEditor(Planner* planner, const TaskPtr& item, std::function<bool()> commit)
    : planner_(planner), item_(item), commit_(std::move(commit)) {
    const PlannerTexts& t = planner->Texts();
    setWindowTitle(t("TaskCaption"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    ShortDesc = new QLineEdit(item->ShortDesc, this);
    LongDesc = new MultiLineTextBox(this);
    LongDesc->setPlainText(item->LongDesc);
    LongDesc->setMaximumHeight(90);
    auto* dueRow = new QHBoxLayout;
    HasDue = new QCheckBox(this);
    HasDue->setChecked(item->Due.isValid());
    Due = DateTimeBox(this, item->Due);
    Due->setEnabled(item->Due.isValid());
    Now = new QPushButton(t("Now"), this);
    dueRow->addWidget(HasDue);
    dueRow->addWidget(Due, 1);
    dueRow->addWidget(Now);
    Priority = new QSpinBox(this);
    Priority->setRange(0, 32767);
    Priority->setValue(item->Priority);
    Project = new QLineEdit(item->Project, this);
    Done = new QCheckBox(this);
    Done->setChecked(item->Done);
    auto* reminderRow = new QHBoxLayout;
    HasReminder = new QCheckBox(this);
    HasReminder->setChecked(item->Reminder.isValid());
    Reminder = DateTimeBox(this, item->Reminder);
    Reminder->setEnabled(item->Reminder.isValid());
    reminderRow->addWidget(HasReminder);
    reminderRow->addWidget(Reminder, 1);
    form->addRow(t("ShortDesc"), ShortDesc);
    form->addRow(t("LongDesc"), LongDesc);
    form->addRow(t("Due"), dueRow);
    form->addRow(t("Priority"), Priority);
    form->addRow(t("Project"), Project);
    form->addRow(t("Done"), Done);
    form->addRow(t("TaskReminder"), reminderRow);
    layout->addLayout(form);
    layout->addLayout(OkCancel(this, t, OK, Cancel));
    ShortDesc->setObjectName(QStringLiteral("ShortDesc"));
    LongDesc->setObjectName(QStringLiteral("LongDesc"));
    Project->setObjectName(QStringLiteral("Project"));
    connect(HasDue, &QCheckBox::toggled, Due, &QWidget::setEnabled);
    connect(HasReminder, &QCheckBox::toggled, Reminder, &QWidget::setEnabled);
    connect(Now, &QPushButton::clicked, this, &PlannerTaskEditor::Now_Click);
    connect(OK, &QPushButton::clicked, this, &PlannerTaskEditor::OK_Click);
    connect(Cancel, &QPushButton::clicked, this, [this] { Hide(); });
    resize(460, 320);
}

void PlannerTaskEditor::Now_Click() {
    // The host decides what "now" is; the editor shows what it set.
    auto scratch = std::make_shared<PlannerTask>(*item_);
    scratch->Due = HasDue->isChecked() ? Due->dateTime() : QDateTime();
    bool cancel = false;
    emit planner_->RequestNow(scratch, 0, cancel);
    if (cancel || !scratch->Due.isValid()) return;
    HasDue->setChecked(true);
    Due->setDateTime(scratch->Due);
}

void PlannerTaskEditor::OK_Click() {
    if (ShortDesc->text().trimmed().isEmpty()) {
        MsgBox(planner_->Texts()("NeedDescription"), vbOKOnly + vbExclamation);
        ShortDesc->setFocus();
        return;
    }
    const PlannerTask before = *item_;
    const bool wasDone = item_->Done;
    item_->ShortDesc = ShortDesc->text().trimmed();
    item_->LongDesc = LongDesc->toPlainText();
    item_->Due = HasDue->isChecked() ? Due->dateTime() : QDateTime();
    item_->Priority = qint16(Priority->value());
    item_->Project = Project->text().trimmed();
    item_->Done = Done->isChecked();
    if (item_->Done && !wasDone) item_->DateDone = Platform::Now();
    if (!item_->Done) item_->DateDone = QDateTime();
    item_->Reminder = HasReminder->isChecked() ? Reminder->dateTime() : QDateTime();
    if (commit_ && !commit_()) {
        *item_ = before;
        return;
    }
    accepted_ = true;
    Hide();
}

}  // namespace Platform
