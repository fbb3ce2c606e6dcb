// Benchmark, not a test: the import window's contacts preview over contacts
// files of 10,000, 100,000 and 1,000,000 cards (or the sizes given, smallest
// first), the sizes taking turns over five rounds, the order moved on by one
// each round. Each size's reading is reported beside the reading of the size
// before it in the same round: reading that grows no faster than the cards
// takes as many times as long as there are times more cards. The most the
// process held resident while the preview read each file is reported beside
// the file's size.
// Usage: contacts_bench [cards...]
#include "BenchReport.h"
#include "ComboBox.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Settings.h"
#include "frmImporta.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

const int kRounds = 5;

// "1,000,000"
std::string Count(int cards) {
    return QLocale(QLocale::English).toString(cards).toStdString();
}

// The cards import_bench writes: a name, an office address, an e-mail address and an office telephone.
void WriteCards(const QString& path, int cards) {
    QFile vcf(path);
    vcf.open(QIODevice::WriteOnly);
    for (int i = 0; i < cards; ++i)
        vcf.write(QString("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cognome%1;Nome%1;;;\r\nADR;TYPE=WORK:;;Via Roma %1;Forlì;;47121;\r\n"
                          "EMAIL:c%1@example.it\r\nTEL;TYPE=WORK:0543 %1\r\nEND:VCARD\r\n")
                      .arg(i)
                      .toUtf8());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10000, 100000, 1000000};
    std::sort(sizes.begin(), sizes.end());
    QTemporaryDir dir;
    Platform::SetSettingsFolder(dir.path() + "/settings");
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) {
        std::printf("  [%s]\n", qPrintable(call.prompt));
        return int(Platform::vbOK);
    });
    const QString db = dir.path() + "/Brivalto.mdb";
    QFile::copy(QStringLiteral(BRIVALTO_BIN_DIR "/Brivalto.mdb"), db);
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db;
    Global::SetColours();
    Global::gCurrentUser = "ADMIN";
    std::vector<QString> files;
    for (int cards : sizes) {
        files.push_back(dir.filePath(QString("contatti-%1.vcf").arg(cards)));
        WriteCards(files.back(), cards);
    }

    frmImporta& window = Platform::DefaultInstance<frmImporta>();
    window.Load();
    const size_t n = sizes.size();
    std::vector<std::vector<double>> seconds(n), ratios(n);
    std::vector<double> peak(n, 0);
    std::vector<std::string> rounds, loads;
    for (int round = 0; round < kRounds; ++round) {
        loads.push_back(Bench::Load());
        std::vector<double> took(n);
        for (size_t k = 0; k < n; ++k) {
            const size_t s = (size_t(round) + k) % n;
            Platform::SaveSetting(Platform::App::EXEName(), "Outlook", "FileContatti", files[s]);
            Bench::ResetPeak();
            QElapsedTimer t;
            t.start();
            window.cbFormato->SetListIndex(frmImporta::Outlook);
            took[s] = t.nsecsElapsed() / 1e9;
            peak[s] = std::max(peak[s], Bench::PeakMb());
            if (window.LV->ItemCount() != std::min(sizes[s], 100)) {
                std::printf("  the preview of %d cards shows %d\n", sizes[s], window.LV->ItemCount());
                return 1;
            }
            // Another format lets go of the folder, so the next preview reads its file.
            window.cbFormato->SetListIndex(frmImporta::Access);
        }
        std::string line = "  round " + std::to_string(round + 1) + ", load " + loads.back() + ":";
        for (size_t s = 0; s < n; ++s) {
            seconds[s].push_back(took[s]);
            if (s) ratios[s].push_back(took[s] / took[s - 1]);
            line += " " + Count(sizes[s]) + " " + Bench::Ms(took[s] * 1000) + (s + 1 < n ? "," : "");
        }
        rounds.push_back(line);
    }
    window.Unload();

    Bench::Title("contacts_bench: the import window's preview of a contacts file (medians of " +
                 std::to_string(kRounds) + " rounds, the sizes taking turns)");
    for (const std::string& line : rounds) std::printf("%s\n", line.c_str());
    for (size_t s = 0; s < n; ++s) {
        const double median = Bench::Median(seconds[s]), fastest = *std::min_element(seconds[s].begin(), seconds[s].end());
        Bench::Figure("preview of " + Count(sizes[s]) + " cards",
                      Bench::Ms(median * 1000) + " (min " + Bench::Ms(fastest * 1000) + ")",
                      s ? "" : "the measure of the larger files");
        if (s) {
            const double times = double(sizes[s]) / sizes[s - 1];
            char goal[96];
            std::snprintf(goal, sizeof goal, "%.0f times the cards; goal <= %.0fx, the median", times, times * 1.2);
            Bench::Figure("  / " + Count(sizes[s - 1]) + " cards, same round", Bench::Ratios(ratios[s], loads), goal);
        }
        const double fileMb = QFileInfo(files[s]).size() / 1048576.0;
        Bench::Figure("  peak resident size", Bench::Mb(peak[s]) + " = the file + " + Bench::Mb(peak[s] - fileMb),
                      "the file " + Bench::Mb(fileMb) + "; goal <= the file + 150 MB");
    }
    return 0;
}
