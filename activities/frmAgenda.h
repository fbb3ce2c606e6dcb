#pragma once
#include "Form.h"
#include "Planner.h"
#include "RowAsRead.h"

#include <QDateTime>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
namespace Platform { class ComboBox; }
namespace ADODB { class Connection; }

// The agenda: every activity as an appointment and every task in the
// planner, refilled on each filter change and when the last fill is stale.
// The planner's events become the writes of CONTATTI and TODO; appointments
// themselves are entered and edited in the activity card.
class frmAgenda : public Platform::Form {
    Q_OBJECT
public:
    frmAgenda();
    ~frmAgenda() override;

    Platform::Planner* Planner;
    QCheckBox* ckPassato;
    QCheckBox* ckTel;
    QCheckBox* ckMail;
    QCheckBox* ckAvvisi;
    QLabel* Label1;
    Platform::ComboBox* cbUtenti;
    QPushButton* Command1;
    QTimer* Timer1;

    // The moment of the last complete refill; invalid before the first.
    QDateTime LastLoad;

    // The number of a new task of the signed-in user; 0 when it cannot be read.
    qint32 NuovaIDTODO();

    // The two statements of a refill, for the filters given and the user
    // chosen in cbUtenti; the user's name is bound (params).
    QString AppointmentSql(bool showPast, bool showMail, bool showTel, QVariantList& params) const;
    QString TaskSql(bool showPast, QVariantList& params) const;

    // While a handler runs (with its dialogs and lock waits) the agenda is
    // busy: a refill asked for meanwhile runs once the handler is done.
    bool Busy() const { return busy_ > 0; }

    void cbUtenti_Click();
    void ckPassato_Click();
    void ckMail_Click();
    void ckTel_Click();
    void ckAvvisi_Click();
    void Command1_Click();
    void Timer1_Timer();

    void Planner_NewAppointment(const Platform::AppointmentPtr& item, bool& handled, bool& cancel);
    void Planner_EditAppointment(const Platform::AppointmentPtr& item, bool& handled, bool& cancel);
    void Planner_AlarmChanged(const Platform::AppointmentPtr& item);
    void Planner_AppointmentDeleted(const Platform::AppointmentPtr& item);
    void Planner_TaskAdded(const Platform::TaskPtr& item);
    void Planner_TaskChanged(const Platform::TaskPtr& item, bool& cancel);
    void Planner_TaskChanged(const Platform::TaskPtr& item);
    void Planner_TaskAlarmChanged(const Platform::TaskPtr& item);
    void Planner_TaskDeleted(const Platform::TaskPtr& item);
    void Planner_FindContact(QString& contactNumber, QString& contactName);
    void Planner_ContactIdEntered(const QString& contactNumber, QString& contactName, bool& cancel);
    void Planner_RequestNow(const Platform::TaskPtr& item, int field, bool& cancel);

    // Registers the agenda's planner with the configuration dialog.
    static void RegisterPlannerSettings();

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void Form_Unload(int& cancel) override;

private:
    class BusyGuard;
    void LoadAgenda(bool showPast, bool showMail, bool showTel);
    void Reload();
    // The table locked, the statement run, the locks released; a refused
    // lock or a failed statement tells the user. True when it was written.
    // A `statement` that gives no text writes nothing and tells nothing;
    // `written` runs after the statement, still under the lock.
    bool Write(const QString& table, const QString& where, const std::function<QString(QVariantList&)>& statement,
               const std::function<void()>& written = {});
    // The same for the row the item's key names: `statement` with the values
    // read after the lock, then WHERE its number and owner. Under the lock,
    // `unchanged` may keep the statement from running; `written` follows it.
    using KeyedStep = std::function<bool(qint32 number, const QString& user)>;
    void WriteKeyed(const QString& key, const QString& table, const QString& idColumn, const QString& where,
                    const QString& statement, const std::function<QVariantList()>& values,
                    const KeyedStep& unchanged = {}, const KeyedStep& written = {});
    // The task's row as stored now into `row` (left empty when there is none);
    // false when it could not be read (the user has been told).
    bool ReadTask(qint32 number, const QString& user, RowAsRead& row);
    // The stored row kept with a task, to compare with it at its next change.
    bool KeepStoredTask(const Platform::TaskPtr& item, qint32 number, const QString& user);
    // 1 found (its name set), 0 no such record (told), -1 the query failed.
    int LookUpContact(const QString& number, QString& contactName);

    std::unique_ptr<ADODB::Connection> cn_;
    int busy_ = 0;
    bool reloadWanted_ = false;
};
