// Time of refreshing the activity list (not a test): 50,000 activities of a
// 10,000-record registry, median of several runs, for the whole list and for
// a text filter.
#include "ADODB.h"
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
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Refresh(frmContatti& list, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        list.cmdAggiorna_Click();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return Median(times);
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
    const double all = Refresh(list, runs);
    std::printf("activity list, %d activities, no filter: median %.1f ms over %d runs (%d listed)\n", activities, all,
                runs, list.LV->ItemCount());
    list.txContent->setText("offerta 42");
    const double text = Refresh(list, runs);
    std::printf("activity list, %d activities, text filter: median %.1f ms over %d runs (%d listed)\n", activities, text,
                runs, list.LV->ItemCount());
    return 0;
}
