#include "Planner.h"

#include "PlannerEditors.h"
#include "Runtime.h"
#include "Values.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

namespace Platform {

namespace {

const QDate kNoDate(1899, 12, 30);

QString TimeText(const QTime& t) { return t.toString(QStringLiteral("HH:mm")); }

// A stable pastel colour for each category, so that kinds of appointment
// are told apart at a glance.
QColor CategoryColour(const QString& category) {
    if (category.trimmed().isEmpty()) return QColor(0xdc, 0xe8, 0xf8);
    const uint h = qHash(category.trimmed().toLower());
    return QColor::fromHsv(int(h % 360), 55, 248);
}

Planner::SoundPlayer& PlayerSlot() {
    static Planner::SoundPlayer player = [](const QString& file) {
        for (const char* program : {"paplay", "aplay"}) {
            const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
            if (!path.isEmpty() && QProcess::startDetached(path, {file})) return;
        }
        Beep();
    };
    return player;
}

// The reminder choices offered on an appointment: minutes before its start.
const int kReminderLeads[] = {0, 5, 10, 15, 30, 60, 120, 1440};

QString LeadText(const PlannerTexts& texts, int minutes) {
    if (minutes == 0) return texts("ReminderAtStart");
    if (minutes % 1440 == 0) return texts("ReminderDays").arg(minutes / 1440);
    if (minutes % 60 == 0) return texts("ReminderHours").arg(minutes / 60);
    return texts("ReminderMinutes").arg(minutes);
}

}  // namespace

QDateTime PlannerDate(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime d = value.toDateTime();
        if (!d.isValid() || (d.date() == kNoDate && d.time() == QTime(0, 0))) return {};
        return d;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (!d.isValid() || d == kNoDate) return {};
        return QDateTime(d, QTime(0, 0));
    }
    case QMetaType::QString: {
        const QDateTime d = CDate(value.toString());
        return d.isValid() && !(d.date() == kNoDate && d.time() == QTime(0, 0)) ? d : QDateTime();
    }
    default: {
        bool ok = false;
        const double serial = value.toDouble(&ok);
        if (!ok || serial == 0) return {};
        return SerialToDate(serial);
    }
    }
}

// ---------------------------------------------------------------- collections

AppointmentPtr PlannerAppointments::Add(qint32 itemId, const QString& text, const QVariant& start, const QVariant& end,
                                        const QString& contactNumber, const QString& contactName,
                                        const QString& category, const QString& description, const QString& place,
                                        const QVariant& reminder, const QString& key, int random) {
    auto item = std::make_shared<PlannerAppointment>();
    item->ItemId = itemId;
    item->Text = text;
    item->Start = PlannerDate(start);
    item->End = PlannerDate(end);
    item->ContactNumber = contactNumber;
    item->ContactName = contactName;
    item->Category = category;
    item->Description = description;
    item->Place = place;
    item->Reminder = PlannerDate(reminder);
    item->Key = key;
    item->Random = random;
    Append(item);
    return item;
}

TaskPtr PlannerTasks::Add(qint32 itemId, const QString& text, const QString& shortDesc, const QString& longDesc,
                          const QVariant& due, qint16 priority, const QString& project, bool done,
                          const QVariant& dateDone, const QVariant& reminder, const QString& key) {
    auto item = std::make_shared<PlannerTask>();
    item->ItemId = itemId;
    item->Text = text;
    item->ShortDesc = shortDesc;
    item->LongDesc = longDesc;
    item->Due = PlannerDate(due);
    item->Priority = priority;
    item->Project = project;
    item->Done = done;
    item->DateDone = PlannerDate(dateDone);
    item->Reminder = PlannerDate(reminder);
    item->Key = key;
    Append(item);
    return item;
}


// ---------------------------------------------------------------- layout

namespace PlannerLayout {

QTime ParseTime(const QString& text) {
    const QString t = text.trimmed();
    const int sep = t.indexOf(QRegularExpression(QStringLiteral("[.:]")));
    const QString hours = sep < 0 ? t : t.left(sep);
    const QString minutes = sep < 0 ? QStringLiteral("0") : t.mid(sep + 1);
    bool okH = false, okM = false;
    const int h = hours.toInt(&okH);
    const int m = minutes.isEmpty() ? 0 : minutes.toInt(&okM);
    if (!okH || (!minutes.isEmpty() && !okM) || hours.isEmpty()) return {};
    if (h == 24 && m == 0) return QTime(23, 59, 59);
    return QTime(h, m);
}

Day LayoutDay(const QDate& date, const QList<AppointmentPtr>& items, const QTime& dayStart, const QTime& dayEnd,
              int slotMinutes) {
    Day day;
    day.date = date;
    day.slotMinutes = std::clamp(slotMinutes, 1, 1440);
    const int slot = day.slotMinutes;
    const int ds = dayStart.isValid() ? dayStart.msecsSinceStartOfDay() / 60000 : 8 * 60;
    int de = dayEnd.isValid() ? (dayEnd.msecsSinceStartOfDay() + 59999) / 60000 : 20 * 60 + 30;
    if (de <= ds) de = ds + slot;

    // The items of this day as minutes from its midnight.
    struct Span {
        AppointmentPtr item;
        int from, to;
    };
    QList<Span> spans;
    const QDateTime midnight(date, QTime(0, 0));
    const QDateTime nextMidnight = midnight.addDays(1);
    for (const auto& item : items) {
        if (!item->Start.isValid()) continue;
        const QDateTime start = item->Start;
        const QDateTime end = item->End.isValid() && item->End > start ? item->End : start;
        if (start >= nextMidnight || end < midnight || (end == midnight && start < midnight)) continue;
        const int from = start < midnight ? 0 : int(midnight.secsTo(start) / 60);
        int to = end >= nextMidnight ? 1440 : int((midnight.secsTo(end) + 59) / 60);
        if (to <= from) to = std::min(1440, from + slot);
        spans.append({item, from, std::max(to, from + 1)});
    }

    // Rows on the grid of the working hours' start, widened to the items.
    int firstRow = 0;
    int lastRow = (de - ds + slot - 1) / slot;
    for (const Span& s : spans) {
        firstRow = std::min(firstRow, int(std::floor(double(s.from - ds) / slot)));
        lastRow = std::max(lastRow, int(std::ceil(double(s.to - ds) / slot)));
    }
    firstRow = std::max(firstRow, -(ds / slot));
    const int viewStart = ds + firstRow * slot;
    lastRow = std::min(lastRow, firstRow + (1440 - viewStart + slot - 1) / slot);
    day.viewStart = QTime(0, 0).addSecs(viewStart * 60);
    day.slotCount = std::max(1, lastRow - firstRow);

    QList<Placement> placements;
    for (const Span& s : spans) {
        Placement p;
        p.item = s.item;
        p.firstSlot = std::clamp(int(std::floor(double(s.from - viewStart) / slot)), 0, day.slotCount - 1);
        p.lastSlot = std::clamp(int(std::ceil(double(s.to - viewStart) / slot)), p.firstSlot + 1, day.slotCount);
        placements.append(p);
    }
    std::stable_sort(placements.begin(), placements.end(), [](const Placement& a, const Placement& b) {
        if (a.firstSlot != b.firstSlot) return a.firstSlot < b.firstSlot;
        return a.lastSlot > b.lastSlot;
    });

    // Groups of items that overlap one another share the width: each takes
    // the first column free at its start; the group's column count is the
    // widest the group got.
    int groupBegin = 0, groupEnd = -1;
    QList<int> columnEnds;
    auto closeGroup = [&](int upTo) {
        for (int i = groupBegin; i < upTo; ++i) placements[i].columns = std::max(1, int(columnEnds.size()));
        columnEnds.clear();
        groupBegin = upTo;
    };
    for (int i = 0; i < placements.size(); ++i) {
        Placement& p = placements[i];
        if (p.firstSlot >= groupEnd) {
            closeGroup(i);
            groupEnd = p.lastSlot;
        }
        int column = 0;
        while (column < columnEnds.size() && columnEnds[column] > p.firstSlot) ++column;
        if (column == columnEnds.size()) columnEnds.append(p.lastSlot);
        else columnEnds[column] = p.lastSlot;
        p.column = column;
        groupEnd = std::max(groupEnd, p.lastSlot);
    }
    closeGroup(int(placements.size()));
    day.placements = placements;
    return day;
}

}  // namespace PlannerLayout

// ---------------------------------------------------------------- texts

PlannerTexts::PlannerTexts() {
    texts_ = {
        {"Today", QStringLiteral("Oggi")},
        {"PreviousDay", QStringLiteral("◀")},
        {"NextDay", QStringLiteral("▶")},
        {"Tasks", QStringLiteral("Attività da svolgere")},
        {"NewTask", QStringLiteral("Nuova")},
        {"EditTask", QStringLiteral("Modifica")},
        {"DeleteTask", QStringLiteral("Elimina")},
        {"ColumnDone", QStringLiteral("Fatto")},
        {"ColumnPriority", QStringLiteral("Priorità")},
        {"ColumnTask", QStringLiteral("Descrizione")},
        {"ColumnDue", QStringLiteral("Scadenza")},
        {"ColumnProject", QStringLiteral("Progetto")},
        {"NewAppointment", QStringLiteral("Nuovo appuntamento")},
        {"OpenAppointment", QStringLiteral("Apri")},
        {"ChooseContact", QStringLiteral("Contatto...")},
        {"ContactCaption", QStringLiteral("Contatto dell'appuntamento")},
        {"DeleteAppointment", QStringLiteral("Elimina")},
        {"Reminder", QStringLiteral("Promemoria")},
        {"NoReminder", QStringLiteral("Nessun promemoria")},
        {"ReminderAtStart", QStringLiteral("All'inizio")},
        {"ReminderMinutes", QStringLiteral("%1 minuti prima")},
        {"ReminderHours", QStringLiteral("%1 ore prima")},
        {"ReminderDays", QStringLiteral("%1 giorni prima")},
        {"ReminderAtDue", QStringLiteral("Alla scadenza")},
        {"ReminderInAnHour", QStringLiteral("Tra un'ora")},
        {"ReminderTomorrow", QStringLiteral("Domani all'inizio della giornata")},
        {"AskDeleteAppointment", QStringLiteral("Eliminare l'appuntamento selezionato?")},
        {"AskDeleteTask", QStringLiteral("Eliminare l'attività selezionata?")},
        {"AppointmentCaption", QStringLiteral("Appuntamento")},
        {"TaskCaption", QStringLiteral("Attività")},
        {"Start", QStringLiteral("Inizio")},
        {"End", QStringLiteral("Fine")},
        {"Description", QStringLiteral("Descrizione")},
        {"Place", QStringLiteral("Luogo")},
        {"Category", QStringLiteral("Categoria")},
        {"Contact", QStringLiteral("Contatto (ID)")},
        {"RemindMe", QStringLiteral("Promemoria (minuti prima)")},
        {"ShortDesc", QStringLiteral("Descrizione")},
        {"LongDesc", QStringLiteral("Note")},
        {"Due", QStringLiteral("Scadenza")},
        {"Now", QStringLiteral("Adesso")},
        {"Priority", QStringLiteral("Priorità")},
        {"Project", QStringLiteral("Progetto")},
        {"Done", QStringLiteral("Completata")},
        {"TaskReminder", QStringLiteral("Promemoria")},
        {"OK", QStringLiteral("OK")},
        {"Cancel", QStringLiteral("Annulla")},
        {"NeedDescription", QStringLiteral("Indicare la descrizione")},
        {"AlarmCaption", QStringLiteral("Promemoria")},
        {"AlarmWhen", QStringLiteral("Quando")},
        {"AlarmWhat", QStringLiteral("Promemoria")},
        {"Dismiss", QStringLiteral("Chiudi promemoria")},
        {"Snooze", QStringLiteral("Posponi di")},
        {"SnoozeMinutes", QStringLiteral("%1 minuti")},
    };
}

bool PlannerTexts::Load(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';')) continue;
        const int eq = line.indexOf('=');
        if (eq <= 0) continue;
        texts_.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return true;
}

// ---------------------------------------------------------------- the planner

Planner::SoundPlayer Planner::SetSoundPlayer(SoundPlayer player) {
    SoundPlayer previous = PlayerSlot();
    PlayerSlot() = std::move(player);
    return previous;
}

Planner::Planner(QWidget* parent) : QWidget(parent), day_(Now().date()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    prevDay_ = new QPushButton(this);
    today_ = new QPushButton(this);
    nextDay_ = new QPushButton(this);
    dayLabel_ = new QLabel(this);
    QFont bold = dayLabel_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    dayLabel_->setFont(bold);
    for (QPushButton* b : {prevDay_, nextDay_}) b->setFixedWidth(32);
    bar->addWidget(prevDay_);
    bar->addWidget(today_);
    bar->addWidget(nextDay_);
    bar->addSpacing(8);
    bar->addWidget(dayLabel_, 1);
    layout->addLayout(bar);

    auto* split = new QSplitter(Qt::Horizontal, this);
    auto* scroll = new QScrollArea(split);
    dayScroll_ = scroll;
    dayView_ = new PlannerDayView(this);
    scroll->setWidget(dayView_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::StyledPanel);
    scroll->viewport()->installEventFilter(this);
    window()->installEventFilter(this);
    auto* side = new QWidget(split);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 0, 0, 0);
    calendar_ = new QCalendarWidget(side);
    calendar_->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    calendar_->setGridVisible(false);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    tasksLabel_ = new QLabel(side);
    tasksLabel_->setFont(bold);
    taskList_ = new QTreeWidget(side);
    taskList_->setRootIsDecorated(false);
    taskList_->setColumnCount(5);
    taskList_->setAllColumnsShowFocus(true);
    taskList_->setContextMenuPolicy(Qt::CustomContextMenu);
    taskList_->header()->setStretchLastSection(false);
    for (int c : {0, 2, 3, 4}) taskList_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    taskList_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    auto* taskButtons = new QHBoxLayout;
    newTask_ = new QPushButton(side);
    editTask_ = new QPushButton(side);
    deleteTask_ = new QPushButton(side);
    for (QPushButton* b : {newTask_, editTask_, deleteTask_}) taskButtons->addWidget(b);
    sideLayout->addWidget(calendar_);
    sideLayout->addWidget(tasksLabel_);
    sideLayout->addWidget(taskList_, 1);
    sideLayout->addLayout(taskButtons);
    split->addWidget(scroll);
    split->addWidget(side);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({540, 460});
    layout->addWidget(split, 1);

    // Another day keeps the hours in sight; "today" goes to the time it is.
    connect(prevDay_, &QPushButton::clicked, this, [this] { ShowDate(day_.addDays(-1)); });
    connect(nextDay_, &QPushButton::clicked, this, [this] { ShowDate(day_.addDays(1)); });
    connect(today_, &QPushButton::clicked, this, [this] { SetCurrentDate(Now()); });
    connect(calendar_, &QCalendarWidget::clicked, this, [this](const QDate& d) { ShowDate(d); });
    connect(newTask_, &QPushButton::clicked, this, [this] { NewTask(); });
    connect(editTask_, &QPushButton::clicked, this, [this] {
        if (TaskPtr t = SelectedTask()) OpenTask(t);
    });
    connect(deleteTask_, &QPushButton::clicked, this, [this] {
        if (TaskPtr t = SelectedTask()) DeleteTask(t);
    });
    connect(taskList_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (TaskPtr t = SelectedTask()) OpenTask(t);
    });
    connect(taskList_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row, int column) {
        if (fillingTasks_ || column != 0) return;
        const int index = taskList_->indexOfTopLevelItem(row);
        TaskPtr t = data_.Tasks().Item(index + 1);
        const bool done = row->checkState(0) == Qt::Checked;
        // The row must outlive its own signal: the list is rebuilt afterwards.
        inTaskRowSignal_ = true;
        if (t && t->Done != done) SetTaskDone(t, done);
        inTaskRowSignal_ = false;
    });
    connect(taskList_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QTreeWidgetItem* row = taskList_->itemAt(pos);
        if (!row) return;
        taskList_->setCurrentItem(row);
        if (TaskPtr t = SelectedTask()) TaskMenu(t, taskList_->viewport()->mapToGlobal(pos));
    });

    alarmTimer_ = new QTimer(this);
    alarmTimer_->setInterval(1000);
    connect(alarmTimer_, &QTimer::timeout, this, [this] { CheckAlarms(); });
    alarmTimer_->start();

    SetLanguageFile(QString());
    Refresh(0);
}

Planner::~Planner() { delete alarmWindow_; }

void Planner::SetLanguageFile(const QString& path) {
    languageFile_ = path;
    texts_ = PlannerTexts();
    if (!path.isEmpty()) texts_.Load(path);
    prevDay_->setText(texts_("PreviousDay"));
    nextDay_->setText(texts_("NextDay"));
    today_->setText(texts_("Today"));
    tasksLabel_->setText(texts_("Tasks"));
    newTask_->setText(texts_("NewTask"));
    editTask_->setText(texts_("EditTask"));
    deleteTask_->setText(texts_("DeleteTask"));
    taskList_->setHeaderLabels({texts_("ColumnDone"), texts_("ColumnTask"), texts_("ColumnDue"),
                                texts_("ColumnPriority"), texts_("ColumnProject")});
}

void Planner::SetAlarmEnabled(bool on) {
    alarmEnabled_ = on;
    if (on) alarmTimer_->start();
    else alarmTimer_->stop();
}

void Planner::SetCurrentDate(const QDateTime& day) {
    if (!day.isValid()) return;
    ShowDate(day.date());
    scrollTo_ = day.time();
    // Asked for now: the time it is once the day is in sight, however long
    // the window waits hidden or minimised before that.
    followClock_ = qAbs(day.secsTo(Now())) < 60;
    ScrollToTime();
}

void Planner::ShowDate(const QDate& date) {
    day_ = date;
    ShowDay();
}

void Planner::ScrollToTime() {
    if (!scrollTo_.isValid()) return;
    const bool inSight = dayScroll_->viewport()->isVisible() && !window()->isMinimized();
    const QDateTime now = Now();
    const QTime time = followClock_ && now.date() == day_ ? now.time() : scrollTo_;
    // The time's row at the top, with the slot before it above for context.
    const PlannerLayout::Day& day = dayView_->Layout();
    const int row = int(day.viewStart.secsTo(time) / 60 / std::max(1, day.slotMinutes));
    dayScroll_->verticalScrollBar()->setValue(std::max(0, row - 1) * dayView_->SlotHeight());
    // Until the view is on screen its height is not final: it is placed again then.
    if (inSight) scrollTo_ = QTime();
}

bool Planner::eventFilter(QObject* watched, QEvent* event) {
    const bool view = watched == dayScroll_->viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Show);
    const bool shown = watched == window() && (event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange);
    if ((view || shown) && scrollTo_.isValid()) QTimer::singleShot(0, this, [this] { ScrollToTime(); });
    return QWidget::eventFilter(watched, event);
}

void Planner::SetSlotMinutes(int minutes) {
    if (minutes > 0 && minutes <= 1440) slotMinutes_ = minutes;
}

void Planner::SetDayStart(const QString& text) {
    const QTime t = PlannerLayout::ParseTime(text);
    if (t.isValid()) dayStart_ = t;
}

void Planner::SetDayEnd(const QString& text) {
    const QTime t = PlannerLayout::ParseTime(text);
    if (t.isValid()) dayEnd_ = t;
}

QString Planner::DayStart() const { return TimeText(dayStart_); }
QString Planner::DayEnd() const { return TimeText(dayEnd_); }

void Planner::Refresh(int) {
    ShowDay();
    FillTasks();
}

void Planner::ShowDay() {
    dayView_->SetLayout(PlannerLayout::LayoutDay(day_, data_.Appointments().All(), dayStart_, dayEnd_, slotMinutes_));
    QString caption = FormatDate(QDateTime(day_, QTime(0, 0)), QStringLiteral("dddd d mmmm yyyy"));
    if (!caption.isEmpty()) caption[0] = caption[0].toUpper();
    dayLabel_->setText(caption);
    const QSignalBlocker block(calendar_);
    calendar_->setSelectedDate(day_);
}

void Planner::FillTasks() {
    if (inTaskRowSignal_) {
        QTimer::singleShot(0, this, [this] { FillTasks(); });
        return;
    }
    fillingTasks_ = true;
    const TaskPtr selected = SelectedTask();
    taskList_->clear();
    const QDateTime now = Now();
    for (const TaskPtr& t : data_.Tasks().All()) {
        auto* row = new QTreeWidgetItem(taskList_);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, t->Done ? Qt::Checked : Qt::Unchecked);
        row->setText(1, t->ShortDesc);
        row->setText(2, t->Due.isValid() ? Format(t->Due, QStringLiteral("dd/mm/yy hh.nn")) : QString());
        row->setText(3, QString::number(t->Priority));
        row->setText(4, t->Project);
        row->setToolTip(1, t->LongDesc);
        QFont f = row->font(1);
        if (t->Done) {
            f.setStrikeOut(true);
            for (int c = 1; c < 5; ++c) row->setForeground(c, QColor(0x80, 0x80, 0x80));
        } else if (t->Due.isValid() && t->Due < now) {
            for (int c = 1; c < 5; ++c) row->setForeground(c, QColor(0xb0, 0x10, 0x10));
        }
        if (t->Reminder.isValid() && !t->Done) f.setBold(true);
        row->setFont(1, f);
        if (t == selected) taskList_->setCurrentItem(row);
    }
    fillingTasks_ = false;
}

AppointmentPtr Planner::SelectedAppointment() const { return dayView_->Selected(); }

TaskPtr Planner::SelectedTask() const {
    QTreeWidgetItem* row = taskList_->currentItem();
    if (!row) return nullptr;
    return data_.Tasks().All().value(taskList_->indexOfTopLevelItem(row));
}

// ---------------------------------------------------------------- appointments

void Planner::NewAppointmentAt(const QDateTime& start) {
    auto item = std::make_shared<PlannerAppointment>();
    item->Start = start;
    item->End = start.addSecs(qint64(slotMinutes_) * 60);
    bool handled = false, cancel = false;
    emit NewAppointment(item, handled, cancel);
    if (cancel) return;
    if (!handled && !EditAppointmentInEditor(item)) return;
    if (item->ItemId == 0) item->ItemId = data_.Appointments().NewItemId();
    data_.Appointments().Append(item);
    ShowDay();
    dayView_->Select(item);
}

void Planner::OpenAppointment(const AppointmentPtr& item) {
    if (!item) return;
    bool handled = false, cancel = false;
    emit EditAppointment(item, handled, cancel);
    if (!cancel && !handled) EditAppointmentInEditor(item);
    ShowDay();
}

void Planner::DeleteAppointment(const AppointmentPtr& item, bool ask) {
    if (!item) return;
    if (ask && MsgBox(texts_("AskDeleteAppointment"), vbYesNo + vbQuestion + vbDefaultButton2) != vbYes) return;
    data_.Appointments().Remove(item);
    ShowDay();
    emit AppointmentDeleted(item);
}

void Planner::SetAppointmentReminder(const AppointmentPtr& item, const QDateTime& reminder) {
    if (!item) return;
    item->Reminder = reminder;
    dayView_->update();
    emit AlarmChanged(item);
}

bool Planner::EditAppointmentInEditor(const AppointmentPtr& item) {
    QPointer<PlannerAppointmentEditor> editor = new PlannerAppointmentEditor(this, item);
    editor->Show(vbModal);
    if (!editor) return false;
    const bool accepted = editor->Accepted();
    editor->Unload();
    return accepted;
}

bool Planner::EditContact(const AppointmentPtr& item) {
    if (!item) return false;
    QPointer<PlannerContactEditor> editor = new PlannerContactEditor(this, item);
    editor->Show(vbModal);
    if (!editor) return false;
    const bool accepted = editor->Accepted();
    editor->Unload();
    if (!accepted) return false;
    // A refill meanwhile made a new item of the same row: that is the one shown.
    const AppointmentPtr current = data_.Appointments().Find(item->Key);
    if (current && current != item) {
        current->ContactNumber = item->ContactNumber;
        current->ContactName = item->ContactName;
    }
    dayView_->update();
    return true;
}

void Planner::AppointmentMenu(const AppointmentPtr& item, const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(texts_("OpenAppointment"), this, [this, item] { OpenAppointment(item); });
    menu.addAction(texts_("ChooseContact"), this, [this, item] { EditContact(item); });
    QMenu* reminder = menu.addMenu(texts_("Reminder"));
    reminder->addAction(texts_("NoReminder"), this, [this, item] { SetAppointmentReminder(item, QDateTime()); });
    for (int lead : kReminderLeads)
        reminder->addAction(LeadText(texts_, lead), this,
                            [this, item, lead] { SetAppointmentReminder(item, item->Start.addSecs(-60LL * lead)); });
    menu.addSeparator();
    menu.addAction(texts_("DeleteAppointment"), this, [this, item] { DeleteAppointment(item); });
    menu.exec(globalPos);
}

// ---------------------------------------------------------------- tasks

void Planner::NewTask() {
    auto item = std::make_shared<PlannerTask>();
    if (!EditTaskInEditor(item)) return;
    item->ItemId = data_.Tasks().NewItemId();
    data_.Tasks().Append(item);
    emit TaskAdded(item);
    FillTasks();
}

bool Planner::CommitTaskChange(const TaskPtr& item) {
    bool cancel = false;
    emit TaskChanged(item, cancel);
    return !cancel;
}

void Planner::OpenTask(const TaskPtr& item) {
    if (!item) return;
    // The host stores the change while the editor is still open, so that a
    // change it keeps out leaves the user's edits in sight.
    if (!EditTaskInEditor(item, [this, item] { return CommitTaskChange(item); })) return;
    FillTasks();
}

void Planner::SetTaskDone(const TaskPtr& item, bool done) {
    if (!item) return;
    const PlannerTask before = *item;
    item->Done = done;
    item->DateDone = done ? Now() : QDateTime();
    if (!CommitTaskChange(item)) *item = before;
    FillTasks();
}

void Planner::DeleteTask(const TaskPtr& item, bool ask) {
    if (!item) return;
    if (ask && MsgBox(texts_("AskDeleteTask"), vbYesNo + vbQuestion + vbDefaultButton2) != vbYes) return;
    data_.Tasks().Remove(item);
    emit TaskDeleted(item);
    FillTasks();
}

void Planner::SetTaskReminder(const TaskPtr& item, const QDateTime& reminder) {
    if (!item) return;
    item->Reminder = reminder;
    emit TaskAlarmChanged(item);
    FillTasks();
}

bool Planner::EditTaskInEditor(const TaskPtr& item, std::function<bool()> commit) {
    QPointer<PlannerTaskEditor> editor = new PlannerTaskEditor(this, item, std::move(commit));
    if (taskEditorSetUp_) taskEditorSetUp_(*editor);
    const TaskPtr outer = std::exchange(taskInEditor_, item);
    editor->Show(vbModal);
    taskInEditor_ = outer;
    if (!editor) return false;
    const bool accepted = editor->Accepted();
    editor->Unload();
    return accepted;
}

void Planner::TaskMenu(const TaskPtr& item, const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(texts_("EditTask"), this, [this, item] { OpenTask(item); });
    QMenu* reminder = menu.addMenu(texts_("Reminder"));
    reminder->addAction(texts_("NoReminder"), this, [this, item] { SetTaskReminder(item, QDateTime()); });
    if (item->Due.isValid())
        reminder->addAction(texts_("ReminderAtDue"), this, [this, item] { SetTaskReminder(item, item->Due); });
    reminder->addAction(texts_("ReminderInAnHour"), this, [this, item] { SetTaskReminder(item, Now().addSecs(3600)); });
    reminder->addAction(texts_("ReminderTomorrow"), this,
                        [this, item] { SetTaskReminder(item, QDateTime(Now().date().addDays(1), dayStart_)); });
    menu.addSeparator();
    menu.addAction(texts_("DeleteTask"), this, [this, item] { DeleteTask(item); });
    menu.exec(globalPos);
}

// ---------------------------------------------------------------- alarms

namespace {
QString RingKey(const char* kind, const QString& key, const void* item, const QDateTime& reminder) {
    // A refill makes new items of the same rows: the key, not the object,
    // tells whether this reminder has rung already.
    const QString who = key.isEmpty() ? QString::number(quintptr(item), 16) : key;
    return QString::fromLatin1(kind) + '|' + who + '|' + reminder.toString(Qt::ISODate);
}
}  // namespace

int Planner::CheckAlarms() {
    if (!alarmEnabled_) return 0;
    const QDateTime now = Now();
    QList<AppointmentPtr> appointments;
    QList<TaskPtr> tasks;
    for (const AppointmentPtr& a : data_.Appointments().All()) {
        if (!a->Reminder.isValid() || a->Reminder > now) continue;
        const QString k = RingKey("A", a->Key, a.get(), a->Reminder);
        if (rung_.contains(k)) continue;
        rung_.insert(k);
        appointments.append(a);
    }
    for (const TaskPtr& t : data_.Tasks().All()) {
        if (t->Done || !t->Reminder.isValid() || t->Reminder > now) continue;
        const QString k = RingKey("T", t->Key, t.get(), t->Reminder);
        if (rung_.contains(k)) continue;
        rung_.insert(k);
        tasks.append(t);
    }
    const int count = int(appointments.size() + tasks.size());
    if (count) Ring(appointments, tasks);
    return count;
}

void Planner::Ring(const QList<AppointmentPtr>& appointments, const QList<TaskPtr>& tasks) {
    if (!alarmSound_.isEmpty() && QFile::exists(alarmSound_)) {
        if (PlayerSlot()) PlayerSlot()(alarmSound_);
    } else {
        Beep();
    }
    if (!alarmWindow_) alarmWindow_ = new PlannerAlarmWindow(this);
    for (const auto& a : appointments) alarmWindow_->Add(a);
    for (const auto& t : tasks) alarmWindow_->Add(t);
    alarmWindow_->show();
    alarmWindow_->raise();
}

void Planner::DismissAppointment(const AppointmentPtr& item, const QDateTime& newReminder) {
    // After a refill the row lives in a new item: act on that one.
    AppointmentPtr current = data_.Appointments().Find(item->Key);
    if (!current) current = data_.Appointments().All().contains(item) ? item : nullptr;
    item->Reminder = newReminder;
    SetAppointmentReminder(current ? current : item, newReminder);
}

void Planner::DismissTask(const TaskPtr& item, const QDateTime& newReminder) {
    TaskPtr current = data_.Tasks().Find(item->Key);
    if (!current) current = data_.Tasks().All().contains(item) ? item : nullptr;
    item->Reminder = newReminder;
    SetTaskReminder(current ? current : item, newReminder);
}

// ---------------------------------------------------------------- day view

PlannerDayView::PlannerDayView(Planner* planner) : QWidget(planner), planner_(planner) {
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void PlannerDayView::SetLayout(PlannerLayout::Day layout) {
    layout_ = std::move(layout);
    if (selectedRow_ >= layout_.slotCount) selectedRow_ = -1;
    setMinimumHeight(layout_.slotCount * SlotHeight() + 1);
    updateGeometry();
    update();
}

int PlannerDayView::SlotHeight() const { return std::max(20, fontMetrics().height() + 6); }

int PlannerDayView::GutterWidth() const { return fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + 16; }

QSize PlannerDayView::sizeHint() const { return QSize(420, layout_.slotCount * SlotHeight() + 1); }

QRect PlannerDayView::ItemRect(const PlannerLayout::Placement& p) const {
    const int sh = SlotHeight();
    const int left = GutterWidth() + 2;
    const int avail = std::max(10, width() - left - 4);
    const int x0 = left + avail * p.column / p.columns;
    const int x1 = left + avail * (p.column + 1) / p.columns;
    return QRect(x0, p.firstSlot * sh + 1, std::max(4, x1 - x0 - 3), std::max(4, (p.lastSlot - p.firstSlot) * sh - 2));
}

QDateTime PlannerDayView::TimeAt(const QPoint& pos) const {
    const int row = std::clamp(pos.y() / SlotHeight(), 0, std::max(0, layout_.slotCount - 1));
    return QDateTime(layout_.date, layout_.SlotTime(row));
}

AppointmentPtr PlannerDayView::ItemAt(const QPoint& pos) const {
    // The one drawn last is on top.
    for (auto p = layout_.placements.crbegin(); p != layout_.placements.crend(); ++p)
        if (ItemRect(*p).contains(pos)) return p->item;
    return nullptr;
}

void PlannerDayView::Select(const AppointmentPtr& item) {
    selected_ = item;
    if (item) selectedRow_ = -1;
    update();
}

void PlannerDayView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int sh = SlotHeight();
    const int gutter = GutterWidth();
    const QTime workFrom = PlannerLayout::ParseTime(planner_->DayStart());
    const QTime workTo = PlannerLayout::ParseTime(planner_->DayEnd());
    QFont normal = font();
    QFont bold = font();
    bold.setBold(true);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);

    for (int row = 0; row < layout_.slotCount; ++row) {
        const QTime t = layout_.SlotTime(row);
        const QRect band(gutter, row * sh, width() - gutter, sh);
        const bool working = t >= workFrom && t < workTo;
        p.fillRect(band, row == selectedRow_ ? QColor(0xcc, 0xe0, 0xff) : working ? QColor(0xff, 0xff, 0xff)
                                                                               : QColor(0xf1, 0xf1, 0xf1));
        const bool hour = t.minute() == 0;
        p.setPen(hour ? QColor(0xb8, 0xb8, 0xb8) : QColor(0xe2, 0xe2, 0xe2));
        p.drawLine(hour ? 0 : gutter - 6, row * sh, width(), row * sh);
        p.setPen(hour ? QColor(0x30, 0x30, 0x30) : QColor(0x90, 0x90, 0x90));
        p.setFont(hour ? bold : small);
        p.drawText(QRect(2, row * sh, gutter - 8, sh), Qt::AlignRight | Qt::AlignVCenter, TimeText(t));
    }
    p.setPen(QColor(0xb8, 0xb8, 0xb8));
    p.drawLine(gutter - 1, 0, gutter - 1, layout_.slotCount * sh);

    const AppointmentPtr selected = selected_.lock();
    for (const auto& placement : layout_.placements) {
        const QRect r = ItemRect(placement);
        const auto& a = *placement.item;
        const QColor fill = CategoryColour(a.Category);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(r, 3, 3);
        p.setBrush(fill.darker(150));
        p.drawRect(QRect(r.left(), r.top(), 4, r.height()));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(placement.item == selected ? QColor(0x10, 0x40, 0xa0) : fill.darker(130),
                      placement.item == selected ? 2 : 1));
        p.drawRoundedRect(r, 3, 3);

        const QRect text = r.adjusted(8, 2, a.Reminder.isValid() ? -18 : -3, -2);
        p.save();
        p.setClipRect(r);
        p.setPen(QColor(0x20, 0x20, 0x20));
        QString when = TimeText(a.Start.time());
        if (a.End.isValid() && a.End > a.Start) when += QStringLiteral("–") + TimeText(a.End.time());
        p.setFont(bold);
        const QString first = when + QStringLiteral("  ") + a.Description;
        p.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   QFontMetrics(bold).elidedText(first, Qt::ElideRight, text.width()));
        p.setFont(normal);
        QStringList more;
        if (!a.ContactName.trimmed().isEmpty()) more << a.ContactName.trimmed();
        if (!a.Place.trimmed().isEmpty()) more << a.Place.trimmed();
        if (!a.Category.trimmed().isEmpty()) more << a.Category.trimmed();
        const int lineHeight = fontMetrics().height();
        int y = text.top() + lineHeight;
        for (const QString& line : more) {
            if (y + lineHeight > text.bottom() + 2 && y > text.top() + lineHeight) {
                // One line only: the rest goes after the first.
                break;
            }
            p.drawText(QRect(text.left(), y, text.width(), lineHeight), Qt::AlignLeft | Qt::TextSingleLine,
                       fontMetrics().elidedText(line, Qt::ElideRight, text.width()));
            y += lineHeight;
        }
        if (a.Reminder.isValid()) {
            // A small bell: the reminder is set.
            const QPointF c(r.right() - 9, r.top() + 9);
            QPainterPath bell;
            bell.moveTo(c.x() - 5, c.y() + 3);
            bell.quadTo(c.x() - 4, c.y() - 6, c.x(), c.y() - 6);
            bell.quadTo(c.x() + 4, c.y() - 6, c.x() + 5, c.y() + 3);
            bell.closeSubpath();
            p.setPen(QPen(QColor(0x60, 0x48, 0x00), 1));
            p.setBrush(QColor(0xf0, 0xc0, 0x30));
            p.drawPath(bell);
            p.drawEllipse(QPointF(c.x(), c.y() + 4.5), 1.5, 1.5);
        }
        p.restore();
    }

    // Where now is, on today's page.
    const QDateTime now = Now();
    if (now.date() == layout_.date && layout_.slotCount > 0) {
        const double minutes = layout_.viewStart.secsTo(now.time()) / 60.0;
        const double y = minutes / layout_.slotMinutes * sh;
        if (y >= 0 && y <= layout_.slotCount * sh) {
            p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 2));
            p.drawLine(QPointF(gutter - 4, y), QPointF(width(), y));
        }
    }
}

void PlannerDayView::mousePressEvent(QMouseEvent* e) {
    setFocus();
    const AppointmentPtr item = ItemAt(e->pos());
    selected_ = item;
    selectedRow_ = item ? -1 : std::clamp(e->pos().y() / SlotHeight(), 0, layout_.slotCount - 1);
    update();
}

void PlannerDayView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (AppointmentPtr item = ItemAt(e->pos())) planner_->OpenAppointment(item);
    else planner_->NewAppointmentAt(TimeAt(e->pos()));
}

void PlannerDayView::contextMenuEvent(QContextMenuEvent* e) {
    if (AppointmentPtr item = ItemAt(e->pos())) {
        Select(item);
        planner_->AppointmentMenu(item, e->globalPos());
        return;
    }
    const QDateTime at = TimeAt(e->pos());
    QMenu menu(this);
    menu.addAction(planner_->Texts()("NewAppointment"), this, [this, at] { planner_->NewAppointmentAt(at); });
    menu.exec(e->globalPos());
}

void PlannerDayView::keyPressEvent(QKeyEvent* e) {
    const AppointmentPtr item = Selected();
    if (item && e->key() == Qt::Key_Delete) planner_->DeleteAppointment(item);
    else if (item && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) planner_->OpenAppointment(item);
    else if (!item && selectedRow_ >= 0 && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter))
        planner_->NewAppointmentAt(QDateTime(layout_.date, layout_.SlotTime(selectedRow_)));
    else QWidget::keyPressEvent(e);
}

bool PlannerDayView::event(QEvent* e) {
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    auto* help = static_cast<QHelpEvent*>(e);
    const AppointmentPtr item = ItemAt(help->pos());
    if (!item) {
        QToolTip::hideText();
        e->ignore();
        return true;
    }
    // What the block may have cut.
    QStringList lines{TimeText(item->Start.time()) + QStringLiteral("–") + TimeText(item->End.time()) + QStringLiteral("  ") +
                      item->Description};
    for (const QString& s : {item->ContactName, item->Place, item->Category})
        if (!s.trimmed().isEmpty()) lines << s.trimmed();
    if (item->Reminder.isValid())
        lines << planner_->Texts()("Reminder") + QStringLiteral(": ") + Format(item->Reminder, QStringLiteral("dd/mm/yyyy hh.nn"));
    QToolTip::showText(help->globalPos(), lines.join('\n'), this);
    return true;
}

// ---------------------------------------------------------------- alarm window

PlannerAlarmWindow::PlannerAlarmWindow(Planner* planner) : QWidget(nullptr, Qt::Window), planner_(planner) {
    const PlannerTexts& t = planner->Texts();
    setWindowTitle(t("AlarmCaption"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({t("AlarmWhen"), t("AlarmWhat")});
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    dismiss_ = new QPushButton(t("Dismiss"), this);
    snooze_ = new QPushButton(t("Snooze"), this);
    snoozeMinutes_ = new QComboBox(this);
    for (int m : {5, 10, 15, 30, 60}) snoozeMinutes_->addItem(t("SnoozeMinutes").arg(m), m);
    buttons->addWidget(dismiss_);
    buttons->addStretch(1);
    buttons->addWidget(snooze_);
    buttons->addWidget(snoozeMinutes_);
    layout->addLayout(buttons);
    connect(dismiss_, &QPushButton::clicked, this, [this] { Dismiss(); });
    connect(snooze_, &QPushButton::clicked, this, [this] { Snooze(snoozeMinutes_->currentData().toInt()); });
    resize(460, 220);
}

void PlannerAlarmWindow::Add(const AppointmentPtr& item) {
    entries_.append({item, nullptr});
    auto* row = new QTreeWidgetItem(list_);
    row->setText(0, Format(item->Start, QStringLiteral("dd/mm/yyyy hh.nn")));
    QString what = item->Description;
    if (!item->ContactName.trimmed().isEmpty()) what += QStringLiteral(" — ") + item->ContactName.trimmed();
    row->setText(1, what);
    list_->resizeColumnToContents(0);
}

void PlannerAlarmWindow::Add(const TaskPtr& item) {
    entries_.append({nullptr, item});
    auto* row = new QTreeWidgetItem(list_);
    row->setText(0, item->Due.isValid() ? Format(item->Due, QStringLiteral("dd/mm/yyyy hh.nn")) : QString());
    row->setText(1, item->ShortDesc);
    list_->resizeColumnToContents(0);
}

int PlannerAlarmWindow::Count() const { return int(entries_.size()); }

QList<int> PlannerAlarmWindow::ChosenRows() const {
    QList<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected()) rows.append(i);
    if (rows.isEmpty())
        for (int i = 0; i < entries_.size(); ++i) rows.append(i);
    return rows;
}

void PlannerAlarmWindow::RemoveRows(const QList<int>& rows) {
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        entries_.removeAt(*it);
        delete list_->takeTopLevelItem(*it);
    }
    if (entries_.isEmpty()) hide();
}

void PlannerAlarmWindow::Dismiss() {
    const QList<int> rows = ChosenRows();
    const QList<Entry> chosen = [&] {
        QList<Entry> e;
        for (int r : rows) e.append(entries_[r]);
        return e;
    }();
    RemoveRows(rows);
    for (const Entry& e : chosen) {
        if (e.appointment) planner_->DismissAppointment(e.appointment, QDateTime());
        else planner_->DismissTask(e.task, QDateTime());
    }
}

void PlannerAlarmWindow::Snooze(int minutes) {
    const QList<int> rows = ChosenRows();
    QList<Entry> chosen;
    for (int r : rows) chosen.append(entries_[r]);
    RemoveRows(rows);
    const QDateTime again = Now().addSecs(qint64(minutes) * 60);
    for (const Entry& e : chosen) {
        if (e.appointment) planner_->DismissAppointment(e.appointment, again);
        else planner_->DismissTask(e.task, again);
    }
}

}  // namespace Platform
