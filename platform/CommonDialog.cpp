#include "CommonDialog.h"

#include "Errors.h"
#include "Runtime.h"

#include <QFileDialog>
#include <QStringList>

namespace Platform {

namespace {
FileDialogHandler& Handler() {
    static FileDialogHandler handler;
    return handler;
}
}  // namespace

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
    FileDialogHandler previous = Handler();
    Handler() = std::move(handler);
    return previous;
}

QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns + ")";
    }
    return out.join(QStringLiteral(";;"));
}

void CommonDialog::ShowOpen(QWidget* owner) { Show(false, owner); }
void CommonDialog::ShowSave(QWidget* owner) { Show(true, owner); }

void CommonDialog::Show(bool save, QWidget* owner) {
    const FileDialogCall call{save, DialogTitle, Filter, FileName};
    QString chosen;
    if (Handler()) {
        chosen = Handler()(call);
    } else if (TraceEnabled()) {
        Trace(QStringLiteral("FILEDIALOG"), DialogTitle);
    } else {
        const QString start = FileName.isEmpty() ? InitDir : FileName;
        chosen = save ? QFileDialog::getSaveFileName(owner, DialogTitle, start, QtFilter(Filter))
                      : QFileDialog::getOpenFileName(owner, DialogTitle, start, QtFilter(Filter));
    }
    if (chosen.isEmpty()) {
        if (CancelError) Err().Raise(cdlCancel, QStringLiteral("Annullato."), QStringLiteral("CommonDialog"));
        return;
    }
    FileName = chosen;
}

}  // namespace Platform
