// A workstation of its own importing through the program's import window
// (used by the tests): a delimited text file (surname, name), or a contacts
// file (.vcf) as the workstation's Outlook contacts. Arguments: database,
// source file, settings folder. Prints every box and "done" at the end.
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
        std::fflush(stdout);
        return int(Platform::vbRetry);
    });
    Global::SetColours();
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QString::fromLocal8Bit(argv[1]);
    Global::gCurrentUser = "ADMIN";
    const QString source = QString::fromLocal8Bit(argv[2]);
    // The program's one import window: the contacts import asks it for identifiers.
    frmImporta& window = Platform::DefaultInstance<frmImporta>();
    if (source.endsWith(".vcf")) {
        Platform::SaveSetting(Platform::App::EXEName(), "Outlook", "FileContatti", source);
        window.cbFormato->SetListIndex(frmImporta::Outlook);
    } else {
        window.cbFormato->SetListIndex(frmImporta::Testo);
        window.txFileName->setText(source);
        window.ImpostaTxtFile();
        window.cbRemoteField[3]->SetListIndex(1);
        window.cbRemoteField[4]->SetListIndex(2);
    }
    window.cmdStart_Click();
    std::printf("done\n");
    return window.Written() > 0 ? 0 : 1;
}
