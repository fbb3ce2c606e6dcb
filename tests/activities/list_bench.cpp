// Time of refreshing the activity list (not a test): 50,000 activities of a
// 10,000-record registry, median of several runs, for the whole list and for
// a text filter; beside it the list's statement alone on the engine.
#include "ADODB.h"
#include "BareQuery.h"
#include "BenchDatabase.h"
#include "BenchReport.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Schema.h"
#include "Settings.h"
#include "DatePicker.h"
#include "frmContatti.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {
Bench::ListRun Refresh(frmContatti& list, const QString& file, int runs) {
    QVariantList params;
    const QString sql = list.ListSql(params);
    return Bench::TimeListFill(file, sql, params, runs, [&] { list.cmdAggiorna_Click(); },
                               [&] { return list.LV->ItemCount(); });
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!Bench::FreshProgram(dir)) return 1;
    const QString file = dir.path() + "/Brivalto.mdb";
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
    const Bench::ListRun all = Refresh(list, file, runs);
    list.txContent->setText("offerta 42");
    const Bench::ListRun text = Refresh(list, file, runs);
    Bench::Title("list_bench: the activity list, 50,000 activities of 10,000 records (medians of 5)");
    Bench::ReportListRun("activity list, no filter", all);
    Bench::ReportListRun("activity list, text filter", text);
    return 0;
}
