// The printer dialog and the library-wide current printer.
#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace Pagivex {

// The printer the library prints on, shared by every Preview (the runtime's current printer).
struct CurrentPrinterState {
    QString DeviceName;  // empty = the system's default printer
    int Copies = 1;
    QPrinter::DuplexMode Duplex = QPrinter::DuplexNone;
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
};
CurrentPrinterState& CurrentPrinter();

// Installed printers; tests may replace the look-up.
std::function<QStringList()>& InstalledPrintersHook();
QStringList InstalledPrinters();

// What the printer dialog offers and what the user chose.
struct PrintDialogChoice {
    QString PrinterName;
    QString OutputFile;
    int Copies = 1;
    QPrinter::DuplexMode Duplex = QPrinter::DuplexNone;
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    int FromPage = 0, ToPage = 0;
};

// Runs the printer dialog and returns true when confirmed. Tests replace it so that no real
// dialog is shown.
std::function<bool(PrintDialogChoice& choice, QWidget* owner)>& PrintDialogHook();

class clsPrintDialog {
public:
    qint16 Min() const { return m_min; }
    void SetMin(qint16 v);
    qint16 FromPage() const { return m_from; }
    void SetFromPage(qint16 v);
    qint16 ToPage() const { return m_to; }
    void SetToPage(qint16 v);
    qint16 Max() const { return m_max; }
    void SetMax(qint16 v);
    bool ShowPrinter();

    qint32 Flags = 2;
    QWidget* hWndOwner = nullptr;
    bool CancelError = false;
    // A PDF file in place of a printer: offered first when set; after a
    // confirmed dialog the file chosen, or empty when a printer was. It
    // belongs to the caller, never to the library's current printer, so
    // one preview's file is not where the next one prints.
    QString PrintFile;

private:
    qint16 m_min = 0, m_from = 0, m_to = 0, m_max = 10000;
};

}  // namespace Pagivex
