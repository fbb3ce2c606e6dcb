#include "SQLParser.h"

#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "Runtime.h"
#include "Values.h"

#include <cmath>

namespace SQLParser {

std::int32_t DbTypeOfProvider(const QString& provider) {
    if (provider.contains("SQLOLEDB", Qt::CaseInsensitive)) return 2;
    if (provider.contains("ORACLE", Qt::CaseInsensitive)) return 3;
    if (provider.contains("JET", Qt::CaseInsensitive)) return 1;
    return 0;
}

std::int32_t GetDbType(ADODB::Connection& cn) {
    Global::gDbType = DbTypeOfProvider(cn.Provider());
    return Global::gDbType;
}

QString NumToSql(const QString& number) {
    QString out;
    for (QChar c : number) {
        if (c == '.') continue;
        out += c == ',' ? QChar('.') : c;
    }
    return out;
}

namespace {

bool IsNameEnd(QChar c) { return c == ' ' || c == '(' || c == ')' || c == '<' || c == '>' || c == '='; }

QDateTime ToDate(const QString& value) {
    QDateTime d = Platform::CDate(value.trimmed());
    if (!d.isValid()) Platform::Err().Raise(13, QStringLiteral("Tipo non corrispondente"));
    return d;
}

QString Serial(const QDateTime& d) {
    // Enough digits for the second, with a decimal point.
    QString s = QString::number(Platform::DateToSerial(d), 'f', 10);
    while (s.contains('.') && (s.endsWith('0'))) s.chop(1);
    if (s.endsWith('.')) s.chop(1);
    return s;
}

QString SyntaxError(const QString& message) {
    Platform::MsgBox(message, Platform::vbOKOnly);
    return QString();
}

}  // namespace

QString ParseSQLFor(const QString& input, std::int32_t dbType) {
    QString text = input;
    int p = 0;
    for (;;) {
        int at = text.indexOf('@', p);
        if (at < 0) return text;
        int end = at + 1;
        while (end < text.size() && !IsNameEnd(text[end])) ++end;
        const QString name = text.mid(at, end - at).toUpper();
        static const QStringList known = {"@TRUE", "@FALSE", "@DATE", "@DATEINT", "@DATEVAL", "@INTDATE", "@ISNULL", "@ASC"};
        if (!known.contains(name)) {
            p = at + 1;
            continue;
        }
        const bool translate = dbType == 1 || dbType == 2;
        if (name == "@TRUE" || name == "@FALSE") {
            if (translate) {
                QString out = name == "@FALSE" ? "0" : dbType == 1 ? "-1" : "1";
                text.replace(at, end - at, out);
            }
            p = at + 1;
            continue;
        }
        int open = end;
        while (open < text.size() && text[open] == ' ') ++open;
        if (open >= text.size() || text[open] != '(')
            return SyntaxError("Errore di sintassi nella query. Il simbolo " + name + " non ha delimitatore di apertura '('");
        QString output;
        int close;
        if (name == "@DATE" || name == "@DATEINT") {
            int i = open + 1;
            while (i < text.size() && !QString("=<>").contains(text[i])) {
                if (text[i] == ')')
                    return SyntaxError("Errore: trovata la fine simbolo ')' prima dell'espressione di comparazione nella query: " + text);
                ++i;
            }
            if (i >= text.size())
                return SyntaxError("Errore: trovata la fine simbolo ')' prima dell'espressione di comparazione nella query: " + text);
            const QString field = text.mid(open + 1, i - open - 1).trimmed().toUpper();
            int j = i;
            while (j < text.size() && QString("=<>").contains(text[j])) ++j;
            const QString op = text.mid(i, j - i);
            if (j >= text.size() - 1)
                return SyntaxError("Errore: non trovata l'espressione di comparazione nel simbolo " + name + " nella query: " + text);
            if (text[j] == ')')
                return SyntaxError("Errore: trovata la fine simbolo ')' prima dell'espressione di comparazione nella query: " + text);
            close = text.indexOf(')', j);
            if (close < 0) return SyntaxError("Errore: non trovata la chiusura ')' del simbolo " + name + " nella query: " + text);
            if (translate) {
                const QDateTime d = ToDate(text.mid(j, close - j));
                if (name == "@DATE") {
                    output = dbType == 1 ? field + op + NumToSql(Serial(d).replace('.', ','))
                                         : field + op + "'" + Platform::Format(d, "yyyymmdd hh") + ":" +
                                               Platform::Format(d, "nn") + ":" + Platform::Format(d, "ss") + "'";
                } else {
                    output = dbType == 1 ? "int(" + field + ")" + op + QString::number(qint64(std::floor(Platform::DateToSerial(d))))
                                         : "CONVERT(varchar," + field + ",112)" + op + "'" + Platform::Format(d, "yyyymmdd") + "'";
                }
            }
        } else {
            close = text.indexOf(')', open + 1);
            if (close < 0) return SyntaxError("Errore: non trovata la chiusura ')' del simbolo " + name + " nella query: " + text);
            const QString arg = text.mid(open + 1, close - open - 1);
            if (translate) {
                if (name == "@DATEVAL") {
                    const QDateTime d = ToDate(arg);
                    const double serial = Platform::DateToSerial(d);
                    output = dbType == 1 ? (serial > 0 ? " " : "") + Serial(d)
                                         : "'" + Platform::Format(d, "yyyymmdd hh\\:nn\\:ss") + "'";
                } else if (name == "@INTDATE") {
                    output = dbType == 1 ? "INT(" + arg + ")" : "CONVERT(datetime,CONVERT(varchar," + arg + ",112))";
                } else if (name == "@ISNULL") {
                    output = dbType == 1 ? "Isnull(" + arg + ")" : arg + " IS NULL ";
                } else {
                    output = dbType == 1 ? "ASC(" + arg + ")" : "ASCII(" + arg + ")";
                }
            }
        }
        if (translate) text.replace(at, close - at + 1, output);
        p = at + 1;
    }
}

QString ParseSQL(const QString& sql, ADODB::Connection& cn) {
    // The date macros use the dialect last determined; the others ask the connection.
    std::int32_t type = GetDbType(cn);
    return ParseSQLFor(sql, type);
}

}  // namespace SQLParser
