// The three writers: exact bytes of a fixed document, file handling and the export road.
#include "PreviewTestKit.h"

#include "Exporters.h"
#include "FileSizeLimit.h"
#include "Pages.h"
#include "modErrorManager.h"
#include "modGlobals.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A letter-sized document measured in pixels, as the program's lists make them.
std::shared_ptr<Pagivex::Pages> LetterPages(const std::shared_ptr<Pagivex::Preview>& preview) {
    auto pages = preview->Pages();
    pages->SetScaleMode(3);
    pages->SetWidth(816);
    pages->SetHeight(1056);
    return pages;
}

std::shared_ptr<Pagivex::Preview> FixedDocument() {
    auto preview = Pagivex::CreatePreview();
    preview->SetApplication("Brivalto & Co");
    auto pages = LetterPages(preview);
    auto page = pages->Add();
    page->DrawText("Nome", 0, 10, 100, 20);
    page->DrawText(QString::fromUtf8("Città \"A\""), 100, 12, 80, 20, 255, -1, Pagivex::prvAlignCenter);
    page->DrawLine(0, 40, 400, 40);
    page->DrawText("a b<c>&", 0, 50, 64, 20, -1, 0x0000FF00, Pagivex::prvAlignRight);
    page->NewSection();
    page->DrawText(QString::fromUtf8("€ 5"), 10, 100, 40, 20);
    page->DrawBox(500, 300, 100, 50);
    pages->Add();
    return preview;
}

QByteArray ReadAll(const QString& name) {
    QFile f(name);
    const QByteArray data = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    if (qEnvironmentVariableIsSet("PREVIEW_TEST_DUMP")) {
        QFile dump(QString(qgetenv("PREVIEW_TEST_DUMP")) + "/" + QFileInfo(name).fileName());
        if (dump.open(QIODevice::WriteOnly)) dump.write(data);
    }
    return data;
}

QByteArray Repeat(char c, int n) { return QByteArray(n, c); }

struct Events : Pagivex::PreviewEvents {
    QList<int> exporting, done;
    int printing = 0;
    std::function<void()> onExporting;
    QString outputFile;
    Pagivex::Preview* preview = nullptr;
    void Exporting(Pagivex::ZVDestination f) override {
        exporting << f;
        if (!outputFile.isEmpty()) preview->SetOutputFile(outputFile);
        if (onExporting) onExporting();
    }
    void Done(Pagivex::ZVDestination f) override { done << f; }
    void Printing() override { ++printing; }
};

}  // namespace

TEST(Exporters, CsvBytes) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    preview->SetOutputFile(dir.filePath("lista"));
    preview->Export(Pagivex::zvCSV);
    EXPECT_EQ(preview->OutputFile(), dir.filePath("lista.csv"));
    const QByteArray expected = "Page 1\r\n"
                                "\r\n"
                                "\"Nome\",\"Citt\xE0 \"\"A\"\"\"\r\n"
                                "\r\n"
                                "\"a b<c>&\",\r\n"
                                "\"\x80 5\"\r\n"  // the box's band ends the line
                                "\r\n"
                                "Page 2\r\n"
                                "\r\n";
    EXPECT_EQ(ReadAll(preview->OutputFile()), expected);
}

TEST(Exporters, PlainTextBytes) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    preview->SetOutputFile(dir.filePath("lista.xls"));
    preview->Export(Pagivex::zvText);
    EXPECT_EQ(preview->OutputFile(), dir.filePath("lista.txt"));
    const QByteArray expected = Repeat('/', 100) + "\r\n" + "/// Brivalto & Co\r\n" + "/// " + Repeat('/', 100) +
                                "\r\n\r\n" + Repeat('=', 100) + "\r\n Page 1\r\n" + "\r\n" + Repeat('-', 100) +
                                "\r\n" + "Nome        \t" + "Citt\xE0 \"A\" " + "\r\n" + Repeat('_', 50) + "\r\n" +
                                " a b<c>&\t" + "\r\n" + Repeat('-', 100) + "\r\n" + "\x80 5  " + "\r\n" + "\r\n" +
                                Repeat('=', 100) + "\r\n Page 2\r\n" + "\r\n";
    EXPECT_EQ(ReadAll(preview->OutputFile()), expected);
}

TEST(Exporters, HtmlBytes) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    preview->SetOutputFile(dir.filePath("lista.htm"));
    preview->Export(Pagivex::zvHTML);
    const QByteArray font = "<FONT FACE=\"Arial\" SIZE=\"1\" COLOR=";
    const QByteArray table = "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0>\r\n<TR>\r\n";
    const QByteArray expected =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\r\n"
        "<HTML>\r\n<HEAD>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">\r\n"
        "<TITLE></TITLE>\r\n"
        "<META NAME=\"Generator\" CONTENT=\"Brivalto &amp; Co\">\r\n"
        "<META NAME=\"Author\" CONTENT=\"?\">\r\n"
        "<META NAME=\"Keywords\" CONTENT=\"?\">\r\n"
        "<META NAME=\"Description\" CONTENT=\"?\">\r\n"
        "</HEAD>\r\n<BODY>\r\n"
        "<A NAME=\"TOP\"><FONT SIZE=4>Index</FONT></A><BR>\r\n"
        "<A HREF=\"#PAGE1\">Page 1</A><BR>\r\n"
        "<A HREF=\"#PAGE2\">Page 2</A><BR>\r\n"
        "\r\n"
        "<HR SIZE=1 COLOR=\"Red\" WIDTH=\"100%\">\r\n"
        "<A NAME=\"PAGE1\"><FONT SIZE=4 COLOR=\"Black\">Page 1</FONT></A><BR>\r\n" +
        table +
        "<TD BAND=\"1\" WIDTH=\"120px\" ALIGN=\"Left\" VALIGN=\"Top\">" + font + "\"#000000\">Nome</FONT></TD>\r\n" +
        "<TD BAND=\"1\" WIDTH=\"96px\" ALIGN=\"Center\" VALIGN=\"Top\">" + font +
        "\"#FF0000\">Citt\xE0&nbsp;&quot;A&quot;</FONT></TD>\r\n" +
        "</TR>\r\n<TR>\r\n"
        "<TD><HR COLOR=\"#000000\" SIZE=\"1\" WIDTH=\"480px\"></TD>"
        "</TR>\r\n<TR>\r\n"
        "<TD BAND=\"3\" BGCOLOR=\"#00FF00\" WIDTH=\"76px\" ALIGN=\"Right\" VALIGN=\"Top\">" +
        font + "\"#000000\">a&nbsp;b&lt;c&gt;&amp;</FONT></TD>\r\n" +
        "</TR>\r\n</TABLE>\r\n" + table +
        "<TD BAND=\"4\" WIDTH=\"48px\" ALIGN=\"Left\" VALIGN=\"Top\">" + font +
        "\"#000000\">\x80&nbsp;5</FONT></TD>\r\n" +
        "</TR>\r\n<TR>\r\n"  // the box's band
        "</TR>\r\n</TABLE>\r\n"
        "<A HREF=\"#TOP\">Top</A><BR>\r\n"
        "<HR SIZE=1 COLOR=\"Red\" WIDTH=\"100%\">\r\n"
        "<A NAME=\"PAGE2\"><FONT SIZE=4 COLOR=\"Black\">Page 2</FONT></A><BR>\r\n"
        "<A HREF=\"#TOP\">Top</A><BR>\r\n"
        "<HR SIZE=1 COLOR=\"RED\" WIDTH=\"100%\">\r\n</BODY>\r\n</HTML>\r\n";
    EXPECT_EQ(ReadAll(preview->OutputFile()), expected);
}

// A list repeats a few cell styles in every row; a page of many different cells must still
// give each cell its own width, alignment and colours, in every band.
TEST(Exporters, HtmlCellsOfManyStylesEachKeepTheirTags) {
    QTemporaryDir dir;
    auto preview = Pagivex::CreatePreview();
    auto pages = LetterPages(preview);
    auto page = pages->Add();
    const int cells = 90;
    auto fore = [](int i) { return i % 2 ? 255 : -1; };
    auto back = [](int i) { return i % 5 == 0 ? 0x00FF00 : -1; };
    auto align = [](int i) { return QList<int>{0, Pagivex::prvAlignCenter, Pagivex::prvAlignRight}[i % 3]; };
    for (int row = 0; row < 3; ++row)
        for (int i = 0; i < cells; ++i) {
            // The second row takes the cells in another order, the third the first row's.
            const int k = row == 1 ? (i * 7) % cells : i;
            page->DrawText(QString("c%1").arg(k), i * 8, 10 + row * 40, 10 + k, 20, fore(k), back(k), align(k));
        }
    preview->SetOutputFile(dir.filePath("stili.htm"));
    preview->Export(Pagivex::zvHTML);
    QByteArray expected;
    for (int row = 0; row < 3; ++row) {
        if (row) expected += "</TR>\r\n<TR>\r\n";
        for (int i = 0; i < cells; ++i) {
            const int k = row == 1 ? (i * 7) % cells : i;
            expected += "<TD BAND=\"" + QByteArray::number(row + 1) + "\"";
            if (back(k) != -1) expected += " BGCOLOR=\"#00FF00\"";
            expected += " WIDTH=\"" + QByteArray::number(qint64((10 + k) * 1.2)) + "px\"";
            expected += QByteArrayList{" ALIGN=\"Left\"", " ALIGN=\"Center\"", " ALIGN=\"Right\""}[k % 3];
            expected += " VALIGN=\"Top\"><FONT FACE=\"Arial\" SIZE=\"1\" COLOR=";
            expected += fore(k) == -1 ? "\"#000000\">" : "\"#FF0000\">";
            expected += "c" + QByteArray::number(k) + "</FONT></TD>\r\n";
        }
    }
    const QByteArray html = ReadAll(preview->OutputFile());
    const QByteArray table = "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0>\r\n<TR>\r\n";
    const qsizetype start = html.indexOf(table) + table.size();
    ASSERT_GE(start, table.size());
    EXPECT_EQ(html.mid(start, html.indexOf("</TR>\r\n</TABLE>") - start), expected);
}

// Every kind of character a cell can hold, at the start, in the middle and at the end of
// its text: line breaks of each kind, entities back to back, characters of the code page
// and one it lacks.
TEST(Exporters, HtmlCellTextsAreEscapedWhole) {
    QTemporaryDir dir;
    auto preview = Pagivex::CreatePreview();
    auto pages = preview->Pages();
    pages->SetScaleMode(3);
    auto page = pages->Add();
    const QList<QPair<QString, QByteArray>> cells = {
        {"a\r\nb\rc\nd", "a<BR>b<BR>c<BR>d"},
        {"\r\r\n\n\r", "<BR><BR><BR><BR>"},
        {"fine\r", "fine<BR>"},
        {"  x  ", "&nbsp;&nbsp;x&nbsp;&nbsp;"},
        {"&<>\"", "&amp;&lt;&gt;&quot;"},
        {QString::fromUtf8("ñandù Ω €"), "\xF1" "and\xF9" "&nbsp;?&nbsp;\x80"},
        {"Cognome\t12345678901234567890", "Cognome\t12345678901234567890"},
    };
    for (int i = 0; i < cells.size(); ++i) page->DrawText(cells[i].first, 0, 10 + i * 30, 100, 20);
    preview->SetOutputFile(dir.filePath("testi.htm"));
    preview->Export(Pagivex::zvHTML);
    const QByteArray html = ReadAll(preview->OutputFile());
    for (const auto& [text, escaped] : cells)
        EXPECT_TRUE(html.contains("COLOR=\"#000000\">" + escaped + "</FONT></TD>\r\n")) << escaped.toStdString();
}

// Each page's tags come from the fonts as they are when that page is written: a font
// changed, or a font and a cell added, while the export lets the window work between
// pages shows from the next page on. Cells and rules that differ only in colour or
// width keep their own tags.
TEST(Exporters, HtmlTagsFollowTheFontsOfEachPage) {
    QTemporaryDir dir;
    auto preview = Pagivex::CreatePreview();
    auto pages = LetterPages(preview);
    for (int p = 1; p <= 3; ++p) {
        auto page = pages->Add();
        page->SetFont("Times", 14);
        page->DrawText("nero", 0, 10, 100, 20);
        page->DrawText("rosso", 100, 10, 100, 20, 255);
        page->DrawText("nero", 200, 10, 100, 20);
        page->DrawLine(0, 40, 100, 40);
        page->DrawLine(0, 50, 100, 50, 255);
        page->DrawLine(0, 60, 100, 60);
        page->DrawLine(0, 70, 100, 70, 0, 2);
    }
    Events events;
    events.preview = preview.get();
    events.onExporting = [&] {
        // Runs when the export first lets events through, after the first page.
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                pages->FontMap()->Item(2)->SetBold(true);
                auto second = pages->Item(2);
                second->SetFont("Courier", 10);
                second->DrawText("nuovo", 300, 10, 100, 20);
                pages->FontMap()->Create(nullptr);
            },
            Qt::QueuedConnection);
    };
    preview->SetEventSink(&events);
    preview->SetOutputFile(dir.filePath("fonts.htm"));
    preview->Export(Pagivex::zvHTML);
    preview->SetEventSink(nullptr);

    const QByteArray html = ReadAll(preview->OutputFile());
    auto pageOf = [&](int p) {
        const qsizetype start = html.indexOf("<A NAME=\"PAGE" + QByteArray::number(p) + "\">");
        return html.mid(start, html.indexOf("<A HREF=\"#TOP\">", start) - start);
    };
    const QByteArray cell = "<TD BAND=\"1\" WIDTH=\"120px\" ALIGN=\"Left\" VALIGN=\"Top\">";
    const QByteArray times = "<FONT FACE=\"Times\" SIZE=\"4\" COLOR=";
    const QByteArray rules = "<TD><HR COLOR=\"#000000\" SIZE=\"1\" WIDTH=\"120px\"></TD></TR>\r\n<TR>\r\n"
                             "<TD><HR COLOR=\"#FF0000\" SIZE=\"1\" WIDTH=\"120px\"></TD></TR>\r\n<TR>\r\n"
                             "<TD><HR COLOR=\"#000000\" SIZE=\"1\" WIDTH=\"120px\"></TD></TR>\r\n<TR>\r\n"
                             "<TD><HR COLOR=\"#000000\" SIZE=\"2\" WIDTH=\"120px\"></TD>";
    auto row = [&](const QByteArray& open, const QByteArray& close) {
        return cell + open + times + "\"#000000\">nero" + close + "</TD>\r\n" + cell + open + times +
               "\"#FF0000\">rosso" + close + "</TD>\r\n" + cell + open + times + "\"#000000\">nero" + close +
               "</TD>\r\n";
    };
    const QByteArray plain = row("", "</FONT>"), bold = row("<B>", "</FONT></B>");
    EXPECT_TRUE(pageOf(1).contains(plain + "</TR>\r\n<TR>\r\n" + rules)) << pageOf(1).toStdString();
    EXPECT_TRUE(pageOf(2).contains(bold + cell + "<FONT FACE=\"Courier\" SIZE=\"2\" COLOR=\"#000000\">nuovo</FONT></TD>\r\n"
                                          "</TR>\r\n<TR>\r\n" + rules))
        << pageOf(2).toStdString();
    EXPECT_TRUE(pageOf(3).contains(bold + "</TR>\r\n<TR>\r\n" + rules)) << pageOf(3).toStdString();
}

TEST(Exporters, ThePageKeepsItsDrawingOrder) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    auto page = preview->Pages()->Item(1);
    const QString before = page->Element(6).Text + QString::number(page->Element(6).Type);
    preview->SetOutputFile(dir.filePath("x"));
    preview->Export(Pagivex::zvCSV);
    EXPECT_EQ(page->Element(6).Text + QString::number(page->Element(6).Type), before);
    EXPECT_EQ(page->Element(1).BandIndex, 0);
}

TEST(Exporters, FileNamesTakeTheWritersExtension) {
    Pagivex::impl::ExportTXT txt;
    txt.SetFileName("/out/report.xls");
    EXPECT_EQ(txt.FileName(), "/out/report.txt");
    // Only the last extension gives way: dots inside the name are the name's own.
    txt.SetFileName("/out/report.old.xls");
    EXPECT_EQ(txt.FileName(), "/out/report.old.txt");
    txt.SetFileName("/out.d/lista.html.txt");
    EXPECT_EQ(txt.FileName(), "/out.d/lista.html.txt");
    txt.SetFileName("report");
    EXPECT_EQ(txt.FileName(), "report.txt");
    txt.SetFileName("");
    EXPECT_EQ(txt.FileName(), "report.txt");
    EXPECT_EQ(txt.QueryInfo(1).toString(), "report.txt");
    EXPECT_EQ(txt.QueryInfo(0).toBool(), false);
    EXPECT_EQ(txt.DoAction(2, "x"), 0);
}

TEST(Exporters, NamesThatDifferAfterAFirstDotAreTwoFiles) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    preview->SetOutputFile(dir.filePath("report.2025.csv"));
    preview->Export(Pagivex::zvCSV);
    preview->SetOutputFile(dir.filePath("report.2026.csv"));
    preview->Export(Pagivex::zvCSV);
    preview->SetOutputFile(dir.filePath("lista.html.htm"));
    preview->Export(Pagivex::zvHTML);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              QStringList({"lista.html.htm", "report.2025.csv", "report.2026.csv"}));
}

TEST(Exporters, AFileThatCannotBeWrittenRaisesAndKeepsTheOldOne) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    preview->SetOutputFile(dir.filePath("missing-folder/lista.csv"));
    try {
        preview->Export(Pagivex::zvCSV);
        FAIL() << "no error";
    } catch (const Pagivex::Error& e) {
        EXPECT_EQ(e.Number(), 75);
        EXPECT_EQ(e.Source(), "Pagivex.ExportCSV.Export");
        EXPECT_EQ(e.Description(), "Errore di accesso al percorso/file: " + dir.filePath("missing-folder/lista.csv"));
    }
    QFile old(dir.filePath("old.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    preview->SetOutputFile(dir.filePath("old.csv"));
    if (!QFileInfo(dir.path()).isWritable()) {  // running as root the folder stays writable
        EXPECT_THROW(preview->Export(Pagivex::zvCSV), Pagivex::Error);
        EXPECT_EQ(ReadAll(dir.filePath("old.csv")), "previous");
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(Exporters, AFullDiskRaisesAndKeepsTheOldFile) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    QFile old(dir.filePath("lista.htm"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous");
    old.close();
    preview->SetOutputFile(old.fileName());
    for (auto format : {Pagivex::zvCSV, Pagivex::zvText, Pagivex::zvHTML}) {
        TestKit::FileSizeLimit full(16);
        try {
            preview->Export(format);
            ADD_FAILURE() << "no error " << format;
        } catch (const Pagivex::Error& e) {
            EXPECT_TRUE(e.Description().endsWith("\r\nSpazio su disco insufficiente.")) << e.Description().toStdString();
        }
    }
    for (const QString name : {"lista.csv", "lista.txt"}) EXPECT_FALSE(QFileInfo::exists(dir.filePath(name)));
    EXPECT_EQ(ReadAll(old.fileName()), "previous");
}

TEST(ExportRoad, EventsAndTheNamePrompt) {
    QTemporaryDir dir;
    PreviewTest::ScriptedBoxes boxes;
    auto preview = FixedDocument();
    Events events;
    events.preview = preview.get();
    preview->SetEventSink(&events);

    boxes.answers = {std::nullopt};  // cancelled prompt: nothing written, nothing done
    preview->Export(Pagivex::zvText);
    EXPECT_EQ(boxes.prompts.value(0), "Nome del file:");
    EXPECT_EQ(boxes.titles.value(0), "Anteprima - esportazione");
    EXPECT_EQ(boxes.defaults.value(0), "report");
    EXPECT_EQ(events.exporting, QList<int>{Pagivex::zvText});
    EXPECT_TRUE(events.done.isEmpty());
    EXPECT_TRUE(preview->OutputFile().isEmpty());

    boxes.answers = {dir.filePath("scelto")};
    preview->Export(Pagivex::zvHTML);
    EXPECT_EQ(preview->OutputFile(), dir.filePath("scelto.htm"));
    EXPECT_TRUE(QFile::exists(dir.filePath("scelto.htm")));
    EXPECT_EQ(events.done, QList<int>{Pagivex::zvHTML});

    // The handler of Exporting names the file.
    preview->SetOutputFile("");
    events.outputFile = dir.filePath("dal-gestore");
    preview->Export(Pagivex::zvCSV);
    EXPECT_EQ(preview->OutputFile(), dir.filePath("dal-gestore.csv"));

    // A format without a writer is announced and writes nothing.
    preview->Export(Pagivex::zvRTF);
    EXPECT_EQ(events.exporting.last(), Pagivex::zvRTF);
    EXPECT_EQ(events.done.last(), Pagivex::zvCSV);
}

// The library's own files go to a folder of the user and workstation, never beside the
// library, which an installed program cannot write and its users would share.
class LibraryFiles : public ::testing::Test {
protected:
    void SetUp() override {
        savedData_ = qgetenv("XDG_DATA_HOME");
        savedName_ = qgetenv("BRIVALTO_COMPUTERNAME");
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        qputenv("BRIVALTO_COMPUTERNAME", "postazione1");
    }
    void TearDown() override {
        Restore("XDG_DATA_HOME", savedData_);
        Restore("BRIVALTO_COMPUTERNAME", savedName_);
    }
    static void Restore(const char* name, const QByteArray& value) {
        if (value.isNull()) qunsetenv(name);
        else qputenv(name, value);
    }
    QTemporaryDir data;

private:
    QByteArray savedData_, savedName_;
};

TEST_F(LibraryFiles, ABareExportNameGoesIntoTheFolderOfTheUserAndWorkstation) {
    PreviewTest::ScriptedBoxes boxes;
    auto preview = FixedDocument();
    boxes.answers = {QString("lista")};
    preview->Export(Pagivex::zvText);
    const QString expected = data.path() + "/Pagivex/POSTAZIONE1/lista.txt";
    EXPECT_EQ(preview->OutputFile(), expected);
    EXPECT_TRUE(QFile::exists(expected));
    EXPECT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/lista.txt"));
}

TEST_F(LibraryFiles, TheDailyLogIsKeptPerUserAndWorkstation) {
    const QString saved = Pagivex::modErrorManager::LogFolder();
    Pagivex::modErrorManager::SetLogFolder(QString());
    const QByteArray savedDir = qgetenv("PAGIVEX_LOG_DIR");
    qunsetenv("PAGIVEX_LOG_DIR");
    const QString day = QDate::currentDate().toString("yyyy/MM/dd");
    auto pages = Pagivex::CreatePreview()->Pages();
    pages->Add();
    EXPECT_THROW(pages->SetScaleMode(7), Pagivex::Error);
    const QString first = data.path() + "/Pagivex/POSTAZIONE1/PagivexLog" + day + ".log";
    EXPECT_EQ(Pagivex::modErrorManager::TodayLogFile(), first);
    EXPECT_TRUE(QFile::exists(first));
    // A second workstation of the same user on the same machine keeps a log of its own.
    qputenv("BRIVALTO_COMPUTERNAME", "POSTAZIONE2");
    EXPECT_THROW(pages->SetScaleMode(7), Pagivex::Error);
    EXPECT_TRUE(QFile::exists(data.path() + "/Pagivex/POSTAZIONE2/PagivexLog" + day + ".log"));
    EXPECT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/PagivexLog" + QDate::currentDate().toString("yyyy")));
    // The setting names another folder.
    QTemporaryDir elsewhere;
    qputenv("PAGIVEX_LOG_DIR", elsewhere.path().toLocal8Bit());
    EXPECT_EQ(Pagivex::modErrorManager::TodayLogFile(), elsewhere.path() + "/PagivexLog" + day + ".log");
    Restore("PAGIVEX_LOG_DIR", savedDir);
    Pagivex::modErrorManager::SetLogFolder(saved);
}

TEST(ExportRoad, ASecondExportCannotStartWhileOneRuns) {
    QTemporaryDir dir;
    auto preview = FixedDocument();
    Events events;
    events.preview = preview.get();
    bool refused = false;
    events.onExporting = [&] {
        try {
            preview->Export(Pagivex::zvCSV);
        } catch (const Pagivex::Error& e) {
            refused = e.Number() == 1075;
        }
    };
    preview->SetEventSink(&events);
    preview->SetOutputFile(dir.filePath("uno"));
    preview->Export(Pagivex::zvText);
    EXPECT_TRUE(refused);
    EXPECT_EQ(events.exporting.size(), 1);
    EXPECT_TRUE(QFile::exists(dir.filePath("uno.txt")));
}

TEST(Exporters, RulesAreKnownByTheirLengthNotByTheirEndPoints) {
    QTemporaryDir dir;
    auto preview = Pagivex::CreatePreview();
    auto pages = preview->Pages();
    pages->SetScaleMode(3);
    auto page = pages->Add();
    page->DrawLine(400, 10, 0, 10);    // a rule drawn right to left
    page->DrawLine(500, 30, 500, 300);  // a vertical line is no rule
    page->DrawLine(0, 400, 80, 420);   // slanting, but longer than high
    preview->SetOutputFile(dir.filePath("righe"));
    preview->Export(Pagivex::zvText);
    const QByteArray text = ReadAll(preview->OutputFile());
    EXPECT_TRUE(text.contains("\r\n" + Repeat('_', 50) + "\r\n"));
    EXPECT_TRUE(text.contains("\r\n" + Repeat('_', 10) + "\r\n"));
    EXPECT_EQ(text.count('_'), 60);
    preview->Export(Pagivex::zvHTML);
    const QByteArray html = ReadAll(preview->OutputFile());
    EXPECT_TRUE(html.contains("WIDTH=\"480px\"></TD>"));
    EXPECT_TRUE(html.contains("WIDTH=\"96px\"></TD>"));
    EXPECT_EQ(html.count("<HR COLOR="), 2);
}

// A page drawn bottom to top and right to left is written as one drawn in reading order,
// in every format, and a document far larger than the writers' buffer comes out whole.
TEST(Exporters, DrawingOrderAndLengthDoNotChangeWhatIsWritten) {
    QTemporaryDir dir;
    auto compose = [](bool backwards, int pageCount) {
        auto preview = Pagivex::CreatePreview();
        auto pages = preview->Pages();
        pages->SetScaleMode(3);
        for (int p = 1; p <= pageCount; ++p) {
            auto page = pages->Add();
            for (int i = 0; i < 40; ++i) {
                const int n = backwards ? 39 - i : i;
                const int row = n / 4, column = n % 4;
                page->DrawText(QString::fromUtf8("città %1 \"%2\"").arg(p).arg(n), 10 + column * 150, 20 + row * 30,
                               140, 20, 0, column == 2 ? 0x00FFFF : -1, column == 1 ? Pagivex::prvAlignRight : 0);
                if (column == 3) page->DrawLine(10, 40 + row * 30, 600, 40 + row * 30);
            }
        }
        return preview;
    };
    for (const auto format : {Pagivex::zvCSV, Pagivex::zvText, Pagivex::zvHTML}) {
        auto forwards = compose(false, 2), backwards = compose(true, 2);
        forwards->SetOutputFile(dir.filePath("forwards"));
        forwards->Export(format);
        backwards->SetOutputFile(dir.filePath("backwards"));
        backwards->Export(format);
        const QString extension = QFileInfo(forwards->OutputFile()).suffix();
        EXPECT_EQ(ReadAll(dir.filePath("forwards." + extension)), ReadAll(dir.filePath("backwards." + extension)))
            << extension.toStdString();
    }

    // About 2 MB of HTML, handed to the file in several pieces: every page once, in order,
    // and the document closed.
    auto large = compose(false, 300);
    large->SetOutputFile(dir.filePath("large"));
    large->Export(Pagivex::zvHTML);
    const QByteArray html = ReadAll(dir.filePath("large.htm"));
    ASSERT_GT(html.size(), 3 << 19);
    qsizetype at = 0;
    for (int p = 1; p <= 300; ++p) {
        const QByteArray anchor = "<A NAME=\"PAGE" + QByteArray::number(p) + "\">";
        const qsizetype found = html.indexOf(anchor, at);
        ASSERT_GT(found, at) << p;
        EXPECT_EQ(html.count(anchor), 1) << p;
        at = found;
    }
    EXPECT_EQ(html.count("<TD BAND="), 300 * 40);
    EXPECT_TRUE(html.endsWith("</BODY>\r\n</HTML>\r\n"));
    EXPECT_EQ(html.count(QByteArray::fromStdString("citt\xE0 300 \"39\"")), 0);  // spaces are &nbsp;
    EXPECT_EQ(html.count("citt\xE0&nbsp;300&nbsp;&quot;39&quot;"), 1);
}
