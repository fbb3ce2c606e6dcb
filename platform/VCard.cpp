#include "VCard.h"

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

void Deliver(const QByteArray& logical, int line, bool& inCard, VCardSink& sink) {
    if (logical.trimmed().isEmpty()) return;
    VCardProperty p;
    QByteArray raw;
    if (!SplitLine(logical, p.group, p.name, p.params, raw)) {
        if (inCard) sink.Error(line, QStringLiteral("riga senza valore"));
        return;
    }
    p.line = line;
    if (p.name == "BEGIN" && raw.trimmed().toUpper() == "VCARD") {
        if (inCard) sink.EndCard(line);
        inCard = true;
        sink.BeginCard(line);
        return;
    }
    if (p.name == "END" && raw.trimmed().toUpper() == "VCARD") {
        if (inCard) sink.EndCard(line);
        else sink.Error(line, QStringLiteral("END senza BEGIN"));
        inCard = false;
        return;
    }
    if (!inCard) return;
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
    sink.Property(p);
}

}  // namespace

namespace {
// The 32 characters where Windows-1252 differs from Latin-1 (0x80..0x9F);
// 0 marks the five bytes it leaves undefined, which stand for themselves.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

// The one Windows-1252 table of the program (the RTF reader decodes with it too).
QString DecodeWindows1252(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80]) out.append(QChar(kCp1252High[b - 0x80]));
        else out.append(QChar(b));
    }
    return out;
}

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return DecodeWindows1252(bytes);
}

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
    //   LineStart --SP/HT--> InLine          (a folded line: the blank is dropped)
    //   LineStart --other--> InLine          (the logical line before it is delivered)
    //   InLine --CR--> AfterCR --LF--> LineEnd
    //   InLine --LF--> LineEnd               AfterCR --other--> LineEnd (char read again)
    //   LineEnd: a quoted-printable line ending in '=' goes on in the next one
    //            (soft break: InLine), otherwise LineStart.
    enum class S { LineStart, InLine, AfterCR } state = S::LineStart;
    QByteArray logical;
    int logicalLine = 1;
    int physicalLine = 1;
    bool inCard = false;
    bool haveLogical = false;

    auto lineEnd = [&] {
        ++physicalLine;
        if (logical.endsWith('=') && IsQuotedPrintable(logical)) {
            logical.chop(1);
            state = S::InLine;
        } else {
            state = S::LineStart;
        }
    };
    for (int i = 0; i < data.size(); ++i) {
        const char c = data[i];
        switch (state) {
        case S::LineStart:
            if ((c == ' ' || c == '\t') && haveLogical) {
                state = S::InLine;
                break;
            }
            if (haveLogical) Deliver(logical, logicalLine, inCard, sink);
            logical.clear();
            haveLogical = true;
            logicalLine = physicalLine;
            state = S::InLine;
            [[fallthrough]];
        case S::InLine:
            if (c == '\r') state = S::AfterCR;
            else if (c == '\n') lineEnd();
            else logical.append(c);
            break;
        case S::AfterCR:
            lineEnd();
            if (c != '\n') --i;
            break;
        }
    }
    if (haveLogical) Deliver(logical, logicalLine, inCard, sink);
    if (inCard) sink.EndCard(physicalLine);
}

}  // namespace Platform
