#include "Values.h"

#include "Errors.h"
#include "Runtime.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

namespace Platform {

namespace {

const QStringList kDayNames = {"lunedì", "martedì", "mercoledì", "giovedì", "venerdì", "sabato", "domenica"};
const QStringList kMonthNames = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                                 "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};

const QDate kEpoch(1899, 12, 30);

// Unless TZ names the zone, the C library looks at the zone file again at
// every local time conversion, and a list of thousands of dates spends most
// of its time there. Named before any thread starts, it is the same zone the
// system gives.
const bool kZoneNamed = [] {
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    return true;
}();

bool IsBlank(QChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether a text is wholly a number in the program's own sense (as Val
// reads it, with nothing left over), so Format can treat "0000012" as 12.
bool IsNumericText(const QString& s, double* out) {
    QString t = s.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok) v = QLocale(QLocale::Italian).toDouble(t, &ok);
    if (ok && out) *out = v;
    return ok;
}

}  // namespace

double Val(const QString& text) {
    // Blanks anywhere are skipped, as the original skips them.
    QString s;
    for (QChar c : text)
        if (!IsBlank(c)) s += c;
    if (s.startsWith("&H", Qt::CaseInsensitive) || s.startsWith("&O", Qt::CaseInsensitive)) {
        int base = s[1].toUpper() == 'H' ? 16 : 8;
        qint64 v = 0;
        int i = 2;
        for (; i < s.size(); ++i) {
            bool ok = false;
            const int d = QString(s[i]).toInt(&ok, base);
            if (!ok) break;
            v = v * base + d;
            // The literal is a Long at most: anything wider overflows, as in the original.
            if (v > 0xFFFFFFFFLL) Err().Raise(6, QStringLiteral("Overflow"));
        }
        if (i == 2) return 0;
        // &H values are 16 or 32-bit signed, as the original reads them.
        if (base == 16 && i - 2 <= 4 && v > 0x7FFF) v -= 0x10000;
        else if (v > 0x7FFFFFFF && v <= 0xFFFFFFFFLL) v -= 0x100000000LL;
        return static_cast<double>(v);
    }
    int i = 0;
    QString num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
    bool digits = false, dot = false;
    for (; i < s.size(); ++i) {
        if (s[i].isDigit() && s[i].unicode() < 128) {
            num += s[i];
            digits = true;
        } else if (s[i] == '.' && !dot) {
            num += s[i];
            dot = true;
        } else {
            break;
        }
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        QString exp = "e";
        int j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
        int start = j;
        while (j < s.size() && s[j].isDigit()) exp += s[j++];
        if (j > start) num += exp;
    }
    const double v = num.toDouble();
    if (std::isinf(v)) Err().Raise(6, QStringLiteral("Overflow"));
    return v;
}

double Val(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return 0;
    switch (value.typeId()) {
    case QMetaType::Bool: return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::UInt:
    case QMetaType::ULongLong: return value.toDouble();
    case QMetaType::QDateTime: return DateToSerial(value.toDateTime());
    default: return Val(value.toString());
    }
}

QString Trim(const QString& s) { return RTrim(LTrim(s)); }

QString LTrim(const QString& s) {
    int i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.mid(i);
}

QString RTrim(const QString& s) {
    int n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.left(n);
}

double RoundHalfEven(double value, int decimals) {
    double scale = std::pow(10.0, decimals);
    double scaled = value * scale;
    // Float noise such as 2.675 * 100 = 267.49999... must not flip the rounding.
    double nearest = std::round(scaled);
    if (std::fabs(scaled - nearest) < 1e-9 * std::max(1.0, std::fabs(scaled))) scaled = nearest;
    int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(scaled);
    std::fesetround(mode);
    return r / scale;
}

qint32 CLng(double value) {
    double r = RoundHalfEven(value);
    if (std::isnan(r) || r < -2147483648.0 || r > 2147483647.0) Err().Raise(6, QStringLiteral("Overflow"));
    return static_cast<qint32>(r);
}

int TwipsToPixels(double twips) { return static_cast<int>(RoundHalfEven(twips / TwipsPerPixel)); }
double PixelsToTwips(int pixels) { return pixels * double(TwipsPerPixel); }

QColor BgrToColor(std::int32_t bgr) {
    auto v = static_cast<std::uint32_t>(bgr);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

std::int32_t ColorToBgr(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

std::int32_t RGB(int red, int green, int blue) {
    return static_cast<std::int32_t>((blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF));
}

double DateToSerial(const QDateTime& value) {
    qint64 days = kEpoch.daysTo(value.date());
    double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the fraction still counts forward from midnight:
    // -1.25 is 29/12/1899 06:00, as the engine stores it.
    return days >= 0 ? days + fraction : days - fraction;
}

bool IsDateSerial(double serial) {
    // The dates the engine can hold: 1 January 100 to 31 December 9999.
    return serial > -657435.0 && serial < 2958466.0;
}

QDateTime SerialToDate(double serial) {
    if (!IsDateSerial(serial)) Err().Raise(6, QStringLiteral("Overflow"));
    double whole = std::trunc(serial);
    double fraction = std::fabs(serial - whole);
    qint64 ms = std::llround(fraction * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += serial >= 0 ? 1 : -1;
    }
    return QDateTime(kEpoch.addDays(static_cast<qint64>(whole)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

// ---------------------------------------------------------------- dates

QDateTime CDate(const QString& input) {
    QString s = input.trimmed();
    if (s.isEmpty()) return {};
    static const QRegularExpression iso(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2})[:.](\d{2})(?:[:.](\d{2}))?)?$)");
    static const QRegularExpression it(
        R"(^(\d{1,2})[/\-.](\d{1,2})(?:[/\-.](\d{2,4}))?(?:\s+(\d{1,2})[:.](\d{1,2})(?:[:.](\d{1,2}))?)?$)");
    static const QRegularExpression timeOnly(R"(^(\d{1,2})[:.](\d{2})(?:[:.](\d{2}))?$)");
    int y = 0, m = 0, d = 0, hh = 0, nn = 0, ss = 0;
    bool hasDate = true;
    QRegularExpressionMatch mt;
    if ((mt = iso.match(s)).hasMatch()) {
        y = mt.captured(1).toInt();
        m = mt.captured(2).toInt();
        d = mt.captured(3).toInt();
        hh = mt.captured(4).toInt();
        nn = mt.captured(5).toInt();
        ss = mt.captured(6).toInt();
    } else if ((mt = it.match(s)).hasMatch() && !(mt.captured(3).isEmpty() && s.contains('.') && mt.captured(4).isEmpty())) {
        d = mt.captured(1).toInt();
        m = mt.captured(2).toInt();
        QString ys = mt.captured(3);
        if (ys.isEmpty()) y = Now().date().year();
        else if (ys.size() <= 2) y = ys.toInt() < 30 ? 2000 + ys.toInt() : 1900 + ys.toInt();
        else if (ys.size() == 4) y = ys.toInt();
        else return {};
        hh = mt.captured(4).toInt();
        nn = mt.captured(5).toInt();
        ss = mt.captured(6).toInt();
    } else if ((mt = timeOnly.match(s)).hasMatch()) {
        hasDate = false;
        hh = mt.captured(1).toInt();
        nn = mt.captured(2).toInt();
        ss = mt.captured(3).toInt();
    } else {
        return {};
    }
    QTime time(hh, nn, ss);
    if (!time.isValid()) return {};
    if (!hasDate) return QDateTime(kEpoch, time);
    QDate date(y, m, d);
    if (!date.isValid()) return {};
    return QDateTime(date, time);
}

bool IsDate(const QString& text) { return CDate(text).isValid(); }

QString FormatDate(const QDateTime& value, const QString& pattern) {
    if (!value.isValid()) return QString();
    QString p = pattern;
    QString named = p.trimmed().toLower();
    if (named.isEmpty() || named == "general date") {
        bool noTime = value.time().msecsSinceStartOfDay() == 0;
        bool noDate = value.date() == kEpoch;
        if (noDate && !noTime) p = "hh:nn:ss";
        else p = noTime ? "dd/mm/yyyy" : "dd/mm/yyyy hh:nn:ss";
    } else if (named == "short date") {
        p = "dd/mm/yyyy";
    } else if (named == "long date") {
        p = "dddd d mmmm yyyy";
    } else if (named == "medium date") {
        p = "dd-mmm-yy";
    } else if (named == "short time") {
        p = "hh:nn";
    } else if (named == "long time" || named == "medium time") {
        p = "hh:nn:ss";
    }

    const QDate date = value.date();
    const QTime time = value.time();
    bool ampm = p.contains("am/pm", Qt::CaseInsensitive) || p.contains("a/p", Qt::CaseInsensitive);
    auto two = [](int v) { return QString::number(v).rightJustified(2, '0'); };

    // Tokens first, so that "m" can be told apart as minutes (after an hour or before seconds).
    struct Tok {
        QString kind;  // d m y h n s q w literal ampm
        int len;
        QString text;
    };
    QList<Tok> toks;
    for (int i = 0; i < p.size();) {
        QChar c = p[i];
        QChar lc = c.toLower();
        if (c == '\\' && i + 1 < p.size()) {
            toks.append({"lit", 1, QString(p[i + 1])});
            i += 2;
        } else if (c == '"') {
            int close = p.indexOf('"', i + 1);
            if (close < 0) close = p.size();
            toks.append({"lit", 0, p.mid(i + 1, close - i - 1)});
            i = close + 1;
        } else if (p.mid(i, 5).compare("am/pm", Qt::CaseInsensitive) == 0) {
            toks.append({"ampm", 5, p.mid(i, 5)});
            i += 5;
        } else if (p.mid(i, 3).compare("a/p", Qt::CaseInsensitive) == 0) {
            toks.append({"ap", 3, p.mid(i, 3)});
            i += 3;
        } else if (QString("dmyhnswq").contains(lc)) {
            int j = i;
            while (j < p.size() && p[j].toLower() == lc) ++j;
            toks.append({QString(lc), j - i, {}});
            i = j;
        } else if (lc == 't' && p.mid(i, 5).compare("ttttt", Qt::CaseInsensitive) == 0) {
            toks.append({"lit", 0, time.toString("hh:mm:ss")});
            i += 5;
        } else {
            toks.append({"lit", 1, QString(c)});
            ++i;
        }
    }
    QString out;
    for (int k = 0; k < toks.size(); ++k) {
        const Tok& t = toks[k];
        if (t.kind == "lit") {
            out += t.text;
        } else if (t.kind == "d") {
            if (t.len == 1) out += QString::number(date.day());
            else if (t.len == 2) out += two(date.day());
            else if (t.len == 3) out += kDayNames[date.dayOfWeek() - 1].left(3);
            else if (t.len == 4) out += kDayNames[date.dayOfWeek() - 1];
            else out += date.toString("dd/MM/yyyy");
        } else if (t.kind == "m") {
            bool minutes = false;
            if (t.len <= 2) {
                for (int b = k - 1; b >= 0; --b) {
                    if (toks[b].kind == "lit") continue;
                    minutes = toks[b].kind == "h";
                    break;
                }
                for (int a = k + 1; a < toks.size() && !minutes; ++a) {
                    if (toks[a].kind == "lit") continue;
                    minutes = toks[a].kind == "s";
                    break;
                }
            }
            if (minutes) out += t.len == 1 ? QString::number(time.minute()) : two(time.minute());
            else if (t.len == 1) out += QString::number(date.month());
            else if (t.len == 2) out += two(date.month());
            else if (t.len == 3) out += kMonthNames[date.month() - 1].left(3);
            else out += kMonthNames[date.month() - 1];
        } else if (t.kind == "y") {
            if (t.len == 1) out += QString::number(date.dayOfYear());
            else if (t.len == 2) out += two(date.year() % 100);
            else out += QString::number(date.year()).rightJustified(4, '0');
        } else if (t.kind == "h") {
            int h = time.hour();
            if (ampm) h = h % 12 == 0 ? 12 : h % 12;
            out += t.len == 1 ? QString::number(h) : two(h);
        } else if (t.kind == "n") {
            out += t.len == 1 ? QString::number(time.minute()) : two(time.minute());
        } else if (t.kind == "s") {
            out += t.len == 1 ? QString::number(time.second()) : two(time.second());
        } else if (t.kind == "q") {
            out += QString::number((date.month() - 1) / 3 + 1);
        } else if (t.kind == "w") {
            if (t.len == 1) out += QString::number(date.dayOfWeek() % 7 + 1);
            else out += QString::number(date.weekNumber());
        } else if (t.kind == "ampm") {
            bool upper = t.text[0].isUpper();
            QString s = time.hour() < 12 ? "am" : "pm";
            out += upper ? s.toUpper() : s;
        } else if (t.kind == "ap") {
            bool upper = t.text[0].isUpper();
            QString s = time.hour() < 12 ? "a" : "p";
            out += upper ? s.toUpper() : s;
        }
    }
    return out;
}

// ---------------------------------------------------------------- numbers

QString FormatNumber(double value, const QString& pattern) {
    QString p = pattern;
    // Sections: positive;negative;zero.
    QStringList sections = p.split(';');
    if (sections.size() > 1 && value < 0) {
        p = sections[1];
        value = -value;
    } else if (sections.size() > 2 && value == 0) {
        p = sections[2];
    } else {
        p = sections[0];
    }
    QString named = p.trimmed().toLower();
    if (named.isEmpty() || named == "general number") {
        QString s = QString::number(value, 'g', 15);
        return s.replace('.', ',');
    }
    if (named == "fixed") p = "0.00";
    else if (named == "standard") p = "#,##0.00";
    else if (named == "percent") p = "0.00%";

    // Split the pattern into the literal prefix, the digit mask and the suffix.
    int first = -1, last = -1;
    for (int i = 0; i < p.size(); ++i) {
        if (p[i] == '0' || p[i] == '#' || ((p[i] == '.' || p[i] == ',') && first >= 0)) {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first < 0) return p;
    QString prefix = p.left(first), mask = p.mid(first, last - first + 1), suffix = p.mid(last + 1);
    if (suffix.contains('%') || prefix.contains('%')) value *= 100;
    int dot = mask.indexOf('.');
    QString intMask = dot < 0 ? mask : mask.left(dot);
    QString fracMask = dot < 0 ? QString() : mask.mid(dot + 1);
    bool grouping = intMask.contains(',');
    intMask.remove(',');
    fracMask.remove(',');
    int fracDigits = fracMask.size();
    int minFrac = 0;
    for (int i = 0; i < fracMask.size(); ++i)
        if (fracMask[i] == '0') minFrac = i + 1;
    int minInt = intMask.count('0');

    bool negative = value < 0;
    double rounded = RoundHalfEven(std::fabs(value), fracDigits);
    QString digits = QString::number(rounded, 'f', fracDigits);
    QString intPart = dot < 0 && fracDigits == 0 ? digits : digits.section('.', 0, 0);
    QString fracPart = fracDigits ? digits.section('.', 1, 1) : QString();
    if (intPart == "0" && minInt == 0) intPart.clear();
    while (intPart.size() < minInt) intPart.prepend('0');
    while (fracPart.size() > minFrac && fracPart.endsWith('0')) fracPart.chop(1);
    if (grouping) {
        QString g;
        for (int i = 0; i < intPart.size(); ++i) {
            if (i > 0 && (intPart.size() - i) % 3 == 0) g += '.';
            g += intPart[i];
        }
        intPart = g;
    }
    QString body = intPart;
    if (!fracPart.isEmpty() || (dot >= 0 && minFrac > 0)) body += ',' + fracPart;
    static const QRegularExpression nonZero("[1-9]");
    bool allZero = !body.contains(nonZero);
    return (negative && !allZero ? "-" : "") + prefix + body + suffix;
}

QString Format(const QVariant& value, const QString& pattern) {
    if (!value.isValid() || value.isNull()) return QString();
    switch (value.typeId()) {
    case QMetaType::QDateTime: return FormatDate(value.toDateTime(), pattern);
    case QMetaType::QDate: return FormatDate(QDateTime(value.toDate(), QTime(0, 0)), pattern);
    case QMetaType::QTime: return FormatDate(QDateTime(kEpoch, value.toTime()), pattern);
    case QMetaType::Bool: return FormatNumber(value.toBool() ? -1 : 0, pattern);
    case QMetaType::QString: {
        QString s = value.toString();
        double n = 0;
        if (IsNumericText(s, &n)) return FormatNumber(n, pattern);
        QDateTime d = CDate(s);
        if (d.isValid() && !pattern.isEmpty()) return FormatDate(d, pattern);
        return pattern.isEmpty() ? s : (pattern.contains('@') ? s : s);
    }
    default: {
        bool ok = false;
        double n = value.toDouble(&ok);
        if (!ok) return value.toString();
        static const QRegularExpression dateLetters("[dmyhns]", QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression digitMarks("[0#]");
        bool datePattern = pattern.contains(dateLetters) && !pattern.contains(digitMarks);
        return datePattern ? FormatDate(SerialToDate(n), pattern) : FormatNumber(n, pattern);
    }
    }
}

// ---------------------------------------------------------------- Like

bool Like(const QString& text, const QString& pattern, bool ignoreCase) {
    QString rx = "^";
    for (int i = 0; i < pattern.size(); ++i) {
        QChar c = pattern[i];
        if (c == '*') rx += ".*";
        else if (c == '?') rx += ".";
        else if (c == '#') rx += "[0-9]";
        else if (c == '[') {
            int close = pattern.indexOf(']', i + 1);
            if (close < 0) {
                rx += "\\[";
                continue;
            }
            QString set = pattern.mid(i + 1, close - i - 1);
            QString cls = "[";
            int k = 0;
            if (set.startsWith('!')) {
                cls += '^';
                k = 1;
            }
            for (; k < set.size(); ++k) {
                if (set[k] == '-' && k > 0 && k + 1 < set.size()) cls += '-';
                else cls += QRegularExpression::escape(QString(set[k]));
            }
            rx += cls + "]";
            i = close;
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    rx += "$";
    QRegularExpression re(rx, QRegularExpression::DotMatchesEverythingOption |
                                  (ignoreCase ? QRegularExpression::CaseInsensitiveOption
                                              : QRegularExpression::NoPatternOption));
    return re.match(text).hasMatch();
}

namespace {
// The 32 characters where Windows-1252 differs from Latin-1 (0x80..0x9F);
// 0 marks the five bytes it leaves undefined, which stand for themselves.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

// The one Windows-1252 table of the program (the vCard and RTF readers decode with it).
QString DecodeWindows1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* to = out.data();
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *to++ = b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

QString DecodeText(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return decoder.decode(bytes);
    }
    // Most texts are plain ASCII, which needs no telling which of the two it is.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; })) return QString::fromLatin1(bytes);
    if (bytes.isValidUtf8()) return QString::fromUtf8(bytes);
    return DecodeWindows1252(bytes);
}

}  // namespace Platform
