// Brivalto: the program starts in Global::Main, which opens the first window.
#include <QApplication>

#include "Form.h"
#include "Global.h"
#include "Neighbours.h"
#include "frmQuickContatto.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brivalto"));
    QApplication::setQuitOnLastWindowClosed(true);

    Neighbours::SetQuickEntry([] { Platform::DefaultInstance<frmQuickContatto>().Show(Platform::vbModeless); });

    Global::Main();

    // Start-up may have ended without opening a window.
    bool anyVisible = false;
    for (QWidget* w : QApplication::topLevelWidgets()) anyVisible = anyVisible || w->isVisible();
    if (!anyVisible) return 0;
    return app.exec();
}
