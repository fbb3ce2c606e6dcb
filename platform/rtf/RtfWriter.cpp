// Writes a QTextDocument as RTF that word processors read back: one group
// per run of text with all its properties, paragraphs with theirs, tables
// as rows of cells, pictures as PNG.

#include "Rtf.h"

#include <QBuffer>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <cmath>

namespace Platform {

namespace {

// 96 pixels an inch, 1440 twips an inch. A length past the limit is written as the limit.
int PixelsToTwips(double pixels) {
    return int(std::lround(qBound(-double(kRtfMaxTwips), pixels * 15.0, double(kRtfMaxTwips))));
}

// Text width of an A4 page with 2 cm margins, for tables without widths.
const int kDefaultTextWidth = 9638;

const char* const kHeaderFooterNames[] = {"header", "headerl", "headerr", "headerf",
                                         "footer", "footerl", "footerr", "footerf"};

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc) {}

    QByteArray Write() {
        QByteArray body;
        for (const char* name : kHeaderFooterNames) {
            if (QTextDocument* part = HeaderFooterDocument(doc_, QString::fromLatin1(name))) {
                body += "{\\";
                body += name;
                body += "\n";
                WriteFrame(body, *part, part->rootFrame(), false);
                body += "}\n";
            }
        }
        WriteFrame(body, doc_, doc_.rootFrame(), false);

        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
        for (int i = 0; i < fonts_.size(); ++i) {
            // The name ends at its ";": one it holds is written as its byte.
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 " + Escape(fonts_[i]).replace(";", "\\'3b") + ";}";
        }
        out += "}\n{\\colortbl;";
        for (const QColor& c : colors_) {
            out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) +
                   "\\blue" + QByteArray::number(c.blue()) + ";";
        }
        out += "}\n";
        const RtfPageSetup page = PageSetupOf(doc_);
        auto put = [&out](const char* word, int value) {
            if (value > 0) out += QByteArray("\\") + word + QByteArray::number(value);
        };
        put("paperw", page.paperWidth);
        put("paperh", page.paperHeight);
        put("margl", page.marginLeft);
        put("margr", page.marginRight);
        put("margt", page.marginTop);
        put("margb", page.marginBottom);
        if (page.landscape) out += "\\landscape";
        if (page.titlePage) out += "\\titlepg";
        out += "\n";
        out += body;
        out += "}\n";
        // The font table is written last but read first: the default font is entry 0.
        return out;
    }

private:
    int FontIndex(const QString& family) {
        int i = int(fonts_.indexOf(family));
        if (i < 0) {
            fonts_.append(family);
            i = int(fonts_.size()) - 1;
        }
        return i;
    }

    int ColorIndex(const QColor& color) {
        QColor c = color.toRgb();
        c.setAlpha(255);
        int i = int(colors_.indexOf(c));
        if (i < 0) {
            colors_.append(c);
            i = int(colors_.size()) - 1;
        }
        return i + 1;  // entry 0 is the automatic colour
    }

    static QString Family(const QTextDocument& doc, const QTextCharFormat& f) {
        const QStringList families = f.fontFamilies().toStringList();
        if (!families.isEmpty() && !families.first().isEmpty()) return families.first();
        return doc.defaultFont().family();
    }

    QByteArray CharProps(const QTextDocument& doc, const QTextCharFormat& f) {
        QByteArray p = "\\f" + QByteArray::number(FontIndex(Family(doc, f)));
        double size = f.fontPointSize() > 0 ? f.fontPointSize() : doc.defaultFont().pointSizeF();
        if (size <= 0) size = 12;
        p += "\\fs" + QByteArray::number(int(std::lround(size * 2)));
        if (f.fontWeight() >= QFont::DemiBold) p += "\\b";
        if (f.fontItalic()) p += "\\i";
        if (f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline) p += "\\ul";
        if (f.fontStrikeOut()) p += "\\strike";
        if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
            p += "\\cf" + QByteArray::number(ColorIndex(f.foreground().color()));
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
            p += "\\chcbpat" + QByteArray::number(ColorIndex(f.background().color()));
        if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) p += "\\super";
        if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) p += "\\sub";
        return p;
    }

    static QByteArray ParaProps(const QTextBlockFormat& f, bool inTable) {
        QByteArray p = "\\pard\\plain";
        if (inTable) p += "\\intbl";
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignHCenter) p += "\\qc";
        else if (a & Qt::AlignRight) p += "\\qr";
        else if (a & Qt::AlignJustify) p += "\\qj";
        else p += "\\ql";
        auto put = [&p](const char* word, double pixels) {
            int twips = PixelsToTwips(pixels);
            if (twips != 0) p += QByteArray("\\") + word + QByteArray::number(twips);
        };
        put("li", f.leftMargin());
        put("ri", f.rightMargin());
        put("fi", f.textIndent());
        put("sb", f.topMargin());
        put("sa", f.bottomMargin());
        if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) p += "\\pagebb";
        return p;
    }

    void WriteFrame(QByteArray& out, const QTextDocument& doc, QTextFrame* frame, bool inTable) {
        // What the frame holds, in order: blocks and child frames.
        struct Item {
            QTextBlock block;
            QTextFrame* frame = nullptr;
        };
        QList<Item> items;
        for (auto it = frame->begin(); !it.atEnd(); ++it) {
            if (QTextFrame* child = it.currentFrame()) items.append({QTextBlock(), child});
            else items.append({it.currentBlock(), nullptr});
        }
        for (int i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            if (item.frame) {
                auto* table = qobject_cast<QTextTable*>(item.frame);
                if (table && !inTable) WriteTable(out, doc, table);
                else WriteFrame(out, doc, item.frame, inTable);
                continue;
            }
            // A document cannot begin with a table: the empty paragraph before it is the editor's, not the author's.
            if (i == 0 && items.size() > 1 && items[1].frame && item.block.length() == 1 && !inTable) continue;
            WriteBlock(out, doc, item.block, inTable);
            out += "\\par\n";
        }
    }

    void WriteBlock(QByteArray& out, const QTextDocument& doc, const QTextBlock& block, bool inTable) {
        out += ParaProps(block.blockFormat(), inTable);
        // The paragraph mark takes the format of the paragraph's last text, as word processors have it.
        QTextCharFormat mark = block.charFormat();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().isValid() && !it.fragment().charFormat().isImageFormat()) mark = it.fragment().charFormat();
        }
        out += CharProps(doc, mark);
        out += ' ';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QTextCharFormat f = fragment.charFormat();
            if (f.isImageFormat()) {
                for (int n = 0; n < fragment.length(); ++n) WriteImage(out, doc, f.toImageFormat());
                continue;
            }
            out += "{\\plain" + CharProps(doc, f) + " " + Escape(fragment.text()) + "}";
        }
    }

    void WriteImage(QByteArray& out, const QTextDocument& doc, const QTextImageFormat& f) {
        QVariant resource = doc.resource(QTextDocument::ImageResource, QUrl(f.name()));
        QImage image = resource.typeId() == QMetaType::QPixmap ? resource.value<QPixmap>().toImage()
                                                               : resource.value<QImage>();
        if (image.isNull()) image.load(f.name());
        if (image.isNull()) return;
        BlankPastLastPixel(image);
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QByteArray kind = "\\pngblip";
        if (!image.save(&buffer, "PNG")) {
            // PNG takes no side of over a million pixels: such a picture goes
            // as a bitmap, a BMP file without its 14-byte file header.
            buffer.seek(0);
            data.clear();
            if (!image.save(&buffer, "BMP") || data.size() <= 14) return;
            data.remove(0, 14);
            kind = "\\dibitmap0";
        }
        const double w = f.width() > 0 ? f.width() : image.width();
        const double h = f.height() > 0 ? f.height() : image.height();
        // A goal of 0 reads as "the picture's own size": the smallest written is 1.
        out += "{\\pict" + kind + "\\picw" + QByteArray::number(image.width()) + "\\pich" +
               QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(qMax(1, PixelsToTwips(w))) +
               "\\pichgoal" + QByteArray::number(qMax(1, PixelsToTwips(h))) + "\n";
        const QByteArray hex = data.toHex();
        for (qsizetype i = 0; i < hex.size(); i += 128) out += hex.mid(i, 128) + "\n";
        out += "}";
    }

    // The bits of a black-and-white row past its last pixel are written with
    // it, and the PNG decoder leaves them as the memory was: they go blank,
    // so that no letter written carries memory and each writing is the same.
    static void BlankPastLastPixel(QImage& image) {
        const bool msbFirst = image.format() == QImage::Format_Mono;
        if ((!msbFirst && image.format() != QImage::Format_MonoLSB) || image.width() % 8 == 0) return;
        const int spare = 8 - image.width() % 8;
        const uchar keep = msbFirst ? uchar(0xFF << spare) : uchar(0xFF >> spare);
        for (int y = 0; y < image.height(); ++y) image.scanLine(y)[image.width() / 8] &= keep;
    }

    void WriteTable(QByteArray& out, const QTextDocument& doc, QTextTable* table) {
        const QTextTableFormat tf = table->format();
        const int columns = table->columns();
        // Right edge of each column in twips, as far as a number of RTF goes.
        QList<qint64> rights;
        const QList<QTextLength> constraints = tf.columnWidthConstraints();
        qint64 left = 0;
        for (int c = 0; c < columns; ++c) {
            int width = kDefaultTextWidth / columns;
            if (c < constraints.size()) {
                const QTextLength& l = constraints[c];
                if (l.type() == QTextLength::FixedLength) width = PixelsToTwips(l.rawValue());
                else if (l.type() == QTextLength::PercentageLength)
                    width = int(kDefaultTextWidth * qBound(0.0, l.rawValue(), 100.0) / 100);
            }
            left += qMax(width, 100);
            rights.append(qMin<qint64>(left, INT_MAX));
        }
        const QByteArray borders = tf.border() > 0 ? "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                                                     "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10"
                                                   : QByteArray();
        for (int r = 0; r < table->rows(); ++r) {
            QByteArray def = "\\trowd\\trgaph108\\trleft0";
            QList<QTextTableCell> cells;
            for (int c = 0; c < columns; ++c) {
                QTextTableCell cell = table->cellAt(r, c);
                if (cell.column() != c) continue;  // inside a cell spanning columns
                const bool below = cell.row() != r;
                def += borders;
                if (cell.rowSpan() > 1) def += below ? "\\clvmrg" : "\\clvmgf";
                const QBrush bg = cell.format().background();
                if (bg.style() != Qt::NoBrush) def += "\\clcbpat" + QByteArray::number(ColorIndex(bg.color()));
                def += "\\cellx" + QByteArray::number(rights[c + cell.columnSpan() - 1]);
                cells.append(below ? QTextTableCell() : cell);
            }
            out += def + "\n";
            for (const QTextTableCell& cell : cells) {
                if (!cell.isValid()) {
                    out += "\\pard\\plain\\intbl\\cell\n";
                    continue;
                }
                QByteArray content;
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (QTextFrame* child = it.currentFrame()) {
                        WriteFrame(content, doc, child, true);
                        continue;
                    }
                    if (!content.isEmpty()) content += "\\par\n";
                    WriteBlock(content, doc, it.currentBlock(), true);
                }
                if (content.isEmpty()) content = "\\pard\\plain\\intbl ";
                out += content + "\\cell\n";
            }
            out += def + "\\row\n";
        }
    }

    static QByteArray Escape(const QString& text) {
        QByteArray out;
        out.reserve(text.size());
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (u == '\\' || u == '{' || u == '}') {
                out += '\\';
                out += char(u);
            } else if (u == '\t') {
                out += "\\tab ";
            } else if (u == 0x2028 || u == '\n' || u == 0x2029) {
                out += "\\line ";
            } else if (u == 0x00A0) {
                out += "\\~";
            } else if (u == 0xFFFC || u < 0x20) {
                // object marks and control characters carry no text
            } else if (u < 0x80) {
                out += char(u);
            } else if (int b = Cp1252Byte(c); b >= 0) {
                out += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
            } else {
                out += "\\u" + QByteArray::number(u > 32767 ? int(u) - 65536 : int(u)) + "?";
            }
        }
        return out;
    }

    const QTextDocument& doc_;
    QStringList fonts_;
    QList<QColor> colors_;
};

}  // namespace

QByteArray DocumentToRtf(const QTextDocument& document) { return Writer(document).Write(); }

}  // namespace Platform
