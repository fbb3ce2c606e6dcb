// Time of printing a search list (not a test): N records in the search's 19 columns laid out
// by the list printing, then exported to each format and printed to PDF through the library.
//   listprint_bench [records...]   (default: 5000 20000)
#include "ListPrint.h"
#include "ListView.h"

#include <Pagivex/Pagivex.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) sizes << QString(argv[i]).toInt();
    if (sizes.isEmpty()) sizes = {5000, 20000};
    QTemporaryDir dir;
    qputenv("PAGIVEX_LOG_DIR", dir.path().toUtf8());
    std::printf("%8s %6s %10s %10s %10s %10s %10s\n", "records", "pages", "layout", "text", "csv", "html", "pdf");
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
        double times[3] = {};
        const Pagivex::ZVDestination formats[] = {Pagivex::zvText, Pagivex::zvCSV, Pagivex::zvHTML};
        for (int f = 0; f < 3; ++f) {
            preview->SetOutputFile(dir.filePath(QString("lista-%1").arg(records)));
            t.restart();
            preview->Export(formats[f]);
            times[f] = Seconds(t);
        }
        preview->SetPrintFile(dir.filePath(QString("lista-%1.pdf").arg(records)));
        t.restart();
        preview->PrintPages();
        const double pdf = Seconds(t);
        std::printf("%8d %6d %9.3fs %9.3fs %9.3fs %9.3fs %9.3fs\n", records, pages, layout, times[0], times[1], times[2],
                    pdf);
        std::fflush(stdout);
    }
    return 0;
}
