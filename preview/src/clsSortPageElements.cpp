#include "clsSortPageElements.h"

#include "modGlobals.h"

#include <cmath>
#include <cstdlib>

namespace Pagivex {

void clsSortPageElements::SetToleranceRatio(float v) {
    if (std::isnan(v) || v < 0) v = 0;
    if (v > 1) v = 1;
    m_ratio = v;
}

void clsSortPageElements::prvSortAxis(std::vector<PageElement>& items, bool byLeft) {
    // Shell sort with halving gaps (halves rounded to even), equal keys never moved.
    auto key = [byLeft](const PageElement& e) { return byLeft ? e.Left : e.Top; };
    const qint64 count = qint64(items.size());
    for (qint64 gap = modGlobals::RoundEven(count / 2.0); gap >= 1; gap = modGlobals::RoundEven(gap / 2.0)) {
        for (qint64 i = gap; i < count; ++i) {
            PageElement taken = std::move(items[size_t(i)]);
            qint64 j = i;
            while (j >= gap && key(items[size_t(j - gap)]) > key(taken)) {
                items[size_t(j)] = std::move(items[size_t(j - gap)]);
                j -= gap;
            }
            items[size_t(j)] = std::move(taken);
        }
        if (gap == 1) break;
    }
}

std::vector<clsSortPageElements::Band> clsSortPageElements::GetBands(std::vector<PageElement>& oItems) const {
    prvSortAxis(oItems, false);
    std::vector<Band> bands;
    size_t next = 0;
    while (next < oItems.size()) {
        const PageElement& first = oItems[next];
        // A line drawn upwards has a negative height; its extent is what counts, so the
        // band always takes at least its first element and the loop always moves on.
        const qint64 extent = first.Type == 2 ? std::llabs(qint64(first.Height) - first.Top) : std::llabs(first.Height);
        const qint32 top = first.Top;
        const qint64 bottom = top + qint64(modGlobals::RoundEven(double(m_ratio) * double(extent)));
        Band band;
        const qint16 number = qint16(bands.size() + 1);
        while (next < oItems.size() && oItems[next].Top >= top && oItems[next].Top <= bottom) {
            PageElement e = std::move(oItems[next++]);
            e.BandIndex = number;
            if (Align2Top) e.Top = top;
            band.push_back(std::move(e));
        }
        prvSortAxis(band, true);
        bands.push_back(std::move(band));
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
