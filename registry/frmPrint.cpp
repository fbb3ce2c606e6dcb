#include "frmPrint.h"

#include "Comuni.h"
#include "Global.h"
#include "ListView.h"
#include "Printer.h"
#include "Runtime.h"
#include "Values.h"

#include <QCheckBox>
#include <QPageLayout>
#include <QPrinter>

namespace {

// The printer's twips per millimetre, read with its scale switched for the reading only.
double TwipsPerMillimetre() {
    auto& printer = Platform::Printer();
    const double widthPoints = printer.Device().pageLayout().fullRect(QPageLayout::Point).width();
    const int saved = printer.ScaleMode();
    printer.SetScaleMode(Platform::vbTwips);
    const double twips = printer.FromPoints(widthPoints);
    printer.SetScaleMode(Platform::vbMillimeters);
    const double millimetres = printer.FromPoints(widthPoints);
    printer.SetScaleMode(saved);
    return millimetres > 0 ? twips / millimetres : 1440.0 / 25.4;
}

}  // namespace

frmPrint::frmPrint(Platform::ListView* list) : list_(list) {
    ckSplitRighe = new QCheckBox(QStringLiteral("stampa contatto su più righe"), this);
    ckSplitRighe->setObjectName("ckSplitRighe");
    AddFieldsOption(ckSplitRighe);
}

void frmPrint::PrintList(Platform::ListView* list) {
    auto* window = new frmPrint(list);
    window->setObjectName(QStringLiteral("frmPrint"));
    window->Show(Platform::vbModal);
    if (!window->IsUnloaded()) window->Unload();
}

void frmPrint::Form_Load() {
    FillFields(list_, false);
    Global::ApplyFormStyle(this);
    // The caller's wait window goes once the columns are listed.
    Comuni::HideWait();
}

QString frmPrint::PrintTitle() const {
    return QStringLiteral("Lista contatti stampata il ") + Platform::Format(Platform::Now(), QStringLiteral("dd/mm/yyyy hh.nn"));
}

ListPrint::Style frmPrint::PrintStyle() const {
    ListPrint::Style style;
    style.rightAlignment = false;
    style.blankBeforePageNumber = false;
    style.splitLines = ckSplitRighe->isChecked();
    if (style.splitLines) style.twipsPerMillimetre = TwipsPerMillimetre();
    return style;
}
