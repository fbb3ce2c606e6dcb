#pragma once
// The common dialog control's file choice: title, filter ("text|*.a;*.b",
// pairs joined by '|'), the chosen file name, and an error raised on
// cancel when CancelError is set, as the control does.

#include <QString>
#include <functional>

class QWidget;

namespace Platform {

// The number raised when the user cancels a dialog with CancelError set.
constexpr long cdlCancel = 32755;

struct FileDialogCall {
    bool save = false;
    QString title;
    QString filter;
    QString initialName;
};

class CommonDialog {
public:
    QString DialogTitle;
    QString Filter;
    QString FileName;
    QString InitDir;
    bool CancelError = false;

    void ShowOpen(QWidget* owner = nullptr);
    void ShowSave(QWidget* owner = nullptr);

private:
    void Show(bool save, QWidget* owner);
};

// Tests answer the file dialogs: the chosen path, "" for a cancel.
using FileDialogHandler = std::function<QString(const FileDialogCall&)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// The dialog's filter ("Testo|*.txt;*.csv|Tutti|*.*") in Qt's own form.
QString QtFilter(const QString& filter);

}  // namespace Platform
