#pragma once
// A fresh copy of the empty database for each test, opened as the signed-in administrator.

#include "ADODB.h"
#include "Global.h"
#include "ListView.h"
#include "TestKit.h"

#include <QStringList>
#include <gtest/gtest.h>

class RegistryDb : public ::testing::Test {
protected:
    void SetUp() override {
        Global::ResetState();
        Global::SetColours();
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        Global::gCurrentUser = "ADMIN";
        cn.Open(Global::gConnString);
    }
    int Rows(const QString& sql) {
        ADODB::Recordset rs;
        rs.Open(sql, cn);
        return rs.Fields(0).Value().toInt();
    }
    // The first column of every row a list shows.
    static QStringList Keys(const Platform::ListView& list) {
        QStringList ids;
        for (int i = 1; i <= list.ItemCount(); ++i) ids << list.Item(i).Text();
        return ids;
    }
    TestKit::Environment env;
    ADODB::Connection cn;
};

// Readable failures of text comparisons.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE
