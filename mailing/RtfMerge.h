#pragma once
// Merge markers filled in the text of an RTF document itself, so that
// everything the program does not read (pictures, tables, headers, fields,
// styles) passes through untouched. A marker is found in the document's
// visible text, wherever formatting codes split it in the file; its value
// takes the formatting of the marker's first character.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace RtfMerge {

// Whether the data begins as an RTF document, as the RTF reader tells it:
// a letter is merged exactly when it is printed as RTF.
bool IsRtf(const QByteArray& rtf);

// The visible text: literal characters, escapes and Unicode characters of
// every text destination; paragraph and line marks as line breaks, tabs and
// cell ends as tabs, other marks as their characters or U+FFFC.
QString VisibleText(const QByteArray& rtf);

// Replaces every occurrence of the marker (exact, case-sensitive) in the
// visible text by the value, left to right; a value that contains the marker
// is not searched again. Returns the number of replacements.
int Replace(QByteArray& rtf, const QString& marker, const QString& value);
// Each marker in turn, as the calls above one after the other would: a
// value holding a later marker is filled again when that marker's turn comes.
int Replace(QByteArray& rtf, const QList<QPair<QString, QString>>& markers);

// A text as RTF: ASCII as it is, braces and backslashes escaped, characters
// of a Windows-1252 document as \'hh, others as \uN.
QByteArray Escape(const QString& text, int codePage = 1252);

// The document's ANSI code page (\ansicpgN), 1252 when it names none.
int CodePage(const QByteArray& rtf);

}  // namespace RtfMerge
