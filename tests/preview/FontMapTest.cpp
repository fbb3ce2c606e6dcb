// The shared font map and its fonts.
#include "PreviewTestKit.h"

#include "FontMap.h"

#include <QGuiApplication>
#include <QPalette>

using Pagivex::impl::FontMap;

TEST(Fonts, ANewMapHoldsArial85AndFindsExistingFonts) {
    FontMap map;
    EXPECT_EQ(map.Count(), 1);
    EXPECT_EQ(map.ActiveFont()->FaceName(), "Arial");
    EXPECT_EQ(map.ActiveFont()->Size(), 8.5f);
    EXPECT_EQ(map.Add("Arial", 8.5f), 1);
    EXPECT_EQ(map.Count(), 1);
    EXPECT_EQ(map.Add("Arial", 10, true), 2);
    EXPECT_EQ(map.Add("Tahoma", 10), 3);
    EXPECT_EQ(map.Add("Arial", 10, true), 2);  // found again: only made active
    EXPECT_EQ(map.ActiveFont()->Index(), 2);
    EXPECT_EQ(map.Count(), 3);
    EXPECT_EQ(map.Add("Arial", 10, false, false, false, false, 370), 4);
    EXPECT_EQ(map.Add("Arial", 10, false, false, false, false, 10), 4);
    EXPECT_EQ(map.Item(4)->Rotation(), 10);
}

TEST(Fonts, KeysOfDifferentFontsNeverCollide) {
    FontMap map;
    const qint16 a = map.Add("Arial1", 0.5f);
    const qint16 b = map.Add("Arial", 10.5f);
    EXPECT_NE(a, b);
    EXPECT_NE(FontMap::Key("A", 11, false, false, false, false, 0),
              FontMap::Key("A1", 1, false, false, false, false, 0));
    EXPECT_EQ(map.Item(QString(FontMap::Key("Arial", 10.5f, false, false, false, false, 0)))->Index(), b);
    EXPECT_THROW(map.Item(QString("nope")), Pagivex::Error);
    EXPECT_THROW(map.Item(99), Pagivex::Error);
}

TEST(Fonts, PropertyDefaults) {
    Pagivex::impl::Font f;
    f.SetSize(-12);
    EXPECT_EQ(f.Size(), 12.0f);
    f.SetSize(0);
    EXPECT_EQ(f.Size(), 8.5f);
    f.SetFaceName("");
    EXPECT_EQ(f.FaceName(), "Arial");
    f.SetRotation(725);
    EXPECT_EQ(f.Rotation(), 5);
}

TEST(Fonts, CreateMakesWeightsSizesAndTags) {
    FontMap map;
    map.Add("Arial", 9);
    map.Add("Arial", 14, true, true);
    map.Add("Arial", 31);
    EXPECT_EQ(map.ActiveFont()->Handle(), 0);
    map.Create(nullptr);
    auto plain = map.ByPosition(2), boldItalic = map.ByPosition(3), big = map.ByPosition(4);
    EXPECT_NE(plain->Handle(), 0);
    EXPECT_EQ(plain->Created().weight(), 600);
    EXPECT_EQ(boldItalic->Created().weight(), 900);
    EXPECT_EQ(plain->Created().pixelSize(), 12);  // 9 pt at 96 dpi
    EXPECT_EQ(plain->OpenTag(0), "<FONT FACE=\"Arial\" SIZE=\"1\" COLOR=\"#000000\">");
    EXPECT_EQ(boldItalic->OpenTag(255), "<B><I><FONT FACE=\"Arial\" SIZE=\"4\" COLOR=\"#FF0000\">");
    EXPECT_EQ(boldItalic->CloseTag(), "</FONT></I></B>");
    EXPECT_TRUE(big->OpenTag().contains("SIZE=\"7\""));
}

TEST(Fonts, HtmlColours) {
    Pagivex::impl::Font f;
    EXPECT_EQ(f.HTMLColor(255), "\"#FF0000\"");
    EXPECT_EQ(f.HTMLColor(0x00FF8000), "\"#0080FF\"");
    EXPECT_EQ(f.HTMLColor(-1), "\"#000000\"");  // no colour is black, not white
    const QColor window = QGuiApplication::palette().color(QPalette::Base);
    EXPECT_EQ(f.HTMLColor(qint32(0x80000005)), "\"" + window.name().toUpper() + "\"");
}
