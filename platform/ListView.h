#pragma once
// The report-style list view: column headers with key, caption, width in
// twips and display position; items with text, key, sub-items, check box
// and tag. Indexes are 1-based, as the program counts them.

#include <QString>
#include <QTreeWidget>
#include <QVariant>

namespace Platform {

class ListView;

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

class ListItem {
public:
    ListItem() = default;
    explicit ListItem(QTreeWidgetItem* item) : item_(item) {}
    bool IsValid() const { return item_ != nullptr; }
    int Index() const;
    QString Text() const;
    void SetText(const QString& text);
    QString Key() const;
    // Sub-item i is the text of column i + 1.
    QString SubItem(int i) const;
    void SetSubItem(int i, const QString& text);
    QVariant Tag() const;
    void SetTag(const QVariant& tag);
    bool Checked() const;
    void SetChecked(bool checked);
    bool Selected() const;
    void SetSelected(bool selected);
    QTreeWidgetItem* Item() const { return item_; }

private:
    QTreeWidgetItem* item_ = nullptr;
};

class ListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // Column headers.
    ColumnHeader AddColumn(const QString& key, const QString& text, double widthTwips = 1440, int alignment = 0);
    int ColumnCount() const { return int(keys_.size()); }
    ColumnHeader Column(int index);
    ColumnHeader Column(const QString& key);
    void ClearColumns();

    // Items.
    ListItem AddItem(const QString& key, const QString& text);
    int ItemCount() const { return topLevelItemCount(); }
    ListItem Item(int index) const;
    ListItem Item(const QString& key) const;
    void RemoveItem(int index);
    void ClearItems();
    ListItem SelectedItem() const;

    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool on);

private:
    friend class ColumnHeader;
    QStringList keys_;
    QList<int> alignments_;
    bool checkboxes_ = false;
};

}  // namespace Platform
