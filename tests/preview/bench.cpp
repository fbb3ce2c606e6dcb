// Benchmark of the library through its public interface: composing a list of N pages
// (50 rows a page), exporting it to each format and printing it to PDF, each
// the median of three runs. The largest size is reported beside its goals.
//   pagivex_bench [pages...]   (default: 250 500 1000)
#include "BenchReport.h"

#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

std::shared_ptr<Pagivex::Preview> Compose(int pageCount) {
    auto preview = Pagivex::CreatePreview();
    preview->SetApplication("Brivalto");
    auto pages = preview->Pages();
    pages->SetScaleMode(7);
    pages->SetWidth(21);
    pages->SetHeight(29.7f);
    const float widths[] = {2.0f, 5.0f, 5.0f, 4.0f, 3.0f};
    for (int p = 1; p <= pageCount; ++p) {
        auto page = pages->Add();
        page->SetFont("Arial", 12, true);
        page->DrawText(QString("Elenco contatti - pagina %1").arg(p), 1, 1, 19, 0.8f, 0, -1, Pagivex::prvAlignCenter);
        page->NewSection();
        page->SetFont("Arial", 8);
        for (int row = 0; row < 50; ++row) {
            const float top = 2.5f + row * 0.5f;
            float left = 1;
            const int n = (p - 1) * 50 + row + 1;
            const QString cells[] = {QString::number(n), QString("Cognome %1").arg(n), QString("Nome %1").arg(n),
                                     QString("Città %1").arg(n % 97), QString("0%1").arg(n * 7919 % 100000000)};
            for (int c = 0; c < 5; ++c) {
                page->DrawText(cells[c], left, top, widths[c], 0.45f, 0, -1,
                               c == 0 ? Pagivex::prvAlignRight : Pagivex::prvAlignleft);
                left += widths[c];
            }
            page->DrawLine(1, top + 0.48f, 20, top + 0.48f, 0x00C0C0C0, 1);
        }
    }
    return preview;
}

double Seconds(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e9; }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {250, 500, 1000};
    QTemporaryDir dir;
    Bench::Title("pagivex_bench: a list of 50 rows a page composed, exported and printed (medians of 3)");
    std::printf("%7s %10s %10s %10s %10s %10s %12s\n", "pages", "compose", "text", "csv", "html", "pdf",
                "ms/page(all)");
    double last[5] = {};  // text, csv, html, pdf, compose of the largest size
    for (int pageCount : sizes) {
        QElapsedTimer t;
        t.start();
        auto preview = Compose(pageCount);
        const double compose = Seconds(t);
        double times[4] = {};
        const Pagivex::ZVDestination formats[] = {Pagivex::zvText, Pagivex::zvCSV, Pagivex::zvHTML};
        for (int f = 0; f < 4; ++f) {
            std::vector<double> runs;
            for (int run = 0; run < 3; ++run) {
                if (f < 3) preview->SetOutputFile(dir.filePath(QString("lista-%1").arg(pageCount)));
                else preview->SetPrintFile(dir.filePath(QString("lista-%1.pdf").arg(pageCount)));
                t.restart();
                if (f < 3) preview->Export(formats[f]);
                else preview->PrintPages();
                runs.push_back(Seconds(t));
            }
            times[f] = Bench::Median(runs);
        }
        const double total = compose + times[0] + times[1] + times[2] + times[3];
        std::printf("%7d %9.3fs %9.3fs %9.3fs %9.3fs %9.3fs %12.3f\n", pageCount, compose, times[0], times[1], times[2],
                    times[3], total * 1000.0 / pageCount);
        std::fflush(stdout);
        for (int f = 0; f < 4; ++f) last[f] = times[f] * 1000.0 / pageCount;
        last[4] = compose * 1000.0 / pageCount;
    }
    const std::string at = " at " + std::to_string(sizes.last()) + " pages";
    Bench::Figure("CSV export, per page" + at, Bench::Ms(last[1]), "the measure of the other exports");
    Bench::Figure("text export, per page", Bench::Ms(last[0]) + " = " + Bench::Ratio(last[0] / last[1]) + " CSV",
                  "goal <= 2x CSV");
    Bench::Figure("HTML export, per page", Bench::Ms(last[2]) + " = " + Bench::Ratio(last[2] / last[1]) + " CSV",
                  "goal <= 2x CSV");
    Bench::Figure("PDF printing, per page", Bench::Ms(last[3]), "goal < 2 ms a page");
    Bench::Figure("composing, per page", Bench::Ms(last[4]), "no goal");
    return 0;
}
