#include "Exporters.h"

#include "FontMap.h"
#include "Pages.h"
#include "modGlobals.h"

#include <QHash>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace Pagivex::impl {

static QString EscapeAttribute(const QString& text) {
    QString out = text;
    out.replace('&', "&amp;").replace('"', "&quot;").replace('<', "&lt;").replace('>', "&gt;");
    return out;
}

void ExportHTML::AppendEscapedHTML(AnsiText& out, const QString& text) {
    // Written straight into the output: no character takes more than six bytes.
    char* const start = out.Room(text.size() * 6);
    char* d = start;
    auto put = [&d](const char* s, int n) {
        std::memcpy(d, s, size_t(n));
        d += n;
    };
    // The ASCII characters HTML gives a meaning to (or that break a line): all others
    // below 0x80 are copied as they are, which is most of every text.
    static constexpr auto special = [] {
        std::array<bool, 128> t{};
        for (const char c : {'&', '<', '>', '"', ' ', '\r', '\n'}) t[size_t(c)] = true;
        return t;
    }();
    const char16_t* c = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = c + text.size();
    for (; c < end; ++c) {
        if (*c < 0x80 && !special[*c]) {
            *d++ = char(*c);
            continue;
        }
        switch (*c) {
        case '&': put("&amp;", 5); break;
        case '<': put("&lt;", 4); break;
        case '>': put("&gt;", 4); break;
        case '"': put("&quot;", 6); break;
        case ' ': put("&nbsp;", 6); break;
        case '\r':
            // CR LF, a lone CR and a lone LF are each one line break.
            if (c + 1 < end && c[1] == u'\n') ++c;
            put("<BR>", 4);
            break;
        case '\n': put("<BR>", 4); break;
        default: *d++ = modGlobals::AnsiByte(*c);
        }
    }
    out.Advance(d - start);
}

static qint64 Fix12(qint64 pixels) { return qint64(std::trunc(double(pixels) * 1.2)); }

bool ExportHTML::Header(const std::vector<qint32>& pages, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& h) {
    oPages->FontMap()->Create(nullptr);
    h += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\r\n";
    h += "<HTML>\r\n<HEAD>\r\n";
    h += "<TITLE>";
    AppendEscapedHTML(h, m_option);
    h += "</TITLE>\r\n";
    h += "<META NAME=\"Generator\" CONTENT=\"";
    h += EscapeAttribute(modGlobals::ApplicationName());
    h += "\">\r\n";
    h += "<META NAME=\"Author\" CONTENT=\"?\">\r\n";
    h += "<META NAME=\"Keywords\" CONTENT=\"?\">\r\n";
    h += "<META NAME=\"Description\" CONTENT=\"?\">\r\n";
    h += "</HEAD>\r\n<BODY>\r\n";
    h += "<A NAME=\"TOP\"><FONT SIZE=4>Index</FONT></A><BR>\r\n";
    for (const qint32 index : pages) {
        h += "<A HREF=\"#PAGE";
        h.Number(index);
        h += "\">Page ";
        h.Number(index);
        h += "</A><BR>\r\n";
    }
    return true;
}

void ExportHTML::PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& b) {
    auto fonts = oPages->FontMap();
    auto firstFont = fonts->Item(1);
    // A page repeats a few fonts and colours in every row: each tag is made once a page.
    auto ansi = [](const QString& text) { return modGlobals::ToAnsi(text); };
    QHash<qint32, QByteArray> colours;
    auto colour = [&](qint32 c) -> const QByteArray& {
        auto it = colours.constFind(c);
        if (it == colours.constEnd()) it = colours.insert(c, ansi(firstFont->HTMLColor(c)));
        return *it;
    };
    struct Tags {
        std::shared_ptr<Pagivex::IFont> font;
        QByteArray close;
    };
    QHash<qint16, Tags> tags;
    QHash<quint32, QByteArray> sizes;  // by the bits of the width, so -0 stays "-0"

    // A cell's tag after its band, with the font's opening tag, and what closes it: a list
    // repeats the same few of these in every row, so each is made once a page.
    struct CellStyle {
        qint16 font;
        qint32 fore, back, aligment;
        qint64 width;
        QByteArray open, close;
    };
    std::vector<CellStyle> styles;
    std::size_t lastStyle = 0;
    auto cellStyle = [&](const PageElement& e) -> const CellStyle& {
        const qint64 width = Fix12(e.Width);
        const qint32 aligment = e.Aligment & 15;
        auto same = [&](const CellStyle& s) {
            return s.font == e.FontIndex && s.fore == e.ForeColor && s.back == e.BackColor && s.width == width &&
                   s.aligment == aligment;
        };
        // Cells mostly follow the pattern of the row before: the one after the last found
        // is tried first.
        for (std::size_t i = 0; i < styles.size(); ++i) {
            const std::size_t k = (lastStyle + 1 + i) % styles.size();
            if (same(styles[k])) return styles[(lastStyle = k)];
        }
        CellStyle s{e.FontIndex, e.ForeColor, e.BackColor, aligment, width, {}, {}};
        s.open.reserve(160);
        if (e.BackColor != -1) s.open.append(" BGCOLOR=").append(colour(e.BackColor));
        s.open.append(" WIDTH=\"").append(QByteArray::number(width)).append("px\"");
        if (e.Aligment & 1) s.open.append(" ALIGN=\"Center\"");
        else if (e.Aligment & 2) s.open.append(" ALIGN=\"Right\"");
        else s.open.append(" ALIGN=\"Left\"");
        if (e.Aligment & 4) s.open.append(" VALIGN=\"Middle\"");
        else if (e.Aligment & 8) s.open.append(" VALIGN=\"Bottom\"");
        else s.open.append(" VALIGN=\"Top\"");
        s.open.append('>');
        auto found = tags.find(e.FontIndex);
        if (found == tags.end()) {
            auto font = fonts->Item(qint32(e.FontIndex));
            found = tags.insert(e.FontIndex, Tags{font, ansi(font->CloseTag())});
        }
        s.open.append(ansi(found->font->OpenTag(e.ForeColor)));
        s.close = found->close + "</TD>\r\n";
        // A page of many different cells would make the search long: past a few dozen
        // styles the new ones are made and kept only until the next.
        if (styles.size() >= 64) styles.pop_back();
        styles.push_back(std::move(s));
        return styles[(lastStyle = styles.size() - 1)];
    };
    char cellStart[32] = "<TD BAND=\"";  // and the number of the band being written
    qsizetype cellStartSize = 0;
    qint32 bandOfCell = -1;

    b += "<HR SIZE=1 COLOR=\"Red\" WIDTH=\"100%\">\r\n<A NAME=\"PAGE";
    b.Number(page.index);
    b += "\"><FONT SIZE=4 COLOR=\"Black\">Page ";
    b.Number(page.index);
    b += "</FONT></A><BR>\r\n";
    qint32 section = -1, band = -1;
    bool tableOpen = false;
    for (const auto& placed : page.order) {
        const PageElement& e = page.At(placed);
        if (e.SectionType != section) {
            section = e.SectionType;
            band = placed.band;
            if (tableOpen) b += "</TR>\r\n</TABLE>\r\n";
            b += "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0>\r\n<TR>\r\n";
            tableOpen = true;
        }
        if (placed.band != band) {
            b += "</TR>\r\n<TR>\r\n";
            band = placed.band;
        }
        if (e.Type == 1) {
            if (placed.band != bandOfCell) {
                bandOfCell = placed.band;
                const auto end = std::to_chars(cellStart + 10, cellStart + sizeof cellStart - 1, bandOfCell).ptr;
                *end = '"';
                cellStartSize = end + 1 - cellStart;
            }
            b.AppendBytes(cellStart, cellStartSize);
            const CellStyle& style = cellStyle(e);
            b.AppendBytes(style.open);
            if (e.Text.isEmpty()) b += "&nbsp;";
            else AppendEscapedHTML(b, e.Text);
            b.AppendBytes(style.close);
        } else if (IsRule(e)) {
            b += "<TD><HR COLOR=";
            b.AppendBytes(colour(e.ForeColor));
            b += " SIZE=\"";
            const quint32 bits = std::bit_cast<quint32>(e.Size);
            auto size = sizes.constFind(bits);
            if (size == sizes.constEnd()) size = sizes.insert(bits, ansi(QString::number(double(e.Size))));
            b.AppendBytes(*size);
            b += "\" WIDTH=\"";
            b.Number(Fix12(RuleLength(e)));
            b += "px\"></TD>";
        }
    }
    if (tableOpen) b += "</TR>\r\n</TABLE>\r\n";
    b += "<A HREF=\"#TOP\">Top</A><BR>\r\n";
}

}  // namespace Pagivex::impl
