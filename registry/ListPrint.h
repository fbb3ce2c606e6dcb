#pragma once
// The table layout shared by the two list-printing windows: the rows of a
// list view as a table on A4 pages in centimetres, with a title, the date, a
// page label and a heading row on every page. Everything is drawn through
// the print-preview library's page interface, so whatever implements
// Pagivex::Pages receives exactly the calls the library would.

#include <QDate>
#include <QList>
#include <QString>
#include <functional>

namespace Pagivex { class Pages; }
namespace Platform { class ListView; }

namespace ListPrint {

// A list column as the field list offers it for printing.
struct Column {
    QString caption;
    int index = 1;  // the list column's index: 1 is the item's own text, n its sub-item n - 1
    double widthTwips = 0;
    bool rightAligned = false;
};

// The list's columns in the order the user sees them.
QList<Column> ColumnsOf(const Platform::ListView& list);

// The rows to print: how many, and the text of row r (1-based) in the list
// column with index c.
struct Rows {
    std::function<int()> count;
    std::function<QString(int row, int column)> text;
};
Rows RowsOf(const Platform::ListView& list);

// Where the two windows differ.
struct Style {
    // Right-aligned list columns print right-aligned (code 2); otherwise every
    // heading and cell prints left-aligned and vertically centred (code 4).
    bool rightAlignment = true;
    // "pag.  3" (the number written with the blank of its sign) or "pag. 3".
    bool blankBeforePageNumber = true;
    // Long cell texts continue on further lines of the same record.
    bool splitLines = false;
    // The printer's twips per millimetre, which scale the width of a split line.
    double twipsPerMillimetre = 1440.0 / 25.4;
};

// Sizes chosen for a table (lengths in centimetres).
struct Fit {
    double width8 = 0;   // the table at 8 points, both margins included
    double width10 = 0;  // the same at 10 points
    bool landscape = false;
    float fontSize = 10;
    double rowHeight = 0.5;
    double factor = 1.25;  // printed column width = list width in twips x factor / 535
    double offset = 0;     // left offset that centres the column block
};

// Sets the pages to A4 in centimetres, portrait or, when the table is too
// wide for it, landscape, and chooses the font size and the column scale.
Fit SetUpPages(Pagivex::Pages& pages, const QList<Column>& columns, double marginH);

struct Request {
    QString title;
    QList<Column> columns;  // the printed ones, in print order
    double marginHmm = 7;
    double marginVmm = 7;
    QDate today;
    Style style;
};

// Lays the rows out on pages it adds; returns the number of pages.
int Compose(Pagivex::Pages& pages, const Request& request, const Rows& rows);

// The export file's name with the default extension of its destination
// code put after it when its last four characters differ from it.
QString DefaultExtension(int destination);
QString WithDefaultExtension(const QString& fileName, int destination);

}  // namespace ListPrint
