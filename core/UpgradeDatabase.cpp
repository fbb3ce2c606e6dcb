#include "Global.h"

// Placeholder until the schema upgrade is built.
void Global::UpgradeDatabase() {}
