#include "Rtf.h"

#include "Values.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <QStringDecoder>
#include <QtEndian>
#include <QtMath>

#include <cctype>
#include <memory>
#include <vector>

namespace Platform {

namespace {

// Windows character sets of the font table and their code pages.
int CodePageOfCharset(int charset) {
    switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;  // default, symbol, OEM: the document's code page
    }
}

// ---------------------------------------------------------------------------
// Lexer. Bytes become tokens through this machine:
//
//            '{' '}' -> group tokens         other bytes -> Char
//   +--------------------------- Text <----------------------------------+
//   |  '\'                        ^  ^                                   |
//   v                             |  | any byte after \binN's N bytes    |
//  Escape --letter--> Word --digit or '-'--> Param --non-digit--> (emit) |
//   |  \'' --> Hex1 --> Hex2 --> (emit Byte)     |  a blank after a word |
//   |  other --> (emit Symbol)                   |  or param is eaten    |
//   +--------------------------------------------+-----------------------+
//
// A word "bin" with a parameter switches to Binary for that many bytes.
// ---------------------------------------------------------------------------

struct Token {
    enum Kind { GroupOpen, GroupClose, Word, Symbol, Char, Byte, Binary, End } kind = End;
    QByteArray word;  // Word: its name; Binary: the data
    bool hasParam = false;
    int param = 0;
    char ch = 0;  // Symbol, Char, Byte
};

class Lexer {
public:
    explicit Lexer(const QByteArray& data) : data_(data) {}

    Token Next() {
        enum State { Text, Escape, Word, Param, Hex1, Hex2 } state = Text;
        Token token;
        QByteArray word;
        QByteArray digits;
        int hex = 0;
        while (pos_ < data_.size()) {
            const char c = data_[pos_];
            switch (state) {
            case Text:
                ++pos_;
                if (c == '{') return Make(Token::GroupOpen);
                if (c == '}') return Make(Token::GroupClose);
                if (c == '\\') {
                    state = Escape;
                    break;
                }
                if (c == '\r' || c == '\n' || c == '\0') break;
                token.kind = Token::Char;
                token.ch = c;
                return token;
            case Escape:
                ++pos_;
                if (IsLetter(c)) {
                    word.append(c);
                    state = Word;
                } else if (c == '\'') {
                    state = Hex1;
                } else {
                    token.kind = Token::Symbol;
                    token.ch = c;
                    return token;
                }
                break;
            case Word:
                if (IsLetter(c) && word.size() < 32) {
                    word.append(c);
                    ++pos_;
                } else if (IsDigit(c) || c == '-') {
                    digits.append(c);
                    ++pos_;
                    state = Param;
                } else {
                    if (c == ' ') ++pos_;
                    return MakeWord(word, digits);
                }
                break;
            case Param:
                if (IsDigit(c) && digits.size() < 11) {
                    digits.append(c);
                    ++pos_;
                } else {
                    if (c == ' ') ++pos_;
                    return MakeWord(word, digits);
                }
                break;
            case Hex1:
            case Hex2: {
                int value = HexValue(c);
                if (value < 0) {
                    // A broken escape: what was read is dropped, the byte is read again as text.
                    state = Text;
                    break;
                }
                ++pos_;
                hex = hex * 16 + value;
                if (state == Hex2) {
                    token.kind = Token::Byte;
                    token.ch = static_cast<char>(hex);
                    return token;
                }
                state = Hex2;
                break;
            }
            }
        }
        if (state == Word || state == Param) return MakeWord(word, digits);
        return Make(Token::End);
    }

    // The raw bytes of \binN.
    QByteArray TakeBinary(int count) {
        count = qBound(0, count, int(data_.size() - pos_));
        QByteArray bytes = data_.mid(pos_, count);
        pos_ += count;
        return bytes;
    }

private:
    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static int HexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }
    static Token Make(Token::Kind kind) {
        Token t;
        t.kind = kind;
        return t;
    }
    static Token MakeWord(const QByteArray& word, const QByteArray& digits) {
        Token t;
        t.kind = Token::Word;
        t.word = word;
        if (!digits.isEmpty() && digits != "-") {
            t.hasParam = true;
            t.param = static_cast<int>(qBound<qint64>(INT_MIN, digits.toLongLong(), qint64(INT_MAX)));
        }
        return t;
    }

    const QByteArray& data_;
    qsizetype pos_ = 0;
};

// ---------------------------------------------------------------------------
// Interpreter.
// ---------------------------------------------------------------------------

// Nor does a font go past 1638 points.
constexpr int kMaxHalfPoints = 3276;

int Twips(int value, int least = -kRtfMaxTwips) { return qBound(least, value, kRtfMaxTwips); }

// Pictures are kept as sharp as they print, at about this many dots per inch.
constexpr double kPictureDpi = 300;
// The pixels the pictures of a letter may claim: these many in all, and as
// many more for each byte of their data. A photo holds a byte for every two
// or three pixels, a page of text scanned in black and white at 300 dots per
// inch one for some 450 (8.7 million pixels in 19 KB of PNG).
constexpr qint64 kFreePicturePixels = 32'000'000;
constexpr qint64 kPixelsPerPictureByte = 512;

enum class Dest { Body, FontTable, ColorTable, Picture, Skip };

struct Font {
    QString name;
    int codePage = 0;
};

struct Picture {
    enum Type { Unknown, Png, Jpeg, Dib, Metafile } type = Unknown;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    QByteArray hex;
    QByteArray binary;
};

struct GroupState {
    Dest dest = Dest::Body;
    RtfCharFormat chr;
    RtfParaFormat para;
    int font = -1;
    int uc = 1;
    bool endsHeaderFooter = false;
    bool endsFontEntry = false;
    bool endsPicture = false;
};

const QSet<QByteArray>& SkippedDestinations() {
    static const QSet<QByteArray> names = {
        "stylesheet", "info", "fldinst", "nonshppict", "footnote", "annotation", "atnid",
        "atnauthor", "xe", "tc", "bkmkstart", "bkmkend", "themedata", "colorschememapping",
        "latentstyles", "datastore", "listtable", "listoverridetable", "rsidtbl", "generator",
        "xmlnstbl", "pgdsctbl", "revtbl", "fchars", "lchars", "pnseclvl", "pn", "objdata",
        "objclass", "userprops", "docvar", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc",
        "shpinst", "template", "filetbl", "mmathPr", "falt", "panose", "blipuid", "picprop",
        "listpicture", "wgrffmtfilter", "defchp", "defpap", "pgdsc", "ftncn", "aftncn",
        "fldtype", "formfield", "passwordhash", "background"};
    return names;
}

const QSet<QByteArray>& HeaderFooterNames() {
    static const QSet<QByteArray> names = {"header", "headerl", "headerr", "headerf",
                                           "footer", "footerl", "footerr", "footerf"};
    return names;
}

class Interpreter {
public:
    Interpreter(const QByteArray& data, RtfSink& sink) : lexer_(data), sink_(sink) {}

    void Run() {
        stack_.push_back(GroupState{});
        bool starNext = false;   // "\*" seen: an unknown destination that follows is skipped
        bool groupStart = false; // the next word opens the group's destination
        int heldBlanks = 0;      // blanks between "{" and that word
        for (;;) {
            Token t = lexer_.Next();
            if (t.kind == Token::End) break;
            // Writers put blanks between "{", "\*" and a destination's word;
            // they are text only when no destination follows.
            if (groupStart) {
                if (t.kind == Token::Char && t.ch == ' ') {
                    ++heldBlanks;
                    continue;
                }
                if (t.kind == Token::Symbol && t.ch == '*') {
                    starNext = true;
                    continue;
                }
                if (t.kind == Token::Word && t.word != "bin" && Destination(t, starNext)) {
                    heldBlanks = 0;
                    groupStart = starNext = false;
                    continue;
                }
                for (; heldBlanks > 0; --heldBlanks) TextByte(' ', false);
            }
            switch (t.kind) {
            case Token::GroupOpen:
                Flush();
                pendingSkip_ = 0;
                if (stack_.size() >= 4096) return;  // nesting that deep is not a document
                stack_.push_back(State());
                State().endsHeaderFooter = State().endsFontEntry = State().endsPicture = false;
                groupStart = true;
                starNext = false;
                continue;
            case Token::GroupClose:
                Flush();
                pendingSkip_ = 0;
                CloseGroup();
                if (stack_.empty()) return;
                groupStart = starNext = false;
                continue;
            case Token::Symbol:
                Symbol(t.ch);
                break;
            case Token::Word:
                if (t.word == "bin") {
                    QByteArray bytes = lexer_.TakeBinary(t.param);
                    if (State().dest == Dest::Picture) picture_.binary += bytes;
                    break;
                }
                Word(t);
                break;
            case Token::Char:
                TextByte(t.ch, false);
                break;
            case Token::Byte:
                TextByte(t.ch, true);
                break;
            default:
                break;
            }
            groupStart = starNext = false;
        }
        Flush();
        while (stack_.size() > 1) CloseGroup();
    }

private:
    GroupState& State() { return stack_.back(); }

    // A word right after "{": returns true when it named a destination and was handled.
    bool Destination(const Token& t, bool starred) {
        GroupState& s = State();
        if (s.dest == Dest::Skip) return true;
        const QByteArray& w = t.word;
        if (w == "fonttbl") {
            s.dest = Dest::FontTable;
            return true;
        }
        if (w == "colortbl") {
            s.dest = Dest::ColorTable;
            colorComponents_ = {-1, -1, -1};
            return true;
        }
        if (w == "pict") {
            s.dest = Dest::Picture;
            s.endsPicture = true;
            picture_ = Picture{};
            return true;
        }
        if (HeaderFooterNames().contains(w)) {
            if (inHeaderFooter_) {
                s.dest = Dest::Skip;
                return true;
            }
            Flush();
            CloseRowIfOpen();
            inHeaderFooter_ = true;
            s.endsHeaderFooter = true;
            s.para = RtfParaFormat{};
            sink_.BeginHeaderFooter(QString::fromLatin1(w));
            return true;
        }
        if (s.dest == Dest::FontTable && w == "f") {
            // One font entry in a group of its own.
            s.endsFontEntry = true;
            currentFont_ = t.param;
            fonts_[currentFont_] = Font{};
            fontName_.clear();
            fontText_.clear();
            return true;
        }
        if (SkippedDestinations().contains(w) || (starred && !KnownStarred(w))) {
            s.dest = Dest::Skip;
            return true;
        }
        return false;
    }

    static bool NotABorderKind(const QByteArray& w) {
        return w == "brdrw" || w == "brdrcf" || w == "brdrsp" || w == "brdrnone" || w == "brdrnil" ||
               w == "brdrtbl";
    }

    static bool KnownStarred(const QByteArray& w) {
        return w == "shppict" || w == "pict" || w == "fldrslt" || w == "shprslt" || w == "result";
    }

    void CloseGroup() {
        GroupState closed = stack_.back();
        stack_.pop_back();
        if (closed.endsFontEntry) CommitFont();
        if (closed.dest == Dest::FontTable && State().dest != Dest::FontTable) {
            CommitFont();
            // Text before any font word is in the default font.
            for (GroupState& open : stack_) {
                if (open.font < 0) {
                    open.font = defaultFont_;
                    open.chr.fontFamily = fonts_.value(defaultFont_).name;
                }
            }
        }
        if (closed.endsPicture) EmitPicture(closed);
        if (closed.endsHeaderFooter) {
            CloseRowIfOpen();
            sink_.EndHeaderFooter();
            inHeaderFooter_ = false;
        }
    }

    void Symbol(char c) {
        GroupState& s = State();
        if (s.dest == Dest::Skip) return;
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            TextByte(c, false);
            break;
        case '~': AppendText(QChar(0x00A0)); break;
        case '_': AppendText(QChar(0x2011)); break;
        case '\r':
        case '\n': Word(MakeWord("par")); break;
        case '\t': AppendText(QChar('\t')); break;
        default: break;  // optional hyphen, index sub-entry and the like
        }
    }

    // The character of \uN: N is a signed 16-bit number.
    static QChar UnicodeOf(const Token& t) {
        return QChar(static_cast<char16_t>(t.param < 0 ? t.param + 65536 : t.param));
    }

    static Token MakeWord(const char* name) {
        Token t;
        t.kind = Token::Word;
        t.word = name;
        return t;
    }

    void TextByte(char c, bool escaped) {
        GroupState& s = State();
        switch (s.dest) {
        case Dest::Skip:
            return;
        case Dest::FontTable:
            if (pendingSkip_ > 0) {
                --pendingSkip_;
            } else if (c == ';' && !escaped) {
                CommitFont();
            } else {
                fontName_.append(c);
            }
            return;
        case Dest::ColorTable:
            if (c == ';') {
                auto& [r, g, b] = colorComponents_;
                colors_.append(r < 0 && g < 0 && b < 0 ? QColor() : QColor(qMax(r, 0), qMax(g, 0), qMax(b, 0)));
                colorComponents_ = {-1, -1, -1};
            }
            return;
        case Dest::Picture:
            if (!escaped) picture_.hex.append(c);
            return;
        case Dest::Body:
            break;
        }
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (!escaped && c == '\t') {
            AppendText(QChar('\t'));
            return;
        }
        bytes_.append(c);
    }

    void AppendText(QChar c) {
        // A font's name may hold what its code page does not, as the writer puts it.
        if (State().dest == Dest::FontTable && currentFont_ >= 0) {
            fontText_ += DecodeCodePage(fontName_, FontCodePage());
            fontName_.clear();
            fontText_ += c;
            return;
        }
        if (State().dest != Dest::Body) return;
        FlushBytes();
        text_.append(c);
    }

    // Control characters and the editor's own marks of objects and frames are
    // no text of a letter, nor of a font's name (nor could they be written back).
    static void DropControls(QString& text, bool keepTabs) {
        text.removeIf([keepTabs](QChar c) {
            const char16_t u = c.unicode();
            return (u < 0x20 && !(keepTabs && u == '\t')) || u == 0xFFFC || u == 0xFDD0 || u == 0xFDD1;
        });
    }

    int CodePage() {
        const GroupState& s = State();
        auto font = fonts_.constFind(s.font < 0 ? defaultFont_ : s.font);
        if (font != fonts_.constEnd() && font->codePage) return font->codePage;
        return codePage_;
    }

    void FlushBytes() {
        if (bytes_.isEmpty()) return;
        text_ += DecodeCodePage(bytes_, CodePage());
        bytes_.clear();
    }

    void Flush() {
        FlushBytes();
        DropControls(text_, true);
        if (text_.isEmpty()) return;
        const GroupState& s = State();
        if (s.dest == Dest::Body) {
            if (!s.para.inTable) CloseRowIfOpen();
            rowOpen_ = rowOpen_ || s.para.inTable;
            sink_.Text(text_, s.chr, s.para);
        }
        text_.clear();
    }

    void CloseRowIfOpen() {
        if (!rowOpen_) return;
        rowOpen_ = false;
        sink_.RowEnd(row_);
    }

    void Word(const Token& t) {
        GroupState& s = State();
        if (s.dest == Dest::Skip) return;
        const QByteArray& w = t.word;
        if (pendingSkip_ > 0 && s.dest == Dest::Body) {
            --pendingSkip_;
            return;
        }
        if (s.dest == Dest::ColorTable) {
            auto& [r, g, b] = colorComponents_;
            if (w == "red") r = t.param;
            else if (w == "green") g = t.param;
            else if (w == "blue") b = t.param;
            return;
        }
        if (s.dest == Dest::FontTable) {
            if (w == "f") {
                CommitFont();
                currentFont_ = t.param;
                fonts_[currentFont_] = Font{};
            } else if (w == "fcharset" && currentFont_ >= 0) {
                fonts_[currentFont_].codePage = CodePageOfCharset(t.param);
            } else if (w == "cpg" && currentFont_ >= 0) {
                fonts_[currentFont_].codePage = t.param;
            } else if (w == "u") {
                AppendText(UnicodeOf(t));
                pendingSkip_ = s.uc;
            }
            return;
        }
        if (s.dest == Dest::Picture) {
            PictureWord(t);
            return;
        }
        // Words that make text keep the current run going.
        if (w == "u") {
            AppendText(UnicodeOf(t));
            pendingSkip_ = s.uc;
            return;
        }
        if (w == "tab") return AppendText(QChar('\t'));
        if (w == "line") return AppendText(QChar(0x2028));
        if (w == "emdash") return AppendText(QChar(0x2014));
        if (w == "endash") return AppendText(QChar(0x2013));
        if (w == "bullet") return AppendText(QChar(0x2022));
        if (w == "lquote") return AppendText(QChar(0x2018));
        if (w == "rquote") return AppendText(QChar(0x2019));
        if (w == "ldblquote") return AppendText(QChar(0x201C));
        if (w == "rdblquote") return AppendText(QChar(0x201D));
        if (w == "emspace") return AppendText(QChar(0x2003));
        if (w == "enspace") return AppendText(QChar(0x2002));
        if (w == "qmspace") return AppendText(QChar(0x2005));
        if (w == "zwj") return AppendText(QChar(0x200D));
        if (w == "zwnj") return AppendText(QChar(0x200C));
        if (w == "nestcell") return AppendText(QChar('\t'));

        Flush();
        const int p = t.param;
        const bool on = !t.hasParam || p != 0;
        RtfCharFormat& c = s.chr;
        RtfParaFormat& para = s.para;
        if (w == "ansicpg") codePage_ = p;
        else if (w == "ansi") codePage_ = 1252;
        else if (w == "mac") codePage_ = 10000;
        else if (w == "pc") codePage_ = 437;
        else if (w == "pca") codePage_ = 850;
        else if (w == "deff") defaultFont_ = p;
        else if (w == "uc") s.uc = qBound(0, p, 16);
        else if (w == "plain") {
            c = RtfCharFormat{};
            SetFont(defaultFont_);
        } else if (w == "f") SetFont(p);
        else if (w == "fs") c.pointSize = p > 0 ? qMin(p, kMaxHalfPoints) / 2.0 : 12;
        else if (w == "b") c.bold = on;
        else if (w == "i") c.italic = on;
        else if (w == "strike" || w == "striked") c.strike = on;
        else if (w == "ulnone") c.underline = false;
        else if (w.startsWith("ul") && w != "ulc") c.underline = on;
        else if (w == "cf") c.color = ColorAt(p);
        else if (w == "cb" || w == "highlight" || w == "chcbpat") c.background = ColorAt(p);
        else if (w == "super") c.valign = RtfCharFormat::Super;
        else if (w == "sub") c.valign = RtfCharFormat::Sub;
        else if (w == "nosupersub") c.valign = RtfCharFormat::Normal;
        else if (w == "pard") {
            para = RtfParaFormat{};
        } else if (w == "ql") para.alignment = Qt::AlignLeft;
        else if (w == "qc") para.alignment = Qt::AlignHCenter;
        else if (w == "qr") para.alignment = Qt::AlignRight;
        else if (w == "qj") para.alignment = Qt::AlignJustify;
        else if (w == "li" || w == "lin") para.leftIndent = Twips(p) / 20.0;
        else if (w == "ri" || w == "rin") para.rightIndent = Twips(p) / 20.0;
        else if (w == "fi") para.firstIndent = Twips(p) / 20.0;
        else if (w == "sb") para.spaceBefore = Twips(p, 0) / 20.0;
        else if (w == "sa") para.spaceAfter = Twips(p, 0) / 20.0;
        else if (w == "pagebb") para.pageBreakBefore = on;
        else if (w == "intbl") para.inTable = true;
        else if (w == "par" || w == "sect") {
            if (!para.inTable) CloseRowIfOpen();
            else rowOpen_ = true;
            sink_.ParagraphEnd(para, c);
        } else if (w == "page") {
            CloseRowIfOpen();
            sink_.PageBreak();
        } else if (w == "cell") {
            rowOpen_ = true;
            sink_.CellEnd(para, c);
        } else if (w == "row") {
            rowOpen_ = true;
            CloseRowIfOpen();
        } else if (w == "nestrow") {
            sink_.ParagraphEnd(para, c);
        } else if (w == "trowd") {
            row_ = RtfRowFormat{};
            cellBackground_ = QColor();
            lastBorderOfCell_ = false;
        } else if (w == "trleft") rowLeft_ = Twips(p) / 20.0;
        else if (w == "cellx") {
            row_.cellRight.append(p / 20.0 - rowLeft_);
            row_.cellBackground.append(cellBackground_);
            cellBackground_ = QColor();
        } else if (w == "clcbpat") cellBackground_ = ColorAt(p);
        else if (w.startsWith("clbrdr") || w.startsWith("trbrdr")) lastBorderOfCell_ = true;
        else if (w == "brdrt" || w == "brdrb" || w == "brdrl" || w == "brdrr" || w == "brdrbtw" ||
                 w == "brdrbar" || w == "box") lastBorderOfCell_ = false;
        else if (w.startsWith("brdr") && !NotABorderKind(w)) {
            if (lastBorderOfCell_) row_.borders = true;
        } else if (w == "paperw" || w == "pgwsxn") page_.paperWidth = Twips(p, 0), pageSeen_ = true;
        else if (w == "paperh" || w == "pghsxn") page_.paperHeight = Twips(p, 0), pageSeen_ = true;
        else if (w == "margl" || w == "marglsxn") page_.marginLeft = Twips(p, 0), pageSeen_ = true;
        else if (w == "margr" || w == "margrsxn") page_.marginRight = Twips(p, 0), pageSeen_ = true;
        else if (w == "margt" || w == "margtsxn") page_.marginTop = Twips(p, 0), pageSeen_ = true;
        else if (w == "margb" || w == "margbsxn") page_.marginBottom = Twips(p, 0), pageSeen_ = true;
        else if (w == "landscape" || w == "lndscpsxn") page_.landscape = true, pageSeen_ = true;
        else if (w == "titlepg") page_.titlePage = true, pageSeen_ = true;
        if (pageSeen_) {
            sink_.PageSetup(page_);
            pageSeen_ = false;
        }
    }

    void SetFont(int index) {
        GroupState& s = State();
        s.font = index;
        auto font = fonts_.constFind(index);
        if (font != fonts_.constEnd()) s.chr.fontFamily = font->name;
    }

    QColor ColorAt(int index) const { return index >= 0 && index < colors_.size() ? colors_[index] : QColor(); }

    int FontCodePage() const {
        const int own = fonts_.value(currentFont_).codePage;
        return own ? own : codePage_;
    }

    void CommitFont() {
        if (currentFont_ < 0) return;
        QString name = fontText_ + DecodeCodePage(fontName_, FontCodePage());
        DropControls(name, false);
        name = name.trimmed();
        Font& font = fonts_[currentFont_];
        if (font.name.isEmpty()) font.name = name;
        fontName_.clear();
        fontText_.clear();
        currentFont_ = -1;
    }

    void PictureWord(const Token& t) {
        const QByteArray& w = t.word;
        if (w == "pngblip") picture_.type = Picture::Png;
        else if (w == "jpegblip") picture_.type = Picture::Jpeg;
        else if (w == "dibitmap") picture_.type = Picture::Dib;
        else if (w == "wmetafile" || w == "emfblip" || w == "macpict" || w == "wbitmap") picture_.type = Picture::Metafile;
        else if (w == "picw") picture_.picw = t.param;
        else if (w == "pich") picture_.pich = t.param;
        else if (w == "picwgoal") picture_.goalw = t.param;
        else if (w == "pichgoal") picture_.goalh = t.param;
        else if (w == "picscalex") picture_.scalex = t.param;
        else if (w == "picscaley") picture_.scaley = t.param;
    }

    void EmitPicture(const GroupState& closed) {
        const GroupState& s = State();
        if (s.dest != Dest::Body || picture_.type == Picture::Unknown || picture_.type == Picture::Metafile) return;
        QByteArray data = picture_.binary.isEmpty() ? QByteArray::fromHex(picture_.hex) : picture_.binary;
        const bool dib = picture_.type == Picture::Dib;
        if (dib) data = DibFile(data);
        // Pixels a picture may ask for beyond its data's share.
        pixelAllowance_ += qint64(data.size()) * kPixelsPerPictureByte;
        if (data.isEmpty()) return;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, dib ? "BMP" : picture_.type == Picture::Png ? "PNG" : "JPEG");
        const QSize full = reader.size();
        if (full.isEmpty()) return;
        // A few bytes of picture can claim billions of pixels, which take
        // seconds to decode however small they print: such a picture is
        // damaged, and left out as one that does not decode is.
        const qint64 pixels = qint64(full.width()) * full.height();
        if (pixels > pixelAllowance_) return;
        pixelAllowance_ -= pixels;

        auto side = [](int goal, int pixels, int imagePixels, int scale) {
            double points = goal > 0 ? Twips(goal) / 20.0 : (pixels > 0 ? pixels : imagePixels) * 0.75;
            return points * (scale > 0 ? scale : 100) / 100.0;
        };
        QSizeF points(side(picture_.goalw, 0, full.width(), picture_.scalex),
                      side(picture_.goalh, 0, full.height(), picture_.scaley));
        // Scaled past the page's limit, it is shrunk whole to fit it.
        const double fit = kRtfMaxTwips / 20.0 / qMax(points.width(), points.height());
        if (fit < 1) points *= fit;

        const QSize kept = PrintedPixels(full, points);
        // The JPEG decoder reads a smaller picture at once, without the whole
        // one in memory; the others are read as they are, in their own few
        // bits a pixel, and made smaller after.
        if (picture_.type == Picture::Jpeg && kept != full) reader.setScaledSize(kept);
        QImage image = dib ? ReadDib(reader) : reader.read();
        if (image.isNull()) return;
        image = Shrink(image, kept);
        if (!s.para.inTable) CloseRowIfOpen();
        rowOpen_ = rowOpen_ || s.para.inTable;
        sink_.Picture(image, points, closed.chr, s.para);
    }

    // The pixels a picture keeps: no more than print at about 300 dots per
    // inch of its printed size, so a photo of many megapixels printed a few
    // inches wide costs the memory of what shows. One already about that
    // sharp keeps its own, so a letter read again does not lose more.
    static QSize PrintedPixels(const QSize& full, const QSizeF& points) {
        auto side = [](int pixels, double points) {
            const int sharp = qMax(1, qCeil(points / 72 * kPictureDpi));
            return pixels > sharp + sharp / 10 + 1 ? sharp : pixels;
        };
        return {side(full.width(), points.width()), side(full.height(), points.height())};
    }

    // Sampled down to twice the size kept, then smoothed to it: smoothing
    // the whole picture would first make each of its pixels 32 bits.
    static QImage Shrink(const QImage& image, const QSize& kept) {
        if (image.size() == kept) return image;
        const QSize twice(qMin(image.width(), kept.width() * 2), qMin(image.height(), kept.height() * 2));
        const QImage sampled =
            twice == image.size() ? image : image.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return sampled.scaled(kept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    // A device-independent bitmap is a BMP file without its 14-byte file
    // header; empty when its rows are cut short, as a PNG or JPEG file cut
    // short does not decode either.
    static QByteArray DibFile(const QByteArray& dib) {
        if (dib.size() < 12) return {};
        const auto* p = reinterpret_cast<const uchar*>(dib.constData());
        const quint32 headerSize = qFromLittleEndian<quint32>(p);
        qint64 width, height;
        quint32 bitCount, compression = 0, colorsUsed = 0, paletteEntry = 4;
        if (headerSize == 12) {  // the older header: 16-bit sizes, three-byte colours
            width = qFromLittleEndian<quint16>(p + 4);
            height = qFromLittleEndian<quint16>(p + 6);
            bitCount = qFromLittleEndian<quint16>(p + 10);
            paletteEntry = 3;
        } else if (headerSize >= 40 && dib.size() >= 40) {
            width = qFromLittleEndian<qint32>(p + 4);
            height = qAbs(qint64(qFromLittleEndian<qint32>(p + 8)));  // negative: rows top down
            bitCount = qFromLittleEndian<quint16>(p + 14);
            compression = qFromLittleEndian<quint32>(p + 16);
            colorsUsed = qFromLittleEndian<quint32>(p + 32);
        } else {
            return {};
        }
        const qint64 palette = colorsUsed ? colorsUsed : (bitCount <= 8 ? qint64(1) << bitCount : 0);
        // The colour masks of a bare 40-byte header follow it.
        const qint64 masks = headerSize == 40 ? (compression == 3 ? 12 : compression == 6 ? 16 : 0) : 0;
        const qint64 rows = headerSize + palette * paletteEntry + masks;
        if (rows > dib.size()) return {};
        // Uncompressed rows are four-byte aligned: their length is known.
        if (compression == 0 || compression == 3 || compression == 6) {
            const qint64 stride = (width * bitCount + 31) / 32 * 4;
            if (width <= 0 || bitCount == 0 || (height > 0 && stride > (dib.size() - rows) / height)) return {};
        }
        QByteArray file("BM");
        uchar header[12] = {};
        qToLittleEndian<quint32>(quint32(14 + dib.size()), header);
        qToLittleEndian<quint32>(quint32(14 + rows), header + 8);
        file.append(reinterpret_cast<const char*>(header), 12);
        file.append(dib);
        return file;
    }

    // A compressed bitmap may leave pixels out (its codes skip them or end
    // the picture early), which the BMP decoder does not write: the picture
    // is read into one already blank, never into memory as it was.
    static QImage ReadDib(QImageReader& reader) {
        const QSize size = reader.size();
        const QImage::Format format = reader.imageFormat();
        if (format == QImage::Format_Invalid) return {};
        const qint64 bytes = qint64(size.width()) * size.height() * QImage::toPixelFormat(format).bitsPerPixel() / 8;
        if (bytes > qint64(QImageReader::allocationLimit()) << 20) return {};
        QImage image(size, format);
        if (image.isNull()) return {};
        image.fill(0);
        if (!reader.read(&image)) return {};
        return image;
    }

    Lexer lexer_;
    RtfSink& sink_;
    std::vector<GroupState> stack_;
    QHash<int, Font> fonts_;
    QList<QColor> colors_;
    std::tuple<int, int, int> colorComponents_{-1, -1, -1};
    QByteArray fontName_;  // bytes of the font's name not yet decoded
    QString fontText_;     // and what came before them
    int currentFont_ = -1;
    int defaultFont_ = 0;
    int codePage_ = 1252;
    int pendingSkip_ = 0;
    QByteArray bytes_;
    QString text_;
    Picture picture_;
    RtfRowFormat row_;
    double rowLeft_ = 0;
    QColor cellBackground_;
    bool lastBorderOfCell_ = false;
    bool rowOpen_ = false;
    bool inHeaderFooter_ = false;
    RtfPageSetup page_;
    bool pageSeen_ = false;
    qint64 pixelAllowance_ = kFreePicturePixels;
};

}  // namespace

namespace {

// The names a Windows code page may go by among the codecs Qt has; with ICU
// that is most of them, as "windows-N" (the Mac code pages too) or "cpN".
// The Mac code pages of East Asia have no codec of their own: each extends
// the Windows one of its script, which reads all but a few symbols right.
QList<QByteArray> CodecNames(int codePage) {
    switch (codePage) {
    case 10000: return {"macintosh"};
    case 932:
    case 10001: return {"Shift_JIS"};
    case 936: return {"GBK"};
    case 10008: return {"GB2312"};
    case 949:
    case 10003: return {"EUC-KR"};
    case 950:
    case 10002: return {"Big5"};
    default: break;
    }
    const QByteArray number = QByteArray::number(codePage);
    return {"windows-" + number, "cp" + number, "IBM" + number};
}

}  // namespace

QString DecodeCodePage(const QByteArray& bytes, int codePage) {
    if (codePage == 0 || codePage == 1252) return DecodeWindows1252(bytes);
    if (codePage == 65001) return QString::fromUtf8(bytes);
    for (const QByteArray& name : CodecNames(codePage)) {
        QStringDecoder decoder(name.constData());
        if (!decoder.isValid()) continue;
        QString text = decoder.decode(bytes);
        return decoder.hasError() ? DecodeWindows1252(bytes) : text;
    }
    return DecodeWindows1252(bytes);
}

int Cp1252Byte(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    // The 32 bytes where the code page parts from Latin-1.
    static const QString high = [] {
        QByteArray bytes;
        for (int b = 0x80; b < 0xA0; ++b) bytes.append(char(b));
        return DecodeWindows1252(bytes);
    }();
    const qsizetype at = high.indexOf(c);
    return at >= 0 && high[at].unicode() >= 0xA0 ? int(0x80 + at) : -1;
}

namespace {

qsizetype RtfStart(const QByteArray& data) {
    qsizetype start = 0;
    while (start < data.size() && std::isspace(static_cast<uchar>(data[start]))) ++start;
    return data.mid(start, 5) == "{\\rtf" ? start : -1;
}

}  // namespace

bool IsRtf(const QByteArray& data) { return RtfStart(data) >= 0; }

bool ReadRtf(const QByteArray& rtf, RtfSink& sink, QString* error) {
    const qsizetype start = RtfStart(rtf);
    if (start < 0) {
        if (error) *error = QStringLiteral("Il file non è in formato RTF");
        return false;
    }
    Interpreter(rtf.mid(start), sink).Run();
    return true;
}

}  // namespace Platform
