// The Jet dialect the program's SQL is written in, turned into SQLite's:
// [names], #dates#, "&" joins, True/False, TOP n, and the DDL the schema
// upgrade uses (Jet types, several columns in one ADD, primary keys that
// the delivered file does not have).
#include "ADODB.h"

#include "Values.h"

#include <QRegularExpression>

namespace ADODB {

namespace {

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == '_'; }

// A Jet date literal (#mm/dd/yyyy hh.nn.ss#, also with ':' and without time)
// as the number the engine stores.
QString DateLiteral(const QString& body) {
    static const QRegularExpression re(
        R"(^\s*(\d{1,2})[/\-](\d{1,2})[/\-](\d{2,4})(?:\s+(\d{1,2})[.:](\d{1,2})(?:[.:](\d{1,2}))?)?\s*$)");
    static const QRegularExpression iso(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:\s+(\d{1,2})[.:](\d{1,2})(?:[.:](\d{1,2}))?)?\s*$)");
    auto m = re.match(body);
    int y, mo, d;
    if (m.hasMatch()) {
        mo = m.captured(1).toInt();
        d = m.captured(2).toInt();
        y = m.captured(3).toInt();
        if (m.captured(3).size() <= 2) y += y < 30 ? 2000 : 1900;
    } else if ((m = iso.match(body)).hasMatch()) {
        y = m.captured(1).toInt();
        mo = m.captured(2).toInt();
        d = m.captured(3).toInt();
    } else {
        return QString();
    }
    QDateTime t(QDate(y, mo, d), QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
    if (!t.isValid()) return QString();
    return QString::number(Platform::DateToSerial(t), 'g', 17);
}

// Lexical pass: names, literals and operators.
QString Lexical(const QString& s) {
    QString out;
    out.reserve(s.size() + 16);
    for (int i = 0; i < s.size();) {
        QChar c = s[i];
        if (c == '\'') {
            int j = i + 1;
            QString lit = "'";
            while (j < s.size()) {
                if (s[j] == '\'') {
                    if (j + 1 < s.size() && s[j + 1] == '\'') {
                        lit += "''";
                        j += 2;
                        continue;
                    }
                    break;
                }
                lit += s[j++];
            }
            out += lit + "'";
            i = j + 1;
        } else if (c == '"') {
            // Jet reads double quotes as a text literal.
            int j = s.indexOf('"', i + 1);
            if (j < 0) j = s.size();
            QString body = s.mid(i + 1, j - i - 1);
            out += "'" + body.replace("'", "''") + "'";
            i = j + 1;
        } else if (c == '[') {
            int j = s.indexOf(']', i + 1);
            if (j < 0) j = s.size();
            out += "\"" + s.mid(i + 1, j - i - 1) + "\"";
            i = j + 1;
        } else if (c == '#') {
            int j = s.indexOf('#', i + 1);
            QString serial = j > i ? DateLiteral(s.mid(i + 1, j - i - 1)) : QString();
            if (serial.isEmpty()) {
                out += c;
                ++i;
            } else {
                out += serial;
                i = j + 1;
            }
        } else if (c == '&') {
            out += "||";
            ++i;
        } else if (c.isLetter() || c == '_') {
            int j = i;
            while (j < s.size() && IsWordChar(s[j])) ++j;
            QString word = s.mid(i, j - i);
            QString upper = word.toUpper();
            int k = j;
            while (k < s.size() && s[k] == ' ') ++k;
            if (upper == "TRUE") out += "-1";
            // ISNULL is an operator word to the engine: the function has a name of its own.
            else if (upper == "ISNULL" && k < s.size() && s[k] == '(') out += "JETISNULL";
            else if (upper == "FALSE") out += "0";
            else out += word;
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// Splits at commas outside parentheses and quotes.
QStringList SplitTopLevel(const QString& s) {
    QStringList parts;
    int depth = 0;
    bool quote = false;
    QString cur;
    for (QChar c : s) {
        if (c == '\'') quote = !quote;
        if (!quote && c == '(') ++depth;
        if (!quote && c == ')') --depth;
        if (!quote && depth == 0 && c == ',') {
            parts << cur.trimmed();
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.trimmed().isEmpty()) parts << cur.trimmed();
    return parts;
}

// One column definition in Jet terms to SQLite's, keeping the declared
// width readable and enforced.
QString ColumnDef(const QString& def) {
    static const QRegularExpression re(R"(^("[^"]+"|\w+)\s+(\w+)(?:\s*\(\s*(\d+)\s*\))?\s*(.*)$)",
                                       QRegularExpression::CaseInsensitiveOption);
    auto m = re.match(def);
    if (!m.hasMatch()) return def;
    QString name = m.captured(1), type = m.captured(2).toUpper(), rest = m.captured(4).trimmed();
    int width = m.captured(3).toInt();
    QString quoted = name.startsWith('"') ? name : "\"" + name + "\"";
    QString out;
    if (type == "LONG" || type == "INTEGER" || type == "INT" || type == "SHORT" || type == "SMALLINT" || type == "BYTE")
        out = quoted + " INTEGER";
    else if (type == "COUNTER" || type == "AUTOINCREMENT")
        out = quoted + " INTEGER";
    else if (type == "BIT" || type == "YESNO" || type == "LOGICAL")
        out = quoted + " BIT";
    else if (type == "DATETIME" || type == "DATE" || type == "TIME")
        out = quoted + " DATETIME";
    else if (type == "DOUBLE" || type == "FLOAT" || type == "SINGLE" || type == "REAL" || type == "CURRENCY" ||
             type == "NUMERIC" || type == "DECIMAL")
        out = quoted + " DOUBLE";
    else if (type == "MEMO" || type == "LONGTEXT" || (type == "TEXT" && width == 0))
        out = quoted + " TEXT COLLATE JETNOCASE";
    else if (type == "TEXT" || type == "VARCHAR" || type == "CHAR" || type == "NVARCHAR")
        out = quoted + " VARCHAR(" + QString::number(width ? width : 255) + ") COLLATE JETNOCASE CHECK(length(" +
              quoted + ")<=" + QString::number(width ? width : 255) + ")";
    else
        out = quoted + " " + type + (width ? "(" + QString::number(width) + ")" : QString());
    if (!rest.isEmpty()) out += " " + rest;
    return out;
}

// Jet keeps any true value of a Yes/No column as -1; the program's SQL compares with -1.
QStringList BitTriggers(const QString& table, const QStringList& defs) {
    static const QRegularExpression bit(R"(^("[^"]+"|\w+)\s+(BIT|YESNO|LOGICAL)\b)", QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    QString bare = QString(table).remove('"');
    for (const QString& d : defs) {
        auto m = bit.match(d);
        if (!m.hasMatch()) continue;
        QString col = QString(m.captured(1)).remove('"');
        QString fix = "UPDATE \"" + bare + "\" SET \"" + col + "\"=-1 WHERE rowid=new.rowid AND \"" + col +
                      "\" IS NOT NULL AND \"" + col + "\"<>0 AND \"" + col + "\"<>-1; END";
        out << "CREATE TRIGGER IF NOT EXISTS \"" + bare + "_" + col + "_ins\" AFTER INSERT ON \"" + bare + "\" BEGIN " + fix;
        out << "CREATE TRIGGER IF NOT EXISTS \"" + bare + "_" + col + "_upd\" AFTER UPDATE OF \"" + col + "\" ON \"" + bare +
                   "\" BEGIN " + fix;
    }
    return out;
}

}  // namespace

QString TranslateJetSql(const QString& jetSql) {
    QString sql = Lexical(jetSql.trimmed());
    while (sql.endsWith(';')) sql.chop(1);

    static const QRegularExpression createTable(R"(^CREATE\s+TABLE\s+("[^"]+"|\w+)\s*\((.*)\)\s*$)",
                                                QRegularExpression::CaseInsensitiveOption |
                                                    QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression alterAdd(R"(^ALTER\s+TABLE\s+("[^"]+"|\w+)\s+ADD\s+(?:COLUMN\s+)?(.*)$)",
                                             QRegularExpression::CaseInsensitiveOption |
                                                 QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression dropConstraint(R"(^ALTER\s+TABLE\s+("[^"]+"|\w+)\s+DROP\s+CONSTRAINT\s+(\w+)$)",
                                                   QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression alterColumn(R"(^ALTER\s+TABLE\s+("[^"]+"|\w+)\s+ALTER\s+COLUMN\s+.*$)",
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression top(R"(^SELECT\s+(DISTINCT\s+)?TOP\s+(\d+)\s+(.*)$)",
                                        QRegularExpression::CaseInsensitiveOption |
                                            QRegularExpression::DotMatchesEverythingOption);

    QRegularExpressionMatch m;
    if ((m = createTable.match(sql)).hasMatch()) {
        QStringList defs;
        const QStringList jetDefs = SplitTopLevel(m.captured(2));
        for (const QString& d : jetDefs) defs << ColumnDef(d);
        QStringList statements{"CREATE TABLE " + m.captured(1) + " (" + defs.join(", ") + ")"};
        statements << BitTriggers(m.captured(1), jetDefs);
        return statements.join(";\n");
    }
    if ((m = alterAdd.match(sql)).hasMatch() && !m.captured(2).trimmed().startsWith("CONSTRAINT", Qt::CaseInsensitive)) {
        QStringList statements;
        const QStringList jetDefs = SplitTopLevel(m.captured(2));
        for (const QString& d : jetDefs) statements << "ALTER TABLE " + m.captured(1) + " ADD COLUMN " + ColumnDef(d);
        statements << BitTriggers(m.captured(1), jetDefs);
        return statements.join(";\n");
    }
    if ((m = dropConstraint.match(sql)).hasMatch()) {
        // The delivered tables carry no primary key; a named index goes.
        QString table = m.captured(1);
        table.remove('"');
        return "DROP INDEX IF EXISTS \"" + table + "_" + m.captured(2) + "\"";
    }
    if (alterColumn.match(sql).hasMatch()) {
        // Column types are the values' own in this engine: nothing to change.
        return "SELECT 1 WHERE 0";
    }
    if ((m = top.match(sql)).hasMatch()) {
        return "SELECT " + m.captured(1) + m.captured(3) + " LIMIT " + m.captured(2);
    }
    return sql;
}

}  // namespace ADODB
