#pragma once
// Names and addresses typed freely, put into the registry's house style:
// titles and company forms as customary, Roman numerals in capitals, other
// words with a capital initial.

#include <QString>
#include <QVariant>

namespace Normalizzazione {
QString Normalizza(const QVariant& text);
// The text up to its first space (all of it without one).
QString PrimaParola(const QString& text);
bool ContienePunto(const QString& word);
}
