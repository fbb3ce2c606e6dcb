#include "Exporters.h"

#include "FontMap.h"
#include "Pages.h"
#include "modGlobals.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace Pagivex::impl {

namespace {

// How each ASCII character is written in a cell: as itself (size 0 here) or as the entity
// or break that stands for it, padded to eight bytes so that it is copied whole.
struct Entities {
    std::uint8_t size[128];
    char text[128][8];
};
constexpr Entities kEntities = [] {
    Entities t{};
    auto set = [&t](char c, const char* text) {
        const auto i = size_t(c);
        while (text[t.size[i]]) {
            t.text[i][t.size[i]] = text[t.size[i]];
            ++t.size[i];
        }
    };
    set('&', "&amp;");
    set('<', "&lt;");
    set('>', "&gt;");
    set('"', "&quot;");
    set(' ', "&nbsp;");
    set('\r', "<BR>");
    set('\n', "<BR>");
    return t;
}();

// The escaped text written at d, which has room for six bytes a character and eight more;
// returns its end.
char* EscapeInto(char* d, const char16_t* c, const char16_t* const end) {
    while (c < end) {
        // Most of a text is letters and digits, copied as they are.
        char16_t u;
        while ((u = *c) < 0x80 && !kEntities.size[u]) {
            *d++ = char(u);
            if (++c == end) return d;
        }
        if (u >= 0x80) {
            *d++ = modGlobals::AnsiByte(u);
        } else {
            // CR LF, a lone CR and a lone LF are each one line break.
            if (u == u'\r' && c + 1 < end && c[1] == u'\n') ++c;
            std::memcpy(d, kEntities.text[u], 8);
            d += kEntities.size[u];
        }
        ++c;
    }
    return d;
}

}  // namespace

// What the tags of an export are made of: made once, and kept from page to page while
// the fonts they came from stay as they were.
struct ExportHTML::Tags {
    struct Colour {
        qint32 colour;
        std::string text;
    };
    std::vector<Colour> colours;
    struct FontTags {
        qint16 index;
        std::shared_ptr<Pagivex::IFont> font;
        qint32 handle;  // the font as it was made when its tags were
        std::string close;
    };
    std::vector<FontTags> fonts;
    struct OpenTag {
        qint16 index;
        qint32 fore;
        std::string text;
    };
    std::vector<OpenTag> openTags;
    // A cell's tag after its band, with the font's opening tag, and what closes it.
    struct CellStyle {
        qint16 font;
        qint32 fore, back, aligment;
        qint64 width;
        std::string open, close;
    };
    std::vector<CellStyle> styles;
    std::size_t lastStyle = 0;
    // A rule, whole; a list draws the same one under every row.
    struct Rule {
        qint32 fore;
        quint32 size;  // the bits of the width, so -0 stays "-0"
        qint64 length;
        std::string text;
    };
    std::vector<Rule> rules;
    std::size_t lastRule = 0;

    // Forgets what came from fonts that are no longer the ones of the map, or were made
    // again since (a font changed between two pages shows from the next page on).
    void FollowFonts(const std::shared_ptr<Pagivex::FontMap>& map) {
        const auto own = std::dynamic_pointer_cast<impl::FontMap>(map);
        bool same = own != nullptr;
        for (const FontTags& f : fonts) {
            if (!same) break;
            const std::shared_ptr<Pagivex::IFont> now = own->ByPosition(f.index);
            same = now == f.font && now->Handle() == f.handle;
        }
        if (same) return;
        fonts.clear();
        openTags.clear();
        styles.clear();
        lastStyle = 0;
    }
};

ExportHTML::ExportHTML() : m_tags(std::make_unique<Tags>()) {}
ExportHTML::~ExportHTML() = default;

void ExportHTML::AppendEscapedHTML(AnsiText& out, const QString& text) {
    const char16_t* c = reinterpret_cast<const char16_t*>(text.constData());
    char* const start = out.Room(text.size() * 6 + 8);
    out.Advance(EscapeInto(start, c, c + text.size()) - start);
}

static qint64 Fix12(qint64 pixels) { return qint64(std::trunc(double(pixels) * 1.2)); }

bool ExportHTML::Header(const std::vector<qint32>& pages, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& h) {
    oPages->FontMap()->Create(nullptr);
    *m_tags = Tags();
    h += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\r\n";
    h += "<HTML>\r\n<HEAD>\r\n";
    // The file is in the code page every text is written in: a browser told nothing would
    // take its accents for another one's.
    h += "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">\r\n";
    h += "<TITLE>";
    AppendEscapedHTML(h, m_option);
    h += "</TITLE>\r\n";
    h += "<META NAME=\"Generator\" CONTENT=\"";
    h += modGlobals::HtmlAttribute(modGlobals::ApplicationName());
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

namespace {

void Append(std::string& s, qint64 n) {
    char digits[24];
    s.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

void AppendAnsi(std::string& s, const QString& text) {
    const size_t at = s.size();
    s.resize(at + size_t(text.size()));
    modGlobals::ToAnsi(text, s.data() + at);
}

char* Copy(char* d, std::string_view s) {
    std::memcpy(d, s.data(), s.size());
    return d + s.size();
}

}  // namespace


void ExportHTML::PageBlock(const SortedPage& page, const std::shared_ptr<Pagivex::Pages>& oPages, AnsiText& b) {
    // A page repeats the same few fonts, colours and cells in every row, so each tag is
    // made once for the export, from the fonts as they are when it is first needed.
    auto fonts = oPages->FontMap();
    auto firstFont = fonts->Item(1);
    Tags& tags = *m_tags;
    tags.FollowFonts(fonts);
    // The view lasts until the next colour is made.
    auto colour = [&](qint32 c) -> std::string_view {
        for (const Tags::Colour& k : tags.colours)
            if (k.colour == c) return k.text;
        tags.colours.push_back({c, {}});
        AppendAnsi(tags.colours.back().text, firstFont->HTMLColor(c));
        return tags.colours.back().text;
    };
    auto fontOf = [&](qint16 index) -> const Tags::FontTags& {
        for (const Tags::FontTags& f : tags.fonts)
            if (f.index == index) return f;
        std::shared_ptr<Pagivex::IFont> font = fonts->Item(qint32(index));
        Tags::FontTags f{index, font, font->Handle(), {}};
        AppendAnsi(f.close, font->CloseTag());
        tags.fonts.push_back(std::move(f));
        return tags.fonts.back();
    };
    auto appendOpenTag = [&](std::string& s, qint16 index, qint32 fore) {
        for (const Tags::OpenTag& t : tags.openTags)
            if (t.index == index && t.fore == fore) return void(s += t.text);
        Tags::OpenTag t{index, fore, {}};
        AppendAnsi(t.text, fontOf(index).font->OpenTag(fore));
        s += t.text;
        tags.openTags.push_back(std::move(t));
    };
    auto& styles = tags.styles;
    std::size_t& lastStyle = tags.lastStyle;
    auto cellStyle = [&](const PageElement& e) -> const Tags::CellStyle& {
        const qint64 width = Fix12(e.Width);
        const qint32 aligment = e.Aligment & 15;
        auto same = [&](const Tags::CellStyle& s) {
            return s.font == e.FontIndex && s.fore == e.ForeColor && s.back == e.BackColor && s.width == width &&
                   s.aligment == aligment;
        };
        // Cells mostly follow the pattern of the row before: the one after the last found
        // is tried first.
        for (std::size_t i = 0, k = lastStyle; i < styles.size(); ++i) {
            if (++k == styles.size()) k = 0;
            if (same(styles[k])) return styles[(lastStyle = k)];
        }
        Tags::CellStyle s{e.FontIndex, e.ForeColor, e.BackColor, aligment, width, {}, {}};
        s.open.reserve(160);
        if (e.BackColor != -1) s.open.append(" BGCOLOR=").append(colour(e.BackColor));
        s.open += " WIDTH=\"";
        Append(s.open, width);
        s.open += "px\"";
        if (e.Aligment & 1) s.open += " ALIGN=\"Center\"";
        else if (e.Aligment & 2) s.open += " ALIGN=\"Right\"";
        else s.open += " ALIGN=\"Left\"";
        if (e.Aligment & 4) s.open += " VALIGN=\"Middle\"";
        else if (e.Aligment & 8) s.open += " VALIGN=\"Bottom\"";
        else s.open += " VALIGN=\"Top\"";
        s.open += '>';
        appendOpenTag(s.open, e.FontIndex, e.ForeColor);
        s.close = fontOf(e.FontIndex).close + "</TD>\r\n";
        // A page of many different cells would make the search long: past a few dozen
        // styles the new ones are made and kept only until the next.
        if (styles.size() >= 64) styles.pop_back();
        styles.push_back(std::move(s));
        return styles[(lastStyle = styles.size() - 1)];
    };
    auto& rules = tags.rules;
    std::size_t& lastRule = tags.lastRule;
    auto rule = [&](const PageElement& e) -> std::string_view {
        const quint32 size = std::bit_cast<quint32>(e.Size);
        const qint64 length = Fix12(RuleLength(e));
        auto same = [&](const Tags::Rule& r) { return r.fore == e.ForeColor && r.size == size && r.length == length; };
        if (lastRule < rules.size() && same(rules[lastRule])) return rules[lastRule].text;
        for (std::size_t k = 0; k < rules.size(); ++k)
            if (same(rules[k])) return rules[(lastRule = k)].text;
        Tags::Rule r{e.ForeColor, size, length, "<TD><HR COLOR="};
        r.text += colour(e.ForeColor);
        r.text += " SIZE=\"";
        AppendAnsi(r.text, QString::number(double(e.Size)));
        r.text += "\" WIDTH=\"";
        Append(r.text, length);
        r.text += "px\"></TD>";
        if (rules.size() >= 64) rules.pop_back();
        rules.push_back(std::move(r));
        return rules[(lastRule = rules.size() - 1)].text;
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
            const Tags::CellStyle& style = cellStyle(e);
            // The whole cell is written in one piece of room: six bytes a character is the
            // most its text can take, and the escaping writes up to eight bytes past its end.
            const char16_t* text = reinterpret_cast<const char16_t*>(e.Text.constData());
            const qsizetype room = cellStartSize + qsizetype(style.open.size() + style.close.size()) + e.Text.size() * 6 + 8;
            char* const start = b.Room(room);
            char* d = Copy(start, {cellStart, size_t(cellStartSize)});
            d = Copy(d, style.open);
            if (e.Text.isEmpty()) d = Copy(d, "&nbsp;");
            else d = EscapeInto(d, text, text + e.Text.size());
            d = Copy(d, style.close);
            b.Advance(d - start);
        } else if (IsRule(e)) {
            const std::string_view r = rule(e);
            b.AppendBytes(r.data(), qsizetype(r.size()));
        }
    }
    if (tableOpen) b += "</TR>\r\n</TABLE>\r\n";
    b += "<A HREF=\"#TOP\">Top</A><BR>\r\n";
}

}  // namespace Pagivex::impl
