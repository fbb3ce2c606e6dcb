#include "Exporters.h"

#include "modGlobals.h"

namespace Pagivex::impl {

QString ExportTXT::Header(const std::vector<SortedPage>&, const std::shared_ptr<Pagivex::Pages>&) {
    const QString rule(100, '/');
    return rule + "\r\n" + "/// " + modGlobals::ApplicationName() + "\r\n" + "/// " + m_option + rule + "\r\n";
}

QString ExportTXT::PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>&) {
    QString block = QString(100, '=') + "\r\n" + " Page " + QString::number(page.index) + "\r\n";
    qint32 section = -1, band = -1;
    for (const PageElement& e : page.elements) {
        if (e.SectionType != section) {
            block += "\r\n" + QString(100, '-') + "\r\n";
            section = e.SectionType;
            band = e.BandIndex;
        }
        if (e.BandIndex != band) {
            if (block.endsWith('\t')) block.chop(1);
            block += "\r\n";
            band = e.BandIndex;
        }
        if (e.Type == 1) {
            const qint32 w = e.Width / 8;
            QString s = EscapeControlChars(e.Text);
            const qint32 len = qint32(s.size());
            if (len < w) {
                if (e.Aligment & 1) {
                    const qint32 h = (w - len) / 2;
                    s = QString(h, ' ') + s + QString(w - len - h, ' ');
                } else if (e.Aligment & 2) {
                    s = QString(w - len, ' ') + s;
                } else {
                    s += QString(w - len, ' ');
                }
            }
            block += s + "\t";
        } else if (IsRule(e)) {
            block += QString(RuleLength(e) / 8, '_');
        }
    }
    return block;
}

QString ExportTXT::Body(const QStringList& blocks) { return blocks.join("\r\n"); }

}  // namespace Pagivex::impl
