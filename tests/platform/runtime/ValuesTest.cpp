#include "Errors.h"
#include "Values.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace Platform;

TEST(Values, ValReadsTheLeadingNumber) {
    EXPECT_EQ(Val(QString("0000012")), 12);
    EXPECT_EQ(Val(QString("12abc")), 12);
    EXPECT_EQ(Val(QString("abc")), 0);
    EXPECT_EQ(Val(QString("")), 0);
    EXPECT_EQ(Val(QString(" 1 2 3")), 123);  // blanks are skipped
    EXPECT_DOUBLE_EQ(Val(QString("3.75kg")), 3.75);
    EXPECT_DOUBLE_EQ(Val(QString("3,75")), 3);  // the comma is not a decimal point here
    EXPECT_EQ(Val(QString("-7")), -7);
    EXPECT_EQ(Val(QString("&HFF")), 255);
    EXPECT_EQ(Val(QString("&HFFFF")), -1);
    EXPECT_DOUBLE_EQ(Val(QString("1e3")), 1000);
    EXPECT_EQ(Val(QVariant()), 0);
    EXPECT_EQ(Val(QVariant(true)), -1);
}

TEST(Values, FormatNumbersWithPatterns) {
    EXPECT_EQ(Format(12, "00000000"), "00000012");
    EXPECT_EQ(Format(QString("0000012"), "0000000"), "0000012");
    EXPECT_EQ(Format(123456789, "00000000"), "123456789");
    EXPECT_EQ(Format(1234.5, "#,##0.00"), "1.234,50");
    EXPECT_EQ(Format(0.5, "0.0"), "0,5");
    EXPECT_EQ(Format(2.5, "0"), "2");  // halves to even
    EXPECT_EQ(Format(3.5, "0"), "4");
    EXPECT_EQ(Format(-3, "00"), "-03");
    EXPECT_EQ(Format(0.25, "0%"), "25%");
    EXPECT_EQ(Format(QVariant(), "00"), "");
}

TEST(Values, FormatDatesWithPatterns) {
    QDateTime t(QDate(2026, 3, 7), QTime(9, 5, 4));
    EXPECT_EQ(Format(t, "dd/mm/yyyy hh:nn:ss"), "07/03/2026 09:05:04");
    EXPECT_EQ(Format(t, "dd/mm/yyyy"), "07/03/2026");
    EXPECT_EQ(Format(t, "hh.nn"), "09.05");
    EXPECT_EQ(Format(t, "hh:mm"), "09:05");  // m after an hour means minutes
    EXPECT_EQ(Format(t, "yyyymmdd"), "20260307");
    EXPECT_EQ(Format(t, "d mmmm yyyy"), "7 marzo 2026");
    EXPECT_EQ(Format(t, "dddd"), "sabato");
    EXPECT_EQ(Format(t, "hh\\:nn"), "09:05");
    EXPECT_EQ(Format(t), "07/03/2026 09:05:04");
    EXPECT_EQ(Format(QDateTime(QDate(2026, 3, 7), QTime(0, 0))), "07/03/2026");
}

TEST(Values, ItalianDatesParse) {
    EXPECT_EQ(CDate("25/12/2026"), QDateTime(QDate(2026, 12, 25), QTime(0, 0)));
    EXPECT_EQ(CDate("25/12/2026 10.30"), QDateTime(QDate(2026, 12, 25), QTime(10, 30)));
    EXPECT_EQ(CDate("25-12-26 10:30:15"), QDateTime(QDate(2026, 12, 25), QTime(10, 30, 15)));
    EXPECT_EQ(CDate("1/2/45").date(), QDate(1945, 2, 1));  // two-digit years from 30 are 1900s
    EXPECT_EQ(CDate("2026-12-25").date(), QDate(2026, 12, 25));
    EXPECT_EQ(CDate("10:30").time(), QTime(10, 30));
    EXPECT_FALSE(IsDate("31/02/2026"));
    EXPECT_FALSE(IsDate("domani"));
    EXPECT_FALSE(IsDate("25/12/2026 25.00"));
    EXPECT_FALSE(IsDate(""));
}

TEST(Values, TrimRemovesSpacesOnly) {
    EXPECT_EQ(Trim("  Rossi  "), "Rossi");
    EXPECT_EQ(Trim("\tRossi\n"), "\tRossi\n");
    EXPECT_EQ(LTrim("  a "), "a ");
    EXPECT_EQ(RTrim("  a "), "  a");
}

TEST(Values, LikePatterns) {
    EXPECT_TRUE(Like("Rossi", "R*"));
    EXPECT_FALSE(Like("rossi", "R*"));
    EXPECT_TRUE(Like("rossi", "R*", true));
    EXPECT_TRUE(Like("A1", "?#"));
    EXPECT_TRUE(Like("b", "[a-c]"));
    EXPECT_FALSE(Like("b", "[!a-c]"));
    EXPECT_TRUE(Like("a.b", "a.b"));
    EXPECT_FALSE(Like("axb", "a.b"));  // the dot is no wildcard
}

TEST(Values, RoundingIsHalfToEven) {
    EXPECT_EQ(CLng(2.5), 2);
    EXPECT_EQ(CLng(3.5), 4);
    EXPECT_EQ(CLng(-2.5), -2);
    EXPECT_EQ(CLng(2.4999), 2);
    EXPECT_DOUBLE_EQ(RoundHalfEven(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(RoundHalfEven(0.125, 2), 0.12);
    EXPECT_THROW(CLng(3e9), BasicError);
    try {
        CLng(-3e9);
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), 6);
        EXPECT_EQ(e.Description(), "Overflow");
    }
}

TEST(Values, TwipsAndColours) {
    EXPECT_EQ(TwipsToPixels(1440), 96);
    EXPECT_EQ(PixelsToTwips(96), 1440);
    QColor c = BgrToColor(0xBE956A);
    EXPECT_EQ(c.red(), 0x6A);
    EXPECT_EQ(c.green(), 0x95);
    EXPECT_EQ(c.blue(), 0xBE);
    EXPECT_EQ(ColorToBgr(c), 0xBE956A);
    EXPECT_EQ(RGB(255, 0, 0), 0xFF);
}

TEST(Values, DatesAsTheEngineStoresThem) {
    EXPECT_DOUBLE_EQ(DateToSerial(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0);
    EXPECT_DOUBLE_EQ(DateToSerial(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    EXPECT_DOUBLE_EQ(DateToSerial(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    QDateTime t(QDate(2026, 12, 8), QTime(23, 59, 59));
    EXPECT_EQ(SerialToDate(DateToSerial(t)), t);
    EXPECT_EQ(SerialToDate(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
}

namespace {
long ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const BasicError& e) {
        return e.Number();
    }
    return 0;
}
}  // namespace

TEST(Values, NumbersTooWideOverflow) {
    EXPECT_EQ(Val(QString("&HFFFFFFFF")), -1);
    EXPECT_EQ(Val(QString("&O37777777777")), -1);
    EXPECT_EQ(ErrorOf([] { Val(QString("&H100000000")); }), 6);
    EXPECT_EQ(ErrorOf([] { Val(QString("&H1FFFFFFFFFFFFFFFFFFFF")); }), 6);  // wider than 64 bits
    EXPECT_EQ(ErrorOf([] { Val(QString("&O" + QString(40, '7'))); }), 6);
    EXPECT_EQ(ErrorOf([] { Val(QString("1e999")); }), 6);
    EXPECT_EQ(ErrorOf([] { Val(QString(400, '9')); }), 6);
}

TEST(Values, DatesOutsideTheEnginesRangeOverflow) {
    EXPECT_EQ(SerialToDate(2958465.5), QDateTime(QDate(9999, 12, 31), QTime(12, 0)));
    EXPECT_EQ(SerialToDate(-657434), QDateTime(QDate(100, 1, 1), QTime(0, 0)));
    for (double serial : {2958466.0, -657435.0, 1e300, -1e300, std::nan(""), HUGE_VAL})
        EXPECT_EQ(ErrorOf([serial] { SerialToDate(serial); }), 6) << serial;
    EXPECT_EQ(ErrorOf([] { Format(QVariant(1e20), "dd/mm/yyyy"); }), 6);
}
