#include "ListView.h"

#include "TextOrder.h"
#include "Values.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QVarLengthArray>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace Platform {

// Where a text of a list lies in the list's text store. A null text has no
// characters at all; an empty one has a place but no characters.
struct TextRef {
    const char16_t* chars = nullptr;
    qsizetype size = 0;

    QStringView View() const { return QStringView(chars, size); }
    QString String() const { return chars ? QString(reinterpret_cast<const QChar*>(chars), size) : QString(); }
};

struct ListRow {
    TextRef key;
    // Column 0 is the item's own text; a list of a few columns keeps them in the row.
    QVarLengthArray<TextRef, 3> texts;
    QVariant tag;
    QIcon picture;
    int icon = 0;
    bool hasCheck = false;
    bool checked = false;
    int position = 0;  // 0-based, kept up to date by every move

    TextRef TextOf(int column) const { return column >= 0 && column < texts.size() ? texts[column] : TextRef(); }
};

// The characters of a list's texts, one after another in pieces of the
// store's own: a list of a hundred thousand rows keeps its texts in a couple
// of hundred pieces of the heap, not in a string each, and a text is read
// where the one before it ends. A text stays where it was put. One replaced
// by a longer one, or removed, leaves its room unused; when more lies unused
// than used, the list puts its texts in a new store. An emptied store keeps
// its pieces for the texts that follow.
class TextStore {
public:
    TextRef Put(QStringView text) {
        static const char16_t none[1] = {};
        if (text.isNull()) return {};
        if (text.isEmpty()) return {none, 0};
        const qsizetype n = text.size();
        if (n > left_) Next(n);
        char16_t* at = next_;
        std::copy_n(text.utf16(), n, at);
        next_ += n;
        left_ -= n;
        used_ += n;
        return {at, n};
    }

    // `ref` takes the text, in its own room when the text fits there.
    void Replace(TextRef& ref, QStringView text) {
        if (ref.size > 0 && !text.isNull() && text.size() <= ref.size) {
            std::copy_n(text.utf16(), text.size(), const_cast<char16_t*>(ref.chars));
            Drop({ref.chars + text.size(), ref.size - text.size()});
            ref.size = text.size();
            return;
        }
        Drop(ref);
        ref = Put(text);
    }

    void Drop(const TextRef& ref) {
        used_ -= ref.size;
        unused_ += ref.size;
    }

    bool Wasteful() const { return unused_ > used_ && unused_ > kPiece; }

    void Empty() {
        std::erase_if(pieces_, [](const Piece& piece) { return piece.size != kPiece; });
        piece_ = 0;
        next_ = pieces_.empty() ? nullptr : pieces_.front().chars.get();
        left_ = pieces_.empty() ? 0 : kPiece;
        used_ = unused_ = 0;
    }

private:
    static constexpr qsizetype kPiece = 16 * 1024;
    struct Piece {
        std::unique_ptr<char16_t[]> chars;
        qsizetype size;
    };

    // Moves on to a piece with room for n characters: the next one kept, or a new one.
    void Next(qsizetype n) {
        unused_ += left_;
        if (n <= kPiece && piece_ + 1 < pieces_.size()) {
            ++piece_;
        } else {
            const qsizetype size = std::max(n, kPiece);
            const size_t at = pieces_.empty() ? 0 : piece_ + 1;
            Piece piece{std::make_unique_for_overwrite<char16_t[]>(size_t(size)), size};
            pieces_.insert(pieces_.begin() + qsizetype(at), std::move(piece));
            piece_ = at;
        }
        next_ = pieces_[piece_].chars.get();
        left_ = pieces_[piece_].size;
    }

    std::vector<Piece> pieces_;
    size_t piece_ = 0;  // the piece being written
    char16_t* next_ = nullptr;
    qsizetype left_ = 0;    // room left in it
    qsizetype used_ = 0;    // characters of the texts held
    qsizetype unused_ = 0;  // characters of room given up
};

// The rows of a list, in blocks of a few hundred: a list of a hundred
// thousand rows asks the heap for a few hundred pieces, not one a row. A
// removed row is cleared and taken again by the next one added; an emptied
// pool keeps its blocks for the rows that follow.
class RowPool {
public:
    ListRow* Take() {
        if (!free_.empty()) {
            ListRow* row = free_.back();
            free_.pop_back();
            return row;
        }
        const size_t block = taken_ / kBlock;
        if (block == blocks_.size()) blocks_.push_back(std::make_unique<ListRow[]>(kBlock));
        return &blocks_[block][taken_++ % kBlock];
    }

    void Give(ListRow* row) {
        *row = ListRow();
        free_.push_back(row);
    }

    void Empty() {
        for (size_t i = 0; i < taken_; ++i) blocks_[i / kBlock][i % kBlock] = ListRow();
        free_.clear();
        taken_ = 0;
    }

private:
    static constexpr size_t kBlock = 256;
    std::vector<std::unique_ptr<ListRow[]>> blocks_;
    std::vector<ListRow*> free_;  // rows removed, cleared
    size_t taken_ = 0;            // rows handed out of the blocks
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

    std::vector<ListRow*> rows;  // in the list's order, held by the pool
    TextStore texts;
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
            return column < row.texts.size() ? QVariant(row.texts[column].String()) : QVariant();
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

    // The sort of the list's own items: by the column's text as people read it
    // (TextOrder), equal rows keeping their order.
    void sort(int column, Qt::SortOrder order) override {
        Announce();
        sortPending_ = false;
        if (column < 0 || column >= columnCount() || rows.empty()) return;
        // Each text's key is made once, from the text where it lies; the order check and
        // the sort compare keys, not texts through the collator n log n times. The room
        // they take stays with the list for its next sort, as its rows' room does.
        const TextOrder textOrder;
        size_t characters = 0;
        for (const ListRow* row : rows) characters += size_t(row->TextOf(column).size);
        sortKeys_.Start(textOrder, rows.size(), characters);
        for (const ListRow* row : rows) sortKeys_.Add(row->TextOf(column).View());
        std::vector<std::uint32_t>& sorted = sortOrder_;
        sorted.resize(rows.size());
        for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = std::uint32_t(i);
        const bool ascending = order == Qt::AscendingOrder;
        auto before = [&](std::uint32_t a, std::uint32_t b) {
            const int c = sortKeys_.Compare(a, b);
            return ascending ? c < 0 : c > 0;
        };
        // Rows already in order (a list filled from a statement sorted the same way) cost
        // one pass, and the view is told nothing.
        if (std::is_sorted(sorted.begin(), sorted.end(), before)) return;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList held = persistentIndexList();
        std::vector<const ListRow*> heldRows;
        heldRows.reserve(size_t(held.size()));
        for (const QModelIndex& index : held) heldRows.push_back(rows[size_t(index.row())]);
        std::stable_sort(sorted.begin(), sorted.end(), before);
        std::vector<ListRow*>& was = sortRows_;
        was.assign(rows.begin(), rows.end());
        for (size_t i = 0; i < sorted.size(); ++i) rows[i] = was[sorted[i]];
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

    // A new row at the end, cleared.
    ListRow* Append() {
        ListRow* row = pool_.Take();
        row->position = int(rows.size());
        rows.push_back(row);
        if (view_->isSortingEnabled()) sortPending_ = true;
        Post();
        return row;
    }

    void Remove(int position) {
        ListRow* row = rows[size_t(position)];
        texts.Drop(row->key);
        for (const TextRef& text : row->texts) texts.Drop(text);
        if (position >= shown_) {
            rows.erase(rows.begin() + position);
        } else {
            beginRemoveRows({}, position, position);
            rows.erase(rows.begin() + position);
            --shown_;
            endRemoveRows();
        }
        pool_.Give(row);
        Renumber(position);
        if (texts.Wasteful()) Gather();
    }

    void RemoveAll() {
        if (shown_ > 0) {
            beginRemoveRows({}, 0, shown_ - 1);
            rows.clear();
            shown_ = 0;
            endRemoveRows();
        }
        rows.clear();
        pool_.Empty();
        texts.Empty();
        sortPending_ = false;
    }

    void Reset() {
        beginResetModel();
        rows.clear();
        pool_ = RowPool();
        texts = TextStore();
        sortKeys_ = TextOrder::Keys();
        sortOrder_ = {};
        sortRows_ = {};
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

    // Puts every row's texts again in a store of their own, leaving out the room given up.
    void Gather() {
        TextStore fresh;
        for (ListRow* row : rows) {
            row->key = fresh.Put(row->key.View());
            for (TextRef& text : row->texts) text = fresh.Put(text.View());
        }
        texts = std::move(fresh);
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
    RowPool pool_;
    // The sort's own room, kept from one sort to the next.
    TextOrder::Keys sortKeys_;
    std::vector<std::uint32_t> sortOrder_;
    std::vector<ListRow*> sortRows_;
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
QString ListItem::Text() const { return row_->TextOf(0).String(); }
void ListItem::SetText(const QString& text) { SetSubItem(0, text); }
QString ListItem::Key() const { return row_->key.String(); }
QString ListItem::SubItem(int i) const { return row_->TextOf(i).String(); }

void ListItem::SetSubItem(int i, const QString& text) { SetSubItem(i, QStringView(text)); }

void ListItem::SetSubItem(int i, QStringView text) {
    if (i < 0) return;
    if (i >= row_->texts.size()) row_->texts.resize(i + 1);
    view_->model_->texts.Replace(row_->texts[i], text);
    view_->model_->Changed(row_, i, Qt::DisplayRole);
    if (view_->model_->texts.Wasteful()) view_->model_->Gather();
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
    return ListItem(const_cast<ListView*>(this), model_->rows[size_t(index.row())]);
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
    return AddItem(QStringView(key), QStringView(text));
}

ListItem ListView::AddItem(QStringView key, QStringView text) {
    ListRow* row = model_->Append();
    row->key = model_->texts.Put(key);
    row->texts.reserve(qMax(1, ColumnCount()));
    row->texts.push_back(model_->texts.Put(text));
    row->hasCheck = checkboxes_;
    return ListItem(this, row);
}

int ListView::ItemCount() const { return int(model_->rows.size()); }

ListItem ListView::Item(int index) const {
    if (index < 1 || index > ItemCount()) return {};
    return ListItem(const_cast<ListView*>(this), model_->rows[size_t(index - 1)]);
}

ListItem ListView::Item(const QString& key) const {
    for (const auto& row : model_->rows)
        if (row->key.View() == key) return ListItem(const_cast<ListView*>(this), row);
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
