#pragma once
// Text rules of the gateway exchanges: numbers read the way the Basic runtime
// reads them, and the encodings the requests need.

#include <QString>

namespace SmsText {

// The leading number of a text (Val): blanks are skipped, 0 when none.
double Val(const QString& text);
// Nearest whole number, a half going to the even neighbour (CLng), kept
// within the Long range.
qint32 RoundLong(double value);
// A text that is wholly a number, as a whole number; ok false otherwise.
qint32 WholeNumber(const QString& text, bool* ok);

// Percent-encoding of the text's Windows-1252 bytes; letters and digits stay.
QString URLEncode(const QString& text);
// Base64 of the text's Windows-1252 bytes.
QString Base64Encode(const QString& text);
// Text made safe inside an XML element or a double-quoted attribute.
QString XmlEscape(const QString& text);
// Each "<br>", in any case, becomes CR LF.
QString BreaksToLines(const QString& text);

}  // namespace SmsText
