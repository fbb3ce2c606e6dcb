// Groups a page's elements into horizontal bands (rows), ordered top to bottom and,
// inside a band, left to right.
#pragma once

#include <Pagivex/Types.h>

#include <vector>

namespace Pagivex {

class clsSortPageElements {
public:
    using Band = std::vector<PageElement>;

    // One element's place in band order: its position in the list given and its band number.
    struct Placed {
        quint32 index;
        qint16 band;
        qint32 key;  // the coordinate being sorted on
    };

    // Takes the items out of oItems band by band; every element ends up in a band.
    std::vector<Band> GetBands(std::vector<PageElement>& oItems) const;
    // Rewrites oColl in band order with BandIndex set.
    void SortElements(std::vector<PageElement>& oColl) const;
    // The band order of items without moving them (Align2Top is the caller's to apply).
    void Order(const std::vector<PageElement>& items, std::vector<Placed>& order) const;

    float ToleranceRatio() const { return m_ratio; }
    void SetToleranceRatio(float v);
    bool Align2Top = false;

private:
    float m_ratio = 0.4f;
};

}  // namespace Pagivex
