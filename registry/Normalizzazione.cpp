#include "Normalizzazione.h"

#include "Values.h"

#include <QStringList>

namespace Normalizzazione {

namespace {

// Consulted in this order, for words with a dot.
const QList<QPair<QString, QString>> kDotted = {
    {"DOTT.", "dott."},       {"DOTT.SSA", "dott.ssa"}, {"AVV.", "avv."},     {"PROF.", "prof."},
    {"PROF.SSA", "prof.ssa"}, {"ING.", "ing."},         {"ARCH.", "arch."},   {"GEOM.", "geom."},
    {"CAV.", "Cav."},         {"S.D.F.", "S.d.F."},     {"S.A.S.", "S.A.S."}, {"S.N.C.", "S.N.C."},
    {"S.P.A.", "S.p.A."},     {"S.R.L.", "S.R.L."},     {"S.C.R.L.", "S.C.R.L."}, {"V.LE", "Viale"},
    {"P.ZZA", "Piazza"},      {"P.ZA", "Piazza"},
};

// For words without a dot.
const QList<QPair<QString, QString>> kCompanyForms = {
    {"SDF", "S.d.F."}, {"SRL", "S.R.L."}, {"SAS", "S.A.S."}, {"SNC", "S.N.C."}, {"SPA", "S.p.A."}, {"SCRL", "S.C.R.L."},
};

bool IsRomanNumeral(const QString& upper) {
    static const QStringList numerals = [] {
        const QStringList units = {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};
        QStringList all;
        for (int n = 1; n <= 32; ++n) all << QString(n / 10, 'X') + units[n % 10];
        return all;
    }();
    return numerals.contains(upper);
}

QString Lookup(const QList<QPair<QString, QString>>& table, const QString& key, bool* found) {
    for (const auto& [from, to] : table)
        if (from == key) {
            *found = true;
            return to;
        }
    *found = false;
    return QString();
}

}  // namespace

QString PrimaParola(const QString& text) {
    const int space = text.indexOf(' ');
    return space < 0 ? text : text.left(space);
}

bool ContienePunto(const QString& word) { return word.contains('.'); }

QString Normalizza(const QVariant& text) {
    QString rest = Platform::Trim(text.toString());
    QString result;
    while (!rest.isEmpty()) {
        QString word = PrimaParola(rest);
        const qsizetype length = word.size();
        bool found = false;
        if (ContienePunto(word)) {
            word = word.toUpper();
            if (word.startsWith('.')) word.remove(0, 1);
            const QString form = Lookup(kDotted, word, &found);
            if (found) word = form;
        } else {
            const QString upper = word.toUpper();
            const QString form = Lookup(kCompanyForms, upper, &found);
            if (IsRomanNumeral(upper)) word = upper;
            else if (found) word = form;
            else if (word.size() == 1) word = word.toLower();
            else word = word.left(1).toUpper() + word.mid(1).toLower();
        }
        result += word + " ";
        rest = Platform::Trim(rest.right(rest.size() - length));
    }
    return Platform::Trim(result);
}

}  // namespace Normalizzazione
