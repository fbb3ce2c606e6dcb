#include "Locks.h"

#include "Runtime.h"

// Until the data layer is in place there is nothing to release.
void Locks::ReleaseLocks(std::int32_t) {}
void Locks::ReleaseAllLocks() {}
QString Locks::GetComputerNameUpper() { return Platform::ComputerName().toUpper(); }
