#include "ListView.h"

#include "Values.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QVarLengthArray>

#include <algorithm>
#include <memory>
#include <vector>

namespace Platform {

struct ListRow {
    QString key;
    // Column 0 is the item's own text; a list of a few columns keeps them in the row.
    QVarLengthArray<QString, 3> texts;
    QVariant tag;
    QIcon picture;
    int icon = 0;
    bool hasCheck = false;
    bool checked = false;
    int position = 0;  // 0-based, kept up to date by every move

    const QString& TextOf(int column) const {
        static const QString none;
        return column >= 0 && column < texts.size() ? texts[column] : none;
    }
};

namespace {
Qt::Alignment AlignmentOf(int alignment) {
    return alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
}
}  // namespace

// Rows added since the view last heard of the model are "pending": the view
// learns of them all at once (Commit), so their texts can be set without a
// signal each.
class ListModel : public QAbstractTableModel {
public:
    explicit ListModel(ListView* view) : QAbstractTableModel(view), view_(view) {}

    std::vector<std::unique_ptr<ListRow>> rows;
    QStringList headers;
    QList<int> alignments;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : shown_; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(headers.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= shown_) return {};
        const ListRow& row = *rows[size_t(index.row())];
        const int column = index.column();
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return column < row.texts.size() ? QVariant(row.texts[column]) : QVariant();
        case Qt::TextAlignmentRole: {
            const int alignment = alignments.value(column);
            return alignment ? QVariant(int(AlignmentOf(alignment) | Qt::AlignVCenter)) : QVariant();
        }
        case Qt::DecorationRole:
            return column == 0 && !row.picture.isNull() ? QVariant(row.picture) : QVariant();
        case Qt::CheckStateRole:
            return column == 0 && row.hasCheck ? QVariant(int(row.checked ? Qt::Checked : Qt::Unchecked)) : QVariant();
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || index.row() >= shown_ || index.column() != 0 || role != Qt::CheckStateRole) return false;
        ListRow& row = *rows[size_t(index.row())];
        row.hasCheck = true;
        row.checked = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }

    // The tree view lays every row out again when rows are added, asking
    // each for its index and its children: a row of a list has none.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        if (parent.isValid() || row < 0 || row >= shown_ || column < 0 || column >= columnCount()) return {};
        return createIndex(row, column);
    }
    bool hasChildren(const QModelIndex& parent = {}) const override {
        return !parent.isValid() && shown_ > 0 && columnCount() > 0;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= headers.size()) return {};
        if (role == Qt::DisplayRole) return headers[section];
        if (role == Qt::TextAlignmentRole) return int(AlignmentOf(alignments.value(section)) | Qt::AlignVCenter);
        return {};
    }

    // The sort of the list's own items: by the column's text, case and accents
    // as they are, equal rows keeping their order.
    void sort(int column, Qt::SortOrder order) override {
        Announce();
        sortPending_ = false;
        if (column < 0 || column >= columnCount() || rows.empty()) return;
        auto before = [column, order](const ListRow& a, const ListRow& b) {
            const int c = a.TextOf(column).compare(b.TextOf(column));
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        };
        // Rows already in order (a list filled from a statement sorted the same way) cost
        // one pass, and the view is told nothing.
        if (std::is_sorted(rows.begin(), rows.end(), [&](const auto& a, const auto& b) { return before(*a, *b); }))
            return;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList held = persistentIndexList();
        std::vector<const ListRow*> heldRows;
        heldRows.reserve(size_t(held.size()));
        for (const QModelIndex& index : held) heldRows.push_back(rows[size_t(index.row())].get());
        // The texts are sorted beside their rows, so that a comparison reads the two texts
        // and nothing else.
        using Keyed = std::pair<QStringView, std::unique_ptr<ListRow>>;
        std::vector<Keyed> keyed;
        keyed.reserve(rows.size());
        for (auto& row : rows) {
            const QStringView text = row->TextOf(column);
            keyed.emplace_back(text, std::move(row));
        }
        if (order == Qt::AscendingOrder)
            std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.first.compare(b.first) < 0; });
        else
            std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return b.first.compare(a.first) < 0; });
        for (size_t i = 0; i < keyed.size(); ++i) rows[i] = std::move(keyed[i].second);
        Renumber(0);
        QModelIndexList after;
        after.reserve(held.size());
        for (qsizetype i = 0; i < held.size(); ++i) after.append(index(heldRows[size_t(i)]->position, held[i].column()));
        changePersistentIndexList(held, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    // Tells the view of the pending rows and applies a sort they asked for.
    void Commit() {
        Announce();
        if (sortPending_) {
            sortPending_ = false;
            if (view_->isSortingEnabled())
                sort(view_->header()->sortIndicatorSection(), view_->header()->sortIndicatorOrder());
        }
    }

    ListRow* Append(std::unique_ptr<ListRow> row) {
        row->position = int(rows.size());
        rows.push_back(std::move(row));
        if (view_->isSortingEnabled()) sortPending_ = true;
        Post();
        return rows.back().get();
    }

    void Remove(int position) {
        if (position >= shown_) {
            rows.erase(rows.begin() + position);
        } else {
            beginRemoveRows({}, position, position);
            rows.erase(rows.begin() + position);
            --shown_;
            endRemoveRows();
        }
        Renumber(position);
    }

    void RemoveAll() {
        if (shown_ > 0) {
            beginRemoveRows({}, 0, shown_ - 1);
            rows.clear();
            shown_ = 0;
            endRemoveRows();
        }
        rows.clear();
        sortPending_ = false;
    }

    void Reset() {
        beginResetModel();
        rows.clear();
        shown_ = 0;
        headers.clear();
        alignments.clear();
        sortPending_ = false;
        endResetModel();
    }

    void AddColumn(const QString& text, int alignment) {
        const int n = int(headers.size());
        beginInsertColumns({}, n, n);
        headers.append(text);
        alignments.append(alignment);
        endInsertColumns();
    }

    void SetHeader(int section, const QString& text) {
        if (section < 0 || section >= headers.size()) return;
        headers[section] = text;
        emit headerDataChanged(Qt::Horizontal, section, section);
    }

    // A row's cell changed: a pending row needs no word to the view.
    void Changed(const ListRow* row, int column, int role) {
        if (row->position >= shown_) return;
        const QModelIndex cell = index(row->position, column);
        emit dataChanged(cell, cell, {role});
        if (role == Qt::DisplayRole && view_->isSortingEnabled()) {
            sortPending_ = true;
            Post();
        }
    }

    void ChecksChanged() {
        if (shown_ > 0) emit dataChanged(index(0, 0), index(shown_ - 1, 0), {Qt::CheckStateRole});
    }

private:
    void Announce() {
        const int count = int(rows.size());
        if (count <= shown_) return;
        beginInsertRows({}, shown_, count - 1);
        shown_ = count;
        endInsertRows();
    }

    void Post() {
        if (posted_) return;
        posted_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                posted_ = false;
                Commit();
            },
            Qt::QueuedConnection);
    }

    void Renumber(int from) {
        for (size_t i = size_t(from); i < rows.size(); ++i) rows[i]->position = int(i);
    }

    ListView* view_;
    int shown_ = 0;
    bool posted_ = false;
    bool sortPending_ = false;
};

// ------------------------------------------------------------ ColumnHeader

QString ColumnHeader::Key() const { return view_->keys_.value(index_ - 1); }
void ColumnHeader::SetKey(const QString& key) {
    if (index_ >= 1 && index_ <= view_->keys_.size()) view_->keys_[index_ - 1] = key;
}
QString ColumnHeader::Text() const { return view_->model_->headers.value(index_ - 1); }
void ColumnHeader::SetText(const QString& text) { view_->model_->SetHeader(index_ - 1, text); }
double ColumnHeader::Width() const { return PixelsToTwips(view_->columnWidth(index_ - 1)); }
void ColumnHeader::SetWidth(double twips) { view_->setColumnWidth(index_ - 1, qMax(0, TwipsToPixels(twips))); }
int ColumnHeader::Position() const { return view_->header()->visualIndex(index_ - 1) + 1; }

void ColumnHeader::SetPosition(int position) {
    view_->header()->moveSection(view_->header()->visualIndex(index_ - 1), position - 1);
}

int ColumnHeader::Alignment() const { return view_->model_->alignments.value(index_ - 1); }

// ------------------------------------------------------------ ListItem

int ListItem::Index() const { return row_->position + 1; }
QString ListItem::Text() const { return row_->TextOf(0); }
void ListItem::SetText(const QString& text) { SetSubItem(0, text); }
QString ListItem::Key() const { return row_->key; }
QString ListItem::SubItem(int i) const { return row_->TextOf(i); }

void ListItem::SetSubItem(int i, const QString& text) {
    if (i < 0) return;
    if (i >= row_->texts.size()) row_->texts.resize(i + 1);
    row_->texts[i] = text;
    view_->model_->Changed(row_, i, Qt::DisplayRole);
}

QVariant ListItem::Tag() const { return row_->tag; }
void ListItem::SetTag(const QVariant& tag) { row_->tag = tag; }
bool ListItem::Checked() const { return row_->hasCheck && row_->checked; }

void ListItem::SetChecked(bool checked) {
    row_->hasCheck = true;
    row_->checked = checked;
    view_->model_->Changed(row_, 0, Qt::CheckStateRole);
}

bool ListItem::Selected() const {
    const QModelIndex index = view_->IndexOf(row_);
    return view_->selectionModel() && view_->selectionModel()->isSelected(index);
}

void ListItem::SetSelected(bool selected) {
    const QModelIndex index = view_->IndexOf(row_);
    if (!view_->selectionModel()) return;
    view_->selectionModel()->select(index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                               QItemSelectionModel::Rows);
    if (selected) view_->setCurrentIndex(index);
}

int ListItem::SmallIcon() const { return row_->icon; }

void ListItem::SetSmallIcon(int number, const QIcon& picture) {
    row_->icon = number;
    row_->picture = picture;
    view_->model_->Changed(row_, 0, Qt::DecorationRole);
}

// ------------------------------------------------------------ ListView

ListView::ListView(QWidget* parent) : QTreeView(parent) {
    model_ = new ListModel(this);
    setModel(model_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit ItemDoubleClicked(ItemAt(index)); });
}

ListView::~ListView() = default;

bool ListView::event(QEvent* event) {
    if (model_) model_->Commit();
    return QTreeView::event(event);
}

bool ListView::viewportEvent(QEvent* event) {
    if (model_) model_->Commit();
    return QTreeView::viewportEvent(event);
}

QModelIndex ListView::IndexOf(const ListRow* row, int column) const {
    model_->Commit();
    return model_->index(row->position, column);
}

ListItem ListView::ItemAt(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= int(model_->rows.size())) return {};
    return ListItem(const_cast<ListView*>(this), model_->rows[size_t(index.row())].get());
}

ColumnHeader ListView::AddColumn(const QString& key, const QString& text, double widthTwips, int alignment) {
    keys_.append(key);
    model_->AddColumn(text, alignment);
    ColumnHeader header(this, int(keys_.size()));
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
    keys_.clear();
    model_->Reset();
}

void ListView::ShareWidthByContent() {
    const int n = ColumnCount();
    if (n == 0) return;
    model_->Commit();
    QList<int> need(n);
    qint64 total = 0;
    for (int i = 0; i < n; ++i) {
        need[i] = std::max({sizeHintForColumn(i), header()->sectionSizeHint(i), 1});
        total += need[i];
    }
    const int room = viewport()->width();
    QList<int> width = need;
    if (total <= room) {
        for (int i = 0, given = 0; i < n; ++i) {
            // The last column takes what rounding left, so the columns fill the list.
            const int extra = i == n - 1 ? room - int(total) - given : int((room - total) * need[i] / total);
            width[i] += extra;
            given += extra;
        }
    } else {
        QList<bool> kept(n, false);
        int left = room, open = n;
        for (bool more = true; more && open > 0;) {
            more = false;
            const int share = left / open;
            for (int i = 0; i < n; ++i)
                if (!kept[i] && need[i] <= share) {
                    kept[i] = true;
                    left -= need[i];
                    --open;
                    more = true;
                }
        }
        qint64 openNeed = 0;
        for (int i = 0; i < n; ++i)
            if (!kept[i]) openNeed += need[i];
        for (int i = 0; i < n; ++i)
            if (!kept[i]) width[i] = int(std::max(0, left) * qint64(need[i]) / openNeed);
    }
    for (int i = 0; i < n; ++i) setColumnWidth(i, width[i]);
}

ListItem ListView::AddItem(const QString& key, const QString& text) {
    auto row = std::make_unique<ListRow>();
    row->key = key;
    row->texts.reserve(qMax(1, ColumnCount()));
    row->texts.push_back(text);
    row->hasCheck = checkboxes_;
    return ListItem(this, model_->Append(std::move(row)));
}

int ListView::ItemCount() const { return int(model_->rows.size()); }

ListItem ListView::Item(int index) const {
    if (index < 1 || index > ItemCount()) return {};
    return ListItem(const_cast<ListView*>(this), model_->rows[size_t(index - 1)].get());
}

ListItem ListView::Item(const QString& key) const {
    for (const auto& row : model_->rows)
        if (row->key == key) return ListItem(const_cast<ListView*>(this), row.get());
    return {};
}

void ListView::RemoveItem(int index) {
    if (index >= 1 && index <= ItemCount()) model_->Remove(index - 1);
}

void ListView::ClearItems() { model_->RemoveAll(); }

ListItem ListView::SelectedItem() const {
    model_->Commit();
    QModelIndex index = currentIndex();
    if (!index.isValid() && selectionModel()) {
        const QModelIndexList selected = selectionModel()->selectedIndexes();
        if (!selected.isEmpty()) index = selected.first();
    }
    return ItemAt(index);
}

void ListView::ScrollTo(const ListItem& item) {
    if (item.IsValid()) scrollTo(IndexOf(item.row_));
}

void ListView::SetCheckboxes(bool on) {
    checkboxes_ = on;
    for (const auto& row : model_->rows) {
        row->hasCheck = on;
        if (!on) row->checked = false;
    }
    model_->ChecksChanged();
}

}  // namespace Platform
