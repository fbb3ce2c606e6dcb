#include "Workbook.h"

#include "ReaderProcess.h"
#include "Runtime.h"
#include "Values.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cmath>
#include <cstring>

namespace ADODB {

int Sheet::Width() const {
    int width = 0;
    for (const QVariantList& row : rows) width = std::max(width, int(row.size()));
    return width;
}

namespace Workbook {

namespace {

bool Fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

// A part of the workbook as it is inflated, cut off past `cap` bytes: a few
// kilobytes of zip can stand for gigabytes of XML.
class CappedDevice : public QIODevice {
public:
    CappedDevice(QIODevice& inner, qint64 cap) : inner_(inner), cap_(cap) { open(QIODevice::ReadOnly); }
    bool Exceeded() const { return exceeded_; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 max) override {
        if (total_ >= cap_) {
            // One byte more than allowed shows there is more: the part is too large.
            char probe;
            if (inner_.read(&probe, 1) > 0) exceeded_ = true;
            return exceeded_ ? -1 : 0;
        }
        const qint64 n = inner_.read(data, std::min(max, cap_ - total_));
        if (n > 0) total_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& inner_;
    qint64 cap_;
    qint64 total_ = 0;
    bool exceeded_ = false;
};

// The next token of a part, with the checks every part gets: no document
// type (nothing in a workbook has one, and its entities could expand without
// end) and no nesting deeper than the limit.
bool Next(QXmlStreamReader& reader, int& depth, const Limits& limits, QString* error) {
    switch (reader.readNext()) {
    case QXmlStreamReader::StartElement:
        if (++depth > limits.depth) return Fail(error, QStringLiteral("elementi annidati oltre %1 livelli").arg(limits.depth));
        return true;
    case QXmlStreamReader::EndElement: --depth; return true;
    case QXmlStreamReader::DTD: return Fail(error, QStringLiteral("dichiarazione DTD non ammessa"));
    case QXmlStreamReader::Invalid:
        return Fail(error, QStringLiteral("XML non valido (riga %1: %2)").arg(reader.lineNumber()).arg(reader.errorString()));
    default: return true;
    }
}

// The text of the element just started; the reader stays on its end tag.
QString ElementText(QXmlStreamReader& reader, int& depth) {
    const QString text = reader.readElementText(QXmlStreamReader::SkipChildElements);
    --depth;
    return text;
}

bool IsName(const QXmlStreamReader& reader, const char* name) { return reader.name() == QLatin1String(name); }

// A cell reference such as "BC12": 0-based column and 1-based row (0 when
// the reference has none); false when it is not a reference within a sheet.
bool ParseReference(QStringView ref, int& column, int& row) {
    qint64 col = 0, r = 0;
    int i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        const char16_t c = ref[i].toUpper().unicode();
        if (c < 'A' || c > 'Z') return false;
        col = col * 26 + (c - 'A' + 1);
        if (col > 16384) return false;  // past XFD, the last column Excel has
    }
    if (i == 0) return false;
    for (; i < ref.size(); ++i) {
        if (!ref[i].isDigit() || ref[i].unicode() > '9') return false;
        r = r * 10 + (ref[i].unicode() - '0');
        if (r > 1'048'576) return false;
    }
    column = int(col - 1);
    row = int(r);
    return true;
}

QVariant CellValue(const QString& type, const QString& v, const QString& inlineText, const Shared& shared, int style) {
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = v.toInt(&ok);
        return ok && index >= 0 && index < shared.strings.size() ? QVariant(shared.strings[index]) : QVariant();
    }
    if (type == QLatin1String("inlineStr")) return inlineText.isEmpty() ? QVariant() : QVariant(inlineText);
    if (type == QLatin1String("str")) return v.isEmpty() ? QVariant() : QVariant(v);
    if (type == QLatin1String("b")) return v.isEmpty() ? QVariant() : QVariant(v.trimmed() == QLatin1String("1"));
    if (type == QLatin1String("e") || v.isEmpty()) return QVariant();  // an error value reads as no value
    if (type == QLatin1String("d")) {
        // A date written out, as strict workbooks keep them.
        const QDateTime when = QDateTime::fromString(v.trimmed(), Qt::ISODate);
        return when.isValid() ? QVariant(QDateTime(when.date(), when.time())) : QVariant(v);
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return QVariant(v);
    return style >= 0 && style < shared.dateStyles.size() && shared.dateStyles[style] ? CellDate(d, shared.from1904)
                                                                                       : QVariant(d);
}

// The code of the "_xHHHH_" at `at`, or -1 when none stands there.
int EscapeAt(QStringView text, qsizetype at) {
    if (at + 7 > text.size() || text[at] != u'_' || text[at + 1] != u'x' || text[at + 6] != u'_') return -1;
    int code = 0;
    for (qsizetype i = at + 2; i < at + 6; ++i) {
        const char16_t c = text[i].unicode();
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return -1;
        code = code * 16 + digit;
    }
    return code;
}

// Pads rows up to `index` (0-based), each empty row costing one cell.
bool PadRows(Sheet& sheet, int index, qint64& cells, QString* error) {
    if (index - sheet.rows.size() > cells)
        return Fail(error, QStringLiteral("il foglio '%1' supera il limite delle celle leggibili").arg(sheet.name));
    cells -= index - sheet.rows.size();
    while (sheet.rows.size() < index) sheet.rows << QVariantList();
    return true;
}

}  // namespace

QString DecodeEscapes(QStringView text) {
    if (!text.contains(u"_x")) return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const int code = EscapeAt(text, i);
        if (code < 0) {
            out += text[i++];
        } else {
            out += QChar(char16_t(code));
            i += 7;
        }
    }
    return out;
}

QString EscapeLiteralEscapes(QStringView text) {
    if (!text.contains(u"_x")) return text.toString();
    QString out;
    out.reserve(text.size() + 7);
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Every underscore that begins one, also the last of another.
        if (EscapeAt(text, i) >= 0) out += QStringLiteral("_x005F");
        out += text[i];
    }
    return out;
}

bool IsDateFormat(int id, QStringView code) {
    if (code.isEmpty())
        // The built-in date and time formats, those of the East Asian
        // versions included.
        return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
    // A letter of a date or a time outside quoted text, escaped characters
    // and bracketed colours and locales; [h], [mm], [ss] are elapsed times.
    for (qsizetype i = 0; i < code.size(); ++i) {
        const char16_t c = QChar::toLower(code[i].unicode());
        if (c == '"') {
            while (++i < code.size() && code[i] != u'"') {
            }
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const qsizetype close = code.indexOf(u']', i);
            if (close < 0) return false;
            const QStringView inside = code.mid(i + 1, close - i - 1);
            if (!inside.isEmpty() && (inside[0].toLower() == u'h' || inside[0].toLower() == u'm' || inside[0].toLower() == u's'))
                return true;
            i = close;
        } else if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 's') {
            return true;
        }
    }
    return false;
}

QVariant CellDate(double number, bool from1904) {
    double serial = number;
    if (from1904) serial += 1462;
    // Excel counts a 29 February 1900: the days before it are one more
    // than the engine's count from 30 December 1899.
    else if (serial >= 1 && serial < 60) serial += 1;
    if (!Platform::IsDateSerial(serial)) return number;
    return Platform::SerialToDate(serial);
}

bool ReadStyles(QIODevice& xml, QList<bool>& dateStyles, QString* error, const Limits& limits) {
    QXmlStreamReader reader(&xml);
    int depth = 0;
    bool inCellXfs = false;
    QHash<int, QString> codes;  // the workbook's own number formats
    QList<int> formats;         // each cell style's number format
    while (!reader.atEnd()) {
        if (!Next(reader, depth, limits, error)) return false;
        if (reader.isStartElement()) {
            const auto a = reader.attributes();
            if (IsName(reader, "numFmt")) {
                if (codes.size() >= 100000) return Fail(error, QStringLiteral("troppi formati numerici"));
                codes.insert(a.value(QLatin1String("numFmtId")).toInt(), a.value(QLatin1String("formatCode")).toString());
            } else if (IsName(reader, "cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && IsName(reader, "xf")) {
                if (formats.size() >= 100000) return Fail(error, QStringLiteral("troppi stili di cella"));
                formats << a.value(QLatin1String("numFmtId")).toInt();
            }
        } else if (reader.isEndElement() && IsName(reader, "cellXfs")) {
            inCellXfs = false;
        }
    }
    if (reader.hasError()) return Fail(error, QStringLiteral("XML non valido (%1)").arg(reader.errorString()));
    dateStyles.clear();
    for (int id : formats) dateStyles << IsDateFormat(id, codes.value(id));
    return true;
}

bool ReadSharedStrings(QIODevice& xml, QStringList& strings, QString* error, const Limits& limits) {
    QXmlStreamReader reader(&xml);
    int depth = 0;
    bool inItem = false;
    int phonetic = 0;  // inside a reading guide (<rPh>), whose text is not the cell's
    QString current;
    while (!reader.atEnd()) {
        if (!Next(reader, depth, limits, error)) return false;
        if (reader.isStartElement()) {
            if (IsName(reader, "si")) {
                inItem = true;
                current.clear();
            } else if (IsName(reader, "rPh")) {
                ++phonetic;
            } else if (IsName(reader, "t") && inItem) {
                const QString text = ElementText(reader, depth);
                if (!phonetic) current += DecodeEscapes(text);
            }
        } else if (reader.isEndElement()) {
            if (IsName(reader, "rPh")) --phonetic;
            if (IsName(reader, "si")) {
                if (strings.size() >= limits.cells) return Fail(error, QStringLiteral("troppi testi condivisi"));
                strings << current;
                inItem = false;
            }
        }
    }
    if (reader.hasError()) return Fail(error, QStringLiteral("XML non valido (%1)").arg(reader.errorString()));
    return true;
}

// The explicit states of a sheet's XML, as far as the reader cares:
//
//   outside --<sheetData>--> data --<row>--> row --<c>--> cell
//   cell --<v>--> (value text) ; cell --<is>--> inline --<t>--> (text)
//   each end tag goes back one step; </c> keeps the cell, </row> the row.
bool ReadSheetXml(QIODevice& xml, const Shared& shared, Sheet& sheet, qint64& cells, QString* error,
                  const Limits& limits) {
    enum State { Outside, Data, Row, Cell, Inline };
    State state = Outside;
    QXmlStreamReader reader(&xml);
    int depth = 0, phonetic = 0;
    int rowNumber = 0;   // 1-based number of the current row
    int column = -1;     // 0-based column of the current cell
    QVariantList row;
    QString type, value, inlineText;
    int style = -1;
    auto malformed = [&](const QString& why) {
        return Fail(error, QStringLiteral("il foglio '%1' non è leggibile: %2").arg(sheet.name, why));
    };
    while (!reader.atEnd()) {
        QString why;
        if (!Next(reader, depth, limits, &why)) return malformed(why);
        if (reader.isStartElement()) {
            if (state == Outside && IsName(reader, "sheetData")) {
                state = Data;
            } else if (state == Data && IsName(reader, "row")) {
                const QStringView r = reader.attributes().value(QLatin1String("r"));
                int number = rowNumber + 1;
                if (!r.isEmpty()) {
                    bool ok = false;
                    const qint64 n = r.toLongLong(&ok);
                    if (!ok || n < 1 || n > limits.rows)
                        return malformed(QStringLiteral("riga %1 fuori dai limiti del foglio").arg(r.toString()));
                    number = int(n);
                }
                if (number <= rowNumber) return malformed(QStringLiteral("righe fuori ordine (%1)").arg(number));
                if (number > limits.rows) return malformed(QStringLiteral("troppe righe"));
                rowNumber = number;
                column = -1;
                row.clear();
                state = Row;
            } else if (state == Row && IsName(reader, "c")) {
                const QStringView r = reader.attributes().value(QLatin1String("r"));
                int col = column + 1, refRow = 0;
                if (!r.isEmpty() && !ParseReference(r, col, refRow))
                    return malformed(QStringLiteral("riferimento di cella %1 fuori dai limiti del foglio").arg(r.toString()));
                if (col <= column) return malformed(QStringLiteral("celle fuori ordine (%1)").arg(r.toString()));
                if (col >= 16384) return malformed(QStringLiteral("troppe colonne"));
                column = col;
                type = reader.attributes().value(QLatin1String("t")).toString();
                const QStringView s = reader.attributes().value(QLatin1String("s"));
                style = s.isEmpty() ? -1 : s.toInt();
                value.clear();
                inlineText.clear();
                state = Cell;
            } else if (state == Cell && IsName(reader, "v")) {
                value = ElementText(reader, depth);
            } else if (state == Cell && IsName(reader, "is")) {
                state = Inline;
            } else if (state == Inline && IsName(reader, "rPh")) {
                ++phonetic;
            } else if (state == Inline && IsName(reader, "t")) {
                const QString text = ElementText(reader, depth);
                if (!phonetic) inlineText += DecodeEscapes(text);
            }
        } else if (reader.isEndElement()) {
            if (state == Inline && IsName(reader, "rPh")) {
                --phonetic;
            } else if (state == Inline && IsName(reader, "is")) {
                state = Cell;
            } else if (state == Cell && IsName(reader, "c")) {
                const QVariant v = CellValue(type, value, inlineText, shared, style);
                if (v.isValid()) {
                    if (column >= limits.columns)
                        return malformed(QStringLiteral("più di %1 colonne").arg(limits.columns));
                    const qint64 cost = column + 1 - row.size();
                    if (cost > cells) return malformed(QStringLiteral("troppe celle"));
                    cells -= cost;
                    while (row.size() < column) row << QVariant();
                    row << v;
                }
                state = Row;
            } else if (state == Row && IsName(reader, "row")) {
                if (!PadRows(sheet, rowNumber - 1, cells, error)) return false;
                if (cells < 1) return malformed(QStringLiteral("troppe celle"));
                --cells;
                sheet.rows << row;
                state = Data;
            } else if (state == Data && IsName(reader, "sheetData")) {
                state = Outside;
            }
        }
    }
    if (reader.hasError()) return malformed(QStringLiteral("XML non valido (%1)").arg(reader.errorString()));
    // Rows without a value at the end of a sheet are no rows of its table.
    while (!sheet.rows.isEmpty() && sheet.rows.last().isEmpty()) sheet.rows.removeLast();
    return true;
}

namespace {

// One part of the zip, inflated through the cap, handed to `read`.
template <typename F>
bool ReadPart(QuaZip& zip, const QString& name, const Limits& limits, QString* error, F&& read, bool required = true) {
    if (!zip.setCurrentFile(name, QuaZip::csInsensitive)) {
        if (!required) return true;
        return Fail(error, QStringLiteral("manca la parte %1").arg(name));
    }
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::ReadOnly)) return Fail(error, QStringLiteral("la parte %1 non si apre").arg(name));
    CappedDevice capped(entry, limits.partBytes);
    QString why;
    const bool ok = read(capped, &why);
    if (capped.Exceeded())
        return Fail(error, QStringLiteral("la parte %1 supera %2 MB una volta decompressa")
                               .arg(name)
                               .arg(limits.partBytes / (1024 * 1024)));
    if (!ok) return Fail(error, why.isEmpty() ? QStringLiteral("la parte %1 non è leggibile").arg(name) : why);
    return true;
}

// Where a relationship's target lies in the zip.
QString PartPath(const QString& target) {
    if (target.startsWith('/')) return target.mid(1);
    QString path = QStringLiteral("xl/") + target;
    // "../" steps are resolved within the zip, never outside it.
    QStringList parts;
    for (const QString& p : path.split('/', Qt::SkipEmptyParts)) {
        if (p == QLatin1String("..")) {
            if (!parts.isEmpty()) parts.removeLast();
        } else if (p != QLatin1String(".")) {
            parts << p;
        }
    }
    return parts.join('/');
}

}  // namespace

bool ReadXlsx(QIODevice& device, QList<Sheet>& sheets, QString* error, const Limits& limits) {
    QuaZip zip(&device);
    if (!zip.open(QuaZip::mdUnzip)) return Fail(error, QStringLiteral("non è una cartella di lavoro di Excel"));

    struct Listed {
        QString name, id;
    };
    QList<Listed> listed;
    Shared shared;
    bool ok = ReadPart(zip, QStringLiteral("xl/workbook.xml"), limits, error, [&](QIODevice& xml, QString* why) {
        QXmlStreamReader reader(&xml);
        int depth = 0;
        while (!reader.atEnd()) {
            if (!Next(reader, depth, limits, why)) return false;
            if (reader.isStartElement() && IsName(reader, "workbookPr")) {
                const QStringView v = reader.attributes().value(QLatin1String("date1904"));
                shared.from1904 = v == QLatin1String("1") || v == QLatin1String("true");
            }
            if (reader.isStartElement() && IsName(reader, "sheet")) {
                if (listed.size() >= 10000) return Fail(why, QStringLiteral("troppi fogli"));
                listed.append({reader.attributes().value(QLatin1String("name")).toString(),
                               reader.attributes().value(QLatin1String("r:id")).toString()});
            }
        }
        return !reader.hasError() || Fail(why, QStringLiteral("XML non valido (%1)").arg(reader.errorString()));
    });
    if (!ok) return false;

    struct Relation {
        QString target, type;
    };
    QHash<QString, Relation> relations;
    ok = ReadPart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), limits, error, [&](QIODevice& xml, QString* why) {
        QXmlStreamReader reader(&xml);
        int depth = 0;
        while (!reader.atEnd()) {
            if (!Next(reader, depth, limits, why)) return false;
            if (reader.isStartElement() && IsName(reader, "Relationship")) {
                if (relations.size() >= 100000) return Fail(why, QStringLiteral("troppe relazioni"));
                const auto a = reader.attributes();
                relations.insert(a.value(QLatin1String("Id")).toString(),
                                 {a.value(QLatin1String("Target")).toString(), a.value(QLatin1String("Type")).toString()});
            }
        }
        return !reader.hasError() || Fail(why, QStringLiteral("XML non valido (%1)").arg(reader.errorString()));
    });
    if (!ok) return false;

    ok = ReadPart(
        zip, QStringLiteral("xl/sharedStrings.xml"), limits, error,
        [&](QIODevice& xml, QString* why) { return ReadSharedStrings(xml, shared.strings, why, limits); }, false);
    if (!ok) return false;
    ok = ReadPart(
        zip, QStringLiteral("xl/styles.xml"), limits, error,
        [&](QIODevice& xml, QString* why) { return ReadStyles(xml, shared.dateStyles, why, limits); }, false);
    if (!ok) return false;

    qint64 cells = limits.cells;
    QStringList seen;
    for (const Listed& entry : listed) {
        const Relation relation = relations.value(entry.id);
        // Charts and dialogs stand in the list of sheets too; they hold no table.
        if (!relation.type.isEmpty() && !relation.type.endsWith(QLatin1String("/worksheet"))) continue;
        if (entry.name.trimmed().isEmpty()) return Fail(error, QStringLiteral("un foglio non ha nome"));
        if (seen.contains(entry.name, Qt::CaseInsensitive))
            return Fail(error, QStringLiteral("il nome del foglio '%1' è ripetuto").arg(entry.name));
        seen << entry.name;
        if (relation.target.isEmpty())
            return Fail(error, QStringLiteral("il foglio '%1' non ha contenuto nel file").arg(entry.name));
        Sheet sheet{entry.name, {}};
        ok = ReadPart(zip, PartPath(relation.target), limits, error, [&](QIODevice& xml, QString* why) {
            return ReadSheetXml(xml, shared, sheet, cells, why, limits);
        });
        if (!ok) return false;
        sheets << sheet;
    }
    return true;
}

// ---- the .xls reader's stream -------------------------------------------------
//
// A header "BXLS" and a version, then records: 'S' sheet name; 'R' row index
// and its cells (0 nothing, 1 integer, 2 number, 3 text, 4 date as the
// engine's serial, 5 true or false); 'X' a failure message; 'E' the end.
// Integers are big-endian, texts UTF-8 with their length.

XlsStreamWriter::XlsStreamWriter(QByteArray& out) : out_(out) { out_ += QByteArrayLiteral("BXLS\x01"); }

namespace {
void PutU32(QByteArray& out, quint32 v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}
void PutU64(QByteArray& out, quint64 v) {
    PutU32(out, quint32(v >> 32));
    PutU32(out, quint32(v));
}
}  // namespace

void XlsStreamWriter::Text(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    PutU32(out_, quint32(utf8.size()));
    out_ += utf8;
}

void XlsStreamWriter::Sheet(const QString& name) {
    out_ += 'S';
    Text(name);
}

void XlsStreamWriter::Row(quint32 index, const QVariantList& cells) {
    out_ += 'R';
    PutU32(out_, index);
    PutU32(out_, quint32(cells.size()));
    for (const QVariant& v : cells) {
        switch (v.typeId()) {
        case QMetaType::UnknownType: out_ += char(0); break;
        case QMetaType::Int:
        case QMetaType::LongLong:
            out_ += char(1);
            PutU64(out_, quint64(v.toLongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::QDateTime: {
            out_ += char(v.typeId() == QMetaType::Double ? 2 : 4);
            const double d = v.typeId() == QMetaType::Double ? v.toDouble() : Platform::DateToSerial(v.toDateTime());
            quint64 bits;
            std::memcpy(&bits, &d, sizeof bits);
            PutU64(out_, bits);
            break;
        }
        case QMetaType::Bool:
            out_ += char(5);
            out_ += char(v.toBool() ? 1 : 0);
            break;
        default:
            out_ += char(3);
            Text(v.toString());
        }
    }
}

void XlsStreamWriter::Fail(const QString& message) {
    out_ += 'X';
    Text(message);
}

void XlsStreamWriter::End() { out_ += 'E'; }

namespace {

// Reads the stream with every length checked against what is left.
class StreamReader {
public:
    explicit StreamReader(const QByteArray& data) : data_(data) {}
    bool AtEnd() const { return at_ >= data_.size(); }
    bool Byte(quint8& v) {
        if (data_.size() - at_ < 1) return false;
        v = quint8(data_[at_++]);
        return true;
    }
    bool U32(quint32& v) {
        if (data_.size() - at_ < 4) return false;
        const auto* p = reinterpret_cast<const uchar*>(data_.constData() + at_);
        v = quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
        at_ += 4;
        return true;
    }
    bool U64(quint64& v) {
        quint32 hi, lo;
        if (!U32(hi) || !U32(lo)) return false;
        v = quint64(hi) << 32 | lo;
        return true;
    }
    bool Text(QString& text) {
        quint32 n;
        if (!U32(n) || quint64(data_.size() - at_) < n) return false;
        text = QString::fromUtf8(data_.constData() + at_, qsizetype(n));
        at_ += n;
        return true;
    }
    bool Magic() {
        if (!data_.startsWith(QByteArrayLiteral("BXLS\x01"))) return false;
        at_ = 5;
        return true;
    }

private:
    const QByteArray& data_;
    qsizetype at_ = 0;
};

}  // namespace

bool ReadXlsStream(const QByteArray& stream, QList<Sheet>& sheets, QString* error, const Limits& limits) {
    StreamReader in(stream);
    const QString broken = QStringLiteral("risposta del lettore .xls non valida");
    if (!in.Magic()) return Fail(error, broken);
    qint64 cells = limits.cells;
    Sheet* sheet = nullptr;
    QStringList seen;
    for (;;) {
        quint8 kind;
        if (!in.Byte(kind)) return Fail(error, broken);
        if (kind == 'E') return true;
        if (kind == 'X') {
            QString message;
            return Fail(error, in.Text(message) ? message : broken);
        }
        if (kind == 'S') {
            QString name;
            if (!in.Text(name)) return Fail(error, broken);
            if (seen.contains(name, Qt::CaseInsensitive))
                return Fail(error, QStringLiteral("il nome del foglio '%1' è ripetuto").arg(name));
            seen << name;
            sheets.append(Sheet{name, {}});
            sheet = &sheets.last();
            continue;
        }
        if (kind != 'R' || !sheet) return Fail(error, broken);
        quint32 index, count;
        if (!in.U32(index) || !in.U32(count)) return Fail(error, broken);
        if (index < quint32(sheet->rows.size()) || index >= quint32(limits.rows) || count > quint32(limits.columns))
            return Fail(error, broken);
        if (!PadRows(*sheet, int(index), cells, error)) return false;
        if (qint64(count) + 1 > cells)
            return Fail(error, QStringLiteral("il foglio '%1' supera il limite delle celle leggibili").arg(sheet->name));
        cells -= qint64(count) + 1;
        QVariantList row;
        row.reserve(count);
        for (quint32 c = 0; c < count; ++c) {
            quint8 type;
            if (!in.Byte(type)) return Fail(error, broken);
            quint64 bits;
            QString text;
            switch (type) {
            case 0: row << QVariant(); break;
            case 1:
                if (!in.U64(bits)) return Fail(error, broken);
                row << QVariant(qint64(bits));
                break;
            case 2:
            case 4: {
                if (!in.U64(bits)) return Fail(error, broken);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                if (type == 2) row << QVariant(d);
                else if (Platform::IsDateSerial(d)) row << Platform::SerialToDate(d);
                else return Fail(error, broken);
                break;
            }
            case 5: {
                quint8 b;
                if (!in.Byte(b) || b > 1) return Fail(error, broken);
                row << QVariant(b == 1);
                break;
            }
            case 3:
                if (!in.Text(text)) return Fail(error, broken);
                row << text;
                break;
            default: return Fail(error, broken);
            }
        }
        sheet->rows << row;
    }
}

// ---- the records of an .xls workbook ------------------------------------------------
//
// The workbook is a stream of a compound file (a small file system of
// sectors chained through a table); its records are a type, a length and
// that many bytes. Every offset, length and chain read here comes from the
// file and is checked against what the file holds.

namespace {

quint8 U8(const QByteArray& b, qsizetype at) { return at >= 0 && at < b.size() ? quint8(b[at]) : 0; }
quint16 U16(const QByteArray& b, qsizetype at) {
    return at >= 0 && at + 2 <= b.size() ? quint16(quint8(b[at]) | quint8(b[at + 1]) << 8) : 0;
}
quint32 U32(const QByteArray& b, qsizetype at) { return U16(b, at) | quint32(U16(b, at + 2)) << 16; }

class CompoundFile {
public:
    explicit CompoundFile(const QByteArray& file) : file_(file) {}

    bool Open(QString* error) {
        if (!file_.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) || file_.size() < 512)
            return Fail(error, QStringLiteral("non è un file composto"));
        const quint16 shift = U16(file_, 0x1E);
        if (shift != 9 && shift != 12) return Fail(error, QStringLiteral("dimensione dei settori non valida"));
        sector_ = qsizetype(1) << shift;
        miniCutoff_ = U32(file_, 0x38);
        // The table of sectors, listed in the header and in its own chain.
        const qint64 sectors = (file_.size() + sector_ - 1) / sector_;
        QList<quint32> tableSectors;
        for (int i = 0; i < 109; ++i) tableSectors << U32(file_, 0x4C + 4 * i);
        quint32 next = U32(file_, 0x44);
        for (qint64 steps = 0; next < kMaxSector && steps <= sectors; ++steps) {
            const qsizetype at = Offset(next);
            if (at < 0) return Fail(error, QStringLiteral("tabella dei settori non valida"));
            for (qsizetype i = 0; i + 1 < sector_ / 4; ++i) tableSectors << U32(file_, at + 4 * i);
            next = U32(file_, at + sector_ - 4);
        }
        for (quint32 s : tableSectors) {
            if (s >= kMaxSector) continue;
            const qsizetype at = Offset(s);
            if (at < 0) return Fail(error, QStringLiteral("tabella dei settori non valida"));
            for (qsizetype i = 0; i < sector_ / 4; ++i) fat_ << U32(file_, at + 4 * i);
            if (fat_.size() > sectors + sector_) break;
        }
        QByteArray directory;
        if (!Chain(fat_, U32(file_, 0x30), -1, directory, false))
            return Fail(error, QStringLiteral("cartella del file composto non valida"));
        for (qsizetype at = 0; at + 128 <= directory.size(); at += 128) {
            const int length = qMin<int>(U16(directory, at + 0x40), 64);
            Entry e;
            for (int i = 0; i + 1 < length / 2; ++i) e.name += QChar(U16(directory, at + 2 * i));
            e.type = U8(directory, at + 0x42);
            e.start = U32(directory, at + 0x74);
            e.size = U32(directory, at + 0x78);
            entries_ << e;
        }
        if (entries_.isEmpty() || entries_[0].type != 5) return Fail(error, QStringLiteral("cartella del file composto non valida"));
        // The small streams live in one stream of the root's, through a table of their own.
        QByteArray miniTable;
        if (U32(file_, 0x3C) < kMaxSector && !Chain(fat_, U32(file_, 0x3C), -1, miniTable, false))
            return Fail(error, QStringLiteral("tabella dei settori piccoli non valida"));
        for (qsizetype at = 0; at + 4 <= miniTable.size(); at += 4) miniFat_ << U32(miniTable, at);
        if (!Chain(fat_, entries_[0].start, entries_[0].size, mini_, false))
            return Fail(error, QStringLiteral("flusso dei settori piccoli non valido"));
        return true;
    }

    bool Read(const QString& name, QByteArray& out) const {
        const int i = Find(name);
        if (i < 0) return false;
        const Entry& e = entries_[i];
        return e.size < miniCutoff_ ? Chain(miniFat_, e.start, e.size, out, true) : Chain(fat_, e.start, e.size, out, false);
    }

private:
    struct Entry {
        QString name;
        quint8 type;
        quint32 start, size;
    };
    static constexpr quint32 kMaxSector = 0xFFFFFFFA;

    int Find(const QString& name) const {
        for (int i = 0; i < entries_.size(); ++i)
            if (entries_[i].type == 2 && entries_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
    qsizetype Offset(quint32 sector) const {
        const qint64 at = (qint64(sector) + 1) * sector_;
        return at + sector_ <= file_.size() ? qsizetype(at) : -1;
    }
    // The bytes of a chain that starts at `first`; `size` -1 reads it whole.
    // A chain may not come back on itself nor run past the table.
    bool Chain(const QList<quint32>& table, quint32 first, qint64 size, QByteArray& out, bool mini) const {
        out.clear();
        const qsizetype unit = mini ? 64 : sector_;
        const QByteArray& source = mini ? mini_ : file_;
        if (size > source.size() + unit) return false;
        QList<bool> seen(table.size(), false);
        for (quint32 s = first; s < kMaxSector && (size < 0 || out.size() < size);) {
            if (s >= quint32(table.size()) || seen[s]) return false;
            seen[s] = true;
            const qint64 at = mini ? qint64(s) * unit : (qint64(s) + 1) * unit;
            if (at + unit > source.size()) {
                // A last sector cut short in its unused tail, as some writers
                // leave a file, still holds the rest of the stream.
                if (size < 0 || at >= source.size() || out.size() + (source.size() - at) < size) return false;
                out.append(source.constData() + at, source.size() - at);
                break;
            }
            out.append(source.constData() + at, unit);
            s = table[s];
        }
        if (size >= 0) {
            if (out.size() < size) return false;
            out.truncate(qsizetype(size));
        }
        return true;
    }

    const QByteArray& file_;
    qsizetype sector_ = 512;
    quint32 miniCutoff_ = 4096;
    QList<quint32> fat_, miniFat_;
    QList<Entry> entries_;
    QByteArray mini_;
};

// The records of a workbook stream, one at a time. A record that says it
// runs past the stream's end ends the walk there: nothing after it is read,
// and the stream is known to be cut short.
class Records {
public:
    explicit Records(const QByteArray& stream, qsizetype at = 0) : stream_(stream), at_(at) {}
    bool Next() {
        if (at_ + 4 > stream_.size()) return End(false);
        type_ = U16(stream_, at_);
        const quint16 length = U16(stream_, at_ + 2);
        if (at_ + 4 + length > stream_.size()) return End(true);
        data_ = stream_.mid(at_ + 4, length);
        at_ += 4 + length;
        return true;
    }
    // The type of the record after this one, 0 at the end.
    quint16 PeekType() const { return at_ + 4 <= stream_.size() ? U16(stream_, at_) : 0; }
    quint16 Type() const { return type_; }
    const QByteArray& Data() const { return data_; }
    bool CutShort() const { return cutShort_; }

private:
    bool End(bool cutShort) {
        at_ = stream_.size();
        cutShort_ = cutShort_ || cutShort;
        type_ = 0;
        data_.clear();
        return false;
    }
    const QByteArray& stream_;
    qsizetype at_;
    quint16 type_ = 0;
    QByteArray data_;
    bool cutShort_ = false;
};

// A text of Excel 97's records: its characters in one or two bytes each,
// after a flags byte; a run of formats or phonetic data may follow.
QString UnicodeText(const QByteArray& data, qsizetype at, qsizetype count) {
    const quint8 flags = U8(data, at);
    qsizetype from = at + 1;
    if (flags & 0x08) from += 2;  // the count of format runs
    if (flags & 0x04) from += 4;  // the size of the phonetic data
    QString text;
    if (flags & 0x01) {
        for (qsizetype i = 0; i < count && from + 2 * i + 2 <= data.size(); ++i) text += QChar(U16(data, from + 2 * i));
    } else {
        for (qsizetype i = 0; i < count && from + i < data.size(); ++i) text += QChar(quint8(data[from + i]));
    }
    return text;
}

// The texts of a workbook's records: in Excel 97 and later, Unicode; in
// Excel 5 and 95, bytes of the code page the workbook names.
class Texts {
public:
    bool biff8 = true;

    void SetCodePage(quint16 page) {
        page_ = page;
        // 367 is plain ASCII; 1252, and 32769 as Excel 5 wrote it, the
        // program's own table; the Macintosh's by name; others as ICU knows them.
        if (page == 32768 || page == 10000) decoder_ = QStringDecoder("macintosh");
        else if (page != 367 && page != 1252 && page != 32769 && page != 1200)
            decoder_ = QStringDecoder(("cp" + QByteArray::number(page)).constData());
        else decoder_ = QStringDecoder();
    }
    QString Bytes(QByteArrayView bytes) {
        if (page_ == 367) return QString::fromLatin1(bytes);
        if (!decoder_.isValid()) return Platform::DecodeWindows1252(bytes);
        QString text = decoder_.decode(bytes);
        decoder_.resetState();
        return text;
    }
    // A text whose count of characters, in `countBytes` bytes, stands at `at`.
    QString Counted(const QByteArray& data, qsizetype at, int countBytes) {
        const qsizetype count = countBytes == 1 ? U8(data, at) : U16(data, at);
        return biff8 ? UnicodeText(data, at + countBytes, count) : Bytes(data.mid(at + countBytes, count));
    }

private:
    quint16 page_ = 1252;
    QStringDecoder decoder_;
};

// The table of shared texts of Excel 97 (SST), read across the records that
// continue it. A text whose characters run into the next record goes on
// there after a flags byte of its own, which says whether they are in one
// byte or two; anything else runs on as it stands.
class SharedTexts {
public:
    explicit SharedTexts(const QList<QByteArray>& parts) : parts_(parts) {}

    bool Read(QStringList& texts, qint64 limit) {
        quint32 count;  // the texts kept, after the count of their uses
        if (!Skip(4) || !U32(count)) return false;
        for (quint32 i = 0; i < count; ++i) {
            if (texts.size() >= limit) return false;
            quint16 length;
            quint8 flags;
            if (!U16(length) || !Byte(flags)) return false;
            quint16 runs = 0;
            quint32 phonetic = 0;
            if ((flags & 0x08) && !U16(runs)) return false;
            if ((flags & 0x04) && !U32(phonetic)) return false;
            QString text;
            text.reserve(length);
            bool wide = flags & 0x01;
            while (text.size() < length) {
                if (at_ >= parts_[part_].size()) {
                    // The characters go on in the next record, after its flags byte.
                    quint8 more;
                    if (++part_ >= parts_.size()) return false;
                    at_ = 0;
                    if (!Byte(more)) return false;
                    wide = more & 0x01;
                    continue;
                }
                const QByteArray& p = parts_[part_];
                if (wide) {
                    if (at_ + 2 > p.size()) return false;
                    text += QChar(quint16(quint8(p[at_]) | quint8(p[at_ + 1]) << 8));
                    at_ += 2;
                } else {
                    text += QChar(quint8(p[at_++]));
                }
            }
            if (!Skip(4 * qint64(runs) + phonetic)) return false;
            texts << text;
        }
        return true;
    }

private:
    bool Byte(quint8& v) {
        while (part_ < parts_.size() && at_ >= parts_[part_].size()) {
            ++part_;
            at_ = 0;
        }
        if (part_ >= parts_.size()) return false;
        v = quint8(parts_[part_][at_++]);
        return true;
    }
    bool U16(quint16& v) {
        quint8 a, b;
        if (!Byte(a) || !Byte(b)) return false;
        v = quint16(a | b << 8);
        return true;
    }
    bool U32(quint32& v) {
        quint16 a, b;
        if (!U16(a) || !U16(b)) return false;
        v = a | quint32(b) << 16;
        return true;
    }
    bool Skip(qint64 n) {
        while (n > 0) {
            if (part_ >= parts_.size()) return false;
            const qint64 step = qMin<qint64>(n, parts_[part_].size() - at_);
            at_ += step;
            n -= step;
            if (n > 0) {
                ++part_;
                at_ = 0;
            }
        }
        return true;
    }
    const QList<QByteArray>& parts_;
    qsizetype part_ = 0, at_ = 0;
};

// The number an RK value packs: a whole number or the top of a double,
// either of them maybe a hundredth of what it says.
double RkNumber(quint32 rk) {
    double d;
    if (rk & 0x02) {
        d = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&d, &bits, sizeof d);
    }
    return rk & 0x01 ? d / 100 : d;
}

enum : quint16 {
    kFormula = 0x0006, kEof = 0x000A, kDateMode = 0x0022, kFilePass = 0x002F, kContinue = 0x003C,
    kCodePage = 0x0042, kBoundSheet = 0x0085, kMulRk = 0x00BD, kRString = 0x00D6, kXf = 0x00E0,
    kSst = 0x00FC, kLabelSst = 0x00FD, kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205,
    kString = 0x0207, kRk = 0x027E, kFormat = 0x041E, kBof = 0x0809, kSharedFormula = 0x04BC,
    kArray = 0x0221, kTable = 0x0236,
};

// Puts a value at its place in the sheet; the places made on the way, filled
// or not, are taken from the budget of cells.
bool PutCell(Sheet& sheet, quint32 row, quint32 column, const QVariant& value, qint64& cells, const Limits& limits,
             QString* error) {
    if (!value.isValid()) return true;
    if (column >= quint32(limits.columns))
        return Fail(error, QStringLiteral("il foglio '%1' non è leggibile: più di %2 colonne").arg(sheet.name).arg(limits.columns));
    if (row >= quint32(limits.rows)) return Fail(error, QStringLiteral("il foglio '%1' non è leggibile: troppe righe").arg(sheet.name));
    if (!PadRows(sheet, int(row) + 1, cells, error)) return false;
    QVariantList& cellsOfRow = sheet.rows[row];
    if (column >= quint32(cellsOfRow.size())) {
        const qint64 cost = qint64(column) + 1 - cellsOfRow.size();
        if (cost > cells) return Fail(error, QStringLiteral("il foglio '%1' supera il limite delle celle leggibili").arg(sheet.name));
        cells -= cost;
        while (cellsOfRow.size() <= qsizetype(column)) cellsOfRow << QVariant();
    }
    cellsOfRow[column] = value;
    return true;
}

}  // namespace

bool ReadXlsRecords(const QByteArray& file, XlsRecords& records, QString* error, const Limits& limits) {
    CompoundFile cf(file);
    if (!cf.Open(error)) return false;
    QByteArray stream;
    // Excel 97 and later call the stream "Workbook", Excel 5 and 95 "Book";
    // other writers spell them as they like.
    if (!cf.Read(QStringLiteral("Workbook"), stream) && !cf.Read(QStringLiteral("Book"), stream))
        return Fail(error, QStringLiteral("il file non contiene una cartella di lavoro"));

    Records globals(stream);
    if (!globals.Next() || globals.Type() != kBof) return Fail(error, QStringLiteral("inizio della cartella di lavoro non valido"));
    const quint16 version = U16(globals.Data(), 0);
    if (version != 0x0600 && version != 0x0500)
        return Fail(error, QStringLiteral("formato di Excel non previsto (versione %1)").arg(version, 4, 16, QLatin1Char('0')));
    Texts texts;
    texts.biff8 = version == 0x0600;
    QHash<int, QString> codes;
    QList<int> xfFormats;
    QList<quint32> offsets;
    int listed = 0;
    QStringList shared;
    while (globals.Next() && globals.Type() != kEof) {
        const QByteArray& d = globals.Data();
        switch (globals.Type()) {
        case kFilePass:
            // Everything after this record is encrypted.
            records.encrypted = true;
            return true;
        case kCodePage: texts.SetCodePage(U16(d, 0)); break;
        case kDateMode: records.from1904 = U16(d, 0) == 1; break;
        case kFormat: codes.insert(U16(d, 0), texts.Counted(d, 2, texts.biff8 ? 2 : 1)); break;
        case kXf:
            if (xfFormats.size() >= 100000) return Fail(error, QStringLiteral("troppi stili di cella"));
            xfFormats << U16(d, 2);
            break;
        case kBoundSheet: {
            if (++listed > 10000) return Fail(error, QStringLiteral("troppi fogli"));
            // Only worksheets hold a table; charts, macros and modules are passed over.
            if (U8(d, 5) != 0) break;
            records.sheets << Sheet{texts.Counted(d, 6, 1), {}};
            offsets << U32(d, 0);
            break;
        }
        case kSst: {
            QList<QByteArray> parts{d};
            qint64 bytes = d.size();
            while (globals.PeekType() == kContinue && globals.Next()) {
                parts << globals.Data();
                bytes += globals.Data().size();
            }
            // Each text takes three bytes at the least.
            if (!SharedTexts(parts).Read(shared, qMin(limits.cells, bytes / 3 + 1)))
                return Fail(error, QStringLiteral("tabella dei testi della cartella di lavoro non valida"));
            break;
        }
        default: break;
        }
    }
    if (globals.CutShort()) return Fail(error, QStringLiteral("la cartella di lavoro è troncata"));
    auto isDate = [&](quint16 xf) { return xf < xfFormats.size() && IsDateFormat(xfFormats[xf], codes.value(xfFormats[xf])); };
    auto number = [&](quint16 xf, double d) -> QVariant {
        if (!std::isfinite(d)) return {};
        return isDate(xf) ? CellDate(d, records.from1904) : QVariant(d);
    };
    // A whole number stays one, unless it stands for a date.
    auto rkValue = [&](quint16 xf, quint32 rk) -> QVariant {
        return (rk & 0x03) == 0x02 && !isDate(xf) ? QVariant(qint64(qint32(rk) >> 2)) : number(xf, RkNumber(rk));
    };

    qint64 cells = limits.cells;
    for (int s = 0; s < records.sheets.size(); ++s) {
        Sheet& sheet = records.sheets[s];
        const QString unreadable = QStringLiteral("il foglio '%1' non è leggibile").arg(sheet.name);
        Records r(stream, qsizetype(offsets[s]));
        if (offsets[s] >= quint32(stream.size()) || !r.Next() || r.Type() != kBof) return Fail(error, unreadable);
        // Charts drawn on the sheet are streams of their own within it, each
        // from its beginning to its end.
        int depth = 1;
        while (depth > 0 && r.Next()) {
            const QByteArray& d = r.Data();
            const quint16 row = U16(d, 0), column = U16(d, 2), xf = U16(d, 4);
            QVariant value;
            switch (r.Type()) {
            case kBof: ++depth; continue;
            case kEof: --depth; continue;
            default:
                if (depth > 1) continue;
            }
            switch (r.Type()) {
            case kNumber: {
                if (d.size() < 14) return Fail(error, unreadable);
                double n;
                std::memcpy(&n, d.constData() + 6, sizeof n);
                value = number(xf, n);
                break;
            }
            case kRk: {
                if (d.size() < 10) return Fail(error, unreadable);
                value = rkValue(xf, U32(d, 6));
                break;
            }
            case kMulRk:
                for (qsizetype i = 0, n = qMax<qsizetype>(0, (d.size() - 6) / 6); i < n; ++i) {
                    const QVariant v = rkValue(U16(d, 4 + 6 * i), U32(d, 6 + 6 * i));
                    if (!PutCell(sheet, row, quint32(column) + quint32(i), v, cells, limits, error)) return false;
                }
                continue;
            case kLabel:
            case kRString: {
                const QString text = texts.Counted(d, 6, 2);
                if (!text.isEmpty()) value = text;
                break;
            }
            case kLabelSst: {
                const quint32 index = U32(d, 6);
                if (d.size() < 10 || index >= quint32(shared.size())) return Fail(error, unreadable);
                if (!shared[index].isEmpty()) value = shared[index];
                break;
            }
            case kBoolErr:
                // An error reads as no value.
                if (d.size() < 8) return Fail(error, unreadable);
                if (U8(d, 7) == 0) value = U8(d, 6) != 0;
                break;
            case kFormula: {
                const QByteArray result = d.mid(6, 8);
                if (result.size() < 8) return Fail(error, unreadable);
                if (U16(result, 6) != 0xFFFF) {
                    double n;
                    std::memcpy(&n, result.constData(), sizeof n);
                    value = number(xf, n);
                } else if (quint8(result[0]) == 1) {
                    value = quint8(result[2]) != 0;
                } else if (quint8(result[0]) == 0) {
                    // A text result follows in a record of its own, after those of a
                    // formula shared by several cells, and is continued in more
                    // records when long, each going on with a flags byte.
                    while (r.PeekType() == kSharedFormula || r.PeekType() == kArray || r.PeekType() == kTable) r.Next();
                    if (r.PeekType() != kString || !r.Next()) break;
                    const QByteArray& record = r.Data();
                    const qsizetype count = U16(record, 0);
                    QString text = texts.Counted(record, 0, 2);
                    while (texts.biff8 && text.size() < count && r.PeekType() == kContinue && r.Next())
                        text += UnicodeText(r.Data(), 0, count - text.size());
                    if (!text.isEmpty()) value = text;
                }
                // An error or an empty text reads as no value.
                break;
            }
            default: continue;
            }
            if (!PutCell(sheet, row, column, value, cells, limits, error)) return false;
        }
        if (r.CutShort()) return Fail(error, unreadable + QStringLiteral(": il foglio è troncato"));
        // Rows without a value at the end of a sheet are no rows of its table.
        while (!sheet.rows.isEmpty() && sheet.rows.last().isEmpty()) sheet.rows.removeLast();
    }
    return true;
}

QString XlsReaderProgram() { return Reader::Program(QStringLiteral("brivalto-xlsread")); }

void SetXlsReaderProgram(const QString& program) { Reader::SetProgram(QStringLiteral("brivalto-xlsread"), program); }

}  // namespace Workbook

namespace {

// An .xls file is read by a program of its own: whatever its library does
// with a damaged file happens there.
bool ReadXls(const QString& file, QList<Sheet>& sheets, QString* error, const Workbook::Limits& limits) {
    QByteArray output;
    int status = 0;
    if (!Reader::Run(Workbook::XlsReaderProgram(), {file, QString::number(limits.cells), QString::number(limits.seconds)},
                     QStringLiteral(".xls"), limits.seconds, limits.partBytes * 4, output, status, error))
        return false;
    QString why;
    if (!Workbook::ReadXlsStream(output, sheets, &why, limits) || status != 0)
        return Workbook::Fail(error, why.isEmpty() ? QStringLiteral("il file non è leggibile") : why);
    return true;
}

}  // namespace

bool ReadWorkbook(const QString& file, QList<Sheet>& sheets, QString* error) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return Workbook::Fail(error, "cannot read " + file);
    const QByteArray magic = f.read(8);
    // The content tells the kind, whatever the name says.
    bool ok;
    if (magic.startsWith("PK")) {
        ok = Workbook::ReadXlsx(f, sheets, error);
    } else {
        f.close();
        if (!magic.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")))
            return Workbook::Fail(error, QStringLiteral("non è una cartella di lavoro di Excel"));
        ok = ReadXls(file, sheets, error, {});
    }
    if (!ok) return false;
    // A workbook with nothing to read is said to be so, never an empty list of tables.
    for (const Sheet& sheet : sheets)
        if (!sheet.rows.isEmpty()) return true;
    return Workbook::Fail(error, QStringLiteral("nessun foglio contiene dati"));
}

}  // namespace ADODB
