// The font map shared by the pages of one collection.
#pragma once

#include <Pagivex/Pagivex.h>

#include <QFont>
#include <QMap>
#include <vector>

namespace Pagivex::impl {

class Font final : public Pagivex::IFont {
public:
    bool Bold() const override { return m_bold; }
    void SetBold(bool v) override { m_bold = v; }
    bool Italic() const override { return m_italic; }
    void SetItalic(bool v) override { m_italic = v; }
    bool Underline() const override { return m_underline; }
    void SetUnderline(bool v) override { m_underline = v; }
    bool Strikethrough() const override { return m_strike; }
    void SetStrikethrough(bool v) override { m_strike = v; }
    QString HTMLColor(qint32 lColor) const override;
    qint16 Index() const override { return m_index; }
    qint16 Rotation() const override { return m_rotation; }
    void SetRotation(qint16 v) override { m_rotation = qint16(v % 360); }
    void SetSize(float v) override;
    float Size() const override { return m_size; }
    void SetFaceName(const QString& v) override { m_face = v.isEmpty() ? QString("Arial") : v; }
    QString FaceName() const override { return m_face; }
    qint32 Handle() const override { return m_handle; }
    QString OpenTag(qint32 lColor = 0) const override;
    QString CloseTag() const override { return m_close; }

    // The font made for a device of that vertical resolution (weights 600 and 900).
    QFont MakeFont(int dpiY) const;
    // The font made by the last FontMap::Create.
    const QFont& Created() const { return m_font; }
    void Create(int dpiY);
    void SetIndex(qint16 i) { m_index = i; }

private:
    bool m_bold = false, m_italic = false, m_underline = false, m_strike = false;
    qint16 m_index = 0;
    qint16 m_rotation = 0;
    float m_size = 8.5f;
    QString m_face = "Arial";
    qint32 m_handle = 0;
    QFont m_font;
    QString m_openPrefix, m_close;
};

class FontMap final : public Pagivex::FontMap {
public:
    FontMap();
    std::shared_ptr<Pagivex::IFont> ActiveFont() const override;
    void Clear() override;
    void Create(QPaintDevice* device = nullptr) override;
    qint16 Add(const QString& FaceName, float Size, bool Bold = false, bool Italic = false, bool Underline = false,
               bool Strikethrough = false, qint16 Rotation = 0) override;
    std::shared_ptr<Pagivex::IFont> Item(const QVariant& Key) const override;
    qint32 Count() const override { return qint32(m_fonts.size()); }
    void Remove(const QVariant& Key) override;
    std::vector<std::shared_ptr<Pagivex::IFont>> NewEnum() const override;

    // The font at that 1-based position; nullptr when there is none.
    std::shared_ptr<Font> ByPosition(qint32 position) const;
    qint16 ActiveIndex() const { return m_active; }
    static QString Key(const QString& face, float size, bool b, bool i, bool u, bool s, qint16 rotation);

private:
    qsizetype Find(const QVariant& key) const;
    struct Entry {
        QString key;
        std::shared_ptr<Font> font;
    };
    std::vector<Entry> m_fonts;
    qint16 m_active = 0;
};

}  // namespace Pagivex::impl
