// The printer list's seam, and PDF files taken by jobs printed outside the Printer object.
#include "Printer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Platform;

TEST(PrinterList, TestsReplaceTheSystemsListAndOtherJobsTakeThePdfFoldersFiles) {
    auto previous = SetPrinterListHandler([] { return QStringList{"Ufficio"}; });
    EXPECT_EQ(InstalledPrinterNames(), QStringList{"Ufficio"});
    SetPrinterListHandler(previous);

    QTemporaryDir dir;
    Printer().SetPdfFolder(dir.path());
    const QString first = Printer().NextPdfFile();
    EXPECT_EQ(Printer().ClaimPdfFile(), first);
    EXPECT_EQ(Printer().PrintedFiles(), QStringList{first});
    EXPECT_NE(Printer().NextPdfFile(), first);
    Printer().SetPdfFolder(QString());
}
