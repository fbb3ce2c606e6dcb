#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Workbook.h"
#include "Global.h"
#include "TestKit.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <cmath>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <zlib.h>

using namespace ADODB;

namespace {
QString MakeWorkbook(const QString& file) {
    QProcess::execute(QStringLiteral(MKXLSX), {file});
    return file;
}
}  // namespace

TEST(Workbook, EachSheetIsATableNamedByItsFirstRow) {
    TestKit::Environment env;
    const QString file = MakeWorkbook(env.Root() + "/Elenco.xlsx");
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, file, 2, "", "", false, "", false, 19));
    EXPECT_EQ(Catalog::Tables(*cn), QStringList({"Clienti$", "Fornitori$"}));
    Recordset rs;
    ASSERT_TRUE(modAdoCommon::OpenRecordset(rs, "SELECT * FROM [Clienti$] WHERE CITTA='forli'", *cn, 1, 3));
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["COGNOME"].toString(), "Rossi");
    EXPECT_EQ(rs["NUMERO"].toInt(), 12);
    EXPECT_EQ(Catalog::Columns(*cn, "Clienti$"), QStringList({"COGNOME", "CITTA", "NUMERO"}));
    Recordset second;
    second.Open("SELECT NUMERO FROM [Clienti$] WHERE COGNOME='Bianchi'", *cn);
    EXPECT_TRUE(second["NUMERO"].isNull());
    // Read only: the workbook is never changed.
    EXPECT_THROW(cn->Execute("DELETE FROM [Clienti$]"), Platform::BasicError);
}

TEST(Workbook, AFileThatIsNoWorkbookIsRefused) {
    TestKit::Environment env;
    QFile f(env.Root() + "/finto.xls");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("non è un foglio di lavoro");
    f.close();
    std::unique_ptr<Connection> cn;
    EXPECT_FALSE(modAdoCommon::OpenDataSource(cn, f.fileName(), 2, "", "", false, "", false, 19));
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Prompts().last().contains("3274"));
}

// ---- workbooks made to do harm ---------------------------------------------------

namespace {

const QByteArray kWorkbook =
    "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"Clienti\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const QByteArray kRels =
    "<Relationships><Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/></Relationships>";

// A workbook of the given parts; a part given as a repeat count of spaces
// (`padding`) is streamed in, so that it can be far larger than memory wants.
void MakeZip(const QString& file, const QList<QPair<QString, QByteArray>>& parts, qint64 padding = 0) {
    QuaZip zip(file);
    ASSERT_TRUE(zip.open(QuaZip::mdCreate));
    for (const auto& [name, data] : parts) {
        QuaZipFile f(&zip);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, 1));
        const qsizetype gap = data.indexOf("<!--PAD-->");
        if (gap < 0 || padding == 0) {
            f.write(data);
        } else {
            f.write(data.left(gap));
            const QByteArray spaces(1 << 20, ' ');
            for (qint64 done = 0; done < padding; done += spaces.size()) f.write(spaces);
            f.write(data.mid(gap + 10));
        }
        f.close();
    }
    zip.close();
}

QString MakeXlsx(const QString& file, const QByteArray& sheet, qint64 padding = 0) {
    MakeZip(file, {{"xl/workbook.xml", kWorkbook}, {"xl/_rels/workbook.xml.rels", kRels},
                   {"xl/worksheets/sheet1.xml", sheet}}, padding);
    return file;
}

QByteArray SheetXml(const QByteArray& rows) { return "<worksheet><sheetData>" + rows + "</sheetData></worksheet>"; }

class HostileWorkbook : public ::testing::Test {
protected:
    // The message an open of the file ends with ("" when it opened).
    QString Refusal(const QString& file, int type = 2) {
        env.ClearBoxes();
        std::unique_ptr<Connection> cn;
        const qint64 before = CpuMs();
        const bool opened = modAdoCommon::OpenDataSource(cn, file, type, "", "", false, "", false, 19);
        workMs = CpuMs() - before;
        if (opened) return "";
        return env.Prompts().isEmpty() ? QString("no message") : env.Prompts().last();
    }
    // The processor time spent by the test and the readers it ran. Bounds on
    // it catch a reader that works without end, yet do not grow with the
    // load of the machine as the time on the clock does.
    static qint64 CpuMs() {
        qint64 ms = 0;
        for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
            rusage use{};
            getrusage(who, &use);
            for (const timeval& t : {use.ru_utime, use.ru_stime}) ms += qint64(t.tv_sec) * 1000 + t.tv_usec / 1000;
        }
        return ms;
    }
    TestKit::Environment env;
    qint64 workMs = 0;
};

}  // namespace

TEST_F(HostileWorkbook, ReferencesBeyondTheSheetEndQuickly) {
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/righe.xlsx", SheetXml("<row r=\"5000000\"><c r=\"A5000000\"><v>1</v></c></row>")))
                    .contains("riga 5000000 fuori dai limiti del foglio"));
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/colonne.xlsx", SheetXml("<row r=\"1\"><c r=\"ZZZZ1\"><v>1</v></c></row>")))
                    .contains("riferimento di cella ZZZZ1 fuori dai limiti"));
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/cifre.xlsx",
                                 SheetXml("<row r=\"1\"><c r=\"A99999999999999999999999\"><v>1</v></c></row>")))
                    .contains("fuori dai limiti"));
    // A far column within Excel's own limits is more columns than a table can have.
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/larga.xlsx", SheetXml("<row r=\"1\"><c r=\"XFD1\"><v>1</v></c></row>")))
                    .contains("più di 2000 colonne"));
    EXPECT_LT(workMs, 5000);
}

TEST_F(HostileWorkbook, APartThatInflatesWithoutEndIsCutOff) {
    const QString file = MakeXlsx(env.Root() + "/bomba.xlsx", SheetXml("<!--PAD-->"), 140LL * 1024 * 1024);
    EXPECT_LT(QFileInfo(file).size(), 2 * 1024 * 1024);
    const QString message = Refusal(file);
    EXPECT_TRUE(message.contains("supera 128 MB una volta decompressa")) << message.toStdString();
    EXPECT_LT(workMs, 20000);
}

TEST_F(HostileWorkbook, DeepNestingAndEntitiesAreRefused) {
    QByteArray deep = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is>";
    for (int i = 0; i < 100000; ++i) deep += "<x>";
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/profondo.xlsx", SheetXml(deep))).contains("annidati oltre 64 livelli"));
    const QByteArray laughs =
        "<!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&d;&d;&d;</t></is></c></row>"
        "</sheetData></worksheet>";
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/entita.xlsx", laughs)).contains("DTD non ammessa"));
}

TEST_F(HostileWorkbook, DamagedOrRepeatedSheetsAreNamedNotSkipped) {
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/rotto.xlsx", "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></row>"))
                    .contains("il foglio 'Clienti' non è leggibile"));
    const QString twice = env.Root() + "/doppio.xlsx";
    MakeZip(twice, {{"xl/workbook.xml",
                     "<workbook xmlns:r=\"urn:r\"><sheets><sheet name=\"Clienti\" r:id=\"rId1\"/>"
                     "<sheet name=\"CLIENTI\" r:id=\"rId2\"/>"
                     "</sheets></workbook>"},
                    {"xl/_rels/workbook.xml.rels",
                     "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                     "<Relationship Id=\"rId2\" Target=\"worksheets/sheet2.xml\"/></Relationships>"},
                    {"xl/worksheets/sheet1.xml", SheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")},
                    {"xl/worksheets/sheet2.xml", SheetXml("<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")}});
    EXPECT_TRUE(Refusal(twice).contains("il nome del foglio 'CLIENTI' è ripetuto"));
    const QString missing = env.Root() + "/mancante.xlsx";
    MakeZip(missing, {{"xl/workbook.xml", kWorkbook}, {"xl/_rels/workbook.xml.rels", kRels}});
    EXPECT_TRUE(Refusal(missing).contains("manca la parte xl/worksheets/sheet1.xml"));
}

TEST_F(HostileWorkbook, GapsAndUnnamedColumnsReadAsJetReadsThem) {
    const QString file = MakeXlsx(env.Root() + "/buchi.xlsx",
                                  SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>NOME</t></is></c></row>"
                                           "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>Rossi</t></is></c>"
                                           "<c r=\"C4\"><v>7</v></c></row>"));
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, file, 2, "", "", false, "", false, 19));
    EXPECT_EQ(Catalog::Columns(*cn, "Clienti$"), QStringList({"NOME", "F2", "F3"}));
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS N, MAX(F3) AS M FROM [Clienti$]", *cn);
    EXPECT_EQ(rs["N"].toInt(), 3);  // two empty rows, then Rossi
    EXPECT_EQ(rs["M"].toInt(), 7);
}

TEST(WorkbookStream, AnythingButAWholeStreamIsRefused) {
    QByteArray good;
    Workbook::XlsStreamWriter w(good);
    w.Sheet("Foglio1");
    w.Row(0, {QString("NOME"), QVariant(), 3.5, qint64(7)});
    w.Row(2, {QString("Rossi")});
    w.End();
    QList<Sheet> sheets;
    QString why;
    ASSERT_TRUE(Workbook::ReadXlsStream(good, sheets, &why)) << why.toStdString();
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets[0].rows.size(), 3);
    EXPECT_EQ(sheets[0].rows[0].value(2).toDouble(), 3.5);
    EXPECT_EQ(sheets[0].rows[2].value(0).toString(), "Rossi");
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        QList<Sheet> s;
        EXPECT_FALSE(Workbook::ReadXlsStream(good.left(cut), s, &why)) << cut;
    }
    QByteArray lying = good;
    lying[6] = '\x7f';  // a sheet name said to be far longer than the stream
    QList<Sheet> s;
    EXPECT_FALSE(Workbook::ReadXlsStream(lying, s, &why));
}

// ---- .xls files, read by a program of their own ---------------------------------

namespace {
QString XlsCopy(const QString& folder, const QString& name) {
    const QString file = folder + "/" + name;
    QFile::copy(QStringLiteral(BRIVALTO_TEST_DATA) + "/workbook/Elenco.xls", file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    return file;
}
}  // namespace

TEST_F(HostileWorkbook, AnXlsFileIsReadLikeAnXlsxOne) {
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, XlsCopy(env.Root(), "Elenco.xls"), 2, "", "", false, "", false, 19))
        << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Catalog::Tables(*cn), QStringList({"Clienti$", "Fornitori$"}));
    Recordset rs;
    rs.Open("SELECT * FROM [Clienti$] WHERE CITTA='forli'", *cn);
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["COGNOME"].toString(), "Rossi");
    EXPECT_EQ(rs["NUMERO"].toInt(), 12);
}

TEST_F(HostileWorkbook, AnXlsSheetClaimingTooManyCellsEndsQuickly) {
    const QString file = XlsCopy(env.Root(), "grande.xls");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    // The first sheet's dimensions record: rows 0 to 65536, columns 0 to 256.
    const qsizetype at = bytes.indexOf(QByteArray::fromHex("00020e00"));
    ASSERT_GT(at, 0);
    bytes.replace(at + 4, 12, QByteArray::fromHex("000000000000010000000001"));
    f.seek(0);
    f.write(bytes);
    f.close();
    // The cells are put where their records say, each place taken from the
    // budget as it is made: what the sheet claims makes nothing ready, and
    // the sheet reads as the cells it holds.
    EXPECT_EQ(Refusal(file).toStdString(), "");
    EXPECT_LT(workMs, 30000);
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, file, 2, "", "", false, "", false, 19));
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS N FROM [Clienti$]", *cn);
    EXPECT_GT(rs["N"].toInt(), 0);
}

TEST_F(HostileWorkbook, AReaderThatCrashesIsAFileNotReadable) {
    // Stands for the library failing on a crafted file.
    const QString crasher = env.Root() + "/crasher.sh";
    QFile script(crasher);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nkill -SEGV $$\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    Workbook::SetXlsReaderProgram(crasher);
    const QString message = Refusal(XlsCopy(env.Root(), "Elenco.xls"));
    Workbook::SetXlsReaderProgram(QString());
    EXPECT_TRUE(message.contains("3274")) << message.toStdString();
    EXPECT_TRUE(message.contains("il lettore dei file .xls si è interrotto")) << message.toStdString();
}

// The reader may end while the program takes the window's events between
// two waits: it is seen as ended, never waited for until the time runs out.
TEST_F(HostileWorkbook, AReaderEndingAmongTheWindowsEventsIsSeenToEnd) {
    const QString marker = env.Root() + "/letto";
    const QString wrapper = env.Root() + "/lettore.sh";
    QFile script(wrapper);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(("#!/bin/sh\n\"" + Workbook::XlsReaderProgram() + "\" \"$@\"\nstatus=$?\ntouch \"" + marker +
                  "\"\nsleep 0.2\nexit $status\n")
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    // Work of the window that lasts past the reader's end, then takes the
    // events that came meanwhile, the reader's end among them.
    QTimer busy;
    bool done = false;
    QObject::connect(&busy, &QTimer::timeout, [&] {
        if (done || !QFile::exists(marker)) return;
        done = true;
        QThread::msleep(1500);
        QCoreApplication::processEvents();
    });
    busy.start(0);
    Workbook::SetXlsReaderProgram(wrapper);
    const QString message = Refusal(XlsCopy(env.Root(), "Elenco.xls"));
    Workbook::SetXlsReaderProgram(QString());
    EXPECT_TRUE(done);
    EXPECT_EQ(message.toStdString(), "");
    EXPECT_LT(workMs, 30000);
}

// Files on which fuzzing made a library the reader once used write outside
// its buffers. Whatever reading them does happens in the reader program:
// each is a file not readable, and the test's own process goes on. They are read
// in shards, each its own test, so that the suite runs them side by side.
class XlsCrashers : public HostileWorkbook, public ::testing::WithParamInterface<int> {
public:
    static constexpr int kShards = 8;

protected:
    // In a build with the address sanitizer the reader's report of each fault
    // is what is expected: it is left unsymbolized, which takes most of its time.
    void SetUp() override {
        saved = qgetenv("ASAN_OPTIONS");
        qputenv("ASAN_OPTIONS", saved.isEmpty() ? QByteArray("symbolize=0") : saved + ":symbolize=0");
    }
    void TearDown() override {
        if (saved.isEmpty()) qunsetenv("ASAN_OPTIONS");
        else qputenv("ASAN_OPTIONS", saved);
    }
    QByteArray saved;
};

TEST_P(XlsCrashers, AreFilesNotReadable) {
    const QDir crashers(QStringLiteral(BRIVALTO_TEST_DATA) + "/workbook/crashers");
    const QStringList names = crashers.entryList({"*.xls"}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), kShards);
    for (qsizetype i = GetParam(); i < names.size(); i += kShards) {
        const QString& name = names[i];
        const QString file = env.Root() + "/" + name;
        QFile::copy(crashers.filePath(name), file);
        const QString message = Refusal(file);
        EXPECT_TRUE(message.contains("3274")) << name.toStdString() << ": " << message.toStdString();
        EXPECT_LT(workMs, 30000) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Shard, XlsCrashers, ::testing::Range(0, XlsCrashers::kShards));

// Damaged copies of a small Access file: on one the library goes round its
// pages taking memory without end, on the other it ends with a fault. Each
// is a file not readable, and the test's own process goes on.
TEST_F(HostileWorkbook, DamagedAccessFilesAreFilesNotReadable) {
    for (const char* name : {"damaged-loop.mdb", "damaged-crash.mdb"}) {
        const QString file = env.Root() + "/" + name;
        ASSERT_TRUE(QFile::copy(QStringLiteral(BRIVALTO_TEST_DATA) + "/workbook/access/" + name, file));
        const QString message = Refusal(file, 0);
        EXPECT_TRUE(message.contains("3274")) << name << ": " << message.toStdString();
        // The reader ends with the library's fault, or sees the damage before it.
        EXPECT_TRUE(message.contains("il lettore dei file Access si è interrotto") ||
                    message.contains("il file Access è danneggiato"))
            << name << ": " << message.toStdString();
        EXPECT_LT(workMs, 30000) << name;
    }
    // The reader that failed on them still reads a sound file.
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, QStringLiteral(BRIVALTO_TEST_DATA) + "/import/fruit.mdb", 0, "", "", false,
                                             "", false, 19));
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS N FROM [Fruit]", *cn);
    EXPECT_GT(rs["N"].toInt(), 10);
}

// ---- what the cells hold: formula results and dates ---------------------------------

namespace {
QString Data(const QString& name) { return QStringLiteral(BRIVALTO_TEST_DATA) + "/workbook/" + name; }

QString WriteFile(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return file;
}

// The rows of a query, each value as the program shows it, cells joined by "|".
QStringList Shown(Connection& cn, const QString& sql) {
    QStringList rows;
    Recordset rs;
    rs.Open(sql, cn);
    while (!rs.EOF_()) {
        QStringList cells;
        for (int i = 0; i < rs.FieldCount(); ++i) cells << Comuni::FieldStr(rs.Fields(i).Value());
        rows << cells.join('|');
        rs.MoveNext();
    }
    return rows;
}
}  // namespace

TEST(WorkbookCells, FormulasReadAsTheirStoredResults) {
    TestKit::Environment env;
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, Data("Formule.xls"), 2, "", "", false, "", false, 19))
        << env.Prompts().join("|").toStdString();
    // A product, a joined text, a comparison, a date; an error and an empty text are no value.
    EXPECT_EQ(Shown(*cn, "SELECT NOME, TOTALE, ETICHETTA, CARO, SCADENZA, ERRORE, VUOTO FROM [Listino$]"),
              QStringList({"Mele|6|Mele x4|Vero|17/03/2024||", "Pere|20|Pere x10|Vero|18/03/2024||",
                           "Uva|6,5|Uva x2|Vero|19/03/2024||"}));
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS N FROM [Listino$] WHERE ERRORE IS NULL AND VUOTO IS NULL AND TOTALE > 10", *cn);
    EXPECT_EQ(rs["N"].toInt(), 1);
}

TEST(WorkbookCells, DatesAreDatesFromEverySource) {
    TestKit::Environment env;
    for (const char* name : {"Date.xlsx", "Date.xls"}) {
        std::unique_ptr<Connection> cn;
        ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, Data(name), 2, "", "", false, "", false, 19)) << name;
        // Each date as any date of the program shows, whatever the cell's format; numbers and
        // texts that only look like dates stay what they are; a column of dates and texts
        // holds both as text.
        EXPECT_EQ(Shown(*cn, "SELECT * FROM [Date$]"),
                  QStringList({"15/03/2024|15/03/2024|15/03/2024 10:30:00|10:30:00|45366|45366|15/03/2024",
                               "01/01/2000|31/12/1999|27/04/2006 15:03:41|23:59:00|0,5|15/03/2024|n.d."}))
            << name;
        Recordset rs;
        rs.Open("SELECT GIORNO, ORARIO FROM [Date$] WHERE GIORNO > #01/01/2020#", *cn);
        ASSERT_FALSE(rs.EOF_()) << name;
        EXPECT_EQ(rs["ORARIO"].toDateTime(), QDateTime(QDate(2024, 3, 15), QTime(10, 30))) << name;
    }
    for (const char* name : {"Data1904.xlsx", "Data1904.xls"}) {
        std::unique_ptr<Connection> cn;
        ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, Data(name), 2, "", "", false, "", false, 19)) << name;
        EXPECT_EQ(Shown(*cn, "SELECT * FROM [Date$]"), QStringList({"15/03/2024|27/04/2006 15:03:41"})) << name;
    }
    // An Access date too.
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, QStringLiteral(BRIVALTO_TEST_DATA) + "/import/fruit.mdb", 0, "", "",
                                             false, "", false, 19));
    Recordset rs;
    rs.Open("SELECT DateCreate FROM MSysObjects WHERE Name='Tables'", *cn);
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["DateCreate"].typeId(), QMetaType::QDateTime);
    EXPECT_EQ(rs["DateCreate"].toDateTime(), QDateTime(QDate(2006, 4, 27), QTime(15, 3, 41)));
}

// Dates that only their number format makes dates, in constant cells: an
// elapsed time keeps its days, a date before 1900 is itself, a year alone
// and a quarter are the dates they show.
TEST(WorkbookCells, ADateReadsTheSameFromXlsAndXlsx) {
    TestKit::Environment env;
    for (const char* name : {"DateLontane.xlsx", "DateLontane.xls"}) {
        std::unique_ptr<Connection> cn;
        ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, Data(name), 2, "", "", false, "", false, 19)) << name;
        EXPECT_EQ(Shown(*cn, "SELECT * FROM [Date$]"), QStringList({"10/01/1900 15:10:10|01/05/1800|15/03/2024|15/03/2024"}))
            << name;
        Recordset rs;
        rs.Open("SELECT DURATA, ANTICA FROM [Date$]", *cn);
        ASSERT_FALSE(rs.EOF_()) << name;
        // 255 hours, 10 minutes and 10 seconds from the start of the count.
        EXPECT_EQ(rs["DURATA"].toDateTime(), QDateTime(QDate(1900, 1, 10), QTime(15, 10, 10))) << name;
        EXPECT_EQ(rs["ANTICA"].toDateTime(), QDateTime(QDate(1800, 5, 1), QTime(0, 0))) << name;
    }
}

// A date of an Access file before 30/12/1899 (the engine's day 0), as the
// file stores it: a serial below 0.
TEST(WorkbookCells, AnAccessDateBefore1900IsItself) {
    TestKit::Environment env;
    QFile original(QStringLiteral(BRIVALTO_TEST_DATA) + "/import/fruit.mdb");
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    // The creation date of the system tables, 27/04/2006 15:03:41, becomes 01/05/1800 06:00.
    double created = 38834.627563287;
    const double old = Platform::DateToSerial(QDateTime(QDate(1800, 5, 1), QTime(6, 0)));
    int changed = 0;
    for (qsizetype at = 0; at + 8 <= bytes.size(); ++at) {
        double value;
        std::memcpy(&value, bytes.constData() + at, 8);
        if (std::fabs(value - created) < 1e-6) {
            bytes.replace(at, 8, QByteArray(reinterpret_cast<const char*>(&old), 8));
            ++changed;
        }
    }
    ASSERT_GT(changed, 0);
    const QString file = env.Root() + "/Antica.mdb";
    QFile copy(file);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(bytes);
    copy.close();
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, file, 0, "", "", false, "", false, 19)) << env.Prompts().join("|").toStdString();
    Recordset rs;
    rs.Open("SELECT DateCreate FROM MSysObjects WHERE Name='Tables'", *cn);
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["DateCreate"].toDateTime(), QDateTime(QDate(1800, 5, 1), QTime(6, 0)));
}

// The first 70,000 bytes of a real Access file: the catalogue lists tables
// whose pages are not there. The one that cannot be read is named, and the
// file is damaged.
TEST_F(HostileWorkbook, ATruncatedAccessFileNamesTheTableItCannotRead) {
    QFile original(QStringLiteral(BRIVALTO_TEST_DATA) + "/import/fruit.mdb");
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QString message = Refusal(WriteFile(env.Root() + "/troncato.mdb", original.read(70000)), 0);
    EXPECT_TRUE(message.contains("3274")) << message.toStdString();
    EXPECT_TRUE(message.contains("(la tabella 'MSysObjects' non è leggibile: il file Access è danneggiato)"))
        << message.toStdString();
    EXPECT_LT(workMs, 30000);
}

TEST_F(HostileWorkbook, AnEncryptedOrEmptyWorkbookSaysWhy) {
    const QString message = Refusal(Data("Cifrato.xls"));
    EXPECT_TRUE(message.contains("3274")) << message.toStdString();
    EXPECT_TRUE(message.contains("la cartella di lavoro è protetta da password")) << message.toStdString();
    EXPECT_TRUE(Refusal(MakeXlsx(env.Root() + "/vuota.xlsx", SheetXml(""))).contains("nessun foglio contiene dati"));
    // The same four sheets without the password: an empty one is no table.
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, Data("QuattroFogli.xls"), 2, "", "", false, "", false, 19));
    EXPECT_EQ(Catalog::Tables(*cn), QStringList({"Agenti$", "Clienti$", "Fornitori$"}));
}

// ---- every workbook of Excel 5 to 2003 ---------------------------------------------

namespace {

QByteArray Le16(quint16 v) {
    const char bytes[2] = {char(v & 0xFF), char(v >> 8)};
    return QByteArray(bytes, 2);
}
QByteArray Le32(quint32 v) { return Le16(quint16(v)) + Le16(quint16(v >> 16)); }
QByteArray Record(quint16 type, const QByteArray& data) { return Le16(type) + Le16(quint16(data.size())) + data; }

// `stream` as the one stream `name` of a compound file of 512-byte sectors.
// A stream shorter than 4096 bytes lives, as such streams do, in 64-byte
// sectors of the root's own stream.
QByteArray CompoundFile(const QString& name, const QByteArray& stream) {
    const bool small = stream.size() < 4096;
    const quint32 size = quint32(stream.size());
    QByteArray miniFat;
    QByteArray body = stream;
    if (small) {
        const quint32 mini = (size + 63) / 64;
        for (quint32 s = 0; s < mini; ++s) miniFat += Le32(s + 1 < mini ? s + 1 : 0xFFFFFFFE);
        miniFat = miniFat.leftJustified(512, '\xFF');
        body = body.leftJustified(mini * 64, '\0');
    }
    const quint32 rootSize = small ? quint32(body.size()) : 0, sectors = (body.size() + 511) / 512;
    body = body.leftJustified(sectors * 512, '\0');
    // Sectors: the stream (or the root's), the directory, the small sectors' table, the table.
    const quint32 directorySector = sectors, miniFatSector = small ? sectors + 1 : 0xFFFFFFFE;
    const quint32 fatSector = small ? sectors + 2 : sectors + 1;
    QByteArray fat;
    for (quint32 s = 0; s < sectors; ++s) fat += Le32(s + 1 < sectors ? s + 1 : 0xFFFFFFFE);
    fat += Le32(0xFFFFFFFE);
    if (small) fat += Le32(0xFFFFFFFE);
    fat += Le32(0xFFFFFFFD);
    fat = fat.leftJustified(512, '\xFF');
    auto entry = [](const QString& n, quint8 type, quint32 child, quint32 start, quint32 bytes) {
        QByteArray e(128, '\0');
        for (qsizetype i = 0; i < n.size(); ++i) e.replace(2 * i, 2, Le16(n[i].unicode()));
        e.replace(0x40, 2, Le16(n.isEmpty() ? 0 : quint16((n.size() + 1) * 2)));
        e[0x42] = char(type);
        e[0x43] = 1;
        e.replace(0x44, 12, Le32(0xFFFFFFFF) + Le32(0xFFFFFFFF) + Le32(child));
        e.replace(0x74, 8, Le32(start) + Le32(bytes));
        return e;
    };
    const QByteArray directory =
        (entry("Root Entry", 5, 1, small ? 0 : 0xFFFFFFFE, rootSize) + entry(name, 2, 0xFFFFFFFF, 0, size) +
         entry("", 0, 0xFFFFFFFF, 0, 0) + entry("", 0, 0xFFFFFFFF, 0, 0));
    QByteArray header(512, '\0');
    header.replace(0, 8, QByteArray::fromHex("D0CF11E0A1B11AE1"));
    header.replace(0x18, 8, Le16(0x3E) + Le16(3) + Le16(0xFFFE) + Le16(9));
    header.replace(0x20, 2, Le16(6));
    header.replace(0x2C, 8, Le32(1) + Le32(directorySector));
    header.replace(0x38, 16, Le32(4096) + Le32(miniFatSector) + Le32(small ? 1 : 0) + Le32(0xFFFFFFFE));
    header.replace(0x4C, 4, Le32(fatSector));
    for (int i = 1; i < 109; ++i) header.replace(0x4C + 4 * i, 4, Le32(0xFFFFFFFF));
    return header + body + directory + miniFat + fat;
}

// A workbook of one sheet "Clienti": its globals (with `offset` standing
// for where the sheet begins), then the sheet's records between its own
// beginning and end.
QByteArray BiffWorkbook(bool biff8, const std::function<QByteArray(quint32 offset)>& globals, const QByteArray& cells) {
    const QByteArray bof = biff8 ? Le16(0x0600) + Le16(0x0010) + QByteArray(12, '\0') : Le16(0x0500) + Le16(0x0010) + QByteArray(4, '\0');
    const quint32 offset = quint32(globals(0).size());
    return globals(offset) + Record(0x0809, bof) + cells + Record(0x000A, {});
}

QByteArray Cell(quint16 row, quint16 column, quint16 xf) { return Le16(row) + Le16(column) + Le16(xf); }

}  // namespace

TEST_F(HostileWorkbook, AnExcel95WorkbookIsRead) {
    // Excel 5 and 95 write texts in the workbook's code page (here the
    // Macintosh's, as Excel 5 for the Macintosh wrote them), and call the
    // stream "Book".
    const auto globals = [](quint32 offset) {
        QByteArray xf(12, '\0');
        return Record(0x0809, Le16(0x0500) + Le16(0x0005) + QByteArray(4, '\0')) + Record(0x0042, Le16(10000)) +
               Record(0x00E0, Le16(0) + Le16(0) + xf) + Record(0x00E0, Le16(0) + Le16(14) + xf) +
               Record(0x0085, Le32(offset) + Le16(0) + "\x07" "Clienti") + Record(0x000A, {});
    };
    const auto label = [](quint16 row, quint16 column, const QByteArray& text) {
        return Record(0x0204, Cell(row, column, 0) + Le16(quint16(text.size())) + text);
    };
    double date = 45366;  // 15/03/2024
    const QByteArray cells = label(0, 0, "COGNOME") + label(0, 1, "CITTA") + label(0, 2, "NUMERO") + label(0, 3, "DATA") +
                             label(1, 0, "Rossi") + label(1, 1, "Forl\x93") + Record(0x027E, Cell(1, 2, 0) + Le32(12 << 2 | 2)) +
                             Record(0x0203, Cell(1, 3, 1) + QByteArray(reinterpret_cast<const char*>(&date), 8));
    const QString file = WriteFile(env.Root() + "/Excel95.xls", CompoundFile("Book", BiffWorkbook(false, globals, cells)));
    EXPECT_EQ(Refusal(file).toStdString(), "");
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, file, 2, "", "", false, "", false, 19));
    EXPECT_EQ(Shown(*cn, "SELECT * FROM [Clienti$]"), QStringList({QString::fromUtf8("Rossi|Forlì|12|15/03/2024")}));
}

TEST_F(HostileWorkbook, ExcelWorkbooksOfEveryKindAreRead) {
    // A text of 32,767 characters, the most a cell holds, continued over
    // several records (LibreOffice), and the short text after it.
    std::unique_ptr<Connection> cn;
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, Data("Lungo.xls"), 2, "", "", false, "", false, 19))
        << env.Prompts().join("|").toStdString();
    Recordset rs;
    rs.Open("SELECT COGNOME, NOTA FROM [Note$]", *cn);
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["NOTA"].toString().size(), 32767);
    EXPECT_TRUE(rs["NOTA"].toString().endsWith("3456"));
    rs.MoveNext();
    ASSERT_FALSE(rs.EOF_());
    EXPECT_EQ(rs["COGNOME"].toString(), "Bianchi");
    EXPECT_EQ(rs["NOTA"].toString(), "breve");
    rs.Close();
    cn.reset();

    // A cell holding an empty text, from the table of shared texts: no value.
    const auto globals = [](quint32 offset) {
        QByteArray sst = Le32(6) + Le32(6);
        for (const QByteArray& text : {QByteArray("COGNOME"), QByteArray("NOTA"), QByteArray("Rossi"), QByteArray(),
                                       QByteArray("Bianchi"), QByteArray("ok")})
            sst += Le16(quint16(text.size())) + '\0' + text;
        return Record(0x0809, Le16(0x0600) + Le16(0x0005) + QByteArray(12, '\0')) + Record(0x0042, Le16(1200)) +
               Record(0x00E0, QByteArray(20, '\0')) + Record(0x0085, Le32(offset) + Le16(0) + "\x07" + '\0' + "Clienti") +
               Record(0x00FC, sst) + Record(0x000A, {});
    };
    QByteArray cells;
    for (quint16 i = 0; i < 6; ++i) cells += Record(0x00FD, Cell(i / 2, i % 2, 0) + Le32(i));
    const QString empty = WriteFile(env.Root() + "/Vuoto.xls", CompoundFile("Workbook", BiffWorkbook(true, globals, cells)));
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, empty, 2, "", "", false, "", false, 19)) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Shown(*cn, "SELECT * FROM [Clienti$]"), QStringList({"Rossi|", "Bianchi|ok"}));
    rs.Open("SELECT COUNT(*) AS N FROM [Clienti$] WHERE NOTA IS NULL", *cn);
    EXPECT_EQ(rs["N"].toInt(), 1);
    rs.Close();
    cn.reset();

    // The stream's name in capitals, as some writers spell it.
    QFile original(Data("QuattroFogli.xls"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    const QByteArray name = QByteArray::fromHex("57006f0072006b0062006f006f006b00");  // "Workbook"
    const qsizetype at = bytes.indexOf(name);
    ASSERT_GT(at, 0);
    bytes.replace(at, name.size(), QByteArray::fromHex("57004f0052004b0042004f004f004b00"));
    const QString capitals = WriteFile(env.Root() + "/Maiuscole.xls", bytes);
    ASSERT_TRUE(modAdoCommon::OpenDataSource(cn, capitals, 2, "", "", false, "", false, 19))
        << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Catalog::Tables(*cn), QStringList({"Agenti$", "Clienti$", "Fornitori$"}));
}

// A workbook whose last record says it runs past the stream's end: the walk
// ends there, and the workbook is refused at once as cut short.
TEST_F(HostileWorkbook, ARecordRunningPastTheStreamIsRefusedAtOnce) {
    QFile original(Data("Formule.xls"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    // The record that holds the text result of the first formula giving one,
    // made to look like a shared formula's, longer than the whole file.
    qsizetype at = -1;
    for (qsizetype i = 0; at < 0 && i + 24 < bytes.size(); ++i) {
        if (bytes[i] != '\x06' || bytes[i + 1] != '\0') continue;
        const qsizetype length = quint8(bytes[i + 2]) | quint8(bytes[i + 3]) << 8;
        const qsizetype next = i + 4 + length;
        if (length >= 20 && next + 4 <= bytes.size() && bytes[i + 10] == '\0' && bytes.mid(i + 16, 2) == "\xFF\xFF" &&
            bytes.mid(next, 2) == QByteArray::fromHex("0702"))
            at = next;
    }
    ASSERT_GT(at, 0);
    bytes.replace(at, 4, QByteArray::fromHex("bc04ffff"));
    const QString message = Refusal(WriteFile(env.Root() + "/Troncato.xls", bytes));
    EXPECT_TRUE(message.contains("3274")) << message.toStdString();
    EXPECT_TRUE(message.contains("troncat")) << message.toStdString();
    EXPECT_LT(workMs, 1000);
}
