// Printing to PDF and on a real print queue, page ranges on paper, the
// printer set-up of the preview window, the no-printer error and its log.
#include "PreviewTestKit.h"

#include "CupsQueue.h"
#include "PdfText.h"
#include "Preview.h"
#include "clsPrintDialog.h"
#include "frmPreview.h"
#include "modErrorManager.h"

#include <QFile>
#include <QRegularExpression>
#include <QWidget>

namespace {

struct PrinterList {
    explicit PrinterList(QStringList names) {
        Pagivex::InstalledPrintersHook() = [names] { return names; };
        saved = Pagivex::CurrentPrinter();
    }
    ~PrinterList() {
        Pagivex::InstalledPrintersHook() = nullptr;
        Pagivex::CurrentPrinter() = saved;
    }
    Pagivex::CurrentPrinterState saved;
};

std::shared_ptr<Pagivex::Preview> ThreePages() {
    auto preview = Pagivex::CreatePreview();
    auto pages = preview->Pages();
    pages->SetScaleMode(7);
    pages->SetWidth(21);
    pages->SetHeight(29.7f);
    for (int i = 1; i <= 3; ++i) {
        auto page = pages->Add();
        page->SetFont("Arial", 14, true);
        page->DrawText(QString("Pagina numero %1").arg(i), 2, 2, 15, 1);
        page->DrawLine(2, 3.5f, 19, 3.5f);
        page->DrawBox(2, 4, 17, 2, 0, 0x00EEEEEE);
        page->SetFont("Arial", 10);
        page->DrawText(QString::fromUtf8("Città di prova"), 2, 4, 17, 2, 0, -1, Pagivex::prvAlignCenter);
    }
    return preview;
}

}  // namespace

TEST(Printing, ARangeOfTwoPagesGivesATwoPagePdf) {
    QTemporaryDir dir;
    auto preview = ThreePages();
    struct Sink : Pagivex::PreviewEvents {
        int printing = 0;
        QList<int> done, exporting;
        void Printing() override { ++printing; }
        void Done(Pagivex::ZVDestination f) override { done << f; }
        void Exporting(Pagivex::ZVDestination f) override { exporting << f; }
    } sink;
    preview->SetEventSink(&sink);
    preview->Pages()->SetSelection("2-3");
    const QString pdf = dir.filePath("lista.pdf");
    preview->SetPrintFile(pdf);
    preview->Export(Pagivex::zvPrinter);
    EXPECT_EQ(sink.printing, 1);
    EXPECT_EQ(sink.done, QList<int>{Pagivex::zvPrinter});
    EXPECT_TRUE(sink.exporting.isEmpty());
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(PdfText::Pages(pdf), 2);
    const QString text = PdfText::Text(pdf);
    EXPECT_FALSE(text.contains("Pagina numero 1"));
    EXPECT_TRUE(text.contains("Pagina numero 2"));
    EXPECT_TRUE(text.contains("Pagina numero 3"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Città di prova")));
    // The page's own size reaches the paper: 21 x 29.7 cm.
    const QRegularExpression a4ish("Page size:\\s+(59[0-9]|60[0-9])(\\.\\d+)? x 8[34][0-9]");
    EXPECT_TRUE(PdfText::Run("pdfinfo", {pdf}).contains(a4ish));
}

TEST(Printing, ARangeWhoseLowestPageIsMissingStartsWithAPrintedPage) {
    QTemporaryDir dir;
    auto preview = ThreePages();
    preview->Pages()->SetSelection("x, 3");
    EXPECT_EQ(preview->Pages()->Selection(), "0, 3");
    const QString pdf = dir.filePath("una.pdf");
    preview->SetPrintFile(pdf);
    preview->PrintPages();
    EXPECT_EQ(PdfText::Pages(pdf), 1);
    EXPECT_TRUE(PdfText::Text(pdf).contains("Pagina numero 3"));
}

TEST(Printing, LandscapeAndLetterPagesKeepTheirPaper) {
    QTemporaryDir dir;
    auto preview = Pagivex::CreatePreview();
    auto pages = preview->Pages();
    pages->SetWidth(11);
    pages->SetHeight(8.5f);
    pages->Add()->DrawText("Orizzontale", 1, 1, 3, 0.5f);
    const QString pdf = dir.filePath("l.pdf");
    preview->SetPrintFile(pdf);
    preview->PrintPages();
    EXPECT_TRUE(PdfText::Run("pdfinfo", {pdf}).contains("792 x 612"));
}

TEST(Printing, NoPrinterRaises1082AndLogsIt) {
    PrinterList none({});
    QTemporaryDir logs;
    const QString savedLogFolder = Pagivex::modErrorManager::LogFolder();
    Pagivex::modErrorManager::SetLogFolder(logs.path());
    auto preview = ThreePages();
    try {
        preview->PrintPages();
        FAIL() << "no error";
    } catch (const Pagivex::Error& e) {
        EXPECT_EQ(e.Number(), 1082);
        EXPECT_EQ(e.Source(), "Pagivex.Preview.PrintPages");
        EXPECT_EQ(e.Description(), "No printers defined.");
    }
    QFile log(Pagivex::modErrorManager::TodayLogFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], QString(50, '='));
    EXPECT_TRUE(lines[1].startsWith("Pagivex v"));
    EXPECT_TRUE(lines[2].startsWith("Aplication log file for "));
    EXPECT_TRUE(lines.join('\n').contains("Logged User: "));
    const QStringList tail = lines.mid(lines.size() - 5);
    EXPECT_TRUE(tail[0].endsWith("] " + QString(50, '-')));
    EXPECT_TRUE(tail[1].contains("] Error ["));
    EXPECT_TRUE(tail[2].endsWith("] [CD 0x43A] No printers defined.")) << tail.join("\n").toStdString();
    EXPECT_TRUE(tail[3].endsWith("] Pagivex.Preview.PrintPages"));
    // The second entry of the day only appends.
    const qsizetype before = lines.size();
    EXPECT_THROW(preview->PrintPages(), Pagivex::Error);
    log.seek(0);
    EXPECT_EQ(QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts).size(), before + 5);
    Pagivex::modErrorManager::SetLogFolder(savedLogFolder);
}

TEST(Printing, SetPrinterChoosesWithoutPrinting) {
    PrinterList printers({"Ufficio", "Magazzino"});
    auto preview = Pagivex::CreatePreview();
    EXPECT_TRUE(preview->SetPrinter("MAGAZZINO"));
    EXPECT_EQ(Pagivex::CurrentPrinter().DeviceName, "Magazzino");
    EXPECT_FALSE(preview->SetPrinter("magazzino"));
    EXPECT_FALSE(preview->SetPrinter("Cantina"));
    EXPECT_EQ(Pagivex::CurrentPrinter().DeviceName, "Magazzino");
}

TEST(Printing, ASecondPrintCannotStartWhileOneRuns) {
    QTemporaryDir dir;
    auto preview = ThreePages();
    struct Sink : Pagivex::PreviewEvents {
        Pagivex::Preview* preview = nullptr;
        int refused = 0;
        void Printing() override {
            try {
                preview->PrintPages();
            } catch (const Pagivex::Error& e) {
                if (e.Number() == 1075) ++refused;
            }
        }
    } sink;
    sink.preview = preview.get();
    preview->SetEventSink(&sink);
    preview->SetPrintFile(dir.filePath("p.pdf"));
    preview->PrintPages();
    EXPECT_EQ(sink.refused, 1);
    EXPECT_EQ(PdfText::Pages(dir.filePath("p.pdf")), 3);
}

TEST(Printing, APdfFileChosenInThePreviewsPrinterSetUpIsWhereItPrints) {
    PrinterList none({});
    QTemporaryDir dir;
    auto preview = ThreePages();
    auto impl = std::dynamic_pointer_cast<Pagivex::impl::Preview>(preview);
    QWidget host;
    host.resize(616, 440);
    host.show();
    preview->SetContainer(quintptr(host.winId()));
    preview->Show();
    // No printer and no file: nothing to print on.
    EXPECT_FALSE(impl->Button(7).Available);
    const QString chosen = dir.filePath("anteprima.pdf");
    QStringList offered;
    Pagivex::PrintDialogHook() = [&](Pagivex::PrintDialogChoice& choice, QWidget*) {
        offered << choice.OutputFile;
        choice.OutputFile = chosen;
        return true;
    };
    impl->OnToolSelected(0);
    EXPECT_TRUE(impl->Button(7).Available);
    impl->DoToolAction(7);
    EXPECT_EQ(PdfText::Pages(chosen), 3);
    // A file the caller gave is offered first; a printer chosen in its place is where it prints.
    preview->SetPrintFile(dir.filePath("programma.pdf"));
    PrinterList printers({"Ufficio"});
    Pagivex::PrintDialogHook() = [&](Pagivex::PrintDialogChoice& choice, QWidget*) {
        offered << choice.OutputFile;
        choice.OutputFile.clear();
        choice.PrinterName = "ufficio";
        return true;
    };
    impl->OnToolSelected(0);
    EXPECT_EQ(offered, QStringList({QString(), dir.filePath("programma.pdf")}));
    EXPECT_TRUE(preview->PrintFile().isEmpty());
    EXPECT_EQ(Pagivex::CurrentPrinter().DeviceName, "Ufficio");
    Pagivex::PrintDialogHook() = nullptr;
    preview->SetContainer(0);
}

TEST(PrintQueue, AListComesOutOfARealQueueWithItsPagesAndPlaces) {
    Cups::Queue queue;
    if (!queue.Skip().isEmpty()) GTEST_SKIP() << queue.Skip().toStdString();
    ASSERT_TRUE(queue.Error().isEmpty()) << queue.Error().toStdString();
    const Pagivex::CurrentPrinterState saved = Pagivex::CurrentPrinter();
    auto preview = ThreePages();
    ASSERT_TRUE(preview->SetPrinter(queue.Name()));
    preview->Pages()->SetSelection("1, 3");
    preview->PrintPages();
    const QStringList pdfs = queue.WaitForFiles(1);
    ASSERT_EQ(pdfs.size(), 1) << Cups::Queue::ServerLog().toStdString();
    EXPECT_EQ(PdfText::Pages(pdfs[0]), 2);
    // Where the same pages stand in a PDF file printed without the queue.
    QTemporaryDir dir;
    preview->SetPrintFile(dir.filePath("diretto.pdf"));
    preview->PrintPages();
    const auto queued = PdfText::Words(pdfs[0]), direct = PdfText::Words(dir.filePath("diretto.pdf"));
    for (int page : {1, 2})
        for (const QString word : {"Pagina", "prova"}) {
            const auto q = PdfText::Find(queued, word, page), d = PdfText::Find(direct, word, page);
            SCOPED_TRACE(QString("%1 on page %2").arg(word).arg(page).toStdString());
            ASSERT_FALSE(q.text.isEmpty());
            EXPECT_NEAR(q.box.left(), d.box.left(), 1.0);
            EXPECT_NEAR(q.box.top(), d.box.top(), 1.0);
            EXPECT_NEAR(q.box.height(), d.box.height(), 1.5);
        }
    const QString text = PdfText::Text(pdfs[0]);
    EXPECT_TRUE(text.contains("Pagina numero 1"));
    EXPECT_FALSE(text.contains("Pagina numero 2"));
    EXPECT_TRUE(text.contains("Pagina numero 3"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Città di prova")));
    Pagivex::CurrentPrinter() = saved;
}
