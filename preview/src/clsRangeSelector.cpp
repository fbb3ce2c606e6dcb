#include "clsRangeSelector.h"

#include "modGlobals.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace Pagivex {

namespace {
// A page number from a text, as the user typed it ("2.5" is page 2, "3.5" page 4);
// false when the number does not fit a page number.
bool PageNumber(const QString& text, qint64& out) {
    const double v = modGlobals::Val(text);
    if (!(v > -2147483648.5 && v < 2147483647.5)) return false;
    out = qint64(std::nearbyint(v));
    return true;
}
}  // namespace

clsRangeSelector::RangeItem clsRangeSelector::ParseRangeItem(const QString& raw) {
    RangeItem item;
    const QString text = raw.trimmed();
    if (text.isEmpty() || text == "-") {
        item.Keep = false;
        return item;
    }
    int sep = text.indexOf('-');
    int sepLen = 1;
    if (sep < 0) {
        sep = text.indexOf(" to ", 0, Qt::CaseInsensitive);
        sepLen = 4;
    }
    if (sep >= 0) {
        item.IsRange = true;
        const QString left = text.left(sep).trimmed();
        const QString right = text.mid(sep + sepLen).trimmed();
        if (left.isEmpty() || left == "*") item.From = 1;
        else if (!PageNumber(left, item.From)) item.Keep = false;
        if (right.isEmpty() || right == "*") item.To = OpenEnd;
        else if (!PageNumber(right, item.To)) item.Keep = false;
        if (!item.Keep) return item;
        if (item.To < item.From) std::swap(item.From, item.To);
        else if (item.From == item.To) item.IsRange = false;
        else if (item.From == 0 || item.To == 0) item.Keep = false;
        return item;
    }
    if (text == "*") {
        item.From = 1;
        item.To = OpenEnd;
        item.IsRange = true;
        return item;
    }
    qint64 n = 0;
    if (!PageNumber(text, n)) n = 0;
    item.From = item.To = n;
    return item;
}

void clsRangeSelector::NormalizeRanges() {
    // Fold every pair that overlaps or touches until nothing merges any more.
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (!m_items[i].Keep) continue;
            for (size_t j = i + 1; j < m_items.size(); ++j) {
                RangeItem& a = m_items[i];
                RangeItem& b = m_items[j];
                if (!b.Keep) continue;
                if (a.From <= b.To + 1 && b.From <= a.To + 1) {
                    a.From = std::min(a.From, b.From);
                    a.To = std::max(a.To, b.To);
                    b.Keep = false;
                    merged = true;
                }
            }
        }
    }
    std::erase_if(m_items, [](const RangeItem& r) { return !r.Keep; });
    m_all = false;
    for (RangeItem& r : m_items) {
        r.IsRange = r.From < r.To;
        if (r.From >= r.To) r.Text = QString::number(r.From);
        else if (r.To != OpenEnd) r.Text = QString::number(r.From) + "-" + QString::number(r.To);
        else if (r.From == 1) r.Text = "*";
        else r.Text = QString::number(r.From) + "-*";
        if (r.Text == "*") m_all = true;
    }
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const RangeItem& a, const RangeItem& b) { return a.From < b.From; });
    if (m_all) {
        m_text = "Tutte";
    } else {
        QStringList texts;
        for (const RangeItem& r : m_items) texts << r.Text;
        m_text = texts.join(", ");
    }
}

void clsRangeSelector::SetSelectionString(const QString& sValue) {
    const QString text = sValue.trimmed();
    if (text.isEmpty()) return;
    if (text.compare("Tutte", Qt::CaseInsensitive) == 0 || text == "*") {
        Clear();
        return;
    }
    m_items.clear();
    for (const QString& part : text.split(',')) m_items.push_back(ParseRangeItem(part));
    NormalizeRanges();
}

void clsRangeSelector::AddRange(qint32 lFrom, qint32 lTo) {
    RangeItem item;
    item.From = lFrom;
    item.To = lTo == 0 ? OpenEnd : lTo;
    m_items.push_back(item);
    NormalizeRanges();
}

void clsRangeSelector::Clear() {
    m_all = true;
    m_text = "Tutte";
    m_items.clear();
}

bool clsRangeSelector::ElementInRange(qint32 n) const {
    if (m_all) return true;
    return std::any_of(m_items.begin(), m_items.end(),
                       [n](const RangeItem& r) { return r.From <= n && n <= r.To; });
}

qint32 clsRangeSelector::RangeMin() const {
    if (m_all || m_items.empty()) return 1;
    return qint32(m_items.front().From);
}

qint32 clsRangeSelector::RangeMax() const {
    if (m_all || m_items.empty()) return OpenEnd;
    return qint32(m_items.back().To);
}

}  // namespace Pagivex
