// Time of a registry search over 100,000 records (not a test): median of several runs,
// for a user who sees every record and for one restricted to his own.
#include "ADODB.h"
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
#include <algorithm>
#include <cstdio>

namespace {
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<double> Runs(const QString& user, const QString& words, int runs, int* found) {
    Global::gCurrentUser = user;
    frmCercaAnagrafica search;
    search.Load();
    search.txNome->setText(words);
    search.opConfronto[1]->setChecked(true);  // every word
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        search.cmdAggiorna_Click();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    *found = search.LV->ItemCount();
    return times;
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
    int found = 0;
    const double all = Median(Runs("ADMIN", "ditta 12", runs, &found));
    std::printf("search over 100000 records, every record visible: median %.1f ms over %d runs (%d found)\n", all, runs,
                found);
    const double restricted = Median(Runs("luca", "ditta 12", runs, &found));
    std::printf("search over 100000 records through the per-user join: median %.1f ms over %d runs (%d found)\n",
                restricted, runs, found);
    return 0;
}
