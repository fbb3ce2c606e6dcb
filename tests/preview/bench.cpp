// Benchmark of the library through its public interface: composing a list of N pages
// (50 rows a page), exporting it to each format and printing it to PDF. The exports take
// turns, one of each a round for five rounds, the order moved on by one each round, so that
// each export is measured beside the CSV export of its own round; the PDF printing is the
// median of three runs. The largest size is reported beside its goals, round by round with
// the load average, then the median and the least ratio of the rounds with their load.
//   pagivex_bench [pages...]   (default: 250 500 1000)
#include "BenchList.h"
#include "BenchReport.h"

#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kRounds = 5;

double Seconds(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e9; }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {250, 500, 1000};
    QTemporaryDir dir;
    Bench::Title("pagivex_bench: a list of 50 rows a page composed, exported and printed (exports: medians of " +
                 std::to_string(kRounds) + " rounds; PDF: median of 3)");
    std::printf("%7s %10s %10s %10s %10s %10s %12s\n", "pages", "compose", "text", "csv", "html", "pdf",
                "ms/page(all)");
    const Pagivex::ZVDestination formats[] = {Pagivex::zvText, Pagivex::zvCSV, Pagivex::zvHTML};
    const char* const names[] = {"text", "CSV", "HTML"};
    double last[5] = {};  // text, csv, html, pdf, compose of the largest size, per page
    std::vector<double> textRatios, htmlRatios;
    std::vector<std::string> rounds, loads;
    for (int pageCount : sizes) {
        QElapsedTimer t;
        t.start();
        auto preview = BenchList::Compose(pageCount);
        const double compose = Seconds(t);
        std::vector<double> runs[4];
        textRatios.clear();
        htmlRatios.clear();
        rounds.clear();
        loads.clear();
        for (int round = 0; round < kRounds; ++round) {
            loads.push_back(Bench::Load());
            double seconds[3] = {};
            for (int k = 0; k < 3; ++k) {
                const int f = (round + k) % 3;
                preview->SetOutputFile(dir.filePath(QString("lista-%1").arg(pageCount)));
                t.restart();
                preview->Export(formats[f]);
                seconds[f] = Seconds(t);
                runs[f].push_back(seconds[f]);
            }
            textRatios.push_back(seconds[0] / seconds[1]);
            htmlRatios.push_back(seconds[2] / seconds[1]);
            char line[160];
            std::snprintf(line, sizeof line, "  round %d, load %s: %s first; text %.1f ms, CSV %.1f ms, HTML %.1f ms",
                          round + 1, loads.back().c_str(), names[round % 3], seconds[0] * 1000, seconds[1] * 1000,
                          seconds[2] * 1000);
            rounds.push_back(line);
        }
        for (int run = 0; run < 3; ++run) {
            preview->SetPrintFile(dir.filePath(QString("lista-%1.pdf").arg(pageCount)));
            t.restart();
            preview->PrintPages();
            runs[3].push_back(Seconds(t));
        }
        double times[4];
        for (int f = 0; f < 4; ++f) times[f] = Bench::Median(runs[f]);
        const double total = compose + times[0] + times[1] + times[2] + times[3];
        std::printf("%7d %9.3fs %9.3fs %9.3fs %9.3fs %9.3fs %12.3f\n", pageCount, compose, times[0], times[1], times[2],
                    times[3], total * 1000.0 / pageCount);
        std::fflush(stdout);
        for (int f = 0; f < 4; ++f) last[f] = times[f] * 1000.0 / pageCount;
        last[4] = compose * 1000.0 / pageCount;
    }
    for (const std::string& line : rounds) std::printf("%s\n", line.c_str());
    const std::string at = " at " + std::to_string(sizes.last()) + " pages";
    Bench::Figure("CSV export, per page" + at, Bench::Ms(last[1]), "the measure of the other exports");
    Bench::Figure("text export / CSV, same round", Bench::Ratios(textRatios, loads), "goal <= 2x CSV, the median");
    Bench::Figure("HTML export / CSV, same round", Bench::Ratios(htmlRatios, loads), "goal <= 2x CSV, the median");
    Bench::Figure("PDF printing, per page", Bench::Ms(last[3]), "goal < 2 ms a page");
    Bench::Figure("composing, per page", Bench::Ms(last[4]), "no goal");
    return 0;
}
