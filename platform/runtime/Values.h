#pragma once
// The value rules of the language the program was designed in: numeric
// conversion, formatting with its patterns, Italian dates, trimming,
// pattern matching, rounding, twips, BGR colours, and bytes read as text.

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <cstdint>

namespace Platform {

// Val: leading number of a text ("0000012" -> 12, "12abc" -> 12, "abc" -> 0);
// "&H" hexadecimal and "&O" octal prefixes accepted; spaces are skipped.
// A hexadecimal or octal literal wider than 32 bits, or a number beyond the
// double range, raises error 6 "Overflow".
double Val(const QString& text);
double Val(const QVariant& value);

// Format with the Basic patterns: numbers ("00000000", "#,##0.00", "0.0"),
// dates ("dd/mm/yyyy hh:nn:ss", "hh.nn", "yyyymmdd", "dddd", "mmmm"...).
// Day and month names are Italian.
QString Format(const QVariant& value, const QString& pattern = QString());
QString FormatNumber(double value, const QString& pattern);
QString FormatDate(const QDateTime& value, const QString& pattern);

// Italian date and time text ("25/12/2026", "25/12/2026 10.30", "10:30",
// "25-12-26") to a date; invalid when not a date. IsDate is its test.
QDateTime CDate(const QString& text);
bool IsDate(const QString& text);

// Trim, LTrim, RTrim remove spaces only (not tabs or line breaks).
QString Trim(const QString& s);
QString LTrim(const QString& s);
QString RTrim(const QString& s);

// Like with * ? # [list] [!list], case-insensitive when asked (Option Compare Text).
bool Like(const QString& text, const QString& pattern, bool ignoreCase = false);

// CLng / CInt / Round: halves go to the even neighbour. CLng raises error 6
// "Overflow" outside the 32-bit range.
qint32 CLng(double value);
double RoundHalfEven(double value, int decimals = 0);

// Twips: 1440 a inch; screen pixels at 96 per inch are 15 twips.
constexpr int TwipsPerPixel = 15;
int TwipsToPixels(double twips);
double PixelsToTwips(int pixels);

// Colours are &HBBGGRR (red in the low byte).
QColor BgrToColor(std::int32_t bgr);
std::int32_t ColorToBgr(const QColor& color);
std::int32_t RGB(int red, int green, int blue);

// Dates as the Jet engine stores them: days since 30/12/1899, time as fraction.
// A serial outside the years 100 to 9999 raises error 6 "Overflow".
double DateToSerial(const QDateTime& value);
QDateTime SerialToDate(double serial);
// Whether a serial is one of those dates (never NaN or infinite).
bool IsDateSerial(double serial);

// Bytes as text: UTF-8 when they are valid UTF-8, else Windows-1252 (the two
// encodings address books and Windows tools write); a BOM is dropped.
QString DecodeText(QByteArrayView bytes);
QString DecodeWindows1252(QByteArrayView bytes);

}  // namespace Platform
