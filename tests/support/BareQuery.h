#pragma once
// A statement of the program's run on the engine alone, the reference a
// window's list is measured against: the engine's own LIKE and a plain
// case-blind collation under the program's collation name, every column of
// every row read as text.

#include "ADODB.h"
#include "BenchReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace Bench {

// Milliseconds from preparing the statement to its last row; `rows` gets the count.
inline double BareQuery(const QString& file, const QString& jetSql, const QVariantList& params, int* rows) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    sqlite3_create_collation(db, "JETNOCASE", SQLITE_UTF8, nullptr,
                             [](void*, int n1, const void* a, int n2, const void* b) {
                                 int r = sqlite3_strnicmp(static_cast<const char*>(a), static_cast<const char*>(b),
                                                          std::min(n1, n2));
                                 return r ? r : n1 - n2;
                             });
    const QByteArray sql = ADODB::TranslateJetSql(jetSql).toUtf8();
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), sql.size(), &st, nullptr);
    for (int i = 0; i < params.size(); ++i) {
        const QByteArray text = params[i].toString().toUtf8();
        sqlite3_bind_text(st, i + 1, text.constData(), text.size(), SQLITE_TRANSIENT);
    }
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++n;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            sqlite3_column_text(st, c);
            sqlite3_column_bytes(st, c);
        }
    }
    sqlite3_finalize(st);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    *rows = n;
    return ms;
}

// A window's list filled `runs` times, each beside its statement alone (medians).
struct ListRun {
    double list = 0, bare = 0;
    int found = 0, bareFound = 0;
};

inline ListRun TimeListFill(const QString& file, const QString& jetSql, const QVariantList& params, int runs,
                            const std::function<void()>& fill, const std::function<int()>& rowsListed) {
    std::vector<double> list, bare;
    ListRun r;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fill();
        // Filled means the view has taken the rows in, which it may do at the next event.
        QCoreApplication::processEvents();
        list.push_back(t.nsecsElapsed() / 1e6);
        bare.push_back(BareQuery(file, jetSql, params, &r.bareFound));
    }
    r.found = rowsListed();
    r.list = Median(list);
    r.bare = Median(bare);
    return r;
}

inline void ReportListRun(const std::string& figure, const ListRun& r, const std::string& goal = {}) {
    Figure(figure, Ms(r.list) + " = " + Ratio(r.list / r.bare) + " bare",
           "bare query " + Ms(r.bare) + " (" + std::to_string(r.found) + " rows, bare " +
               std::to_string(r.bareFound) + ")" + goal);
}

}  // namespace Bench
