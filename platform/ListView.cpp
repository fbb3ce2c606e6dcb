#include "ListView.h"

#include "Values.h"

#include <QHeaderView>

namespace Platform {

namespace {
constexpr int KeyRole = Qt::UserRole + 1;
constexpr int TagRole = Qt::UserRole + 2;
}  // namespace

// ------------------------------------------------------------ ColumnHeader

QString ColumnHeader::Key() const { return view_->keys_.value(index_ - 1); }
void ColumnHeader::SetKey(const QString& key) {
    if (index_ >= 1 && index_ <= view_->keys_.size()) view_->keys_[index_ - 1] = key;
}
QString ColumnHeader::Text() const { return view_->headerItem()->text(index_ - 1); }
void ColumnHeader::SetText(const QString& text) { view_->headerItem()->setText(index_ - 1, text); }
double ColumnHeader::Width() const { return PixelsToTwips(view_->columnWidth(index_ - 1)); }
void ColumnHeader::SetWidth(double twips) { view_->setColumnWidth(index_ - 1, qMax(0, TwipsToPixels(twips))); }
int ColumnHeader::Position() const { return view_->header()->visualIndex(index_ - 1) + 1; }

void ColumnHeader::SetPosition(int position) {
    view_->header()->moveSection(view_->header()->visualIndex(index_ - 1), position - 1);
}

int ColumnHeader::Alignment() const { return view_->alignments_.value(index_ - 1); }

// ------------------------------------------------------------ ListItem

int ListItem::Index() const {
    auto* tree = item_->treeWidget();
    return tree ? tree->indexOfTopLevelItem(item_) + 1 : 0;
}

QString ListItem::Text() const { return item_->text(0); }
void ListItem::SetText(const QString& text) { item_->setText(0, text); }
QString ListItem::Key() const { return item_->data(0, KeyRole).toString(); }
QString ListItem::SubItem(int i) const { return item_->text(i); }
void ListItem::SetSubItem(int i, const QString& text) { item_->setText(i, text); }
QVariant ListItem::Tag() const { return item_->data(0, TagRole); }
void ListItem::SetTag(const QVariant& tag) { item_->setData(0, TagRole, tag); }
bool ListItem::Checked() const { return item_->checkState(0) == Qt::Checked; }

void ListItem::SetChecked(bool checked) { item_->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked); }

bool ListItem::Selected() const { return item_->isSelected(); }

void ListItem::SetSelected(bool selected) {
    item_->setSelected(selected);
    if (selected && item_->treeWidget()) item_->treeWidget()->setCurrentItem(item_);
}

// ------------------------------------------------------------ ListView

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setColumnCount(0);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
}

ColumnHeader ListView::AddColumn(const QString& key, const QString& text, double widthTwips, int alignment) {
    keys_.append(key);
    alignments_.append(alignment);
    int n = int(keys_.size());
    setColumnCount(n);
    headerItem()->setText(n - 1, text);
    Qt::Alignment a = alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    headerItem()->setTextAlignment(n - 1, a | Qt::AlignVCenter);
    ColumnHeader header(this, n);
    header.SetWidth(widthTwips);
    return header;
}

ColumnHeader ListView::Column(int index) {
    if (index < 1 || index > ColumnCount()) return {};
    return ColumnHeader(this, index);
}

ColumnHeader ListView::Column(const QString& key) {
    for (int i = 0; i < keys_.size(); ++i)
        if (keys_[i].compare(key, Qt::CaseInsensitive) == 0) return ColumnHeader(this, i + 1);
    return {};
}

void ListView::ClearColumns() {
    clear();
    keys_.clear();
    alignments_.clear();
    setColumnCount(0);
}

ListItem ListView::AddItem(const QString& key, const QString& text) {
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setData(0, KeyRole, key);
    for (int c = 0; c < alignments_.size(); ++c)
        if (alignments_[c]) item->setTextAlignment(c, (alignments_[c] == 1 ? Qt::AlignRight : Qt::AlignHCenter) | Qt::AlignVCenter);
    if (checkboxes_) item->setCheckState(0, Qt::Unchecked);
    return ListItem(item);
}

ListItem ListView::Item(int index) const {
    if (index < 1 || index > topLevelItemCount()) return {};
    return ListItem(topLevelItem(index - 1));
}

ListItem ListView::Item(const QString& key) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->data(0, KeyRole).toString() == key) return ListItem(topLevelItem(i));
    return {};
}

void ListView::RemoveItem(int index) {
    if (index >= 1 && index <= topLevelItemCount()) delete takeTopLevelItem(index - 1);
}

void ListView::ClearItems() { clear(); }

ListItem ListView::SelectedItem() const {
    auto* item = currentItem();
    if (!item) {
        auto selected = selectedItems();
        if (!selected.isEmpty()) item = selected.first();
    }
    return ListItem(item);
}

void ListView::SetCheckboxes(bool on) {
    checkboxes_ = on;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (on) {
            if (topLevelItem(i)->data(0, Qt::CheckStateRole).isNull()) topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        } else {
            topLevelItem(i)->setData(0, Qt::CheckStateRole, QVariant());
        }
    }
}

}  // namespace Platform
