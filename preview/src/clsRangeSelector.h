// The set of pages to print, as ranges and as text ("1, 3-5, 7-*", or "Tutte").
#pragma once

#include <QString>
#include <vector>

namespace Pagivex {

class clsRangeSelector {
public:
    static constexpr qint32 OpenEnd = 2147483646;

    void AddRange(qint32 lFrom, qint32 lTo);
    void Clear();
    bool ElementInRange(qint32 n) const;
    qint32 RangeMin() const;
    qint32 RangeMax() const;
    QString SelectionString() const { return m_text; }
    void SetSelectionString(const QString& sValue);

private:
    struct RangeItem {
        qint64 From = 0;
        qint64 To = 0;
        QString Text;
        bool IsRange = false;
        bool Keep = true;
    };
    static RangeItem ParseRangeItem(const QString& item);
    void NormalizeRanges();

    bool m_all = true;
    QString m_text = "Tutte";
    std::vector<RangeItem> m_items;
};

}  // namespace Pagivex
