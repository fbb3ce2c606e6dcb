#pragma once
// A benchmark's program around it: the offscreen platform, settings in a
// folder of their own, every message box answered OK, and a fresh database
// made as the installer makes it, named by the global connection string.

#include "Global.h"
#include "Runtime.h"
#include "Schema.h"
#include "Settings.h"

#include <QTemporaryDir>

namespace Bench {

inline bool FreshProgram(const QTemporaryDir& dir) {
    Platform::SetSettingsFolder(dir.path());
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall&) { return int(Platform::vbOK); });
    const QString file = dir.path() + "/Brivalto.mdb";
    if (!Schema::CreateDeliveredDatabase(file)) return false;
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
    Global::gCurrentUser = "ADMIN";
    return true;
}

}  // namespace Bench
