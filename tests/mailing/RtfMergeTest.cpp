// Markers filled in the RTF text itself: found through formatting codes,
// values escaped, everything else of the letter left as it was.
#include "RtfMerge.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>

#include "Rtf.h"
#include <gtest/gtest.h>

namespace {

QByteArray Fixture(const char* name) {
    QFile f(QStringLiteral(MAILING_TEST_DATA "/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

QString Visible(const QByteArray& rtf) { return RtfMerge::VisibleText(rtf); }

int Balance(const QByteArray& rtf) {
    int depth = 0;
    for (int i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') ++i;
        else if (rtf[i] == '{') ++depth;
        else if (rtf[i] == '}') --depth;
    }
    return depth;
}

// The picture data of a letter: the hex digits of its \pict groups.
QByteArray Pictures(const QByteArray& rtf) {
    QByteArray all;
    for (int at = rtf.indexOf("{\\pict"); at >= 0; at = rtf.indexOf("{\\pict", at + 1))
        all += rtf.mid(at, rtf.indexOf('}', at) - at);
    return all;
}

}  // namespace

TEST(RtfMerge, MarkersSplitByFormattingAndBookmarks) {
    QByteArray rtf = R"({\rtf1\ansi {\b\cf2 ||TIT}{\b\cf2\insrsid1 OLO||} ||NO{\*\bkmkstart x}{\*\bkmkend x}ME||\par})";
    EXPECT_EQ(Visible(rtf), "||TITOLO|| ||NOME||\n");
    EXPECT_EQ(RtfMerge::Replace(rtf, "||TITOLO||", "Dott."), 1);
    EXPECT_EQ(RtfMerge::Replace(rtf, "||NOME||", "Anna"), 1);
    EXPECT_EQ(Visible(rtf), "Dott. Anna\n");
    // The value stands in the marker's first group, so it is bold and red.
    EXPECT_TRUE(rtf.contains("{\\b\\cf2 Dott.}{\\b\\cf2\\insrsid1 }")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\*\\bkmkstart x}")) << rtf.constData();
    EXPECT_EQ(Balance(rtf), 0);
}

TEST(RtfMerge, ValuesNeverRunIntoControlWords) {
    QByteArray rtf = R"({\rtf1\fs24||CAP||\par\b0||NOME||\i ||COGNOME||\u8364?||FAX||})";
    RtfMerge::Replace(rtf, "||CAP||", "40121");
    RtfMerge::Replace(rtf, "||NOME||", "Anna");
    RtfMerge::Replace(rtf, "||COGNOME||", "");
    RtfMerge::Replace(rtf, "||FAX||", "051");
    EXPECT_EQ(Visible(rtf), QString("40121\nAnna") + QChar(0x20AC) + "051");
    EXPECT_TRUE(rtf.contains("\\fs24 40121")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\b0 Anna")) << rtf.constData();
    // A blank that delimits a control word is not text: no blank is added.
    EXPECT_TRUE(rtf.contains("\\i \\u8364?051")) << rtf.constData();
    // Nor does a value run into a control word written as a Unicode character's fallback.
    rtf = R"({\rtf1 \u8364\euro||NOME||})";
    RtfMerge::Replace(rtf, "||NOME||", "Anna");
    EXPECT_EQ(Visible(rtf), QString(QChar(0x20AC)) + "Anna") << rtf.constData();
    rtf = R"(\u2\d||NOME||)";  // as the fuzzer found it
    RtfMerge::Replace(rtf, "||NOME||", "Anna");
    EXPECT_EQ(Visible(rtf), QString(QChar(2)) + "Anna") << rtf.constData();
    // Nor does a character taken out let the text after it complete an
    // escape the letter broke.
    rtf = R"(||N\'OME||1)";  // as the fuzzer found it
    RtfMerge::Replace(rtf, "||NOME||", "Anna");
    EXPECT_EQ(Visible(rtf), "Anna1") << rtf.constData();
}

TEST(RtfMerge, AMarkerAcrossAGroupsStartLeavesTheRestOfTheLetterAsItWas) {
    // Taken out, the marker's last characters left \docvar (or \fldinst)
    // first in its group, where it hid the rest of the sentence; the bar
    // the marker leaves over is the letter's own.
    for (const QByteArray word : {"docvar", "fldinst"}) {
        QByteArray rtf = "{\\rtf1\\ansi Gentile ||NOME{|\\" + word + "||, ci vediamo.\\par}}";
        EXPECT_EQ(RtfMerge::Replace(rtf, "||NOME||", "Anna"), 1);
        EXPECT_EQ(Visible(rtf), "Gentile Anna|, ci vediamo.\n") << rtf.constData();
        QTextDocument printed;
        ASSERT_TRUE(Platform::RtfToDocument(rtf, printed));
        EXPECT_EQ(printed.toPlainText().trimmed(), "Gentile Anna|, ci vediamo.") << rtf.constData();
    }
    // So did an empty value standing first in the group.
    QByteArray rtf = "{\\rtf1 {||CAP||\\docvar 40121}\\par}";
    EXPECT_EQ(RtfMerge::Replace(rtf, "||CAP||", ""), 1);
    EXPECT_EQ(Visible(rtf), "40121\n") << rtf.constData();
}

TEST(RtfMerge, EscapesOfValues) {
    EXPECT_EQ(RtfMerge::Escape("Forlì"), "Forl\\'ec");
    EXPECT_EQ(RtfMerge::Escape("{a}\\b"), "\\{a\\}\\\\b");
    EXPECT_EQ(RtfMerge::Escape(QString::fromUtf8("€ 5")), "\\'80 5");
    EXPECT_EQ(RtfMerge::Escape(QString::fromUtf8("Ω")), "{\\uc1\\u937?}");
    EXPECT_EQ(RtfMerge::Escape(QString::fromUtf8("ì"), 1251), "{\\uc1\\u236?}");
    EXPECT_EQ(RtfMerge::Escape("a\tb"), "a\\tab b");
    QByteArray rtf = R"({\rtf1\ansi\ansicpg1252 ||CITTA||})";
    RtfMerge::Replace(rtf, "||CITTA||", QString::fromUtf8("Forlì {centro} \\ Ω"));
    EXPECT_EQ(Visible(rtf), QString::fromUtf8("Forlì {centro} \\ Ω"));
    EXPECT_EQ(RtfMerge::CodePage(R"({\rtf1\ansi\ansicpg1251 x})"), 1251);
    EXPECT_EQ(RtfMerge::CodePage(R"({\rtf1\ansi x})"), 1252);
}

TEST(RtfMerge, EveryOccurrenceOnceAndOnlyExactMarkers) {
    QByteArray rtf = R"({\rtf1 ||NOME|| e ||NOME|| e ||nome|| e ||NOME||})";
    EXPECT_EQ(RtfMerge::Replace(rtf, "||NOME||", "||NOME||x"), 3);
    EXPECT_EQ(Visible(rtf), "||NOME||x e ||NOME||x e ||nome|| e ||NOME||x");
    // A later marker inside an earlier value is filled in its own turn.
    QByteArray later = R"({\rtf1 ||COGNOME||})";
    RtfMerge::Replace(later, "||COGNOME||", "De ||NOME||");
    RtfMerge::Replace(later, "||NOME||", "Santis");
    EXPECT_EQ(Visible(later), "De Santis");
}

TEST(RtfMerge, HiddenTextAndBinaryDataStayAsTheyAre) {
    QByteArray rtf = "{\\rtf1{\\info{\\title ||NOME||}}{\\*\\fldinst ||NOME||}\\bin4 ||NO ||NOME||}";
    EXPECT_EQ(RtfMerge::Replace(rtf, "||NOME||", "Anna"), 1);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1{\\info{\\title ||NOME||}}{\\*\\fldinst ||NOME||}\\bin4 ||NO Anna}"))
        << rtf.constData();
    // A blank before the destination's word hides the group all the same; before
    // any other word it is text in its place.
    rtf = "{\\rtf1{ \\fonttbl{\\f0 ||NOME||;}}{ \\b Caro} ||NOME||}";
    EXPECT_EQ(Visible(rtf), " Caro ||NOME||");
    EXPECT_EQ(RtfMerge::Replace(rtf, "||NOME||", "Anna"), 1);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1{ \\fonttbl{\\f0 ||NOME||;}}")) << rtf.constData();
    // Text right after binary data no longer belongs to the word: a blank put
    // before the value would show.
    rtf = "{\\rtf1 \\bin4tor?||NOME||}";
    RtfMerge::Replace(rtf, "||NOME||", "Anna");
    EXPECT_EQ(Visible(rtf), "Anna") << rtf.constData();
    EXPECT_FALSE(RtfMerge::IsRtf("PK\x03\x04 not rtf"));
    EXPECT_TRUE(RtfMerge::IsRtf("\r\n{\\rtf1 x}"));
}

TEST(RtfMerge, ALetterWrittenByAWordProcessor) {
    QByteArray rtf = Fixture("lettera.rtf");
    const QByteArray pictures = Pictures(rtf);
    ASSERT_FALSE(pictures.isEmpty());
    const std::pair<const char*, const char*> values[] = {
        {"||TITOLO||", "Dott."},        {"||CATEGORIA||", "Clienti & Fornitori"}, {"||COGNOME||", "D'Aloisio"},
        {"||NOME||", "Niccolò"},        {"||INDIRIZZO||", "Via Sarà 3"},           {"||CAP||", "47121"},
        {"||CITTA||", "Forlì"},         {"||PROVINCIA||", "FC"},                   {"||NAZIONE||", "Italia"},
        {"||EMAIL||", "n.daloisio@example.it"}, {"||TELEFONO||", "0543 123456"}, {"||FAX||", ""}};
    for (const auto& [marker, value] : values) EXPECT_GT(RtfMerge::Replace(rtf, marker, QString::fromUtf8(value)), 0) << marker;
    const QString text = Visible(rtf);
    EXPECT_TRUE(text.contains(QString::fromUtf8("Dott. Niccolò D'Aloisio"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("47121 Forlì (FC) - Italia")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Cordiali saluti, Niccolò D'Aloisio è atteso")));
    EXPECT_TRUE(text.contains("0543 123456"));
    EXPECT_TRUE(text.contains("||CONTATTO||"));
    EXPECT_EQ(text.count(QRegularExpression("\\|\\|[A-Z]+\\|\\|")), 1);
    EXPECT_EQ(Pictures(rtf), pictures);
    EXPECT_EQ(Balance(rtf), 0);
}

// Damaged letters: a parameter is bounded as the RTF reader bounds it, so the
// merge reads the text the letter will print, never moving back or past the
// end of the file.
TEST(RtfMerge, ParametersOfADamagedLetterAreBoundedAsTheReaderBoundsThem) {
    for (const QByteArray& letter : {QByteArray("{\\rtf1 \\bin4294967282}"), QByteArray("{\\rtf1 \\bin4294967196}"),
                                     QByteArray("{\\rtf1 \\bin2147483647}"), QByteArray("{\\rtf1 \\bin-5 ||NOME||}")}) {
        QByteArray rtf = letter;
        const int replaced = RtfMerge::Replace(rtf, "||NOME||", "Anna");
        EXPECT_EQ(replaced, letter.contains("-5") ? 1 : 0) << letter.constData();
        EXPECT_EQ(Visible(letter), letter.contains("-5") ? "||NOME||" : "") << letter.constData();
    }
    // Digits past eleven characters, and letters past 32, are text, as the reader prints them.
    const QByteArray letters[] = {
        "{\\rtf1 \\fs123456789012345 ||NOME||\\par}",
        "{\\rtf1 \\u999999999999999999999 ||NOME||\\par}",
        "{\\rtf1 {\\uc99999999999 \\u232 abcdefghijklmnopqrstu}\\par}",
        "{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefghij ||NOME||\\par}",
    };
    const QString expected[] = {"2345 ||NOME||", QString(QChar(char16_t(0xFFFF))) + "999999999 ||NOME||",
                                QString(QChar(0xE8)) + "qrstu", "ghij ||NOME||"};
    for (size_t i = 0; i < std::size(letters); ++i) {
        EXPECT_EQ(Visible(letters[i]), expected[i] + "\n") << letters[i].constData();
        QTextDocument printed;
        ASSERT_TRUE(Platform::RtfToDocument(letters[i], printed));
        EXPECT_EQ(printed.toPlainText().trimmed(), expected[i]) << letters[i].constData();
    }
    QByteArray merged = letters[0];
    EXPECT_EQ(RtfMerge::Replace(merged, "||NOME||", "Anna"), 1);
    EXPECT_EQ(Visible(merged), "2345 Anna\n");
    EXPECT_EQ(RtfMerge::CodePage("{\\rtf1\\ansi\\ansicpg4294968548 x}"), 2147483647);
    EXPECT_EQ(RtfMerge::CodePage("{\\rtf1\\ansi\\ansicpg99999999999999999999999 x}"), 2147483647);
    EXPECT_EQ(RtfMerge::CodePage("{\\rtf1\\ansi\\ansicpg1250 x}"), 1250);
}
