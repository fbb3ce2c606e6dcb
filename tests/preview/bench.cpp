// Benchmark of the library through its public interface: composing a list of N pages
// (50 rows a page), exporting it to each format and printing it to PDF, each
// the median of three runs. The largest size is reported beside its goals.
//   pagivex_bench [pages...]   (default: 250 500 1000)
#include "BenchList.h"
#include "BenchReport.h"

#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

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
        auto preview = BenchList::Compose(pageCount);
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
