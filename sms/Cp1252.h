#pragma once
// The Windows-1252 code page, the "ANSI" text of the gateways and the logs.

#include <QByteArray>
#include <QString>

namespace Cp1252 {

// A character the code page lacks becomes "?", as Windows writes it.
QByteArray FromUnicode(const QString& text);
QString ToUnicode(const QByteArray& bytes);
// The byte of one character (63 for one the code page lacks).
quint8 Code(QChar c);

}  // namespace Cp1252
