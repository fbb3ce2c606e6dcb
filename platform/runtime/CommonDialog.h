#pragma once
// The common dialog control: the open, save, colour, font and printer
// dialogs, set up through properties and read back after they close. With
// CancelError set, cancelling raises error 32755, as the control does.
// Tests answer the dialogs through handlers instead of a person.

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QFileDialog;
class QPrinter;
class QWidget;

namespace Platform {

// The number raised when the user cancels a dialog with CancelError set.
constexpr long cdlCancel = 32755;

enum CommonDialogFlags : long {
    // open and save
    cdlOFNOverwritePrompt = 0x2,
    cdlOFNHideReadOnly = 0x4,
    cdlOFNFileMustExist = 0x1000,
    // fonts
    cdlCFScreenFonts = 0x1,
    cdlCFPrinterFonts = 0x2,
    // printer
    cdlPDSelection = 0x1,
    cdlPDNoPageNums = 0x8,
    cdlPDReturnDC = 0x100,
};

struct FileDialogCall {
    bool save = false;
    QString title;
    QString filter;
    QString initialName;
    long flags = 0;
};

class CommonDialog {
public:
    enum class Kind { Color, Font, Printer };

    CommonDialog();
    ~CommonDialog();

    bool CancelError = false;
    QString DialogTitle;
    long Flags = 0;

    // Files: "description|pattern|description|pattern", patterns split by ";".
    QString Filter;
    QString FileName;
    QString InitDir;
    QString DefaultExt;
    QString FileTitle() const;

    QColor Color = Qt::black;

    QString FontName;
    double FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool FontStrikethru = false;

    // The printer that the printer dialog set up (its device context).
    QPrinter& PrinterDevice();
    // The printer dialog's range: the selection (as offered by the flags) or all.
    bool PrintSelection = false;

    // Without the overwrite-prompt flag, saving over a file asks nothing.
    void ShowOpen(QWidget* owner = nullptr);
    void ShowSave(QWidget* owner = nullptr);
    void ShowColor(QWidget* owner = nullptr);
    void ShowFont(QWidget* owner = nullptr);
    void ShowPrinter(QWidget* owner = nullptr);

    // In place of the colour, font and printer dialogs: true for OK (after
    // filling the fields the dialog returns), false for Cancel.
    using Handler = std::function<bool(CommonDialog& dialog, Kind kind)>;
    static Handler SetHandler(Handler handler);

private:
    void ShowFile(bool save, QWidget* owner);
    void ShowChoice(Kind kind, QWidget* owner);
    bool ShowReal(Kind kind, QWidget* owner);
    void Cancelled();

    std::unique_ptr<QPrinter> printer_;
};

// Tests answer the file dialogs: the chosen path, "" for a cancel.
using FileDialogHandler = std::function<QString(const FileDialogCall&)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// The dialog's filter ("Testo|*.txt;*.csv|Tutti|*.*") in Qt's own form.
QString QtFilter(const QString& filter);

// Every file and folder dialog of the program: Qt's own rather than the
// desktop's, which would speak the desktop's language, so that it is
// Italian like the rest of the program, dates included. `start` is a folder
// or a file to select; `qtFilter` in Qt's form.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const QString& title, const QString& start,
                                            const QString& qtFilter = QString());
// Shows it modally: the chosen path, "" when cancelled.
QString RunFileDialog(QFileDialog& dialog);

}  // namespace Platform
