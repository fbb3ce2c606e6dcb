#pragma once
// The row a window read and later writes back whole. Another workstation may
// save the same row meanwhile; the window's save would then put back what it
// read over what the other stored. Before it writes, under its table lock,
// the save compares the row stored now with the one it read and, when they
// differ, asks the user whether to overwrite, naming who saved it and when.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

namespace ADODB { class Recordset; }

class RowAsRead {
public:
    // Keeps the fields of the recordset's current row, but those in `ignored`
    // (columns the window never writes).
    void Take(ADODB::Recordset& rs, const QStringList& ignored = {});
    void Clear() { values_.clear(); }
    bool IsEmpty() const { return values_.isEmpty(); }
    QVariant Value(const QString& column) const;

    // Whether the row stored now still holds the values kept. Nothing kept (a
    // new row) has nothing to compare.
    bool Matches(const RowAsRead& stored) const;
    // The same for the recordset's current row, read as Take does; when it
    // differs, `meanwhile` gets it.
    bool Matches(ADODB::Recordset& rs, RowAsRead& meanwhile, const QStringList& ignored = {}) const;

    // What the question says of the row and of the window, and the column that
    // names the user of the last save ("" when the table keeps none).
    struct Subject {
        QString what;      // "questa scheda anagrafica"
        QString readHere;  // "era stata letta qui"
        QString userColumn;
    };
    // Asks whether to write over `stored`, the row as another workstation left
    // it after this one was read: who saved it and when, from its stamps
    // (U_MOD and the user column) when they moved; Yes to overwrite.
    bool ConfirmOverwrite(const RowAsRead& stored, const Subject& subject) const;

private:
    QList<std::pair<QString, QVariant>> values_;
};

// Kept with an item of a list or a planner, as a QVariant.
Q_DECLARE_METATYPE(RowAsRead)
