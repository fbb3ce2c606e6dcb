// Text cells, on the screen surface and on paper alike: cut at their rectangle exactly as
// cutting every cell would, whether the cut is made or found needless, and never with a line
// of text below what the rectangle shows.
#include "PreviewTestKit.h"

#include "Painters.h"

#include <QPainter>
#include <functional>

namespace {

QImage Paint(int dpi, const std::function<void(QPainter&)>& paint) {
    QImage image(520, 90, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    paint(p);
    return image;
}

bool InkOutside(const QImage& image, const QRect& rect) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!rect.contains(x, y) && image.pixel(x, y) != qRgb(255, 255, 255)) return true;
    return false;
}

}  // namespace

TEST(Painters, ATextIsCutAtItsCellAsIfEveryCellWereCut) {
    const QString texts[] = {"Rossi",
                             "fjord",
                             "Wolf",
                             QString::fromUtf8("Città Forlì ÈÅ"),
                             "a text far too long for the narrow cell it is given",
                             "",
                             "   spaced   ",
                             "a\tb",
                             "x\ny",
                             QString::fromUtf8("漢字 mixed"),
                             // A sign Arial lacks, drawn in a font of other heights.
                             QString::fromUtf8("Rossi ☺ ✓"),
                             QString::fromUtf8("café f")};
    // Sizes in dots, and one in points, which the two resolutions make small and large.
    QFont regular("Arial"), italic("DejaVu Serif"), bold("Liberation Sans"), points("Arial", 11);
    regular.setPixelSize(15);
    italic.setPixelSize(18);
    italic.setItalic(true);
    bold.setPixelSize(13);
    bold.setBold(true);
    bold.setItalic(true);
    const QRect cells[] = {QRect(10, 20, 480, 40), QRect(30, 25, 90, 22), QRect(30, 30, 200, 12), QRect(8, 4, 500, 82)};
    int cut = 0;
    for (int dpi : {96, 300})
        for (const QFont& font : {regular, italic, bold, points})
            for (const QRect& cell : cells)
                for (int alignment : {0, 1, 2})
                    for (const QString& text : texts) {
                        const QImage drawn = Paint(dpi, [&](QPainter& p) {
                            Pagivex::Painters::RenderText(p, text, cell, 0x203040, -1, alignment, font, 0);
                        });
                        const QImage reference = Paint(dpi, [&](QPainter& p) {
                            const int horizontal = alignment & 1   ? Qt::AlignHCenter
                                                   : alignment & 2 ? Qt::AlignRight
                                                                   : Qt::AlignLeft;
                            p.save();
                            p.setFont(font);
                            p.setPen(QColor(0x40, 0x30, 0x20));
                            p.setClipRect(cell, Qt::IntersectClip);
                            const int wrapped = Qt::TextWordWrap | horizontal | Qt::AlignVCenter;
                            if (p.boundingRect(cell, wrapped, text).height() <= cell.height()) {
                                p.drawText(cell, wrapped, text);
                            } else {
                                // More lines than the cell shows: the whole text on one line, its
                                // beginning shown when it is too long; blanks that end it count only
                                // when they fit too, as in a wrapped line.
                                const QFontMetricsF fm(p.font());
                                QString line = QString(text).replace('\n', ' ').replace('\t', ' ');
                                if (fm.horizontalAdvance(line) > cell.width())
                                    while (line.endsWith(' ')) line.chop(1);
                                const bool fits = fm.horizontalAdvance(line) <= cell.width();
                                p.drawText(cell,
                                           Qt::TextSingleLine | (fits ? horizontal : int(Qt::AlignLeft)) |
                                               (fm.ascent() + fm.descent() > cell.height() ? Qt::AlignTop : Qt::AlignVCenter),
                                           line);
                            }
                            p.restore();
                        });
                        ASSERT_EQ(drawn, reference) << text.toStdString() << " dpi " << dpi << " align " << alignment
                                                    << " cell " << cell.width() << "x" << cell.height();
                        EXPECT_FALSE(InkOutside(drawn, cell));
                        const QImage uncut = Paint(dpi, [&](QPainter& p) {
                            p.setFont(font);
                            p.drawText(cell, Qt::TextWordWrap | Qt::AlignVCenter, text);
                        });
                        if (InkOutside(uncut, cell)) ++cut;
                    }
    // The set holds cells whose text would spill out without the cut.
    EXPECT_GT(cut, 20);
}

// A text with more lines than its box shows keeps all its words on the lines the box shows:
// the last of them holds the rest of the text, its beginning shown, cut at the box's edges;
// no line lies half inside the box.
TEST(Painters, ATextTallerThanItsBoxKeepsItsWordsOnTheLinesItShows) {
    QFont font("Liberation Sans");
    font.setPixelSize(16);
    const QString lines = "Primo rigo\nSecondo rigo\nTerzo rigo\nQuarto rigo";
    const QString words = "Primo rigo Secondo rigo Terzo rigo Quarto rigo";
    const auto drawn = [&](const QString& text, const QRect& cell, int alignment) {
        return Paint(96, [&](QPainter& p) { Pagivex::Painters::RenderText(p, text, cell, 0x203040, -1, alignment, font, 0); });
    };
    const auto expected = [&](const QString& text, const QRect& cell) {
        return Paint(96, [&](QPainter& p) {
            p.setFont(font);
            p.setPen(QColor(0x40, 0x30, 0x20));
            p.setClipRect(cell);
            p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, text);
        });
    };
    // A box of one line: every line of the text on it, however aligned.
    const QRect one(20, 10, 300, 30);
    for (int alignment : {0, 1, 2}) {
        EXPECT_EQ(drawn(lines, one, alignment), expected(words, one)) << "align " << alignment;
        EXPECT_EQ(drawn(words, QRect(20, 10, 100, 30), alignment), expected(words, QRect(20, 10, 100, 30)))
            << "align " << alignment;
        EXPECT_FALSE(InkOutside(drawn(lines, one, alignment), one));
    }
    // A box of two lines: the first line, then all the rest.
    const QRect two(20, 10, 300, 40);
    EXPECT_EQ(drawn(lines, two, 0), expected("Primo rigo\nSecondo rigo Terzo rigo Quarto rigo", two));
    const QRect narrow(20, 10, 100, 40);
    EXPECT_EQ(drawn(words, narrow, 0), expected("Primo rigo\nSecondo rigo Terzo rigo Quarto rigo", narrow));
    EXPECT_FALSE(InkOutside(drawn(words, narrow, 2), narrow));
}
