// The page-range text of the print dialog ("1, 3-5, 7-*"): any text gives a
// selection, and the selection's own text gives one again, quickly. (The two
// need not be equal: "4-0" is kept as "0-4", which is dropped when typed.)
#include "FuzzKit.h"
#include "clsRangeSelector.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Pagivex::clsRangeSelector selector;
    selector.SetSelectionString(FuzzKit::Text(data, size));
    Pagivex::clsRangeSelector again;
    again.SetSelectionString(selector.SelectionString());
    for (qint32 n : {qint32(0), qint32(1), qint32(2), selector.RangeMin(), selector.RangeMax(), qint32(2147483647)})
        selector.ElementInRange(n);
    return 0;
}
