#include "frmAgenda.h"

#include "ADODB.h"
#include "Attivita.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "Locks.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "OutlookImpEx.h"
#include "PlannerEditors.h"
#include "PlannerSettings.h"
#include "ProcGuard.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"
#include "frmContatto.h"
#include "frmLocked.h"
#include "modAdoCommon.h"

#include "ComboBox.h"
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

using namespace Platform;

namespace {

const QString kNotWritten = QStringLiteral("Modifica non registrata");
const QString kNoRecord = QStringLiteral("ID inesistente");

QString Setting(const char* key, const char* defaultValue) {
    return GetSetting(App::EXEName(), QStringLiteral("Agenda"), QString::fromLatin1(key), QString::fromLatin1(defaultValue));
}

// A check box's value as the window reads it: 1 ticked, 2 grey, 0 clear.
int Value(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void SetValue(QCheckBox* box, int value) {
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

// A condition joined to a statement's WHERE text.
void Glue(QString& where, const QString& condition) {
    where += where.contains(QLatin1String("WHERE")) ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
    where += condition;
}

// "12/OPERATORE": the row's number and its owner; false without "/".
bool SplitKey(const QString& key, qint32& number, QString& user) {
    const int slash = key.indexOf('/');
    if (slash < 0) return false;
    number = qint32(Val(key.left(slash)));
    user = key.mid(slash + 1);
    return true;
}

// Times are stored to the minute; none is stored as 0.
QVariant StoredTime(const QDateTime& when) {
    if (!when.isValid()) return 0;
    return QDateTime(when.date(), QTime(when.time().hour(), when.time().minute()));
}

}  // namespace

// Marks the agenda busy for the life of a handler; a refill asked for
// meanwhile runs after it, once the planner has finished its own step.
class frmAgenda::BusyGuard {
public:
    explicit BusyGuard(frmAgenda& form) : form_(form) { ++form_.busy_; }
    ~BusyGuard() {
        if (--form_.busy_ == 0 && form_.reloadWanted_) {
            form_.reloadWanted_ = false;
            QTimer::singleShot(0, &form_, [f = &form_] { f->Reload(); });
        }
    }

private:
    frmAgenda& form_;
};

frmAgenda::frmAgenda() {
    setWindowTitle(QStringLiteral("Agenda dei contatti"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    ckPassato = new QCheckBox(QStringLiteral("mostra eventi del passato"), this);
    ckTel = new QCheckBox(QStringLiteral("mostra anche telefonate"), this);
    ckMail = new QCheckBox(QStringLiteral("mostra anche mailing"), this);
    ckAvvisi = new QCheckBox(QStringLiteral("avvisi abilitati"), this);
    Label1 = new QLabel(QStringLiteral("utente"), this);
    cbUtenti = new ComboBox(this);
    Command1 = new QPushButton(QStringLiteral("Command1"), this);
    ckPassato->setObjectName("ckPassato");
    ckTel->setObjectName("ckTel");
    ckMail->setObjectName("ckMail");
    ckAvvisi->setObjectName("ckAvvisi");
    Label1->setObjectName("Label1");
    cbUtenti->setObjectName("cbUtenti");
    Command1->setObjectName("Command1");
    ckTel->setCheckState(Qt::Checked);
    ckAvvisi->setCheckState(Qt::Checked);
    // Mailing activities stay out of the agenda: the user cannot tick it.
    ckMail->setVisible(false);
    cbUtenti->setMinimumContentsLength(12);
    Command1->setFixedSize(TwipsToPixels(255), TwipsToPixels(195));
    Command1->setStyleSheet(QStringLiteral("background-color: #d01010; color: #d01010; border: 1px solid #800000;"));
    for (QWidget* w : std::initializer_list<QWidget*>{ckPassato, ckTel, ckMail, ckAvvisi}) bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(Label1);
    bar->addWidget(cbUtenti);
    bar->addSpacing(12);
    bar->addWidget(Command1, 0, Qt::AlignTop);
    layout->addLayout(bar);
    Planner = new Platform::Planner(this);
    Planner->setObjectName("Planner");
    Planner->SetTaskEditorSetUp([](PlannerTaskEditor& editor) {
        Comuni::LimitToColumn(editor.ShortDesc, "TODO", "SHORTDESC");
        Comuni::LimitToColumn(editor.LongDesc, "TODO", "LONGDESC");
        Comuni::LimitToColumn(editor.Project, "TODO", "PROJECT");
    });
    layout->addWidget(Planner, 1);
    Timer1 = new QTimer(this);
    Timer1->setInterval(10000);

    connect(cbUtenti, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) cbUtenti_Click();
    });
    connect(ckPassato, &QCheckBox::stateChanged, this, &frmAgenda::ckPassato_Click);
    connect(ckMail, &QCheckBox::stateChanged, this, &frmAgenda::ckMail_Click);
    connect(ckTel, &QCheckBox::stateChanged, this, &frmAgenda::ckTel_Click);
    connect(ckAvvisi, &QCheckBox::stateChanged, this, &frmAgenda::ckAvvisi_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAgenda::Command1_Click);
    connect(Timer1, &QTimer::timeout, this, &frmAgenda::Timer1_Timer);
    using P = Platform::Planner;
    connect(Planner, &P::NewAppointment, this, &frmAgenda::Planner_NewAppointment);
    connect(Planner, &P::EditAppointment, this, &frmAgenda::Planner_EditAppointment);
    connect(Planner, &P::AlarmChanged, this, &frmAgenda::Planner_AlarmChanged);
    connect(Planner, &P::AppointmentDeleted, this, &frmAgenda::Planner_AppointmentDeleted);
    connect(Planner, &P::TaskAdded, this, &frmAgenda::Planner_TaskAdded);
    connect(Planner, &P::TaskChanged, this, qOverload<const TaskPtr&, bool&>(&frmAgenda::Planner_TaskChanged));
    connect(Planner, &P::TaskAlarmChanged, this, &frmAgenda::Planner_TaskAlarmChanged);
    connect(Planner, &P::TaskDeleted, this, &frmAgenda::Planner_TaskDeleted);
    connect(Planner, &P::FindContact, this, &frmAgenda::Planner_FindContact);
    connect(Planner, &P::ContactIdEntered, this, &frmAgenda::Planner_ContactIdEntered);
    connect(Planner, &P::RequestNow, this, &frmAgenda::Planner_RequestNow);
    resize(980, 680);
}

frmAgenda::~frmAgenda() = default;

// ---------------------------------------------------------------- window

void frmAgenda::Form_Load() {
    SetWindowState(int(Val(Setting("WindowState", "0"))));
    SetValue(ckAvvisi, int(Val(Setting("AlarmEnabled", "1"))));
    Planner->SetLanguageFile(App::Path() + "/languagefile.txt");
    Planner->SetAlarmSound(App::Path() + "/Alarm.wav");
    Planner->Refresh();

    if (!modAdoCommon::OpenConnection(cn_, Global::gConnString, false, 19)) {
        cn_.reset();
        // The agenda has no exit button: every control goes.
        for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) w->setEnabled(false);
        return;
    }
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM UTENTI ORDER BY UTENTE;"), *cn_, 0, 3)) return;
    {
        const QSignalBlocker quiet(cbUtenti);
        cbUtenti->clear();
        cbUtenti->AddItem(QStringLiteral("- tutti -"));
        while (!rs.EOF_()) {
            cbUtenti->AddItem(Comuni::FieldStr(rs["UTENTE"]));
            rs.MoveNext();
        }
        rs.Close();
        cbUtenti->SetListIndex(-1);
    }

    Planner->SetDayStart(Setting("OraInizio", "08.00"));
    Planner->SetDayEnd(Setting("OraFine", "20.30"));
    Planner->SetSlotMinutes(int(Val(Setting("Intervallo", "15"))));
    Planner->SetCurrentDate(Now());

    // The choice of the list makes the first refill.
    if (Global::HaPermesso(QStringLiteral("agenda di tutti"))) {
        cbUtenti->SetListIndex(0);
    } else {
        int own = -1;
        for (int i = 0; i < cbUtenti->ListCount() && own < 0; ++i)
            if (cbUtenti->itemText(i).compare(Global::gCurrentUser, Qt::CaseInsensitive) == 0) own = i;
        if (own >= 0) {
            cbUtenti->SetListIndex(own);
            cbUtenti->setEnabled(false);
        }
    }
    Global::ApplyFormStyle(this);
    Timer1->start();
}

void frmAgenda::Form_Resize() {
    // The planner follows the window through the layout, never below zero.
    if (WindowState() == vbMinimized) return;
    SaveSetting(App::EXEName(), QStringLiteral("Agenda"), QStringLiteral("WindowState"), QString::number(WindowState()));
}

void frmAgenda::Form_QueryUnload(int& cancel, int unloadMode) {
    // The user's close only hides the agenda: its reminders go on.
    if (unloadMode == vbFormControlMenu) {
        cancel = 1;
        Hide();
    }
}

void frmAgenda::Form_Unload(int&) {
    Timer1->stop();
    if (cn_ && cn_->State() == ADODB::adStateOpen) cn_->Close();
    cn_.reset();
}

// ---------------------------------------------------------------- filling

QString frmAgenda::AppointmentSql(bool showPast, bool showMail, bool showTel, QVariantList& params) const {
    QString where = QStringLiteral("WHERE TIPOCONT<>'R'");
    if (!showPast) Glue(where, "DATA>=#" + Format(Now(), QStringLiteral("mm/dd/yyyy")) + "#");
    if (!showMail) Glue(where, QStringLiteral("TIPOCONT NOT IN ('E','P','F')"));
    if (!showTel) Glue(where, QStringLiteral("TIPOCONT <>'T'"));
    if (cbUtenti->ListIndex() >= 1) {
        Glue(where, QStringLiteral("CONTATTI.UTENTE=?"));
        params << cbUtenti->Text();
    }
    return QStringLiteral(
               "SELECT IDCONT,CONTATTI.UTENTE,DATA,DATAFINE,IDANA,(IIF(ANAGRAFICA.COGNOME IS NULL,'',ANAGRAFICA.COGNOME) & "
               "' ' & IIF(ANAGRAFICA.NOME IS NULL,'',ANAGRAFICA.NOME)) AS RAGSOC,TIPICONTATTO.DESCRIZIONE AS CATEGORIA, "
               "CONTATTI.DESCRIZIONE AS DESCR,LUOGO, DATAAVVISO FROM ANAGRAFICA RIGHT JOIN (CONTATTI LEFT JOIN "
               "TIPICONTATTO ON CONTATTI.TIPOCONT=TIPICONTATTO.CODICE) ON CONTATTI.IDANA=ANAGRAFICA.ID ") +
           where + QStringLiteral(" ORDER BY DATA;");
}

QString frmAgenda::TaskSql(bool showPast, QVariantList& params) const {
    QString where;
    // In parentheses, so that a user condition holds for every task.
    if (!showPast) where = " WHERE (DUETO>=#" + Format(Now(), QStringLiteral("mm/dd/yyyy")) + "# OR DONE=0)";
    if (cbUtenti->ListIndex() >= 1) {
        Glue(where, QStringLiteral("TODO.UTENTE=?"));
        params << cbUtenti->Text();
    }
    return QStringLiteral("SELECT * FROM TODO ") + where + QStringLiteral(" ORDER BY PRIORITY,DUETO;");
}

void frmAgenda::Reload() {
    LoadAgenda(ckPassato->checkState() == Qt::Checked, ckMail->checkState() == Qt::Checked,
               ckTel->checkState() == Qt::Checked);
}

void frmAgenda::LoadAgenda(bool showPast, bool showMail, bool showTel) {
    if (!cn_) return;
    if (Busy()) {
        reloadWanted_ = true;
        return;
    }
    BusyGuard busy(*this);
    const bool wait = isVisible() && WindowState() != vbMinimized;
    if (wait) Comuni::ShowWait();
    struct WaitOff {
        bool on;
        ~WaitOff() {
            if (on) Comuni::HideWait();
        }
    } waitOff{wait};

    ProcGuard::Run(QStringLiteral("Procedura LoadAgenda di Form frmAgenda"), [&] {
        QVariantList params;
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs, AppointmentSql(showPast, showMail, showTel, params), *cn_, 0, 3, false,
                                         params))
            return;
        PlannerData& data = Planner->Data();
        data.ClearAll();
        PlannerAppointments& appointments = data.Appointments();
        while (!rs.EOF_()) {
            const qint32 id = appointments.NewItemId();
            appointments.Add(id, QString(), Comuni::FieldNum(rs["DATA"]), Comuni::FieldNum(rs["DATAFINE"]),
                             QString::number(Comuni::FieldNum(rs["IDANA"]).toLongLong()), Comuni::FieldStr(rs["RAGSOC"]),
                             Comuni::FieldStr(rs["CATEGORIA"]), Comuni::FieldStr(rs["DESCR"]),
                             Comuni::FieldStr(rs["LUOGO"]), Comuni::FieldNum(rs["DATAAVVISO"]),
                             QString::number(Comuni::FieldNum(rs["IDCONT"]).toLongLong()) + "/" +
                                 Comuni::FieldStr(rs["UTENTE"]),
                             qRound(QRandomGenerator::global()->generateDouble() * 10000));
            rs.MoveNext();
        }
        rs.Close();

        params.clear();
        if (!modAdoCommon::OpenRecordset(rs, TaskSql(showPast, params), *cn_, 0, 3, false, params)) {
            Planner->Refresh(0);
            return;
        }
        PlannerTasks& tasks = data.Tasks();
        while (!rs.EOF_()) {
            const qint32 id = tasks.NewItemId();
            const TaskPtr task =
                tasks.Add(id, QString(), Comuni::FieldStr(rs["SHORTDESC"]), Comuni::FieldStr(rs["LONGDESC"]),
                          Comuni::FieldNum(rs["DUETO"]), qint16(Comuni::FieldNum(rs["PRIORITY"]).toInt()),
                          Comuni::FieldStr(rs["PROJECT"]), Comuni::FieldNum(rs["DONE"]).toBool(),
                          Comuni::FieldNum(rs["DATEDONE"]), Comuni::FieldNum(rs["REMINDERDATE"]),
                          QString::number(Comuni::FieldNum(rs["ID"]).toLongLong()) + "/" + Comuni::FieldStr(rs["UTENTE"]));
            // The task as read, for its next change to compare with.
            RowAsRead read;
            read.Take(rs);
            task->HostData = QVariant::fromValue(read);
            rs.MoveNext();
        }
        rs.Close();
        LastLoad = Now();
        Planner->Refresh(0);
    });
}

qint32 frmAgenda::NuovaIDTODO() {
    if (!cn_) return 0;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT MAX(ID) FROM TODO WHERE UTENTE=?"), *cn_, 0, 3, false,
                                     {Global::gCurrentUser}))
        return 0;
    const qint32 next = qint32(Comuni::FieldNum(rs.Fields(0).Value()).toLongLong() + 1);
    rs.Close();
    return next;
}

void frmAgenda::Timer1_Timer() {
    // Held off only inside the agenda's own handlers (their dialogs and lock
    // waits included): other windows, modal or waiting for a lock, never keep
    // other workstations' changes out of the agenda.
    if (Busy()) return;
    if (LastLoad.isValid()) {
        // Minute boundaries crossed, as a calendar counts them.
        const auto minuteOf = [](const QDateTime& t) { return qint64(std::floor(t.toSecsSinceEpoch() / 60.0)); };
        if (minuteOf(Now()) - minuteOf(LastLoad) <= 5) return;
    }
    Reload();
}

// ---------------------------------------------------------------- filters

void frmAgenda::cbUtenti_Click() { Reload(); }
void frmAgenda::ckPassato_Click() { Reload(); }
void frmAgenda::ckMail_Click() { Reload(); }
void frmAgenda::ckTel_Click() { Reload(); }

void frmAgenda::ckAvvisi_Click() {
    Planner->SetAlarmEnabled(Value(ckAvvisi) == 1);
    SaveSetting(App::EXEName(), QStringLiteral("Agenda"), QStringLiteral("AlarmEnabled"), QString::number(Value(ckAvvisi)));
}

void frmAgenda::Command1_Click() {
    BusyGuard busy(*this);
    if (!cn_) return;
    OutlookImpEx outlook;
    const bool done = outlook.SyncOutlookAppointments(*cn_);
    MsgBox(done ? QStringLiteral("Vero") : QStringLiteral("Falso"), vbOKOnly);
}

// ---------------------------------------------------------------- writers

bool frmAgenda::Write(const QString& table, const QString& where,
                      const std::function<QString(QVariantList&)>& statement, const std::function<void()>& written) {
    if (!cn_) return false;
    if (!DefaultInstance<frmLocked>().LockTables(*cn_, table)) {
        MsgBox(kNotWritten, vbOKOnly);
        reloadWanted_ = true;
        return false;
    }
    try {
        QVariantList params;
        const QString sql = statement(params);
        if (sql.isEmpty()) {
            Locks::ReleaseLocks(30);
            return false;
        }
        cn_->Execute(sql, params);
        if (written) written();
    } catch (const std::exception& e) {
        // The lock goes first: the box must not keep other workstations waiting.
        Err().Set(e);
        Locks::ReleaseLocks(30);
        Global::ShowProcError(Err(), "Procedura " + where + " di Form frmAgenda", App::Title());
        Err().Clear();
        reloadWanted_ = true;
        return false;
    }
    Locks::ReleaseLocks(30);
    return true;
}

void frmAgenda::WriteKeyed(const QString& key, const QString& table, const QString& idColumn, const QString& where,
                           const QString& statement, const std::function<QVariantList()>& values,
                           const KeyedStep& unchanged, const KeyedStep& written) {
    BusyGuard busy(*this);
    qint32 number = 0;
    QString user;
    if (!SplitKey(key, number, user)) {
        MsgBox(kNotWritten, vbOKOnly);
        reloadWanted_ = true;
        return;
    }
    Write(
        table, where,
        [&](QVariantList& params) {
            if (unchanged && !unchanged(number, user)) return QString();
            if (values) params = values();
            params << number;
            return statement + " WHERE " + idColumn + "=? AND " +
                   Attivita::OwnerCondition(QStringLiteral("UTENTE"), user, params) + ";";
        },
        [&] {
            if (written) written(number, user);
        });
}

bool frmAgenda::ReadTask(qint32 number, const QString& user, RowAsRead& row) {
    row.Clear();
    QVariantList params{number};
    const QString sql =
        "SELECT * FROM TODO WHERE ID=? AND " + Attivita::OwnerCondition(QStringLiteral("UTENTE"), user, params) + ";";
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, *cn_, 0, 3, false, params)) return false;
    if (!rs.EOF_()) row.Take(rs);
    return true;
}

bool frmAgenda::KeepStoredTask(const TaskPtr& item, qint32 number, const QString& user) {
    RowAsRead stored;
    if (!ReadTask(number, user, stored)) return false;
    item->HostData = QVariant::fromValue(stored);
    return true;
}

void frmAgenda::Planner_AlarmChanged(const AppointmentPtr& item) {
    WriteKeyed(item->Key, QStringLiteral("CONTATTI"), QStringLiteral("IDCONT"), QStringLiteral("Planner_AlarmChanged"),
               QStringLiteral("UPDATE CONTATTI SET DATAAVVISO=?"), [&] { return QVariantList{StoredTime(item->Reminder)}; });
}

void frmAgenda::Planner_AppointmentDeleted(const AppointmentPtr& item) {
    WriteKeyed(item->Key, QStringLiteral("CONTATTI"), QStringLiteral("IDCONT"),
               QStringLiteral("Planner_AppointmentDeleted"), QStringLiteral("DELETE FROM CONTATTI"), {});
}

void frmAgenda::Planner_TaskAdded(const TaskPtr& item) {
    BusyGuard busy(*this);
    qint32 number = 0;
    const QString user = Global::gCurrentUser;
    const bool written = Write(
        QStringLiteral("TODO"), QStringLiteral("Planner_TaskAdded"),
        [&](QVariantList& params) {
            number = NuovaIDTODO();
            if (number <= 0) Err().Raise(5, QStringLiteral("Numero della nuova attività non disponibile"));
            params << number << item->ShortDesc << item->LongDesc << StoredTime(item->Due)
                   << StoredTime(item->DateDone) << int(item->Priority) << item->Project << StoredTime(item->Reminder)
                   << (item->Done ? -1 : 0) << user;
            return QStringLiteral(
                "INSERT INTO TODO (ID,SHORTDESC,LONGDESC,DUETO,DATEDONE,PRIORITY,PROJECT,REMINDERDATE,DONE, "
                "UTENTE) VALUES(?,?,?,?,?,?,?,?,?,?);");
        },
        [&] { KeepStoredTask(item, number, user); });
    // The task is found again by its key from now on.
    if (written) item->Key = QString::number(number) + "/" + user;
}

void frmAgenda::Planner_TaskChanged(const TaskPtr& item) {
    bool cancel = false;
    Planner_TaskChanged(item, cancel);
}

void frmAgenda::Planner_TaskChanged(const TaskPtr& item, bool& cancel) {
    BusyGuard busy(*this);
    // The whole task is written: what another workstation stored since the
    // agenda read it would be lost. TODO keeps no stamp, so its columns tell.
    RowAsRead read = item->HostData.value<RowAsRead>();
    for (;;) {
        RowAsRead meanwhile;
        // The owner of a task never changes.
        WriteKeyed(
            item->Key, QStringLiteral("TODO"), QStringLiteral("ID"), QStringLiteral("Planner_TaskChanged"),
            QStringLiteral("UPDATE TODO SET SHORTDESC=?,LONGDESC=?,DUETO=?,DATEDONE=?,PRIORITY=?,PROJECT=?,"
                           "REMINDERDATE=?,DONE=?"),
            [&] {
                return QVariantList{item->ShortDesc,          item->LongDesc,      StoredTime(item->Due),
                                    StoredTime(item->DateDone), int(item->Priority), item->Project,
                                    StoredTime(item->Reminder), item->Done ? -1 : 0};
            },
            [&](qint32 number, const QString& user) {
                RowAsRead stored;
                if (!ReadTask(number, user, stored)) {
                    reloadWanted_ = true;
                    return false;
                }
                if (stored.IsEmpty() || read.Matches(stored)) return true;
                meanwhile = stored;
                return false;
            },
            [&](qint32 number, const QString& user) { return KeepStoredTask(item, number, user); });
        if (meanwhile.IsEmpty()) return;
        // Asked with the lock released; a Yes takes it again and looks once more.
        if (!read.ConfirmOverwrite(meanwhile, {QStringLiteral("questa attività"), QStringLiteral("era stata letta qui"),
                                               QString()})) {
            cancel = true;
            // A tick given up shows the task as stored, so that the next one
            // asks only when it changes again; an open editor keeps the edits.
            if (Planner->TaskInEditor() != item) reloadWanted_ = true;
            return;
        }
        read = meanwhile;
    }
}

void frmAgenda::Planner_TaskAlarmChanged(const TaskPtr& item) {
    WriteKeyed(
        item->Key, QStringLiteral("TODO"), QStringLiteral("ID"), QStringLiteral("Planner_TaskAlarmChanged"),
        QStringLiteral("UPDATE TODO SET REMINDERDATE=?"), [&] { return QVariantList{StoredTime(item->Reminder)}; }, {},
        [&](qint32 number, const QString& user) { return KeepStoredTask(item, number, user); });
}

void frmAgenda::Planner_TaskDeleted(const TaskPtr& item) {
    WriteKeyed(item->Key, QStringLiteral("TODO"), QStringLiteral("ID"), QStringLiteral("Planner_TaskDeleted"),
               QStringLiteral("DELETE FROM TODO"), {});
}

void frmAgenda::Planner_RequestNow(const TaskPtr& item, int, bool&) { item->Due = Now(); }

// ---------------------------------------------------------------- the card

namespace {

// What the saved card holds, handed back to the planner's item.
void FillFromCard(const frmContatto& card, PlannerAppointment& item) {
    const QDateTime start = card.dpData->dateTime();
    item.ContactNumber = QString::number(qint64(Val(card.txID->text())));
    item.Description = card.txDescrizione->toPlainText();
    item.End = start.addDays(card.txGiorni->value()).addSecs(QTime(0, 0).secsTo(card.dpDurata->time()));
    item.Place = card.txLuogo->text();
    // A reminder only when the card stores one.
    item.Reminder = card.ckAvviso->isChecked() ? start.addSecs(-60 * qint64(Val(card.cbMinuti->Text()))) : QDateTime();
    item.Start = start;
    item.Key = card.lbIdContatto->text() + "/" + card.lbUtente->text();
}

}  // namespace

void frmAgenda::Planner_NewAppointment(const AppointmentPtr& item, bool& handled, bool& cancel) {
    BusyGuard busy(*this);
    handled = true;
    auto& card = DefaultInstance<frmContatto>();
    card.ClearFields();
    card.Tag = QStringLiteral("NEW");
    card.DescrizioneRichiesta = true;
    card.dpData->setDateTime(item->Start);
    card.txGiorni->setValue(0);
    card.dpDurata->setTime(QTime(1, 0));
    // The agenda's presets are not the user's changes.
    card.cmdConferma->setEnabled(false);
    for (;;) {
        card.Show(vbModal);
        // Only a save answers ""; anything else leaves the planner as it was.
        if (card.IsUnloaded() || card.Tag != QString()) {
            cancel = true;
            if (!card.IsUnloaded()) card.Unload();
            return;
        }
        if (!Trim(card.txDescrizione->toPlainText()).isEmpty()) break;
        MsgBox(QStringLiteral("La descrizione dell'evento non può essere vuota"), vbOKOnly);
        card.Tag = QString();
    }
    item->Category = card.cbTipo->Text();
    QString name = card.lbRagSoc->text();
    const int lineEnd = name.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (lineEnd >= 0) name.truncate(lineEnd);
    item->ContactName = name.left(50);
    item->ItemId = Planner->Data().Appointments().NewItemId();
    FillFromCard(card, *item);
    card.Unload();
}

void frmAgenda::Planner_EditAppointment(const AppointmentPtr& item, bool& handled, bool& cancel) {
    BusyGuard busy(*this);
    qint32 number = 0;
    QString user;
    if (!SplitKey(item->Key, number, user)) {
        MsgBox(kNotWritten, vbOKOnly);
        cancel = true;
        return;
    }
    handled = true;
    auto& card = DefaultInstance<frmContatto>();
    card.Tag = QStringLiteral("EDIT");
    card.ReadRecord(number, user);
    if (card.IsUnloaded() || card.Tag != QString()) {
        cancel = true;
        if (!card.IsUnloaded()) card.Unload();
        return;
    }
    FillFromCard(card, *item);
    card.Unload();
}

// ---------------------------------------------------------------- contacts

int frmAgenda::LookUpContact(const QString& number, QString& contactName) {
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?;"), *cn_, 0, 3, false,
                                     {qint64(Val(number))}))
        return -1;
    const bool found = !rs.EOF_();
    if (found) contactName = Trim(Comuni::FieldStr(rs["COGNOME"]) + " " + Comuni::FieldStr(rs["NOME"]));
    rs.Close();
    if (!found) {
        contactName.clear();
        MsgBox(kNoRecord, vbOKOnly);
    }
    return found ? 1 : 0;
}

void frmAgenda::Planner_FindContact(QString& contactNumber, QString& contactName) {
    BusyGuard busy(*this);
    if (!cn_) return;
    const qint64 chosen = qint64(Val(Neighbours::ShowModalForTag(QStringLiteral("frmCercaAnagrafica"))));
    if (chosen <= 0) return;
    contactNumber = Format(chosen, QStringLiteral("00000000"));
    LookUpContact(contactNumber, contactName);
}

void frmAgenda::Planner_ContactIdEntered(const QString& contactNumber, QString& contactName, bool& cancel) {
    BusyGuard busy(*this);
    if (Trim(contactNumber).isEmpty()) {
        contactName.clear();
        return;
    }
    if (!cn_) return;
    // A number without its record is refused.
    if (LookUpContact(contactNumber, contactName) == 0) cancel = true;
}

// ---------------------------------------------------------------- settings

namespace {

class AgendaPlanner : public PlannerSettings {
public:
    void SetSlotMinutes(int minutes) override { Planner().SetSlotMinutes(minutes); }
    void SetDayStart(const QString& hhnn) override { Planner().SetDayStart(hhnn); }
    void SetDayEnd(const QString& hhnn) override { Planner().SetDayEnd(hhnn); }
    void Relayout() override { Planner().Refresh(); }

private:
    static Platform::Planner& Planner() { return *DefaultInstance<frmAgenda>().Planner; }
};

}  // namespace

void frmAgenda::RegisterPlannerSettings() {
    PlannerSettings::SetProvider([]() -> PlannerSettings* {
        static AgendaPlanner planner;
        DefaultInstance<frmAgenda>();
        return &planner;
    });
}
