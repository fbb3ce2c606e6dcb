#include "FontMap.h"

#include "modGlobals.h"

#include <QPaintDevice>
#include <atomic>
#include <cmath>

namespace Pagivex {
IFont::~IFont() = default;
FontMap::~FontMap() = default;
}  // namespace Pagivex

namespace Pagivex::impl {

void Font::SetSize(float v) {
    v = std::fabs(v);
    m_size = v == 0 ? 8.5f : v;
}

QString Font::HTMLColor(qint32 lColor) const {
    // "No colour" (-1) is written as black rather than as the white its bytes would give.
    const QColor c = lColor == -1 ? QColor(Qt::black) : modGlobals::TranslateColor(lColor);
    // Written digit by digit: the HTML export asks for it for every font and colour of every page.
    static constexpr char16_t hex[] = u"0123456789ABCDEF";
    char16_t text[] = u"\"#000000\"";
    const int channels[] = {c.red(), c.green(), c.blue()};
    for (int k = 0; k < 3; ++k) {
        text[2 + 2 * k] = hex[(channels[k] >> 4) & 15];
        text[3 + 2 * k] = hex[channels[k] & 15];
    }
    return QString::fromUtf16(text, 9);
}

QString Font::OpenTag(qint32 lColor) const {
    return m_openPrefix + HTMLColor(lColor) + ">";
}

QFont Font::MakeFont(int dpiY) const {
    QFont font(m_face);
    const qint32 height = modGlobals::RoundEven(-(double(m_size) * dpiY) / 72.0);
    font.setPixelSize(std::max(1, std::abs(height)));
    font.setWeight(m_bold ? QFont::Black : QFont::DemiBold);
    font.setItalic(m_italic);
    font.setUnderline(m_underline);
    font.setStrikeOut(m_strike);
    return font;
}

void Font::Create(int dpiY) {
    static std::atomic<qint32> nextHandle{1};
    m_font = MakeFont(dpiY);
    m_handle = nextHandle++;
    int htmlSize = 7;
    if (m_size <= 9) htmlSize = 1;
    else if (m_size <= 11) htmlSize = 2;
    else if (m_size <= 13) htmlSize = 3;
    else if (m_size <= 16) htmlSize = 4;
    else if (m_size <= 21) htmlSize = 5;
    else if (m_size <= 30) htmlSize = 6;
    m_openPrefix.clear();
    if (m_bold) m_openPrefix += "<B>";
    if (m_italic) m_openPrefix += "<I>";
    m_openPrefix += "<FONT FACE=\"" + modGlobals::HtmlAttribute(m_face) + "\" SIZE=\"" + QString::number(htmlSize) +
                    "\" COLOR=";
    m_close = "</FONT>";
    if (m_italic) m_close += "</I>";
    if (m_bold) m_close += "</B>";
}

FontMap::FontMap() { Add("Arial", 8.5f); }

QString FontMap::Key(const QString& face, float size, bool b, bool i, bool u, bool s, qint16 rotation) {
    // Fields are separated so that, say, face "Arial1" size 0.5 and face "Arial" size 10.5 differ.
    return face + "|" + QString::number(double(size)) + "|" + QString::number(rotation % 360) + "|" +
           (b ? "1" : "0") + (i ? "1" : "0") + (u ? "1" : "0") + (s ? "1" : "0");
}

qint16 FontMap::Add(const QString& FaceName, float Size, bool Bold, bool Italic, bool Underline,
                    bool Strikethrough, qint16 Rotation) {
    const QString key = Key(FaceName, Size, Bold, Italic, Underline, Strikethrough, Rotation);
    for (const Entry& e : m_fonts) {
        if (e.key == key) {
            m_active = e.font->Index();
            return m_active;
        }
    }
    auto font = std::make_shared<Font>();
    font->SetFaceName(FaceName);
    font->SetSize(Size);
    font->SetRotation(Rotation);
    font->SetBold(Bold);
    font->SetItalic(Italic);
    font->SetUnderline(Underline);
    font->SetStrikethrough(Strikethrough);
    font->SetIndex(qint16(m_fonts.size() + 1));
    m_fonts.push_back({key, font});
    m_active = font->Index();
    return m_active;
}

std::shared_ptr<Font> FontMap::ByPosition(qint32 position) const {
    if (position < 1 || position > qint32(m_fonts.size())) return nullptr;
    return m_fonts[size_t(position - 1)].font;
}

std::shared_ptr<Pagivex::IFont> FontMap::ActiveFont() const { return ByPosition(m_active); }

void FontMap::Clear() { m_fonts.clear(); }

void FontMap::Create(QPaintDevice* device) {
    const int dpi = device ? device->logicalDpiY() : 96;
    for (const Entry& e : m_fonts) e.font->Create(dpi);
}

qsizetype FontMap::Find(const QVariant& key) const {
    if (key.typeId() == QMetaType::QString) {
        for (size_t i = 0; i < m_fonts.size(); ++i)
            if (m_fonts[i].key == key.toString()) return qsizetype(i);
        return -1;
    }
    bool ok = false;
    const qint64 position = key.toLongLong(&ok);
    if (!ok || position < 1 || position > qint64(m_fonts.size())) return -1;
    return qsizetype(position - 1);
}

std::shared_ptr<Pagivex::IFont> FontMap::Item(const QVariant& Key) const {
    const qsizetype i = Find(Key);
    if (i < 0) modGlobals::RaiseLibError(5, "FontMap", "Item", "Invalid procedure call or argument");
    return m_fonts[size_t(i)].font;
}

void FontMap::Remove(const QVariant& Key) {
    const qsizetype i = Find(Key);
    if (i < 0) modGlobals::RaiseLibError(5, "FontMap", "Remove", "Invalid procedure call or argument");
    m_fonts.erase(m_fonts.begin() + i);
}

std::vector<std::shared_ptr<Pagivex::IFont>> FontMap::NewEnum() const {
    std::vector<std::shared_ptr<Pagivex::IFont>> out;
    for (const Entry& e : m_fonts) out.push_back(e.font);
    return out;
}

}  // namespace Pagivex::impl
