#include "VCard.h"

#include "Values.h"

#include <QStringDecoder>
#include <cstring>
#include <vector>

namespace Platform {

namespace {

// The white space QByteArray::trimmed drops.
bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

QByteArrayView Trimmed(QByteArrayView text) {
    qsizetype from = 0, to = text.size();
    while (from < to && IsAsciiSpace(text[from])) ++from;
    while (to > from && IsAsciiSpace(text[to - 1])) --to;
    return text.sliced(from, to - from);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

// `text` equals the upper-case ASCII `word` once its ASCII letters are in
// upper case, as QByteArray::toUpper puts them.
bool SameWord(QByteArrayView text, QByteArrayView word) {
    if (text.size() != word.size()) return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (AsciiUpper(text[i]) != word[i]) return false;
    return true;
}

QByteArray DecodeQuotedPrintable(QByteArrayView in) {
    QByteArray out(in.size(), Qt::Uninitialized);
    char* to = out.data();
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() && hex(in[i + 1]) >= 0 && hex(in[i + 2]) >= 0) {
            *to++ = char(hex(in[i + 1]) * 16 + hex(in[i + 2]));
            i += 2;
        } else {
            *to++ = in[i];
        }
    }
    out.truncate(to - out.constData());
    return out;
}

QString DecodeCharset(QByteArrayView bytes, const QString& charset) {
    const QString cs = charset.trimmed().toUpper();
    if (cs.isEmpty()) return DecodeText(bytes);
    if (cs == "UTF-8" || cs == "UTF8") return QString::fromUtf8(bytes);
    if (cs == "WINDOWS-1252" || cs == "CP1252") return DecodeWindows1252(bytes);
    if (cs == "ISO-8859-1" || cs == "LATIN1" || cs == "US-ASCII" || cs == "ASCII") return QString::fromLatin1(bytes);
    QStringDecoder decoder(cs.toLatin1().constData());
    if (decoder.isValid()) return decoder.decode(bytes);
    return DecodeText(bytes);
}

// A card's few distinct names and parameters, each made once from its bytes
// as written: a contacts file repeats the same dozen of them on every card.
class Interned {
public:
    template <typename Make>
    QString Get(QByteArrayView raw, Make make) {
        for (const Entry& e : entries_)
            if (e.raw.size() == raw.size() && (raw.isEmpty() || (e.raw[0] == raw[0] && QByteArrayView(e.raw) == raw)))
                return e.text;
        if (entries_.size() >= 48 || raw.size() > 40) return make(raw);
        entries_.push_back({raw.toByteArray(), make(raw)});
        return entries_.back().text;
    }

private:
    struct Entry {
        QByteArray raw;
        QString text;
    };
    std::vector<Entry> entries_;
};

// An empty token is the null text, as it always was.
QString Latin1Upper(QByteArrayView raw) { return raw.isEmpty() ? QString() : QString::fromLatin1(raw).trimmed().toUpper(); }
QString Latin1(QByteArrayView raw) { return raw.isEmpty() ? QString() : QString::fromLatin1(raw).trimmed(); }
QString Utf8(QByteArrayView raw) { return raw.isEmpty() ? QString() : QString::fromUtf8(raw).trimmed(); }

bool IsQuotedPrintable(QByteArrayView logical) {
    const qsizetype colon = logical.indexOf(':');
    const QByteArrayView head = colon < 0 ? logical : logical.first(colon);
    static constexpr QByteArrayView word = "QUOTED-PRINTABLE";
    for (qsizetype i = 0; i + word.size() <= head.size(); ++i)
        if (SameWord(head.sliced(i, word.size()), word)) return true;
    return false;
}

// Takes each card's lines apart and hands them on, unfolded by the card's
// version: 2.1 folds only where there was white space already and keeps
// it, 3.0 and 4.0 fold anywhere and drop the one blank. Whether a fold's
// blank is text is known only once the card has said its version, so a
// folded line before that waits, with the lines after it, until it is known
// at the card's end; any other line is handed on at once, in file order all
// the same.
//
// A logical line is read where it stands in the data as long as it is one
// run of bytes; a fold or a soft line break copies it into a buffer.
class CardReader {
public:
    CardReader(VCardSink& sink, const char* data) : sink_(sink), data_(data) {}

    void StartLine(int line, const char* at) {
        line_ = line;
        from_ = to_ = at;
        buffered_ = false;
        begin_ = text_.size();
        foldsBegin_ = folds_.size();
    }
    void Append(const char* bytes, qsizetype size) {
        if (!buffered_ && bytes == to_) {
            to_ += size;
            return;
        }
        Buffer();
        text_.append(bytes, size);
    }
    // The blank a folded line begins with: kept, and marked for the card to judge.
    void AppendFold(char blank) {
        Buffer();
        folds_.push_back(text_.size());
        text_.append(blank);
    }
    // A quoted-printable line that ends in '=' goes on in the next one,
    // without the '='.
    bool SoftBreak() {
        const QByteArrayView text = Current();
        if (!text.endsWith('=') || !IsQuotedPrintable(text)) return false;
        if (buffered_) text_.chop(1);
        else --to_;
        return true;
    }

    void EndLine() {
        const QByteArrayView text = Current();
        if (Trimmed(text).isEmpty()) return Drop();
        const bool folded = folds_.size() > foldsBegin_;
        const Line logical{buffered_ ? nullptr : from_, buffered_ ? begin_ : 0,
                           buffered_ ? text_.size() : to_ - from_, foldsBegin_, folds_.size(), line_};
        // Bounds, the version and a line handed on now are told from the line without its fold blanks.
        QByteArrayView raw;
        const bool split = SplitLine(Unfolded(logical, false), property_, raw);
        const QString& name = property_.name;
        const bool bound = split && SameWord(Trimmed(raw), "VCARD");
        if (bound && name == QLatin1StringView("BEGIN")) {
            Drop();
            if (inCard_) CloseCard(line_);
            if (logical.data) sink_.Passed(logical.data - data_);
            inCard_ = true;
            sink_.BeginCard(line_);
            return;
        }
        if (bound && name == QLatin1StringView("END")) {
            Drop();
            if (inCard_) CloseCard(line_);
            else sink_.Error(line_, QStringLiteral("END senza BEGIN"));
            inCard_ = false;
            return;
        }
        if (!inCard_) return Drop();
        if (split && name == QLatin1StringView("VERSION") && !hasVersion_) {
            const QByteArrayView version = Trimmed(raw);
            hasVersion_ = !version.isEmpty();
            if (hasVersion_) version_ = version[0];
        }
        if (!waiting_.empty() || (folded && !hasVersion_)) {
            waiting_.push_back(logical);
            return;
        }
        if (folded && KeepFoldBlanks()) Deliver(View(logical), line_);
        else Emit(split, raw, line_);
        Drop();
    }

    // The end of the data closes a card left open.
    void Finish(int line) {
        if (inCard_) CloseCard(line);
        inCard_ = false;
    }

private:
    struct Line {
        const char* data;              // where it stands in the data; nullptr: in text_
        qsizetype begin, end;          // from `data`, or in text_
        size_t foldsBegin, foldsEnd;  // in folds_
        int line;                     // where it began, counted from 1
    };

    void Buffer() {
        if (buffered_) return;
        text_.append(from_, to_ - from_);
        buffered_ = true;
    }
    QByteArrayView Current() const {
        return buffered_ ? QByteArrayView(text_).sliced(begin_) : QByteArrayView(from_, to_ - from_);
    }
    QByteArrayView View(const Line& logical) const {
        return logical.data ? QByteArrayView(logical.data + logical.begin, logical.end - logical.begin)
                            : QByteArrayView(text_).sliced(logical.begin, logical.end - logical.begin);
    }
    // A card that does not say its version is read as 2.1: 3.0 and 4.0 cannot leave it out.
    bool KeepFoldBlanks() const { return !(hasVersion_ && (version_ == '3' || version_ == '4')); }

    // The line's text, with or without the blanks of its folds; made in a
    // buffer of its own only when there is a fold to leave out.
    QByteArrayView Unfolded(const Line& logical, bool keepFoldBlanks) {
        if (keepFoldBlanks || logical.foldsBegin == logical.foldsEnd) return View(logical);
        unfolded_.truncate(0);
        qsizetype from = logical.begin;
        for (size_t f = logical.foldsBegin; f < logical.foldsEnd; ++f) {
            unfolded_.append(text_.constData() + from, folds_[f] - from);
            from = folds_[f] + 1;
        }
        unfolded_.append(text_.constData() + from, logical.end - from);
        return unfolded_;
    }

    // Forgets the line being read.
    void Drop() {
        text_.truncate(begin_);
        folds_.resize(foldsBegin_);
    }

    void CloseCard(int line) {
        const bool keep = KeepFoldBlanks();
        for (const Line& logical : waiting_) Deliver(Unfolded(logical, keep), logical.line);
        waiting_.clear();
        text_.truncate(0);  // the buffers keep their room for the next card
        folds_.clear();
        hasVersion_ = false;
        sink_.EndCard(line);
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
    // A line that never reaches Value is not a property. A name or a
    // parameter is the bytes since the state was entered; a parameter's
    // value leaves its quotes out.
    bool SplitLine(QByteArrayView line, VCardProperty& p, QByteArrayView& raw) {
        p.group = QString();
        p.name = QString();
        p.params.clear();
        enum class S { Name, ParamName, ParamValue, Quoted } state = S::Name;
        qsizetype start = 0;
        QString paramName;
        auto token = [&](qsizetype i) { return line.sliced(start, i - start); };
        for (qsizetype i = 0; i < line.size(); ++i) {
            const char c = line[i];
            switch (state) {
            case S::Name:
                if (c == '.') {
                    p.group = Latin1(token(i));
                    start = i + 1;
                } else if (c == ';' || c == ':') {
                    p.name = names_.Get(token(i), Latin1Upper);
                    start = i + 1;
                    state = S::ParamName;
                }
                break;
            case S::ParamName:
                if (c == '=') {
                    paramName = names_.Get(token(i), Latin1Upper);
                    paramValue_.truncate(0);
                    start = i + 1;
                    state = S::ParamValue;
                } else if (c == ';' || c == ':') {
                    const QString bare = bareTypes_.Get(token(i), Latin1);
                    if (!bare.isEmpty()) p.params.append({QStringLiteral("TYPE"), bare});
                    start = i + 1;
                }
                break;
            case S::ParamValue:
                if (c == '"' || c == ';' || c == ':') {
                    paramValue_.append(token(i));
                    start = i + 1;
                }
                if (c == '"') {
                    state = S::Quoted;
                } else if (c == ';' || c == ':') {
                    p.params.append({paramName, values_.Get(paramValue_, Utf8)});
                    state = S::ParamName;
                }
                break;
            case S::Quoted:
                if (c == '"') {
                    paramValue_.append(token(i));
                    start = i + 1;
                    state = S::ParamValue;
                }
                break;
            }
            if (c == ':' && state != S::Quoted) {
                raw = line.sliced(i + 1);
                return !p.name.isEmpty();
            }
        }
        return false;
    }

    void Deliver(QByteArrayView logical, int line) {
        QByteArrayView raw;
        const bool split = SplitLine(logical, property_, raw);
        Emit(split, raw, line);
    }

    // Hands on the line SplitLine has just taken apart into property_.
    void Emit(bool split, QByteArrayView raw, int line) {
        VCardProperty& p = property_;
        if (!split) {
            sink_.Error(line, QStringLiteral("riga senza valore"));
            return;
        }
        p.line = line;
        if (p.params.isEmpty()) {
            p.value = DecodeText(raw);  // no encoding, no character set
        } else {
            const QString encoding = p.Param(QStringLiteral("ENCODING")).toUpper();
            bool qp = encoding == QLatin1StringView("QUOTED-PRINTABLE") || encoding == QLatin1StringView("QP");
            for (const VCardParam& param : p.params)
                if (param.name == QLatin1StringView("TYPE") &&
                    param.value.compare(QLatin1StringView("QUOTED-PRINTABLE"), Qt::CaseInsensitive) == 0)
                    qp = true;
            QByteArray decoded;
            if (qp) raw = decoded = DecodeQuotedPrintable(raw);
            if (encoding == QLatin1StringView("BASE64") || encoding == QLatin1StringView("B")) {
                p.value = QString::fromLatin1(raw);  // pictures and keys: kept as written
            } else {
                p.value = DecodeCharset(raw, p.Param(QStringLiteral("CHARSET")));
            }
        }
        sink_.Property(p);
    }

    VCardSink& sink_;
    const char* data_;  // where the data begins
    bool inCard_ = false;
    bool hasVersion_ = false;
    char version_ = 0;  // the first character of the card's VERSION
    // The line being read: from_..to_ in the data, or from begin_ in text_.
    int line_ = 0;
    const char* from_ = nullptr;
    const char* to_ = nullptr;
    bool buffered_ = false;
    qsizetype begin_ = 0;
    size_t foldsBegin_ = 0;
    QByteArray text_;               // the lines copied, of the card or being read
    std::vector<qsizetype> folds_;  // where each fold's blank stands in text_
    std::vector<Line> waiting_;     // lines of the card not handed on yet
    QByteArray unfolded_;
    QByteArray paramValue_;
    VCardProperty property_;
    Interned names_, bareTypes_, values_;
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
    // Case folding keeps a text's length.
    for (const VCardParam& p : params)
        if (p.name.size() == wanted.size() && p.name.compare(wanted, Qt::CaseInsensitive) == 0) return p.value;
    return QString();
}

namespace {
QString Unescape(const QString& text) {
    if (!text.contains(QLatin1Char('\\'))) return text;
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

namespace {
// Hands each part of a structured value on, by its position, until `take` says no more.
template <typename Take>
void SplitParts(const QString& value, Take take) {
    qsizetype start = 0;
    int index = 0;
    bool escaped = false;  // whether the part holds an escape to resolve
    auto part = [&](qsizetype end) {
        const QString text = value.mid(start, end - start);
        return take(index++, escaped ? Unescape(text) : text);
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            escaped = true;
            ++i;
        } else if (value[i] == ';') {
            if (!part(i)) return;
            start = i + 1;
            escaped = false;
        }
    }
    part(value.size());
}
}  // namespace

QStringList VCardProperty::Parts() const {
    QStringList parts;
    parts.reserve(value.count(QLatin1Char(';')) + 1);
    SplitParts(value, [&](int, const QString& part) {
        parts << part;
        return true;
    });
    return parts;
}

void VCardProperty::Parts(QString* parts, int count) const {
    if (count <= 0) return;
    SplitParts(value, [&](int index, const QString& part) {
        parts[index] = part;
        return index + 1 < count;
    });
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
    //
    // InLine takes the bytes up to the line's end at once.
    enum class S { LineStart, InLine, AfterCR } state = S::LineStart;
    CardReader cards(sink, data.constData());
    int physicalLine = 1;
    bool haveLogical = false;

    auto lineEnd = [&] {
        ++physicalLine;
        state = cards.SoftBreak() ? S::InLine : S::LineStart;
    };
    const char* at = data.constData();
    const char* const end = at + data.size();
    // An editor's byte-order mark is not part of the first line.
    if (data.startsWith("\xEF\xBB\xBF")) at += 3;
    while (at < end) {
        switch (state) {
        case S::LineStart:
            if ((*at == ' ' || *at == '\t') && haveLogical) {
                cards.AppendFold(*at++);
                state = S::InLine;
                break;
            }
            if (haveLogical) cards.EndLine();
            cards.StartLine(physicalLine, at);
            haveLogical = true;
            state = S::InLine;
            [[fallthrough]];
        case S::InLine: {
            // The first CR or LF: an LF is looked for first, then a CR before it.
            const void* lf = std::memchr(at, '\n', size_t(end - at));
            const char* stop = lf ? static_cast<const char*>(lf) : end;
            if (const void* cr = std::memchr(at, '\r', size_t(stop - at))) stop = static_cast<const char*>(cr);
            cards.Append(at, stop - at);
            at = stop;
            if (at == end) break;
            if (*at++ == '\r') state = S::AfterCR;
            else lineEnd();
            break;
        }
        case S::AfterCR:
            lineEnd();
            if (*at == '\n') ++at;  // otherwise the byte is read again
            break;
        }
    }
    if (haveLogical) cards.EndLine();
    cards.Finish(physicalLine);
}

}  // namespace Platform
