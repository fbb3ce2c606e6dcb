#include "VCard.h"

#include "Values.h"

#include <QStringDecoder>

namespace Platform {

namespace {

QByteArray DecodeQuotedPrintable(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size());
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() && hex(in[i + 1]) >= 0 && hex(in[i + 2]) >= 0) {
            out.append(char(hex(in[i + 1]) * 16 + hex(in[i + 2])));
            i += 2;
        } else {
            out.append(in[i]);
        }
    }
    return out;
}

QString DecodeCharset(const QByteArray& bytes, const QString& charset) {
    const QString cs = charset.trimmed().toUpper();
    if (cs.isEmpty()) return DecodeText(bytes);
    if (cs == "UTF-8" || cs == "UTF8") return QString::fromUtf8(bytes);
    if (cs == "WINDOWS-1252" || cs == "CP1252") return DecodeWindows1252(bytes);
    if (cs == "ISO-8859-1" || cs == "LATIN1" || cs == "US-ASCII" || cs == "ASCII") return QString::fromLatin1(bytes);
    QStringDecoder decoder(cs.toLatin1().constData());
    if (decoder.isValid()) return decoder.decode(bytes);
    return DecodeText(bytes);
}

// One logical line taken apart into its name, parameters and value.
//
//   Name --'.'--> Name (what came before was the group)
//   Name --';'--> ParamName --'='--> ParamValue --','--> ParamValue
//                 ParamName --';'--> ParamName (a bare 2.1 type)
//                 ParamValue --'"'--> Quoted --'"'--> ParamValue
//                 ParamName/ParamValue --';'--> ParamName
//   Name/ParamName/ParamValue --':'--> Value (the rest of the line)
//
// A line that never reaches Value is not a property.
bool SplitLine(const QByteArray& line, QString& group, QString& name, QList<VCardParam>& params, QByteArray& raw) {
    enum class S { Name, ParamName, ParamValue, Quoted } state = S::Name;
    QByteArray token;
    VCardParam param;
    auto closeParam = [&] {
        if (state == S::ParamName) {
            const QString bare = QString::fromLatin1(token).trimmed();
            if (!bare.isEmpty()) params.append({QStringLiteral("TYPE"), bare});
        } else {
            param.value = QString::fromUtf8(token).trimmed();
            params.append(param);
        }
        token.clear();
    };
    for (int i = 0; i < line.size(); ++i) {
        const char c = line[i];
        switch (state) {
        case S::Name:
            if (c == '.') {
                group = QString::fromLatin1(token).trimmed();
                token.clear();
            } else if (c == ';' || c == ':') {
                name = QString::fromLatin1(token).trimmed().toUpper();
                token.clear();
                if (c == ':') {
                    raw = line.mid(i + 1);
                    return !name.isEmpty();
                }
                state = S::ParamName;
            } else {
                token.append(c);
            }
            break;
        case S::ParamName:
            if (c == '=') {
                param = VCardParam{QString::fromLatin1(token).trimmed().toUpper(), QString()};
                token.clear();
                state = S::ParamValue;
            } else if (c == ';' || c == ':') {
                closeParam();
                if (c == ':') {
                    raw = line.mid(i + 1);
                    return !name.isEmpty();
                }
            } else {
                token.append(c);
            }
            break;
        case S::ParamValue:
            if (c == '"') {
                state = S::Quoted;
            } else if (c == ';' || c == ':') {
                closeParam();
                if (c == ':') {
                    raw = line.mid(i + 1);
                    return !name.isEmpty();
                }
                state = S::ParamName;
            } else {
                token.append(c);
            }
            break;
        case S::Quoted:
            if (c == '"') state = S::ParamValue;
            else token.append(c);
            break;
        }
    }
    return false;
}

bool IsQuotedPrintable(const QByteArray& logical) {
    const int colon = logical.indexOf(':');
    const QByteArray head = (colon < 0 ? logical : logical.left(colon)).toUpper();
    return head.contains("QUOTED-PRINTABLE");
}

// A logical line with the blanks of its folds still in it: whether such a
// blank is text depends on the card's version, which is known only once the
// whole card has been read.
struct LogicalLine {
    QByteArray text;
    QList<qsizetype> folds;  // where each fold's blank stands in `text`
    int line = 0;

    QByteArray Unfolded(bool keepFoldBlanks) const {
        if (keepFoldBlanks || folds.isEmpty()) return text;
        QByteArray out;
        out.reserve(text.size());
        qsizetype from = 0;
        for (qsizetype at : folds) {
            out.append(text.constData() + from, at - from);
            from = at + 1;
        }
        out.append(text.constData() + from, text.size() - from);
        return out;
    }
};

// Gathers each card's lines and hands them on when the card ends, unfolded
// by its version: 2.1 folds only where there was white space already and
// keeps it, 3.0 and 4.0 fold anywhere and drop the one blank.
class CardReader {
public:
    explicit CardReader(VCardSink& sink) : sink_(sink) {}

    void Take(LogicalLine&& logical) {
        const QByteArray bare = logical.Unfolded(false);
        if (bare.trimmed().isEmpty()) return;
        QString group, name;
        QList<VCardParam> params;
        QByteArray raw;
        const bool split = SplitLine(bare, group, name, params, raw);
        const bool bound = split && raw.trimmed().toUpper() == "VCARD";
        if (bound && name == "BEGIN") {
            if (inCard_) CloseCard(logical.line);
            inCard_ = true;
            sink_.BeginCard(logical.line);
            return;
        }
        if (bound && name == "END") {
            if (inCard_) CloseCard(logical.line);
            else sink_.Error(logical.line, QStringLiteral("END senza BEGIN"));
            inCard_ = false;
            return;
        }
        if (!inCard_) return;
        if (split && name == "VERSION" && version_.isEmpty()) version_ = raw.trimmed();
        card_.append(std::move(logical));
    }

    // The end of the data closes a card left open.
    void Finish(int line) {
        if (inCard_) CloseCard(line);
        inCard_ = false;
    }

private:
    void CloseCard(int line) {
        // A card that does not say its version is read as 2.1: 3.0 and 4.0 cannot leave it out.
        const bool keepFoldBlanks = !(version_.startsWith('3') || version_.startsWith('4'));
        for (const LogicalLine& logical : card_) Deliver(logical.Unfolded(keepFoldBlanks), logical.line);
        card_.clear();
        version_.clear();
        sink_.EndCard(line);
    }

    void Deliver(const QByteArray& logical, int line) {
        VCardProperty p;
        QByteArray raw;
        if (!SplitLine(logical, p.group, p.name, p.params, raw)) {
            sink_.Error(line, QStringLiteral("riga senza valore"));
            return;
        }
        p.line = line;
        const QString encoding = p.Param(QStringLiteral("ENCODING")).toUpper();
        bool qp = encoding == "QUOTED-PRINTABLE" || encoding == "QP";
        for (const VCardParam& param : p.params)
            if (param.name == "TYPE" && param.value.compare("QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0) qp = true;
        if (qp) raw = DecodeQuotedPrintable(raw);
        if (encoding == "BASE64" || encoding == "B") {
            p.value = QString::fromLatin1(raw);  // pictures and keys: kept as written
        } else {
            p.value = DecodeCharset(raw, p.Param(QStringLiteral("CHARSET")));
        }
        sink_.Property(p);
    }

    VCardSink& sink_;
    bool inCard_ = false;
    QByteArray version_;
    QList<LogicalLine> card_;
};

}  // namespace

QStringList VCardProperty::Types() const {
    QStringList types;
    for (const VCardParam& p : params)
        if (p.name == "TYPE")
            for (const QString& t : p.value.split(',', Qt::SkipEmptyParts)) types << t.trimmed().toUpper();
    return types;
}

QString VCardProperty::Param(const QString& wanted) const {
    for (const VCardParam& p : params)
        if (p.name.compare(wanted, Qt::CaseInsensitive) == 0) return p.value;
    return QString();
}

namespace {
QString Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const QChar next = text[++i];
            if (next == 'n' || next == 'N') out += QStringLiteral("\r\n");
            else out += next;
        } else {
            out += text[i];
        }
    }
    return out;
}
}  // namespace

QString VCardProperty::Text() const { return Unescape(value); }

QStringList VCardProperty::Parts() const {
    QStringList parts;
    QString current;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            current += value[i];
            current += value[++i];
        } else if (value[i] == ';') {
            parts << Unescape(current);
            current.clear();
        } else {
            current += value[i];
        }
    }
    parts << Unescape(current);
    return parts;
}

void ReadVCard(const QByteArray& data, VCardSink& sink) {
    // Physical lines are joined into logical ones before they are parsed:
    //
    //   LineStart --SP/HT--> InLine          (a folded line: its blank is kept
    //                                         and marked for the card to judge)
    //   LineStart --other--> InLine          (the logical line before it is delivered)
    //   InLine --CR--> AfterCR --LF--> LineEnd
    //   InLine --LF--> LineEnd               AfterCR --other--> LineEnd (char read again)
    //   LineEnd: a quoted-printable line ending in '=' goes on in the next one
    //            (soft break: InLine, the next line's first byte is text
    //            whatever it is), otherwise LineStart.
    enum class S { LineStart, InLine, AfterCR } state = S::LineStart;
    CardReader cards(sink);
    LogicalLine logical;
    int physicalLine = 1;
    bool haveLogical = false;

    auto lineEnd = [&] {
        ++physicalLine;
        if (logical.text.endsWith('=') && IsQuotedPrintable(logical.text)) {
            logical.text.chop(1);
            state = S::InLine;
        } else {
            state = S::LineStart;
        }
    };
    // An editor's byte-order mark is not part of the first line.
    for (qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0; i < data.size(); ++i) {
        const char c = data[i];
        switch (state) {
        case S::LineStart:
            if ((c == ' ' || c == '\t') && haveLogical) {
                logical.folds.append(logical.text.size());
                logical.text.append(c);
                state = S::InLine;
                break;
            }
            if (haveLogical) cards.Take(std::move(logical));
            logical = LogicalLine{};
            haveLogical = true;
            logical.line = physicalLine;
            state = S::InLine;
            [[fallthrough]];
        case S::InLine:
            if (c == '\r') state = S::AfterCR;
            else if (c == '\n') lineEnd();
            else logical.text.append(c);
            break;
        case S::AfterCR:
            lineEnd();
            if (c != '\n') --i;
            break;
        }
    }
    if (haveLogical) cards.Take(std::move(logical));
    cards.Finish(physicalLine);
}

}  // namespace Platform
