#pragma once
// Delimited text files as the import reads them: lines split at every
// separator with a plain split (a separator inside quotes splits too), a
// field unquoted only when it both begins and ends with '"'.

#include <QString>
#include <QStringList>

namespace DelimitedText {

// What the reader hands on, line by line. An empty line has no fields.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void BeginLine(int number) = 0;  // counted from 1
    virtual void Field(const QString& text) = 0;
    // False stops the reading after this line.
    virtual bool EndLine() = 0;
};

// Lines end at CR LF, LF or CR; the last line needs no end.
void Read(const QString& text, QChar separator, Sink& sink);

// Every line of a text, each split into its fields (at most `maxLines`
// lines when positive).
QList<QStringList> Lines(const QString& text, QChar separator, int maxLines = 0);

QString Unquote(const QString& field);

// A file's text, decoded from UTF-8 (with or without BOM), UTF-16 with BOM,
// or else Windows-1252. False when it cannot be read.
bool LoadFile(const QString& path, QString& text);

}  // namespace DelimitedText
