#pragma once
// What the two list-printing windows share: the field list with its order
// buttons, the margins, the preview option, the printer set-up and the print
// run, which composes the pages through the print-preview library and then
// previews or prints them, naming the file of an export made from the preview.

#include "CommonDialog.h"
#include "Form.h"
#include "ListPrint.h"

#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
namespace Platform { class ListView; class MultiButton; }
namespace Pagivex { class Preview; }

class ListPrintForm : public Platform::Form {
    Q_OBJECT
public:
    ListPrintForm();
    ~ListPrintForm() override;

    QListWidget* lsFields;
    Platform::MultiButton* cmdUp;
    Platform::MultiButton* cmdDown;
    QLineEdit* txMargHor;
    QLineEdit* txMargVert;
    QCheckBox* ckAnteprima;
    Platform::MultiButton* cmdImpostaStampante;
    Platform::MultiButton* cmdStampa;
    Platform::MultiButton* cmdAnnulla;
    Platform::CommonDialog CD;
    // The print run's preview object: it exists only while a run lasts.
    std::shared_ptr<Pagivex::Preview> prw;

    void cmdStampa_Click();
    void cmdImpostaStampante_Click();
    void cmdAnnulla_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void lsFields_Click();
    void txMargHor_LostFocus();
    void txMargVert_LostFocus();
    // Names the file of an export started from the preview window.
    void Prw_Exporting(int iFormat);

    // The entries of the field list that are checked, in their order.
    QList<ListPrint::Column> CheckedColumns() const;

protected:
    // The field list offers the list's columns, all checked; blank captions
    // are left out when asked.
    void FillFields(const Platform::ListView* list, bool skipBlankCaptions);
    void AddFieldsOption(QWidget* option);

    virtual QString PrintTitle() const = 0;
    virtual ListPrint::Style PrintStyle() const = 0;
    virtual const Platform::ListView* SourceList() const = 0;
    // Called once the pages are set up, before the rows are laid out.
    virtual void BeforeComposing() {}

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveField(int step);
    QString Where(const char* procedure) const;
    class Events;
    std::unique_ptr<Events> events_;
};
