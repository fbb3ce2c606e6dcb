// brivalto-xlsread FILE [CELLS [SECONDS]]: reads an Excel 97-2003 workbook
// and writes its sheets on standard output as the stream of Workbook.h.
// It runs apart from the program because its library can be made to fail
// badly by a damaged file: here that ends this program only.
#include "ReaderProcess.h"
#include "Workbook.h"

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
    const void* handle = nullptr;
    if (freexl_open(argv[1], &handle) != FREEXL_OK) {
        if (handle) freexl_close(handle);
        return fail(QStringLiteral("non è una cartella di lavoro di Excel 97-2003"));
    }
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    qint64 cells = cellLimit;
    for (unsigned short s = 0; s < count; ++s) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, s, &name) != FREEXL_OK ||
            freexl_select_active_worksheet(handle, s) != FREEXL_OK)
            return fail(QStringLiteral("il foglio %1 non è leggibile").arg(s + 1));
        const QString sheet = QString::fromUtf8(name ? name : "");
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
        stream.Sheet(sheet);
        for (unsigned int r = 0; r < rows; ++r) {
            QVariantList row;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) {
                    row << QVariant();
                    continue;
                }
                switch (v.type) {
                case FREEXL_CELL_INT: row << QVariant(qint64(v.value.int_value)); break;
                case FREEXL_CELL_DOUBLE: row << v.value.double_value; break;
                case FREEXL_CELL_NULL: row << QVariant(); break;
                default: row << QString::fromUtf8(v.value.text_value ? v.value.text_value : ""); break;
                }
            }
            while (!row.isEmpty() && !row.last().isValid()) row.removeLast();
            cells -= row.size() + 1;
            if (!row.isEmpty()) stream.Row(r, row);
            if (out.size() > 1024 * 1024 && !Flush(out)) return 1;
        }
    }
    freexl_close(handle);
    stream.End();
    return Flush(out) ? 0 : 1;
}
