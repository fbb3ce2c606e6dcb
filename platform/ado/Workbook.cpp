#include "Workbook.h"

#include "ReaderProcess.h"
#include "Runtime.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

QVariant CellValue(const QString& type, const QString& v, const QString& inlineText, const QStringList& strings) {
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = v.toInt(&ok);
        return ok && index >= 0 && index < strings.size() ? QVariant(strings[index]) : QVariant();
    }
    if (type == QLatin1String("inlineStr")) return inlineText.isEmpty() ? QVariant() : QVariant(inlineText);
    if (type == QLatin1String("str")) return v.isEmpty() ? QVariant() : QVariant(v);
    if (type == QLatin1String("b")) return v.isEmpty() ? QVariant() : QVariant(v.trimmed() == QLatin1String("1"));
    if (type == QLatin1String("e") || v.isEmpty()) return QVariant();  // an error value reads as no value
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? QVariant(d) : QVariant(v);
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
                if (!phonetic) current += text;
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
bool ReadSheetXml(QIODevice& xml, const QStringList& strings, Sheet& sheet, qint64& cells, QString* error,
                  const Limits& limits) {
    enum State { Outside, Data, Row, Cell, Inline };
    State state = Outside;
    QXmlStreamReader reader(&xml);
    int depth = 0, phonetic = 0;
    int rowNumber = 0;   // 1-based number of the current row
    int column = -1;     // 0-based column of the current cell
    QVariantList row;
    QString type, value, inlineText;
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
                if (!phonetic) inlineText += text;
            }
        } else if (reader.isEndElement()) {
            if (state == Inline && IsName(reader, "rPh")) {
                --phonetic;
            } else if (state == Inline && IsName(reader, "is")) {
                state = Cell;
            } else if (state == Cell && IsName(reader, "c")) {
                const QVariant v = CellValue(type, value, inlineText, strings);
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
    bool ok = ReadPart(zip, QStringLiteral("xl/workbook.xml"), limits, error, [&](QIODevice& xml, QString* why) {
        QXmlStreamReader reader(&xml);
        int depth = 0;
        while (!reader.atEnd()) {
            if (!Next(reader, depth, limits, why)) return false;
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

    QStringList strings;
    ok = ReadPart(
        zip, QStringLiteral("xl/sharedStrings.xml"), limits, error,
        [&](QIODevice& xml, QString* why) { return ReadSharedStrings(xml, strings, why, limits); }, false);
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
            return ReadSheetXml(xml, strings, sheet, cells, why, limits);
        });
        if (!ok) return false;
        sheets << sheet;
    }
    return true;
}

// ---- the .xls reader's stream -------------------------------------------------
//
// A header "BXLS" and a version, then records: 'S' sheet name; 'R' row index
// and its cells (0 nothing, 1 integer, 2 number, 3 text); 'X' a failure
// message; 'E' the end. Integers are big-endian, texts UTF-8 with their length.

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
        case QMetaType::Double: {
            out_ += char(2);
            const double d = v.toDouble();
            quint64 bits;
            std::memcpy(&bits, &d, sizeof bits);
            PutU64(out_, bits);
            break;
        }
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
            case 2: {
                if (!in.U64(bits)) return Fail(error, broken);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                row << QVariant(d);
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
    if (magic.startsWith("PK")) return Workbook::ReadXlsx(f, sheets, error);
    f.close();
    if (!magic.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")))
        return Workbook::Fail(error, QStringLiteral("non è una cartella di lavoro di Excel"));
    return ReadXls(file, sheets, error, {});
}

}  // namespace ADODB
