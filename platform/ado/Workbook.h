#pragma once
// Reading Excel workbooks (.xls and .xlsx): each sheet as rows of values.
//
// A workbook comes from outside and may be damaged or made to do harm, so
// every reader is bounded: the sheet XML is streamed with caps on its size,
// its nesting, its cell references and the cells kept, and .xls files are
// read by a program of their own (brivalto-xlsread), bounded in time and
// memory, so that whatever a damaged file makes it do ends that program,
// not this one.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class QIODevice;

namespace ADODB {

struct Sheet {
    QString name;
    // Rows in sheet order from the first; each holds its cells up to its last
    // value (an empty row is an empty list).
    QList<QVariantList> rows;
    int Width() const;
};

// False, with the reason, when the file is not a workbook that can be read.
bool ReadWorkbook(const QString& file, QList<Sheet>& sheets, QString* error);

namespace Workbook {

struct Limits {
    qint64 partBytes = 128LL * 1024 * 1024;  // one part of an .xlsx, uncompressed
    qint64 cells = 5'000'000;                // cells kept, over all sheets
    int columns = 2000;                      // the engine's own limit for a table
    int rows = 1'048'576;                    // the largest sheet Excel makes
    int depth = 64;                          // nesting of XML elements
    int seconds = 120;                       // time given to the .xls reader
};

// Dates: a cell holds a number, and its number format tells whether that
// number is a date. Whether the format `code` (or, without one, the built-in
// format `id`) shows a date or a time.
bool IsDateFormat(int id, QStringView code);
// The date a cell's number stands for, counted from 1900 (with Excel's
// 29 February 1900 that never was) or from 1904; the number itself when no
// date can hold it.
QVariant CellDate(double number, bool from1904);

// The texts of an .xlsx's cells carry a character XML cannot hold, or would
// not keep (a carriage return), as "_xHHHH_", its code in hexadecimal; an
// underscore that would begin such a text is "_x005F_". DecodeEscapes reads
// them so ("_x005F_x000D_" is the text "_x000D_"); EscapeLiteralEscapes
// writes each "_xHHHH_" standing in a text so that it reads back as itself,
// leaving the characters to the writer that escapes them.
QString DecodeEscapes(QStringView text);
QString EscapeLiteralEscapes(QStringView text);

// What the cells of an .xlsx sheet refer to.
struct Shared {
    QStringList strings;      // the shared texts
    QList<bool> dateStyles;   // by cell style: whether its number format shows a date
    bool from1904 = false;    // the workbook counts its dates from 1904
};

// The readers one at a time, as the fuzz targets and tests reach them.
bool ReadXlsx(QIODevice& zip, QList<Sheet>& sheets, QString* error, const Limits& limits = {});
bool ReadSharedStrings(QIODevice& xml, QStringList& strings, QString* error, const Limits& limits = {});
bool ReadStyles(QIODevice& xml, QList<bool>& dateStyles, QString* error, const Limits& limits = {});
// `cells` is what is left of the cell budget; it goes down as cells are kept.
bool ReadSheetXml(QIODevice& xml, const Shared& shared, Sheet& sheet, qint64& cells, QString* error,
                  const Limits& limits = {});

// An .xls workbook of Excel 5 to 2003 (BIFF5 and BIFF8), read from its own
// records: whether it is encrypted, and each worksheet it lists with its
// cells. A number is a date when its cell's number format shows one, as in
// an .xlsx; a formula reads as the result it stored.
struct XlsRecords {
    bool encrypted = false;
    bool from1904 = false;
    QList<Sheet> sheets;  // the worksheets, not the charts, macros or modules
};
// False, with the reason, when the file is no compound file holding a
// workbook of Excel 5 to 2003 whose records can be walked to their end.
bool ReadXlsRecords(const QByteArray& file, XlsRecords& records, QString* error, const Limits& limits = {});

// The stream brivalto-xlsread writes on its standard output, and its reader.
class XlsStreamWriter {
public:
    explicit XlsStreamWriter(QByteArray& out);
    void Sheet(const QString& name);
    void Row(quint32 index, const QVariantList& cells);
    void Fail(const QString& message);
    void End();

private:
    void Text(const QString& text);
    QByteArray& out_;
};
bool ReadXlsStream(const QByteArray& stream, QList<Sheet>& sheets, QString* error, const Limits& limits = {});

// The .xls reader program; tests may name another.
QString XlsReaderProgram();
void SetXlsReaderProgram(const QString& program);

}  // namespace Workbook

}  // namespace ADODB
