// A mailing of N e-mails, 1,000 unless given (not a test): every recipient
// of the list gets a message with the subject personalised and this
// recipient's copy of an RTF letter attached, sent to a real SMTP server on
// 127.0.0.1 and recorded as an activity under the table lock. Beside the run,
// in the same run of the program, two references: the SMTP component alone
// sending the same messages, and the protocol's floor, which is the same
// component sending the same messages plus, for each, what the table-lock
// protocol and the activity row cannot do without on the engine's own C
// interface: the lock row committed where other workstations see it (with
// the purge and the test before and after it), then the next activity
// number, the activity row and the lock's release in one commit, on a file
// of the same kind.
#include "ADODB.h"
#include "BenchReport.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Schema.h"
#include "SMTP.h"
#include "Settings.h"
#include "Values.h"
#include "frmMailing.h"
#include "frmReport.h"
#include "smtp/SmtpSink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sqlite3.h>
#include <string>

namespace {

// Messages a second on the run of main before the run's database work was
// put in two commits (1,000 e-mails, RTF letter merged, quiet machine: 83 to 86).
const double kTodayBest = 86;

const char* const kSender = "ufficio@brivalto.example";

QString Address(int i) { return QString("cliente%1@example.com").arg(i); }
QString Subject(int i) { return QString("Listino per Sig. Mario Rossi%1").arg(i); }

// The same message the run sends for recipient i, on a component of its own.
bool SendOne(const SmtpSink& sink, int i, const QString& letter) {
    Platform::SMTP sm;
    sm.Server = sink.Server();
    sm.FromAddress = kSender;
    sm.FromName = "Ufficio Brivalto";
    sm.AddRecipient("Mario Rossi" + QString::number(i), Address(i));
    sm.Subject = Subject(i);
    sm.Body = "Gentile cliente, in allegato il listino.";
    sm.AddAttachment(letter);
    if (sm.Send() == 0) return true;
    std::printf("the component failed: %s\n", qPrintable(sm.LastErrorText()));
    return false;
}

// The protocol's statements on the engine alone, prepared once.
class Floor {
public:
    explicit Floor(const QString& file) {
        sqlite3_open(QFile::encodeName(file).constData(), &db_);
        ADODB::RegisterJetText(db_);
        sqlite3_busy_timeout(db_, 5000);
        for (const char* sql : {"DELETE FROM LOCKS WHERE U_MOD < ?", "SELECT 1 FROM LOCKS WHERE COMPUTER<>? AND TABELLA=?",
                                "INSERT INTO LOCKS (COMPUTER, TABELLA, U_MOD) VALUES (?,?,?)", "BEGIN IMMEDIATE",
                                "SELECT MAX(IDCONT) FROM CONTATTI WHERE UTENTE=?",
                                "INSERT INTO CONTATTI (IDCONT,IDANA,\"DATA\",DATAFINE,TIPOCONT,LUOGO,DESCRIZIONE,\"NOTE\","
                                "DATAAVVISO,U_MOD,UTENTE) VALUES (?,?,?,?,'E','',?,?,0,?,?)",
                                "DELETE FROM LOCKS WHERE COMPUTER=?", "COMMIT"}) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK)
                std::printf("the floor's statement failed: %s\n", sqlite3_errmsg(db_));
            st_.push_back(st);
        }
    }
    ~Floor() {
        for (sqlite3_stmt* st : st_) sqlite3_finalize(st);
        sqlite3_close(db_);
    }

    bool Record(int recipient) {
        const double now = Platform::DateToSerial(QDateTime::currentDateTime());
        const double stale = now - 30.0 / 86400;
        // The lock: purge, test, insert (its own commit), test again.
        Run(kPurge, {stale});
        if (Run(kTest, {kComputer, kTable}) != SQLITE_DONE) return false;
        Run(kInsertLock, {kComputer, kTable, now});
        Run(kPurge, {stale});
        if (Run(kTest, {kComputer, kTable}) != SQLITE_DONE) return false;
        // The row and the release, one commit.
        Run(kBegin, {});
        const int id = Step(kMax, {kUser}) == SQLITE_ROW ? sqlite3_column_int(st_[kMax], 0) + 1 : 1;
        sqlite3_reset(st_[kMax]);
        Run(kInsertRow, {id, recipient, now, now, Subject(recipient), QStringLiteral("inviato: lettera.rtf"), now, kUser});
        Run(kRelease, {kComputer});
        Run(kPurge, {stale});
        return Run(kCommit, {}) == SQLITE_DONE;
    }

private:
    enum { kPurge, kTest, kInsertLock, kBegin, kMax, kInsertRow, kRelease, kCommit };
    inline static const QString kComputer = QStringLiteral("PIANO"), kTable = QStringLiteral("CONTATTI"),
                                kUser = QStringLiteral("ADMIN");

    int Step(int which, const QVariantList& values) {
        sqlite3_stmt* st = st_[size_t(which)];
        sqlite3_reset(st);
        for (int i = 0; i < values.size(); ++i) {
            const QVariant& v = values[i];
            if (v.typeId() == QMetaType::Double) sqlite3_bind_double(st, i + 1, v.toDouble());
            else if (v.typeId() == QMetaType::Int) sqlite3_bind_int(st, i + 1, v.toInt());
            else sqlite3_bind_text(st, i + 1, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
        }
        return sqlite3_step(st);
    }
    int Run(int which, const QVariantList& values) {
        const int rc = Step(which, values);
        sqlite3_reset(st_[size_t(which)]);
        return rc == SQLITE_ROW ? SQLITE_ROW : rc;
    }

    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> st_;
};

std::string Rate(int count, double seconds) {
    char b[64];
    std::snprintf(b, sizeof b, "%.0f messages/s (%.2f ms each)", count / seconds, seconds * 1000 / count);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform remarks on every raise of the lock window.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains("does not support")) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString(argv[1]).toInt() : 1000;
    if (!SmtpSink::Available()) {
        std::printf("aiosmtpd is not installed (python3-aiosmtpd)\n");
        return 1;
    }
    QTemporaryDir dir;
    // The run's work files (the merged letter, the send log) go under the data home.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + "/share"));
    Platform::SetSettingsFolder(dir.path() + "/settings");
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall&) { return int(Platform::vbYes); });
    QDir().mkpath(dir.path() + "/program");
    Platform::App::SetPath(dir.path() + "/program");
    const QString file = dir.path() + "/Brivalto.mdb";
    if (!Schema::CreateDeliveredDatabase(file)) return 1;
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
    Global::gCurrentUser = "ADMIN";
    {
        ADODB::Connection cn;
        cn.Open(Global::gConnString);
        cn.BeginTrans();
        for (int i = 1; i <= count; ++i)
            cn.Execute("INSERT INTO ANAGRAFICA (ID,NOME,COGNOME,TITOLO,EMAIL,CITTA) VALUES (?,?,?,?,?,?)",
                       {i, "Mario", QString("Rossi%1").arg(i), "Sig.", Address(i), QStringLiteral("Forlì")});
        cn.CommitTrans();
    }
    // The floor writes on a file of the same kind: a copy of the run's.
    const QString floorFile = dir.path() + "/floor.mdb";
    QFile::copy(file, floorFile);
    const QString letter = dir.path() + "/lettera.rtf";
    {
        QFile f(letter);
        f.open(QIODevice::WriteOnly);
        f.write("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Egregio ||TITOLO|| ||NOME|| {\\b ||COGNOME||},\\par"
                "le inviamo il listino aggiornato per ||CITTA||.\\par Cordiali saluti.\\par}");
    }

    // Each of the three gets a server of its own, so that none finds it
    // slowed by the messages of the others, keeping them in memory: the
    // server's own files are not what is measured.
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) qputenv("TMPDIR", "/dev/shm");
    int received = 0;
    auto server = [&](std::unique_ptr<SmtpSink>& sink) {
        if (sink) received += int(sink->Messages(count, 60000).size());
        sink = std::make_unique<SmtpSink>();
        if (!sink->Started()) {
            std::printf("the SMTP server did not start\n");
            std::exit(1);
        }
    };
    std::unique_ptr<SmtpSink> sink;
    auto set = [](const char* key, const QString& value) {
        Platform::SaveSetting(Platform::App::EXEName(), "eMail", key, value);
    };
    set("Indirizzo", kSender);
    set("NomeInMail", "Ufficio Brivalto");

    // The component alone: a new one for every message, as the channel makes them.
    server(sink);
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= count; ++i)
        if (!SendOne(*sink, i, letter)) return 1;
    const double component = clock.nsecsElapsed() / 1e9;

    // The protocol's floor.
    server(sink);
    {
        Floor floor(floorFile);
        clock.restart();
        for (int i = 1; i <= count; ++i) {
            if (!SendOne(*sink, i, letter)) return 1;
            if (!floor.Record(i)) {
                std::printf("the floor's lock or commit failed\n");
                return 1;
            }
        }
    }
    const double protocol = clock.nsecsElapsed() / 1e9;

    server(sink);
    set("SMPTServer", sink->Server());
    frmMailing form;
    form.Load();
    for (int i = 1; i <= count; ++i) form.LV->AddItem("K" + QString::number(i), QString::number(i));
    form.opTipoInvio[1]->setChecked(true);
    form.opTipoMail[1]->setChecked(true);
    form.txNomeFile->setText(letter);
    form.txSubject->setText("Listino per $TITOLO$ $NOME$ $COGNOME$");
    form.txText->setPlainText("Gentile cliente, in allegato il listino.");
    clock.restart();
    form.cmdGo_Click();
    const double run = clock.nsecsElapsed() / 1e9;
    received += int(sink->Messages(count, 60000).size());
    const int expected = 3 * count;

    const auto& report = *Platform::DefaultInstance<frmReport>().LV;
    int failed = 0;
    for (int i = 1; i <= report.ItemCount(); ++i) failed += !report.Item(i).SubItem(3).isEmpty();
    ADODB::Connection cn;
    cn.Open(Global::gConnString);
    ADODB::Recordset rs;
    rs.Open("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='E'", cn);
    const long long rows = rs.Fields(0).Value().toLongLong();
    rs.Close();
    rs.Open("SELECT COUNT(*) FROM LOCKS", cn);
    const long long locks = rs.Fields(0).Value().toLongLong();

    Bench::Title("mail_bench: a mailing of " + std::to_string(count) +
                 " e-mails (merged RTF letter attached, activity row under the table lock)");
    Bench::Figure("SMTP component alone", Rate(count, component), "the same messages, no database");
    Bench::Figure("protocol's floor", Rate(count, protocol),
                  "component + lock row commit + row and release commit, engine's C API");
    Bench::Figure("mailing run", Rate(count, run) + " = " + Bench::Ratio(run / protocol) + " floor", "goal <= 1.50x");
    Bench::Figure("mailing run against main", Bench::Ratio(count / run / kTodayBest) + " main's best",
                  "main: 83-86 messages/s; goal >= 5.00x");
    std::printf("  received by the server: %d of %d; report lines failed: %d; activity rows: %lld; locks left: %lld\n",
                received, expected, failed, rows, locks);
    return received == expected && failed == 0 && rows == count && locks == 0 ? 0 : 1;
}
