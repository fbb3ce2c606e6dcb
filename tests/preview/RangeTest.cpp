// Page-range expressions of the print selection.
#include "PreviewTestKit.h"

#include "clsPrintDialog.h"
#include "clsRangeSelector.h"

using Pagivex::clsRangeSelector;

namespace {
QString Normalised(const QString& text) {
    clsRangeSelector s;
    s.SetSelectionString(text);
    return s.SelectionString();
}
}  // namespace

TEST(Ranges, ExpressionsAreNormalised) {
    EXPECT_EQ(Normalised("3-5, 1"), "1, 3-5");
    EXPECT_EQ(Normalised("1-3,4-6"), "1-6");
    EXPECT_EQ(Normalised("5-2"), "2-5");
    EXPECT_EQ(Normalised("7 to *"), "7-*");
    EXPECT_EQ(Normalised("7 TO 9"), "7-9");
    EXPECT_EQ(Normalised("2-*, 1"), "Tutte");
    EXPECT_EQ(Normalised("x"), "0");
    EXPECT_EQ(Normalised("4-0"), "0-4");
    EXPECT_EQ(Normalised("0-4, 6"), "6");
    EXPECT_EQ(Normalised(" 2 , 2 , 3 "), "2-3");
    EXPECT_EQ(Normalised("-, , 8"), "8");
    EXPECT_EQ(Normalised("-4"), "1-4");
}

TEST(Ranges, FractionalPageNumbersRoundHalfToEven) {
    clsRangeSelector s;
    s.SetSelectionString("2.5, 3.5");
    EXPECT_EQ(s.SelectionString(), "2, 4");
    EXPECT_FALSE(s.ElementInRange(1));
    EXPECT_TRUE(s.ElementInRange(2));
    EXPECT_FALSE(s.ElementInRange(3));
    EXPECT_TRUE(s.ElementInRange(4));
    EXPECT_EQ(s.RangeMin(), 2);
    EXPECT_EQ(s.RangeMax(), 4);
}

TEST(Ranges, AllPagesAndBlankTexts) {
    clsRangeSelector s;
    EXPECT_EQ(s.SelectionString(), "Tutte");
    EXPECT_TRUE(s.ElementInRange(123456));
    s.SetSelectionString("3");
    s.SetSelectionString("   ");
    EXPECT_EQ(s.SelectionString(), "3");
    s.SetSelectionString("tUTTE");
    EXPECT_EQ(s.SelectionString(), "Tutte");
    s.SetSelectionString("3");
    s.SetSelectionString("*");
    EXPECT_TRUE(s.ElementInRange(7));
    EXPECT_EQ(s.RangeMin(), 1);
    EXPECT_EQ(s.RangeMax(), clsRangeSelector::OpenEnd);
    s.SetSelectionString("x");
    EXPECT_FALSE(s.ElementInRange(0 + 1));
    s.SetSelectionString("99999999999");
    EXPECT_EQ(s.SelectionString(), "0");
}

TEST(Ranges, AddRangeMergesAndOpenEnds) {
    clsRangeSelector s;
    s.SetSelectionString("1");
    s.AddRange(5, 0);
    EXPECT_EQ(s.SelectionString(), "1, 5-*");
    s.AddRange(2, 4);
    EXPECT_EQ(s.SelectionString(), "Tutte");
}

TEST(PrintDialog, PageNumberPropertiesKeepTheirOrder) {
    Pagivex::clsPrintDialog d;
    EXPECT_EQ(d.Flags, 2);
    d.SetMax(0);
    EXPECT_EQ(d.Flags & 2, 0);
    d.SetFromPage(5);
    EXPECT_EQ(d.Flags & 2, 2);
    EXPECT_EQ(d.ToPage(), 5);
    EXPECT_EQ(d.Max(), 5);
    d.SetMin(7);
    EXPECT_EQ(d.FromPage(), 7);
    EXPECT_EQ(d.Max(), 7);
    d.SetToPage(3);
    EXPECT_EQ(d.FromPage(), 3);
    EXPECT_EQ(d.Min(), 3);
    d.SetMax(2);
    EXPECT_EQ(d.ToPage(), 2);
    EXPECT_EQ(d.Min(), 2);
    d.SetMin(-4);
    EXPECT_EQ(d.Min(), 0);
}

TEST(PrintDialog, CancelRaisesOnlyWhenAsked) {
    Pagivex::PrintDialogHook() = [](Pagivex::PrintDialogChoice&, QWidget*) { return false; };
    Pagivex::clsPrintDialog d;
    EXPECT_FALSE(d.ShowPrinter());
    d.CancelError = true;
    try {
        d.ShowPrinter();
        FAIL() << "no error";
    } catch (const Pagivex::Error& e) {
        EXPECT_EQ(e.Number(), 32755);
        EXPECT_EQ(e.Description(), "Selection Canceled");
    }
    Pagivex::PrintDialogHook() = nullptr;
}

TEST(PrintDialog, ConfirmedChoiceBecomesTheCurrentPrinter) {
    Pagivex::InstalledPrintersHook() = [] { return QStringList{"Ufficio", "Magazzino"}; };
    Pagivex::PrintDialogHook() = [](Pagivex::PrintDialogChoice& choice, QWidget*) {
        EXPECT_EQ(choice.Copies, 1);
        choice.PrinterName = "magazzino";
        choice.Copies = 3;
        choice.Orientation = QPageLayout::Landscape;
        return true;
    };
    const Pagivex::CurrentPrinterState saved = Pagivex::CurrentPrinter();
    Pagivex::clsPrintDialog d;
    EXPECT_TRUE(d.ShowPrinter());
    EXPECT_EQ(Pagivex::CurrentPrinter().DeviceName, "Magazzino");
    EXPECT_EQ(Pagivex::CurrentPrinter().Copies, 3);
    EXPECT_EQ(Pagivex::CurrentPrinter().Orientation, QPageLayout::Landscape);
    Pagivex::CurrentPrinter() = saved;
    Pagivex::PrintDialogHook() = nullptr;
    Pagivex::InstalledPrintersHook() = nullptr;
}
