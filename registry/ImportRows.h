#pragma once
// What the two imports share, the import window's run and the Outlook
// bridge's contacts import: new ANAGRAFICA rows written in committed slices
// under the "ANAGRAFICA" lock the caller holds.

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <memory>

namespace ADODB { class Connection; class Field; class Recordset; }
namespace Locks { class HeldLock; }

// The first `size` characters of an imported value, as it is cut to its
// column: a character outside the basic plane counts as one, as the column
// counts it, and is never split.
QString CutText(const QString& text, int size);
// How much of a text, in UTF-16 units, its first `size` characters are.
qsizetype CutLength(QStringView text, int size);
// The first `size` characters of a text in UTF-8, counted as CutText counts
// them: a character outside the basic plane is one sequence of four bytes.
inline QByteArrayView CutUtf8(QByteArrayView text, int size) {
    // No more bytes than the size: no more characters either.
    if (text.size() <= size) return text;
    qsizetype end = 0;
    for (int kept = 0; end < text.size(); ++end)
        if ((uchar(text[end]) & 0xC0) != 0x80 && kept++ == size) break;
    return text.first(end);
}

// The identifier of a new ANAGRAFICA row, as the registry card's save and the
// imports take it under the table's lock: the highest plus one (1 for an
// empty table); 0 when it cannot be read, the data layer having said why.
qint32 NextAnagraficaId(ADODB::Connection& cn);

class ImportRows {
public:
    // Rows on `cn`, whose "ANAGRAFICA" lock is taken: the first slice begins.
    explicit ImportRows(ADODB::Connection& cn);
    // What is not committed by then is rolled back.
    ~ImportRows();
    ImportRows(const ImportRows&) = delete;
    ImportRows& operator=(const ImportRows&) = delete;

    // The run in progress, whichever window or bridge writes its rows; nullptr when none.
    static ImportRows* Running();

    // Opens the new rows' recordset (no existing row is read); false when
    // the data layer could not, having said why.
    bool Open();
    // A column's position, looked up once for a whole run.
    int Column(const QString& name) const;
    const ADODB::Field& Field(int column) const;

    void AddNew();
    void Set(int column, const QVariant& value);
    // A text as it lies, its bytes written at once (a long run's fields).
    void SetText(int column, QStringView text);
    // The same with the text's UTF-8, as a reader keeps it.
    void SetUtf8(int column, QByteArrayView text);
    // The columns every imported row gets: ID, UTENTE, IDAZIENDA 0 and U_MOD.
    // Without an identifier the row is given up and 3022 raised.
    void Stamp();
    // Stores the row: through the data layer (its messages and retries; the
    // result says whether it was stored, a refused row is given up), or
    // straight, raising what the engine refused.
    bool Store(bool throughDataLayer);
    // Commits the last slice; raises when the engine could not.
    void Finish();
    // The window let its events run: the time of the rows and the lock's
    // stamp are read again.
    void Yielded();

    // The next identifier: the highest plus one, asked once, then counted
    // on, as the lock keeps every other writer off; 0 when it cannot be read.
    qint32 NextId();
    // Rows committed for good, and stored so far.
    qint32 Committed() const;
    qint32 Stored() const;

private:
    ADODB::Connection& cn_;
    std::unique_ptr<Locks::HeldLock> hold_;
    std::unique_ptr<ADODB::Recordset> rs_;
    ImportRows* outer_ = nullptr;
    qint32 next_ = 0;  // 0 until asked
    QVariant user_, stamp_;
    int id_ = -1, utente_ = -1, idAzienda_ = -1, uMod_ = -1;
};
