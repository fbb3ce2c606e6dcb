// The table layout of list printing, read back from a recorder standing in for the library.
#include "ListPrint.h"
#include "PageRecorder.h"
#include "Printer.h"

#include <QSet>
#include <gtest/gtest.h>

using ListPrint::Column;

namespace {

constexpr double kEps = 1e-4;

// Rows whose cell in list column c of row r reads "r.c".
ListPrint::Rows Numbered(int count) {
    return {[count] { return count; }, [](int r, int c) { return QString("%1.%2").arg(r).arg(c); }};
}

ListPrint::Rows Fixed(QList<QStringList> rows) {
    return {[rows] { return int(rows.size()); }, [rows](int r, int c) { return rows[r - 1].value(c - 1); }};
}

ListPrint::Request Request(QList<Column> columns, double marginMm = 7) {
    ListPrint::Request request;
    request.title = "Stampa anagrafica";
    request.columns = std::move(columns);
    request.marginHmm = request.marginVmm = marginMm;
    request.today = QDate(2024, 12, 9);
    return request;
}

// Rows laid on each page: the distinct heights drawn at below the headings.
QList<int> RowsPerPage(Recorder::Pages& pages, double firstRowTop) {
    QList<int> counts;
    for (auto& page : pages.pages) {
        QSet<qint64> tops;
        for (const Recorder::Text& t : page->texts)
            if (t.top > firstRowTop - kEps) tops.insert(qRound64(t.top * 1000));
        counts << int(tops.size());
    }
    return counts;
}

void ExpectBox(const Recorder::Text& t, double left, double top, double width, double height) {
    EXPECT_NEAR(t.left, left, kEps) << t.text.toStdString();
    EXPECT_NEAR(t.top, top, kEps) << t.text.toStdString();
    EXPECT_NEAR(t.width, width, kEps) << t.text.toStdString();
    EXPECT_NEAR(t.height, height, kEps) << t.text.toStdString();
}

void ExpectLine(const Recorder::Line& l, double x1, double y1, double x2, double y2) {
    EXPECT_NEAR(l.x1, x1, kEps);
    EXPECT_NEAR(l.y1, y1, kEps);
    EXPECT_NEAR(l.x2, x2, kEps);
    EXPECT_NEAR(l.y2, y2, kEps);
    EXPECT_EQ(l.colour, 0);
    EXPECT_EQ(l.width, 1);
}

}  // namespace

TEST(ListLayout, PortraitAtTenPointsWithItsPageFurniture) {
    Recorder::Pages pages;
    const QList<Column> columns = {{"ID scheda", 1, 1200, false}, {"cognome e nome", 5, 1400, false},
                                   {"CAP", 7, 700, true}};
    const int count = ListPrint::Compose(pages, Request(columns), Numbered(120));
    EXPECT_EQ(pages.calls.mid(0, 4), QStringList({"Landscape 0", "ScaleMode 7", "Width 21", "Height 29.7"}));
    EXPECT_FALSE(pages.calls.contains("Landscape 1"));
    // 53 rows fill a page: the one that reaches 28.5 cm is the last.
    EXPECT_EQ(count, 3);
    EXPECT_EQ(RowsPerPage(pages, 2.4), QList<int>({53, 53, 14}));

    const double b = 0.7 + (0.2 + 1200 / 428.0) + (0.2 + 1400 / 428.0) + (0.2 + 700 / 428.0) + 0.7;
    const double x0 = (21 - b) / 2 + 0.7;
    for (int p = 1; p <= 3; ++p) {
        Recorder::Page& page = pages.At(p);
        ExpectBox(page.texts[0], 0.5, 0.7, 20, 0.5);
        EXPECT_EQ(page.texts[0].text, "Stampa anagrafica");
        EXPECT_EQ(page.texts[0].font, "Arial 12 bold");
        EXPECT_EQ(page.texts[0].alignment, 0);
        ExpectBox(page.texts[1], 18.3, 0.7, 2, 0.5);
        EXPECT_EQ(page.texts[1].text, "09/12/2024");
        EXPECT_EQ(page.texts[1].font, "Arial 10 bold");
        ExpectBox(page.texts[2], 18.3, 1.2, 2, 0.5);
        EXPECT_EQ(page.texts[2].text, QString("pag.  %1").arg(p));
        ASSERT_EQ(page.lines.size(), 2);
        ExpectLine(page.lines[0], 0.7, 1.7, 20.3, 1.7);
        ExpectLine(page.lines[1], 0.7, 2.3, 20.3, 2.3);
        const QList<Recorder::Text> headings = page.Row(1.8);
        ASSERT_EQ(headings.size(), 3);
        ExpectBox(headings[0], x0, 1.8, 1200 / 428.0, 0.4);
        ExpectBox(headings[1], x0 + 0.2 + 1200 / 428.0, 1.8, 1400 / 428.0, 0.4);
        ExpectBox(headings[2], x0 + 0.4 + 2600 / 428.0, 1.8, 700 / 428.0, 0.4);
        EXPECT_EQ(headings[2].text, "CAP");
        EXPECT_EQ(headings[0].alignment, 4);
        EXPECT_EQ(headings[2].alignment, 2);
        for (const auto& t : page.texts) {
            EXPECT_EQ(t.fore, 0);
            EXPECT_EQ(t.back, -1);
            EXPECT_EQ(t.fontIndex, 0);
        }
    }
    EXPECT_EQ(std::count(pages.calls.begin(), pages.calls.end(), "SetFont"), 3);  // the title's, once a page

    // Rows: 0.5 apart from 2.4, at 10 points, cells taken by column index.
    Recorder::Page& first = pages.At(1);
    const QList<Recorder::Text> row1 = first.Row(2.4);
    ASSERT_EQ(row1.size(), 3);
    EXPECT_EQ(row1[0].text, "1.1");
    EXPECT_EQ(row1[1].text, "1.5");
    EXPECT_EQ(row1[2].text, "1.7");
    EXPECT_EQ(row1[0].font, "Arial 10");
    EXPECT_EQ(row1[2].alignment, 2);
    ExpectBox(row1[1], x0 + 0.2 + 1200 / 428.0, 2.4, 1400 / 428.0, 0.5);
    EXPECT_EQ(first.Row(2.4 + 52 * 0.5).value(0).text, "53.1");
    EXPECT_EQ(pages.At(2).Row(2.4).value(0).text, "54.1");
}

// A row that ends exactly on the bottom limit is its page's last: with margins of 10 mm the
// rows start at 2.7 cm and the limit is 29.7 - 1.0 - 0.5 = 28.2 cm.
TEST(ListLayout, ARowEndingExactlyOnTheBottomLimitIsItsPagesLast) {
    const QList<Column> columns = {{"ID scheda", 1, 1200, false}, {"cognome e nome", 5, 1400, false}};
    Recorder::Pages pages;
    EXPECT_EQ(ListPrint::Compose(pages, Request(columns, 10), Numbered(52)), 2);
    EXPECT_EQ(RowsPerPage(pages, 2.7), QList<int>({51, 1}));
    EXPECT_EQ(pages.At(2).Row(2.7).value(0).text, "52.1");

    // Records continued on further lines: 34 of one line (0.75 cm with the half-row gap) end on it.
    ListPrint::Request split = Request(columns, 10);
    split.style.splitLines = true;
    Recorder::Pages splitPages;
    EXPECT_EQ(ListPrint::Compose(splitPages, split, Numbered(35)), 2);
    EXPECT_EQ(splitPages.At(2).Row(2.7).value(0).text, "35.1");
}

TEST(ListLayout, EightPointsWhenOnlyTheSmallerFontFitsAndNoTrailingEmptyPage) {
    Recorder::Pages pages;
    // Too wide at 10 points (B > 21), narrow enough at 8 (A <= 21).
    const QList<Column> columns = {{"azienda", 2, 4500, false}, {"indirizzo", 6, 4500, false}};
    const double a = 1.4 + 0.4 + 9000 / 535.0;
    ASSERT_GT(1.4 + 0.4 + 9000 / 428.0, 21.0);
    // 66 rows a page at 0.4 cm: two full pages and nothing after them.
    EXPECT_EQ(ListPrint::Compose(pages, Request(columns), Numbered(132)), 2);
    EXPECT_EQ(RowsPerPage(pages, 2.4), QList<int>({66, 66}));
    const QList<Recorder::Text> row = pages.At(1).Row(2.8);
    ASSERT_EQ(row.size(), 2);
    EXPECT_EQ(row[0].font, "Arial 8");
    ExpectBox(row[0], (21 - a) / 2 + 0.7, 2.8, 4500 / 535.0, 0.4);
    ExpectBox(row[1], (21 - a) / 2 + 0.7 + 0.2 + 4500 / 535.0, 2.8, 4500 / 535.0, 0.4);
}

TEST(ListLayout, LandscapeAndColumnsShrunkWhenEvenLandscapeIsTooNarrow) {
    {
        Recorder::Pages pages;
        // Fits landscape at 10 points.
        const QList<Column> columns = {{"a", 1, 5500, false}, {"b", 2, 5500, false}};
        ListPrint::Compose(pages, Request(columns), Numbered(1));
        EXPECT_EQ(pages.calls.mid(4, 4), QStringList({"Landscape 1", "ScaleMode 7", "Height 21", "Width 29.7"}));
        Recorder::Page& page = pages.At(1);
        EXPECT_TRUE(page.Landscape());
        EXPECT_NEAR(page.Width(), 29.7, kEps);
        EXPECT_EQ(page.Row(2.4).value(0).font, "Arial 10");
        ExpectBox(page.texts[1], 27.0, 0.7, 2, 0.5);
    }
    Recorder::Pages pages;
    QList<Column> columns;
    for (int i = 1; i <= 19; ++i) columns.append({QString("c%1").arg(i), i, 1400, false});
    const double a = 1.4 + 19 * 0.2 + 19 * 1400 / 535.0;
    ASSERT_GT(a, 29.7);
    // Landscape at 8 points: 44 rows from 2.4 cm to the limit of 21 - 0.7 - 0.5 cm.
    EXPECT_EQ(ListPrint::Compose(pages, Request(columns), Numbered(45)), 2);
    EXPECT_EQ(RowsPerPage(pages, 2.4), QList<int>({44, 1}));
    const double factor = 29.7 / a;
    const QList<Recorder::Text> headings = pages.At(1).Row(1.8);
    ASSERT_EQ(headings.size(), 19);
    // From the left margin, each column narrowed while the gaps keep 0.2 cm.
    ExpectBox(headings[0], 0.7, 1.8, 1400 * factor / 535, 0.4);
    ExpectBox(headings[18], 0.7 + 18 * (0.2 + 1400 * factor / 535), 1.8, 1400 * factor / 535, 0.4);
    EXPECT_EQ(pages.At(1).Row(2.4).value(0).font, "Arial 8");
    ExpectLine(pages.At(1).lines[0], 0.7, 1.7, 29.0, 1.7);
}

TEST(ListLayout, ExactPageWidthFits) {
    auto layout = [](double width, double marginMm) {
        Recorder::Pages pages;
        return ListPrint::SetUpPages(pages, {{"x", 1, width, false}}, marginMm / 10);
    };
    // 0.5 + 0.2 + w / 428 + 0.5 = 21 exactly: the larger font.
    ListPrint::Fit fit = layout(19.8 * 428, 5);
    EXPECT_NEAR(fit.width10, 21.0, 1e-9);
    EXPECT_EQ(fit.fontSize, 10);
    EXPECT_FALSE(fit.landscape);
    EXPECT_NEAR(fit.offset, 0, 1e-9);
    // A twip more and only 8 points fit.
    fit = layout(19.8 * 428 + 1, 5);
    EXPECT_EQ(fit.fontSize, 8);
    EXPECT_FALSE(fit.landscape);
    // 0.7 + 0.2 + w / 535 + 0.7 = 21 exactly at 8 points.
    fit = layout(19.4 * 535, 7);
    EXPECT_NEAR(fit.width8, 21.0, 1e-9);
    EXPECT_EQ(fit.fontSize, 8);
    EXPECT_FALSE(fit.landscape);
    fit = layout(19.4 * 535 + 1, 7);
    EXPECT_TRUE(fit.landscape);
    EXPECT_EQ(fit.fontSize, 10);
    // Landscape exactly at 29.7 cm and 8 points.
    fit = layout(28.1 * 535, 7);
    EXPECT_TRUE(fit.landscape);
    EXPECT_EQ(fit.fontSize, 8);
    EXPECT_DOUBLE_EQ(fit.factor, 1.0);
}

TEST(ListLayout, NoColumnsAndNoRows) {
    Recorder::Pages empty;
    EXPECT_EQ(ListPrint::Compose(empty, Request({{"a", 1, 1000, false}}), Numbered(0)), 0);
    EXPECT_TRUE(empty.pages.empty());

    // Nothing checked: both sums are the two margins, so 10 points; every page keeps its furniture
    // and each row only moves the position on.
    Recorder::Pages pages;
    EXPECT_EQ(ListPrint::Compose(pages, Request({}), Numbered(60)), 2);
    for (auto& page : pages.pages) {
        EXPECT_EQ(page->texts.size(), 3);
        EXPECT_EQ(page->lines.size(), 2);
    }
    EXPECT_EQ(pages.At(2).texts[2].text, "pag.  2");
}

TEST(ListLayout, ActivityListStyleAndCellsContinuedOnFurtherLines) {
    auto& printer = Platform::Printer();
    const double twipsPerMm = 1440.0 / 25.4;
    // One word a line: each fits the cut width, two do not.
    const double width = 2000;
    const double cut = 0.95 * 1.25 * width / twipsPerMm;
    const QString word = "Promemoria";
    // Measured in the font the cells print in, as the layout measures them.
    const QFont saved = printer.Font();
    QFont cellFont("Arial");
    cellFont.setPointSizeF(10);
    cellFont.setWeight(QFont::DemiBold);
    printer.SetFont(cellFont);
    printer.SetScaleMode(Platform::vbMillimeters);
    ASSERT_LT(printer.TextWidth(word), cut);
    ASSERT_GT(printer.TextWidth(word + " " + word), cut);
    printer.SetScaleMode(Platform::vbTwips);
    printer.SetFont(saved);

    ListPrint::Request request = Request({{"data e ora", 1, 1500, true}, {"note", 2, width, false}});
    request.title = "Lista contatti stampata il 09/12/2024 10.30";
    request.style.rightAlignment = false;
    request.style.blankBeforePageNumber = false;
    request.style.splitLines = true;
    request.style.twipsPerMillimetre = twipsPerMm;

    // 34 one-line records (0.75 cm each with the half-row gap) bring the 35th to 27.9 cm.
    QList<QStringList> rows;
    for (int i = 1; i <= 34; ++i) rows << QStringList{QString("0%1/12/2024").arg(i), "breve"};
    rows << QStringList{"ultimo", QStringList(3, word).join(' ')};
    rows << QStringList{"dopo", "x"};
    Recorder::Pages pages;
    EXPECT_EQ(ListPrint::Compose(pages, request, Fixed(rows)), 2);
    Recorder::Page& first = pages.At(1);
    EXPECT_EQ(first.texts[2].text, "pag. 1");
    EXPECT_EQ(first.Row(1.8).value(0).alignment, 4);  // right-aligned in the list, left here
    EXPECT_EQ(first.Row(2.4).value(0).alignment, 4);
    EXPECT_EQ(first.Row(2.4 + 0.75).value(0).text, "02/12/2024");
    // The last record keeps its three lines on the page, past the 28.5 cm limit; its other cells are empty.
    const double top = 2.4 + 34 * 0.75;
    for (int line = 0; line < 3; ++line) {
        const QList<Recorder::Text> cells = first.Row(top + line * 0.5);
        ASSERT_EQ(cells.size(), 2) << line;
        EXPECT_EQ(cells[0].text, line == 0 ? "ultimo" : "");
        EXPECT_EQ(cells[1].text, word);
    }
    EXPECT_EQ(pages.At(2).Row(2.4).value(0).text, "dopo");

    // A fourth line would end past the paper's edge: it goes on to a new page.
    rows[34][1] = QStringList(4, word).join(' ');
    Recorder::Pages longer;
    EXPECT_EQ(ListPrint::Compose(longer, request, Fixed(rows)), 2);
    EXPECT_EQ(longer.At(1).Row(top + 1.0).value(1).text, word);
    EXPECT_TRUE(longer.At(1).Row(top + 1.5).isEmpty());
    EXPECT_EQ(longer.At(2).texts[2].text, "pag. 2");
    EXPECT_EQ(longer.At(2).Row(2.4).value(1).text, word);
    EXPECT_EQ(longer.At(2).Row(2.4 + 0.75).value(0).text, "dopo");

    // Without splitting, the whole text goes on one row and no half-row gap follows.
    request.style.splitLines = false;
    Recorder::Pages whole;
    ListPrint::Compose(whole, request, Fixed(rows));
    EXPECT_EQ(whole.At(1).Row(2.4 + 34 * 0.5).value(1).text, QStringList(4, word).join(' '));
}

TEST(ListLayout, ExportNamesGetTheirDefaultExtension) {
    EXPECT_EQ(ListPrint::WithDefaultExtension("lista", Pagivex::zvCSV), "lista.csv");
    EXPECT_EQ(ListPrint::WithDefaultExtension("LISTA.CSV", Pagivex::zvCSV), "LISTA.CSV");
    EXPECT_EQ(ListPrint::WithDefaultExtension("lista.html", Pagivex::zvHTML), "lista.html.htm");
    EXPECT_EQ(ListPrint::WithDefaultExtension("lista.Htm", Pagivex::zvHTML), "lista.Htm");
    EXPECT_EQ(ListPrint::WithDefaultExtension("lista", Pagivex::zvText), "lista.txt");
    EXPECT_EQ(ListPrint::WithDefaultExtension("lista.rtf", Pagivex::zvRTF), "lista.rtf.txt");
}
