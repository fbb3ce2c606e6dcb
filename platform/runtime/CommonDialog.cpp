#include "CommonDialog.h"

#include "Errors.h"
#include "Runtime.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

namespace Platform {

namespace {

FileDialogHandler& FileHandler() {
    static FileDialogHandler handler;
    return handler;
}

CommonDialog::Handler& ChoiceHandler() {
    static CommonDialog::Handler handler;
    return handler;
}

const char* KindName(CommonDialog::Kind kind) {
    switch (kind) {
    case CommonDialog::Kind::Color: return "COLORDIALOG";
    case CommonDialog::Kind::Font: return "FONTDIALOG";
    case CommonDialog::Kind::Printer: return "PRINTDIALOG";
    }
    return "";
}

// The file model writes sizes and dates in the system's language; the
// program's are Italian whatever the system speaks.
class ItalianSizesAndDates : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        static constexpr int kSizeColumn = 1, kDateColumn = 3;
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files) return QIdentityProxyModel::data(index, role);
        const QLocale italian(QLocale::Italian, QLocale::Italy);
        const QModelIndex file = mapToSource(index);
        if (index.column() == kSizeColumn && !files->isDir(file)) return italian.formattedDataSize(files->size(file));
        if (index.column() == kDateColumn) return italian.toString(files->lastModified(file), QLocale::ShortFormat);
        return QIdentityProxyModel::data(index, role);
    }
};

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const QString& title, const QString& start,
                                            const QString& qtFilter) {
    auto dialog = std::make_unique<QFileDialog>(owner, title, start, qtFilter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setProxyModel(new ItalianSizesAndDates(dialog.get()));
    return dialog;
}

QString RunFileDialog(QFileDialog& dialog) {
    const TopmostGiveWay giveWay;
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
    FileDialogHandler previous = FileHandler();
    FileHandler() = std::move(handler);
    return previous;
}

CommonDialog::Handler CommonDialog::SetHandler(Handler handler) {
    Handler previous = ChoiceHandler();
    ChoiceHandler() = std::move(handler);
    return previous;
}

QString QtFilter(const QString& filter) {
    // A description that already shows its patterns ("Rich Text (*.rtf)") is not given them twice.
    static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(shownPatterns);
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << description + " (" + patterns + ")";
    }
    return out.join(QStringLiteral(";;"));
}

CommonDialog::CommonDialog() = default;
CommonDialog::~CommonDialog() = default;

QString CommonDialog::FileTitle() const { return QFileInfo(FileName).fileName(); }

QPrinter& CommonDialog::PrinterDevice() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void CommonDialog::ShowOpen(QWidget* owner) { ShowFile(false, owner); }
void CommonDialog::ShowSave(QWidget* owner) { ShowFile(true, owner); }
void CommonDialog::ShowColor(QWidget* owner) { ShowChoice(Kind::Color, owner); }
void CommonDialog::ShowFont(QWidget* owner) { ShowChoice(Kind::Font, owner); }
void CommonDialog::ShowPrinter(QWidget* owner) { ShowChoice(Kind::Printer, owner); }

void CommonDialog::Cancelled() {
    if (CancelError) Err().Raise(cdlCancel, QStringLiteral("Annullato."), QStringLiteral("CommonDialog"));
}

void CommonDialog::ShowFile(bool save, QWidget* owner) {
    const FileDialogCall call{save, DialogTitle, Filter, FileName, Flags};
    QString chosen;
    if (FileHandler()) {
        chosen = FileHandler()(call);
    } else if (TraceEnabled()) {
        Trace(QStringLiteral("FILEDIALOG"), DialogTitle);
    } else {
        const QString start = FileName.isEmpty() ? InitDir : FileName;
        auto dialog = MakeFileDialog(owner, DialogTitle, start, QtFilter(Filter));
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (save && !(Flags & cdlOFNOverwritePrompt)) dialog->setOption(QFileDialog::DontConfirmOverwrite);
        chosen = RunFileDialog(*dialog);
        if (save && !chosen.isEmpty() && !DefaultExt.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
            chosen += "." + DefaultExt;
    }
    if (chosen.isEmpty()) return Cancelled();
    FileName = chosen;
}

void CommonDialog::ShowChoice(Kind kind, QWidget* owner) {
    if (kind == Kind::Printer) PrintSelection = (Flags & cdlPDSelection) != 0;
    bool ok = false;
    if (ChoiceHandler()) {
        ok = ChoiceHandler()(*this, kind);
    } else if (TraceEnabled()) {
        Trace(QString::fromLatin1(KindName(kind)), DialogTitle);
    } else {
        ok = ShowReal(kind, owner);
    }
    if (!ok) Cancelled();
}

bool CommonDialog::ShowReal(Kind kind, QWidget* owner) {
    switch (kind) {
    case Kind::Color: {
        QColor chosen = QColorDialog::getColor(Color, owner, DialogTitle);
        if (!chosen.isValid()) return false;
        Color = chosen;
        return true;
    }
    case Kind::Font: {
        QFont initial(FontName.isEmpty() ? QFont().family() : FontName);
        if (FontSize > 0) initial.setPointSizeF(FontSize);
        initial.setBold(FontBold);
        initial.setItalic(FontItalic);
        initial.setUnderline(FontUnderline);
        initial.setStrikeOut(FontStrikethru);
        bool ok = false;
        QFont chosen = QFontDialog::getFont(&ok, initial, owner, DialogTitle);
        if (!ok) return false;
        FontName = chosen.family();
        FontSize = chosen.pointSizeF();
        FontBold = chosen.bold();
        FontItalic = chosen.italic();
        FontUnderline = chosen.underline();
        FontStrikethru = chosen.strikeOut();
        return true;
    }
    case Kind::Printer: {
        QPrintDialog dialog(&PrinterDevice(), owner);
        dialog.setWindowTitle(DialogTitle);
        QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
        options.setFlag(QAbstractPrintDialog::PrintSelection, (Flags & cdlPDSelection) != 0);
        options.setFlag(QAbstractPrintDialog::PrintPageRange, (Flags & cdlPDNoPageNums) == 0);
        dialog.setOptions(options);
        dialog.setPrintRange((Flags & cdlPDSelection) ? QAbstractPrintDialog::Selection
                                                      : QAbstractPrintDialog::AllPages);
        if (dialog.exec() != QDialog::Accepted) return false;
        PrintSelection = dialog.printRange() == QAbstractPrintDialog::Selection;
        return true;
    }
    }
    return false;
}

}  // namespace Platform
