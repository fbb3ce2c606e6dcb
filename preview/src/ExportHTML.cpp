#include "Exporters.h"

#include "FontMap.h"
#include "Pages.h"
#include "modGlobals.h"

#include <cmath>

namespace Pagivex::impl {

static QString EscapeAttribute(const QString& text) {
    QString out = text;
    out.replace('&', "&amp;").replace('"', "&quot;").replace('<', "&lt;").replace('>', "&gt;");
    return out;
}

QString ExportHTML::EscapeHTML(const QString& text) {
    QString out = text;
    out.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('"', "&quot;");
    out.replace(' ', "&nbsp;");
    out.replace("\r\n", "<BR>").replace('\r', "<BR>").replace('\n', "<BR>");
    return out;
}

static qint64 Fix12(qint64 pixels) { return qint64(std::trunc(double(pixels) * 1.2)); }

QString ExportHTML::Header(const std::vector<SortedPage>& pages, const std::shared_ptr<Pagivex::Pages>& oPages) {
    oPages->FontMap()->Create(nullptr);
    QString h;
    h += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\r\n";
    h += "<HTML>\r\n<HEAD>\r\n";
    h += "<TITLE>" + EscapeHTML(m_option) + "</TITLE>\r\n";
    h += "<META NAME=\"Generator\" CONTENT=\"" + EscapeAttribute(modGlobals::ApplicationName()) + "\">\r\n";
    h += "<META NAME=\"Author\" CONTENT=\"?\">\r\n";
    h += "<META NAME=\"Keywords\" CONTENT=\"?\">\r\n";
    h += "<META NAME=\"Description\" CONTENT=\"?\">\r\n";
    h += "</HEAD>\r\n<BODY>\r\n";
    h += "<A NAME=\"TOP\"><FONT SIZE=4>Index</FONT></A><BR>\r\n";
    for (const SortedPage& page : pages) {
        const QString n = QString::number(page.index);
        h += "<A HREF=\"#PAGE" + n + "\">Page " + n + "</A><BR>\r\n";
    }
    return h;
}

QString ExportHTML::PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages) {
    auto fonts = oPages->FontMap();
    auto firstFont = fonts->Item(1);
    const QString n = QString::number(page.index);
    QString b = "<HR SIZE=1 COLOR=\"Red\" WIDTH=\"100%\">\r\n";
    b += "<A NAME=\"PAGE" + n + "\"><FONT SIZE=4 COLOR=\"Black\">Page " + n + "</FONT></A><BR>\r\n";
    qint32 section = -1, band = -1;
    bool tableOpen = false;
    for (const PageElement& e : page.elements) {
        if (e.SectionType != section) {
            section = e.SectionType;
            band = e.BandIndex;
            if (tableOpen) b += "</TR>\r\n</TABLE>\r\n";
            b += "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0>\r\n<TR>\r\n";
            tableOpen = true;
        }
        if (e.BandIndex != band) {
            b += "</TR>\r\n<TR>\r\n";
            band = e.BandIndex;
        }
        if (e.Type == 1) {
            QString attributes = " BAND=\"" + QString::number(e.BandIndex) + "\"";
            if (e.BackColor != -1) attributes += " BGCOLOR=" + firstFont->HTMLColor(e.BackColor);
            attributes += " WIDTH=\"" + QString::number(Fix12(e.Width)) + "px\"";
            if (e.Aligment & 1) attributes += " ALIGN=\"Center\"";
            else if (e.Aligment & 2) attributes += " ALIGN=\"Right\"";
            else attributes += " ALIGN=\"Left\"";
            if (e.Aligment & 4) attributes += " VALIGN=\"Middle\"";
            else if (e.Aligment & 8) attributes += " VALIGN=\"Bottom\"";
            else attributes += " VALIGN=\"Top\"";
            auto font = fonts->Item(qint32(e.FontIndex));
            b += "<TD" + attributes + ">" + font->OpenTag(e.ForeColor) +
                 (e.Text.isEmpty() ? QString("&nbsp;") : EscapeHTML(e.Text)) + font->CloseTag() + "</TD>\r\n";
        } else if (IsRule(e)) {
            b += "<TD><HR COLOR=" + firstFont->HTMLColor(e.ForeColor) + " SIZE=\"" + QString::number(double(e.Size)) +
                 "\" WIDTH=\"" + QString::number(Fix12(RuleLength(e))) + "px\"></TD>";
        }
    }
    if (tableOpen) b += "</TR>\r\n</TABLE>\r\n";
    b += "<A HREF=\"#TOP\">Top</A><BR>\r\n";
    return b;
}

QString ExportHTML::Body(const QStringList& blocks) {
    return blocks.join(QString()) + "<HR SIZE=1 COLOR=\"RED\" WIDTH=\"100%\">\r\n</BODY>\r\n</HTML>";
}

}  // namespace Pagivex::impl
