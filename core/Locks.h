#pragma once
// Advisory locks on tables through the shared LOCKS table, keyed by this
// workstation's computer name.

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

}  // namespace Locks
