#pragma once
// A small ADO: connections, recordsets, fields, errors and parameterised
// commands over the shared database file (SQLite speaking the Jet dialect
// the program's SQL is written in).
//
// Errors are raised as Platform::BasicError with the provider's numbers
// (0x80004005, 0x80040E21, 3021, 3197, 3704...); the conditions the data
// layer tells apart are carried as Jet's numbers in the SQL state of the
// connection's last Errors entry ("3260" locked, "3045" exclusive, "3022"
// duplicate key, "3201" referential integrity, "3163" text too long...).

#include "JetText.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace ADODB {

class ServerBackend;

// Raised error numbers (as signed 32-bit values).
constexpr long E_FAIL_PROVIDER = static_cast<long>(static_cast<qint32>(0x80004005u));
constexpr long E_ERRORSOCCURRED = static_cast<long>(static_cast<qint32>(0x80040E21u));
constexpr long E_NOCURRENTRECORD = 3021;
constexpr long E_ROWCHANGED = 3197;
constexpr long E_OBJECTCLOSED = 3704;

enum CursorType { adOpenForwardOnly = 0, adOpenKeyset = 1, adOpenDynamic = 2, adOpenStatic = 3 };
enum LockType { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3, adLockBatchOptimistic = 4 };
enum ObjectState { adStateClosed = 0, adStateOpen = 1, adStateExecuting = 4 };

struct Error {
    long Number = 0;
    QString SQLState;
    QString Description;
};

class Recordset;

// The UTF-8 of a text, ended by a NUL, in room kept from one text to the
// next: a long run of texts makes no allocation and sets no size for each.
struct TextBytes {
    QByteArray room;
    qsizetype size = 0;
    const char* data() const { return room.constData(); }
};

// Large pieces of memory the rows of one recordset are carved from: rows
// read back by the thousand cost a pointer's move each, not a trip through
// the heap, which grows and shrinks under them at every piece the engine frees.
// Each piece is twice the one before, to a limit, and those of 2 MB and more
// are asked for in huge pages: the rows of a long read back cost the system a
// few page faults, not one at each small page they first reach.
class RowArena {
public:
    RowArena() = default;
    ~RowArena() { Clear(); }
    RowArena(const RowArena&) = delete;
    RowArena& operator=(const RowArena&) = delete;
    char* Take(size_t bytes);
    void Clear();

private:
    struct Piece {
        char* at;
        size_t size;
    };
    std::vector<Piece> pieces_;
    char* next_ = nullptr;
    size_t left_ = 0;
};

// Frees a stored row's block unless an arena holds it, which the block's
// head tells: the deleter stays empty, so a row is two pointers.
struct BlockDeleter {
    void operator()(char* p) const {
        if (!p[5]) std::free(p);
    }
};

// A row as the engine stores it, held in one block: for each column its
// storage class and its bytes (integers and reals as themselves, text as the
// engine's UTF-8), and the row's identity. A keyset keeps thousands of these;
// a field becomes a QVariant only when it is read. Rows that come from a
// database server carry their values as they came.
class StoredRow {
public:
    StoredRow() = default;
    // Columns first..first+count-1 of the statement's current row.
    // Its block is carved from `arena` when given, which must outlive it.
    static StoredRow FromStatement(sqlite3_stmt* stmt, int first, int count, qint64 rowid, RowArena* arena = nullptr);
    // `count` columns, column i the statement's column at[i], or Null where
    // that is -1; the Null ones after the last read are left out of the
    // block, as a row reads Null past its end.
    static StoredRow FromColumns(sqlite3_stmt* stmt, const int* at, int count, qint64 rowid, RowArena* arena);
    // Values as the engine would be handed them by a bound parameter.
    static StoredRow FromValues(const std::vector<QVariant>& values, qint64 rowid);
    static StoredRow Wide(std::vector<QVariant> values);

    int Count() const;
    qint64 RowId() const;
    QVariant Value(int column) const;
    // Binds the column's stored value to the parameter (the row must outlive the step).
    int BindTo(sqlite3_stmt* stmt, int index, int column) const;

    using Deleter = BlockDeleter;
    using Block = std::unique_ptr<char, Deleter>;

private:
    Block block_;
    std::unique_ptr<std::vector<QVariant>> wide_;
};

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the database named by the connection string. Raises on failure.
    void Open(const QString& connectionString, const QString& user = QString(), const QString& password = QString());
    void Close();
    int State() const;
    QString Provider() const { return provider_; }
    QString ConnectionString() const { return connectionString_; }
    qint32 Mode = 19;

    // Runs one statement ('?' marks the bound parameters). Returns the rows affected.
    long Execute(const QString& sql, const QVariantList& params = {});

    void BeginTrans();
    // After the engine has rolled the transaction back by itself, raises the
    // failure that made it do so.
    void CommitTrans();
    // Does nothing when the engine has already rolled the transaction back.
    void RollbackTrans();
    bool InTransaction() const;
    // A transaction was begun and the engine has rolled it back by itself.
    bool TransactionLost() const;

    // How long a statement waits for another connection's write to end
    // before the file counts as locked, in milliseconds.
    static int EngineWaitMs;

    std::vector<Error>& Errors() { return errors_; }

    // The file behind the connection.
    QString DataSource() const { return file_; }
    // A database server rather than a file.
    bool IsServer() const { return server_ != nullptr; }
    ServerBackend* Server() const { return server_.get(); }

    // Internals shared with Recordset.
    sqlite3* Handle() const { return db_; }
    [[noreturn]] void RaiseEngineError(int rc, const QString& sql, long number = E_FAIL_PROVIDER);
    // The engine's text for a Jet statement; a refused one is raised as 3075.
    QString Translate(const QString& jetSql);
    sqlite3_stmt* Prepare(const QString& jetSql, const QVariantList& params);
    // A statement kept for reuse (reset, bindings cleared); owned by the connection.
    sqlite3_stmt* Cached(const QByteArray& engineSql);
    // Reads back the rows its recordsets added and have not read back yet
    // (see Recordset::unread_); every use of the connection that could see
    // or change them calls it first.
    void Flush();
    void Defer(Recordset* rs);
    void Forget(Recordset* rs);

private:
    void OpenWorkbook(const QString& file);
    // The kept statement of that text (reset, bindings cleared), or nullptr.
    sqlite3_stmt* Kept(const QByteArray& engineSql);
    void Keep(const QByteArray& engineSql, sqlite3_stmt* stmt);
    sqlite3* db_ = nullptr;
    QString provider_;
    QString connectionString_;
    QString file_;
    std::vector<Error> errors_;
    bool began_ = false;  // BeginTrans ran, no commit or rollback yet
    Error lost_;           // the failure after which the engine rolled it back
    std::vector<std::pair<QByteArray, sqlite3_stmt*>> cache_;
    std::unique_ptr<ServerBackend> server_;
    // Recordsets holding added rows not read back yet.
    std::vector<Recordset*> deferring_;
    // Those rows are gone with the transaction: they are read back no more.
    void DropDeferred();
    // Reads them while they are still there, then lets them go.
    void SettleDeferred();
};

class Field {
public:
    QString Name;
    // Valid until the recordset moves or the field is assigned.
    const QVariant& Value() const;
    // The value as read, until the field is assigned.
    QVariant OriginalValue() const;
    qint32 DefinedSize = 0;  // declared text width; 0 when none
    QString DeclaredType;

    mutable QVariant value_;
    QVariant original_;  // kept from the first assignment on
    // Set through Recordset::Assign only: a move clears it only after one.
    bool changed_ = false;
    // A text assigned is bound from these bytes, its UTF-8 as the engine
    // stores it, their room kept from one row to the next so that a long
    // run of rows makes none. `held_`: the text was given as a view
    // (Recordset::SetText) and is these bytes alone until the field is read.
    mutable TextBytes bytes_;
    mutable bool held_ = false;
    // value_ or original_ may hold something: a new row clears only these.
    mutable bool filled_ = false;
    // Converted from the row only when first read: value_ holds the row the
    // recordset showed when loaded_ was its serial.
    mutable quint64 loaded_ = 0;
    bool Pending() const;
    Recordset* owner_ = nullptr;
    int column_ = 0;
    void Load() const;
    // How the engine's stored value reads: 0 as it is, 1 a date, 2 a Yes/No.
    int kind_ = 0;
    QString origin_;  // the base table's column behind the field, when known
};

class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Opens a query; rows are read only as they are reached.
    void Open(const QString& source, Connection& cn, int cursorType = adOpenForwardOnly,
              int lockType = adLockReadOnly, const QVariantList& params = {});
    void Close();
    // Runs the query again for rows as they are now; a forward-only one
    // reuses its prepared statement.
    void Requery();
    int State() const { return open_ ? adStateOpen : adStateClosed; }

    bool EOF_() const;
    bool BOF() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    long RecordCount();

    int FieldCount() const { return int(fields_.size()); }
    Field& Fields(int index);
    Field& Fields(const QString& name);
    bool HasField(const QString& name) const;
    // The value of a field of the current row; raises 3021 without one.
    // Valid until the recordset moves or the field is assigned.
    const QVariant& operator[](const QString& name) {
        CheckCurrent();
        return Fields(name).Value();
    }
    // The same by a name written in the code, found without making a string.
    const QVariant& operator[](const char* name) {
        CheckCurrent();
        return Fields(name).Value();
    }
    Field& Fields(const char* name);
    void SetValue(const QString& name, const QVariant& value);
    void SetValue(const char* name, const QVariant& value);
    // By the field's position, as a long run of rows sets the same fields.
    void SetValue(int index, const QVariant& value);
    // A text by the field's position, taken as it lies: it becomes the
    // bytes the engine is handed at once, a value of the program's only if
    // the field is read before the row is stored.
    void SetText(int index, QStringView text);
    // The same with the text's UTF-8 as it lies, which must be whole
    // characters: copied as the bytes the engine is handed, nothing converted.
    void SetUtf8(int index, QByteArrayView text);

    // Set before Open, for a recordset that only adds rows: it holds none
    // but the one last added (the current row), so that a run of any length
    // keeps no more than that, and no row it let go is read back.
    bool AppendOnly = false;

    void AddNew();
    void Update();
    void CancelUpdate();
    void Delete();
    bool EditPending() const { return editMode_ != 0; }

    Connection* ActiveConnection() const { return cn_; }
    QString Source() const { return source_; }

private:
    friend class Field;
    friend class Connection;
    // Takes the values of the current row still in the engine's hands.
    void Settle();
    // A forward-only read holds no rows: its one row is the engine's current one.
    bool Streamed() const { return cursorType_ == adOpenForwardOnly && !hasRowId_; }
    void IndexNames();
    bool FetchNext();
    void LoadRow(long index);
    // The row as the engine holds it now; false when it is gone.
    bool ReadStored(qint64 rowid, StoredRow& row);
    // Reads the base table's columns behind the fields, then the rowid, of a row by its rowid.
    const QByteArray& StoredSql();
    // A field may be assigned: the rows can be written, and an edit of the current one begins.
    void StartEdit();
    // A field's first change keeps what it held (its original value); every
    // change marks it changed and the row assigned.
    void BeginChange(Field& f);
    void Assign(Field& f, const QVariant& value);
    // The field a text is given to as bytes, marked as holding them; the caller writes them.
    Field& HoldText(int index);
    void CheckOpen() const;
    void CheckCurrent() const;
    void FinishStatement();

    Connection* cn_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    // A forward-only read run to its end keeps its statement, reset, for a Requery.
    sqlite3_stmt* kept_ = nullptr;
    QString source_;
    QVariantList params_;
    QString table_;  // the one base table, when the rows can be written
    bool hasRowId_ = false;
    bool open_ = false;
    bool exhausted_ = false;
    int cursorType_ = adOpenForwardOnly;
    int lockType_ = adLockReadOnly;
    std::vector<Field> fields_;
    // Rows read so far, as the engine stores them (last column: rowid when
    // kept): an update compares these, not their converted values.
    std::vector<StoredRow> rows_;
    RowArena arena_;  // the blocks of the rows read back, freed when closed
    long position_ = 0;                        // 0-based; -1 BOF
    int editMode_ = 0;                          // 0 none, 1 edit, 2 add
    QByteArray insertMask_;
    // Field names folded to lower case and as written, each to the field the
    // folded name finds; the second as UTF-8 bytes.
    QHash<QString, int> index_;
    QHash<QByteArray, int> bytesIndex_;
    long current_ = -1;  // the row of rows_ the fields show
    // Counts the rows shown: a field whose loaded_ differs has not been read
    // on this one, so a move touches no field.
    quint64 serial_ = 1;
    bool assigned_ = false;  // a field changed_ since the last move
    // Names written in the code are literals: the field each recent one found,
    // by the literal's address, with a copy of the name (compared before use,
    // as the same address may later hold another name).
    struct NameHit {
        const char* name = nullptr;
        int field = -1;
        char text[36] = {};
    };
    std::array<NameHit, 16> nameHits_{};
    QByteArray insertSql_;
    QByteArray storedSql_;
    // Inside a transaction the connection holds the file for writing, so no
    // one else can change a row it added until it commits: the row is read
    // back (as the engine stored it: defaults, affinity, Yes/No as -1) only
    // when something could see or change it, all such rows in one pass.
    // Their rowids, in the order added: they are the last rows of rows_.
    std::vector<qint64> unread_;
    void ReadBack();
    // The rows went with a rolled back transaction: they read as empty.
    void DropUnread();
    // Whether an insert into the table changes no other row: its only
    // triggers are the Yes/No ones, which touch the row that fired them.
    int insertAlone_ = -1;  // -1 not known yet
    bool InsertAlone();
    // The fields given a value by any of the rows still unread, '1' each.
    QByteArray unreadMask_;
    // '1' for each field whose column a new row leaves Null unless given a
    // value: no default, not in the key, not generated. Those of the rows
    // still unread that none of them was given are not read back.
    QByteArray nullUnlessGiven_;
    const QByteArray& NullUnlessGiven();
};

inline bool Field::Pending() const { return owner_ && loaded_ != owner_->serial_; }

inline const QVariant& Field::Value() const {
    if (Pending()) Load();
    return value_;
}

inline QVariant Field::OriginalValue() const {
    if (Pending()) Load();
    return changed_ ? original_ : value_;
}

// The catalogue: create a database file, tables and list what is there.
namespace Catalog {
// Creates an empty database file; false when it exists or cannot be written.
bool CreateDatabase(const QString& file);
QStringList Tables(Connection& cn);
QStringList Columns(Connection& cn, const QString& table);
// A table in the engine's own terms, not translated from Jet: each column
// with the engine's declared type ("INTEGER", "TEXT"), text compared as the
// engine itself compares it, with no collation of the program's, so that
// any SQLite tool reads and sorts the file (the registry's export).
void CreatePlainTable(Connection& cn, const QString& table, const QList<std::pair<QString, QString>>& columns);
}  // namespace Catalog

// A statement the translator refuses, with Jet's description of the fault.
struct JetSyntaxError {
    QString description;
};

// Turns a statement written for Jet into the engine's own dialect; throws
// JetSyntaxError for text Jet itself would refuse (an unclosed string, an
// impossible date), never guessing what was meant.
QString TranslateJetSql(const QString& jetSql);

// Jet's description of a refused statement ("Errore di sintassi nella
// stringa nell'espressione della query '...'."), thrown as JetSyntaxError.
[[noreturn]] void Refuse(const QString& kind, const QString& expression);
// The end of a quoted run starting at `open` (the quote), where a doubled
// quote stands for itself; -1 when the run is never closed.
int QuotedEnd(const QString& s, int open, QChar quote);
// The date of a Jet date literal's text (between the # signs), or refused.
QDateTime JetDateLiteral(const QString& body);
// The two triggers that keep a Yes/No column's true values as -1, as the
// engine stores their text; each changes only the row that fired it.
QStringList YesNoTriggers(const QString& table, const QString& column);

}  // namespace ADODB
