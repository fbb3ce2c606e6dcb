// Band sorting of page elements for the exporters.
#include "PreviewTestKit.h"

#include "clsSortPageElements.h"

using Pagivex::PageElement;

namespace {
PageElement Text(const QString& text, int left, int top, int height = 10) {
    PageElement e;
    e.Type = 1;
    e.Text = text;
    e.Left = left;
    e.Top = top;
    e.Width = 50;
    e.Height = height;
    return e;
}
QStringList Texts(const std::vector<PageElement>& items) {
    QStringList out;
    for (const PageElement& e : items) out << e.Text + "@" + QString::number(e.BandIndex);
    return out;
}
}  // namespace

TEST(BandSorter, ToleranceDecidesWhetherANeighbourJoinsTheBand) {
    Pagivex::clsSortPageElements sorter;
    std::vector<PageElement> items{Text("b", 0, 115), Text("a", 0, 100, 50)};
    sorter.SortElements(items);
    EXPECT_EQ(Texts(items), (QStringList{"a@1", "b@1"}));
    sorter.SetToleranceRatio(0.2f);
    items = {Text("b", 0, 115), Text("a", 0, 100, 50)};
    sorter.SortElements(items);
    EXPECT_EQ(Texts(items), (QStringList{"a@1", "b@2"}));
    sorter.SetToleranceRatio(1.5f);
    EXPECT_EQ(sorter.ToleranceRatio(), 1.0f);
    sorter.SetToleranceRatio(-0.1f);
    EXPECT_EQ(sorter.ToleranceRatio(), 0.0f);
}

TEST(BandSorter, RowsTopToBottomAndCellsLeftToRightWithinABand) {
    Pagivex::clsSortPageElements sorter;
    std::vector<PageElement> items{Text("r2c3", 300, 40), Text("r1c2", 200, 10), Text("r2c1", 10, 42),
                                   Text("r1c1", 10, 12), Text("r2c2", 150, 40), Text("r1c3", 400, 10),
                                   Text("r1c0", 5, 11)};
    sorter.SortElements(items);
    EXPECT_EQ(Texts(items), (QStringList{"r1c0@1", "r1c1@1", "r1c2@1", "r1c3@1", "r2c1@2", "r2c2@2", "r2c3@2"}));
}

TEST(BandSorter, ALineDrawnUpwardsDoesNotStallTheSort) {
    Pagivex::clsSortPageElements sorter;
    PageElement line;
    line.Type = 2;
    line.Text = "rule";
    line.Left = 0;
    line.Top = 200;   // Y1
    line.Width = 500; // X2
    line.Height = 100; // Y2 above Y1
    std::vector<PageElement> items{Text("a", 0, 10), line, Text("b", 0, 300)};
    sorter.SortElements(items);
    EXPECT_EQ(Texts(items), (QStringList{"a@1", "rule@2", "b@3"}));
}

TEST(BandSorter, PagesWithMoreThan101BandsKeepEveryRowInOrder) {
    Pagivex::clsSortPageElements sorter;
    std::vector<PageElement> items;
    for (int row = 150; row >= 1; --row) items.push_back(Text(QString::number(row), 0, row * 20));
    sorter.SortElements(items);
    ASSERT_EQ(items.size(), 150u);
    for (int row = 1; row <= 150; ++row) {
        EXPECT_EQ(items[size_t(row - 1)].Text, QString::number(row));
        EXPECT_EQ(items[size_t(row - 1)].BandIndex, row);
    }
}
