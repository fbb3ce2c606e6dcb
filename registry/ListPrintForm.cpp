#include "ListPrintForm.h"

#include "Comuni.h"
#include "Controls.h"
#include "ListView.h"
#include "Printer.h"
#include "Errors.h"
#include "Global.h"
#include "Runtime.h"
#include "Values.h"

#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>

using namespace Platform;

namespace {
// The list column an entry of the field list stands for.
enum FieldRole { IndexRole = Qt::UserRole, WidthRole, RightRole };
}  // namespace

// Hands the library's Exporting event to the window.
class ListPrintForm::Events : public Pagivex::PreviewEvents {
public:
    explicit Events(ListPrintForm* form) : form_(form) {}
    void Exporting(Pagivex::ZVDestination iFormat) override { form_->Prw_Exporting(iFormat); }
    // A job that wrote the printer's next PDF file is one of the printer's files from now on;
    // printing again from the preview writes the one after it.
    void Done(Pagivex::ZVDestination iFormat) override {
        if (iFormat != Pagivex::zvPrinter || !form_->prw || !Printer().PrintsToPdf()) return;
        const QString file = form_->prw->PrintFile();
        // No page printed, no file: the next job still writes this one.
        if (file != Printer().NextPdfFile() || !QFileInfo::exists(file)) return;
        Printer().ClaimPdfFile();
        form_->prw->SetPrintFile(Printer().NextPdfFile());
    }

private:
    ListPrintForm* form_;
};

ListPrintForm::ListPrintForm() : events_(std::make_unique<Events>(this)) {
    setWindowTitle(QStringLiteral(" Stampa lista"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(new QLabel(QStringLiteral("campi da stampare"), this), row++, 0, 1, 2);
    lsFields = new QListWidget(this);
    lsFields->setObjectName("lsFields");
    grid->addWidget(lsFields, row, 0, 3, 1);
    cmdUp = Registry::Button(this, "cmdUp", QStringLiteral("▲"));
    cmdDown = Registry::Button(this, "cmdDown", QStringLiteral("▼"));
    cmdUp->setEnabled(false);
    cmdDown->setEnabled(false);
    grid->addWidget(cmdUp, row, 1);
    grid->addWidget(cmdDown, row + 1, 1);
    grid->setRowStretch(row + 2, 1);
    row += 3;

    auto margin = [&](const char* name, const QString& label) {
        auto* box = Registry::Box(this, name, 2);
        box->setText(QStringLiteral("7"));
        box->setMaximumWidth(40);
        box->installEventFilter(this);
        auto* line = new QHBoxLayout;
        line->addWidget(new QLabel(label, this));
        line->addWidget(box);
        line->addWidget(new QLabel(QStringLiteral("mm"), this));
        line->addStretch();
        grid->addLayout(line, row++, 0, 1, 2);
        return box;
    };
    txMargHor = margin("txMargHor", QStringLiteral("marg.orizz."));
    txMargVert = margin("txMargVert", QStringLiteral("marg.vert."));
    ckAnteprima = new QCheckBox(QStringLiteral("mostra anteprima prima della stampa"), this);
    ckAnteprima->setObjectName("ckAnteprima");
    ckAnteprima->setChecked(true);
    grid->addWidget(ckAnteprima, row++, 0, 1, 2);
    // Room for a window's own options.
    grid->addLayout(new QVBoxLayout, row++, 0, 1, 2);

    cmdImpostaStampante = Registry::Button(this, "cmdImpostaStampante", QStringLiteral("imposta stampante"));
    cmdStampa = Registry::Button(this, "cmdStampa", QStringLiteral("stampa"));
    cmdAnnulla = Registry::Button(this, "cmdAnnulla", QStringLiteral("annulla"));
    SetCancelButton(cmdAnnulla);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdImpostaStampante);
    buttons->addWidget(cmdStampa);
    buttons->addWidget(cmdAnnulla);
    grid->addLayout(buttons, row++, 0, 1, 2);

    connect(cmdStampa, &QPushButton::clicked, this, &ListPrintForm::cmdStampa_Click);
    connect(cmdImpostaStampante, &QPushButton::clicked, this, &ListPrintForm::cmdImpostaStampante_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &ListPrintForm::cmdAnnulla_Click);
    connect(cmdUp, &QPushButton::clicked, this, &ListPrintForm::cmdUp_Click);
    connect(cmdDown, &QPushButton::clicked, this, &ListPrintForm::cmdDown_Click);
    connect(lsFields, &QListWidget::itemSelectionChanged, this, &ListPrintForm::lsFields_Click);
    resize(360, 420);
}

ListPrintForm::~ListPrintForm() {
    if (prw) prw->SetEventSink(nullptr);
}

void ListPrintForm::AddFieldsOption(QWidget* option) {
    auto* grid = static_cast<QGridLayout*>(layout());
    auto* options = static_cast<QVBoxLayout*>(grid->itemAtPosition(grid->rowCount() - 2, 0)->layout());
    options->addWidget(option);
}

bool ListPrintForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == txMargHor) txMargHor_LostFocus();
        if (watched == txMargVert) txMargVert_LostFocus();
    }
    return Form::eventFilter(watched, event);
}

QString ListPrintForm::Where(const char* procedure) const {
    return QStringLiteral("Procedura %1 di Form %2").arg(QLatin1String(procedure), QLatin1String(metaObject()->className()));
}

void ListPrintForm::FillFields(const Platform::ListView* list, bool skipBlankCaptions) {
    lsFields->clear();
    if (!list) return;
    for (const ListPrint::Column& c : ListPrint::ColumnsOf(*list)) {
        if (skipBlankCaptions && Trim(c.caption).isEmpty()) continue;
        auto* entry = new QListWidgetItem(c.caption, lsFields);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(Qt::Checked);
        // The column is kept by its index: captions need not be keys, nor unique.
        entry->setData(IndexRole, c.index);
        entry->setData(WidthRole, c.widthTwips);
        entry->setData(RightRole, c.rightAligned);
    }
    lsFields->clearSelection();
    lsFields->setCurrentRow(-1);
}

QList<ListPrint::Column> ListPrintForm::CheckedColumns() const {
    QList<ListPrint::Column> columns;
    for (int i = 0; i < lsFields->count(); ++i) {
        const QListWidgetItem* entry = lsFields->item(i);
        if (entry->checkState() != Qt::Checked) continue;
        columns.append({entry->text(), entry->data(IndexRole).toInt(), entry->data(WidthRole).toDouble(),
                        entry->data(RightRole).toBool()});
    }
    return columns;
}

void ListPrintForm::lsFields_Click() {
    const QList<QListWidgetItem*> selected = lsFields->selectedItems();
    const int row = selected.isEmpty() ? -1 : lsFields->row(selected.first());
    cmdUp->setEnabled(row > 0);
    cmdDown->setEnabled(row >= 0 && row < lsFields->count() - 1);
}

void ListPrintForm::MoveField(int step) {
    const QList<QListWidgetItem*> selected = lsFields->selectedItems();
    if (selected.isEmpty()) return;
    const int row = lsFields->row(selected.first());
    const int target = row + step;
    if (target < 0 || target >= lsFields->count()) return;
    // The entry moves whole (caption, check mark and column) and stays selected.
    QListWidgetItem* entry = lsFields->takeItem(row);
    lsFields->insertItem(target, entry);
    lsFields->setCurrentItem(entry);
    entry->setSelected(true);
    lsFields_Click();
}

void ListPrintForm::cmdUp_Click() { MoveField(-1); }
void ListPrintForm::cmdDown_Click() { MoveField(+1); }

// A margin is its leading number: "12mm" becomes 12, a text without one 0.
void ListPrintForm::txMargHor_LostFocus() { txMargHor->setText(QString::number(Val(txMargHor->text()))); }
void ListPrintForm::txMargVert_LostFocus() { txMargVert->setText(QString::number(Val(txMargVert->text()))); }

void ListPrintForm::cmdImpostaStampante_Click() {
    CD.DialogTitle = QStringLiteral("Impostazione stampante");
    CD.CancelError = true;
    Printer().OfferChoice(CD.PrinterDevice());
    try {
        CD.ShowPrinter(this);
    } catch (const BasicError&) {
        // Cancelled: the printer stays as it was.
        Err().Clear();
        return;
    }
    // The printer, or the PDF file, chosen is what the next runs print on.
    Printer().TakeChoice(CD.PrinterDevice());
}

void ListPrintForm::cmdAnnulla_Click() { Unload(); }

void ListPrintForm::Prw_Exporting(int iFormat) {
    CD.DialogTitle = QStringLiteral("Esportazione file");
    CD.DefaultExt = ListPrint::DefaultExtension(iFormat).mid(1);
    CD.CancelError = true;
    // The export needs a name: the dialog comes back until one is given.
    for (;;) {
        try {
            CD.ShowSave(QApplication::activeModalWidget());
            break;
        } catch (const BasicError& e) {
            Err().Clear();
            if (e.Number() != cdlCancel) throw;
        }
    }
    CD.FileName = ListPrint::WithDefaultExtension(CD.FileName, iFormat);
    if (prw) prw->SetOutputFile(CD.FileName);
}

void ListPrintForm::cmdStampa_Click() {
    // A run is under way (the wait window lets events through).
    if (prw) return;
    const bool preview = ckAnteprima->isChecked();
    PrinterObject& printer = Printer();
    // Without a printer the user is told so first, whether or not a preview comes; the pages
    // can still be previewed and exported.
    if (!printer.Available()) {
        MsgBox(QStringLiteral("Non risulta installata alcuna stampante"), vbOKOnly);
        if (!preview) return;
    }
    ListPrint::Request request;
    request.style = PrintStyle();
    request.marginHmm = Val(txMargHor->text());
    request.marginVmm = Val(txMargVert->text());
    request.title = PrintTitle();
    request.today = Now().date();
    request.columns = CheckedColumns();
    Comuni::ShowWait();
    bool failed = false;
    try {
        prw = Pagivex::CreatePreview();
        prw->SetEventSink(events_.get());
        prw->SetApplication(App::Title());
        if (printer.PrintsToPdf()) prw->SetPrintFile(printer.NextPdfFile());
        else if (!printer.DeviceName().isEmpty()) prw->SetPrinter(printer.DeviceName());
        BeforeComposing();
        const Platform::ListView* list = SourceList();
        const ListPrint::Rows rows = list ? ListPrint::RowsOf(*list)
                                          : ListPrint::Rows{[] { return 0; }, [](int, int) { return QString(); }};
        ListPrint::Compose(*prw->Pages(), request, rows);
        if (preview) {
            Comuni::HideWait();
            prw->Show();
        } else {
            prw->PrintPages();
        }
    } catch (const Pagivex::Error& e) {
        // The library's own number and text reach the error box.
        Err().Set(e.Number(), e.Description(), e.Source());
        failed = true;
    } catch (const std::exception& e) {
        Err().Set(e);
        failed = true;
    }
    // Whatever happened, the preview object goes and the wait window with it, before any message.
    if (prw) prw->SetEventSink(nullptr);
    prw.reset();
    Comuni::HideWait();
    if (failed) {
        Global::ShowProcError(Err(), Where("cmdStampa_Click"), App::Title());
        Err().Clear();
    }
}
