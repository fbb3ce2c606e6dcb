#pragma once
// Advisory locks on tables through the shared LOCKS table, keyed by this
// workstation's computer name.

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>

namespace ADODB { class Connection; }
namespace Platform { struct ErrObject; }

namespace Locks {

bool LockTable(ADODB::Connection& cn, const QString& table);
bool IsTableLocked(ADODB::Connection& cn, const QString& table, bool ownRows, std::int32_t staleSeconds);
// Stamps this workstation's lock row on a table anew, so that a long
// write keeps it past the stale limit; the row is put back if it was lost.
void RefreshLock(ADODB::Connection& cn, const QString& table);
// Removes this workstation's rows and every row older than the stale limit.
// Both answer false when they could not, having said why.
bool ReleaseLocks(std::int32_t staleSeconds);
// The same on the caller's connection, inside its transaction when it has
// one, so that a write and the release of its lock are one commit; an
// engine error is the caller's.
void ReleaseLocks(ADODB::Connection& cn, std::int32_t staleSeconds);
bool ReleaseAllLocks();
// Whether the last lock attempt found the archive impossible to write (a
// read-only data folder or file): waiting cannot help, and the user has
// been told once.
bool ArchiveUnwritable();
QString GetComputerNameUpper();
int ShowLockError(const Platform::ErrObject& err);

// A long write under this workstation's lock on a table. The rows go in
// short slices, each committed together with a fresh stamp on the lock row:
// the lock never ages into one that other workstations purge, their own
// writes wait for one slice at most, and a commit does not cost a disk flush
// per row. Only rows whose slice is committed count.
class HeldLock {
public:
    // Begins the first slice on `cn`, whose lock on `table` is already taken.
    HeldLock(ADODB::Connection& cn, const QString& table);
    // What is not committed by then is rolled back.
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    // A row stored in the open slice; the slice is committed when due.
    // Raises when the commit fails, and then the slice's rows do not count.
    void RowStored();
    // The writer let the window's events run: the program's clock may have
    // moved on by more than a slice's real time (a long handler, a clock set
    // by a test), so the lock row is stamped anew when due. Rows themselves
    // never read the clock.
    void Yielded();
    // A row the engine refused: raises the engine's failure when the engine
    // rolled the open slice back with it, so that nothing more is written
    // outside a slice.
    void RowRefused();
    // Commits the open slice and ends the write; raises when the engine
    // could not commit, unless the slice was lost with a failure raised
    // already.
    void Finish();
    std::int32_t Committed() const { return committed_; }
    // Rows stored so far, committed or not.
    std::int32_t Stored() const { return committed_ + pending_; }

    // A slice's length in milliseconds of real time.
    static int SliceMs;
    // The oldest a lock row's stamp may get on the program's clock before
    // the slice is cut to renew it, in seconds: well inside the 30 seconds
    // after which other workstations purge it.
    static int RenewSeconds;

private:
    void Cut(bool again);
    ADODB::Connection& cn_;
    QString table_;
    QElapsedTimer slice_;
    QDateTime stamped_;
    std::int32_t committed_ = 0;
    std::int32_t pending_ = 0;
    bool open_ = false;
};

}  // namespace Locks
