// One of several programs writing the same settings store and INI file at
// once: writes `count` keys named after `prefix` into each.
#include "Settings.h"

#include <QCoreApplication>
#include <QString>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    QCoreApplication app(argc, argv);
    Platform::SetSettingsFolder(QString::fromLocal8Bit(argv[1]));
    const QString ini = QString::fromLocal8Bit(argv[2]);
    const QString prefix = QString::fromLocal8Bit(argv[3]);
    const int count = QString::fromLocal8Bit(argv[4]).toInt();
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const QString key = prefix + QString::number(i);
        if (!Platform::SaveSetting("Brivalto", "Chiavi", key, QString::number(i))) ++failures;
        if (!Platform::WritePrivateProfileString("Chiavi", key, QString::number(i), ini)) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
