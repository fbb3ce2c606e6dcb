#include "Exporters.h"

#include "modGlobals.h"

namespace Pagivex::impl {

bool ExportTXT::Header(const std::vector<qint32>&, const std::shared_ptr<Pagivex::Pages>&, AnsiText& out) {
    const QString rule(100, '/');
    out += QString(rule + "\r\n" + "/// " + modGlobals::ApplicationName() + "\r\n" + "/// " + m_option + rule + "\r\n");
    return true;
}

void ExportTXT::PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>&, AnsiText& b) {
    b.Fill(100, '=');
    b += "\r\n Page ";
    b.Number(page.index);
    b += "\r\n";
    qint32 section = -1, band = -1;
    for (const auto& placed : page.order) {
        const PageElement& e = page.At(placed);
        if (e.SectionType != section) {
            b += "\r\n";
            b.Fill(100, '-');
            b += "\r\n";
            section = e.SectionType;
            band = placed.band;
        }
        if (placed.band != band) {
            if (b.EndsWith('\t')) b.Chop(1);
            b += "\r\n";
            band = placed.band;
        }
        if (e.Type == 1) {
            const qint32 w = e.Width / 8;
            const qsizetype len = ControlEscapedLength(e.Text);
            qsizetype before = 0, after = 0;
            if (len < w) {
                if (e.Aligment & 1) {
                    before = (w - len) / 2;
                    after = w - len - before;
                } else if (e.Aligment & 2) {
                    before = w - len;
                } else {
                    after = w - len;
                }
            }
            b.Fill(before, ' ');
            AppendControlEscaped(b, e.Text, false);
            b.Fill(after, ' ');
            b += '\t';
        } else if (IsRule(e)) {
            b.Fill(RuleLength(e) / 8, '_');
        }
    }
}

}  // namespace Pagivex::impl
