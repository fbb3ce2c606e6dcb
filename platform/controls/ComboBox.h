#pragma once
// Combo box with item data and a "nothing selected" state (ListIndex -1).

#include <QComboBox>
#include <QVariant>

namespace Platform {

class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr, bool freeText = false);
    int ListIndex() const { return currentIndex(); }
    // -1 selects nothing and, for a free-text box, empties its text.
    void SetListIndex(int index);
    void AddItem(const QString& text, const QVariant& itemData = QVariant());
    QVariant ItemData(int index) const { return itemData(index); }
    int ListCount() const { return count(); }
    QString Text() const { return currentText(); }
    void SetText(const QString& text);
};

}  // namespace Platform
