// A workstation of its own: saves new registry cards in a loop (used by the tests).
// Arguments: database, surname prefix, count, settings folder, and optionally
// how many seconds this workstation's clock runs ahead of the others'.
#include "Global.h"
#include "Runtime.h"
#include "Settings.h"
#include "frmAnagrafica.h"
#include "frmLocked.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 5 && argc != 6) return 2;
    if (argc == 6) Platform::SetClock(QDateTime::currentDateTime().addSecs(QString::fromLocal8Bit(argv[5]).toInt()), false);
    Platform::SetSettingsFolder(QString::fromLocal8Bit(argv[4]));
    // A patient user at a busy office: every box is said on standard error and answered with
    // its first button, so a file held by the other workstation is tried again, never given up.
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) {
        std::fprintf(stderr, "%s\n", qPrintable(call.prompt));
        switch (call.style & 7) {
        case Platform::vbOKCancel: return int(Platform::vbOK);
        case Platform::vbAbortRetryIgnore:
        case Platform::vbRetryCancel: return int(Platform::vbRetry);
        case Platform::vbYesNoCancel:
        case Platform::vbYesNo: return int(Platform::vbYes);
        default: return int(Platform::vbOK);
        }
    });
    // A loaded machine may keep the other workstation at its saves for long: the wait for the
    // table gives up only far beyond any real pause.
    frmLocked::WaitLimitSeconds = 600;
    Global::SetColours();
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QString::fromLocal8Bit(argv[1]);
    Global::gCurrentUser = "ADMIN";
    frmAnagrafica card;
    card.Load();
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    QString last;
    for (int i = 0; i < count; ++i) {
        card.cmdNuovo_Click();
        card.txCognome->setText(QString::fromLocal8Bit(argv[2]) + QString::number(i));
        card.txEmail->setText("a@b.it");
        card.cmdSalva_Click();
        const QString id = card.lbID->text();
        std::printf("%s\n", qPrintable(id));
        // Every save makes a new record: a save that left none is lost.
        if (id.trimmed().isEmpty() || id == last) {
            std::fprintf(stderr, "save %d made no record\n", i + 1);
            return 4;
        }
        last = id;
    }
    return 0;
}
