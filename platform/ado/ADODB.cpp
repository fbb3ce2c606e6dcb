#include "ADODB.h"

#include "Dialogs.h"
#include "Errors.h"
#include "Runtime.h"
#include "Values.h"
#include "ServerBackend.h"
#include "AccessFile.h"
#include "JetText.h"
#include "Workbook.h"

#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sqlite3.h>
#include <sys/mman.h>

namespace ADODB {

namespace {

QString ArgText(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? QString::fromUtf8(reinterpret_cast<const char*>(t), sqlite3_value_bytes(v)) : QString();
}

void ResultText(sqlite3_context* ctx, const QString& s) {
    QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), b.size(), SQLITE_TRANSIENT);
}

void FnIsNull(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_int(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? -1 : 0);
}

// An error of the program's own rules inside an SQL function becomes the
// statement's error: nothing may be thrown through the engine.
template <typename F>
void Guarded(sqlite3_context* ctx, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

void FnInt(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const double v = std::floor(sqlite3_value_double(argv[0]));
    // Beyond a 64-bit integer the whole part stays a double.
    if (v >= -9.2e18 && v <= 9.2e18) sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(v));
    else sqlite3_result_double(ctx, v);
}

void FnVal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
    Guarded(ctx, [&] { sqlite3_result_double(ctx, Platform::Val(ArgText(argv[0]))); });
}

void FnAsc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    QString s = ArgText(argv[0]);
    if (s.isEmpty()) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, s[0].unicode());
}

void FnNow(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_double(ctx, Platform::DateToSerial(Platform::Now()));
}

void FnDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    sqlite3_result_double(ctx, std::floor(Platform::DateToSerial(Platform::Now())));
}

void FnUCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).toUpper());
}

void FnLCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).toLower());
}

void FnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, int(ArgText(argv[0]).size()));
}

void FnLeft(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).left(sqlite3_value_int(argv[1])));
}

void FnRight(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    ResultText(ctx, ArgText(argv[0]).right(sqlite3_value_int(argv[1])));
}

void FnMid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    QString s = ArgText(argv[0]);
    const qint64 start = sqlite3_value_int64(argv[1]) - 1;
    ResultText(ctx, argc > 2 ? s.mid(start, sqlite3_value_int64(argv[2])) : s.mid(start));
}

void FnPart(sqlite3_context* ctx, sqlite3_value* v, int which) {
    if (sqlite3_value_type(v) == SQLITE_NULL) return sqlite3_result_null(ctx);
    Guarded(ctx, [&] {
        QDateTime t = Platform::SerialToDate(sqlite3_value_double(v));
        int r = which == 0 ? t.date().year() : which == 1 ? t.date().month() : which == 2 ? t.date().day()
              : which == 3 ? t.time().hour() : t.time().minute();
        sqlite3_result_int(ctx, r);
    });
}
void FnYear(sqlite3_context* c, int, sqlite3_value** a) { FnPart(c, a[0], 0); }
void FnMonth(sqlite3_context* c, int, sqlite3_value** a) { FnPart(c, a[0], 1); }
void FnDay(sqlite3_context* c, int, sqlite3_value** a) { FnPart(c, a[0], 2); }
void FnHour(sqlite3_context* c, int, sqlite3_value** a) { FnPart(c, a[0], 3); }
void FnMinute(sqlite3_context* c, int, sqlite3_value** a) { FnPart(c, a[0], 4); }

void FnNz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1) return sqlite3_result_value(ctx, argv[1]);
    sqlite3_result_int(ctx, 0);
}

void RegisterJet(sqlite3* db) {
    RegisterJetText(db);
    const int flags = SQLITE_UTF8;
    struct F {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
        bool deterministic;
    } fns[] = {
        {"jetisnull", 1, FnIsNull, true}, {"int", 1, FnInt, true},
        {"val", 1, FnVal, true},       {"asc", 1, FnAsc, true},       {"now", 0, FnNow, false},
        {"date", 0, FnDate, false},    {"ucase", 1, FnUCase, true},   {"lcase", 1, FnLCase, true},
        {"len", 1, FnLen, true},       {"left", 2, FnLeft, true},     {"right", 2, FnRight, true},
        {"mid", 2, FnMid, true},       {"mid", 3, FnMid, true},       {"year", 1, FnYear, true},
        {"month", 1, FnMonth, true},   {"day", 1, FnDay, true},       {"hour", 1, FnHour, true},
        {"minute", 1, FnMinute, true}, {"nz", 1, FnNz, true},         {"nz", 2, FnNz, true},
    };
    for (const F& f : fns)
        sqlite3_create_function(db, f.name, f.args, flags | (f.deterministic ? SQLITE_DETERMINISTIC : 0), nullptr,
                                f.fn, nullptr, nullptr);
}

// ------------------------------------------------------------ errors

struct Mapped {
    QString state;
    QString description;
};

// The engine's own text names tables and constraints in English: the user
// reads the Italian words of the mapped number, the log keeps the rest.
Q_LOGGING_CATEGORY(lcEngine, "brivalto.database")

// The name quoted in an engine message: "no such table: X" and
// "table X already exists" both give X.
QString NameIn(const QString& message) {
    const qsizetype colon = message.lastIndexOf(':');
    QString name = colon < 0 ? message.section(' ', 1, 1) : message.mid(colon + 1).trimmed();
    return name.remove('"');
}

Mapped MapEngineError(int rc, const QString& message) {
    if (!message.isEmpty()) qCWarning(lcEngine, "engine error %d: %s", rc, qPrintable(message));
    switch (rc) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return {"3022", "Le modifiche richieste alla tabella non sono state apportate perché creerebbero valori "
                        "duplicati nell'indice, nella chiave primaria o nella relazione. Modificare i dati nel campo o "
                        "nei campi che contengono i dati duplicati e riprovare."};
    case SQLITE_CONSTRAINT_FOREIGNKEY: return {"3201", "Impossibile aggiungere o modificare il record: è necessario un record correlato."};
    case SQLITE_CONSTRAINT_CHECK:
        return {"3163", "Il campo è troppo piccolo per accettare la quantità di dati che si è tentato di aggiungere. "
                        "Provare a inserire o incollare una quantità di dati inferiore."};
    case SQLITE_CONSTRAINT_NOTNULL: return {"3314", "Il campo non può contenere un valore Null. Immettere un valore in questo campo."};
    // A rule of the database itself refused the row, in its own words.
    case SQLITE_CONSTRAINT_TRIGGER: return {"3317", message};
    default: break;
    }
    switch (rc & 0xFF) {
    case SQLITE_BUSY: return {"3260", "Impossibile aggiornare. Attualmente bloccato da un altro utente."};
    case SQLITE_LOCKED: return {"3218", "Impossibile aggiornare. Attualmente bloccato."};
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return {"3343", "Formato di database non riconosciuto."};
    case SQLITE_CANTOPEN: return {"3024", "Impossibile aprire il file di database."};
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return {"3051", "Impossibile aggiornare. Il database è di sola lettura oppure è necessaria l'autorizzazione per "
                        "modificarne i dati."};
    case SQLITE_IOERR: return {"3043", "Errore del disco o della rete."};
    case SQLITE_FULL: return {"3026", "Spazio su disco insufficiente."};
    default: break;
    }
    if (message.startsWith("no such table"))
        return {"3078", "Impossibile trovare la tabella o la query di input '" + NameIn(message) +
                            "'. Verificare che esista e che il nome sia stato digitato correttamente."};
    if (message.startsWith("no such column")) return {"3061", "Parametri insufficienti. Previsto 1."};
    if (message.contains("already exists") || message.startsWith("duplicate column"))
        return {"3010", "L'oggetto '" + NameIn(message) + "' esiste già."};
    // A value out of range in one of the program's own functions: the same word in Italian.
    if (message.startsWith(QLatin1String("Overflow"))) return {"3075", QStringLiteral("Overflow")};
    return {"3075", "Errore di sintassi nell'espressione della query."};
}

enum FieldKind { kPlain = 0, kDate = 1, kBit = 2 };

int KindOf(const QString& declared) {
    const QString d = declared.toUpper();
    if (d.startsWith("DATETIME")) return kDate;
    if (d == "BIT") return kBit;
    return kPlain;
}

// Puts a text into `out`. A plain ASCII one goes into the string `out`
// already holds when nobody else shares it, so that reading a column row
// after row does not allocate for each.
void SetText(QVariant& out, const char* text, qsizetype length) {
    if (length > 0 && out.typeId() == QMetaType::QString) {
        QString& s = *static_cast<QString*>(out.data());
        s.resize(length);
        char16_t* d = reinterpret_cast<char16_t*>(s.data());
        unsigned char high = 0;
        for (qsizetype i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            high |= c;
            d[i] = c;
        }
        if (!(high & 0x80)) return;
    }
    out = QString::fromUtf8(text, length);
}

// A column of the current row exactly as the engine stores it. The
// connection is used from one thread, so the column's value may be read
// through the engine's value interface (one call to find the column).
void ReadRaw(sqlite3_stmt* stmt, int i, QVariant& out) {
    sqlite3_value* v = sqlite3_column_value(stmt, i);
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: out = QVariant(); return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 n = sqlite3_value_int64(v);
        if (n < INT32_MIN || n > INT32_MAX) out = QVariant(qint64(n));
        else if (out.typeId() == QMetaType::Int) *static_cast<qint32*>(out.data()) = qint32(n);
        else out = QVariant(qint32(n));
        return;
    }
    case SQLITE_FLOAT: out = sqlite3_value_double(v); return;
    case SQLITE_TEXT: {
        const char* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
        SetText(out, text, sqlite3_value_bytes(v));
        return;
    }
    default: out = QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
    }
}

// A stored value as the program reads it: dates from their serial numbers,
// Yes/No as booleans.
QVariant Converted(const QVariant& raw, int kind) {
    if (!raw.isValid() || kind == kPlain) return raw;
    if (kind == kBit) return raw.toLongLong() != 0;
    return Platform::SerialToDate(raw.toDouble());
}

// A value of the program's as the engine would be handed it by Bind.
QVariant RawOf(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QVariant();
    switch (v.typeId()) {
    case QMetaType::Bool: return qint32(v.toBool() ? -1 : 0);
    case QMetaType::QDateTime: return Platform::DateToSerial(v.toDateTime());
    case QMetaType::QDate: return Platform::DateToSerial(QDateTime(v.toDate(), QTime(0, 0)));
    default: return v;
    }
}

// A text as UTF-8 into `out`: each character as QString::toUtf8 writes it
// (half a surrogate pair alone is a '?').
void Utf8Into(QStringView text, TextBytes& out) {
    const qsizetype n = text.size();
    const char16_t* from = text.utf16();
    if (out.room.size() <= 3 * n) out.room.resize(3 * n + 1);
    char* const start = out.room.data();
    char* to = start;
    qsizetype i = 0;
    for (; i < n && from[i] < 0x80; ++i) *to++ = char(from[i]);
    for (; i < n; ++i) {
        const char16_t c = from[i];
        if (c < 0x80) {
            *to++ = char(c);
        } else if (c < 0x800) {
            *to++ = char(0xC0 | c >> 6);
            *to++ = char(0x80 | (c & 0x3F));
        } else if (!QChar::isSurrogate(c)) {
            *to++ = char(0xE0 | c >> 12);
            *to++ = char(0x80 | (c >> 6 & 0x3F));
            *to++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(from[i + 1])) {
            const char32_t u = QChar::surrogateToUcs4(c, from[++i]);
            *to++ = char(0xF0 | u >> 18);
            *to++ = char(0x80 | (u >> 12 & 0x3F));
            *to++ = char(0x80 | (u >> 6 & 0x3F));
            *to++ = char(0x80 | (u & 0x3F));
        } else {
            *to++ = '?';
        }
    }
    *to = '\0';
    out.size = to - start;
}

// A text handed to the engine with its ending NUL, so that the copies the
// statement checks (each column's width is checked on its text) need no NUL
// added, which the engine does by copying the text; one holding a NUL goes
// by its length. `how`: SQLITE_STATIC when the bytes stay until the
// statement has run, else SQLITE_TRANSIENT.
int BindText(sqlite3_stmt* stmt, int index, const char* bytes, qsizetype size, sqlite3_destructor_type how) {
    const bool ended = !std::memchr(bytes, 0, size_t(size));
    return sqlite3_bind_text(stmt, index, bytes, ended ? -1 : int(size), how);
}

// A text is copied by the engine unless `keep` is given, which then holds it
// until the statement has run.
int Bind(sqlite3_stmt* stmt, int index, const QVariant& v, std::vector<QByteArray>* keep = nullptr) {
    if (!v.isValid() || v.isNull()) return sqlite3_bind_null(stmt, index);
    switch (v.typeId()) {
    case QMetaType::Bool: return sqlite3_bind_int(stmt, index, v.toBool() ? -1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long: return sqlite3_bind_int64(stmt, index, v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: return sqlite3_bind_double(stmt, index, v.toDouble());
    case QMetaType::QDateTime: return sqlite3_bind_double(stmt, index, Platform::DateToSerial(v.toDateTime()));
    case QMetaType::QDate:
        return sqlite3_bind_double(stmt, index, Platform::DateToSerial(QDateTime(v.toDate(), QTime(0, 0))));
    case QMetaType::QString:
        // Imports fill many columns with an empty text: no conversion for it.
        if (static_cast<const QString*>(v.constData())->isEmpty()) return sqlite3_bind_text(stmt, index, "", -1, SQLITE_STATIC);
        [[fallthrough]];
    default: {
        QByteArray b = v.toString().toUtf8();
        if (!keep) return BindText(stmt, index, b.constData(), b.size(), SQLITE_TRANSIENT);
        keep->push_back(std::move(b));
        return BindText(stmt, index, keep->back().constData(), keep->back().size(), SQLITE_STATIC);
    }
    }
}

// The block of a stored row: the column count, the width of the offsets
// (1, 2 or 4 bytes: the least the row's data needs, most rows being short),
// whether an arena holds it, the rowid, each column's end within the data, each column's storage class,
// then the data.
constexpr size_t kRowHead = 16;
struct RowLayout {
    const char* base;
    int count() const {
        qint32 n;
        std::memcpy(&n, base, sizeof n);
        return n;
    }
    size_t width() const { return static_cast<unsigned char>(base[4]); }
    static size_t WidthFor(size_t data) { return data <= 0xFF ? 1 : data <= 0xFFFF ? 2 : 4; }
    quint32 end(int i) const {
        const char* p = base + kRowHead + size_t(i) * width();
        if (width() == 1) return static_cast<unsigned char>(*p);
        if (width() == 2) return qFromLittleEndian<quint16>(p);
        return qFromLittleEndian<quint32>(p);
    }
    unsigned char type(int i) const { return static_cast<unsigned char>(base[kRowHead + size_t(count()) * width() + size_t(i)]); }
    const char* data() const { return base + kRowHead + size_t(count()) * (width() + 1); }
    quint32 start(int i) const { return i ? end(i - 1) : 0; }
    const char* bytes(int i) const { return data() + start(i); }
    quint32 length(int i) const { return end(i) - start(i); }
    // An integer or real column's 8 bytes.
    template <typename T>
    T number(int i) const {
        T v;
        std::memcpy(&v, bytes(i), sizeof v);
        return v;
    }
};

// A column's storage class and bytes, as a block is written from them: text
// and blobs where they lie, integers and reals held in the cell itself.
// Plain, so that a row's cells are not cleared before they are asked for;
// each is set in place (a cell handed back whole costs a stall a column).
struct Cell {
    int type;
    const void* bytes;
    size_t length;
    char number[8];
    void Empty() { Set(SQLITE_NULL, nullptr, 0); }
    void Set(int storage, const void* at, size_t size) {
        type = storage;
        bytes = at;
        length = size;
    }
    template <typename T>
    void Number(int storage, T value) {
        Set(storage, nullptr, sizeof value);
        std::memcpy(number, &value, sizeof value);
    }
    const void* data() const { return bytes ? bytes : number; }
};

// Writes a block from `count` cells, column i's set by `cell(i, cell)`, each
// asked for once: every question to the engine about a column costs a call.
template <typename CellOf>
StoredRow::Block MakeBlock(int count, qint64 rowid, CellOf&& cell, RowArena* arena = nullptr) {
    Cell few[64];
    std::vector<Cell> many;
    Cell* cells = few;
    if (count > 64) {
        many.resize(size_t(count));
        cells = many.data();
    }
    size_t data = 0;
    for (int i = 0; i < count; ++i) {
        cell(i, cells[i]);
        data += cells[i].length;
    }
    const size_t width = RowLayout::WidthFor(data);
    const size_t head = kRowHead + size_t(count) * (width + 1);
    char* block = arena ? arena->Take(head + data) : static_cast<char*>(std::malloc(head + data));
    if (!block) throw std::bad_alloc();
    const qint32 n = count;
    std::memcpy(block, &n, sizeof n);
    block[4] = char(width);
    block[5] = arena ? 1 : 0;
    std::memcpy(block + 8, &rowid, sizeof rowid);
    quint32 end = 0;
    for (int i = 0; i < count; ++i) {
        const Cell& c = cells[i];
        if (c.length) std::memcpy(block + head + end, c.data(), c.length);
        end += quint32(c.length);
        char* at = block + kRowHead + size_t(i) * width;
        if (width == 1) *at = char(end);
        else if (width == 2) qToLittleEndian(quint16(end), at);
        else qToLittleEndian(end, at);
        block[kRowHead + size_t(count) * width + size_t(i)] = char(c.type);
    }
    return StoredRow::Block(block);
}

}  // namespace

char* RowArena::Take(size_t bytes) {
    bytes = (bytes + 7) & ~size_t(7);
    if (bytes > left_) {
        constexpr size_t kFirst = 256 * 1024, kHuge = 2 * 1024 * 1024, kMost = 16 * kHuge;
        const size_t grown = pieces_.empty() ? kFirst : std::min(pieces_.back().size * 2, kMost);
        size_t piece = std::max(bytes, grown);
        char* at = nullptr;
        if (piece >= kHuge) {
            // Whole huge pages where the system gives them: a piece is a few
            // faults rather than one for every page of it.
            piece = (piece + kHuge - 1) & ~(kHuge - 1);
            void* room = ::mmap(nullptr, piece + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (room == MAP_FAILED) throw std::bad_alloc();
            const auto start = reinterpret_cast<quintptr>(room), aligned = (start + kHuge - 1) & ~quintptr(kHuge - 1);
            if (aligned > start) ::munmap(room, aligned - start);
            if (const size_t tail = kHuge - (aligned - start)) ::munmap(reinterpret_cast<void*>(aligned + piece), tail);
            at = reinterpret_cast<char*>(aligned);
#ifdef MADV_HUGEPAGE
            ::madvise(at, piece, MADV_HUGEPAGE);
#endif
        } else {
            void* room = ::mmap(nullptr, piece, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (room == MAP_FAILED) throw std::bad_alloc();
            at = static_cast<char*>(room);
        }
        pieces_.push_back({at, piece});
        next_ = at;
        left_ = piece;
    }
    char* p = next_;
    next_ += bytes;
    left_ -= bytes;
    return p;
}

void RowArena::Clear() {
    for (const Piece& piece : pieces_) ::munmap(piece.at, piece.size);
    pieces_.clear();
    next_ = nullptr;
    left_ = 0;
}

namespace {

// A column of the statement's current row as the engine holds it: its
// integers and reals as 8 bytes, text and blobs as they are.
void ColumnCell(sqlite3_stmt* stmt, int column, Cell& c) {
    sqlite3_value* v = sqlite3_column_value(stmt, column);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return c.Number(SQLITE_INTEGER, sqlite3_int64(sqlite3_value_int64(v)));
    case SQLITE_FLOAT: return c.Number(SQLITE_FLOAT, sqlite3_value_double(v));
    case SQLITE_TEXT: {
        // Its UTF-8 bytes as they lie: their count first (which turns a text
        // of a UTF-16 file into UTF-8), then the bytes as a blob's, which,
        // unlike a text's, the engine does not copy to end with a NUL.
        const size_t size = size_t(sqlite3_value_bytes(v));
        return c.Set(SQLITE_TEXT, sqlite3_value_blob(v), size);
    }
    case SQLITE_BLOB: {
        const void* blob = sqlite3_value_blob(v);
        return c.Set(SQLITE_BLOB, blob, size_t(sqlite3_value_bytes(v)));
    }
    default: return c.Empty();
    }
}

}  // namespace

StoredRow StoredRow::FromStatement(sqlite3_stmt* stmt, int first, int count, qint64 rowid, RowArena* arena) {
    StoredRow row;
    row.block_ = MakeBlock(count, rowid, [&](int i, Cell& c) { ColumnCell(stmt, first + i, c); }, arena);
    return row;
}

StoredRow StoredRow::FromColumns(sqlite3_stmt* stmt, const int* at, int count, qint64 rowid, RowArena* arena) {
    // The block ends with the last column read: past its end a row reads Null.
    while (count > 0 && at[count - 1] < 0) --count;
    StoredRow row;
    row.block_ = MakeBlock(count, rowid, [&](int i, Cell& c) { at[i] < 0 ? c.Empty() : ColumnCell(stmt, at[i], c); }, arena);
    return row;
}

StoredRow StoredRow::FromValues(const std::vector<QVariant>& values, qint64 rowid) {
    // The same storage classes Bind hands the engine.
    std::vector<QByteArray> texts(values.size());
    StoredRow row;
    row.block_ = MakeBlock(int(values.size()), rowid, [&](int i, Cell& c) {
        const QVariant& v = values[size_t(i)];
        if (!v.isValid() || v.isNull()) return c.Empty();
        switch (v.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
            return c.Number(SQLITE_INTEGER, sqlite3_int64(v.typeId() == QMetaType::Bool ? (v.toBool() ? -1 : 0) : v.toLongLong()));
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::QDateTime:
        case QMetaType::QDate:
            return c.Number(SQLITE_FLOAT, RawOf(v).toDouble());
        default:
            if (texts[size_t(i)].isNull()) texts[size_t(i)] = v.toString().toUtf8();
            return c.Set(SQLITE_TEXT, texts[size_t(i)].constData(), size_t(texts[size_t(i)].size()));
        }
    });
    return row;
}

StoredRow StoredRow::Wide(std::vector<QVariant> values) {
    StoredRow row;
    row.wide_ = std::make_unique<std::vector<QVariant>>(std::move(values));
    return row;
}

int StoredRow::Count() const {
    if (wide_) return int(wide_->size());
    return block_ ? RowLayout{block_.get()}.count() : 0;
}

qint64 StoredRow::RowId() const {
    qint64 rowid = 0;
    if (block_) std::memcpy(&rowid, block_.get() + 8, sizeof rowid);
    return rowid;
}

QVariant StoredRow::Value(int column) const {
    if (wide_) return column < int(wide_->size()) ? (*wide_)[size_t(column)] : QVariant();
    if (!block_) return QVariant();
    const RowLayout row{block_.get()};
    if (column < 0 || column >= row.count()) return QVariant();
    switch (row.type(column)) {
    case SQLITE_INTEGER: {
        const qint64 v = row.number<qint64>(column);
        if (v >= INT32_MIN && v <= INT32_MAX) return QVariant(qint32(v));
        return QVariant(v);
    }
    case SQLITE_FLOAT: return row.number<double>(column);
    case SQLITE_TEXT: return QString::fromUtf8(row.bytes(column), qsizetype(row.length(column)));
    case SQLITE_BLOB: return QByteArray(row.bytes(column), qsizetype(row.length(column)));
    default: return QVariant();
    }
}

int StoredRow::BindTo(sqlite3_stmt* stmt, int index, int column) const {
    if (wide_) return Bind(stmt, index, Value(column));
    const RowLayout row{block_.get()};
    if (column >= row.count()) return sqlite3_bind_null(stmt, index);
    switch (row.type(column)) {
    case SQLITE_INTEGER: return sqlite3_bind_int64(stmt, index, row.number<sqlite3_int64>(column));
    case SQLITE_FLOAT: return sqlite3_bind_double(stmt, index, row.number<double>(column));
    case SQLITE_TEXT: return sqlite3_bind_text(stmt, index, row.bytes(column), int(row.length(column)), SQLITE_STATIC);
    case SQLITE_BLOB: return sqlite3_bind_blob(stmt, index, row.bytes(column), int(row.length(column)), SQLITE_STATIC);
    default: return sqlite3_bind_null(stmt, index);
    }
}

namespace {

int DefinedSizeOf(const QString& declared) {
    int open = declared.indexOf('('), close = declared.indexOf(')');
    if (open < 0 || close < open) return 0;
    return declared.mid(open + 1, close - open - 1).toInt();
}

QHash<QString, QString> ParseConnectionString(const QString& s) {
    QHash<QString, QString> parts;
    for (const QString& item : s.split(';', Qt::SkipEmptyParts)) {
        int eq = item.indexOf('=');
        if (eq < 0) continue;
        parts.insert(item.left(eq).trimmed().toLower(), item.mid(eq + 1).trimmed());
    }
    return parts;
}

}  // namespace

// ------------------------------------------------------------ Connection

QString Connection::Translate(const QString& jetSql) {
    try {
        return TranslateJetSql(jetSql);
    } catch (const JetSyntaxError& e) {
        errors_.push_back(Error{E_FAIL_PROVIDER, QStringLiteral("3075"), e.description});
        Platform::Err().Raise(E_FAIL_PROVIDER, e.description, QStringLiteral("Microsoft JET Database Engine"));
    }
}

int Connection::EngineWaitMs = 5000;

Connection::Connection() = default;

Connection::~Connection() { Close(); }

void Connection::RaiseEngineError(int rc, const QString& sql, long number) {
    // Taken first: the system's word on a failed write, which the engine
    // does not always keep (nothing since has failed, so it is still there).
    const int lastSystemError = errno;
    QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
    int extended = db_ ? sqlite3_extended_errcode(db_) : rc;
    if ((extended & 0xFF) != (rc & 0xFF)) extended = rc;
    // A write refused for want of room reaches the engine as a plain I/O
    // error when the file could not grow (a quota, a size limit): the user
    // is told the disk is full, which is what can be mended. The system's
    // reason is kept with the file; the connection's copy is often gone by
    // the time the failure is reported.
    if ((extended & 0xFF) == SQLITE_IOERR && db_) {
        int why = sqlite3_system_errno(db_);
        if (why == 0) sqlite3_file_control(db_, "main", SQLITE_FCNTL_LAST_ERRNO, &why);
        if (why == 0) why = lastSystemError;
        if (why == ENOSPC || why == EFBIG || why == EDQUOT) extended = SQLITE_FULL;
    }
    Mapped m = MapEngineError(extended, message);
    errors_.push_back(Error{number, m.state, m.description});
    // The engine rolls a transaction back by itself on some failures (a full
    // disk, an I/O error): that failure is what a later commit reports.
    if (began_ && db_ && sqlite3_get_autocommit(db_) && lost_.SQLState.isEmpty())
        lost_ = Error{number, m.state, m.description};
    Platform::Err().Raise(number, m.description, QStringLiteral("Microsoft JET Database Engine"));
}

void Connection::Open(const QString& connectionString, const QString& user, const QString& password) {
    Close();
    errors_.clear();
    connectionString_ = connectionString;
    auto parts = ParseConnectionString(connectionString);
    provider_ = parts.value("provider");
    auto fail = [this](const QString& state, const QString& description, long number = E_FAIL_PROVIDER) {
        errors_.push_back(Error{number, state, description});
        Platform::Err().Raise(number, description, QStringLiteral("Microsoft JET Database Engine"));
    };
    if (provider_.contains("SQLOLEDB", Qt::CaseInsensitive)) {
        auto server = std::make_unique<ServerBackend>();
        try {
            const QString trusted = parts.value("trusted_connection");
            server->Open(parts.value("data source"), parts.value("initial catalog"), user, password,
                         trusted.compare("yes", Qt::CaseInsensitive) == 0);
        } catch (const ServerFailure& f) {
            fail(f.state, f.description, f.number);
        }
        server_ = std::move(server);
        return;
    }
    if (parts.value("extended properties").contains("Excel", Qt::CaseInsensitive)) {
        OpenWorkbook(Platform::ResolvePathNoCase(parts.value("data source")));
        return;
    }
    if (!provider_.contains("JET", Qt::CaseInsensitive)) fail("3706", "Provider non trovato.");

    file_ = Platform::ResolvePathNoCase(parts.value("data source"));
    QFileInfo info(file_);
    if (!info.isFile()) fail("3024", "Impossibile trovare il file '" + file_ + "'.");
    if (IsAccessFile(file_)) {
        // A real Access file is read whole through mdbtools, read only.
        QString why;
        db_ = ReadAccessFile(file_, RegisterJet, &why);
        if (!db_) fail("3274", "Formato della tabella esterna non previsto. (" + why + ")");
        sqlite3_exec(db_, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
        return;
    }
    // A file that cannot be written cannot be shared: no locks could be kept.
    if (!info.isWritable()) fail("3051", "Il file '" + file_ + "' è in sola lettura o non accessibile.");

    QByteArray path = QFile::encodeName(file_);
    int rc = sqlite3_open_v2(path.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        Mapped m = MapEngineError(rc, QString());
        fail(m.state, m.description);
    }
    sqlite3_extended_result_codes(db_, 1);
    RegisterJet(db_);
    // Another workstation committing holds the file for a moment: only a file
    // that stays held is taken for one opened exclusively.
    sqlite3_busy_timeout(db_, 1500);
    rc = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    // Another workstation's write holds the file for a slice of a long import
    // or for one save: waiting that out is ordinary, and only a file that
    // stays held past the wait reaches the data layer's retries and questions.
    sqlite3_busy_timeout(db_, EngineWaitMs);
    if (rc != SQLITE_OK) {
        int code = sqlite3_extended_errcode(db_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        if ((code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED)
            fail("3045", "Impossibile utilizzare '" + file_ + "': file già in uso.");
        Mapped m = MapEngineError(code & 0xFF, QString());
        fail(m.state, m.description);
    }
}

sqlite3_stmt* Connection::Kept(const QByteArray& sql) {
    for (auto& [text, stmt] : cache_)
        if (text == sql) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
            return stmt;
        }
    return nullptr;
}

void Connection::Keep(const QByteArray& sql, sqlite3_stmt* stmt) {
    if (cache_.size() >= 32) {
        sqlite3_finalize(cache_.front().second);
        cache_.erase(cache_.begin());
    }
    cache_.emplace_back(sql, stmt);
}

sqlite3_stmt* Connection::Cached(const QByteArray& sql) {
    if (sqlite3_stmt* kept = Kept(sql)) return kept;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql.constData(), sql.size(), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) RaiseEngineError(rc, QString::fromUtf8(sql), E_ERRORSOCCURRED);
    Keep(sql, stmt);
    return stmt;
}

// A workbook is read whole into a private database: each sheet a table named
// "sheet$", its first row the column names. Nothing is ever written back.
void Connection::OpenWorkbook(const QString& file) {
    auto fail = [this](const QString& state, const QString& description) {
        errors_.push_back(Error{E_FAIL_PROVIDER, state, description});
        Platform::Err().Raise(E_FAIL_PROVIDER, description, QStringLiteral("Microsoft JET Database Engine"));
    };
    file_ = file;
    if (!QFileInfo(file).isFile()) fail("3024", "Impossibile trovare il file '" + file + "'.");
    QList<Sheet> sheets;
    QString why;
    if (!ReadWorkbook(file, sheets, &why)) fail("3274", "Formato della tabella esterna non previsto. (" + why + ")");
    sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_extended_result_codes(db_, 1);
    RegisterJet(db_);
    sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
    auto unreadable = [&](const QString& why) {
        Close();
        fail("3274", "Formato della tabella esterna non previsto. (" + why + ")");
    };
    for (const Sheet& sheet : sheets) {
        if (sheet.rows.isEmpty()) continue;
        // The first row names the columns; a column without a name, or with
        // one already taken, is called F and its number, as Jet calls it.
        const int width = sheet.Width();
        QStringList columns;
        const QVariantList& header = sheet.rows.first();
        for (int c = 0; c < width; ++c) {
            const QVariant& title = header.value(c);
            QString name = (title.typeId() == QMetaType::QDateTime ? Platform::Format(title) : title.toString()).trimmed();
            if (name.isEmpty() || columns.contains(name, Qt::CaseInsensitive)) name = "F" + QString::number(c + 1);
            columns << name;
        }
        // A column of dates only (or of true and false only) is one of that
        // type, so that its cells read as dates (or Yes/No) as any of the
        // program's do; in a column that mixes them with other values, a
        // date is the text it shows.
        QList<int> types(width, 0);
        for (int c = 0; c < width; ++c) {
            for (int r = 1; r < sheet.rows.size(); ++r) {
                const QVariant& v = sheet.rows[r].value(c);
                if (!v.isValid()) continue;
                const int type = v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::Bool ? v.typeId() : -1;
                if (types[c] == 0) types[c] = type;
                else if (types[c] != type) types[c] = -1;
            }
        }
        QStringList quoted;
        for (int c = 0; c < width; ++c)
            quoted << "\"" + QString(columns[c]).replace('"', "'") + "\" " +
                          (types[c] == QMetaType::QDateTime ? "DATETIME"
                           : types[c] == QMetaType::Bool    ? "BIT"
                                                            : "COLLATE JETNOCASE");
        const QString table = "\"" + QString(sheet.name).replace('"', "'") + "$\"";
        QByteArray create = ("CREATE TABLE " + table + " (" + quoted.join(", ") + ")").toUtf8();
        if (sqlite3_exec(db_, create.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            unreadable("il foglio '" + sheet.name + "' non diventa una tabella: " + QString::fromUtf8(sqlite3_errmsg(db_)));
        QStringList marks;
        for (int i = 0; i < columns.size(); ++i) marks << "?";
        QByteArray insert = ("INSERT INTO " + table + " VALUES (" + marks.join(",") + ")").toUtf8();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db_, insert.constData(), insert.size(), &stmt, nullptr);
        for (int r = 1; r < sheet.rows.size(); ++r) {
            for (int c = 0; c < columns.size(); ++c) {
                const QVariant& v = sheet.rows[r].value(c);
                Bind(stmt, c + 1, types[c] == -1 && v.typeId() == QMetaType::QDateTime ? QVariant(Platform::Format(v)) : v);
            }
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
}

void Connection::Close() {
    SettleDeferred();
    for (auto& entry : cache_) sqlite3_finalize(entry.second);
    cache_.clear();
    server_.reset();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

int Connection::State() const { return db_ || server_ ? adStateOpen : adStateClosed; }

sqlite3_stmt* Connection::Prepare(const QString& jetSql, const QVariantList& params) {
    if (!db_) Platform::Err().Raise(E_OBJECTCLOSED, "Operazione non consentita se l'oggetto è chiuso.");
    Flush();
    QByteArray sql = Translate(jetSql).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.constData(), sql.size(), &stmt, nullptr);
    if (rc != SQLITE_OK) RaiseEngineError(rc, jetSql);
    for (int i = 0; i < params.size(); ++i) Bind(stmt, i + 1, params[i]);
    return stmt;
}

long Connection::Execute(const QString& jetSql, const QVariantList& params) {
    if (server_) {
        try {
            return server_->Run(jetSql, params).affected;
        } catch (const ServerFailure& f) {
            errors_.push_back(Error{f.number, f.state, f.description});
            Platform::Err().Raise(f.number, f.description, QStringLiteral("Microsoft OLE DB Provider for SQL Server"));
        }
    }
    if (!db_) Platform::Err().Raise(E_OBJECTCLOSED, "Operazione non consentita se l'oggetto è chiuso.");
    Flush();
    const QByteArray all = Translate(jetSql).toUtf8();
    const char* tail = all.constData();
    const char* end = tail + all.size();
    long affected = 0;
    int bound = 0;
    // A text of one statement, as the table locks and a run's rows send
    // again and again, is prepared once and kept.
    sqlite3_stmt* kept = Kept(all);
    while (tail < end) {
        sqlite3_stmt* stmt = kept;
        if (kept) {
            tail = end;
        } else {
            const bool first = tail == all.constData();
            int rc = sqlite3_prepare_v2(db_, tail, int(end - tail), &stmt, &tail);
            if (rc != SQLITE_OK) RaiseEngineError(rc, jetSql);
            if (!stmt) break;  // only blanks left
            if (first && std::all_of(tail, end, [](char c) { return c == ';' || std::isspace(uchar(c)); })) {
                Keep(all, stmt);
                kept = stmt;
            }
        }
        // Finalized, or kept ready for the next time.
        auto done = [&] { kept ? void(sqlite3_reset(stmt)) : void(sqlite3_finalize(stmt)); };
        int n = sqlite3_bind_parameter_count(stmt);
        for (int i = 1; i <= n && bound < params.size(); ++i) Bind(stmt, i, params[bound++]);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            done();
            RaiseEngineError(rc, jetSql);
        }
        affected += sqlite3_changes(db_);
        done();
    }
    return affected;
}

void Connection::BeginTrans() {
    if (server_ || !db_) return void(Execute("BEGIN"));
    Execute("BEGIN IMMEDIATE");
    began_ = true;
    lost_ = Error{};
}

void Connection::CommitTrans() {
    if (TransactionLost()) {
        // Committing nothing would read as "no transaction": the failure that
        // rolled the work back is what the caller must hear.
        const Error lost = lost_.SQLState.isEmpty()
                               ? Error{E_FAIL_PROVIDER, QStringLiteral("3034"),
                                       QStringLiteral("Il motore di database ha annullato la transazione.")}
                               : lost_;
        began_ = false;
        lost_ = Error{};
        DropDeferred();
        errors_.push_back(lost);
        Platform::Err().Raise(lost.Number, lost.Description, QStringLiteral("Microsoft JET Database Engine"));
    }
    Execute("COMMIT");
    began_ = false;
}

bool Connection::TransactionLost() const { return began_ && db_ && !server_ && sqlite3_get_autocommit(db_); }

void Connection::RollbackTrans() {
    began_ = false;
    lost_ = Error{};
    SettleDeferred();
    // A statement that failed on a full disk or an I/O error has already
    // rolled the transaction back: that failure is the one to report, not
    // a complaint that no transaction is left to roll back.
    if (!InTransaction()) {
        if (server_) server_->ForgetLostTransaction();
        return;
    }
    Execute("ROLLBACK");
}

bool Connection::InTransaction() const {
    if (server_) return server_->InTransaction();
    return db_ && !sqlite3_get_autocommit(db_);
}

void Connection::Flush() {
    // Each recordset leaves the list once its rows are read back; one that
    // fails stays on it, its rows still unread.
    while (!deferring_.empty()) deferring_.back()->ReadBack();
}

void Connection::Defer(Recordset* rs) { deferring_.push_back(rs); }

void Connection::Forget(Recordset* rs) { std::erase(deferring_, rs); }

void Connection::SettleDeferred() {
    // The rows added keep showing what was written, as they did when each
    // was read back at once: they are read before the transaction takes them
    // away. A read that fails must not keep the rollback from running.
    if (InTransaction()) {
        try {
            Flush();
        } catch (const Platform::BasicError&) {
        }
    }
    DropDeferred();
}

void Connection::DropDeferred() {
    for (Recordset* rs : deferring_) rs->DropUnread();
    deferring_.clear();
}

// ------------------------------------------------------------ Recordset

Recordset::Recordset() = default;
Recordset::~Recordset() { Close(); }

void Recordset::FinishStatement() {
    if (stmt_) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

void Recordset::Requery() {
    CheckOpen();
    sqlite3_stmt* again = stmt_ ? stmt_ : kept_;
    if (!Streamed() || !again) {
        Connection& cn = *cn_;
        const QString source = source_;
        const QVariantList params = params_;
        const int cursorType = cursorType_, lockType = lockType_;
        Open(source, cn, cursorType, lockType, params);
        return;
    }
    // A read changes none of the rows other recordsets added: they stay unread.
    if (!sqlite3_stmt_readonly(again)) cn_->Flush();
    sqlite3_reset(again);
    stmt_ = again;
    kept_ = nullptr;
    rows_.clear();
    exhausted_ = false;
    position_ = 0;
    if (FetchNext()) LoadRow(0);
    else LoadRow(-1);
}

void Recordset::Settle() {
    for (const Field& f : fields_)
        if (f.Pending()) f.Load();
}

void Field::Load() const {
    filled_ = true;
    if (held_) {
        // A text assigned as bytes is read as the text it is.
        value_ = QString::fromUtf8(bytes_.data(), bytes_.size);
        held_ = false;
        loaded_ = owner_->serial_;
        return;
    }
    if (!owner_->unread_.empty()) owner_->ReadBack();
    const Recordset& rs = *owner_;
    loaded_ = rs.serial_;
    const long row = rs.current_;
    if (rs.Streamed() && rs.stmt_) ReadRaw(rs.stmt_, column_, value_);
    else if (row >= 0 && row < long(rs.rows_.size())) value_ = rs.rows_[row].Value(column_);
    else value_ = QVariant();
    if (kind_ != kPlain) value_ = Converted(value_, kind_);
}

void Recordset::IndexNames() {
    index_.clear();
    bytesIndex_.clear();
    nameHits_ = {};
    for (int i = 0; i < int(fields_.size()); ++i) {
        fields_[i].owner_ = this;
        fields_[i].column_ = i;
        index_.insert(fields_[i].Name.toLower(), i);
    }
    for (const Field& f : fields_) {
        const QString folded = f.Name.toLower();
        const int i = index_.value(folded);
        index_.insert(f.Name, i);
        bytesIndex_.insert(f.Name.toUtf8(), i);
        bytesIndex_.insert(folded.toUtf8(), i);
    }
}

void Recordset::Close() {
    if (!unread_.empty()) {
        // Rows no longer wanted need no reading.
        cn_->Forget(this);
        unread_.clear();
    }
    insertAlone_ = -1;
    nullUnlessGiven_.clear();
    FinishStatement();
    if (kept_) {
        sqlite3_finalize(kept_);
        kept_ = nullptr;
    }
    params_.clear();
    open_ = false;
    rows_.clear();
    arena_.Clear();
    fields_.clear();
    index_.clear();
    bytesIndex_.clear();
    nameHits_ = {};
    current_ = -1;
    insertMask_.clear();
    insertSql_.clear();
    storedSql_.clear();
    editMode_ = 0;
    cn_ = nullptr;
}

void Recordset::Open(const QString& source, Connection& cn, int cursorType, int lockType, const QVariantList& params) {
    Close();
    cn_ = &cn;
    source_ = source;
    params_ = params;
    cursorType_ = cursorType;
    lockType_ = lockType;
    exhausted_ = false;
    position_ = 0;
    hasRowId_ = false;
    table_.clear();

    if (cn.IsServer()) {
        // The server's rows come whole; they are read, not written back.
        ServerResult result;
        try {
            result = cn.Server()->Run(source, params);
        } catch (const ServerFailure& f) {
            cn.Errors().push_back(Error{f.number, f.state, f.description});
            Platform::Err().Raise(f.number, f.description, QStringLiteral("Microsoft OLE DB Provider for SQL Server"));
        }
        for (const auto& c : result.columns) {
            Field f;
            f.Name = c.name;
            f.DefinedSize = c.definedSize;
            fields_.push_back(f);
        }
        IndexNames();
        rows_.reserve(result.rows.size());
        for (auto& row : result.rows) rows_.push_back(StoredRow::Wide(std::move(row)));
        cursorType_ = adOpenStatic;
        exhausted_ = true;
        open_ = true;
        LoadRow(0);
        return;
    }

    sqlite3_stmt* stmt = cn.Prepare(source, params);
    // Rows of one base table can be written back: keep each row's identity.
    if (lockType != adLockReadOnly && sqlite3_column_count(stmt) > 0) {
        QString table;
        bool single = true;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            const char* t = sqlite3_column_table_name(stmt, i);
            QString name = t ? QString::fromUtf8(t) : QString();
            if (name.isEmpty() || (!table.isEmpty() && name.compare(table, Qt::CaseInsensitive) != 0)) single = false;
            table = name;
        }
        QString translated = cn.Translate(source).trimmed();
        if (single && translated.startsWith("SELECT ", Qt::CaseInsensitive) &&
            !translated.mid(7).trimmed().startsWith("DISTINCT", Qt::CaseInsensitive)) {
            sqlite3_stmt* withId = nullptr;
            QByteArray sql = ("SELECT " + translated.mid(7) + "").toUtf8();
            sql = "SELECT rowid AS \"__rid__\", " + translated.mid(7).toUtf8();
            if (sqlite3_prepare_v2(cn.Handle(), sql.constData(), sql.size(), &withId, nullptr) == SQLITE_OK) {
                for (int i = 0; i < params.size(); ++i) Bind(withId, i + 1, params[i]);
                sqlite3_finalize(stmt);
                stmt = withId;
                hasRowId_ = true;
                table_ = table;
            }
        }
    }
    stmt_ = stmt;
    const int offset = hasRowId_ ? 1 : 0;
    for (int i = offset; i < sqlite3_column_count(stmt_); ++i) {
        Field f;
        f.Name = QString::fromUtf8(sqlite3_column_name(stmt_, i));
        const char* decl = sqlite3_column_decltype(stmt_, i);
        f.DeclaredType = decl ? QString::fromUtf8(decl) : QString();
        f.DefinedSize = DefinedSizeOf(f.DeclaredType);
        f.kind_ = KindOf(f.DeclaredType);
        const char* origin = sqlite3_column_origin_name(stmt_, i);
        f.origin_ = origin ? QString::fromUtf8(origin) : f.Name;
        fields_.push_back(f);
    }
    IndexNames();
    open_ = true;
    if (cursorType_ != adOpenForwardOnly || hasRowId_) {
        // A scrollable or writable cursor reads its rows now: an open read
        // would keep every other workstation from writing meanwhile.
        while (FetchNext()) {
        }
    } else {
        FetchNext();
    }
    LoadRow(0);
}

bool Recordset::FetchNext() {
    if (exhausted_ || !stmt_) return false;
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        if (Streamed()) {
            // Columns are read from the engine's row when they are asked for.
            if (rows_.empty()) rows_.emplace_back();
            return true;
        }
        const int offset = hasRowId_ ? 1 : 0;
        const qint64 rowid = hasRowId_ ? qint64(sqlite3_column_int64(stmt_, 0)) : 0;
        rows_.push_back(StoredRow::FromStatement(stmt_, offset, int(fields_.size()), rowid));
        return true;
    }
    exhausted_ = true;
    if (rc == SQLITE_DONE && Streamed()) {
        // Reset, it holds nothing, and a Requery runs it again unprepared.
        sqlite3_reset(stmt_);
        kept_ = stmt_;
        stmt_ = nullptr;
        return false;
    }
    FinishStatement();
    if (rc != SQLITE_DONE) cn_->RaiseEngineError(rc, source_);
    return false;
}

void Recordset::LoadRow(long index) {
    long local = (cursorType_ == adOpenForwardOnly && !hasRowId_) ? long(rows_.size()) - 1 : index;
    ++serial_;
    if (index < 0 || local < 0 || local >= long(rows_.size())) {
        current_ = -1;
        for (auto& f : fields_) {
            f.value_ = f.original_ = QVariant();
            f.held_ = false;
            f.loaded_ = serial_;
        }
        return;
    }
    // Each field converts its value when it is first read.
    current_ = local;
    if (assigned_) {
        for (auto& f : fields_) f.changed_ = f.held_ = false;
        assigned_ = false;
    }
}

const QByteArray& Recordset::StoredSql() {
    if (storedSql_.isEmpty()) {
        // The rowid last, past the fields: a pass over several rows matches them by it.
        QStringList columns;
        for (const auto& f : fields_) columns << "\"" + f.origin_ + "\"";
        storedSql_ = ("SELECT " + columns.join(",") + ",rowid FROM \"" + table_ + "\" WHERE rowid=?").toUtf8();
    }
    return storedSql_;
}

bool Recordset::ReadStored(qint64 rowid, StoredRow& row) {
    sqlite3_stmt* stmt = cn_->Cached(StoredSql());
    sqlite3_bind_int64(stmt, 1, rowid);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE) cn_->RaiseEngineError(rc, source_, E_ERRORSOCCURRED);
        return false;
    }
    row = StoredRow::FromStatement(stmt, 0, int(fields_.size()), rowid, &arena_);
    sqlite3_reset(stmt);
    return true;
}

void Recordset::ReadBack() {
    if (unread_.empty()) return;
    if (!cn_->InTransaction()) {
        // The engine rolled the transaction back on a failure: the rows are
        // gone, and their rowids may already be another workstation's.
        DropUnread();
        cn_->Forget(this);
        return;
    }
    const int count = int(fields_.size());
    const size_t n = unread_.size(), from = rows_.size() - n;
    // By rowid, the order the table keeps them in: mostly the order added.
    const bool sorted = std::is_sorted(unread_.begin(), unread_.end());
    std::vector<size_t> order;
    if (!sorted) {
        order.resize(n);
        for (size_t i = 0; i < n; ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return unread_[a] < unread_[b]; });
    }
    auto nth = [&](size_t k) { return sorted ? k : order[k]; };
    // A row gone meanwhile, which only a statement outside the layer can do, reads as empty.
    auto missing = [&](size_t i) { rows_[from + i] = StoredRow::FromValues(std::vector<QVariant>(size_t(count)), unread_[i]); };
    // A failure halfway leaves every row listed as unread: a later pass reads them all again.
    const qint64 first = unread_[nth(0)], last = unread_[nth(n - 1)];
    if (quint64(last - first) < 2 * quint64(n)) {
        // Rows added one after another lie side by side: one range scan
        // reads them all, stepping over the few rows between them. A column
        // none of them was given a value in, which the table leaves Null, is
        // not read.
        const QByteArray& nulls = NullUnlessGiven();
        std::vector<int> at(size_t(count), -1);
        QStringList columns;
        for (int i = 0; i < count; ++i)
            if (unreadMask_.at(i) == '1' || nulls.at(i) != '1') {
                at[size_t(i)] = int(columns.size());
                columns << "\"" + fields_[size_t(i)].origin_ + "\"";
            }
        const int rowidAt = int(columns.size());
        columns << QStringLiteral("rowid");
        sqlite3_stmt* stmt = cn_->Cached(("SELECT " + columns.join(',') + " FROM \"" + table_ + "\" WHERE rowid BETWEEN ? AND ?").toUtf8());
        sqlite3_bind_int64(stmt, 1, first);
        sqlite3_bind_int64(stmt, 2, last);
        size_t next = 0;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const qint64 rowid = sqlite3_column_int64(stmt, rowidAt);
            for (; next < n && unread_[nth(next)] < rowid; ++next) missing(nth(next));
            for (; next < n && unread_[nth(next)] == rowid; ++next)
                rows_[from + nth(next)] = StoredRow::FromColumns(stmt, at.data(), count, rowid, &arena_);
        }
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE) cn_->RaiseEngineError(rc, source_, E_ERRORSOCCURRED);
        for (; next < n; ++next) missing(nth(next));
    } else {
        for (size_t k = 0; k < n; ++k)
            if (!ReadStored(unread_[nth(k)], rows_[from + nth(k)])) missing(nth(k));
    }
    unread_.clear();
    cn_->Forget(this);
}

void Recordset::DropUnread() {
    const size_t from = rows_.size() - unread_.size();
    for (size_t i = 0; i < unread_.size(); ++i)
        rows_[from + i] = StoredRow::FromValues(std::vector<QVariant>(fields_.size()), unread_[i]);
    unread_.clear();
}

bool Recordset::InsertAlone() {
    if (insertAlone_ < 0) {
        static const QRegularExpression column(R"re( SET "([^"]+)"=-1 )re");
        const char* sql =
            "SELECT tbl_name, sql FROM sqlite_master WHERE type='trigger' AND tbl_name=?1 COLLATE NOCASE "
            "UNION ALL SELECT tbl_name, sql FROM sqlite_temp_master WHERE type='trigger' AND tbl_name=?1 COLLATE NOCASE";
        sqlite3_stmt* stmt = nullptr;
        insertAlone_ = 0;
        if (sqlite3_prepare_v2(cn_->Handle(), sql, -1, &stmt, nullptr) == SQLITE_OK) {
            const QByteArray table = table_.toUtf8();
            sqlite3_bind_text(stmt, 1, table.constData(), int(table.size()), SQLITE_TRANSIENT);
            bool alone = true;
            int rc;
            while (alone && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
                const QString on = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
                const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
                const auto m = column.match(text);
                alone = m.hasMatch() && YesNoTriggers(on, m.captured(1)).contains(text);
            }
            if (alone && rc == SQLITE_DONE) insertAlone_ = 1;
        }
        sqlite3_finalize(stmt);
    }
    return insertAlone_ == 1;
}

const QByteArray& Recordset::NullUnlessGiven() {
    if (nullUnlessGiven_.size() != qsizetype(fields_.size())) {
        // Unknown, a column is read.
        nullUnlessGiven_ = QByteArray(qsizetype(fields_.size()), '0');
        const char* sql =
            "SELECT name FROM pragma_table_xinfo(?1) WHERE dflt_value IS NULL AND pk=0 AND hidden=0";
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(cn_->Handle(), sql, -1, &stmt, nullptr) == SQLITE_OK) {
            const QByteArray table = table_.toUtf8();
            sqlite3_bind_text(stmt, 1, table.constData(), int(table.size()), SQLITE_TRANSIENT);
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
                for (size_t i = 0; i < fields_.size(); ++i)
                    if (fields_[i].origin_.compare(name, Qt::CaseInsensitive) == 0) nullUnlessGiven_[qsizetype(i)] = '1';
            }
        }
        sqlite3_finalize(stmt);
    }
    return nullUnlessGiven_;
}

void Recordset::CheckOpen() const {
    if (!open_) Platform::Err().Raise(E_OBJECTCLOSED, "Operazione non consentita se l'oggetto è chiuso.");
}

void Recordset::CheckCurrent() const {
    CheckOpen();
    if (EOF_() || BOF()) Platform::Err().Raise(E_NOCURRENTRECORD, "BOF o EOF è True oppure il record corrente è stato eliminato.");
}

bool Recordset::EOF_() const {
    if (!open_) return true;
    if (editMode_ == 2) return false;
    if (cursorType_ == adOpenForwardOnly && !hasRowId_) return rows_.empty() || (exhausted_ && position_ >= 1);
    return position_ >= long(rows_.size());
}

bool Recordset::BOF() const { return open_ && (position_ < 0 || (rows_.empty() && exhausted_)); }

void Recordset::MoveNext() {
    CheckOpen();
    if (EOF_()) Platform::Err().Raise(E_NOCURRENTRECORD, "BOF o EOF è True oppure il record corrente è stato eliminato.");
    if (cursorType_ == adOpenForwardOnly && !hasRowId_) {
        if (FetchNext()) LoadRow(0);
        else {
            position_ = 1;
            LoadRow(-1);
        }
        return;
    }
    ++position_;
    if (position_ >= long(rows_.size())) FetchNext();
    LoadRow(position_);
}

void Recordset::MovePrevious() {
    CheckOpen();
    if (cursorType_ == adOpenForwardOnly && !hasRowId_) Platform::Err().Raise(3219, "Operazione non consentita.");
    if (position_ >= 0) --position_;
    LoadRow(position_);
}

void Recordset::MoveFirst() {
    CheckOpen();
    if (cursorType_ == adOpenForwardOnly && !hasRowId_) return;
    position_ = 0;
    LoadRow(0);
}

void Recordset::MoveLast() {
    CheckOpen();
    if (Streamed()) {
        // The engine lets go of a row at the next step: each row's values are
        // taken before it, so the last one's stay.
        while (!exhausted_ && !rows_.empty()) {
            LoadRow(0);
            Settle();
            FetchNext();
        }
        position_ = long(rows_.size()) - 1;
        if (rows_.empty()) LoadRow(-1);
        return;
    }
    while (FetchNext()) {
    }
    position_ = long(rows_.size()) - 1;
    LoadRow(position_);
}

long Recordset::RecordCount() {
    CheckOpen();
    if (cursorType_ == adOpenForwardOnly && !hasRowId_) return -1;
    while (FetchNext()) {
    }
    return long(rows_.size());
}

Field& Recordset::Fields(int index) {
    CheckOpen();
    if (index < 0 || index >= int(fields_.size()))
        Platform::Err().Raise(3265, "Impossibile trovare l'elemento nell'insieme.");
    return fields_[index];
}

bool Recordset::HasField(const QString& name) const {
    for (const auto& f : fields_)
        if (f.Name.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

Field& Recordset::Fields(const char* name) {
    CheckOpen();
    const quintptr address = reinterpret_cast<quintptr>(name);
    NameHit& hit = nameHits_[(address ^ (address >> 4) ^ (address >> 8)) % nameHits_.size()];
    if (hit.name == name && std::strcmp(name, hit.text) == 0) return fields_[size_t(hit.field)];
    const qsizetype length = qstrlen(name);
    auto it = bytesIndex_.constFind(QByteArray::fromRawData(name, length));
    Field& f = it != bytesIndex_.constEnd() ? fields_[*it] : Fields(QString::fromUtf8(name, length));
    if (length < qsizetype(sizeof hit.text)) {
        hit.name = name;
        hit.field = f.column_;
        std::memcpy(hit.text, name, size_t(length) + 1);
    }
    return f;
}

Field& Recordset::Fields(const QString& name) {
    CheckOpen();
    auto it = index_.constFind(name);
    if (it == index_.constEnd()) it = index_.constFind(name.toLower());
    if (it != index_.constEnd()) return fields_[*it];
    Platform::Err().Raise(3265, "Impossibile trovare l'elemento nell'insieme: " + name);
}

void Recordset::StartEdit() {
    if (!hasRowId_) Platform::Err().Raise(3251, "Operazione non supportata dal provider per questo recordset.");
    if (editMode_ == 0) {
        CheckCurrent();
        editMode_ = 1;
    }
}

void Recordset::SetValue(const QString& name, const QVariant& value) {
    StartEdit();
    Assign(Fields(name), value);
}

void Recordset::SetValue(const char* name, const QVariant& value) {
    StartEdit();
    Assign(Fields(name), value);
}

void Recordset::SetValue(int index, const QVariant& value) {
    StartEdit();
    Assign(Fields(index), value);
}

void Recordset::BeginChange(Field& f) {
    if (!f.changed_) {
        if (f.Pending()) f.Load();
        // A new row's fields hold nothing to keep.
        if (f.filled_) f.original_ = f.value_;
    }
    f.changed_ = true;
    assigned_ = true;
}

void Recordset::Assign(Field& f, const QVariant& value) {
    BeginChange(f);
    if (f.held_) {
        f.held_ = false;
        f.loaded_ = serial_;
    }
    f.value_ = value;
    f.filled_ = true;
}

void Recordset::SetText(int index, QStringView text) {
    Utf8Into(text, HoldText(index).bytes_);
}

void Recordset::SetUtf8(int index, QByteArrayView text) {
    TextBytes& out = HoldText(index).bytes_;
    const qsizetype n = text.size();
    if (out.room.size() <= n) out.room.resize(n + 1);
    char* const to = out.room.data();
    if (n) std::memcpy(to, text.data(), size_t(n));
    to[n] = '\0';
    out.size = n;
}

Field& Recordset::HoldText(int index) {
    StartEdit();
    Field& f = Fields(index);
    BeginChange(f);
    f.held_ = true;
    // Read, the field makes its text from the bytes.
    f.loaded_ = 0;
    return f;
}

void Recordset::AddNew() {
    CheckOpen();
    if (!hasRowId_) Platform::Err().Raise(3251, "Operazione non supportata dal provider per questo recordset.");
    if (AppendOnly && !rows_.empty()) {
        // The rows added before are let go: nothing can reach them any more,
        // so those still unread need no reading.
        if (!unread_.empty()) {
            cn_->Forget(this);
            unread_.clear();
        }
        rows_.clear();
        arena_.Clear();
        position_ = 0;
        current_ = -1;
    }
    editMode_ = 2;
    for (auto& f : fields_) {
        if (f.filled_) {
            f.value_.clear();
            f.original_.clear();
            f.filled_ = false;
        }
        f.changed_ = f.held_ = false;
        f.loaded_ = serial_;
    }
}

void Recordset::CancelUpdate() {
    if (editMode_ == 2) position_ = std::min<long>(position_, long(rows_.size()));
    editMode_ = 0;
    LoadRow(position_);
}

void Recordset::Update() {
    CheckOpen();
    if (editMode_ == 0) return;
    sqlite3* db = cn_->Handle();
    // Made only for a statement's text: most rows added reuse the last one's.
    auto table = [&] { return QLatin1Char('"') + table_ + QLatin1Char('"'); };
    // Steps a statement whose parameters are bound; the rows it changed.
    auto run = [&](sqlite3_stmt* stmt) {
        int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) cn_->RaiseEngineError(rc, source_, E_ERRORSOCCURRED);
        return sqlite3_changes(db);
    };
    // The changed fields' values, bound from the first parameter on; how many.
    // A text is bound from its field's bytes, which stay until the next row.
    std::vector<QByteArray> texts;
    auto bindChanged = [&](sqlite3_stmt* stmt) {
        int index = 0;
        for (const Field& f : fields_) {
            if (!f.changed_) continue;
            ++index;
            if (!f.held_) {
                const QVariant& v = f.value_;
                if (v.typeId() != QMetaType::QString || static_cast<const QString*>(v.constData())->isEmpty()) {
                    Bind(stmt, index, v, &texts);
                    continue;
                }
                Utf8Into(*static_cast<const QString*>(v.constData()), f.bytes_);
            }
            BindText(stmt, index, f.bytes_.data(), f.bytes_.size, SQLITE_STATIC);
        }
        return index;
    };
    // What a changed field was given, as the program holds it.
    auto given = [](const Field& f) {
        return f.held_ ? QVariant(QString::fromUtf8(f.bytes_.data(), f.bytes_.size)) : f.value_;
    };
    if (editMode_ == 2) {
        // Rows added one after another assign the same fields: the text is made once.
        bool same = !insertSql_.isEmpty() && insertMask_.size() == qsizetype(fields_.size());
        for (size_t i = 0; same && i < fields_.size(); ++i)
            same = (insertMask_.at(qsizetype(i)) == '1') == fields_[i].changed_;
        if (!same) {
            QStringList names;
            insertMask_ = QByteArray(qsizetype(fields_.size()), '0');
            for (size_t i = 0; i < fields_.size(); ++i)
                if (fields_[i].changed_) {
                    insertMask_[qsizetype(i)] = '1';
                    names << "\"" + fields_[i].origin_ + "\"";
                }
            insertSql_ = names.isEmpty()
                             ? ("INSERT INTO " + table() + " DEFAULT VALUES").toUtf8()
                             : ("INSERT INTO " + table() + " (" + names.join(",") + ") VALUES (" +
                                QStringList(QList<QString>(names.size(), "?")).join(",") + ")")
                                   .toUtf8();
        }
        // An insert whose triggers may change other rows must find the rows
        // still unread as they were before it: they are read back first.
        const bool alone = InsertAlone();
        if (!alone) cn_->Flush();
        sqlite3_stmt* stmt = cn_->Cached(insertSql_);
        bindChanged(stmt);
        const sqlite3_int64 before = sqlite3_total_changes64(db);
        run(stmt);
        qint64 rowid = sqlite3_last_insert_rowid(db);
        if (alone && sqlite3_total_changes64(db) - before == 1 && cn_->InTransaction()) {
            rows_.emplace_back();
            if (unread_.empty()) {
                cn_->Defer(this);
                unreadMask_ = insertMask_;
            } else {
                for (qsizetype i = 0; i < insertMask_.size(); ++i)
                    if (insertMask_.at(i) == '1') unreadMask_[i] = '1';
            }
            unread_.push_back(rowid);
        } else {
            // The rows still unread stay the recordset's last ones.
            ReadBack();
            // The row as stored, which is what a later update of it is checked
            // against: the engine keeps a Yes/No set to 1 as -1, fills defaults.
            StoredRow row;
            if (!ReadStored(rowid, row)) {
                std::vector<QVariant> values;
                for (const auto& f : fields_) values.push_back(f.changed_ ? RawOf(given(f)) : QVariant());
                row = StoredRow::FromValues(values, rowid);
            }
            rows_.push_back(std::move(row));
        }
        position_ = long(rows_.size()) - 1;
        editMode_ = 0;
        LoadRow(position_);
        return;
    }
    // An edited row: only the changed fields are written, and only when
    // nobody changed the row since it was read. Its triggers may change rows
    // still unread.
    cn_->Flush();
    QStringList sets, checks;
    for (const auto& f : fields_)
        if (f.changed_) sets << "\"" + f.origin_ + "\"=?";
    const StoredRow& current = rows_[position_];
    const qint64 rowid = current.RowId();
    if (sets.isEmpty()) {
        editMode_ = 0;
        return;
    }
    for (const auto& f : fields_) checks << "\"" + f.origin_ + "\" IS ?";
    sqlite3_stmt* stmt =
        cn_->Cached(("UPDATE " + table() + " SET " + sets.join(",") + " WHERE rowid=? AND " + checks.join(" AND ")).toUtf8());
    int index = bindChanged(stmt);
    sqlite3_bind_int64(stmt, ++index, rowid);
    for (int i = 0; i < int(fields_.size()); ++i) current.BindTo(stmt, ++index, i);
    const int changed = run(stmt);
    if (changed == 0) {
        sqlite3_stmt* stmt = nullptr;
        QByteArray exists = ("SELECT 1 FROM " + table() + " WHERE rowid=?").toUtf8();
        bool found = false;
        if (sqlite3_prepare_v2(db, exists.constData(), exists.size(), &stmt, nullptr) == SQLITE_OK) {
            sqlite3_bind_int64(stmt, 1, rowid);
            found = sqlite3_step(stmt) == SQLITE_ROW;
            sqlite3_finalize(stmt);
        }
        if (found) {
            cn_->Errors().push_back(Error{E_ROWCHANGED, "3197", "Dati modificati da un altro utente."});
            Platform::Err().Raise(E_ROWCHANGED, "Il motore di database ha interrotto l'operazione: un altro utente ha modificato gli stessi dati.");
        }
        Platform::Err().Raise(E_NOCURRENTRECORD, "Il record corrente è stato eliminato da un altro utente.");
    }
    StoredRow stored;
    if (!ReadStored(rowid, stored)) {
        std::vector<QVariant> values;
        for (size_t i = 0; i < fields_.size(); ++i)
            values.push_back(fields_[i].changed_ ? RawOf(given(fields_[i])) : current.Value(int(i)));
        stored = StoredRow::FromValues(values, rowid);
    }
    rows_[position_] = std::move(stored);
    editMode_ = 0;
    LoadRow(position_);
}

void Recordset::Delete() {
    CheckCurrent();
    if (!hasRowId_) Platform::Err().Raise(3251, "Operazione non supportata dal provider per questo recordset.");
    cn_->Flush();
    qint64 rowid = rows_[position_].RowId();
    cn_->Execute("DELETE FROM \"" + table_ + "\" WHERE rowid=?", {QVariant(rowid)});
    rows_.erase(rows_.begin() + position_);
    LoadRow(position_);
}

// ------------------------------------------------------------ Catalog

bool Catalog::CreateDatabase(const QString& file) {
    if (QFileInfo::exists(file)) return false;
    sqlite3* db = nullptr;
    QByteArray path = QFile::encodeName(file);
    int rc = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA user_version=1", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    return rc == SQLITE_OK;
}

QStringList Catalog::Tables(Connection& cn) {
    QStringList names;
    Recordset rs;
    rs.Open("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name", cn);
    while (!rs.EOF_()) {
        names << rs["name"].toString();
        rs.MoveNext();
    }
    return names;
}

void Catalog::CreatePlainTable(Connection& cn, const QString& table, const QList<std::pair<QString, QString>>& columns) {
    if (!cn.Handle()) Platform::Err().Raise(E_OBJECTCLOSED, "Operazione non consentita se l'oggetto è chiuso.");
    auto quoted = [](const QString& name) { return '"' + QString(name).replace('"', "\"\"") + '"'; };
    QStringList defs;
    for (const auto& [name, type] : columns) defs << quoted(name) + " " + type;
    const QString sql = "CREATE TABLE " + quoted(table) + " (" + defs.join(", ") + ")";
    const int rc = sqlite3_exec(cn.Handle(), sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) cn.RaiseEngineError(rc, sql);
}

QStringList Catalog::Columns(Connection& cn, const QString& table) {
    QStringList names;
    Recordset rs;
    rs.Open("SELECT name FROM pragma_table_info(?)", cn, adOpenForwardOnly, adLockReadOnly, {table});
    while (!rs.EOF_()) {
        names << rs["name"].toString();
        rs.MoveNext();
    }
    return names;
}

}  // namespace ADODB
