// A mailing of 10,000 e-mails (not a test): every recipient of the list gets
// a message with the subject personalised and this recipient's copy of an RTF
// letter attached, sent to a real SMTP server on 127.0.0.1 and recorded as an
// activity under the table lock. Prints the messages per second of the whole
// run, and beside it those of the SMTP component alone sending the same
// number of messages.
#include "ADODB.h"
#include "Global.h"
#include "ListView.h"
#include "Runtime.h"
#include "Schema.h"
#include "SMTP.h"
#include "Settings.h"
#include "frmMailing.h"
#include "frmReport.h"
#include "smtp/SmtpSink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform remarks on every raise of the lock window.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains("does not support")) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString(argv[1]).toInt() : 10000;
    if (!SmtpSink::Available()) {
        std::printf("aiosmtpd is not installed (python3-aiosmtpd)\n");
        return 1;
    }
    QTemporaryDir dir;
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
                       {i, "Mario", QString("Rossi%1").arg(i), "Sig.", QString("cliente%1@example.com").arg(i),
                        QStringLiteral("Forlì")});
        cn.CommitTrans();
    }
    const QString letter = dir.path() + "/lettera.rtf";
    {
        QFile f(letter);
        f.open(QIODevice::WriteOnly);
        f.write("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Egregio ||TITOLO|| ||NOME|| {\\b ||COGNOME||},\\par"
                "le inviamo il listino aggiornato per ||CITTA||.\\par Cordiali saluti.\\par}");
    }

    SmtpSink sink;
    if (!sink.Started()) {
        std::printf("the SMTP server did not start\n");
        return 1;
    }
    auto set = [](const char* key, const QString& value) {
        Platform::SaveSetting(Platform::App::EXEName(), "eMail", key, value);
    };
    set("SMPTServer", sink.Server());
    set("Indirizzo", "ufficio@brivalto.example");
    set("NomeInMail", "Ufficio Brivalto");

    // The component alone: a new one for every message, as the channel makes them.
    QElapsedTimer componentClock;
    componentClock.start();
    for (int i = 1; i <= count; ++i) {
        Platform::SMTP sm;
        sm.Server = sink.Server();
        sm.FromAddress = "ufficio@brivalto.example";
        sm.FromName = "Ufficio Brivalto";
        sm.AddRecipient("Mario Rossi", QString("cliente%1@example.com").arg(i));
        sm.Subject = QString("Listino per Sig. Mario Rossi%1").arg(i);
        sm.Body = "Gentile cliente, in allegato il listino.";
        sm.AddAttachment(letter);
        if (sm.Send() != 0) {
            std::printf("the component failed: %s\n", qPrintable(sm.LastErrorText()));
            return 1;
        }
    }
    const double componentSeconds = componentClock.nsecsElapsed() / 1e9;
    std::printf("SMTP component alone, %d messages with the letter attached: %.1f s, %.0f messages per second\n", count,
                componentSeconds, count / componentSeconds);
    std::fflush(stdout);
    if (int(sink.Messages(count, 60000).size()) != count) return 1;

    frmMailing form;
    form.Load();
    for (int i = 1; i <= count; ++i) form.LV->AddItem("K" + QString::number(i), QString::number(i));
    form.opTipoInvio[1]->setChecked(true);
    form.opTipoMail[1]->setChecked(true);
    form.txNomeFile->setText(letter);
    form.txSubject->setText("Listino per $TITOLO$ $NOME$ $COGNOME$");
    form.txText->setPlainText("Gentile cliente, in allegato il listino.");

    QElapsedTimer clock;
    clock.start();
    form.cmdGo_Click();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const int received = int(sink.Messages(2 * count, 60000).size()) - count;
    const auto& report = *Platform::DefaultInstance<frmReport>().LV;
    int failed = 0;
    for (int i = 1; i <= report.ItemCount(); ++i) failed += !report.Item(i).SubItem(3).isEmpty();
    ADODB::Connection cn;
    cn.Open(Global::gConnString);
    ADODB::Recordset rs;
    rs.Open("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='E'", cn);
    std::printf("mailing of %d e-mails with a merged RTF letter attached: %.1f s, %.0f messages per second\n", count,
                seconds, count / seconds);
    std::printf("received by the server: %d; failed: %d; activity rows: %lld\n", received, failed,
                rs.Fields(0).Value().toLongLong());
    return received == count && failed == 0 ? 0 : 1;
}
