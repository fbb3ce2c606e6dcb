// Time of refreshing the activity list (not a test): 50,000 activities of a
// 10,000-record registry, median of several runs, for the whole list and for
// a text filter; beside it the list's statement alone on the engine.
#include "ADODB.h"
#include "BareQuery.h"
#include "BenchReport.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Schema.h"
#include "Settings.h"
#include "DatePicker.h"
#include "frmContatti.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
struct Run {
    double list = 0, bare = 0;
    int found = 0, bareFound = 0;
};

Run Refresh(frmContatti& list, const QString& file, int runs) {
    std::vector<double> times, bare;
    Run r;
    QVariantList params;
    const QString sql = list.ListSql(params);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        list.cmdAggiorna_Click();
        // Filled means the view has taken the rows in, which it may do at the next event.
        QCoreApplication::processEvents();
        times.push_back(t.nsecsElapsed() / 1e6);
        bare.push_back(Bench::BareQuery(file, sql, params, &r.bareFound));
    }
    r.found = list.LV->ItemCount();
    r.list = Bench::Median(times);
    r.bare = Bench::Median(bare);
    return r;
}

void Report(const char* figure, const Run& r) {
    Bench::Figure(figure, Bench::Ms(r.list) + " = " + Bench::Ratio(r.list / r.bare) + " bare",
                  "bare query " + Bench::Ms(r.bare) + " (" + std::to_string(r.found) + " rows, bare " +
                      std::to_string(r.bareFound) + ")");
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
    Global::gCurrentUser = "ADMIN";
    const int activities = 50000;
    {
        ADODB::Connection cn;
        cn.Open(Global::gConnString);
        cn.BeginTrans();
        for (int i = 1; i <= 10000; ++i)
            cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, COGNOME, NOME) VALUES (?,0,?,?,?)",
                       {i, QString("Ditta %1").arg(i % 997), QString("Cognome%1").arg(i), "Mario"});
        const QDateTime start(QDate(2024, 1, 1), QTime(8, 0));
        const char* types[] = {"T", "V", "P", "E", "M"};
        for (int i = 1; i <= activities; ++i)
            cn.Execute("INSERT INTO CONTATTI (IDCONT, UTENTE, IDANA, IDAZIENDA, TIPOCONT, DATA, DATAFINE, LUOGO, "
                       "DESCRIZIONE, [NOTE]) VALUES (?,'ADMIN',?,0,?,?,?,'sede',?,'nota')",
                       {i, i % 10000 + 1, types[i % 5], start.addSecs(i * 600), start.addSecs(i * 600 + 1800),
                        QString("offerta %1").arg(i % 101)});
        cn.CommitTrans();
    }
    frmContatti list;
    list.Load();
    list.dpDaData->SetValue(QVariant());
    const int runs = 5;
    const Run all = Refresh(list, file, runs);
    list.txContent->setText("offerta 42");
    const Run text = Refresh(list, file, runs);
    Bench::Title("list_bench: the activity list, 50,000 activities of 10,000 records (medians of 5)");
    Report("activity list, no filter", all);
    Report("activity list, text filter", text);
    return 0;
}
