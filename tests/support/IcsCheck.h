#pragma once
// An iCalendar file read by an independent checker (Python's standard
// library, tests/data/ical/check_ics.py): one line per event, "UID|DTSTART|SUMMARY".
// The test fails when the checker finds the file unsound.

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

inline QStringList CheckIcs(const QString& checker, const QString& file) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {checker, file});
    p.waitForFinished(30000);
    const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(p.exitCode(), 0) << out.join('\n').toStdString();
    return out;
}
