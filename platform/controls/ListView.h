#pragma once
// The report-style list view: column headers with key, caption, width in
// twips and display position; items with text, key, sub-items, check box,
// small icon and tag. Indexes are 1-based, as the program counts them.
//
// The rows live in a model of plain vectors. Rows added one after another are
// shown to the view together (at the next event, or as soon as something asks
// the view about them), so filling a list costs one insertion for the view,
// not one per row and cell. The list keeps the characters of its texts, not
// the strings it is given, in a store of its own; a text read back is a new
// string. An emptied list keeps the room its rows and texts took, for the
// next fill; removing its columns or the list itself gives it back.

#include <QIcon>
#include <QString>
#include <QTreeView>
#include <QVariant>

namespace Platform {

class ListView;
class ListModel;
struct ListRow;

class ColumnHeader {
public:
    ColumnHeader() = default;
    ColumnHeader(ListView* view, int index) : view_(view), index_(index) {}
    bool IsValid() const { return view_ != nullptr; }
    int Index() const { return index_; }
    QString Key() const;
    void SetKey(const QString& key);
    QString Text() const;
    void SetText(const QString& text);
    double Width() const;  // twips
    void SetWidth(double twips);
    int Position() const;  // 1-based display position
    void SetPosition(int position);
    int Alignment() const;  // 0 left, 1 right, 2 centre

private:
    ListView* view_ = nullptr;
    int index_ = 0;
};

// A handle on one row; it stays valid while the row is in the list, whatever
// sorting does to its position.
class ListItem {
public:
    ListItem() = default;
    ListItem(ListView* view, ListRow* row) : view_(view), row_(row) {}
    bool IsValid() const { return row_ != nullptr; }
    int Index() const;
    QString Text() const;
    void SetText(const QString& text);
    QString Key() const;
    // Sub-item i is the text of column i + 1.
    QString SubItem(int i) const;
    void SetSubItem(int i, const QString& text);
    // The characters are copied: the view need not outlive the call.
    void SetSubItem(int i, QStringView text);
    QVariant Tag() const;
    void SetTag(const QVariant& tag);
    bool Checked() const;
    void SetChecked(bool checked);
    bool Selected() const;
    void SetSelected(bool selected);
    // The number of the small picture shown before the text, and the picture.
    int SmallIcon() const;
    void SetSmallIcon(int number, const QIcon& picture);

private:
    friend class ListView;
    ListView* view_ = nullptr;
    ListRow* row_ = nullptr;
};

class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Column headers.
    ColumnHeader AddColumn(const QString& key, const QString& text, double widthTwips = 1440, int alignment = 0);
    int ColumnCount() const { return int(keys_.size()); }
    ColumnHeader Column(int index);
    ColumnHeader Column(const QString& key);
    void ClearColumns();
    // Shares the list's width among its columns by what they hold (their
    // header and the rows the view measures): a column that needs less than
    // an even share keeps what it needs, the others share the rest in
    // proportion to their content; room to spare goes to all in proportion.
    void ShareWidthByContent();

    // Items.
    ListItem AddItem(const QString& key, const QString& text);
    // The characters are copied: the views need not outlive the call.
    ListItem AddItem(QStringView key, QStringView text);
    int ItemCount() const;
    ListItem Item(int index) const;
    ListItem Item(const QString& key) const;
    void RemoveItem(int index);
    void ClearItems();
    ListItem SelectedItem() const;
    void ScrollTo(const ListItem& item);

    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool on);

signals:
    void ItemDoubleClicked(const Platform::ListItem& item);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    friend class ColumnHeader;
    friend class ListItem;
    friend class ListModel;
    QModelIndex IndexOf(const ListRow* row, int column = 0) const;
    ListItem ItemAt(const QModelIndex& index) const;

    ListModel* model_ = nullptr;
    QStringList keys_;
    bool checkboxes_ = false;
};

}  // namespace Platform
