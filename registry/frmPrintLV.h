#pragma once
#include "ListPrintForm.h"

#include "ListView.h"

#include <QPointer>

// Prints the rows of an on-screen list as a table; the registry search opens
// it for its result list.
class frmPrintLV : public ListPrintForm {
    Q_OBJECT
public:
    frmPrintLV();

    // Offers the list's captioned columns for printing and shows the window
    // modally; returns when it is hidden (by a print run) or closed.
    void ShowPrint(Platform::ListView& LV, const QString& title);
    void ckAnteprima_Click();

protected:
    void Form_Load() override;
    QString PrintTitle() const override { return title_; }
    ListPrint::Style PrintStyle() const override { return {}; }
    const Platform::ListView* SourceList() const override { return list_; }
    // The window steps aside for the preview, keeping its margins for the next list.
    void BeforeComposing() override { Hide(); }

private:
    QPointer<Platform::ListView> list_;
    QString title_;
};
