// The list view over its own rows: what the view learns of a fill, sorting,
// selection, check boxes and removals, seen both through the list's own
// interface and through the model the view draws from.

#include "ListView.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <gtest/gtest.h>

using namespace Platform;

namespace {
QStringList Keys(const ListView& lv) {
    QStringList keys;
    for (int i = 1; i <= lv.ItemCount(); ++i) keys << lv.Item(i).Key();
    return keys;
}

void Fill(ListView& lv, const QStringList& second) {
    lv.AddColumn("n", "n");
    lv.AddColumn("nome", "nome", 1440, 1);
    for (int i = 0; i < second.size(); ++i) lv.AddItem("k" + QString::number(i + 1), QString::number(i + 1)).SetSubItem(1, second[i]);
}
}  // namespace

TEST(ListViews, AFillReachesTheViewInOnePiece) {
    ListView lv;
    int insertions = 0, changes = 0;
    QObject::connect(lv.model(), &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    QObject::connect(lv.model(), &QAbstractItemModel::dataChanged, [&] { ++changes; });
    Fill(lv, {"b", "a", "c"});
    EXPECT_EQ(lv.ItemCount(), 3);
    EXPECT_EQ(lv.Item(2).SubItem(1), "a");
    QCoreApplication::processEvents();
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(changes, 0);
    QAbstractItemModel* model = lv.model();
    ASSERT_EQ(model->rowCount(), 3);
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->data(model->index(2, 1)).toString(), "c");
    EXPECT_EQ(model->data(model->index(2, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_FALSE(model->data(model->index(2, 0), Qt::TextAlignmentRole).isValid());
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "nome");

    // A row the view already shows tells it of each change.
    lv.Item(3).SetSubItem(1, "z");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(model->data(model->index(2, 1)).toString(), "z");

    // Asking about the selection shows pending rows at once, without events.
    lv.AddItem("k4", "4").SetSelected(true);
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(lv.SelectedItem().Key(), "k4");
    EXPECT_TRUE(lv.Item(4).Selected());
    EXPECT_FALSE(lv.Item(1).Selected());
}

TEST(ListViews, SortingKeepsHandlesTheSelectionAndTheOrderOfEqualRows) {
    ListView lv;
    Fill(lv, {"b", "B", "a", "b"});
    ListItem last = lv.Item(4);
    lv.Item(1).SetSelected(true);
    // By the text as people read it: blind to case, equal rows as they came.
    lv.sortByColumn(1, Qt::AscendingOrder);
    EXPECT_EQ(Keys(lv), QStringList({"k3", "k1", "k2", "k4"}));
    EXPECT_EQ(lv.SelectedItem().Key(), "k1");
    EXPECT_EQ(last.Index(), 4);
    lv.sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(Keys(lv), QStringList({"k1", "k2", "k4", "k3"}));
    EXPECT_EQ(lv.SelectedItem().Index(), 1);
    EXPECT_EQ(last.Index(), 3);
    EXPECT_EQ(lv.model()->data(lv.model()->index(1, 0)).toString(), "2");

    // With sorting on, rows added or changed later find their place.
    lv.sortByColumn(1, Qt::AscendingOrder);
    lv.setSortingEnabled(true);
    EXPECT_TRUE(lv.header()->sectionsClickable());
    lv.AddItem("k5", "5").SetSubItem(1, "A");
    QCoreApplication::processEvents();
    EXPECT_EQ(Keys(lv), QStringList({"k3", "k5", "k1", "k2", "k4"}));
    last.SetSubItem(1, "0");
    QCoreApplication::processEvents();
    EXPECT_EQ(last.Index(), 1);
}

TEST(ListViews, ChecksRemovalsDoubleClicksAndIcons) {
    ListView lv;
    Fill(lv, {"a", "b", "c"});
    lv.SetCheckboxes(true);
    QCoreApplication::processEvents();
    QAbstractItemModel* model = lv.model();
    // A click on a row's box reaches the item.
    EXPECT_TRUE(model->flags(model->index(1, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(lv.Item(2).Checked());
    EXPECT_EQ(model->data(model->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    EXPECT_TRUE(lv.AddItem("k4", "4").IsValid());
    EXPECT_FALSE(lv.Item(4).Checked());
    lv.SetCheckboxes(false);
    EXPECT_FALSE(lv.Item(2).Checked());
    EXPECT_FALSE(model->data(model->index(1, 0), Qt::CheckStateRole).isValid());

    // Removing a shown row and a row the view has not seen yet.
    ListItem third = lv.Item("k3");
    lv.RemoveItem(2);
    EXPECT_EQ(third.Index(), 2);
    lv.AddItem("k5", "5");
    lv.RemoveItem(4);
    lv.RemoveItem(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(Keys(lv), QStringList({"k1", "k3"}));
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->data(model->index(1, 0)).toString(), "3");

    QString clicked;
    QObject::connect(&lv, &ListView::ItemDoubleClicked, [&](const ListItem& item) { clicked = item.Key(); });
    emit lv.doubleClicked(model->index(1, 1));
    EXPECT_EQ(clicked, "k3");

    third.SetSmallIcon(2, QIcon(QPixmap(16, 16)));
    EXPECT_EQ(third.SmallIcon(), 2);
    EXPECT_TRUE(model->data(model->index(1, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model->data(model->index(0, 0), Qt::DecorationRole).isValid());

    lv.ClearColumns();
    EXPECT_EQ(lv.ItemCount(), 0);
    EXPECT_EQ(model->columnCount(), 0);
    lv.AddColumn("x", "x");
    EXPECT_EQ(lv.header()->count(), 1);
}

TEST(ListViews, TextsReadBackAsSetThroughChangesRemovalsAndRefills) {
    ListView lv;
    lv.AddColumn("n", "n");
    lv.AddColumn("nome", "nome");
    auto text = [](int row, int round) {
        return QString("riga %1 giro %2 ").arg(row).arg(round).repeated(1 + round % 3);
    };
    auto fill = [&](int rows) {
        for (int i = 0; i < rows; ++i)
            lv.AddItem("k" + QString::number(i), QString::number(i)).SetSubItem(1, text(i, 0));
    };
    fill(2000);
    // Texts changed to longer and shorter ones, again and again, and rows removed: what is
    // read back is always the last text set.
    for (int round = 1; round <= 6; ++round)
        for (int i = 1; i <= lv.ItemCount(); ++i) lv.Item(i).SetSubItem(1, text(i - 1, round));
    for (int i = lv.ItemCount(); i >= 1; i -= 3) lv.RemoveItem(i);
    for (int i = 1; i <= lv.ItemCount(); ++i) {
        const ListItem item = lv.Item(i);
        ASSERT_EQ(item.SubItem(1), text(item.Text().toInt(), 6)) << i;
        ASSERT_EQ(item.Key(), "k" + item.Text());
    }
    EXPECT_EQ(lv.Item("k0").SubItem(1), text(0, 6));
    // A text never set reads as null, an empty one as empty.
    lv.Item(1).SetSubItem(1, QString(""));
    EXPECT_FALSE(lv.Item(1).SubItem(1).isNull());
    EXPECT_TRUE(lv.Item(1).SubItem(1).isEmpty());
    EXPECT_TRUE(lv.Item(1).SubItem(4).isNull());

    // Emptied and filled again, the list holds only the new rows.
    lv.ClearItems();
    fill(300);
    QCoreApplication::processEvents();
    ASSERT_EQ(lv.model()->rowCount(), 300);
    for (int i = 1; i <= 300; ++i) ASSERT_EQ(lv.model()->data(lv.model()->index(i - 1, 1)).toString(), text(i - 1, 0));
}
