// Benchmark, not a test: imports 100,000 delimited rows through the import
// window's run and reports rows per second beside the same rows inserted
// straight into the engine (one prepared INSERT, one transaction).
// Usage: import_bench [rows]
#include "ComboBox.h"
#include "Global.h"
#include "Runtime.h"
#include "Settings.h"
#include "frmImporta.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    Platform::SetSettingsFolder(dir.path() + "/settings");
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) {
        std::printf("  [%s]\n", qPrintable(call.prompt));
        return int(Platform::vbOK);
    });
    const QString empty = QStringLiteral(BRIVALTO_BIN_DIR "/Brivalto.mdb");
    const QString db = dir.path() + "/Brivalto.mdb", raw = dir.path() + "/raw.mdb";
    QFile::copy(empty, db);
    QFile::copy(empty, raw);
    QFile csv(dir.path() + "/righe.csv");
    csv.open(QIODevice::WriteOnly);
    csv.write("COGNOME;NOME;INDIRIZZO;CAP;CITTA;EMAIL;TELEFONO\r\n");
    for (int i = 0; i < rows; ++i)
        csv.write(QString("Cognome%1;Nome%1;Via Roma %1;47121;Forlì;c%1@example.it;0543 %1\r\n").arg(i).toUtf8());
    csv.close();

    Global::SetColours();
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + db;
    Global::gCurrentUser = "ADMIN";
    frmImporta window;
    window.Load();
    window.cbFormato->SetListIndex(frmImporta::Testo);
    window.opSeparatore[2]->setChecked(true);
    window.txFileName->setText(csv.fileName());
    window.ImpostaTxtFile();
    const int map[7] = {3, 4, 6, 7, 8, 11, 12};  // COGNOME NOME INDIRIZZO CAP CITTA EMAIL TELEFONO
    for (int k = 0; k < 7; ++k) window.cbRemoteField[map[k]]->SetListIndex(k + 1);
    QElapsedTimer t;
    t.start();
    window.cmdStart_Click();
    const double importSeconds = t.elapsed() / 1000.0;

    sqlite3* handle = nullptr;
    sqlite3_open(raw.toUtf8().constData(), &handle);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(handle,
                       "INSERT INTO ANAGRAFICA (ID, COGNOME, NOME, INDIRIZZO, CAP, CITTA, EMAIL, TELEFONO, UTENTE, "
                       "IDAZIENDA) VALUES (?,?,?,?,?,?,?,?,'ADMIN',0)",
                       -1, &insert, nullptr);
    t.restart();
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray values[7] = {"Cognome" + n, "Nome" + n, "Via Roma " + n, "47121", "Forlì", "c" + n + "@example.it",
                                      "0543 " + n};
        sqlite3_bind_int(insert, 1, i + 1);
        for (int k = 0; k < 7; ++k) sqlite3_bind_text(insert, k + 2, values[k].constData(), values[k].size(), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) std::printf("  raw insert failed: %s\n", sqlite3_errmsg(handle));
        sqlite3_reset(insert);
    }
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    const double rawSeconds = t.elapsed() / 1000.0;
    sqlite3_finalize(insert);
    sqlite3_close(handle);

    std::printf("import of %d delimited rows: %.2f s, %.0f rows/s (%d written)\n", rows, importSeconds,
                rows / importSeconds, window.Written());
    std::printf("raw SQLite inserts, one transaction: %.2f s, %.0f rows/s\n", rawSeconds, rows / rawSeconds);
    return window.Written() == rows ? 0 : 1;
}
