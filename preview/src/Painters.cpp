#include "Painters.h"

#include "modGlobals.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Pagivex::Painters {

static QPen MakePen(qint32 color, int width) {
    if (width == 0) {
        QPen pen(modGlobals::TranslateColor(color), 1, Qt::DotLine);
        return pen;
    }
    return QPen(modGlobals::TranslateColor(color), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

namespace {

// How a text is laid out for drawing, as the painter's own text drawing would: carriage
// returns and tabs are blanks, a line feed ends a line, unless the text is to stand on one.
QString Prepared(const QString& text, bool oneLine) {
    QString t = text;
    for (QChar& c : t) {
        const char16_t u = c.unicode();
        if (u == '\r' || u == '\t' || (oneLine && (u == '\n' || u == QChar::LineSeparator))) c = u' ';
        else if (u == '\n') c = QChar::LineSeparator;
    }
    return t;
}

bool BreaksLines(const QString& text) {
    for (const QChar c : text)
        if (c == u'\n' || c == QChar::LineSeparator) return true;
    return false;
}

// A text laid out on one line, once: the layout keeps its shaped glyphs, so that drawing it
// again costs only the drawing. It tells how far the text advances with and without the
// blanks that end it and where its ink may lie.
class OneLine {
public:
    OneLine(const QString& text, const QFont& font, Qt::LayoutDirection direction, const QRawFont& raw)
        : layout_(std::make_unique<QTextLayout>(text, font)) {
        advance = bare = LayOut(*layout_, direction);
        if (layout_->lineCount() > 0) height = layout_->lineAt(0).ascent() + layout_->lineAt(0).descent();
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == u' ') --end;
        if (end < text.size()) {
            QTextLayout trimmed(text.left(end), font);
            bare = LayOut(trimmed, direction);
        }
        inkKnown = InkOf(text, raw);
    }

    qreal advance = 0, bare = 0;
    // Ascent and descent of the line as laid out: taller than the font's own when a character
    // the font lacks is drawn in another font.
    qreal height = 0;
    // What a box of this width aligns, as a wrapped line does: the ending blanks count only
    // when they fit too.
    qreal AdvanceIn(qreal width) const { return advance <= width ? advance : bare; }
    // Whether the ink surely lies inside `box` when the line starts at `origin`.
    bool InkInside(const QRectF& box, const QPointF& origin) const {
        // The ink may stray by a dot of smoothing beyond the glyphs' boxes.
        return inkKnown && (ink.isEmpty() || box.contains(ink.translated(origin).adjusted(-1, -1, 1, 1)));
    }
    void Draw(QPainter& p, const QPointF& origin) const { layout_->lineAt(0).draw(&p, origin); }
    // Only the glyphs that show at least in part left of `right` (from the line's start): those
    // beyond it are left out of the page, so that what a printed file holds is what can be
    // seen. A text usually stands in one column: its last cut is kept.
    void DrawBefore(QPainter& p, const QPointF& origin, qreal right) const {
        if (right != cutAt_) {
            cutAt_ = right;
            cut_.clear();
            for (const QGlyphRun& run : layout_->glyphRuns()) {
                const QRawFont raw = run.rawFont();
                const QList<quint32> glyphs = run.glyphIndexes();
                const QList<QPointF> at = run.positions();
                QList<quint32> keptGlyphs;
                QList<QPointF> keptAt;
                for (qsizetype i = 0; i < glyphs.size(); ++i) {
                    const QRectF box = raw.boundingRect(glyphs[i]);
                    if ((box.isEmpty() ? at[i].x() : at[i].x() + box.left()) >= right) continue;
                    keptGlyphs << glyphs[i];
                    keptAt << at[i];
                }
                if (keptGlyphs.isEmpty()) continue;
                QGlyphRun kept = run;
                kept.setGlyphIndexes(keptGlyphs);
                kept.setPositions(keptAt);
                cut_ << kept;
            }
        }
        for (const QGlyphRun& run : cut_) p.drawGlyphRun(origin, run);
    }

private:
    static qreal LayOut(QTextLayout& layout, Qt::LayoutDirection direction) {
        layout.setCacheEnabled(true);
        QTextOption option;
        option.setTextDirection(direction);
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine l = layout.createLine();
        if (l.isValid()) {
            l.setLineWidth(0x01000000);
            l.setPosition(QPointF(0, 0));
        }
        layout.endLayout();
        return l.isValid() ? l.horizontalAdvance() : 0;
    }
    // The union of the glyphs' boxes, read from the font's own glyphs for the text's characters
    // side by side (reading the shaped ones back would cost as much as shaping); what the
    // shaping adds to the width is added at the right. A character the font lacks is drawn in
    // another font: its ink is not known.
    bool InkOf(const QString& text, const QRawFont& raw) {
        if (!raw.isValid() || layout_->lineCount() == 0) return false;
        const QList<quint32> glyphs = raw.glyphIndexesForString(text);
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
        const qreal baseline = layout_->lineAt(0).ascent();
        qreal x = 0;
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            if (glyphs[i] == 0) return false;
            const QRectF box = raw.boundingRect(glyphs[i]);
            if (!box.isEmpty()) ink |= box.translated(x, baseline);
            x += advances.value(i).x();
        }
        if (advance > x) ink.setRight(ink.right() + advance - x);
        return true;
    }

    std::unique_ptr<QTextLayout> layout_;
    QRectF ink;
    bool inkKnown = false;
    mutable qreal cutAt_ = -1;
    mutable QList<QGlyphRun> cut_;
};

// The lines of text drawn in one font on one device, each laid out once: a list repeats the
// same texts on every page, and laying a text out costs far more than drawing its glyphs.
class FontLines {
public:
    FontLines(const QFont& font, int dpiX, int dpiY, Qt::LayoutDirection direction)
        : font(font), dpiX(dpiX), dpiY(dpiY), direction(direction), raw_(QRawFont::fromFont(font)) {
        const QFontMetricsF fm(font);
        height = fm.ascent() + fm.descent();
        leading = fm.leading();
    }
    bool Serves(const QFont& f, int x, int y, Qt::LayoutDirection d) const {
        return dpiX == x && dpiY == y && direction == d && font == f;
    }
    const OneLine& Line(const QString& text) {
        auto found = lines_.find(text);
        if (found != lines_.end()) return found->second;
        // A bound on the memory a long run of distinct texts can take.
        if (lines_.size() >= 4096) lines_.clear();
        return lines_.try_emplace(text, Prepared(text, true), font, direction, raw_).first->second;
    }

    const QFont font;
    const int dpiX, dpiY;
    const Qt::LayoutDirection direction;
    qreal height = 0;   // of one line: ascent and descent
    qreal leading = 0;  // between two lines

private:
    const QRawFont raw_;
    std::unordered_map<QString, OneLine> lines_;
};

// The lines of the last few fonts used, kept for the life of the thread and never torn down,
// so never after Qt's own fonts.
FontLines& LinesOf(const QPainter& p) {
    static thread_local std::vector<std::unique_ptr<FontLines>>& cache = *new std::vector<std::unique_ptr<FontLines>>;
    const QFont& font = p.font();
    const int dpiX = p.device()->logicalDpiX(), dpiY = p.device()->logicalDpiY();
    const Qt::LayoutDirection direction = p.layoutDirection();
    for (size_t i = 0; i < cache.size(); ++i)
        if (cache[i]->Serves(font, dpiX, dpiY, direction)) {
            if (i > 0) std::swap(cache[i], cache[0]);
            return *cache[0];
        }
    if (cache.size() >= 8) cache.pop_back();
    cache.insert(cache.begin(), std::make_unique<FontLines>(font, dpiX, dpiY, direction));
    return *cache[0];
}

// How many lines a box of this height shows whole; one at least, so nothing vanishes.
int LinesShown(const FontLines& f, int boxHeight) {
    const int n = int(std::floor((boxHeight + f.leading) / (f.height + f.leading) + 1e-9));
    return std::max(1, n);
}

void DrawOneLine(QPainter& p, const OneLine& line, const QRect& rect, int flags) {
    qreal x = 0;
    // A line longer than its box shows its beginning.
    const qreal advance = line.AdvanceIn(rect.width());
    if (advance <= rect.width()) {
        if (flags & Qt::AlignRight) x = rect.width() - advance;
        else if (flags & Qt::AlignHCenter) x = (rect.width() - advance) / 2;
    }
    // A line taller than its box starts at its top, so its upper part shows. It is centred by
    // its own height, as the painter's own text drawing centres it.
    const qreal y = line.height > rect.height() ? 0 : (rect.height() - line.height) / 2;
    const QPointF origin(rect.left() + x, rect.top() + y);
    if (line.InkInside(QRectF(rect), origin)) {
        line.Draw(p, origin);
        return;
    }
    p.save();
    p.setClipRect(rect, Qt::IntersectClip);
    line.DrawBefore(p, origin, rect.left() + rect.width() + 1 - origin.x());
    p.restore();
}

// A text with more lines than its box shows: the lines that fit but the last, and on the last
// all the rest, so that no word is lost below the box; cut at the box's edges.
void DrawKeptLines(QPainter& p, const QString& text, const QRect& rect, int flags, const FontLines& f, int shown) {
    const QString prepared = Prepared(text, false);
    QTextOption option;
    option.setTextDirection(p.layoutDirection());
    option.setWrapMode(QTextOption::WordWrap);
    qsizetype restStart = prepared.size();
    {
        QTextLayout probe(prepared, p.font());
        probe.setTextOption(option);
        probe.beginLayout();
        for (int i = 0; i < shown; ++i) {
            QTextLine l = probe.createLine();
            if (!l.isValid()) break;
            l.setLineWidth(rect.width());
            if (i == shown - 1) restStart = l.textStart();
        }
        probe.endLayout();
    }
    const QString kept = prepared.left(restStart) + Prepared(prepared.mid(restStart), true);
    QTextLayout layout(kept, p.font());
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = -f.leading;
    for (int i = 0; i < shown; ++i) {
        QTextLine l = layout.createLine();
        if (!l.isValid()) break;
        l.setLineWidth(i == shown - 1 ? 0x01000000 : rect.width());
        // Lines stand on whole dots, as the painter's own text drawing puts them.
        height = std::ceil(height + f.leading);
        l.setPosition(QPointF(0, height));
        height += l.ascent() + l.descent();
    }
    layout.endLayout();
    const qreal top = height > rect.height() ? 0 : (rect.height() - height) / 2;
    p.save();
    p.setClipRect(rect, Qt::IntersectClip);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine l = layout.lineAt(i);
        const qreal advance = l.horizontalAdvance();
        qreal x = 0;
        if (advance <= rect.width()) {
            if (flags & Qt::AlignRight) x = rect.width() - advance;
            else if (flags & Qt::AlignHCenter) x = (rect.width() - advance) / 2;
        }
        l.draw(&p, QPointF(rect.left() + x, rect.top() + top));
    }
    p.restore();
}

}  // namespace

void RenderText(QPainter& p, const QString& text, const QRect& rect, qint32 foreColor, qint32 backColor,
                qint32 alignment, const QFont& font, qint16 rotation) {
    if (backColor != -1) p.fillRect(rect, modGlobals::TranslateColor(backColor));
    int flags = Qt::TextWordWrap | Qt::AlignVCenter;
    if (alignment & 1) flags |= Qt::AlignHCenter;
    else if (alignment & 2) flags |= Qt::AlignRight;
    else flags |= Qt::AlignLeft;
    const QColor pen = foreColor == -1 ? QColor(Qt::black) : modGlobals::TranslateColor(foreColor);
    if (rotation != 0) {
        p.save();
        p.setFont(font);
        p.setPen(pen);
        // Text taller than its box starts at the top: centred, its first lines would be cut off.
        p.translate(rect.topLeft());
        p.rotate(-rotation);
        const QRect box(QPoint(0, 0), rect.size());
        const int fitted = p.boundingRect(box, flags, text).height() > box.height()
                               ? (flags & ~Qt::AlignVCenter) | Qt::AlignTop
                               : flags;
        p.drawText(box, fitted, text);
        p.restore();
        return;
    }
    if (text.isEmpty()) return;
    // The font and pen are the same cell after cell: a printer that is told of a change
    // writes the state of its page out again.
    if (!(p.font() == font)) p.setFont(font);
    if (p.pen().color() != pen || p.pen().style() != Qt::SolidLine) p.setPen(pen);
    FontLines& lines = LinesOf(p);
    const int shown = LinesShown(lines, rect.height());
    const bool breaks = BreaksLines(text);
    if (shown == 1 || !breaks) {
        const OneLine& line = lines.Line(text);
        if (shown == 1 || line.AdvanceIn(rect.width()) <= rect.width()) {
            DrawOneLine(p, line, rect, flags);
            return;
        }
    }
    // Several lines: wrapped inside the box when they all fit, else the last one shown keeps the rest.
    const QRect needed = p.boundingRect(rect, flags, text);
    if (needed.height() <= rect.height()) {
        p.save();
        p.setClipRect(rect, Qt::IntersectClip);
        p.drawText(rect, flags, text);
        p.restore();
        return;
    }
    DrawKeptLines(p, text, rect, flags, lines, shown);
}

void RenderLine(QPainter& p, const QPoint& from, const QPoint& to, qint32 color, int width) {
    p.save();
    p.setPen(MakePen(color, width));
    p.drawLine(from, to);
    p.restore();
}

void RenderBox(QPainter& p, const QRect& rect, int lineWidth, qint32 foreColor, qint32 backColor) {
    if (backColor != -1) p.fillRect(rect, modGlobals::TranslateColor(backColor));
    if (foreColor == -1) return;
    p.save();
    p.setPen(MakePen(foreColor, lineWidth));
    const QPoint tl(rect.left(), rect.top()), tr(rect.left() + rect.width(), rect.top());
    const QPoint br(rect.left() + rect.width(), rect.top() + rect.height());
    const QPoint bl(rect.left(), rect.top() + rect.height());
    p.drawLine(tl, tr);
    p.drawLine(tr, br);
    p.drawLine(br, bl);
    p.drawLine(bl, tl);
    p.restore();
}

void RenderPicture(QPainter& p, const QImage& picture, const QRect& target, bool keepRatio, bool centreH,
                   bool centreV, const char* object) {
    if (picture.isNull()) modGlobals::RaiseLibError(1070, object, "DrawPicture", "Invalid picture format.");
    const int bw = picture.width(), bh = picture.height();
    if (target.width() == bw && target.height() == bh) {
        p.drawImage(target.topLeft(), picture);
        return;
    }
    int w = target.width(), h = target.height();
    int left = target.left(), top = target.top();
    if (keepRatio && target.width() != 0) {
        const double targetRatio = double(target.height()) / target.width();
        const double bitmapRatio = double(bh) / bw;
        const double scale = targetRatio > bitmapRatio ? double(target.width()) / bw : double(target.height()) / bh;
        w = modGlobals::RoundEven(scale * bw);
        h = modGlobals::RoundEven(scale * bh);
        if (centreH) left = modGlobals::RoundEven((target.width() - w) / 2.0 + target.left());
        if (centreV) top = modGlobals::RoundEven((target.height() - h) / 2.0 + target.top());
    }
    p.drawImage(QRect(left, top, w, h), picture);
}

}  // namespace Pagivex::Painters
