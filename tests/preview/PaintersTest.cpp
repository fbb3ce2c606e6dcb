// Text cells, on the screen surface and on paper alike: cut at their rectangle exactly as
// cutting every cell would, whether the cut is made or found needless.
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
                            int flags = Qt::TextWordWrap;
                            flags |= alignment & 1 ? Qt::AlignHCenter : alignment & 2 ? Qt::AlignRight : Qt::AlignLeft;
                            p.save();
                            p.setFont(font);
                            flags |= p.boundingRect(cell, flags, text).height() > cell.height() ? Qt::AlignTop
                                                                                               : Qt::AlignVCenter;
                            p.setPen(QColor(0x40, 0x30, 0x20));
                            p.setClipRect(cell, Qt::IntersectClip);
                            p.drawText(cell, flags, text);
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

// A text taller than its box shows its beginning: its first line at the top of the box, whole,
// as if it were the only line.
TEST(Painters, ATextTallerThanItsBoxStartsAtTheTop) {
    QFont font("Liberation Sans");
    font.setPixelSize(16);
    const QRect cell(20, 10, 300, 30);
    for (int alignment : {0, 1, 2}) {
        const int horizontal = alignment & 1 ? Qt::AlignHCenter : alignment & 2 ? Qt::AlignRight : Qt::AlignLeft;
        const auto firstLineAlone = [&](QPainter& p) {
            p.setFont(font);
            p.setPen(QColor(0x40, 0x30, 0x20));
            p.setClipRect(cell);
            p.drawText(cell, Qt::AlignTop | horizontal, "Primo rigo");
        };
        const QImage lines = Paint(96, [&](QPainter& p) {
            Pagivex::Painters::RenderText(p, "Primo rigo\nSecondo rigo\nTerzo rigo\nQuarto rigo", cell, 0x203040, -1,
                                          alignment, font, 0);
        });
        const QImage top = Paint(96, firstLineAlone);
        // The rows of the first line are the same; below it the second line begins.
        const QRect firstRows(0, 0, top.width(), cell.top() + QFontMetrics(font).height());
        EXPECT_EQ(lines.copy(firstRows), top.copy(firstRows)) << "align " << alignment;

        // A wrapped text that does not fit starts at the top too.
        const QRect narrow(20, 10, 100, 30);
        const QImage wrapped = Paint(96, [&](QPainter& p) {
            Pagivex::Painters::RenderText(p, "Primo rigo Secondo rigo Terzo rigo Quarto rigo", narrow, 0x203040, -1,
                                          alignment, font, 0);
        });
        const QImage wrappedTop = Paint(96, [&](QPainter& p) {
            p.setFont(font);
            p.setPen(QColor(0x40, 0x30, 0x20));
            p.setClipRect(narrow);
            p.drawText(narrow, Qt::AlignTop | horizontal, "Primo rigo");
        });
        EXPECT_EQ(wrapped.copy(firstRows), wrappedTop.copy(firstRows)) << "wrapped, align " << alignment;
    }
}
