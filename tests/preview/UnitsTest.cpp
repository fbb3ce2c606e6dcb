// Units, rounding, paper and orientation of the page collection and its pages.
#include "PreviewTestKit.h"

#include "Page.h"
#include "Pages.h"
#include "modGlobals.h"

using Pagivex::modGlobals::CLng;

namespace {
std::shared_ptr<Pagivex::impl::Pages> NewPages() { return std::make_shared<Pagivex::impl::Pages>(); }
}  // namespace

TEST(Units, HalfToEvenRoundingAndOverflow) {
    EXPECT_EQ(CLng(2.5, "T", "P"), 2);
    EXPECT_EQ(CLng(3.5, "T", "P"), 4);
    EXPECT_EQ(CLng(-2.5, "T", "P"), -2);
    EXPECT_EQ(CLng(2147483647.4, "T", "P"), 2147483647);
    try {
        CLng(2147483647.5, "Page", "DrawText");
        FAIL() << "no overflow";
    } catch (const Pagivex::Error& e) {
        EXPECT_EQ(e.Number(), 6);
        EXPECT_EQ(e.Description(), "Overflow");
        EXPECT_EQ(e.Source(), "Pagivex.Page.DrawText");
    }
}

TEST(Units, CentimetresAreStoredAsWholePixelsInSingleArithmetic) {
    auto pages = NewPages();
    pages->SetScaleMode(7);
    pages->SetWidth(21);
    EXPECT_FLOAT_EQ(pages->PixelWidth(), 799.9008f);
    EXPECT_FLOAT_EQ(pages->Width(), 21.0f);
    pages->SetHeight(29.7f);
    auto page = std::dynamic_pointer_cast<Pagivex::impl::Page>(pages->Add());
    EXPECT_EQ(page->DisplayWidth(), 800);
    EXPECT_EQ(page->DisplayHeight(), 1131);
    EXPECT_EQ(page->PaperSize(), 256);
    page->DrawText("a", 1, 2.5f, 5, 0.5f);
    page->DrawLine(0, 0, 21, 0.1f);
    const Pagivex::PageElement text = page->Element(1);
    EXPECT_EQ(text.Left, 38);     // 38.09
    EXPECT_EQ(text.Top, 95);      // 95.226
    EXPECT_EQ(text.Width, 190);   // 190.45
    EXPECT_EQ(text.Height, 19);   // 19.045
    EXPECT_EQ(page->Element(2).Width, 800);
    EXPECT_EQ(page->Element(2).Height, 4);
}

TEST(Units, ScaleFactorsOfEveryMode) {
    using Pagivex::impl::ScaleFactor;
    EXPECT_FLOAT_EQ(ScaleFactor(1), 0.06666667f);
    EXPECT_FLOAT_EQ(ScaleFactor(2), 1.3333334f);
    EXPECT_FLOAT_EQ(ScaleFactor(3), 1.0f);
    EXPECT_FLOAT_EQ(ScaleFactor(5), 96.0f);
    EXPECT_FLOAT_EQ(ScaleFactor(6), 3.8090513f);
    EXPECT_FLOAT_EQ(ScaleFactor(7), 38.090513f);
    auto pages = NewPages();
    pages->SetScaleMode(1);
    pages->SetWidth(1440 * 8.5f);
    pages->SetHeight(1440 * 11);
    auto page = pages->Add();
    page->DrawBox(1440, 720, 15, 7.5f);
    const Pagivex::PageElement box = page->Element(1);
    EXPECT_EQ(box.Left, 96);
    EXPECT_EQ(box.Top, 48);
    EXPECT_EQ(box.Width, 1);
    EXPECT_EQ(box.Height, 0);  // 0.5 rounds to even
    EXPECT_EQ(box.BackColor, -1);
    EXPECT_EQ(box.Size, 1.0f);
}

TEST(Units, DrawingOutsideTheLongRangeRaisesOverflowAndAddsNothing) {
    auto pages = NewPages();
    pages->SetScaleMode(7);
    auto page = pages->Add();
    try {
        page->DrawText("x", 1e9f, 0, 1, 1);
        FAIL() << "no overflow";
    } catch (const Pagivex::Error& e) {
        EXPECT_EQ(e.Number(), 6);
        EXPECT_EQ(e.Source(), "Pagivex.Page.DrawText");
    }
    EXPECT_EQ(page->Count(), 0);
}

TEST(ScaleMode, UnsupportedModesShowAMessageAndChangeNothing) {
    PreviewTest::ScriptedBoxes boxes;
    auto pages = NewPages();
    pages->SetScaleMode(7);
    for (int mode : {0, 4, 8, -1}) pages->SetScaleMode(mode);
    EXPECT_EQ(pages->ScaleMode(), 7);
    ASSERT_EQ(boxes.messages.size(), 4);
    EXPECT_EQ(boxes.messages[0], "Scala non supportata");
    EXPECT_EQ(boxes.styles[0], 0);
}

TEST(ScaleMode, ChangingItWithPagesRaises1075ButTheSameValueIsAccepted) {
    auto pages = NewPages();
    pages->SetScaleMode(7);
    pages->Add();
    EXPECT_NO_THROW(pages->SetScaleMode(7));
    try {
        pages->SetScaleMode(5);
        FAIL() << "no error";
    } catch (const Pagivex::Error& e) {
        EXPECT_EQ(e.Number(), 1075);
        EXPECT_EQ(e.Source(), "Pagivex.Pages.ScaleMode[Let]");
        EXPECT_EQ(e.Description(), "Could not change the ScaleMode property when pages already exists.");
    }
    EXPECT_EQ(pages->ScaleMode(), 7);
}

TEST(Paper, SizesGivenExactlyMapToStandardCodesInEitherOrder) {
    auto pages = NewPages();
    EXPECT_EQ(pages->Width(), 0.0f);  // nothing set yet
    pages->SetWidth(8.5f);
    pages->SetHeight(11);
    EXPECT_EQ(pages->PaperSize(), 1);
    EXPECT_FALSE(pages->Landscape());
    pages->SetWidth(11);
    EXPECT_EQ(pages->PaperSize(), 256);
    pages->SetHeight(8.5f);
    EXPECT_EQ(pages->PaperSize(), 1);
    EXPECT_TRUE(pages->Landscape());
    pages->SetWidth(8.5f);
    pages->SetHeight(11.5f);
    EXPECT_EQ(pages->PaperSize(), 256);
    pages->SetHeight(14);
    EXPECT_EQ(pages->PaperSize(), 5);
}

TEST(Paper, PaperSizeCodeSetsTheDisplaySizeAndTheUserSize) {
    auto pages = NewPages();
    pages->SetLandscape(true);
    pages->SetPaperSize(9);
    EXPECT_EQ(pages->PixelWidth(), 1152.0f);
    EXPECT_EQ(pages->PixelHeight(), 816.0f);
    EXPECT_FLOAT_EQ(pages->Width(), 12.0f);
    EXPECT_FLOAT_EQ(pages->Height(), 8.5f);
    pages->SetPaperSize(42);
    EXPECT_EQ(pages->PaperSize(), 256);
    EXPECT_EQ(pages->PixelWidth(), 1152.0f);
}

TEST(Paper, LandscapeSwapsOnlyWhenTheSheetDoesNotMatch) {
    auto pages = NewPages();
    pages->SetWidth(8.5f);
    pages->SetHeight(11);
    auto page = pages->Add();
    page->SetLandscape(true);
    EXPECT_EQ(page->DisplayWidth(), 1056);
    EXPECT_EQ(page->DisplayHeight(), 816);
    EXPECT_FLOAT_EQ(page->Width(), 8.5f);  // the user size is kept
    page->SetLandscape(true);
    EXPECT_EQ(page->DisplayWidth(), 1056);
    page->SetLandscape(false);
    EXPECT_EQ(page->DisplayWidth(), 816);
}

TEST(Paper, APageOfANeverSizedCollectionIsEmpty) {
    auto pages = NewPages();
    auto page = pages->Add();
    EXPECT_EQ(page->DisplayWidth(), 0);
    EXPECT_EQ(page->DisplayHeight(), 0);
    EXPECT_EQ(page->PaperSize(), 256);
}

TEST(Sections, StoreClearRestoreAndTheUpperBound) {
    auto pages = NewPages();
    auto page = pages->Add();
    page->NewSection();
    page->NewSection();
    page->DrawText("a", 0, 0, 1, 1);
    EXPECT_EQ(page->Element(1).SectionType, 2);
    page->StoreSection();
    page->Clear();
    EXPECT_EQ(page->SectionType(), 0);
    EXPECT_EQ(page->Count(), 0);
    page->RestoreSection();
    EXPECT_EQ(page->SectionType(), 2);
    page->SetSectionType(32767);
    EXPECT_THROW(page->NewSection(), Pagivex::Error);
    EXPECT_EQ(page->SectionType(), 32767);
}

TEST(Collection, NavigationRaisesPageSelectedOnlyWhenItMoves) {
    struct Sink : Pagivex::PagesEvents {
        QList<QPair<int, int>> selected;
        int added = 0, cleared = 0;
        void PageAdded(qint32&) override { ++added; }
        void Cleared() override { ++cleared; }
        void PageSelected(qint32 page, qint32& count) override { selected.append({page, count}); }
    } sink;
    auto pages = NewPages();
    pages->SetEventSink(&sink);
    for (int i = 0; i < 3; ++i) pages->Add();
    EXPECT_EQ(sink.added, 3);
    EXPECT_EQ(pages->SelectPage(0), 0);
    EXPECT_EQ(pages->SelectPage(4), 0);
    EXPECT_TRUE(sink.selected.isEmpty());
    EXPECT_EQ(pages->SelectPage(1), 1);
    pages->MovePage(2);  // already on the first page
    EXPECT_EQ(sink.selected.size(), 1);
    pages->MovePage(1);  // moves onto the same page and still tells
    EXPECT_EQ(sink.selected.size(), 2);
    EXPECT_FALSE(pages->CanMovePage(2));
    EXPECT_TRUE(pages->CanMovePage(4));
    pages->MovePage(5);
    EXPECT_EQ(sink.selected.last(), qMakePair(3, 3));
    EXPECT_FALSE(pages->CanMovePage(4));
    EXPECT_EQ(pages->ActivePage()->Index(), 3);
    pages->Clear();
    EXPECT_EQ(sink.cleared, 1);
    EXPECT_EQ(pages->ActivePage(), nullptr);
    EXPECT_THROW(pages->Item(1), Pagivex::Error);
}

TEST(Lifetime, PagesAndPagesKeptAfterThePreviewIsReleasedStayUsable) {
    std::shared_ptr<Pagivex::Pages> pages;
    std::shared_ptr<Pagivex::Page> page;
    {
        auto preview = Pagivex::CreatePreview();
        pages = preview->Pages();
        page = pages->Add();
    }
    pages->SetSelection("1");  // used to reach the freed preview for its range label
    EXPECT_EQ(pages->Selection(), "1");
    page->DrawText("still here", 0, 0, 1, 1);
    EXPECT_TRUE(page->Enabled());
    page->SetActive();
    std::weak_ptr<Pagivex::Pages> weakPages = pages;
    pages.reset();
    EXPECT_TRUE(weakPages.expired());
    EXPECT_EQ(page->Parent(), nullptr);
    page->SetActive();
    EXPECT_EQ(page->SetFont("Arial", 12), 2);
}

TEST(Collection, TextTakesTheActiveFontOfTheMomentAndTheNameIsShared) {
    auto first = Pagivex::CreatePreview();
    auto second = Pagivex::CreatePreview();
    first->SetApplication("Brivalto");
    EXPECT_EQ(second->Application(), "Brivalto");  // one name for the whole library
    auto pages = first->Pages();
    auto page = pages->Add();
    const qint16 bold = page->SetFont("Arial", 12, true);
    page->DrawText("a", 0, 0, 1, 1);
    pages->SetFont("Arial", 8.5f);
    page->DrawText("b", 0, 0, 1, 1);
    page->DrawText("c", 0, 0, 1, 1, 0, -1, Pagivex::prvAlignleft, bold);
    EXPECT_EQ(page->Element(1).FontIndex, bold);
    EXPECT_EQ(page->Element(2).FontIndex, 1);
    EXPECT_EQ(page->Element(3).FontIndex, bold);
    EXPECT_EQ(pages->FontMap()->Count(), 2);
}
