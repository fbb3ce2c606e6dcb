#include "Locks.h"

#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "Runtime.h"
#include "modAdoCommon.h"

namespace Locks {

namespace {

const int kReply_Retry = 4;
const int kReply_GiveUp = 2;
// A lock that stays busy must not hold the program for ever behind OK-only boxes.
const int kMaxAttempts = 20;

QString StateOf(ADODB::Connection& cn) { return cn.Errors().empty() ? QString() : cn.Errors().back().SQLState; }

bool gUnwritable = false;

const QString kUnwritable = QStringLiteral(
    "L'archivio non può essere scritto: la cartella dei dati o il file dell'archivio sono di sola lettura. "
    "I dati non sono stati salvati.");

// A write refused because the archive is read-only: said once, never retried.
bool Unwritable(ADODB::Connection& cn) {
    if (StateOf(cn) != QLatin1String("3051")) return false;
    if (!gUnwritable) Platform::MsgBox(kUnwritable, Platform::vbExclamation);
    gUnwritable = true;
    return true;
}

bool IsEngineLock(ADODB::Connection& cn, const Platform::BasicError& e) {
    const QString state = StateOf(cn);
    return e.Number() == 3186 || e.Number() == 3164 || e.Number() == 3260 || state == "3186" || state == "3164" ||
           state == "3260" || state == "3218";
}

}  // namespace

QString GetComputerNameUpper() { return Platform::ComputerName().toUpper(); }

int ShowLockError(const Platform::ErrObject& err) {
    if (err.Number == 70) {
        Platform::MsgBox(QStringLiteral("l'utente non possiede i requisiti per l'accesso richiesto"), Platform::vbOKOnly);
        return kReply_GiveUp;
    }
    if (err.Number == 3046) {
        int answer = Platform::MsgBox(
            QStringLiteral("il record è impegnato da un'altro utente. attendere e ritentare."), Platform::vbOKCancel);
        return answer == Platform::vbOK ? kReply_Retry : kReply_GiveUp;
    }
    int answer = Platform::MsgBox("Errore " + QString::number(err.Number) + ": " + err.Description + " in Gestione Locks",
                                  Platform::vbRetryCancel);
    return answer == Platform::vbRetry ? kReply_Retry : kReply_GiveUp;
}

bool ArchiveUnwritable() { return gUnwritable; }

bool IsTableLocked(ADODB::Connection& cn, const QString& table, bool ownRows, std::int32_t staleSeconds) {
    QElapsedTimer waited;
    waited.start();
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        try {
            cn.Errors().clear();
            cn.Execute("DELETE FROM LOCKS WHERE U_MOD < ?", {Platform::Now().addSecs(-staleSeconds)});
            ADODB::Recordset rs;
            if (ownRows)
                rs.Open("SELECT * FROM LOCKS WHERE TABELLA=?", cn, ADODB::adOpenForwardOnly, ADODB::adLockReadOnly, {table});
            else
                rs.Open("SELECT * FROM LOCKS WHERE COMPUTER<>? AND TABELLA=?", cn, ADODB::adOpenForwardOnly,
                        ADODB::adLockReadOnly, {GetComputerNameUpper(), table});
            return !rs.EOF_();
        } catch (const Platform::BasicError& e) {
            Platform::Err().Set(e);
            if (Unwritable(cn)) return true;  // as good as locked for ever
            if (e.Number() == 3164 || StateOf(cn) == "3164") {
                Platform::MsgBox(QStringLiteral("record in uso... ritentare"), Platform::vbOKOnly);
                continue;
            }
            // The engine has waited for the file already; one held past that
            // counts as held, and the caller's own wait goes on.
            if (IsEngineLock(cn, e)) {
                if (waited.elapsed() >= ADODB::Connection::EngineWaitMs) break;
                continue;
            }
            if (ShowLockError(Platform::Err()) != kReply_Retry) return false;
        }
    }
    // The list could not be read through every retry: a table nobody can vouch for is held,
    // or two workstations could both take it.
    return true;
}

bool LockTable(ADODB::Connection& cn, const QString& table) {
    gUnwritable = false;
    if (IsTableLocked(cn, table, false, 30)) return false;
    const QString computer = GetComputerNameUpper();
    bool inserted = false;
    QElapsedTimer waited;
    waited.start();
    for (int attempt = 0; attempt < kMaxAttempts && !inserted; ++attempt) {
        try {
            cn.Errors().clear();
            cn.Execute("INSERT INTO LOCKS (COMPUTER, TABELLA, U_MOD) VALUES (?,?,?)", {computer, table, Platform::Now()});
            inserted = true;
        } catch (const Platform::BasicError& e) {
            Platform::Err().Set(e);
            if (Unwritable(cn)) break;
            if (IsEngineLock(cn, e)) {
                // Another workstation's write ends within the engine's wait:
                // only a file that stays held is the user's business.
                if (waited.elapsed() < ADODB::Connection::EngineWaitMs) continue;
                Platform::MsgBox(QStringLiteral("Record bloccato, premere ok per ritentare"), Platform::vbOKOnly);
                waited.restart();
                continue;
            }
            if (ShowLockError(Platform::Err()) != kReply_Retry) break;
        }
    }
    // Without its row the table is not locked, whatever else happened.
    if (!inserted) return false;
    if (IsTableLocked(cn, table, false, 30)) {
        // Another workstation inserted at the same moment: both back off and retry.
        try {
            cn.Execute("DELETE FROM LOCKS WHERE COMPUTER=? AND TABELLA=?", {computer, table});
        } catch (const Platform::BasicError& e) {
            Platform::Err().Set(e);
        }
        return false;
    }
    return true;
}

void RefreshLock(ADODB::Connection& cn, const QString& table) {
    const QString computer = GetComputerNameUpper();
    try {
        if (cn.Execute("UPDATE LOCKS SET U_MOD=? WHERE COMPUTER=? AND TABELLA=?", {Platform::Now(), computer, table}) == 0)
            cn.Execute("INSERT INTO LOCKS (COMPUTER, TABELLA, U_MOD) VALUES (?,?,?)", {computer, table, Platform::Now()});
    } catch (const Platform::BasicError&) {
        // A busy moment: the next refresh comes before the row can lapse. A
        // failure that took a write with it is said by the write's commit.
    }
}

int HeldLock::SliceMs = 100;
int HeldLock::RenewSeconds = 10;

HeldLock::HeldLock(ADODB::Connection& cn, const QString& table) : cn_(cn), table_(table) {
    cn_.BeginTrans();
    open_ = true;
    stamped_ = Platform::Now();
    slice_.start();
}

HeldLock::~HeldLock() {
    if (!open_) return;
    try {
        cn_.RollbackTrans();
    } catch (const Platform::BasicError&) {
        // Nothing of it was committed; the engine lets it go with the connection.
    }
}

void HeldLock::RowStored() {
    ++pending_;
    if (slice_.elapsed() >= SliceMs) Cut(true);
}

void HeldLock::Yielded() {
    if (open_ && stamped_.secsTo(Platform::Now()) >= RenewSeconds) Cut(true);
}

void HeldLock::RowRefused() {
    if (!open_ || !cn_.TransactionLost()) return;
    open_ = false;
    pending_ = 0;
    cn_.CommitTrans();  // raises what rolled the slice back
}

void HeldLock::Finish() {
    // A slice lost with its failure has said so already.
    if (open_) Cut(false);
}

void HeldLock::Cut(bool again) {
    // The stamp goes with the slice: others see it when they see the rows.
    RefreshLock(cn_, table_);
    open_ = false;
    try {
        cn_.CommitTrans();
    } catch (const Platform::BasicError&) {
        pending_ = 0;
        try {
            cn_.RollbackTrans();
        } catch (const Platform::BasicError&) {
        }
        throw;
    }
    committed_ += pending_;
    pending_ = 0;
    stamped_ = Platform::Now();
    if (!again) return;
    cn_.BeginTrans();
    open_ = true;
    slice_.restart();
}

namespace {
bool ReleaseWith(const QStringList& statements, const QList<QVariantList>& params, const QString& where) {
    std::unique_ptr<ADODB::Connection> cn;
    if (!modAdoCommon::OpenConnection(cn, Global::gConnString, false, 19)) return false;
    try {
        for (int i = 0; i < statements.size(); ++i) cn->Execute(statements[i], params[i]);
    } catch (const Platform::BasicError& e) {
        // Reported, never fatal: the rows lapse by themselves after 30 seconds.
        Platform::Err().Set(e);
        Global::ShowProcError(Platform::Err(), where, Platform::App::Title());
        Platform::Err().Clear();
        return false;
    }
    return true;
}
}  // namespace

bool ReleaseLocks(std::int32_t staleSeconds) {
    return ReleaseWith({"DELETE FROM LOCKS WHERE COMPUTER=?", "DELETE FROM LOCKS WHERE U_MOD < ?"},
                {{GetComputerNameUpper()}, {Platform::Now().addSecs(-staleSeconds)}},
                QStringLiteral("Procedura ReleaseLocks di Modulo Locks"));
}

void ReleaseLocks(ADODB::Connection& cn, std::int32_t staleSeconds) {
    cn.Execute("DELETE FROM LOCKS WHERE COMPUTER=?", {GetComputerNameUpper()});
    cn.Execute("DELETE FROM LOCKS WHERE U_MOD < ?", {Platform::Now().addSecs(-staleSeconds)});
}

bool ReleaseAllLocks() {
    return ReleaseWith({"Delete From Locks where computer=?"}, {{GetComputerNameUpper()}},
                QStringLiteral("Procedura ReleaseAllLocks di Modulo Locks"));
}

}  // namespace Locks
