#include "SmsText.h"

#include "Cp1252.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace SmsText {

double Val(const QString& text) {
    QString number;
    bool digits = false, point = false, exponent = false;
    for (QChar c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        if (c.isDigit() && c.unicode() < 128) {
            number += c;
            digits = true;
        } else if ((c == '+' || c == '-') &&
                   (number.isEmpty() || number.endsWith('E'))) {
            number += c;
        } else if (c == '.' && !point && !exponent) {
            number += c;
            point = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !exponent) {
            number += 'E';
            exponent = true;
        } else {
            break;
        }
    }
    // A dangling sign or exponent counts for nothing.
    while (!number.isEmpty() && !number.back().isDigit() && number.back() != '.')
        number.chop(1);
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

qint32 RoundLong(double value) {
    const double rounded = std::nearbyint(value);  // the default mode rounds half to even
    if (rounded >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (rounded <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return qint32(rounded);
}

qint32 WholeNumber(const QString& text, bool* ok) {
    bool parsed = false;
    const double value = text.trimmed().toDouble(&parsed);
    *ok = parsed && std::isfinite(value) &&
          std::nearbyint(value) <= double(std::numeric_limits<qint32>::max()) &&
          std::nearbyint(value) >= double(std::numeric_limits<qint32>::min());
    return *ok ? qint32(std::nearbyint(value)) : 0;
}

QString URLEncode(const QString& text) {
    static const char* hex = "0123456789ABCDEF";
    QString out;
    for (const char ch : Cp1252::FromUnicode(text)) {
        const quint8 b = quint8(ch);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
            out += QChar(b);
        } else {
            out += '%';
            out += QChar(hex[b >> 4]);
            out += QChar(hex[b & 15]);
        }
    }
    return out;
}

QString Base64Encode(const QString& text) {
    return QString::fromLatin1(Cp1252::FromUnicode(text).toBase64());
}

QString XmlEscape(const QString& text) {
    QString out = text.toHtmlEscaped();  // & < > "
    return out.replace('\'', QStringLiteral("&apos;"));
}

QString BreaksToLines(const QString& text) {
    static const QRegularExpression br(QStringLiteral("<br>"),
                                       QRegularExpression::CaseInsensitiveOption);
    return QString(text).replace(br, QStringLiteral("\r\n"));
}

}  // namespace SmsText
