// A workstation of its own: saves new registry cards in a loop (used by the tests).
#include "Global.h"
#include "Runtime.h"
#include "Settings.h"
#include "frmAnagrafica.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 5) return 2;
    Platform::SetSettingsFolder(QString::fromLocal8Bit(argv[4]));
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) {
        std::fprintf(stderr, "%s\n", qPrintable(call.prompt));
        return int(Platform::vbYes);
    });
    Global::SetColours();
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QString::fromLocal8Bit(argv[1]);
    Global::gCurrentUser = "ADMIN";
    frmAnagrafica card;
    card.Load();
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    for (int i = 0; i < count; ++i) {
        card.cmdNuovo_Click();
        card.txCognome->setText(QString::fromLocal8Bit(argv[2]) + QString::number(i));
        card.txEmail->setText("a@b.it");
        card.cmdSalva_Click();
        std::printf("%s\n", qPrintable(card.lbID->text()));
    }
    return 0;
}
