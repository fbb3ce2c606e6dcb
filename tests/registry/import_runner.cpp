// A workstation of its own importing a delimited text file through the
// import window (used by the tests). Arguments: database, text file,
// settings folder. Prints the closing message.
#include "ComboBox.h"
#include "Global.h"
#include "Runtime.h"
#include "Settings.h"
#include "frmImporta.h"

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) return 2;
    Platform::SetSettingsFolder(QString::fromLocal8Bit(argv[3]));
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) {
        std::printf("%s\n", qPrintable(call.prompt));
        return int(Platform::vbRetry);
    });
    Global::SetColours();
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QString::fromLocal8Bit(argv[1]);
    Global::gCurrentUser = "ADMIN";
    frmImporta window;
    window.Load();
    window.cbFormato->SetListIndex(frmImporta::Testo);
    window.txFileName->setText(QString::fromLocal8Bit(argv[2]));
    window.ImpostaTxtFile();
    window.cbRemoteField[3]->SetListIndex(1);
    window.cbRemoteField[4]->SetListIndex(2);
    window.cmdStart_Click();
    return window.Written() > 0 ? 0 : 1;
}
