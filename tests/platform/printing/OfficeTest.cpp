// Documents printed by LibreOffice: the arguments it gets, its failures, and
// the real conversion when it is installed.
#include "Errors.h"
#include "Office.h"
#include "PdfText.h"
#include "Printer.h"

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Platform;

namespace {

// LibreOffice's stand-in first on PATH.
class FakeOffice : public ::testing::Test {
protected:
    void SetUp() override {
        path = qgetenv("PATH");
        qputenv("PATH", QByteArray(BRIVALTO_FAKES) + ":" + path);
        qputenv("FAKE_SOFFICE_LOG", dir.filePath("argv.log").toLocal8Bit());
        QPdfWriter writer(dir.filePath("converted.pdf"));
        QPainter painter(&writer);
        painter.drawText(200, 200, "convertito");
        painter.end();
        qputenv("FAKE_SOFFICE_PDF", dir.filePath("converted.pdf").toLocal8Bit());
        QDir().mkpath(dir.filePath("printed"));
        Printer().SetPdfFolder(dir.filePath("printed"));
    }
    void TearDown() override {
        qputenv("PATH", path);
        Printer().SetPdfFolder(QString());
    }
    QStringList Calls() const {
        QFile log(dir.filePath("argv.log"));
        if (!log.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(log.readAll()).split("--\n", Qt::SkipEmptyParts);
    }
    QString Document(const QString& name) {
        const QString file = dir.filePath(name);
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("documento");
        return file;
    }
    QByteArray path;
    QTemporaryDir dir;
};

}  // namespace

TEST_F(FakeOffice, ArgumentsGoAsAListNeverThroughAShell) {
    ASSERT_TRUE(Office::Program().startsWith(BRIVALTO_FAKES));
    EXPECT_TRUE(Office::HasWriter());
    const QString odd = Document("offerta \"2025\" $(touch hacked); rm -rf x.doc");
    Office office;
    EXPECT_TRUE(office.Print(odd, "Ufficio 2"));
    EXPECT_TRUE(office.Print(odd));
    const QStringList calls = Calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_TRUE(calls[0].endsWith("--pt\nUfficio 2\n" + odd + "\n")) << calls[0].toStdString();
    EXPECT_TRUE(calls[1].endsWith("-p\n" + odd + "\n"));
    EXPECT_TRUE(calls[0].contains("-env:UserInstallation=file://"));
    EXPECT_FALSE(QFile::exists(dir.filePath("hacked")));
    EXPECT_FALSE(QFile::exists("hacked"));
}

TEST_F(FakeOffice, PrintedToThePdfFolder) {
    Printer().PrintFile(Document("listino.xls"));
    Printer().PrintFile(Document("scheda.pdf"));
    ASSERT_EQ(Printer().PrintedFiles().size(), 2);
    EXPECT_TRUE(PdfText::Text(Printer().PrintedFiles()[0]).contains("convertito"));
    // LibreOffice reads PDF files only through its import filter.
    EXPECT_TRUE(Calls()[1].contains("--infilter=writer_pdf_import"));
    EXPECT_FALSE(Calls()[0].contains("--infilter"));
}

// The cause in the user's words; LibreOffice's own, in English, for a log.
TEST_F(FakeOffice, FailuresSayWhy) {
    Office office;
    const QString damaged = Document("guasto.doc");
    EXPECT_FALSE(office.Print(damaged));
    EXPECT_EQ(office.LastError(),
              "il documento guasto.doc non si può aprire: è danneggiato o non è in un formato che LibreOffice legge");
    EXPECT_EQ(office.LastErrorDetail(), "LibreOffice: Error: source file could not be loaded");
    EXPECT_FALSE(office.Print(dir.filePath("manca.doc")));
    EXPECT_TRUE(office.LastError().startsWith("File inesistente: "));
    EXPECT_EQ(office.LastErrorDetail(), "");
    QString detail;
    try {
        Printer().PrintFile(Document("guasto.xls"), &detail);
        FAIL() << "no error";
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), 482);
        EXPECT_TRUE(e.Description().startsWith("il documento guasto.xls non si può aprire"));
        EXPECT_EQ(detail, "LibreOffice: Error: source file could not be loaded");
    }
    EXPECT_TRUE(Printer().PrintedFiles().isEmpty());
    // A LibreOffice with Writer only cannot open a sheet, and says which part is missing.
    QDir().mkpath(dir.filePath("lo"));
    QFile::copy(QStringLiteral(BRIVALTO_FAKES "/soffice"), dir.filePath("lo/soffice"));
    QFile(dir.filePath("lo/libswlo.so")).open(QIODevice::WriteOnly);
    qputenv("PATH", dir.filePath("lo").toLocal8Bit());
    EXPECT_FALSE(office.Print(Document("listino.xls")));
    EXPECT_EQ(office.LastError(), "LibreOffice Calc non è installato su questa macchina");
    EXPECT_TRUE(office.Print(Document("offerta.doc")));
    qputenv("PATH", "/nonexistent");
    try {
        Printer().PrintFile(Document("a.doc"));
        FAIL() << "no error";
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), 429);
        EXPECT_EQ(e.Description(), "LibreOffice non è installato su questa macchina");
    }
    EXPECT_FALSE(Office::HasWriter());
    EXPECT_FALSE(Office::HasCalc());
}

namespace {

// LibreOffice itself, when it is installed.
class RealOffice : public ::testing::Test {
protected:
    void SetUp() override {
        const QString program = Office::Program();
        if (program.isEmpty() || program.startsWith(BRIVALTO_FAKES)) GTEST_SKIP() << "LibreOffice is not installed";
    }
    QString File(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QTemporaryDir dir;
};

}  // namespace

// What LibreOffice itself says when it cannot open a document or write the
// PDF reaches the user as its cause, in Italian.
TEST_F(RealOffice, ItsFailuresAreToldInItalian) {
    Office office;
    EXPECT_EQ(office.ConvertToPdf(File("guasto.doc", QByteArray("xx\0\1 non un documento", 21)), dir.filePath("out")), "");
    EXPECT_EQ(office.LastError(),
              "il documento guasto.doc non si può aprire: è danneggiato o non è in un formato che LibreOffice legge");
    EXPECT_EQ(office.LastErrorDetail(), "LibreOffice: Error: source file could not be loaded");
    // A folder nobody may write in, not even its owner.
    EXPECT_EQ(office.ConvertToPdf(File("lettera.rtf", "{\\rtf1\\ansi Gentile cliente\\par}"), "/proc/brivalto"), "");
    EXPECT_EQ(office.LastError(), "LibreOffice non ha potuto scrivere il PDF del documento lettera.rtf");
    EXPECT_TRUE(office.LastErrorDetail().startsWith("LibreOffice: Error: ")) << office.LastErrorDetail().toStdString();
}

TEST_F(RealOffice, ConvertsAnRtfDocument) {
    Office office;
    const QString pdf = office.ConvertToPdf(
        File("prova.rtf", "{\\rtf1\\ansi\\ansicpg1252 Gentile Niccol\\'f2, a Forl\\'ec.\\par}"), dir.filePath("out"));
    ASSERT_FALSE(pdf.isEmpty()) << office.LastError().toStdString();
    EXPECT_TRUE(PdfText::Text(pdf).contains(QString::fromUtf8("Gentile Niccolò, a Forlì.")));
}
