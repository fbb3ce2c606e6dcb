#include "ListPrint.h"

#include "ImpaginazioneRighe.h"
#include "ListView.h"
#include "Printer.h"
#include "Values.h"

#include <Pagivex/Pagivex.h>

#include <QScopeGuard>
#include <optional>

namespace ListPrint {

namespace {

// A4 in centimetres, the library's scale mode for them, and the table's fixed measures.
constexpr double kShortSide = 21.0;
constexpr double kLongSide = 29.7;
constexpr qint32 kCentimetres = 7;
constexpr double kGap = 0.2;
constexpr double kTwipsPerCm8 = 535;
constexpr double kTwipsPerCm10 = 4280.0 / 10;
// Sums of decimal lengths are not exact in binary; a table that fits the page to
// the hundredth of a millimetre fits, and a row that ends as close to the bottom limit
// reaches it.
constexpr double kSlack = 1e-6;

void SetPaper(Pagivex::Pages& pages, bool landscape) {
    pages.SetLandscape(landscape);
    pages.SetScaleMode(kCentimetres);
    if (landscape) {
        pages.SetHeight(float(kShortSide));
        pages.SetWidth(float(kLongSide));
    } else {
        pages.SetWidth(float(kShortSide));
        pages.SetHeight(float(kLongSide));
    }
}

// The first of the 10-point and 8-point layouts that fits the page width.
bool ChooseSize(Fit& fit, double pageWidth) {
    if (fit.width10 <= pageWidth + kSlack) {
        fit.fontSize = 10;
        fit.rowHeight = 0.5;
        fit.factor = 10.0 / 8.0;
        fit.offset = (pageWidth - fit.width10) / 2;
        return true;
    }
    if (fit.width8 <= pageWidth + kSlack) {
        fit.fontSize = 8;
        fit.rowHeight = 0.4;
        fit.factor = 1;
        fit.offset = (pageWidth - fit.width8) / 2;
        return true;
    }
    return false;
}

int Alignment(const Column& column, const Style& style) {
    return style.rightAlignment && column.rightAligned ? Pagivex::prvAlignRight : 4;
}

QString PageLabel(int page, const Style& style) {
    return (style.blankBeforePageNumber ? QStringLiteral("pag.  ") : QStringLiteral("pag. ")) + QString::number(page);
}

}  // namespace

QList<Column> ColumnsOf(const Platform::ListView& list) {
    auto& view = const_cast<Platform::ListView&>(list);
    QList<Column> columns;
    for (int position = 1; position <= view.ColumnCount(); ++position)
        for (int index = 1; index <= view.ColumnCount(); ++index) {
            Platform::ColumnHeader header = view.Column(index);
            if (header.Position() != position) continue;
            columns.append({header.Text(), index, header.Width(), header.Alignment() == 1});
            break;
        }
    return columns;
}

Rows RowsOf(const Platform::ListView& list) {
    const Platform::ListView* view = &list;
    return {[view] { return view->ItemCount(); },
            [view](int row, int column) {
                const Platform::ListItem item = view->Item(row);
                return column == 1 ? item.Text() : item.SubItem(column - 1);
            }};
}

Fit SetUpPages(Pagivex::Pages& pages, const QList<Column>& columns, double marginH) {
    Fit fit;
    fit.width8 = fit.width10 = marginH;
    for (const Column& c : columns) {
        fit.width8 += kGap + c.widthTwips / kTwipsPerCm8;
        fit.width10 += kGap + c.widthTwips / kTwipsPerCm10;
    }
    fit.width8 += marginH;
    fit.width10 += marginH;

    SetPaper(pages, false);
    if (ChooseSize(fit, pages.Width())) return fit;
    fit.landscape = true;
    SetPaper(pages, true);
    if (ChooseSize(fit, pages.Width())) return fit;
    // Too wide even so: the columns shrink to the page, their gaps and the margins do not.
    fit.fontSize = 8;
    fit.rowHeight = 0.4;
    fit.factor = pages.Width() / fit.width8;
    fit.offset = 0;
    return fit;
}

int Compose(Pagivex::Pages& pages, const Request& request, const Rows& rows) {
    const double mH = request.marginHmm / 10;
    const double mV = request.marginVmm / 10;
    const Style& style = request.style;
    const Fit fit = SetUpPages(pages, request.columns, mH);
    const double x0 = fit.offset + mH;
    const double rowHeight = fit.rowHeight;
    // The page's height as it was given, not as the library keeps it (29.7 as a float is
    // 29.70000076): the rows are added up in the same precision, so a row that ends exactly
    // on the bottom limit reaches it.
    const double pageHeight = fit.landscape ? kShortSide : kLongSide;
    const double bottom = pageHeight - mV - 0.5;
    const QString date = request.today.toString(QStringLiteral("dd/MM/yyyy"));

    const qsizetype n = request.columns.size();
    QList<double> widths(n);
    QList<int> alignments(n);
    QList<float> splitWidths(n);
    for (qsizetype i = 0; i < n; ++i) {
        const Column& c = request.columns[i];
        widths[i] = c.widthTwips * fit.factor / kTwipsPerCm8;
        alignments[i] = Alignment(c, style);
        // In millimetres, a little narrower than the printed cell.
        splitWidths[i] = float(0.95 * fit.factor * c.widthTwips / style.twipsPerMillimetre);
    }

    std::shared_ptr<Pagivex::Page> page;
    int pageCount = 0;
    double y = 0;
    auto startPage = [&] {
        page = pages.Add();
        ++pageCount;
        const double w = page->Width();
        pages.SetFont(QStringLiteral("Arial"), 12, true);
        page->DrawText(request.title, float(w / 2 - 10), float(mV), 20, 0.5f, 0, -1, 0, 0);
        page->SetFont(QStringLiteral("Arial"), 10, true);
        page->DrawText(date, float(w - 2 - mH), float(mV), 2, 0.5f, 0, -1, 0, 0);
        page->DrawText(PageLabel(pageCount, style), float(w - 2 - mH), float(mV + 0.5), 2, 0.5f, 0, -1, 0, 0);
        page->DrawLine(float(mH), float(mV + 1.0), float(w - mH), float(mV + 1.0), 0, 1);
        page->SetFont(QStringLiteral("Arial"), 10, true);
        double x = x0;
        for (qsizetype i = 0; i < n; ++i) {
            page->DrawText(request.columns[i].caption, float(x), float(mV + 1.1), float(widths[i]), 0.4f, 0, -1,
                           alignments[i], 0);
            x += kGap + widths[i];
        }
        page->DrawLine(float(mH), float(mV + 1.6), float(w - mH), float(mV + 1.6), 0, 1);
        page->SetFont(QStringLiteral("Arial"), fit.fontSize, false);
        y = mV + 1.7;
    };

    // Long cells are cut into lines measured in the font they print in (the library prints a
    // font that is not bold at weight 600), so that each line fits its cell.
    std::optional<QFont> printerFont;
    if (style.splitLines) {
        printerFont = Platform::Printer().Font();
        QFont cellFont(QStringLiteral("Arial"));
        cellFont.setPointSizeF(fit.fontSize);
        cellFont.setWeight(QFont::DemiBold);
        Platform::Printer().SetFont(cellFont);
    }
    const auto restoreFont = qScopeGuard([&] {
        if (printerFont) Platform::Printer().SetFont(*printerFont);
    });

    bool newPage = true;
    QStringList cells(n);
    const int rowCount = rows.count();
    for (int r = 1; r <= rowCount; ++r) {
        for (qsizetype i = 0; i < n; ++i) cells[i] = rows.text(r, request.columns[i].index);
        bool complete;
        do {
            if (newPage) {
                startPage();
                newPage = false;
            }
            complete = true;
            double x = x0;
            for (qsizetype i = 0; i < n; ++i) {
                QString text;
                if (style.splitLines) {
                    const qsizetype before = cells[i].size();
                    text = ImpaginazioneRighe::FitTextToWidth(cells[i], splitWidths[i]);
                    // A cut that took nothing would never end: the rest goes on this line.
                    if (text.isEmpty() && cells[i].size() >= before) {
                        text = cells[i];
                        cells[i].clear();
                    }
                    if (!cells[i].isEmpty()) complete = false;
                } else {
                    text = cells[i];
                }
                page->DrawText(text, float(x), float(y), float(widths[i]), float(rowHeight), 0, -1, alignments[i], 0);
                x += widths[i] + kGap;
            }
            y += rowHeight;
            if (!style.splitLines) break;
            if (complete) {
                y += rowHeight / 2;
            } else if (y + rowHeight > pageHeight + kSlack) {
                // The record's next line would run off the paper: it goes on to a new page.
                newPage = true;
            }
        } while (!complete);
        if (bottom <= y + kSlack) newPage = true;
    }
    return pageCount;
}

QString DefaultExtension(int destination) {
    switch (destination) {
    case Pagivex::zvCSV: return QStringLiteral(".csv");
    case Pagivex::zvHTML: return QStringLiteral(".htm");
    default: return QStringLiteral(".txt");
    }
}

QString WithDefaultExtension(const QString& fileName, int destination) {
    const QString extension = DefaultExtension(destination);
    if (fileName.right(4).compare(extension, Qt::CaseInsensitive) != 0) return fileName + extension;
    return fileName;
}

}  // namespace ListPrint
