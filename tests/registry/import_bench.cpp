// Benchmark, not a test: imports the same records through the import
// window's run twice, once from a delimited text file and once from the
// Outlook contacts, and reports each beside its references: the delimited
// import beside a minimal Python program doing the same work (the file read
// with the csv module and written with executemany in one transaction,
// bench/import_reference.py) and beside the same rows inserted straight into
// the engine (one prepared INSERT, one transaction, the file's collation), the
// contacts import beside the delimited import. Each run follows its source's
// preview, as the user's does: the contacts preview reads the whole contacts
// file. Five rounds, each on fresh copies of the empty database, the four
// alternated within a round and the load average printed with it; each ratio
// is taken within a round, and its median and its least are shown with the
// load of their rounds, and the most the process held resident during each
// kind of import (1,000,000 rows show that it does not grow with the file).
// Usage: import_bench [rows [rounds]]
#include "BenchReport.h"
#include "ComboBox.h"
#include "Global.h"
#include "JetText.h"
#include "Outlook.h"
#include "Runtime.h"
#include "Settings.h"
#include "frmImporta.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {

const int kRounds = 5;
// The columns the contacts import gives a text, empty or not, for a card with
// no telephone but the office one: the delimited import and the engine's
// inserts write the same, so that the three store the same rows.
const int kTextColumns = 13;

// One run of the window's import into a fresh database; its seconds, or -1
// when not every row was written.
double TimeImport(const QString& empty, const QString& db, int format, const QString& csv, int rows, double& peak) {
    QFile::remove(db);
    QFile::copy(empty, db);
    Bench::ResetPeak();
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db;
    // The program's one import window: the contacts import asks it for identifiers.
    frmImporta& window = Platform::DefaultInstance<frmImporta>();
    window.Load();
    window.cbFormato->SetListIndex(format);
    if (format == frmImporta::Testo) {
        window.opSeparatore[2]->setChecked(true);
        window.txFileName->setText(csv);
        window.ImpostaTxtFile();
        // The file's columns are the window's first 13 local fields, in their order.
        for (int k = 0; k < kTextColumns; ++k) window.cbRemoteField[k]->SetListIndex(k + 1);
    }
    QElapsedTimer t;
    t.start();
    window.cmdStart_Click();
    const double seconds = t.nsecsElapsed() / 1e9;
    const int written = window.Written();
    window.Unload();
    peak = std::max(peak, Bench::PeakMb());
    if (written != rows) {
        std::printf("  %s import wrote %d rows of %d\n", format == frmImporta::Testo ? "delimited" : "contacts", written,
                    rows);
        return -1;
    }
    return seconds;
}

double TimeRaw(const QString& empty, const QString& raw, int rows) {
    QFile::remove(raw);
    QFile::copy(empty, raw);
    sqlite3* handle = nullptr;
    sqlite3_open(raw.toUtf8().constData(), &handle);
    ADODB::RegisterJetText(handle);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(handle,
                       "INSERT INTO ANAGRAFICA (ID, COGNOME, NOME, INDIRIZZO, CAP, CITTA, EMAIL, TELEFONO, UTENTE, "
                       "IDAZIENDA, CATEGORIA, AZIENDA, TITOLO, RUOLO, PROVINCIA, NAZIONE) "
                       "VALUES (?,?,?,?,?,?,?,?,'ADMIN',0,?,?,?,?,?,?)",
                       -1, &insert, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray values[7] = {"Cognome" + n, "Nome" + n, "Via Roma " + n, "47121", "Forlì", "c" + n + "@example.it",
                                      "0543 " + n};
        sqlite3_bind_int(insert, 1, i + 1);
        for (int k = 0; k < 7; ++k) sqlite3_bind_text(insert, k + 2, values[k].constData(), values[k].size(), SQLITE_TRANSIENT);
        for (int k = 9; k <= 14; ++k) sqlite3_bind_text(insert, k, "", 0, SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            std::printf("  raw insert failed: %s\n", sqlite3_errmsg(handle));
            break;
        }
        sqlite3_reset(insert);
    }
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    const double seconds = t.nsecsElapsed() / 1e9;
    sqlite3_finalize(insert);
    sqlite3_close(handle);
    return seconds;
}

// The minimal Python program's own time, from opening the file to its
// commit, on a fresh copy; -1 when it could not run or wrote other rows.
double TimePython(const QString& empty, const QString& copy, const QString& csv, int rows) {
    QFile::remove(copy);
    QFile::copy(empty, copy);
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(IMPORT_REFERENCE), csv, QStringLiteral(";"), copy,
                                                      QStringLiteral(BRIVALTO_BIN_DIR "/libbrivalto_sqlite.so")});
    python.waitForFinished(-1);
    const QStringList said = QString::fromUtf8(python.readAllStandardOutput()).split(' ');
    if (python.exitCode() != 0 || said.size() != 2 || said[1].trimmed().toInt() != rows) {
        std::printf("  the Python reference failed: %s%s\n", qPrintable(said.join(' ').trimmed()),
                    qPrintable(QString::fromUtf8(python.readAllStandardError()).trimmed()));
        return -1;
    }
    return said[0].toDouble();
}

std::string Rate(int rows, double seconds) {
    char b[48];
    std::snprintf(b, sizeof b, "%.0f rows/s", rows / seconds);
    return b;
}

// "1.23 s (min 1.10 s), 81301 rows/s"
std::string Run(int rows, const std::vector<double>& seconds) {
    const double median = Bench::Median(seconds), fastest = *std::min_element(seconds.begin(), seconds.end());
    return Bench::Ms(median * 1000) + " (min " + Bench::Ms(fastest * 1000) + "), " + Rate(rows, median);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::max(3, std::atoi(argv[2])) : kRounds;
    QTemporaryDir dir;
    Platform::SetSettingsFolder(dir.path() + "/settings");
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) {
        if (!call.prompt.startsWith("Importazione di ")) std::printf("  [%s]\n", qPrintable(call.prompt));
        return int(Platform::vbOK);
    });
    const QString empty = QStringLiteral(BRIVALTO_BIN_DIR "/Brivalto.mdb");
    const QString db = dir.path() + "/Brivalto.mdb", raw = dir.path() + "/raw.mdb";
    // The same records twice: delimited text, and the cards of the contacts file.
    QFile csv(dir.path() + "/righe.csv"), vcf(dir.path() + "/contatti.vcf");
    csv.open(QIODevice::WriteOnly);
    vcf.open(QIODevice::WriteOnly);
    csv.write("CATEGORIA;AZIENDA;TITOLO;COGNOME;NOME;RUOLO;INDIRIZZO;CAP;CITTA;PROVINCIA;NAZIONE;EMAIL;TELEFONO\r\n");
    for (int i = 0; i < rows; ++i) {
        const QString n = QString::number(i);
        csv.write(QString(";;;Cognome%1;Nome%1;;Via Roma %1;47121;Forlì;;;c%1@example.it;0543 %1\r\n").arg(n).toUtf8());
        vcf.write(QString("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cognome%1;Nome%1;;;\r\nADR;TYPE=WORK:;;Via Roma %1;Forlì;;47121;\r\n"
                          "EMAIL:c%1@example.it\r\nTEL;TYPE=WORK:0543 %1\r\nEND:VCARD\r\n")
                      .arg(n)
                      .toUtf8());
    }
    csv.close();
    vcf.close();
    Platform::SaveSetting(Platform::App::EXEName(), "Outlook", "FileContatti", vcf.fileName());

    Global::SetColours();
    Global::gCurrentUser = "ADMIN";
    std::vector<double> delimited, contacts, engine, python, toPython, toEngine, toDelimited;
    std::vector<std::string> loads;
    double delimitedPeak = 0, contactsPeak = 0;
    const QString reference = dir.path() + "/python.mdb";
    for (int round = 0; round < rounds; ++round) {
        loads.push_back(Bench::Load());
        delimited.push_back(TimeImport(empty, db, frmImporta::Testo, csv.fileName(), rows, delimitedPeak));
        python.push_back(TimePython(empty, reference, csv.fileName(), rows));
        engine.push_back(TimeRaw(empty, raw, rows));
        contacts.push_back(TimeImport(empty, db, frmImporta::Outlook, QString(), rows, contactsPeak));
        for (const auto* runs : {&delimited, &contacts, &python})
            if (runs->back() < 0) return 1;
        toPython.push_back(delimited.back() / python.back());
        toEngine.push_back(delimited.back() / engine.back());
        toDelimited.push_back(contacts.back() / delimited.back());
        std::printf("  round %d, load %s: delimited %s, Python %s = %s, engine %s = %s, contacts %s = %s\n", round + 1,
                    loads.back().c_str(), Bench::Ms(delimited.back() * 1000).c_str(), Bench::Ms(python.back() * 1000).c_str(),
                    Bench::Ratio(toPython.back()).c_str(), Bench::Ms(engine.back() * 1000).c_str(),
                    Bench::Ratio(toEngine.back()).c_str(), Bench::Ms(contacts.back() * 1000).c_str(),
                    Bench::Ratio(toDelimited.back()).c_str());
        std::fflush(stdout);
    }

    // What the preview spends reading the file that stands for Outlook's
    // folder, before the run, which finds the folder the preview read: the
    // folder opened as the preview opens it.
    std::vector<double> reading;
    for (int run = 0; run < rounds; ++run) {
        QElapsedTimer t;
        t.start();
        Platform::OpenContactsFolder(vcf.fileName())->Items().Count();
        reading.push_back(t.nsecsElapsed() / 1e9);
    }
    const double d = Bench::Median(delimited), p = Bench::Median(python), e = Bench::Median(engine);
    const std::string count = std::to_string(rows);
    Bench::Title("import_bench: " + count + " records through the import run (medians of " + std::to_string(rounds) +
                 " rounds, fastest in brackets)");
    Bench::Figure("delimited text import", Run(rows, delimited), "");
    Bench::Figure("  beside the minimal Python program", Bench::Ratios(toPython, loads),
                  "csv and executemany " + Bench::Ms(p * 1000) + ", " + Rate(rows, p) + "; goal <= 1x");
    Bench::Figure("  beside the engine's prepared inserts", Bench::Ratios(toEngine, loads),
                  "engine " + Bench::Ms(e * 1000) + ", " + Rate(rows, e) + "; goal <= 1.5x");
    Bench::Figure("contacts import of the same records", Run(rows, contacts), "");
    Bench::Figure("  beside the delimited import", Bench::Ratios(toDelimited, loads),
                  "the delimited import " + Rate(rows, d) + "; goal <= 1x");
    const double r = Bench::Median(reading);
    Bench::Figure("reading the contacts file, at the preview", Bench::Ms(r * 1000),
                  "before the run, which finds the folder read");
    const double csvMb = QFileInfo(csv.fileName()).size() / 1048576.0, vcfMb = QFileInfo(vcf.fileName()).size() / 1048576.0;
    Bench::Figure("peak resident size, delimited import", Bench::Mb(delimitedPeak),
                  "the file " + Bench::Mb(csvMb) + "; goal <= 150 MB");
    Bench::Figure("peak resident size, contacts import", Bench::Mb(contactsPeak) + " = the file + " + Bench::Mb(contactsPeak - vcfMb),
                  "the file " + Bench::Mb(vcfMb) + "; goal <= the file + 150 MB");
    return 0;
}
