#include "frmPrintLV.h"

#include "Comuni.h"
#include "Global.h"
#include "ListView.h"
#include "MultiButton.h"

#include <QCheckBox>
#include <QListWidget>

frmPrintLV::frmPrintLV() {
    connect(ckAnteprima, &QCheckBox::toggled, this, &frmPrintLV::ckAnteprima_Click);
}

void frmPrintLV::Form_Load() {
    Global::ApplyFormStyle(this);
    ckAnteprima_Click();
}

void frmPrintLV::ckAnteprima_Click() {
    // A ticked preview stands out in red.
    if (ckAnteprima->isChecked()) {
        Platform::SetBackColor(ckAnteprima, 255);
        Platform::SetForeColor(ckAnteprima, 0);
    } else {
        Platform::SetBackColor(ckAnteprima, Global::gColButton);
        Platform::SetForeColor(ckAnteprima, Global::gColText);
    }
}

void frmPrintLV::ShowPrint(Platform::ListView& LV, const QString& title) {
    title_ = title;
    lsFields->clear();
    Comuni::ShowWait();
    list_ = &LV;
    FillFields(&LV, true);
    Comuni::HideWait();
    Show(Platform::vbModal);
}
