#include "Exporters.h"

namespace Pagivex::impl {

QString ExportCSV::PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>&) {
    const QString separator = ",";
    QString block = "Page " + QString::number(page.index) + "\r\n";
    qint32 section = -1, band = -1;
    for (const PageElement& e : page.elements) {
        if (e.SectionType != section) {
            block += "\r\n";
            section = e.SectionType;
            band = e.BandIndex;
        }
        if (e.BandIndex != band) {
            if (block.endsWith(separator)) block.chop(separator.size());
            block += "\r\n";
            band = e.BandIndex;
        }
        if (e.Type == 1) {
            QString text = EscapeControlChars(e.Text);
            text.replace('"', "\"\"");
            block += "\"" + text + "\"" + separator;
        }
    }
    return block;
}

QString ExportCSV::Body(const QStringList& blocks) { return blocks.join("\r\n"); }

}  // namespace Pagivex::impl
