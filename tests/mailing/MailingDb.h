#pragma once
// Each test: a fresh database, a program folder of its own (the SMS
// control's library), the work folder (the work file and the send log), and
// a printer that writes every job as a PDF file.

#include "../registry/RegistryDb.h"

#include "Dialogs.h"
#include "Printer.h"
#include "Runtime.h"
#include "frmReport.h"

#include <QDir>
#include <QFile>


class MailingDb : public RegistryDb {
protected:
    void SetUp() override {
        RegistryDb::SetUp();
        program = env.Root() + "/program";
        QDir().mkpath(program);
        QFile::link(TestKit::ProgramFolder() + "/libqvxSMS2.so", program + "/libqvxSMS2.so");
        Platform::App::SetPath(program);
        work = Platform::WorkFolder();
        printed = env.Root() + "/printed";
        QDir().mkpath(printed);
        Platform::Printer().SetPdfFolder(printed);
    }
    void TearDown() override {
        // The report of a run stays loaded, as it does for the user.
        if (Platform::IsDefaultInstanceLoaded<frmReport>()) Platform::DefaultInstance<frmReport>().Unload();
        Platform::Printer().KillDoc();
        Platform::Printer().SetPdfFolder(QString());
        Platform::App::SetPath(TestKit::ProgramFolder());
    }
    static QStringList Texts(const Platform::ListView& list, int column = 0) {
        QStringList texts;
        for (int i = 1; i <= list.ItemCount(); ++i)
            texts << (column == 0 ? list.Item(i).Text() : list.Item(i).SubItem(column));
        return texts;
    }
    QString program;
    QString work;
    QString printed;
};
