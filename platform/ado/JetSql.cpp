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

}  // namespace

int QuotedEnd(const QString& s, int open, QChar quote) {
    for (int j = open + 1; j < s.size(); ++j) {
        if (s[j] != quote) continue;
        if (j + 1 < s.size() && s[j + 1] == quote) {
            ++j;
            continue;
        }
        return j;
    }
    return -1;
}

[[noreturn]] void Refuse(const QString& kind, const QString& expression) {
    throw JetSyntaxError{QStringLiteral("Errore di sintassi") + kind + QStringLiteral(" nell'espressione della query '") +
                         expression + QStringLiteral("'.")};
}

// A Jet date literal (#mm/dd/yyyy hh.nn.ss#, also with ':' and without time);
// a date or time that cannot be is refused, never moved to another day or to
// midnight.
QDateTime JetDateLiteral(const QString& body) {
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
        Refuse(QStringLiteral(" nella data"), '#' + body + '#');
    }
    const QDate date(y, mo, d);
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid() || y < 100) Refuse(QStringLiteral(" nella data"), '#' + body + '#');
    return QDateTime(date, time);
}

namespace {

// The number the engine stores for a date literal.
QString DateLiteral(const QString& body) {
    return QString::number(Platform::DateToSerial(JetDateLiteral(body)), 'g', 17);
}

// Lexical pass: names, literals and operators.
QString Lexical(const QString& s) {
    QString out;
    out.reserve(s.size() + 16);
    for (int i = 0; i < s.size();) {
        QChar c = s[i];
        if (c == '\'' || c == '"') {
            // Jet reads text between double quotes as a literal too.
            const int j = QuotedEnd(s, i, c);
            if (j < 0) Refuse(QStringLiteral(" nella stringa"), s.mid(i));
            QString body = s.mid(i + 1, j - i - 1);
            if (c == '"') body.replace(QStringLiteral("\"\""), QStringLiteral("\"")).replace('\'', QStringLiteral("''"));
            out += '\'' + body + '\'';
            i = j + 1;
        } else if (c == '[') {
            int j = s.indexOf(']', i + 1);
            if (j < 0) Refuse(QString(), s.mid(i));
            out += "\"" + s.mid(i + 1, j - i - 1).replace('"', QStringLiteral("\"\"")) + "\"";
            i = j + 1;
        } else if (c == '#') {
            int j = s.indexOf('#', i + 1);
            if (j < 0) Refuse(QStringLiteral(" nella data"), s.mid(i));
            out += DateLiteral(s.mid(i + 1, j - i - 1));
            i = j + 1;
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

// ---- TOP ---------------------------------------------------------------
// Jet's "SELECT TOP n" limits its own SELECT, wherever that stands: alone,
// in a subquery, or as one member of a UNION. The engine's LIMIT belongs at
// the end of a whole statement, so members and subqueries are rewritten
// each on its own.

struct Token {
    enum Kind { Space, Word, Literal, Open, Close, Other } kind;
    QString text;
};

std::vector<Token> Tokens(const QString& s) {
    std::vector<Token> out;
    for (int i = 0; i < s.size();) {
        const QChar c = s[i];
        int j = i + 1;
        Token::Kind kind = Token::Other;
        if (c.isSpace()) {
            while (j < s.size() && s[j].isSpace()) ++j;
            kind = Token::Space;
        } else if (c == '\'' || c == '"') {
            j = QuotedEnd(s, i, c);
            j = j < 0 ? int(s.size()) : j + 1;
            kind = Token::Literal;
        } else if (IsWordChar(c)) {
            while (j < s.size() && (IsWordChar(s[j]) || s[j] == '.')) ++j;
            kind = Token::Word;
        } else if (c == '(') {
            kind = Token::Open;
        } else if (c == ')') {
            kind = Token::Close;
        }
        out.push_back({kind, s.mid(i, j - i)});
        i = j;
    }
    return out;
}

bool IsWord(const Token& t, const char* upper) {
    return t.kind == Token::Word && t.text.compare(QLatin1String(upper), Qt::CaseInsensitive) == 0;
}

class TopRewriter {
public:
    explicit TopRewriter(const QString& sql) : t_(Tokens(sql)), sql_(sql) {}
    QString Run() { return Statement(0, int(t_.size())); }

private:
    // The matching close of the open at `i`, or `end` when there is none.
    int Match(int i, int end) const {
        int depth = 0;
        for (int k = i; k < end; ++k) {
            if (t_[k].kind == Token::Open) ++depth;
            if (t_[k].kind == Token::Close && --depth == 0) return k;
        }
        return end;
    }

    int NextSolid(int i, int end) const {
        while (i < end && t_[i].kind == Token::Space) ++i;
        return i;
    }

    // Tokens as they are, subqueries rewritten.
    QString Plain(int begin, int end) {
        QString out;
        for (int i = begin; i < end; ++i) {
            if (t_[i].kind == Token::Open) {
                const int close = Match(i, end);
                out += '(' + Statement(i + 1, close) + (close < end ? QStringLiteral(")") : QString());
                i = close;
                continue;
            }
            out += t_[i].text;
        }
        return out;
    }

    // A statement or a subquery: members of a compound, each with its TOP.
    QString Statement(int begin, int end) {
        std::vector<std::pair<int, int>> members;
        std::vector<int> operators;
        int start = begin;
        for (int i = begin; i < end; ++i) {
            if (t_[i].kind == Token::Open) {
                i = Match(i, end);
                continue;
            }
            if (IsWord(t_[i], "UNION") || IsWord(t_[i], "INTERSECT") || IsWord(t_[i], "EXCEPT")) {
                members.push_back({start, i});
                operators.push_back(i);
                start = i + 1;
            }
        }
        members.push_back({start, end});
        QString out;
        for (size_t m = 0; m < members.size(); ++m) {
            if (m > 0) out += t_[operators[m - 1]].text;
            out += Member(members[m].first, members[m].second, members.size() > 1, m + 1 == members.size());
        }
        return out;
    }

    QString Member(int begin, int end, bool compound, bool last) {
        // Leading blanks and the ALL of "UNION ALL" stay in front.
        int i = NextSolid(begin, end);
        if (i < end && IsWord(t_[i], "ALL")) i = NextSolid(i + 1, end);
        if (i >= end || !IsWord(t_[i], "SELECT")) return Plain(begin, end);
        const QString lead = Plain(begin, i);
        int k = NextSolid(i + 1, end);
        QString distinct;
        if (k < end && (IsWord(t_[k], "DISTINCT") || IsWord(t_[k], "DISTINCTROW"))) {
            distinct = QStringLiteral("DISTINCT ");
            k = NextSolid(k + 1, end);
        }
        if (k >= end || !IsWord(t_[k], "TOP")) return Plain(begin, end);
        const int n = NextSolid(k + 1, end);
        bool number = false;
        if (n < end) t_[n].text.toLongLong(&number);
        if (!number) Refuse(QString(), sql_);
        int rest = NextSolid(n + 1, end);
        const bool percent = rest < end && IsWord(t_[rest], "PERCENT");
        if (percent) rest = NextSolid(rest + 1, end);

        // The ORDER BY closing the last member of a compound sorts the whole.
        int bodyEnd = end;
        if (compound && last) {
            for (int j = rest; j < end; ++j) {
                if (t_[j].kind == Token::Open) {
                    j = Match(j, end);
                    continue;
                }
                if (IsWord(t_[j], "ORDER")) {
                    bodyEnd = j;
                    break;
                }
            }
        }
        QString body = QStringLiteral("SELECT ") + distinct + Plain(rest, bodyEnd);
        while (body.endsWith(' ')) body.chop(1);
        QString limit = t_[n].text;
        if (percent) {
            // The same rows are counted first: a bound parameter would have
            // to be given twice, which the caller's list cannot do.
            for (int j = rest; j < end; ++j)
                if (t_[j].kind == Token::Other && t_[j].text == QLatin1String("?"))
                    Refuse(QStringLiteral(" (TOP PERCENT con parametri)"), sql_);
            limit = QStringLiteral("(SELECT (COUNT(*)*") + t_[n].text + QStringLiteral("+99)/100 FROM (") + body +
                    QStringLiteral("))");
        }
        QString out = body + QStringLiteral(" LIMIT ") + limit;
        if (compound) out = QStringLiteral("SELECT * FROM (") + out + QStringLiteral(")");
        if (bodyEnd < end) out += ' ' + Plain(bodyEnd, end);
        return lead + out;
    }

    std::vector<Token> t_;
    QString sql_;
};

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
        for (const QString& t : YesNoTriggers(bare, QString(m.captured(1)).remove('"')))
            out << QString(t).insert(int(qstrlen("CREATE TRIGGER ")), "IF NOT EXISTS ");
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
    // Only a statement that names TOP somewhere is taken apart.
    static const QRegularExpression anyTop(QStringLiteral("\\bTOP\\b"), QRegularExpression::CaseInsensitiveOption);
    if (sql.contains(anyTop)) return TopRewriter(sql).Run();
    return sql;
}

QStringList YesNoTriggers(const QString& table, const QString& column) {
    const QString fix = "UPDATE \"" + table + "\" SET \"" + column + "\"=-1 WHERE rowid=new.rowid AND \"" + column +
                        "\" IS NOT NULL AND \"" + column + "\"<>0 AND \"" + column + "\"<>-1; END";
    return {"CREATE TRIGGER \"" + table + "_" + column + "_ins\" AFTER INSERT ON \"" + table + "\" BEGIN " + fix,
            "CREATE TRIGGER \"" + table + "_" + column + "_upd\" AFTER UPDATE OF \"" + column + "\" ON \"" + table +
                "\" BEGIN " + fix};
}

}  // namespace ADODB
