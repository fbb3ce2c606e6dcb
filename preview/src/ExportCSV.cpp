#include "Exporters.h"

namespace Pagivex::impl {

void ExportCSV::PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>&, AnsiText& b) {
    const char separator = ',';
    b += "Page ";
    b.Number(page.index);
    b += "\r\n";
    qint32 section = -1, band = -1;
    for (const auto& placed : page.order) {
        const PageElement& e = page.At(placed);
        if (e.SectionType != section) {
            b += "\r\n";
            section = e.SectionType;
            band = placed.band;
        }
        if (placed.band != band) {
            if (b.EndsWith(separator)) b.Chop(1);
            b += "\r\n";
            band = placed.band;
        }
        if (e.Type == 1) {
            b += '"';
            AppendControlEscaped(b, e.Text, true);
            b += '"';
            b += separator;
        }
    }
}

}  // namespace Pagivex::impl
