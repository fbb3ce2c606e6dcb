#include "clsSortPageElements.h"

#include "modGlobals.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Pagivex {

namespace {

// Shell sort with halving gaps (halves rounded to even), equal keys never moved. Positions
// are sorted, not the elements, so that the writers read the pages in place.
void SortAxis(clsSortPageElements::Placed* a, qint64 count) {
    // Pages are mostly drawn top to bottom and left to right: a run already in order is one
    // the sort would leave exactly as it is.
    bool ordered = true;
    for (qint64 i = 1; i < count && ordered; ++i) ordered = a[i - 1].key <= a[i].key;
    if (ordered) return;
    for (qint64 gap = modGlobals::RoundEven(count / 2.0); gap >= 1; gap = modGlobals::RoundEven(gap / 2.0)) {
        for (qint64 i = gap; i < count; ++i) {
            const clsSortPageElements::Placed taken = a[i];
            qint64 j = i;
            while (j >= gap && a[j - gap].key > taken.key) {
                a[j] = a[j - gap];
                j -= gap;
            }
            a[j] = taken;
        }
        if (gap == 1) break;
    }
}

}  // namespace

void clsSortPageElements::SetToleranceRatio(float v) {
    if (std::isnan(v) || v < 0) v = 0;
    if (v > 1) v = 1;
    m_ratio = v;
}

void clsSortPageElements::Order(const std::vector<PageElement>& items, std::vector<Placed>& order) const {
    order.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) order[i] = Placed{quint32(i), 0, items[i].Top};
    SortAxis(order.data(), qint64(order.size()));
    size_t next = 0;
    qint16 number = 0;
    while (next < order.size()) {
        const PageElement& first = items[order[next].index];
        // A line drawn upwards has a negative height; its extent is what counts, so the
        // band always takes at least its first element and the loop always moves on.
        const qint64 extent = first.Type == 2 ? std::llabs(qint64(first.Height) - first.Top) : std::llabs(first.Height);
        const qint32 top = first.Top;
        const qint64 bottom = top + qint64(modGlobals::RoundEven(double(m_ratio) * double(extent)));
        ++number;
        const size_t start = next;
        while (next < order.size() && order[next].key >= top && order[next].key <= bottom) {
            order[next].band = number;
            order[next].key = items[order[next].index].Left;
            ++next;
        }
        SortAxis(order.data() + start, qint64(next - start));
    }
}

std::vector<clsSortPageElements::Band> clsSortPageElements::GetBands(std::vector<PageElement>& oItems) const {
    std::vector<Placed> order;
    Order(oItems, order);
    // A band's top is its highest element's.
    std::vector<qint32> tops;
    for (const Placed& p : order) {
        const qint32 top = oItems[p.index].Top;
        if (tops.size() < size_t(p.band)) tops.push_back(top);
        else tops.back() = std::min(tops.back(), top);
    }
    std::vector<Band> bands;
    for (const Placed& p : order) {
        if (bands.size() < size_t(p.band)) bands.emplace_back();
        PageElement& e = oItems[p.index];
        e.BandIndex = p.band;
        if (Align2Top) e.Top = tops[size_t(p.band - 1)];
        bands.back().push_back(std::move(e));
    }
    oItems.clear();
    return bands;
}

void clsSortPageElements::SortElements(std::vector<PageElement>& oColl) const {
    std::vector<Band> bands = GetBands(oColl);
    for (Band& band : bands)
        for (PageElement& e : band) oColl.push_back(std::move(e));
}

}  // namespace Pagivex
