#pragma once
#include "ListPrintForm.h"

#include "ListView.h"

#include <QPointer>

class QCheckBox;

// Prints the activity list as a table; long cells may continue on further lines.
class frmPrint : public ListPrintForm {
    Q_OBJECT
public:
    // The list it prints: the activity list window's own.
    explicit frmPrint(Platform::ListView* list);

    QCheckBox* ckSplitRighe;

    // Opens a window for the list modally; it unloads itself when closed.
    static void PrintList(Platform::ListView* list);

protected:
    void Form_Load() override;
    QString PrintTitle() const override;
    ListPrint::Style PrintStyle() const override;
    const Platform::ListView* SourceList() const override { return list_; }

private:
    QPointer<Platform::ListView> list_;
};
