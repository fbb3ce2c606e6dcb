#include "RowAsRead.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Runtime.h"
#include "Values.h"

namespace {

bool Same(const QVariant& a, const QVariant& b) {
    const bool aNull = !a.isValid() || a.isNull();
    const bool bNull = !b.isValid() || b.isNull();
    if (aNull || bNull) return aNull == bNull;
    return a == b;
}

}  // namespace

void RowAsRead::Take(ADODB::Recordset& rs, const QStringList& ignored) {
    values_.clear();
    for (int i = 0; i < rs.FieldCount(); ++i) {
        ADODB::Field& field = rs.Fields(i);
        if (ignored.contains(field.Name, Qt::CaseInsensitive)) continue;
        values_.append({field.Name, field.Value()});
    }
}

QVariant RowAsRead::Value(const QString& column) const {
    for (const auto& [name, value] : values_)
        if (name.compare(column, Qt::CaseInsensitive) == 0) return value;
    return QVariant();
}

bool RowAsRead::Matches(const RowAsRead& stored) const {
    for (const auto& [name, value] : values_)
        if (!Same(stored.Value(name), value)) return false;
    return true;
}

bool RowAsRead::Matches(ADODB::Recordset& rs, RowAsRead& meanwhile, const QStringList& ignored) const {
    RowAsRead stored;
    stored.Take(rs, ignored);
    if (Matches(stored)) return true;
    meanwhile = stored;
    return false;
}

bool RowAsRead::ConfirmOverwrite(const RowAsRead& stored, const Subject& subject) const {
    // A writer that leaves no stamp (or a table without one) cannot be named.
    const QVariant when = stored.Value(QStringLiteral("U_MOD"));
    const bool byUser = !subject.userColumn.isEmpty();
    const bool stamped = !IsEmpty() && !when.isNull() &&
                         (!Same(when, Value(QStringLiteral("U_MOD"))) ||
                          (byUser && !Same(stored.Value(subject.userColumn), Value(subject.userColumn))));
    QString who = byUser ? Comuni::FieldStr(stored.Value(subject.userColumn)) : QString();
    QString question;
    if (stamped) {
        if (who.isEmpty()) who = QStringLiteral("Un'altra postazione");
        const QDateTime at = when.toDateTime();
        question = who + " ha modificato " + subject.what + " il " + Platform::FormatDate(at, QStringLiteral("dd/mm/yyyy")) +
                   " alle " + Platform::FormatDate(at, QStringLiteral("hh.nn")) + ", dopo che " + subject.readHere + ".";
    } else {
        question = "Un'altra postazione ha modificato " + subject.what + " dopo che " + subject.readHere + ".";
    }
    question += QStringLiteral(" Salvando ora, quelle modifiche andranno perse. Salvare ugualmente?");
    return Platform::MsgBox(question, Platform::vbYesNo + Platform::vbQuestion + Platform::vbDefaultButton2) ==
           Platform::vbYes;
}
