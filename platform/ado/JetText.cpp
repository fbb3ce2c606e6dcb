#include "JetText.h"

// Built twice: into the program, calling the engine directly, and as the
// loadable extension, calling it through the table the engine hands over.
#ifndef BRIVALTO_SQLITE_EXTENSION
#define SQLITE_CORE 1
#endif
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include <cstring>

namespace ADODB {

namespace {

bool Ascii(const char* s, int n) {
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(s[i]) >= 128) return false;
    return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }

// Indexes are kept in this order: plain ASCII takes a shortcut that orders
// exactly as the folded comparison does.
int JetCollation(void*, int n1, const void* v1, int n2, const void* v2) {
    const char* s1 = static_cast<const char*>(v1);
    const char* s2 = static_cast<const char*>(v2);
    if (Ascii(s1, n1) && Ascii(s2, n2)) {
        const int n = n1 < n2 ? n1 : n2;
        for (int i = 0; i < n; ++i) {
            const char a = Lower(s1[i]), b = Lower(s2[i]);
            if (a != b) return a < b ? -1 : 1;
        }
        return n1 < n2 ? -1 : n1 > n2 ? 1 : 0;
    }
    return Fold(QString::fromUtf8(s1, n1)).compare(Fold(QString::fromUtf8(s2, n2)));
}

// Greedy, going back only to the last "%" seen: every "%" before it has
// already matched as little as it can, so nothing earlier needs trying again.
template <typename Ch>
bool LikeMatchIn(const Ch* text, qsizetype n, const Ch* pattern, qsizetype m) {
    qsizetype t = 0, p = 0, star = -1, resume = 0;
    while (t < n) {
        if (p < m && pattern[p] == '%') {
            star = p++;
            resume = t;
        } else if (p < m && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < m && pattern[p] == '%') ++p;
    return p == m;
}

// A folded pattern, kept with the statement; plain ASCII also as bytes.
struct Pattern {
    QString folded;
    QByteArray ascii;
    bool plain = false;
};

QString ArgText(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? QString::fromUtf8(reinterpret_cast<const char*>(t), sqlite3_value_bytes(v)) : QString();
}

// The pattern is the same for every row of a query: it is folded once and
// kept with the statement.
void FnLike(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* pattern = static_cast<Pattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        pattern = new Pattern{Fold(ArgText(argv[0]))};
        pattern->ascii = pattern->folded.toUtf8();
        pattern->plain = Ascii(pattern->ascii.constData(), int(pattern->ascii.size()));
        sqlite3_set_auxdata(ctx, 0, pattern, [](void* p) { delete static_cast<Pattern*>(p); });
        pattern = static_cast<Pattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!pattern) return sqlite3_result_error_nomem(ctx);
    }
    // Plain ASCII on both sides, as most names and places are: folding is
    // lowering the letters, done on the bytes without making strings.
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const int bytes = sqlite3_value_bytes(argv[1]);
    if (pattern->plain && text && Ascii(text, bytes)) {
        char small[256];
        QByteArray large;
        char* lowered = small;
        if (bytes > int(sizeof small)) {
            large.resize(bytes);
            lowered = large.data();
        }
        for (int i = 0; i < bytes; ++i) lowered[i] = Lower(text[i]);
        const QByteArray& p = pattern->ascii;
        return sqlite3_result_int(ctx, LikeMatchIn(lowered, bytes, p.constData(), p.size()) ? 1 : 0);
    }
    sqlite3_result_int(ctx, LikeMatch(Fold(ArgText(argv[1])), pattern->folded) ? 1 : 0);
}

}  // namespace

QString Fold(const QString& s) {
    bool plain = true;
    for (QChar c : s)
        if (c.unicode() >= 128) {
            plain = false;
            break;
        }
    if (plain) return s.toLower();
    QString d = s.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(d.size());
    for (QChar c : d)
        if (c.category() != QChar::Mark_NonSpacing) out += c;
    return out.toCaseFolded();
}

bool LikeMatch(const QString& text, const QString& pattern) {
    return LikeMatchIn(reinterpret_cast<const char16_t*>(text.utf16()), text.size(),
                       reinterpret_cast<const char16_t*>(pattern.utf16()), pattern.size());
}

int RegisterJetText(sqlite3* db) {
    int rc = sqlite3_create_collation(db, "JETNOCASE", SQLITE_UTF8, nullptr, JetCollation);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function(db, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, FnLike, nullptr,
                                     nullptr);
    return rc;
}

}  // namespace ADODB

// The entry point the engine looks for in libbrivalto_sqlite.so.
extern "C" __attribute__((visibility("default"))) int sqlite3_brivaltosqlite_init(sqlite3* db, char** error,
                                                                                   const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    const int rc = ADODB::RegisterJetText(db);
    if (rc != SQLITE_OK && error) *error = sqlite3_mprintf("%s", sqlite3_errstr(rc));
    return rc;
}
