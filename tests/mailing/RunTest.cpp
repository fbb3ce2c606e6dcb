// The mailing run: the checks before it, the channel of every recipient in
// each of the eight send modes over 200 recipients, with the e-mail and fax
// channels replaced at their boundary and SMS going to a local gateway.
#include "MailingDb.h"
#include "Registry1000.h"

#include "Locks.h"
#include "MultiButton.h"
#include "Settings.h"
#include "TestHttpServer.h"
#include "frmLocked.h"
#include "frmMailing.h"
#include "frmReport.h"
#include "fax/FakeSendfax.h"
#include "smtp/SmtpSink.h"

#include <qvxSMS2/qvxSMS2.h>

#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QUrl>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <map>

namespace {

// E-mail and fax stand in at the window's boundary: every tenth e-mail and
// every ninth fax is refused, the others are recorded as sent.
class FakeChannels : public frmMailing {
public:
    void SendMail(ADODB::Recordset& rs) override {
        const int id = rs["ID"].toInt();
        mails << id;
        if (during) during(id);
        if (id % 10 == 0) AddReport(rs, "e-mail", "invio e-mail non riuscito: 550 casella inesistente");
        else RegistraInvio(rs, "E", "e-mail");
    }
    void SendFax(ADODB::Recordset& rs) override {
        const int id = rs["ID"].toInt();
        faxes << id;
        if (id % 9 == 0) AddReport(rs, "fax", "invio fax non riuscito: linea occupata");
        else RegistraInvio(rs, "F", "fax");
    }
    QList<int> mails, faxes;
    std::function<void(int)> during;
};

struct Outcome {
    QString word;
    bool ok = false;
    QString type;  // the activity row's type, "" for none
    bool operator==(const Outcome& o) const { return word == o.word && ok == o.ok && type == o.type; }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << o.word.toStdString() << (o.ok ? " ok " : " failed ") << o.type.toStdString();
}

// What each recipient should get, from its data alone; with the stand-ins
// of FakeChannels some e-mails and faxes are refused.
Outcome Expected(const Person& p, int mode, bool refusals = true) {
    const bool mail = !p.email.isEmpty(), fax = !p.fax.isEmpty(), mobile = !p.cellulare.isEmpty();
    const bool letter = !p.cognome.isEmpty() && !p.indirizzo.isEmpty() && !p.citta.isEmpty();
    const bool mailOk = !refusals || p.id % 10 != 0, faxOk = !refusals || p.id % 9 != 0;
    const Outcome email{"e-mail", mailOk, mailOk ? "E" : ""};
    const Outcome facsimile{"fax", faxOk, faxOk ? "F" : ""};
    const Outcome sms{"SMS", !p.cellulare.endsWith('1'), p.cellulare.endsWith('1') ? "" : "M"};
    const Outcome post{"posta", true, "P"};
    switch (mode) {
    case 0: return mail ? email : fax ? facsimile : letter ? post : Outcome{"qualunque", false, ""};
    case 1: return mail ? email : Outcome{"e-mail", false, ""};
    case 2: return fax ? facsimile : Outcome{"fax", false, ""};
    case 3: return letter ? post : Outcome{"lettera", false, ""};
    case 4: return {"etichetta", true, ""};
    case 5: return mobile ? sms : mail ? email : Outcome{"e-mail", false, ""};
    case 6: return mail ? email : mobile ? sms : Outcome{"SMS", false, ""};
    default: return mobile ? sms : Outcome{"SMS", false, ""};
    }
}

// What every run here stands on: 200 records, the sender's settings, a
// letter, and the first SMS gateway on 127.0.0.1, which accepts every
// number but those ending in 1.
class RunDb : public MailingDb {
protected:
    void SetUp() override {
        MailingDb::SetUp();
        ASSERT_TRUE(gateway.Start());
        gateway.SetHandler([](const TestHttp::Request& request) {
            const QRegularExpressionMatch m = QRegularExpression("msisdn=\"(\\d+)\"").match(QString::fromUtf8(request.body));
            const QByteArray number = m.captured(1).toUtf8();
            const QByteArray item = number.endsWith('1') ? "<KO REASON=\"3\" MSISDN=\"" + number + "\"/>"
                                                         : "<OK ORDERID=\"1\" MSISDN=\"" + number + "\"/>";
            return TestHttp::Response::Text("<?xml version=\"1.0\"?><GEOSMS><REPORT>" + item +
                                                "</REPORT><USER CREDIT=\"900\"/></GEOSMS>",
                                            200, "text/xml");
        });
        qputenv("QVXSMS2_GATEWAY1_URL", gateway.Url().toUtf8());
        Global::gSmsProvider = 1;
        const QString app = Platform::App::EXEName();
        Platform::SaveSetting(app, "SMS", "USER", "ufficio");
        Platform::SaveSetting(app, "SMS", "PASSWORD", "segreta");
        Platform::SaveSetting(app, "SMS", "Mittente", "BRIVALTO");
        Platform::SaveSetting(app, "eMail", "SMPTServer", "127.0.0.1");
        Platform::SaveSetting(app, "eMail", "Indirizzo", "ufficio@example.it");
        Platform::SaveSetting(app, "eMail", "NomeInMail", "Ufficio");
        Platform::SaveSetting(app, "DATIINDIRIZZO", "TIPO", "E");
        people = MakeRegistry(200);
        Store(cn, people);
        letter = env.Root() + "/lettera.rtf";
        QFile::copy(QStringLiteral(MAILING_TEST_DATA "/lettera_word.rtf"), letter);
    }
    void TearDown() override {
        qunsetenv("QVXSMS2_GATEWAY1_URL");
        MailingDb::TearDown();
    }
    // The window loaded with the mailing's document and texts.
    void Fill(frmMailing& f) {
        f.Load();
        f.txNomeFile->setText(letter);
        f.txSubject->setText("Novità di primavera");
        f.txMessaggio->setPlainText("NOVITA DI PRIMAVERA IN NEGOZIO");
        f.txOggettoEmail->setText("Novità");
    }
    std::map<int, Outcome> Reported() const {
        std::map<int, Outcome> lines;
        auto& r = Platform::DefaultInstance<frmReport>();
        for (int i = 1; i <= r.LV->ItemCount(); ++i) {
            const auto item = r.LV->Item(i);
            lines[item.Text().toInt()] = {item.SubItem(2), item.SubItem(3).isEmpty(), QString()};
        }
        return lines;
    }
    QStringList LogLines() const {
        QFile f(work + "/LogInvio.log");
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        return lines.mid(5);
    }
    // One report line and one log line per recipient, each with the channel
    // its data chose, and one activity row of that channel's type per success.
    void CheckOutcomes(int mode, bool refusals) {
        auto& report = Platform::DefaultInstance<frmReport>();
        EXPECT_EQ(report.windowTitle(), "Report invio mailing concluso");
        const std::map<int, Outcome> reported = Reported();
        ASSERT_EQ(report.LV->ItemCount(), 200);
        std::map<QString, int> rows;
        for (const Person& p : people) {
            const Outcome expected = Expected(p, mode, refusals);
            Outcome got = reported.at(p.id);
            got.type = expected.type;
            EXPECT_EQ(got, expected) << "record " << p.id;
            if (!expected.type.isEmpty()) ++rows[expected.type];
        }
        for (const char* type : {"E", "F", "P", "M"})
            EXPECT_EQ(Rows(QString("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='%1' AND UTENTE='ADMIN'").arg(type)),
                      rows[type])
                << type;
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), rows["E"] + rows["F"] + rows["P"] + rows["M"]);
        EXPECT_EQ(Rows("SELECT MAX(IDCONT) FROM CONTATTI"), Rows("SELECT COUNT(*) FROM CONTATTI"));
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
        const QStringList log = LogLines();
        ASSERT_EQ(log.size(), 200);
        for (const QString& line : log)
            EXPECT_TRUE(line.contains(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d - \\S+ \\(.*\\) - ")));
        EXPECT_EQ(log.filter(" - Inviato").size(), int(std::count_if(reported.begin(), reported.end(),
                                                                         [](const auto& r) { return r.second.ok; })));
        // Letters and labels went to the printer.
        if (mode == 0 || mode == 3) EXPECT_EQ(Platform::Printer().PrintedFiles().size(), rows["P"]);
        if (mode == 4) EXPECT_EQ(Platform::Printer().PrintedFiles().size(), 1);
    }
    // The recipients a mode sends through a channel ("e-mail", "fax", "SMS").
    QList<int> Through(const QString& word, int mode) const {
        QList<int> ids;
        for (const Person& p : people) {
            const Outcome o = Expected(p, mode);
            const bool data = word == "e-mail" ? !p.email.isEmpty() : word == "fax" ? !p.fax.isEmpty() : !p.cellulare.isEmpty();
            if (o.word == word && data) ids << p.id;
        }
        return ids;
    }
    TestHttp::Server gateway;
    std::vector<Person> people;
    QString letter;
};

class Run : public RunDb {
protected:
    void SetUp() override {
        RunDb::SetUp();
        form = std::make_unique<FakeChannels>();
        Fill(*form);
    }
    void TearDown() override {
        form.reset();
        RunDb::TearDown();
    }
    void AddAll() {
        form->cmdAdd_Click();
        ASSERT_EQ(form->LV->ItemCount(), int(people.size()));
    }
    std::unique_ptr<FakeChannels> form;
};

class EveryMode : public Run, public ::testing::WithParamInterface<int> {};

}  // namespace

TEST_P(EveryMode, TheRightChannelForEveryRecipient) {
    const int mode = GetParam();
    AddAll();
    form->opTipoInvio[size_t(mode)]->setChecked(true);
    form->cmdGo_Click();
    EXPECT_TRUE(env.Prompts().isEmpty()) << env.Prompts().join('\n').toStdString();
    CheckOutcomes(mode, true);
    auto sorted = [](QList<int> ids) {
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    EXPECT_EQ(sorted(form->mails), sorted(Through("e-mail", mode)));
    EXPECT_EQ(sorted(form->faxes), sorted(Through("fax", mode)));
    EXPECT_EQ(gateway.Requests().size(), Through("SMS", mode).size());
    if (mode == 5 || mode == 6 || mode == 7) {
        const auto failed = std::find_if(people.begin(), people.end(), [&](const Person& p) {
            return Expected(p, mode).word == "SMS" && !Expected(p, mode).ok && !p.cellulare.isEmpty();
        });
        ASSERT_NE(failed, people.end());
        auto& report = Platform::DefaultInstance<frmReport>();
        bool found = false;
        for (int i = 1; i <= report.LV->ItemCount(); ++i)
            if (report.LV->Item(i).Text().toInt() == failed->id) {
                EXPECT_EQ(report.LV->Item(i).SubItem(3), "invio SMS non riuscito: Sending to " + failed->cellulare + " failed");
                found = true;
            }
        EXPECT_TRUE(found);
    }
}

INSTANTIATE_TEST_SUITE_P(Mailing, EveryMode, ::testing::Range(0, 8));

TEST_F(Run, TheChecksBeforeTheRunInTheirOrder) {
    auto prompts = [&] {
        const QStringList p = env.Prompts();
        env.ClearBoxes();
        return p;
    };
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList({"Non sono state selezionate schede anagrafiche cui inviare"}));
    form->txID->setText("1");
    form->cmdAdd_Click();
    form->txNomeFile->clear();
    form->txSubject->clear();
    form->cmdGo_Click();  // mode 0, no document: asked, and No ends it
    EXPECT_EQ(prompts(), QStringList({"Non è stato specificato alcun file. Nel caso di invio postale non sarà stampato "
                                      "niente, e nessun fax sarà inviato. Nel caso di e-mail saranno inviati solo "
                                      "oggetto e note. Confermi ugualmente?"}));
    EXPECT_EQ(env.Boxes().size(), 0);
    env.AnswerNext(Platform::vbYes);
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList({"Non è stato specificato alcun file. Nel caso di invio postale non sarà stampato "
                                      "niente, e nessun fax sarà inviato. Nel caso di e-mail saranno inviati solo "
                                      "oggetto e note. Confermi ugualmente?",
                                      "L'oggetto è indispensabile per l'invio di fax con copertina ed e-mail"}));
    // Mode 1 with the HTML body and no document asks nothing of the document.
    form->opTipoInvio[1]->setChecked(true);
    form->opTipoMail[0]->setChecked(true);
    form->txSubject->setText("Oggetto");
    form->txText->clear();
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList({"Manca il campo nota, che è consigliabile per l'invio di fax con copertina ed "
                                      "e-mail. Confermi ugualmente l'invio?"}));
    // Mode 2 without a cover page needs neither subject nor note.
    form->opTipoInvio[2]->setChecked(true);
    form->ckNoCoverPage->setChecked(true);
    form->txSubject->clear();
    form->txNomeFile->setText(env.Root() + "/sparita.rtf");
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList({"File inesistente o percorso non completo"}));
    form->txNomeFile->setText(letter);
    form->opTipoInvio[5]->setChecked(true);
    form->txSubject->setText("Oggetto");
    form->txText->setPlainText("Nota");
    form->txMessaggio->setPlainText("   ");
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList({"Il testo del messaggio non può essere vuoto e deve essere inferiore a 160 caratteri"}));
    form->txMessaggio->setPlainText("CIAO");
    form->txOggettoEmail->setText(" ");
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList({"L'oggetto del messaggio non può essere vuoto per l'eventuale invio di e-mail"}));
    form->opTipoInvio[1]->setChecked(true);
    Platform::SaveSetting(Platform::App::EXEName(), "eMail", "NomeInMail", " ");
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList({"Mancano dati essenziali per l'invio di e-mail del mittente. Impostarli da "
                                      "configurazione."}));
    EXPECT_FALSE(Platform::IsDefaultInstanceLoaded<frmReport>());
    // Letters and labels need neither subject nor note; labels need no document.
    form->opTipoInvio[3]->setChecked(true);
    form->txSubject->clear();
    form->txText->clear();
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList());
    form->opTipoInvio[4]->setChecked(true);
    form->txNomeFile->setText(env.Root() + "/sparita.rtf");
    form->cmdGo_Click();
    EXPECT_EQ(prompts(), QStringList());
    EXPECT_EQ(Platform::DefaultInstance<frmReport>().LV->ItemCount(), 2);
}

TEST_F(Run, DuringTheRunTheWindowAndTheListStayAsTheyAre) {
    AddAll();
    form->opTipoInvio[1]->setChecked(true);
    bool tried = false;
    form->during = [&](int) {
        if (tried) return;
        tried = true;
        EXPECT_EQ(Platform::DefaultInstance<frmReport>().windowTitle(), "Report invio mailing   *** INVIO IN CORSO ***");
        EXPECT_FALSE(form->Unload());
        // The report of the run stays open too.
        EXPECT_FALSE(Platform::DefaultInstance<frmReport>().close());
        EXPECT_FALSE(form->cmdGo->isEnabled());
        EXPECT_FALSE(form->cmdEsci->isEnabled());
        // Nor can what is being sent change under the run.
        for (QWidget* input : std::initializer_list<QWidget*>{form->txNomeFile, form->txSubject, form->txText,
                                                              form->opTipoInvio[0], form->txMessaggio, form->cmdBrowse,
                                                              form->cmdHTML, form->ckCAP, form->cmdExport})
            EXPECT_FALSE(input->isEnabled()) << input->objectName().toStdString();
        form->cmdVuotaLista_Click();
        form->cmdRemove_Click();
        form->cmdAdd_Click();
        form->cmdGo_Click();
        EXPECT_EQ(form->LV->ItemCount(), 200);
        // Even a list changed behind the window's back does not change the run.
        form->LV->RemoveItem(form->LV->ItemCount());
    };
    form->cmdGo_Click();
    EXPECT_TRUE(tried);
    EXPECT_EQ(Platform::DefaultInstance<frmReport>().LV->ItemCount(), 200);
    EXPECT_EQ(form->mails.size(), int(std::count_if(people.begin(), people.end(), [](const Person& p) { return !p.email.isEmpty(); })));
    EXPECT_TRUE(form->cmdGo->isEnabled());
    EXPECT_TRUE(form->txSubject->isEnabled());
    EXPECT_TRUE(form->ckCAP->isEnabled());
    EXPECT_TRUE(Platform::DefaultInstance<frmReport>().close());
    EXPECT_TRUE(form->Unload());
}

TEST_F(Run, AnotherWorkstationSeesTheLockWhileTheRunWritesEachRow) {
    // The other workstation, a process of its own, looks at the shared lock
    // table when asked and says whose CONTATTI lock it finds.
    QProcess other;
    other.start("/usr/bin/python3",
                {"-c",
                 "import sqlite3,sys\n"
                 "c=sqlite3.connect(sys.argv[1],isolation_level=None,timeout=5)\n"
                 "c.create_collation('JETNOCASE',lambda a,b:(a.lower()>b.lower())-(a.lower()<b.lower()))\n"
                 "for line in sys.stdin:\n"
                 "  held=[r[0] for r in c.execute(\"SELECT COMPUTER FROM LOCKS WHERE TABELLA='CONTATTI' AND COMPUTER<>'ALTRA'\")]\n"
                 "  print(','.join(held) or 'libero',flush=True)\n",
                 env.DatabaseFile()});
    ASSERT_TRUE(other.waitForStarted(30000));
    auto look = [&] {
        other.write("?\n");
        while (!other.canReadLine())
            if (!other.waitForReadyRead(30000)) return QString("(nessuna risposta)");
        return QString::fromUtf8(other.readLine()).trimmed();
    };
    // Asked once the run holds the lock for a recipient and goes on to write its row.
    QStringList seen;
    struct LockTaken : QObject {
        std::function<void()> then;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Hide) then();
            return false;
        }
    } taken;
    taken.then = [&] { seen << look(); };
    auto& wait = Platform::DefaultInstance<frmLocked>();
    wait.installEventFilter(&taken);
    AddAll();
    form->opTipoInvio[1]->setChecked(true);
    form->cmdGo_Click();
    wait.removeEventFilter(&taken);
    const int recorded = Rows("SELECT COUNT(*) FROM CONTATTI");
    ASSERT_GT(recorded, 0);
    EXPECT_EQ(seen, QStringList(recorded, Locks::GetComputerNameUpper()));
    EXPECT_EQ(look(), "libero");
    other.closeWriteChannel();
    other.waitForFinished(30000);
}

TEST_F(Run, RecordsThatAreGoneAndSmsErrorsRaisedInTheRun) {
    form->txCAP->setText("40121");
    form->cmdAdd_Click();
    const int listed = form->LV->ItemCount();
    cn.Execute("DELETE FROM ANAGRAFICA WHERE ID=5");
    // Without the SMS control every SMS is that recipient's failure.
    Tessivo::_qvxSMS2* control = form->qvxSMS;
    form->qvxSMS = nullptr;
    form->opTipoInvio[7]->setChecked(true);
    form->cmdGo_Click();
    form->qvxSMS = control;
    auto& report = Platform::DefaultInstance<frmReport>();
    EXPECT_EQ(report.LV->ItemCount(), listed - 1);
    for (int i = 1; i <= report.LV->ItemCount(); ++i) {
        EXPECT_NE(report.LV->Item(i).Text(), "5");
        EXPECT_TRUE(report.LV->Item(i).SubItem(3).startsWith("invio SMS non riuscito: ")) << i;
    }
    EXPECT_EQ(report.windowTitle(), "Report invio mailing concluso");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

// An SMS control that cannot be loaded is told in Italian; the loader's own
// words go to the send log only.
TEST_F(Run, AnSmsControlThatCannotBeLoadedIsToldInItalian) {
    Platform::App::SetPath(env.Root() + "/senza-sms");
    FakeChannels f;
    Fill(f);
    ASSERT_EQ(f.qvxSMS, nullptr);
    const auto mobile = std::find_if(people.begin(), people.end(), [](const Person& p) { return !p.cellulare.isEmpty(); });
    ASSERT_NE(mobile, people.end());
    f.txID->setText(QString::number(mobile->id));
    f.cmdAdd_Click();
    f.opTipoInvio[7]->setChecked(true);
    f.cmdGo_Click();
    const QString absent =
        "invio SMS non riuscito: il componente per l'invio di SMS (libqvxSMS2.so) manca o non si carica";
    EXPECT_EQ(Texts(*Platform::DefaultInstance<frmReport>().LV, 3), QStringList({absent}));
    const QStringList log = LogLines();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains(absent + " (Cannot load library ")) << log[0].toStdString();
}

TEST_F(Run, AnSmsGatewayThatIsDownIsToldInTheUsersWords) {
    form->txCAP->setText("40121");
    form->cmdAdd_Click();
    const QUrl url(gateway.Url());
    gateway.Stop();
    form->opTipoInvio[7]->setChecked(true);
    form->cmdGo_Click();
    auto& report = Platform::DefaultInstance<frmReport>();
    ASSERT_GT(report.LV->ItemCount(), 0);
    const QString down = QStringLiteral("invio SMS non riuscito: impossibile collegarsi al gateway SMS %1:%2")
                             .arg(url.host())
                             .arg(url.port());
    int told = 0;
    for (int i = 1; i <= report.LV->ItemCount(); ++i) told += report.LV->Item(i).SubItem(3) == down;
    EXPECT_GT(told, 0);
    // The network library's own words are in the SMS log, not in the report or the send log.
    QFile sms(work + "/SMS.log");
    ASSERT_TRUE(sms.open(QIODevice::ReadOnly));
    EXPECT_TRUE(sms.readAll().contains("Couldn't connect"));
    EXPECT_FALSE(LogLines().join('\n').contains("onnect"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

namespace {

// An SMS control whose every use raises an error.
class RaisingSms : public Tessivo::_qvxSMS2 {
public:
    [[noreturn]] static void Raise() { throw Tessivo::ComError(91, "Variabile oggetto non impostata"); }
    bool Send() override { Raise(); }
    QString Base64Encode(const QString&) override { return {}; }
    QVariant MyASC(const QVariant&) override { return {}; }
    bool EventLog() const override { return false; }
    void setEventLog(bool) override {}
    Tessivo::ProviderType Provider() const override { return Tessivo::prvGeodrop; }
    void setProvider(Tessivo::ProviderType) override {}
    QString Sender() const override { return {}; }
    void setSender(const QString&) override {}
    QString Message() const override { return {}; }
    void setMessage(const QString&) override {}
    std::shared_ptr<Tessivo::_mDestinations> Destinations() const override { Raise(); }
    void setDestinations(std::shared_ptr<Tessivo::_mDestinations>) override {}
    std::shared_ptr<Tessivo::_SendErrors> Errors() const override { Raise(); }
    void setErrors(std::shared_ptr<Tessivo::_SendErrors>) override {}
    QString UserName() const override { return {}; }
    void setUserName(const QString&) override {}
    QString Password() const override { return {}; }
    void setPassword(const QString&) override {}
    QString EventLogPath() const override { return {}; }
    void setEventLogPath(const QString&) override {}
    qint32 AccountSMSRemaining() const override { return 0; }
    void setAccountSMSRemaining(qint32) override {}
    QDateTime DeferredTime() const override { return {}; }
    void setDeferredTime(const QDateTime&) override {}
    QWidget* Widget() override { return nullptr; }
    void SetSite(Tessivo::qvxSMS2Site*) override {}
    void SetEventSink(Tessivo::__qvxSMS2*) override {}
    void InitProperties() override {}
    void ReadProperties(const QVariantMap&) override {}
    void WriteProperties(QVariantMap&) const override {}
};

}  // namespace

TEST_F(Run, AnSmsErrorRaisedIsThatRecipientsFailure) {
    AddAll();
    RaisingSms raising;
    Tessivo::_qvxSMS2* control = form->qvxSMS;
    form->qvxSMS = &raising;
    form->opTipoInvio[6]->setChecked(true);
    form->cmdGo_Click();
    form->qvxSMS = control;
    auto& report = Platform::DefaultInstance<frmReport>();
    ASSERT_EQ(report.LV->ItemCount(), 200);
    EXPECT_EQ(report.windowTitle(), "Report invio mailing concluso");
    int raised = 0;
    for (int i = 1; i <= report.LV->ItemCount(); ++i)
        raised += report.LV->Item(i).SubItem(3) == "invio SMS non riuscito: Variabile oggetto non impostata";
    EXPECT_EQ(raised, int(std::count_if(people.begin(), people.end(), [](const Person& p) {
                  return p.email.isEmpty() && !p.cellulare.isEmpty();
              })));
    EXPECT_TRUE(env.Prompts().isEmpty());
}

namespace {

// The same runs through the window's own channels: e-mail to a local SMTP
// server, faxes to a recording sendfax, SMS to the local gateway, letters
// and labels to PDF.
class RealChannels : public RunDb, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        if (!SmtpSink::Available()) GTEST_SKIP() << "aiosmtpd is not installed";
        RunDb::SetUp();
        ASSERT_TRUE(sink.Started());
        Global::gFaxTalkAvailable = false;
        Global::gFaxServerAvailable = false;
        Platform::SaveSetting(Platform::App::EXEName(), "eMail", "SMPTServer", sink.Server());
        form = std::make_unique<frmMailing>();
        Fill(*form);
        form->txSubject->setText("Novità per $NOME$ $COGNOME$");
    }
    void TearDown() override {
        form.reset();
        RunDb::TearDown();
    }
    SmtpSink sink;
    FakeSendfax sendfax;
    std::unique_ptr<frmMailing> form;
};

}  // namespace

TEST_P(RealChannels, TwoHundredRecipients) {
    const int mode = GetParam();
    form->cmdAdd_Click();
    ASSERT_EQ(form->LV->ItemCount(), 200);
    form->opTipoInvio[size_t(mode)]->setChecked(true);
    form->cmdGo_Click();
    EXPECT_TRUE(env.Prompts().isEmpty()) << env.Prompts().join('\n').toStdString();
    CheckOutcomes(mode, false);
    const int mails = int(Through("e-mail", mode).size()), faxes = int(Through("fax", mode).size());
    const QStringList received = sink.Messages(mails);
    EXPECT_EQ(received.size(), mails);
    EXPECT_EQ(sendfax.Calls().size(), faxes);
    EXPECT_EQ(gateway.Requests().size(), Through("SMS", mode).size());
    // Each message went to its recipient with the subject made for it.
    QSet<QString> subjects;
    for (const QJsonValue& message : SmtpSink::Parse(received)) {
        const QString subject = message["subject"].toString();
        EXPECT_TRUE(subject.startsWith(QString::fromUtf8("Novità per ")) && !subject.contains('$')) << subject.toStdString();
        subjects.insert(subject);
    }
    if (mails > 0) EXPECT_GT(subjects.size(), mails / 4);
}

INSTANTIATE_TEST_SUITE_P(Mailing, RealChannels, ::testing::Range(0, 8));
