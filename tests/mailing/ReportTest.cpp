// The mailing report's rows and its send log, and the activity rows of
// successful sends under the CONTATTI lock.
#include "MailingDb.h"

#include "Locks.h"
#include "frmLocked.h"
#include "frmMailing.h"
#include "ListView.h"
#include "frmReport.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include "FileSizeLimit.h"
#include <QHeaderView>
#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QLineEdit>

namespace {

class Report : public MailingDb {
protected:
    void SetUp() override {
        MailingDb::SetUp();
        cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME,AZIENDA) VALUES (1,'Rossi','Anna','Ferramenta Rossi')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME) VALUES (2,'Verdi','Luca')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,AZIENDA) VALUES (3,'Officina Bassi')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME) VALUES (NULL,'Senza')");
    }
    void Add(const QString& where, const QString& channel, const QString& error) {
        ADODB::Recordset rs;
        rs.Open("SELECT * FROM ANAGRAFICA WHERE " + where, cn, ADODB::adOpenForwardOnly, ADODB::adLockOptimistic);
        Platform::DefaultInstance<frmReport>().AddReport(rs, channel, error);
    }
    // The log's lines without their time stamps.
    QStringList Log() const {
        QFile f(work + "/LogInvio.log");
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts))
            lines << (line.startsWith('-') ? line : line.mid(22));
        return lines;
    }
};

const QString kSeparator(79, '-');

}  // namespace

TEST_F(Report, RowsIconsAndLogLines) {
    Add("ID=1", "e-mail", "");
    Add("ID=2", "SMS", "invio SMS non riuscito: Sending to 3931 failed");
    Add("ID=3", "etichetta", "   ");
    Add("ID IS NULL", "posta", "");
    auto& r = Platform::DefaultInstance<frmReport>();
    EXPECT_EQ(r.windowTitle(), " Report di invio mailing");
    EXPECT_EQ(Texts(*r.LV), QStringList({"1", "2", "3", "0"}));
    EXPECT_EQ(Texts(*r.LV, 1), QStringList({"Rossi Anna Ferramenta Rossi", "Verdi Luca", "Officina Bassi", "Senza"}));
    EXPECT_EQ(Texts(*r.LV, 2), QStringList({"e-mail", "SMS", "etichetta", "posta"}));
    EXPECT_EQ(Texts(*r.LV, 3).at(1), "invio SMS non riuscito: Sending to 3931 failed");
    EXPECT_EQ(frmReport::SmallIcon(1, *r.LV), 1);
    EXPECT_EQ(frmReport::SmallIcon(2, *r.LV), 2);
    EXPECT_EQ(frmReport::SmallIcon(3, *r.LV), 2);
    EXPECT_EQ(Log(), QStringList({"", kSeparator, "           INIZIO NUOVO INVIO", kSeparator, "",
                                  "e-mail (Rossi Anna) - Inviato",
                                  "SMS (Verdi Luca) - invio SMS non riuscito: Sending to 3931 failed",
                                  "etichetta () - Inviato", "posta (Senza) - Inviato"}));
    // A new load of the window starts a new section of the log.
    r.Unload();
    Add("ID=2", "fax", "");
    EXPECT_EQ(Log().mid(9), QStringList({"", kSeparator, "           INIZIO NUOVO INVIO", kSeparator, "",
                                         "fax (Verdi Luca) - Inviato"}));
    EXPECT_EQ(Platform::DefaultInstance<frmReport>().LV->ItemCount(), 1);
}

// The send log is UTF-8, each line ended by CR LF as the office's tools have
// always read it.
TEST_F(Report, TheLogIsWrittenInUtf8WithCrLf) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME) VALUES (5,'D''Alò','Lucía')");
    Add("ID=5", "posta", "");
    QFile f(work + "/LogInvio.log");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray log = f.readAll();
    EXPECT_TRUE(log.endsWith(QString::fromUtf8(" - posta (D'Alò Lucía) - Inviato\r\n").toUtf8())) << log.constData();
    EXPECT_EQ(log.count("\r\n"), log.count('\n'));
    EXPECT_EQ(log.count("\r\n"), log.count('\r'));
}

// A log that cannot be written (a full disk) is told once in the list, and
// the run's lines go on.
TEST_F(Report, ALogThatCannotBeWrittenIsToldOnce) {
    Add("ID=1", "e-mail", "");
    const QString path = work + "/LogInvio.log";
    {
        TestKit::FileSizeLimit full(rlim_t(QFileInfo(path).size() + 150));
        for (int i = 0; i < 20; ++i) Add("ID=2", "SMS", "");
    }
    auto& r = Platform::DefaultInstance<frmReport>();
    ASSERT_EQ(r.LV->ItemCount(), 22);
    const QStringList messages = Texts(*r.LV, 3);
    EXPECT_EQ(messages.filter("impossibile scrivere").size(), 1);
    const int told = int(messages.indexOf(QRegularExpression("^impossibile scrivere.*")));
    ASSERT_GT(told, 1);
    EXPECT_EQ(messages[told], "impossibile scrivere il log di invio " + path +
                                  ": Disco pieno; le righe che mancano sono solo in questo elenco");
    EXPECT_EQ(Texts(*r.LV, 2)[told], "log");
    EXPECT_EQ(Texts(*r.LV).count("2"), 20);
    EXPECT_EQ(frmReport::SmallIcon(told + 1, *r.LV), 2);
    // Written again once there is room.
    Add("ID=3", "fax", "");
    EXPECT_EQ(Log().last(), "fax () - Inviato");
}

TEST_F(Report, EachLineIsPaintedAloneAndTheListShowsWhatAWholePaintWould) {
    auto& r = Platform::DefaultInstance<frmReport>();
    r.Show(Platform::vbModeless);
    Add("ID=1", "e-mail", "");
    // Paints of the list and its header from here on: one per line, of a line.
    struct Paints : QObject {
        QList<QRect> list;
        int header = 0;
        QWidget* view = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                if (watched == view) list << static_cast<QPaintEvent*>(event)->region().boundingRect();
                else ++header;
            }
            return false;
        }
    } paints;
    paints.view = r.LV->viewport();
    auto watch = [&](int lines) {
        paints.list.clear();
        paints.header = 0;
        r.LV->viewport()->installEventFilter(&paints);
        r.LV->header()->viewport()->installEventFilter(&paints);
        for (int i = 0; i < lines; ++i)
            Add(QString("ID=%1").arg(1 + i % 3), i % 2 ? "fax" : "SMS", i % 5 ? "" : "linea occupata");
        r.LV->viewport()->removeEventFilter(&paints);
        r.LV->header()->viewport()->removeEventFilter(&paints);
        EXPECT_EQ(paints.list.size(), lines);
        EXPECT_EQ(paints.header, 0);
        const int line = r.LV->visualRect(r.LV->model()->index(0, 0)).height();
        for (int i = 0; i < paints.list.size(); ++i) EXPECT_LE(paints.list[i].height(), 2 * line) << i;
    };
    // Lines below the last, then, past the scroll bar's coming, lines the list scrolls to.
    watch(10);
    for (int i = 0; i < 20; ++i) Add("ID=2", "SMS", "");
    watch(40);
    // What is on the screen is what painting the whole window shows.
    const QImage shown = r.screen()->grabWindow(r.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = r.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, whole);
    EXPECT_EQ(r.LV->verticalScrollBar()->value(), r.LV->verticalScrollBar()->maximum());
}

namespace {

class Activity : public Report {
protected:
    frmMailing& Open() {
        form = std::make_unique<frmMailing>();
        form->Load();
        return *form;
    }
    void Record(int id, const QString& type, const QString& channel) {
        ADODB::Recordset rs;
        rs.Open("SELECT * FROM ANAGRAFICA WHERE ID=" + QString::number(id), cn, ADODB::adOpenForwardOnly, ADODB::adLockOptimistic);
        form->RegistraInvio(rs, type, channel);
    }
    std::unique_ptr<frmMailing> form;
};

}  // namespace

TEST_F(Activity, OneRowPerSendNumberedPerUser) {
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,TIPOCONT) VALUES (7,'ALTRO',1,'T')");
    env.SetClock(QDateTime(QDate(2025, 3, 14), QTime(9, 41, 27)));
    auto& f = Open();
    f.txSubject->setText("Novità dell'anno");
    f.txNomeFile->setText("/documenti/l'offerta.rtf");
    EXPECT_EQ(f.NuovaIDCONT(), 1);
    Record(1, "E", "e-mail");
    Record(2, "M", "SMS");
    f.txNomeFile->clear();
    Record(3, "P", "posta");
    ADODB::Recordset rs;
    rs.Open("SELECT * FROM CONTATTI WHERE UTENTE='ADMIN' ORDER BY IDCONT", cn);
    QStringList rows;
    while (!rs.EOF_()) {
        rows << QStringList{rs["IDCONT"].toString(), rs["IDANA"].toString(), rs["TIPOCONT"].toString(),
                            rs["DESCRIZIONE"].toString(), rs["NOTE"].toString(), rs["LUOGO"].toString()}
                    .join('|');
        EXPECT_EQ(rs["DATA"].toDateTime(), QDateTime(QDate(2025, 3, 14), QTime(9, 41)));
        EXPECT_EQ(rs["DATAFINE"].toDateTime(), QDateTime(QDate(2025, 3, 14), QTime(9, 41)));
        EXPECT_EQ(rs["U_MOD"].toDateTime(), QDateTime(QDate(2025, 3, 14), QTime(9, 41, 27)));
        EXPECT_EQ(rs["DATAAVVISO"].toDouble(), 0);
        rs.MoveNext();
    }
    EXPECT_EQ(rows, QStringList({"1|1|E|Novità dell'anno|inviato: /documenti/l'offerta.rtf|",
                                 "2|2|M|Novità dell'anno|inviato: /documenti/l'offerta.rtf|",
                                 "3|3|P|Novità dell'anno|inviato: |"}));
    EXPECT_EQ(f.NuovaIDCONT(), 4);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    auto& r = Platform::DefaultInstance<frmReport>();
    EXPECT_EQ(Texts(*r.LV, 2), QStringList({"e-mail", "SMS", "posta"}));
    EXPECT_EQ(Texts(*r.LV, 3), QStringList({"", "", ""}));
}

TEST_F(Activity, ASendThatCannotBeRecordedIsStillReported) {
    auto& f = Open();
    // Another workstation holds CONTATTI and the user gives up waiting.
    cn.Execute("INSERT INTO LOCKS (COMPUTER,TABELLA,U_MOD) VALUES ('ALTRA','CONTATTI',?)", {Platform::Now()});
    const int limit = frmLocked::WaitLimitSeconds;
    frmLocked::WaitLimitSeconds = 0;
    Record(1, "F", "fax");
    frmLocked::WaitLimitSeconds = limit;
    cn.Execute("DELETE FROM LOCKS");
    // A write the database refuses still releases the lock.
    f.txSubject->setText(QString(300, 'x'));
    Record(2, "E", "e-mail");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    auto& r = Platform::DefaultInstance<frmReport>();
    ASSERT_EQ(r.LV->ItemCount(), 2);
    EXPECT_EQ(r.LV->Item(1).SubItem(3),
              "inviato, ma non registrato tra le attività: l'archivio delle attività è bloccato da un'altra postazione");
    EXPECT_TRUE(r.LV->Item(2).SubItem(3).startsWith("inviato, ma non registrato tra le attività: "));
    EXPECT_EQ(frmReport::SmallIcon(2, *r.LV), 2);
}

TEST_F(Activity, TheUserIsAValueAndNoRowIsNumberedZero) {
    Global::gCurrentUser = "D'Amico";
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,TIPOCONT) VALUES (4,'D''Amico',1,'T')");
    auto& f = Open();
    EXPECT_EQ(f.NuovaIDCONT(), 5);
    Record(1, "M", "SMS");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=5 AND UTENTE='D''Amico' AND TIPOCONT='M'"), 1);
    // A number that cannot be a row's: the send is reported, nothing is written.
    Global::gCurrentUser = "Nuovo";
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,TIPOCONT) VALUES (-1,'Nuovo',1,'T')");
    Record(2, "E", "e-mail");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=0"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    auto& r = Platform::DefaultInstance<frmReport>();
    ASSERT_EQ(r.LV->ItemCount(), 2);
    EXPECT_EQ(r.LV->Item(1).SubItem(3), "");
    EXPECT_EQ(r.LV->Item(2).SubItem(3), "inviato, ma non registrato tra le attività: numero di attività non disponibile");
}
