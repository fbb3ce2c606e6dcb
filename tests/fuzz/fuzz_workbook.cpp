// The workbook readers: a whole .xlsx from its zip, one sheet's XML with the
// shared strings and styles, the stream the .xls reader program writes, and
// the records of an .xls file. Small caps keep each run short; the caps
// themselves are what is tried.
#include "FuzzKit.h"
#include "Workbook.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    ADODB::Workbook::Limits limits;
    limits.partBytes = 4 * 1024 * 1024;
    limits.cells = 200000;
    const QByteArray bytes = FuzzKit::Bytes(data + 1, size - 1);
    QList<ADODB::Sheet> sheets;
    QString why;
    // The first byte chooses the reader, so that each gets inputs of its own.
    switch (data[0] % 4) {
    case 0: {
        QBuffer zip;
        zip.setData(bytes);
        zip.open(QIODevice::ReadOnly);
        ADODB::Workbook::ReadXlsx(zip, sheets, &why, limits);
        break;
    }
    case 1: {
        QBuffer xml;
        xml.setData(bytes);
        xml.open(QIODevice::ReadOnly);
        ADODB::Workbook::Shared shared;
        ADODB::Workbook::ReadSharedStrings(xml, shared.strings, &why, limits);
        xml.seek(0);
        ADODB::Workbook::ReadStyles(xml, shared.dateStyles, &why, limits);
        xml.seek(0);
        ADODB::Sheet sheet{QStringLiteral("Foglio1"), {}};
        qint64 cells = limits.cells;
        ADODB::Workbook::ReadSheetXml(xml, shared, sheet, cells, &why, limits);
        break;
    }
    case 2: ADODB::Workbook::ReadXlsStream(bytes, sheets, &why, limits); break;
    default: {
        ADODB::Workbook::XlsRecords records;
        ADODB::Workbook::ReadXlsRecords(bytes, records, &why, limits);
        break;
    }
    }
    return 0;
}
