// Time of printing a search list (not a test): N records in the search's 15 columns laid out
// by the list printing, then exported to each format and printed to PDF through the library,
// beside the benchmarks' Pagivex list printed in the same run, element for element.
//   listprint_bench [records...]   (default: 5000 20000)
#include "BenchList.h"
#include "BenchReport.h"
#include "ListPrint.h"
#include "ListView.h"

#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void Fill(Platform::ListView& list, int records) {
    const char* captions[] = {"ID scheda", "azienda", "ruolo", "titolo", "cognome e nome", "indirizzo", "CAP",
                              "città", "prov.", "nazione", "email", "telefono", "telefono2", "cellulare", "fax"};
    const int widths[] = {1200, 1200, 1200, 600, 1400, 1400, 705, 1400, 495, 1200, 1400, 795, 795, 795, 795};
    for (int c = 0; c < 15; ++c) list.AddColumn(QString::fromUtf8(captions[c]), QString::fromUtf8(captions[c]), widths[c]);
    list.setUpdatesEnabled(false);
    for (int i = 1; i <= records; ++i) {
        auto item = list.AddItem(QString(), QString("%1").arg(i, 7, 10, QChar('0')));
        const QString cells[] = {QString("Ditta %1").arg(i % 97), "", "", QString("Cognome%1 Mario").arg(i),
                                 "Via Roma 1", "47121", QString::fromUtf8("Forlì"), "FC", "Italia",
                                 QString("c%1@esempio.it").arg(i), "0543 123456", "", "333 1234567", ""};
        for (int c = 0; c < 14; ++c) item.SetSubItem(c + 1, cells[c]);
    }
}

double Seconds(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e9; }

// The first run's seconds and the median of three.
struct Timed {
    double first = 0, median = 0;
};
Timed ThreeRuns(const std::function<void()>& run) {
    std::vector<double> runs;
    QElapsedTimer t;
    for (int i = 0; i < 3; ++i) {
        t.start();
        run();
        runs.push_back(Seconds(t));
    }
    return {runs.front(), Bench::Median(runs)};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {5000, 20000};
    QTemporaryDir dir;
    qputenv("PAGIVEX_LOG_DIR", dir.path().toUtf8());
    Bench::Title("listprint_bench: a search list laid out, exported and printed to PDF (medians of 3)");

    // The measure: the Pagivex benchmark's list, printed in this run.
    constexpr int kBenchPages = 200;
    auto bench = BenchList::Compose(kBenchPages);
    bench->SetPrintFile(dir.filePath("bench.pdf"));
    const Timed benchPdf = ThreeRuns([&] { bench->PrintPages(); });
    const double benchPerElement = benchPdf.median * 1e6 / double(BenchList::Elements(*bench));
    bench.reset();

    std::printf("%8s %6s %9s %10s %10s %10s %10s %10s %10s\n", "records", "pages", "elements", "layout", "text",
                "csv", "html", "pdf first", "pdf");
    double last[4] = {};  // of the largest list: csv and pdf per page, pdf per element, pdf first per element
    for (int records : sizes) {
        Platform::ListView list;
        Fill(list, records);
        ListPrint::Request request;
        request.title = "Stampa anagrafica";
        request.columns = ListPrint::ColumnsOf(list);
        request.today = QDate::currentDate();
        QElapsedTimer t;
        t.start();
        auto preview = Pagivex::CreatePreview();
        preview->SetApplication("Brivalto");
        const int pages = ListPrint::Compose(*preview->Pages(), request, ListPrint::RowsOf(list));
        const double layout = Seconds(t);
        const qint64 elements = BenchList::Elements(*preview);
        double times[3] = {};
        const Pagivex::ZVDestination formats[] = {Pagivex::zvText, Pagivex::zvCSV, Pagivex::zvHTML};
        for (int f = 0; f < 3; ++f)
            times[f] = ThreeRuns([&] {
                           preview->SetOutputFile(dir.filePath(QString("lista-%1").arg(records)));
                           preview->Export(formats[f]);
                       }).median;
        preview->SetPrintFile(dir.filePath(QString("lista-%1.pdf").arg(records)));
        const Timed pdf = ThreeRuns([&] { preview->PrintPages(); });
        std::printf("%8d %6d %9lld %9.3fs %9.3fs %9.3fs %9.3fs %9.3fs %9.3fs\n", records, pages,
                    static_cast<long long>(elements), layout, times[0], times[1], times[2], pdf.first, pdf.median);
        std::fflush(stdout);
        last[0] = times[1] * 1000.0 / pages;
        last[1] = pdf.median * 1000.0 / pages;
        last[2] = pdf.median * 1e6 / double(elements);
        last[3] = pdf.first * 1e6 / double(elements);
    }
    const std::string at = "at " + std::to_string(sizes.last()) + " records";
    Bench::Figure("bench list to PDF, per 1000 elements", Bench::Ms(benchPerElement),
                  "the measure (pagivex_bench's list, " + std::to_string(kBenchPages) + " pages)");
    Bench::Figure("search list to PDF, per 1000 elements",
                  Bench::Ms(last[2]) + " = " + Bench::Ratio(last[2] / benchPerElement) + " bench",
                  "goal <= 2x a Pagivex bench page, " + at);
    Bench::Figure("the same, first printing of the list",
                  Bench::Ms(last[3]) + " = " + Bench::Ratio(last[3] / benchPerElement) + " bench",
                  "each distinct text laid out once");
    Bench::Figure("search list to PDF, per page",
                  Bench::Ms(last[1]) + " = " + Bench::Ratio(last[1] / last[0]) + " CSV", "no goal, " + at);
    return 0;
}
