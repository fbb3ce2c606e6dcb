// Brivalto: the program starts in Global::Main, which opens the first window.
#include <QApplication>

#include "Form.h"
#include "Global.h"
#include "Neighbours.h"
#include "Runtime.h"
#include "clsLogFile.h"
#include "frmAssociaClientiUtenti.h"
#include "frmAnagrafica.h"
#include "frmAziende.h"
#include "frmCercaAnagrafica.h"
#include "frmConfigura.h"
#include "frmAgenda.h"
#include "frmContatti.h"
#include "frmFreeField.h"
#include "frmMailing.h"
#include "frmPrint.h"
#include "frmUtenti.h"
#include "frmQuickContatto.h"

#include <Pagivex/Pagivex.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brivalto"));
    QApplication::setQuitOnLastWindowClosed(true);
    Platform::LoadItalianTranslations();

    // The log files' retry question is one of the program's own boxes.
    clsLogFile::SetAskHandler([](const QString& prompt) {
        return Platform::MsgBox(prompt, Platform::vbYesNo + Platform::vbQuestion) == Platform::vbYes;
    });
    // Addresses and documents open through a throw-away preview object.
    Neighbours::SetDocumentOpener([](const QString& target) {
        if (Platform::TraceEnabled()) {
            Platform::Trace(QStringLiteral("OPEN"), target);
            return;
        }
        Pagivex::CreatePreview()->SyncShell(target);
    });
    Neighbours::Register(QStringLiteral("frmConfigura"),
                         {[] { Platform::DefaultInstance<frmConfigura>().Show(Platform::vbModeless); }, nullptr, nullptr,
                          nullptr});
    Neighbours::Register(QStringLiteral("frmAnagrafica"),
                         {[] { Platform::DefaultInstance<frmAnagrafica>().Show(Platform::vbModeless); }, nullptr, nullptr,
                          nullptr});
    Neighbours::Register(QStringLiteral("frmAziende"), {nullptr, nullptr, nullptr, [] {
                             auto& lookup = Platform::DefaultInstance<frmAziende>();
                             lookup.Show(Platform::vbModal);
                             const QString chosen = lookup.Tag;
                             lookup.Unload();
                             return chosen;
                         }});
    // The search stays loaded after a pick, keeping its filters for the next one.
    Neighbours::Register(QStringLiteral("frmCercaAnagrafica"), {nullptr, nullptr, nullptr, [] {
                             auto& search = Platform::DefaultInstance<frmCercaAnagrafica>();
                             search.Show(Platform::vbModal);
                             return search.Tag;
                         }});
    Neighbours::Register(QStringLiteral("frmMailing"),
                         {[] { Platform::DefaultInstance<frmMailing>().Show(Platform::vbModeless); }, nullptr, nullptr,
                          nullptr});
    Neighbours::Register(QStringLiteral("frmFreeField"),
                         {[] { Platform::DefaultInstance<frmFreeField>().Show(Platform::vbModal); }, nullptr, nullptr, nullptr});
    Neighbours::Register(QStringLiteral("frmUtenti"),
                         {[] { Platform::DefaultInstance<frmUtenti>().Show(Platform::vbModal); }, nullptr, nullptr, nullptr});
    Neighbours::Register(QStringLiteral("frmAssociaClientiUtenti"),
                         {[] { Platform::DefaultInstance<frmAssociaClientiUtenti>().Show(Platform::vbModal); }, nullptr,
                          nullptr, nullptr});
    Neighbours::Register(QStringLiteral("frmContatti"),
                         {[] { Platform::DefaultInstance<frmContatti>().Show(Platform::vbModeless); }, nullptr, nullptr,
                          nullptr});
    Neighbours::Register(QStringLiteral("frmAgenda"),
                         {[] { Platform::DefaultInstance<frmAgenda>().Show(Platform::vbModeless); },
                          [] { Platform::DefaultInstance<frmAgenda>(); },
                          [](int state) { Platform::DefaultInstance<frmAgenda>().SetWindowState(state); }, nullptr});
    frmAgenda::RegisterPlannerSettings();
    // The activity list's print button: a modal window over the list it shows.
    Neighbours::Register(QStringLiteral("frmPrint"), {nullptr, nullptr, nullptr, [] {
                             frmPrint::PrintList(Platform::DefaultInstance<frmContatti>().LV);
                             return QString();
                         }});
    Neighbours::SetQuickEntry([] { Platform::DefaultInstance<frmQuickContatto>().Show(Platform::vbModeless); });

    Global::Main();

    // Start-up may have ended without opening a window.
    bool anyVisible = false;
    for (QWidget* w : QApplication::topLevelWidgets()) anyVisible = anyVisible || w->isVisible();
    if (!anyVisible) return 0;
    return app.exec();
}
