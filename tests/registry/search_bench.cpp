// Time of a registry search over 100,000 records to the filled list (not a
// test), median of several runs, for a user who sees every record and for one
// restricted to his own; beside it the same statement alone on the engine,
// with its plain LIKE and a plain case-blind collation, every column read.
#include "ADODB.h"
#include "BareQuery.h"
#include "BenchReport.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Schema.h"
#include "Settings.h"
#include "frmCercaAnagrafica.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {
struct Run {
    double list = 0, bare = 0;
    int found = 0, bareFound = 0;
};

Run Measure(const QString& file, const QString& user, const QString& words, int runs) {
    Global::gCurrentUser = user;
    frmCercaAnagrafica search;
    search.Load();
    search.txNome->setText(words);
    search.opConfronto[1]->setChecked(true);  // every word
    std::vector<double> list, bare;
    Run r;
    QVariantList params;
    const QString sql = search.SearchSql(params);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        search.cmdAggiorna_Click();
        // Filled means the view has taken the rows in, which it may do at the next event.
        QCoreApplication::processEvents();
        list.push_back(t.nsecsElapsed() / 1e6);
        bare.push_back(Bench::BareQuery(file, sql, params, &r.bareFound));
    }
    r.found = search.LV->ItemCount();
    r.list = Bench::Median(list);
    r.bare = Bench::Median(bare);
    return r;
}

void Report(const char* figure, const Run& r) {
    Bench::Figure(figure, Bench::Ms(r.list) + " = " + Bench::Ratio(r.list / r.bare) + " bare",
                  "bare query " + Bench::Ms(r.bare) + " (" + std::to_string(r.found) + " rows, bare " +
                      std::to_string(r.bareFound) + "); goal <= 2x");
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Platform::SetSettingsFolder(dir.path());
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall&) { return int(Platform::vbOK); });
    const QString file = dir.path() + "/Brivalto.mdb";
    if (!Schema::CreateDeliveredDatabase(file)) return 1;
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
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
    const Run all = Measure(file, "ADMIN", "ditta 12", runs);
    const Run restricted = Measure(file, "luca", "ditta 12", runs);
    Bench::Title("search_bench: registry search over 100,000 records to the filled list (medians of 7)");
    Report("search, every record visible", all);
    Report("search through the per-user join", restricted);
    return 0;
}
