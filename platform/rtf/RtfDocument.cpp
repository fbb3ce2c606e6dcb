// Builds a QTextDocument from what the RTF reader finds, and prints one on
// its own page setup with its headers and footers.

#include "Rtf.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>
#include <QUrl>
#include <QVariantList>

#include <memory>
#include <vector>

namespace Platform {

namespace {

const char kHeaderFooterPrefix[] = "rtf:";
const char kPageSetupProperty[] = "rtfPageSetup";

// What one document may build. A few bytes of RTF can ask for a table of a
// million cells (a row defined once, then \row after \row); a letter that
// asks for more than this is refused whole rather than hold the program for
// minutes. A price list of 4000 rows of 5 cells, as long as letters get,
// holds 20000 and builds in under a second; a table that a few bytes ask for
// is refused at the bound in a fifth of one. Pictures are read no sharper
// than they print, and these many pixels of them fit in memory.
constexpr qint64 kMaxTableCells = 50'000;
constexpr qint64 kMaxPicturePixels = 100'000'000;
// Rows made ahead at a time: as many as the table has, doubling it, but no
// more than these many cells, which a table that ends early builds and
// removes for nothing.
constexpr int kCellsAhead = 4096;

// Lengths in the document are pixels at 96 per inch.
double PointsToPixels(double points) { return points * 96.0 / 72.0; }

QTextCharFormat CharFormat(const RtfCharFormat& chr) {
    QTextCharFormat f;
    if (!chr.fontFamily.isEmpty()) f.setFontFamilies(QStringList{chr.fontFamily});
    f.setFontPointSize(chr.pointSize);
    f.setFontWeight(chr.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(chr.italic);
    f.setFontUnderline(chr.underline);
    f.setFontStrikeOut(chr.strike);
    if (chr.color.isValid()) f.setForeground(chr.color);
    if (chr.background.isValid()) f.setBackground(chr.background);
    if (chr.valign == RtfCharFormat::Super) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (chr.valign == RtfCharFormat::Sub) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return f;
}

QTextBlockFormat BlockFormat(const RtfParaFormat& para, const QTextBlockFormat& current) {
    QTextBlockFormat f;
    f.setAlignment(para.alignment);
    f.setLeftMargin(PointsToPixels(para.leftIndent));
    f.setRightMargin(PointsToPixels(para.rightIndent));
    f.setTextIndent(PointsToPixels(para.firstIndent));
    f.setTopMargin(PointsToPixels(para.spaceBefore));
    f.setBottomMargin(PointsToPixels(para.spaceAfter));
    // A page break met inside the paragraph stays with it.
    if (para.pageBreakBefore || current.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    return f;
}

// Where text goes: the body, a header or footer, or the cell being read.
struct Target {
    QTextDocument* doc = nullptr;
    QTextCursor cursor;
    // The paragraph mark was read; the next content opens a new block.
    bool pending = false;
    // The table that the next row continues, while nothing else came between.
    QTextTable* table = nullptr;
    // Its rows that hold a row of the text; those past them are room made
    // ahead, as adding rows one at a time costs the whole table each time.
    int rowsUsed = 0;

    explicit Target(QTextDocument* d) : doc(d), cursor(d) { cursor.movePosition(QTextCursor::End); }

    void Open() {
        if (pending) {
            cursor.insertBlock();
            pending = false;
        }
    }

    // Nothing more goes into the table: the room made ahead goes.
    void EndTable() {
        if (table && table->rows() > rowsUsed) table->removeRows(rowsUsed, table->rows() - rowsUsed);
        table = nullptr;
        rowsUsed = 0;
    }
};

class DocumentBuilder : public RtfSink {
public:
    explicit DocumentBuilder(QTextDocument& doc) : doc_(doc), body_(&doc), target_(&body_) {}

    void Text(const QString& text, const RtfCharFormat& chr, const RtfParaFormat& para) override {
        if (refused()) return;
        Target& t = Route(para);
        t.Open();
        if (t.cursor.block().length() == 1) t.cursor.setBlockFormat(BlockFormat(para, t.cursor.blockFormat()));
        t.cursor.insertText(text, CharFormat(chr));
    }

    void ParagraphEnd(const RtfParaFormat& para, const RtfCharFormat& chr) override {
        if (refused()) return;
        Target& t = Route(para);
        t.Open();
        EndBlock(t, para, chr);
        t.pending = true;
    }

    void CellEnd(const RtfParaFormat& para, const RtfCharFormat& chr) override {
        if (refused()) return;
        // The cells of a row wait for it to end, each a document of its own.
        if (cellsBuilt_ + qint64(cells_.size()) >= kMaxTableCells) return RefuseTable();
        Target& t = Cell();
        t.Open();
        EndBlock(t, para, chr);
        cells_.push_back(std::move(cellDoc_));
        cell_.reset();
    }

    void RowEnd(const RtfRowFormat& row) override {
        if (refused()) return;
        if (cell_) {
            cells_.push_back(std::move(cellDoc_));
            cell_.reset();
        }
        const int columns = int(qMax<qsizetype>(cells_.size(), row.cellRight.size()));
        if (columns > 0) AppendRow(row, columns);
        cells_.clear();
    }

    void Picture(const QImage& image, const QSizeF& points, const RtfCharFormat& chr,
                 const RtfParaFormat& para) override {
        if (refused()) return;
        picturePixels_ += qint64(image.width()) * image.height();
        if (picturePixels_ > kMaxPicturePixels)
            return Refuse(QStringLiteral("Il documento RTF contiene immagini troppo grandi: più di %1 milioni di pixel")
                              .arg(kMaxPicturePixels / 1'000'000));
        Target& t = Route(para);
        t.Open();
        const QString name = QStringLiteral("rtfimage:%1").arg(++images_);
        doc_.addResource(QTextDocument::ImageResource, QUrl(name), image);
        if (t.doc != &doc_) t.doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
        QTextImageFormat f;
        f.merge(CharFormat(chr));
        f.setName(name);
        f.setWidth(PointsToPixels(points.width()));
        f.setHeight(PointsToPixels(points.height()));
        t.cursor.insertImage(f);
    }

    void PageBreak() override {
        if (refused()) return;
        Target& t = *target_;
        t.EndTable();
        t.Open();
        QTextBlockFormat f = t.cursor.blockFormat();
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        if (t.cursor.block().length() > 1) {
            t.cursor.insertBlock(f);
        } else {
            t.cursor.setBlockFormat(f);
        }
    }

    void BeginHeaderFooter(const QString& name) override {
        if (refused()) return;
        const QString objectName = kHeaderFooterPrefix + name;
        delete doc_.findChild<QTextDocument*>(objectName, Qt::FindDirectChildrenOnly);
        auto* part = new QTextDocument(&doc_);
        part->setObjectName(objectName);
        part->setUndoRedoEnabled(false);
        part_ = std::make_unique<Target>(part);
        target_ = part_.get();
    }

    void EndHeaderFooter() override {
        if (part_) part_->EndTable();
        target_ = &body_;
        part_.reset();
    }

    void PageSetup(const RtfPageSetup& page) override { SetPageSetup(doc_, page); }

    void Finish() {
        if (cell_ || !cells_.empty()) RowEnd(RtfRowFormat{});
        if (refused()) return;
        if (part_) part_->EndTable();
        body_.EndTable();
    }

    // Why the document was refused; empty while it is being built.
    const QString& Refusal() const { return refusal_; }

private:
    bool refused() const { return !refusal_.isEmpty(); }

    void Refuse(const QString& why) {
        refusal_ = why;
        cells_.clear();
        cell_.reset();
        cellDoc_.reset();
    }

    void RefuseTable() {
        Refuse(QStringLiteral("Il documento RTF contiene tabelle troppo grandi: più di %1 celle").arg(kMaxTableCells));
    }

    Target& Route(const RtfParaFormat& para) {
        if (para.inTable) return Cell();
        target_->EndTable();
        return *target_;
    }

    Target& Cell() {
        if (!cell_) {
            cellDoc_ = std::make_unique<QTextDocument>();
            cellDoc_->setUndoRedoEnabled(false);
            cell_ = std::make_unique<Target>(cellDoc_.get());
        }
        return *cell_;
    }

    static void EndBlock(Target& t, const RtfParaFormat& para, const RtfCharFormat& chr) {
        t.cursor.setBlockFormat(BlockFormat(para, t.cursor.blockFormat()));
        if (t.cursor.block().length() == 1) t.cursor.setBlockCharFormat(CharFormat(chr));
    }

    void AppendRow(const RtfRowFormat& row, int columns) {
        Target& t = *target_;
        QTextTable* table = t.table;
        // Cells the row adds, with those it adds to the rows above when it is wider.
        const qint64 added = table ? qint64(qMax(columns, table->columns())) +
                                         qint64(t.rowsUsed) * qMax(0, columns - table->columns())
                                   : columns;
        if (cellsBuilt_ + added > kMaxTableCells) return RefuseTable();
        cellsBuilt_ += added;
        if (table && table->columns() < columns) table->appendColumns(columns - table->columns());
        if (table) {
            if (t.rowsUsed == table->rows())
                table->appendRows(qMax(1, qMin(table->rows(), kCellsAhead / table->columns())));
        } else {
            // The table follows the paragraph just ended, without a new empty one between.
            t.pending = false;
            QTextTableFormat f;
            f.setBorder(row.borders ? 1 : 0);
            f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            f.setBorderCollapse(true);
            f.setCellSpacing(0);
            f.setCellPadding(3);
            f.setAlignment(Qt::AlignLeft);
            if (row.cellRight.size() == columns) {
                QList<QTextLength> widths;
                double left = 0;
                // Each cell as wide as the limit at most: the table may be wider.
                for (double right : row.cellRight) {
                    const double points = qBound(6.0, right - left, kRtfMaxTwips / 20.0);
                    widths.append(QTextLength(QTextLength::FixedLength, PointsToPixels(points)));
                    left = right;
                }
                f.setColumnWidthConstraints(widths);
            }
            table = t.cursor.insertTable(1, columns, f);
            t.table = table;
        }
        const int r = t.rowsUsed++;
        for (int c = 0; c < columns; ++c) {
            QTextTableCell cell = table->cellAt(r, c);
            if (c < row.cellBackground.size() && row.cellBackground[c].isValid()) {
                QTextTableCellFormat cf = cell.format().toTableCellFormat();
                cf.setBackground(row.cellBackground[c]);
                cell.setFormat(cf);
            }
            if (c >= int(cells_.size())) continue;
            QTextDocument* content = cells_[c].get();
            QTextCursor into = cell.firstCursorPosition();
            into.insertFragment(QTextDocumentFragment(content));
            // Paragraph formats do not always travel with a fragment; set them block by block.
            QTextBlock from = content->begin();
            QTextBlock to = cell.firstCursorPosition().block();
            for (; from.isValid() && to.isValid() && to.position() <= cell.lastPosition();
                 from = from.next(), to = to.next()) {
                QTextCursor fix(to);
                fix.setBlockFormat(from.blockFormat());
                if (to.length() == 1) fix.setBlockCharFormat(from.charFormat());
            }
        }
        t.cursor.setPosition(table->lastPosition() + 1);
        t.pending = false;
    }

    QTextDocument& doc_;
    Target body_;
    Target* target_;
    std::unique_ptr<Target> part_;
    std::unique_ptr<QTextDocument> cellDoc_;
    std::unique_ptr<Target> cell_;
    std::vector<std::unique_ptr<QTextDocument>> cells_;
    int images_ = 0;
    qint64 cellsBuilt_ = 0;
    qint64 picturePixels_ = 0;
    QString refusal_;
};

}  // namespace

bool RtfToDocument(const QByteArray& rtf, QTextDocument& document, QString* error) {
    if (!IsRtf(rtf)) {
        if (error) *error = QStringLiteral("Il file non è in formato RTF");
        return false;
    }
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    // A document shown in an editor is laid out again at every change, a
    // table at every cell put in it: without a page it is laid out once, after.
    const QSizeF page = document.pageSize();
    document.setPageSize(QSizeF(0, 0));
    document.clear();
    ResetRtfExtras(document);
    DocumentBuilder builder(document);
    bool ok = ReadRtf(rtf, builder, error);
    builder.Finish();
    if (!builder.Refusal().isEmpty()) {
        // Nothing of a refused document stays: no half letter is shown or printed.
        document.clear();
        ResetRtfExtras(document);
        if (error) *error = builder.Refusal();
        ok = false;
    }
    document.setPageSize(page);
    document.setUndoRedoEnabled(undo);
    return ok;
}

void ResetRtfExtras(QTextDocument& document) {
    for (QTextDocument* part : document.findChildren<QTextDocument*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (part->objectName().startsWith(kHeaderFooterPrefix)) delete part;
    }
    document.setProperty(kPageSetupProperty, QVariant());
}

QTextDocument* HeaderFooterDocument(const QTextDocument& document, const QString& name) {
    return document.findChild<QTextDocument*>(kHeaderFooterPrefix + name, Qt::FindDirectChildrenOnly);
}

RtfPageSetup PageSetupOf(const QTextDocument& document) {
    const QVariantList v = document.property(kPageSetupProperty).toList();
    RtfPageSetup page;
    if (v.size() != 8) return page;
    page.paperWidth = v[0].toInt();
    page.paperHeight = v[1].toInt();
    page.marginLeft = v[2].toInt();
    page.marginRight = v[3].toInt();
    page.marginTop = v[4].toInt();
    page.marginBottom = v[5].toInt();
    page.landscape = v[6].toBool();
    page.titlePage = v[7].toBool();
    return page;
}

void SetPageSetup(QTextDocument& document, const RtfPageSetup& page) {
    document.setProperty(kPageSetupProperty,
                         QVariantList{page.paperWidth, page.paperHeight, page.marginLeft, page.marginRight,
                                      page.marginTop, page.marginBottom, page.landscape, page.titlePage});
}

namespace {

const double kPixelsPerPoint = 96.0 / 72.0;

std::unique_ptr<QTextDocument> LaidOut(const QTextDocument& source, double widthPixels) {
    std::unique_ptr<QTextDocument> doc(source.clone());
    doc->setDocumentMargin(0);
    doc->setTextWidth(widthPixels);
    return doc;
}

}  // namespace

void PrintRichText(const QTextDocument& document, QPagedPaintDevice& device) {
    const RtfPageSetup setup = PageSetupOf(document);
    const double twip = 1.0 / 20.0;  // in points
    auto margin = [](int twips) { return twips > 0 ? twips : 1134; };
    QPageLayout layout = device.pageLayout();
    if (setup.paperWidth > 0 && setup.paperHeight > 0) {
        QSizeF paper(setup.paperWidth * twip, setup.paperHeight * twip);
        const bool landscape = setup.landscape || paper.width() > paper.height();
        if (paper.width() > paper.height()) paper.transpose();
        layout.setPageSize(QPageSize(paper, QPageSize::Point), QMarginsF());
        layout.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    layout.setUnits(QPageLayout::Point);
    layout.setMargins(QMarginsF(margin(setup.marginLeft) * twip, margin(setup.marginTop) * twip,
                                margin(setup.marginRight) * twip, margin(setup.marginBottom) * twip));
    device.setPageLayout(layout);

    const QRectF body = layout.paintRect(QPageLayout::Point);
    const QRectF full = layout.fullRect(QPageLayout::Point);
    const double width = body.width() * kPixelsPerPoint;
    const double height = body.height() * kPixelsPerPoint;

    std::unique_ptr<QTextDocument> doc = LaidOut(document, width);
    doc->setPageSize(QSizeF(width, height));
    auto part = [&](const char* name) -> std::unique_ptr<QTextDocument> {
        QTextDocument* p = HeaderFooterDocument(document, QString::fromLatin1(name));
        return p ? LaidOut(*p, width) : nullptr;
    };
    std::unique_ptr<QTextDocument> header = part("header"), headerf = part("headerf"),
                                   headerl = part("headerl"), headerr = part("headerr");
    std::unique_ptr<QTextDocument> footer = part("footer"), footerf = part("footerf"),
                                   footerl = part("footerl"), footerr = part("footerr");

    QPainter painter(&device);
    if (!painter.isActive()) return;
    // The painter starts at the top left of the printable body, in device pixels.
    painter.scale(device.logicalDpiX() / 96.0, device.logicalDpiY() / 96.0);
    const double headerTop = (720 * twip - (body.top() - full.top())) * kPixelsPerPoint;
    const double footerBottom = (full.bottom() - 720 * twip - body.top()) * kPixelsPerPoint;

    const int pages = doc->pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0) device.newPage();
        const bool first = page == 0 && setup.titlePage;
        const bool even = page % 2 == 1;
        QTextDocument* h = first ? headerf.get() : even && headerl ? headerl.get() : headerr ? headerr.get() : header.get();
        QTextDocument* f = first ? footerf.get() : even && footerl ? footerl.get() : footerr ? footerr.get() : footer.get();
        if (h) {
            painter.save();
            painter.translate(0, headerTop);
            h->drawContents(&painter);
            painter.restore();
        }
        if (f) {
            painter.save();
            painter.translate(0, footerBottom - f->size().height());
            f->drawContents(&painter);
            painter.restore();
        }
        painter.save();
        painter.translate(0, -page * height);
        doc->drawContents(&painter, QRectF(0, page * height, width, height));
        painter.restore();
    }
}

}  // namespace Platform
