// brivalto-xlsread FILE [CELLS [SECONDS]]: reads an Excel 97-2003 workbook
// and writes its sheets on standard output as the stream of Workbook.h.
// It runs apart from the program because its library can be made to fail
// badly by a damaged file: here that ends this program only.
#include "ReaderProcess.h"
#include "Workbook.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QString>
#include <cstdio>
#include <freexl.h>
#include <unistd.h>

namespace {

bool Flush(QByteArray& out) {
    const char* data = out.constData();
    qsizetype left = out.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(left));
        if (n <= 0) return false;
        data += n;
        left -= n;
    }
    out.clear();
    return true;
}

// The library writes a date cell as text, in its own fixed form.
QVariant LibraryDate(int type, const char* text) {
    const QString t = QString::fromUtf8(text ? text : "");
    QDateTime when;
    if (type == FREEXL_CELL_DATE) when = QDateTime(QDate::fromString(t, QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
    else if (type == FREEXL_CELL_DATETIME) when = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    else when = QDateTime(QDate(1899, 12, 30), QTime::fromString(t, QStringLiteral("HH:mm:ss")));
    return when.isValid() ? QVariant(when) : QVariant(t);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const qint64 cellLimit = argc > 2 ? QString::fromLocal8Bit(argv[2]).toLongLong() : 5'000'000;
    const int seconds = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 120;
    ADODB::Reader::LimitThisProcess(seconds, 3LL * 1024 * 1024 * 1024);

    QByteArray out;
    ADODB::Workbook::XlsStreamWriter stream(out);
    auto fail = [&](const QString& message) {
        stream.Fail(message);
        Flush(out);
        return 1;
    };
    // The library leaves formulas out and cannot tell an encrypted workbook:
    // the records of the file itself are read first, for both.
    ADODB::Workbook::XlsRecords records;
    {
        QFile file(QString::fromLocal8Bit(argv[1]));
        QString why;
        if (!file.open(QIODevice::ReadOnly)) return fail(QStringLiteral("il file non si apre"));
        ADODB::Workbook::Limits limits;
        limits.cells = cellLimit;
        if (!ADODB::Workbook::ReadXlsRecords(file.readAll(), records, &why, limits)) return fail(why);
    }
    if (records.encrypted) return fail(QStringLiteral("la cartella di lavoro è protetta da password"));

    const void* handle = nullptr;
    if (freexl_open(argv[1], &handle) != FREEXL_OK) {
        if (handle) freexl_close(handle);
        return fail(QStringLiteral("non è una cartella di lavoro di Excel 97-2003"));
    }
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    unsigned int password = 0;
    freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password);
    if (password == FREEXL_BIFF_OBFUSCATED) return fail(QStringLiteral("la cartella di lavoro è protetta da password"));
    // Every worksheet the workbook lists is read, or the reason is said.
    QStringList seen;
    qint64 cells = cellLimit;
    for (unsigned short s = 0; s < count; ++s) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, s, &name) != FREEXL_OK ||
            freexl_select_active_worksheet(handle, s) != FREEXL_OK)
            return fail(QStringLiteral("il foglio %1 non è leggibile").arg(s + 1));
        const QString sheet = QString::fromUtf8(name ? name : "");
        seen << sheet;
        const ADODB::Workbook::XlsRecords::SheetRecords* own = nullptr;
        for (const auto& r : records.sheets)
            if (r.name == sheet) own = &r;
        unsigned int rows = 0;
        unsigned short columns = 0;
        freexl_worksheet_dimensions(handle, &rows, &columns);
        // The dimensions are the file's word, read before any cell is: a
        // sheet that claims more cells than can be kept is refused at once.
        if (qint64(rows) * columns > cells)
            return fail(QStringLiteral("il foglio '%1' dichiara %2 righe per %3 colonne: troppe celle")
                            .arg(sheet)
                            .arg(rows)
                            .arg(columns));
        if (own && own->values > 0 && (rows == 0 || columns == 0))
            return fail(QStringLiteral("il foglio '%1' non è leggibile").arg(sheet));
        QHash<quint32, QList<ADODB::Workbook::XlsRecords::Formula>> formulas;
        quint32 lastRow = rows;
        if (own)
            for (const auto& f : own->formulas) {
                formulas[f.row] << f;
                lastRow = qMax(lastRow, f.row + 1);
            }
        stream.Sheet(sheet);
        for (quint32 r = 0; r < lastRow; ++r) {
            QVariantList row;
            for (unsigned short c = 0; r < rows && c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) {
                    row << QVariant();
                    continue;
                }
                switch (v.type) {
                case FREEXL_CELL_INT: row << QVariant(qint64(v.value.int_value)); break;
                case FREEXL_CELL_DOUBLE: row << v.value.double_value; break;
                case FREEXL_CELL_NULL: row << QVariant(); break;
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME: row << LibraryDate(v.type, v.value.text_value); break;
                default: row << QString::fromUtf8(v.value.text_value ? v.value.text_value : ""); break;
                }
            }
            for (const auto& f : formulas.value(r)) {
                while (row.size() <= f.column) row << QVariant();
                row[f.column] = f.value;
            }
            while (!row.isEmpty() && !row.last().isValid()) row.removeLast();
            cells -= row.size() + 1;
            if (cells < 0) return fail(QStringLiteral("il foglio '%1' supera il limite delle celle leggibili").arg(sheet));
            if (!row.isEmpty()) stream.Row(r, row);
            if (out.size() > 1024 * 1024 && !Flush(out)) return 1;
        }
    }
    for (const auto& r : records.sheets)
        if (r.worksheet && !seen.contains(r.name)) return fail(QStringLiteral("il foglio '%1' non è leggibile").arg(r.name));
    freexl_close(handle);
    stream.End();
    return Flush(out) ? 0 : 1;
}
