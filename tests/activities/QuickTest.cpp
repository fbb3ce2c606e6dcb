// Quick entry: the acting user from the INI file, the customer type-ahead,
// the row written and the end of the program after it.
#include "ActivityDb.h"

#include "ComboBox.h"
#include "Keyboard.h"
#include "MultiButton.h"
#include "frmQuickContatto.h"

#include <QAbstractItemView>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QThread>

namespace {

class Quick : public ActivityDb {
protected:
    void SetUp() override {
        ActivityDb::SetUp();
        Global::gIniFile = env.DataPath() + "Brivalto.ini";
        const char* rows[] = {
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME,INDIRIZZO,CAP,CITTA,PROVINCIA,EMAIL,TELEFONO,"
            "CELLULARE) VALUES (10,0,'Vetri','Rossi','Anna','Via Roma 1','47121','Forlì','FC','a@b.it','0543 1',' 333 ')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME,INDIRIZZO) VALUES (11,10,'Vetrerie','Neri','Ugo',"
            "'Via Po 2')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME) VALUES (12,0,'L''Arte','Bassi','Eva')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME) VALUES (13,0,NULL,'Verdi','Gino')",
        };
        for (const char* r : rows) cn.Execute(r);
    }
    void QuickUser(const QByteArray& user) {
        QFile ini(Global::gIniFile);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Config]\r\nQUICKUSER=" + user + "\r\n");
    }
    frmQuickContatto& Open() {
        form = std::make_unique<frmQuickContatto>();
        form->Load();
        return *form;
    }
    static QStringList Items(const QComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        return items;
    }
    static void Type(frmQuickContatto& q, const QString& text) {
        q.cbClienti->lineEdit()->setText(text);
        q.cbClienti_Change();
        q.cbClienti->hidePopup();
    }
    static void Choose(frmQuickContatto& q, const QString& item) {
        q.cbClienti->SetListIndex(q.cbClienti->findText(item));
        q.cbClienti_Click();
    }
    std::unique_ptr<frmQuickContatto> form;
};

}  // namespace

TEST_F(Quick, WithoutAQuickUserTheProgramEnds) {
    auto& q = Open();
    EXPECT_EQ(env.Prompts(), QStringList{"Utente quick non impostato"});
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_TRUE(q.IsUnloaded());
}

TEST_F(Quick, TheCustomerTypeAhead) {
    QuickUser("QUICK");
    auto& q = Open();
    EXPECT_EQ(Global::gCurrentUser, "QUICK");
    EXPECT_EQ(q.windowTitle(), "inserimento rapido contatto");
    EXPECT_EQ(Items(q.cbClienti), QStringList({"Verdi Gino", "L'Arte Bassi Eva", "Vetrerie Neri Ugo", "Vetri Rossi Anna"}));
    EXPECT_EQ(q.cbClienti->ItemData(3).toInt(), 10);
    EXPECT_EQ(q.dpData->dateTime(), now);

    Type(q, "vetr");
    EXPECT_EQ(Items(q.cbClienti), QStringList({"Vetrerie Neri Ugo", "Vetri Rossi Anna"}));
    EXPECT_EQ(q.cbClienti->currentText(), "vetr");
    EXPECT_EQ(q.cbClienti->lineEdit()->cursorPosition(), 4);
    EXPECT_EQ(q.cbClienti->ListIndex(), -1);
    Type(q, "l'a");
    EXPECT_EQ(Items(q.cbClienti), QStringList{"L'Arte Bassi Eva"});
    Type(q, "verdi");  // no company: never matched by typed text
    EXPECT_TRUE(Items(q.cbClienti).isEmpty());
    Type(q, "");
    EXPECT_EQ(Items(q.cbClienti).size(), 4);
}

// Typed key by key, every letter goes into the box while the list it drops
// open offers the customers that begin with them; Escape closes the list.
// Like the main menu, the window gives Escape to no button: it never ends
// the program nor drops the description typed.
TEST_F(Quick, EveryLetterTypedStaysInTheBox) {
    QuickUser("QUICK");
    auto& q = Open();
    TestKit::OnScreen(q);
    q.cbClienti->setFocus();
    TestKit::Type("Vetr");
    EXPECT_EQ(q.cbClienti->currentText(), "Vetr");
    EXPECT_EQ(q.cbClienti->lineEdit()->cursorPosition(), 4);
    EXPECT_EQ(Items(q.cbClienti), QStringList({"Vetrerie Neri Ugo", "Vetri Rossi Anna"}));
    EXPECT_TRUE(q.cbClienti->view()->isVisible());

    TestKit::Press(Qt::Key_Escape);
    EXPECT_FALSE(q.cbClienti->view()->isVisible());
    EXPECT_EQ(env.EndCalls(), 0);

    // Typed faster than the list opens: the letters that wait meanwhile go
    // into the box too, and the list follows them.
    TestKit::Press(Qt::Key_A, Qt::ControlModifier);
    TestKit::Press(Qt::Key_Backspace);
    ASSERT_EQ(q.cbClienti->currentText(), "");
    for (const QChar c : QStringLiteral("etrer")) {
        const Qt::Key key = Qt::Key(Qt::Key_A + (c.unicode() - 'a'));
        QCoreApplication::postEvent(TestKit::Focused(), new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, c));
        QCoreApplication::postEvent(TestKit::Focused(), new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, c));
    }
    TestKit::Type("V");
    QCoreApplication::processEvents();
    EXPECT_EQ(q.cbClienti->currentText(), "Vetrer");
    EXPECT_EQ(q.cbClienti->lineEdit()->cursorPosition(), 6);
    EXPECT_EQ(Items(q.cbClienti), QStringList({"Vetrerie Neri Ugo"}));
    EXPECT_TRUE(q.cbClienti->view()->isVisible());
    TestKit::Press(Qt::Key_Escape);
    EXPECT_FALSE(q.cbClienti->view()->isVisible());
    EXPECT_EQ(env.EndCalls(), 0);
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(env.EndCalls(), 0);

    q.txDescrizione->setFocus();
    TestKit::Type("Ordine di prova");
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(env.EndCalls(), 0);
    EXPECT_TRUE(q.isVisible());
    EXPECT_EQ(q.txDescrizione->toPlainText(), "Ordine di prova");
}

TEST_F(Quick, TheChosenCustomerIsShown) {
    QuickUser("QUICK");
    auto& q = Open();
    Choose(q, "Vetri Rossi Anna");
    EXPECT_EQ(q.lbCliente->text(), "Via Roma 1 - 47121 - Forlì (FC)\ne-mail: a@b.it  tel.: 0543 1  cell.: 333  ");
    EXPECT_EQ(q.lbIdAzienda->text(), "0");
    Choose(q, "Vetrerie Neri Ugo");
    EXPECT_EQ(q.lbCliente->text(), "Via Po 2\n");
    EXPECT_EQ(q.lbIdAzienda->text(), "10");
    q.cbClienti->SetListIndex(-1);
    q.cbClienti_Click();
    EXPECT_EQ(q.lbCliente->text(), "");
    EXPECT_EQ(q.lbIdAzienda->text(), "0");
}

TEST_F(Quick, OneVisitIsSavedAndTheProgramEnds) {
    QuickUser("QUICK");
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,TIPOCONT,DATA) VALUES (4,'QUICK','T',?)", {now});
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,TIPOCONT,DATA) VALUES (9,'ALTRO','T',?)", {now});
    auto& q = Open();
    q.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"Occorre selezionare il cliente"});
    EXPECT_EQ(env.EndCalls(), 0);

    Choose(q, "Vetrerie Neri Ugo");
    q.txDescrizione->setPlainText("  ordine  ");
    q.cmdConferma_Click();
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=5 AND UTENTE='QUICK' AND UTENTEMODIFICA='QUICK' AND "
                   "IDANA=11 AND IDAZIENDA=10 AND TIPOCONT='V' AND LUOGO='Sede cliente' AND DESCRIZIONE='ordine' AND "
                   "DATA=DATAFINE AND DATAAVVISO=0 AND AVVISO1DATE IS NULL AND AVVISO1SENT=0 AND AVVISOREMOTO=''"),
              1);
    EXPECT_EQ(Value("SELECT DATA FROM CONTATTI WHERE IDCONT=5").toDateTime(), now);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

TEST_F(Quick, ACallByTheFirstEntryOfAUser) {
    QuickUser("NUOVO");
    auto& q = Open();
    Choose(q, "Vetri Rossi Anna");
    q.opTipo[1]->setChecked(true);
    q.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=1 AND UTENTE='NUOVO' AND TIPOCONT='T' AND LUOGO=''"), 1);
}

TEST_F(Quick, AFailedWriteKeepsTheProgramRunning) {
    QuickUser("QUICK");
    auto& q = Open();
    Choose(q, "Vetri Rossi Anna");
    HeldElsewhere("CONTATTI");
    q.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty());  // the lock window has told the user
    cn.Execute("DELETE FROM LOCKS");
    cn.Execute("CREATE TRIGGER NOWRITE BEFORE INSERT ON CONTATTI BEGIN SELECT RAISE(ABORT, 'rifiutato'); END");
    q.cmdConferma_Click();
    EXPECT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.EndCalls(), 0);
    EXPECT_FALSE(q.IsUnloaded());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    cn.Execute("DROP TRIGGER NOWRITE");
    // A description longer than its column, as code may leave it, is refused whole, never cut.
    env.ClearBoxes();
    q.txDescrizione->setPlainText(QString(300, 'd'));
    q.cmdConferma_Click();
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Errore: 3163 - ")) << env.Prompts()[0].toStdString();
    EXPECT_EQ(env.EndCalls(), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
    q.txDescrizione->setPlainText(QString(255, 'd'));
    q.cmdConferma_Click();
    EXPECT_EQ(env.EndCalls(), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LENGTH(DESCRIZIONE)=255"), 1);
}

TEST_F(Quick, ExitAndCloseEndTheProgram) {
    QuickUser("QUICK");
    auto& q = Open();
    q.cmdFine_Click();
    EXPECT_EQ(env.EndCalls(), 1);
    q.show();
    q.close();
    EXPECT_EQ(env.EndCalls(), 2);
}

// The built program started with "/Q", with and without the quick user.
TEST_F(Quick, TheProgramStartedForQuickEntry) {
    QDir().mkpath(env.Root() + "/config/Brivalto");
    QDir().mkpath(env.Root() + "/runtime");
    QFile settings(env.Root() + "/config/Brivalto/Brivalto.conf");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(("[Config]\nDataPath=" + env.DataPath() + "\nAutoupdate=0\n").toUtf8());
    settings.close();
    auto run = [&](const QString& trace, bool wait) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        e.insert("XDG_CONFIG_HOME", env.Root() + "/config");
        e.insert("XDG_DATA_HOME", env.Root() + "/share");
        e.insert("XDG_RUNTIME_DIR", env.Root() + "/runtime");
        e.insert("BRIVALTO_TRACE", trace);
        p.setProcessEnvironment(e);
        p.start(BRIVALTO_PROGRAM, {"/Q"});
        EXPECT_TRUE(p.waitForStarted(10000));
        QStringList lines;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000) {
            QFile f(trace);
            if (f.open(QIODevice::ReadOnly)) lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
            if (!wait || lines.contains("SHOW|frmQuickContatto")) break;
            QThread::msleep(50);
        }
        if (wait) {
            p.kill();
            p.waitForFinished(5000);
        } else {
            EXPECT_TRUE(p.waitForFinished(30000));
            QFile f(trace);
            if (f.open(QIODevice::ReadOnly)) lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        }
        return lines;
    };
    QStringList lines = run(env.Root() + "/unset.trace", false);
    EXPECT_TRUE(lines.contains("MSGBOX|0|Brivalto|Utente quick non impostato")) << lines.join("\n").toStdString();
    EXPECT_FALSE(lines.join("\n").contains("SHOW|frmMenu"));

    QuickUser("QUICK");
    lines = run(env.Root() + "/set.trace", true);
    EXPECT_TRUE(lines.contains("SHOW|frmQuickContatto")) << lines.join("\n").toStdString();
    EXPECT_FALSE(lines.join("\n").contains("MSGBOX"));
}
