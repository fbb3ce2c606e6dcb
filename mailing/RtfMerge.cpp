#include "RtfMerge.h"

#include "Cp1252.h"
#include "Rtf.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <climits>
#include <vector>

namespace RtfMerge {

namespace {

// One character of the visible text and the bytes of the file that make it.
struct Char {
    QChar c;
    qsizetype start;
    qsizetype end;
    bool afterWord;  // starts right where a control word ends, with no delimiter
    bool afterBrokenEscape;  // starts right after a \' without its two hex digits
    // Nothing but blanks stands before it in its group: taken out, it would
    // leave the word that follows first in the group, where it names a
    // destination and hides the rest of the group ("{|\docvar ...").
    bool opensGroup;
};

// Destinations whose text is not part of the document's text.
const QSet<QByteArray>& HiddenDestinations() {
    static const QSet<QByteArray> names{
        "fonttbl",  "colortbl",  "stylesheet", "info",     "pict",     "object",     "objdata",
        "fldinst",  "listtable", "listoverridetable",      "rsidtbl",  "generator",  "xmlnstbl",
        "themedata", "colorschememapping",     "datastore", "latentstyles", "filetbl", "revtbl",
        "nonshppict", "sp",      "pgdsctbl",   "bkmkstart", "bkmkend", "mmathPr",    "userprops",
        "docvar",   "template",  "header_placeholder"};
    return names;
}

// Control words that stand for a character of the text.
QChar WordCharacter(const QByteArray& word) {
    static const QHash<QByteArray, QChar> chars{
        {"par", '\n'},          {"line", '\n'},        {"sect", '\n'},         {"page", '\n'},
        {"row", '\n'},          {"nestrow", '\n'},     {"softline", '\n'},     {"tab", '\t'},
        {"cell", '\t'},         {"nestcell", '\t'},    {"lquote", QChar(0x2018)}, {"rquote", QChar(0x2019)},
        {"ldblquote", QChar(0x201C)}, {"rdblquote", QChar(0x201D)}, {"bullet", QChar(0x2022)},
        {"endash", QChar(0x2013)}, {"emdash", QChar(0x2014)}, {"enspace", ' '}, {"emspace", ' '},
        {"qmspace", ' '},       {"zwj", QChar(0xFFFC)}, {"zwnj", QChar(0xFFFC)}, {"chftn", QChar(0xFFFC)},
        {"chpgn", QChar(0xFFFC)}, {"chdate", QChar(0xFFFC)}};
    return chars.value(word, QChar());
}

bool IsLetter(char b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }
bool IsDigit(char b) { return b >= '0' && b <= '9'; }
int HexValue(char b) {
    if (IsDigit(b)) return b - '0';
    if (b >= 'a' && b <= 'f') return b - 'a' + 10;
    if (b >= 'A' && b <= 'F') return b - 'A' + 10;
    return -1;
}

// A control word's name and parameter are bounded as the RTF reader bounds
// them, so that the merge reads a letter's text as it will be printed: at
// most 32 letters, and a sign or digit followed by digits up to 11
// characters, its value kept within an int. What follows stays text.
constexpr int kMaxWord = 32;
constexpr int kMaxParameter = 11;

struct Parameter {
    bool present = false;
    int value = 0;
};

// The parameter at j, if any; j moves past it.
Parameter ReadParameter(const QByteArray& s, qsizetype& j) {
    Parameter p;
    if (j >= s.size() || !(IsDigit(s[j]) || s[j] == '-')) return p;
    const qsizetype start = j;
    ++j;
    while (j < s.size() && j - start < kMaxParameter && IsDigit(s[j])) ++j;
    const QByteArray digits = s.mid(start, j - start);
    if (digits == "-") return p;
    p.present = true;
    p.value = int(qBound<qint64>(INT_MIN, digits.toLongLong(), qint64(INT_MAX)));
    return p;
}

// The file read as its visible characters.
//
//            '{' push group          '}' pop group
//   TEXT  ------------------>  TEXT  ----------------> TEXT
//     |  '\' letters [-digits] [' ']   control word: \uc sets the fallback
//     |     count, \u emits a character and swallows its fallback, \bin
//     |     skips its data, a character word emits its character, the first
//     |     word of a group may hide it (a hidden destination)
//     |  '\*'                   the group is hidden
//     |  '\'' hex hex           one character of the code page
//     |  '\' other              escaped '\' '{' '}', or a special character
//     |  CR, LF                 ignored
//     +  any other byte         one character of the code page
//
// Characters inside hidden groups are read but not emitted.
class Scanner {
public:
    explicit Scanner(const QByteArray& rtf) : s_(rtf) {}

    std::vector<Char> Run() {
        groups_.push_back({false, 1});
        while (i_ < s_.size()) Step();
        return chars_;
    }

private:
    struct Group {
        bool hidden;
        int uc;
    };

    void Emit(QChar c, qsizetype start, qsizetype end) {
        const bool opensGroup = groupStart_;
        EndGroupStart();
        if (!groups_.back().hidden)
            chars_.push_back({c, start, end, start == lastWordEnd_, start == lastEscapeEnd_, opensGroup});
    }

    // Blanks between a group's brace and its first word are held back: a
    // hidden destination may still follow ("{ \fonttbl"), and then they are
    // part of it; before anything else they are text in their place.
    void EndGroupStart() {
        if (blanksStart_ >= 0 && !groups_.back().hidden)
            for (qsizetype k = blanksStart_; k < blanksEnd_; ++k)
                chars_.push_back({' ', k, k + 1, k == lastWordEnd_, false, true});
        blanksStart_ = -1;
        groupStart_ = false;
    }

    static QChar Byte(char b) {
        static const QString page = [] {
            QByteArray all(256, 0);
            for (int i = 0; i < 256; ++i) all[i] = char(i);
            return Cp1252::ToUnicode(all);
        }();
        return page.at(uchar(b));
    }

    void Step() {
        const char b = s_[i_];
        if (b == '{') {
            EndGroupStart();
            groups_.push_back(groups_.back());
            groupStart_ = true;
            ++i_;
        } else if (b == '}') {
            EndGroupStart();
            if (groups_.size() > 1) groups_.pop_back();
            ++i_;
        } else if (b == ' ' && groupStart_) {
            if (blanksStart_ < 0) blanksStart_ = i_;
            blanksEnd_ = ++i_;
        } else if (b == '\r' || b == '\n' || b == '\0') {
            ++i_;
        } else if (b == '\\') {
            Control();
        } else {
            Emit(Byte(b), i_, i_ + 1);
            ++i_;
        }
    }

    // A control word or symbol at i_; moves past it. `visible` false reads a
    // fallback character of \u without showing it.
    void Control(bool visible = true) {
        const qsizetype start = i_;
        if (i_ + 1 >= s_.size()) {
            ++i_;
            return;
        }
        const char next = s_[i_ + 1];
        if (IsLetter(next)) {
            qsizetype j = i_ + 1;
            while (j < s_.size() && j - i_ - 1 < kMaxWord && IsLetter(s_[j])) ++j;
            const QByteArray word = s_.mid(i_ + 1, j - i_ - 1);
            const Parameter parameter = ReadParameter(s_, j);
            const bool hasParam = parameter.present;
            const int param = parameter.value;
            const bool delimited = j < s_.size() && s_[j] == ' ';
            if (delimited) ++j;
            i_ = j;
            if (!visible) return;
            if (groupStart_ && HiddenDestinations().contains(word)) {
                groups_.back().hidden = true;
                blanksStart_ = -1;
            }
            EndGroupStart();
            if (word == "bin" && hasParam) {
                // The data runs on at most to the end of the file, never back.
                const qsizetype data = qBound<qsizetype>(0, qsizetype(param), s_.size() - i_);
                i_ += data;
                // Text after the data can no longer lengthen the word.
                lastWordEnd_ = delimited || data > 0 ? -1 : i_;
                return;
            } else if (word == "uc" && hasParam) {
                groups_.back().uc = qBound(0, param, 16);
            } else if (word == "u" && hasParam) {
                const QChar c(char16_t(param < 0 ? param + 65536 : param));
                const qsizetype before = i_;
                const qsizetype fallbackWordEnd = SkipFallback();
                Emit(c, start, i_);
                lastWordEnd_ = i_ == before ? (delimited ? -1 : i_) : fallbackWordEnd;
                return;
            } else {
                const QChar c = WordCharacter(word);
                if (!c.isNull()) {
                    Emit(c, start, i_);
                }
            }
            // Text right behind a word without its blank would lengthen the word.
            lastWordEnd_ = delimited ? -1 : i_;
            return;
        }
        if (next == '*') {
            groups_.back().hidden = true;
            blanksStart_ = -1;
            i_ += 2;
            return;
        }
        if (next == '\'') {
            const int hi = i_ + 2 < s_.size() ? HexValue(s_[i_ + 2]) : -1;
            const int lo = i_ + 3 < s_.size() ? HexValue(s_[i_ + 3]) : -1;
            // A broken escape is dropped with the digit it had.
            if (hi < 0 || lo < 0) {
                i_ += hi < 0 ? 2 : 3;
                lastEscapeEnd_ = i_;
                return;
            }
            i_ += 4;
            if (visible) Emit(Byte(char(hi * 16 + lo)), start, i_);
            return;
        }
        i_ += 2;
        if (!visible) return;
        switch (next) {
        case '\\': case '{': case '}': Emit(QChar::fromLatin1(next), start, i_); break;
        case '~': Emit(QChar(0x00A0), start, i_); break;
        case '-': Emit(QChar(0x00AD), start, i_); break;
        case '_': Emit(QChar(0x2011), start, i_); break;
        case '\r': case '\n': Emit('\n', start, i_); break;
        default: EndGroupStart(); break;
        }
    }

    // The characters written after \uN for readers without Unicode. Returns
    // where the last of them ends when it is a control word without its
    // delimiter (text put right there would lengthen the word), else -1.
    qsizetype SkipFallback() {
        qsizetype wordEnd = -1;
        for (int n = groups_.back().uc; n > 0 && i_ < s_.size(); --n) {
            const char b = s_[i_];
            if (b == '{' || b == '}') break;
            const qsizetype start = i_;
            if (b == '\\') Control(false);
            else ++i_;
            wordEnd = b == '\\' && start + 1 < s_.size() && IsLetter(s_[start + 1]) && s_[i_ - 1] != ' ' ? i_ : -1;
        }
        return wordEnd;
    }

    const QByteArray& s_;
    qsizetype i_ = 0;
    std::vector<Group> groups_;
    std::vector<Char> chars_;
    bool groupStart_ = false;
    qsizetype lastWordEnd_ = -1;
    qsizetype lastEscapeEnd_ = -1;
    qsizetype blanksStart_ = -1, blanksEnd_ = -1;
};

QString TextOf(const std::vector<Char>& chars) {
    QString text;
    text.reserve(qsizetype(chars.size()));
    for (const Char& c : chars) text += c.c;
    return text;
}

}  // namespace

bool IsRtf(const QByteArray& rtf) { return Platform::IsRtf(rtf); }

int CodePage(const QByteArray& rtf) {
    const qsizetype at = rtf.indexOf("\\ansicpg");
    if (at < 0) return 1252;
    qsizetype j = at + 8;
    const Parameter page = ReadParameter(rtf, j);
    return page.value > 0 ? page.value : 1252;
}

QString VisibleText(const QByteArray& rtf) { return TextOf(Scanner(rtf).Run()); }

QByteArray Escape(const QString& text, int codePage) {
    QByteArray out;
    for (int k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        const ushort u = c.unicode();
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += char(u);
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == '\n') {
            out += "\\line ";
        } else if (u < 0x20) {
            continue;
        } else if (u < 0x7F) {
            out += char(u);
        } else {
            const quint8 code = Cp1252::Code(c);
            if (codePage == 1252 && code >= 0x80) {
                out += "\\'" + QByteArray::number(code, 16).rightJustified(2, '0');
            } else {
                out += "{\\uc1\\u" + QByteArray::number(qint16(u)) + "?}";
            }
        }
    }
    return out;
}

namespace {

int ReplaceIn(QByteArray& rtf, const std::vector<Char>& chars, const QString& text, const QString& marker,
              const QString& value) {
    if (marker.isEmpty()) return 0;
    const QByteArray escaped = Escape(value, CodePage(rtf));
    struct Edit {
        qsizetype start;
        qsizetype end;
        QByteArray with;
    };
    std::vector<Edit> edits;
    int count = 0;
    for (qsizetype at = text.indexOf(marker); at >= 0; at = text.indexOf(marker, at + marker.size())) {
        const Char& first = chars[size_t(at)];
        // The value keeps the first character's place, and so its formatting;
        // a blank keeps it apart from a control word written right before it.
        // A character taken out leaves an empty group where what follows
        // would otherwise read differently: a word lengthened by the text
        // after it, a broken escape completed by it, or a word that comes to
        // open its group.
        QByteArray with = escaped;
        if (first.afterWord)
            with.prepend(' ');
        else if (first.afterBrokenEscape || (first.opensGroup && escaped.isEmpty()))
            with.prepend("{}");
        edits.push_back({first.start, first.end, with});
        for (qsizetype k = 1; k < marker.size(); ++k) {
            const Char& other = chars[size_t(at + k)];
            // Codes between the marker's characters stay where they are.
            const bool keepApart = other.afterWord || other.afterBrokenEscape || other.opensGroup;
            edits.push_back({other.start, other.end, keepApart ? QByteArray("{}") : QByteArray()});
        }
        ++count;
    }
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.start > b.start; });
    for (const Edit& e : edits) rtf.replace(e.start, e.end - e.start, e.with);
    return count;
}

}  // namespace

int Replace(QByteArray& rtf, const QString& marker, const QString& value) {
    const std::vector<Char> chars = Scanner(rtf).Run();
    return ReplaceIn(rtf, chars, TextOf(chars), marker, value);
}

int Replace(QByteArray& rtf, const QList<QPair<QString, QString>>& markers) {
    int count = 0;
    std::vector<Char> chars;
    QString text;
    bool read = false;
    for (const auto& [marker, value] : markers) {
        // The document is read again only after a marker changed it.
        if (!read) {
            chars = Scanner(rtf).Run();
            text = TextOf(chars);
            read = true;
        }
        const int replaced = ReplaceIn(rtf, chars, text, marker, value);
        read = replaced == 0;
        count += replaced;
    }
    return count;
}

}  // namespace RtfMerge
