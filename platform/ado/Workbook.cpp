#include "Workbook.h"

#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <freexl.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace ADODB {

namespace {

bool ReadXls(const QString& file, QList<Sheet>& sheets, QString* error) {
    const void* handle = nullptr;
    if (freexl_open(QFile::encodeName(file).constData(), &handle) != FREEXL_OK) {
        if (error) *error = "not an Excel 97-2003 workbook";
        if (handle) freexl_close(handle);
        return false;
    }
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned short s = 0; s < count; ++s) {
        const char* name = nullptr;
        freexl_get_worksheet_name(handle, s, &name);
        freexl_select_active_worksheet(handle, s);
        unsigned int rows = 0;
        unsigned short columns = 0;
        freexl_worksheet_dimensions(handle, &rows, &columns);
        Sheet sheet{QString::fromUtf8(name ? name : ""), {}};
        for (unsigned int r = 0; r < rows; ++r) {
            QVariantList row;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) {
                    row << QVariant();
                    continue;
                }
                switch (v.type) {
                case FREEXL_CELL_INT: row << v.value.int_value; break;
                case FREEXL_CELL_DOUBLE: row << v.value.double_value; break;
                case FREEXL_CELL_NULL: row << QVariant(); break;
                default: row << QString::fromUtf8(v.value.text_value); break;
                }
            }
            sheet.rows << row;
        }
        sheets << sheet;
    }
    freexl_close(handle);
    return true;
}

QByteArray ZipEntry(QuaZip& zip, const QString& name) {
    if (!zip.setCurrentFile(name, QuaZip::csInsensitive)) return {};
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::ReadOnly)) return {};
    return entry.readAll();
}

// "BC12" -> 0-based column 54.
int ColumnOf(const QString& ref) {
    int col = 0;
    for (QChar c : ref) {
        if (!c.isLetter()) break;
        col = col * 26 + (c.toUpper().unicode() - 'A' + 1);
    }
    return col - 1;
}

QString TextOf(const QDomElement& e) {
    // Plain text, or the runs of rich text.
    QString text;
    for (QDomElement t = e.firstChildElement(); !t.isNull(); t = t.nextSiblingElement()) {
        if (t.tagName() == "t") text += t.text();
        else if (t.tagName() == "r") text += t.firstChildElement("t").text();
    }
    return text;
}

bool ReadXlsx(const QString& file, QList<Sheet>& sheets, QString* error) {
    QuaZip zip(file);
    if (!zip.open(QuaZip::mdUnzip)) {
        if (error) *error = "not an Excel workbook";
        return false;
    }
    QDomDocument workbook, rels, shared;
    if (!workbook.setContent(ZipEntry(zip, "xl/workbook.xml")) || !rels.setContent(ZipEntry(zip, "xl/_rels/workbook.xml.rels"))) {
        if (error) *error = "the workbook has no sheets";
        return false;
    }
    QStringList strings;
    if (shared.setContent(ZipEntry(zip, "xl/sharedStrings.xml")))
        for (QDomElement si = shared.documentElement().firstChildElement("si"); !si.isNull(); si = si.nextSiblingElement("si"))
            strings << TextOf(si);
    QHash<QString, QString> targets;
    for (QDomElement r = rels.documentElement().firstChildElement("Relationship"); !r.isNull(); r = r.nextSiblingElement("Relationship"))
        targets.insert(r.attribute("Id"), r.attribute("Target"));
    QDomElement list = workbook.documentElement().firstChildElement("sheets");
    for (QDomElement s = list.firstChildElement("sheet"); !s.isNull(); s = s.nextSiblingElement("sheet")) {
        QString target = targets.value(s.attribute("r:id"));
        if (target.startsWith('/')) target = target.mid(1);
        else target = "xl/" + target;
        QDomDocument doc;
        if (!doc.setContent(ZipEntry(zip, target))) continue;
        Sheet sheet{s.attribute("name"), {}};
        QDomElement data = doc.documentElement().firstChildElement("sheetData");
        for (QDomElement row = data.firstChildElement("row"); !row.isNull(); row = row.nextSiblingElement("row")) {
            const int index = row.attribute("r").toInt() - 1;
            while (sheet.rows.size() < index) sheet.rows << QVariantList();
            QVariantList values;
            for (QDomElement c = row.firstChildElement("c"); !c.isNull(); c = c.nextSiblingElement("c")) {
                const int col = ColumnOf(c.attribute("r"));
                while (values.size() < col) values << QVariant();
                const QString type = c.attribute("t");
                const QString v = c.firstChildElement("v").text();
                if (type == "s") values << strings.value(v.toInt());
                else if (type == "inlineStr") values << TextOf(c.firstChildElement("is"));
                else if (type == "str") values << v;
                else if (type == "b") values << (v == "1");
                else if (v.isEmpty()) values << QVariant();
                else values << v.toDouble();
            }
            sheet.rows << values;
        }
        sheets << sheet;
    }
    return true;
}

}  // namespace

bool ReadWorkbook(const QString& file, QList<Sheet>& sheets, QString* error) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = "cannot read " + file;
        return false;
    }
    const QByteArray magic = f.read(4);
    f.close();
    // The content tells the kind, whatever the name says.
    if (magic.startsWith("PK")) return ReadXlsx(file, sheets, error);
    return ReadXls(file, sheets, error);
}

}  // namespace ADODB
