// Time of filling the mailing list (not a test): the whole registry of
// 100,000 records added at once, median of several runs, and the same
// statement read without the list, for reference.
#include "ADODB.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Schema.h"
#include "Settings.h"
#include "frmMailing.h"

#include <QApplication>
#include <QCheckBox>
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
    const int count = argc > 1 ? atoi(argv[1]) : 100000;
    {
        ADODB::Connection cn;
        cn.Open(Global::gConnString);
        cn.BeginTrans();
        for (int i = 1; i <= count; ++i) {
            cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME,CAP) VALUES (?,0,?,?,?)",
                       {i, QString("Cognome%1").arg(i % 5000), QString("Nome%1").arg(i % 37), i % 2 ? "40121" : "47121"});
            if (i % 3 == 0) cn.Execute("INSERT INTO ANACAT (ANA_ID,CAT_CODICE) VALUES (?,'A')", {i});
            if (i % 5 == 0) cn.Execute("INSERT INTO ANACAT (ANA_ID,CAT_CODICE) VALUES (?,'B')", {i});
        }
        cn.CommitTrans();
    }
    frmMailing form;
    form.Load();
    std::vector<double> all, half, read;
    int wholeCount = 0, halfCount = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        form.cmdVuotaLista_Click();
        form.txCAP->clear();
        form.ckCAP->setChecked(false);
        t.start();
        form.cmdAdd_Click();
        all.push_back(t.nsecsElapsed() / 1e6);
        wholeCount = form.LV->ItemCount();
        form.cmdVuotaLista_Click();
        form.txCAP->setText("40121");
        t.start();
        form.cmdAdd_Click();
        half.push_back(t.nsecsElapsed() / 1e6);
        halfCount = form.LV->ItemCount();
        QVariantList params;
        const QString sql = form.RecipientSql(params);
        t.start();
        ADODB::Recordset rs;
        rs.Open(sql, *form.cn, ADODB::adOpenForwardOnly, ADODB::adLockOptimistic, params);
        long rows = 0;
        while (!rs.EOF_()) {
            ++rows;
            rs.MoveNext();
        }
        read.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("records %d: whole registry into the list %.0f ms (%d entries); CAP filter %.0f ms (%d entries); "
                "the CAP statement read alone %.0f ms\n",
                count, Median(all), wholeCount, Median(half), halfCount, Median(read));
    return 0;
}
