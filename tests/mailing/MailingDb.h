#pragma once
// Each test: a fresh database, a program folder of its own (the work file,
// the send log and the SMS control's library), and a printer that writes
// every job as a PDF file.

#include "ADODB.h"
#include "Dialogs.h"
#include "Global.h"
#include "ListView.h"
#include "Printer.h"
#include "Runtime.h"
#include "TestKit.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

class MailingDb : public ::testing::Test {
protected:
    void SetUp() override {
        Global::ResetState();
        Global::SetColours();
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        Global::gCurrentUser = "ADMIN";
        program = env.Root() + "/program";
        QDir().mkpath(program);
        QFile::link(TestKit::ProgramFolder() + "/libqvxSMS2.so", program + "/libqvxSMS2.so");
        Platform::App::SetPath(program);
        printed = env.Root() + "/printed";
        QDir().mkpath(printed);
        Platform::Printer().SetPdfFolder(printed);
        cn.Open(Global::gConnString);
    }
    void TearDown() override {
        Platform::Printer().KillDoc();
        Platform::Printer().SetPdfFolder(QString());
        Platform::App::SetPath(TestKit::ProgramFolder());
    }
    long Rows(const QString& sql) {
        ADODB::Recordset rs;
        rs.Open(sql, cn);
        return rs.Fields(0).Value().toLongLong();
    }
    static QStringList Texts(const Platform::ListView& list, int column = 0) {
        QStringList texts;
        for (int i = 1; i <= list.ItemCount(); ++i)
            texts << (column == 0 ? list.Item(i).Text() : list.Item(i).SubItem(column));
        return texts;
    }
    TestKit::Environment env;
    ADODB::Connection cn;
    QString program;
    QString printed;
};
