// Time of a registry search over 100,000 records to the filled list (not a
// test), median of several runs, for a user who sees every record and for one
// restricted to his own; beside it the same statement alone on the engine,
// with its plain LIKE and a plain case-blind collation, every column read.
#include "ADODB.h"
#include "BareQuery.h"
#include "BenchDatabase.h"
#include "BenchReport.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Schema.h"
#include "Settings.h"
#include "frmCercaAnagrafica.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {
Bench::ListRun Measure(const QString& file, const QString& user, const QString& words, int runs) {
    Global::gCurrentUser = user;
    frmCercaAnagrafica search;
    search.Load();
    search.txNome->setText(words);
    search.opConfronto[1]->setChecked(true);  // every word
    QVariantList params;
    const QString sql = search.SearchSql(params);
    return Bench::TimeListFill(file, sql, params, runs, [&] { search.cmdAggiorna_Click(); },
                               [&] { return search.LV->ItemCount(); });
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!Bench::FreshProgram(dir)) return 1;
    const QString file = dir.path() + "/Brivalto.mdb";
    {
        ADODB::Connection cn;
        cn.Open(Global::gConnString);
        cn.BeginTrans();
        const char* cities[] = {"Forlì", "Cesena", "Rimini", "Ravenna", "Bologna"};
        for (int i = 1; i <= 100000; ++i) {
            cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, COGNOME, NOME, CITTA) VALUES (?,0,?,?,?,?)",
                       {i, QString("Ditta %1").arg(i % 997), QString("Cognome%1").arg(i), "Mario", cities[i % 5]});
            if (i % 10 == 0) cn.Execute("INSERT INTO ANAUTE (ANA_ID, UTENTE) VALUES (?, 'LUCA')", {i});
        }
        cn.Execute("INSERT INTO UTENTI (UTENTE, [PASSWORD], ISADMIN) VALUES ('LUCA', '', 0)");
        cn.CommitTrans();
    }
    const int runs = 7;
    const Bench::ListRun all = Measure(file, "ADMIN", "ditta 12", runs);
    const Bench::ListRun restricted = Measure(file, "luca", "ditta 12", runs);
    Bench::Title("search_bench: registry search over 100,000 records to the filled list (medians of 7)");
    Bench::ReportListRun("search, every record visible", all, "; goal <= 2x");
    Bench::ReportListRun("search through the per-user join", restricted, "; goal <= 2x");
    return 0;
}
