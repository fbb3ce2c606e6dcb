// Test main: an offscreen application, and the library's log kept in a folder of its own.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "modErrorManager.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir logs;
    Pagivex::modErrorManager::SetLogFolder(logs.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
