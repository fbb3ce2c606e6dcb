#pragma once
// Combo box with item data and a "nothing selected" state (ListIndex -1).
//
// A free-text box keeps exactly what is typed: its list is offered (the
// arrow, F4, Alt+Down), never put in place of the typed text by itself, so
// it completes nothing. While its list is open the letters typed still go
// into the box, as the list only offers.

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

    void showPopup() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace Platform
