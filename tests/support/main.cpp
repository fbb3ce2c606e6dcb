// Test main: an offscreen application so windows can be made and driven.
#include <QApplication>
#include <gtest/gtest.h>

#ifdef __SANITIZE_ADDRESS__
// fontconfig keeps what it found of the fallback fonts until the process
// ends; the leak checker would count that as ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
