#pragma once
// A fresh copy of the empty database for each test, opened as the
// administrator, with a frozen clock and the SMS gateways of the program
// pointed at a fake one on 127.0.0.1.

#include "ADODB.h"
#include "Form.h"
#include "Global.h"
#include "ListView.h"
#include "Neighbours.h"
#include "Settings.h"
#include "TestHttpServer.h"
#include "TestKit.h"
#include "Values.h"
#include "frmLocked.h"

#include <QStringList>
#include <gtest/gtest.h>

class ActivityDb : public ::testing::Test {
protected:
    void SetUp() override {
        Global::ResetState();
        Global::SetColours();
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        Global::gCurrentUser = "ADMIN";
        Global::gSmsProvider = 1;
        // The control checks deferred times against the real clock: the set
        // clock is the next whole minute, frozen.
        const QDateTime real = QDateTime::currentDateTime();
        now = QDateTime(real.date(), QTime(real.time().hour(), real.time().minute())).addSecs(60);
        env.SetClock(now);
        ASSERT_TRUE(gateway.Start());
        qputenv("QVXSMS2_GATEWAY1_URL", gateway.Url().toUtf8());
        qputenv("QVXSMS2_GATEWAY2_URL", gateway.Url().toUtf8());
        gateway.SetHandler([](const TestHttp::Request&) {
            return TestHttp::Response::Text("<?xml version=\"1.0\"?><GEOSMS><REPORT><OK ORDERID=\"1\" MSISDN=\"3\"/>"
                                            "</REPORT><USER CREDIT=\"41\" SENT=\"1\"/></GEOSMS>");
        });
        for (const char* key : {"USER", "PASSWORD", "Mittente"})
            Platform::SaveSetting("Brivalto", "SMS", key, QString::fromLatin1(key).toLower());
        cn.Open(Global::gConnString);
    }
    void TearDown() override {
        Platform::SetModalHandler(nullptr);
        frmLocked::WaitLimitSeconds = 25;
        for (const char* form : {"frmCercaAnagrafica", "frmAziende", "frmPrint"}) Neighbours::Register(form, {});
    }
    int Rows(const QString& sql) {
        ADODB::Recordset rs;
        rs.Open(sql, cn);
        return rs.Fields(0).Value().toInt();
    }
    QVariant Value(const QString& sql) {
        ADODB::Recordset rs;
        rs.Open(sql, cn);
        return rs.EOF_() ? QVariant() : rs.Fields(0).Value();
    }
    // Another workstation holds `table` and the wait gives up at once.
    void HeldElsewhere(const QString& table) {
        cn.Execute("INSERT INTO LOCKS (COMPUTER, TABELLA, U_MOD) VALUES ('ALTRO', ?, ?)", {table, now});
        frmLocked::WaitLimitSeconds = -1;
    }
    // The SMS requests the gateway received: their bodies.
    QStringList Sent() const {
        QStringList bodies;
        for (const auto& r : gateway.Requests()) bodies << QString::fromUtf8(r.body);
        return bodies;
    }
    // A registry search that picks `id`.
    static void SearchPicks(const QString& id) {
        Neighbours::Register("frmCercaAnagrafica", {nullptr, nullptr, nullptr, [id] { return id; }});
    }

    TestKit::Environment env;
    TestHttp::Server gateway;
    ADODB::Connection cn;
    QDateTime now;
};
