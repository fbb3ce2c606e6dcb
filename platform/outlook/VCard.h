#pragma once
// Reading vCard files (versions 2.1, 3.0 and 4.0) as an address book
// exports them. The reader only takes the file apart into cards and
// properties; what a property means is the caller's business.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Platform {

struct VCardParam {
    QString name;    // upper case; "TYPE" for a bare 2.1 type such as ";WORK"
    QString value;   // as written, quotes removed
};

struct VCardProperty {
    QString group;  // "item1" of "item1.ADR", else ""
    QString name;   // upper case
    QList<VCardParam> params;
    QString value;  // decoded (quoted-printable, charset) but not unescaped
    int line = 0;   // where the property began, counted from 1

    // Values of every parameter of that name, TYPE lists split at commas, upper case.
    QStringList Types() const;
    QString Param(const QString& name) const;
    // The value with the 3.0/4.0 escapes (\n \, \; \\) resolved.
    QString Text() const;
    // A structured value (N, ADR, ORG) split at unescaped ';', each part unescaped.
    QStringList Parts() const;
    // The same parts, the first `count` of them only, into `parts`; those
    // the value does not have are left as they are.
    void Parts(QString* parts, int count) const;
};

// What the reader hands on, in file order.
class VCardSink {
public:
    virtual ~VCardSink() = default;
    virtual void BeginCard(int line) = 0;
    virtual void Property(const VCardProperty& property) = 0;
    virtual void EndCard(int line) = 0;
    // Something the reader could not make sense of; reading goes on.
    virtual void Error(int line, const QString& what) {}
    // A card begins at `offset` of the data: nothing before it is looked at again.
    virtual void Passed(qsizetype offset) {}
};

// Reads a whole file's bytes. A byte-order mark and text outside BEGIN/END
// blocks are skipped, a card left open at the end is closed, and nothing
// stops the reading. Folded lines are joined by the card's VERSION: 2.1
// keeps the blank at the fold, 3.0 and 4.0 drop it.
void ReadVCard(const QByteArray& data, VCardSink& sink);

}  // namespace Platform
