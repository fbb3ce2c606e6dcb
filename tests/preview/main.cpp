// Test main: an offscreen application, and the library's log kept in a folder of its own.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "modErrorManager.h"

#ifdef __SANITIZE_ADDRESS__
// fontconfig keeps what it found of the fallback fonts until the process
// ends; the leak checker would count that as ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir logs;
    Pagivex::modErrorManager::SetLogFolder(logs.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
