// Groups a page's elements into horizontal bands (rows), ordered top to bottom and,
// inside a band, left to right.
#pragma once

#include <Pagivex/Types.h>

#include <vector>

namespace Pagivex {

class clsSortPageElements {
public:
    using Band = std::vector<PageElement>;

    // Takes the items out of oItems band by band; every element ends up in a band.
    std::vector<Band> GetBands(std::vector<PageElement>& oItems) const;
    // Rewrites oColl in band order with BandIndex set.
    void SortElements(std::vector<PageElement>& oColl) const;

    float ToleranceRatio() const { return m_ratio; }
    void SetToleranceRatio(float v);
    bool Align2Top = false;

private:
    static void prvSortAxis(std::vector<PageElement>& items, bool byLeft);
    float m_ratio = 0.4f;
};

}  // namespace Pagivex
