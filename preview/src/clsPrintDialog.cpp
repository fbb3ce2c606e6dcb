#include "clsPrintDialog.h"

#include "modGlobals.h"

#include <QElapsedTimer>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <algorithm>

namespace Pagivex {

CurrentPrinterState& CurrentPrinter() {
    static CurrentPrinterState state;
    return state;
}

std::function<QStringList()>& InstalledPrintersHook() {
    static std::function<QStringList()> hook;
    return hook;
}

QStringList InstalledPrinters() {
    if (InstalledPrintersHook()) return InstalledPrintersHook()();
    // Asking the print system costs time; pages are added by the thousand.
    static QElapsedTimer age;
    static QStringList names;
    if (!age.isValid() || age.elapsed() > 2000) {
        names = QPrinterInfo::availablePrinterNames();
        age.restart();
    }
    return names;
}

std::function<bool(PrintDialogChoice&, QWidget*)>& PrintDialogHook() {
    static std::function<bool(PrintDialogChoice&, QWidget*)> hook;
    return hook;
}

void clsPrintDialog::SetMin(qint16 v) {
    v = std::max<qint16>(v, 0);
    m_min = v;
    m_max = std::max(m_max, v);
    m_from = std::max(m_from, v);
    m_to = std::max(m_to, v);
}

void clsPrintDialog::SetFromPage(qint16 v) {
    v = std::max<qint16>(v, 0);
    m_from = v;
    m_to = std::max(m_to, v);
    m_max = std::max(m_max, v);
    m_min = std::min(m_min, v);
    Flags |= 2;
}

void clsPrintDialog::SetToPage(qint16 v) {
    v = std::max<qint16>(v, 0);
    m_to = v;
    m_max = std::max(m_max, v);
    m_from = std::min(m_from, v);
    m_min = std::min(m_min, v);
    Flags |= 2;
}

void clsPrintDialog::SetMax(qint16 v) {
    v = std::max<qint16>(v, 0);
    m_max = v;
    m_to = std::min(m_to, v);
    m_from = std::min(m_from, v);
    m_min = std::min(m_min, v);
    if (v == 0) Flags &= ~2;
}

bool clsPrintDialog::ShowPrinter() {
    CurrentPrinterState& current = CurrentPrinter();
    PrintDialogChoice choice;
    choice.PrinterName = current.DeviceName;
    choice.OutputFile = PrintFile;
    choice.Copies = current.Copies;
    choice.Duplex = current.Duplex;
    choice.Orientation = current.Orientation;
    choice.FromPage = m_from;
    choice.ToPage = m_to;

    bool confirmed = false;
    if (PrintDialogHook()) {
        confirmed = PrintDialogHook()(choice, hWndOwner);
    } else {
        QPrinter printer(QPrinter::HighResolution);
        if (!choice.OutputFile.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(choice.OutputFile);
        } else if (!choice.PrinterName.isEmpty()) {
            printer.setPrinterName(choice.PrinterName);
        }
        printer.setPageOrientation(choice.Orientation);
        printer.setDuplex(choice.Duplex);
        printer.setCopyCount(choice.Copies);
        if (Flags & 2) printer.setFromTo(m_from, m_to);
        QPrintDialog dialog(&printer, hWndOwner);
        QPrintDialog::PrintDialogOptions options = QPrintDialog::PrintToFile | QPrintDialog::PrintShowPageSize;
        if (Flags & 2) options |= QPrintDialog::PrintPageRange;
        dialog.setOptions(options);
        if (m_max > 0) dialog.setMinMax(std::max<int>(m_min, 1), m_max);
        confirmed = dialog.exec() == QDialog::Accepted;
        choice.PrinterName = printer.printerName();
        choice.OutputFile = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
        choice.Copies = printer.copyCount();
        choice.Duplex = printer.duplex();
        choice.Orientation = printer.pageLayout().orientation();
        choice.FromPage = printer.fromPage();
        choice.ToPage = printer.toPage();
    }
    if (!confirmed) {
        if (CancelError) modGlobals::RaiseLibError(32755, "clsPrintDialog", QString(), "Selection Canceled");
        return false;
    }
    m_from = qint16(choice.FromPage);
    m_to = qint16(choice.ToPage);
    PrintFile = choice.OutputFile;
    if (PrintFile.isEmpty() && choice.PrinterName.compare(current.DeviceName, Qt::CaseInsensitive) != 0) {
        for (const QString& name : InstalledPrinters())
            if (name.toUpper() == choice.PrinterName.toUpper()) current.DeviceName = name;
    }
    current.Copies = choice.Copies;
    current.Duplex = choice.Duplex;
    current.Orientation = choice.Orientation;
    return true;
}

}  // namespace Pagivex
