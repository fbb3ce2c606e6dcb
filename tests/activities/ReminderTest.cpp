// Remote SMS reminders, the SMS sent at once and the mobile-number prompt,
// with the SMS control loaded from its library and talking to a fake gateway.
#include "ActivityDb.h"

#include "ComboBox.h"
#include "Keyboard.h"
#include "MultiButton.h"
#include "frmCellulare.h"
#include "OtherWorkstation.h"
#include "frmContatto.h"
#include "qvxSMS2/qvxSMS2.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <cmath>

using Platform::Form;

namespace {

const QString kFirstTooSoon = "E' stato impostato un valore non corretto come periodo di anticipo del primo promemoria "
                              "remoto. L'invio deve essere almeno 6 minuti dopo l'orario attuale.";
const QString kSecondTooSoon = "E' stato impostato un valore non corretto come periodo di anticipo del secondo promemoria "
                               "remoto. L'invio deve essere almeno 6 minuti dopo l'orario attuale.";

class Reminders : public ActivityDb {
protected:
    void SetUp() override {
        ActivityDb::SetUp();
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME,CELLULARE) VALUES (7,0,'Rossi','Anna','333 1112222')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME) VALUES (8,0,'Neri','Ugo')");
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME) VALUES (9,0,'Bassi','Eva')");
        Platform::SaveSetting("Brivalto", "Sender", "Company", "VETRI SRL");
        Platform::SaveSetting("Brivalto", "Sender", "Address", "VIA ROMA 1");
        Platform::SaveSetting("Brivalto", "Sender", "Città", "FORLI");
        Platform::SaveSetting("Brivalto", "Sender", "Phone", "0543 1");
    }
    frmContatto& Open(const QString& type) {
        auto& c = Platform::DefaultInstance<frmContatto>();
        c.ClearFields();
        c.Tag = "NEW";
        for (int i = 0; i < c.cbTipo->ListCount(); ++i)
            if (c.cbTipo->ItemData(i).toInt() == type.at(0).unicode()) c.cbTipo->SetListIndex(i);
        return c;
    }
    // Remote reminders on, starting `minutesAhead` from now, reminder 1 `lead` units before.
    frmContatto& Remind(qint64 minutesAhead, const QString& lead, int unit) {
        auto& c = Open("R");
        c.dpData->setDateTime(now.addSecs(minutesAhead * 60));
        c.ckPromemoriaRemoto->click();
        c.txCellMail->setText(" 333 444 5555 ");
        c.txQuanti[0]->setText(lead);
        c.cbCosa[0]->SetListIndex(unit);
        return c;
    }
    static QString Deferred(const QDateTime& t) {
        return "<DEFERREDTIME>" + t.toString("yyyy-MM-dd HH:mm") + ":00</DEFERREDTIME>";
    }
    // The user types into a box of the window in sight, over what it held.
    static void Type(QWidget* field, const QString& keys) {
        QApplication::setActiveWindow(field->window());
        field->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
        QTest::keyClicks(field, keys);
    }
    // The user clicks a tick box (on its box: the row is wider than its caption).
    static void Tick(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    // The user types the card's start.
    static void TypeStart(frmContatto& c, const QDateTime& start) {
        QLineEdit* box = c.dpData->Editor();
        QApplication::setActiveWindow(&c);
        box->setFocus();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 8, box->height() / 2));
        QTest::keyClicks(box, start.toString("dd/MM/yyyy HH:mm"));
    }
};

}  // namespace

TEST_F(Reminders, TurningThemOnFillsTheDefaults) {
    auto& c = Open("R");
    c.dpData->setDateTime(QDateTime(QDate(2031, 3, 4), QTime(9, 5)));
    EXPECT_FALSE(c.frPromemoriaRemoto->isEnabled());
    c.ckPromemoriaRemoto->click();
    EXPECT_TRUE(c.frPromemoriaRemoto->isEnabled());
    EXPECT_EQ(c.txMessaggio->toPlainText(),
              "Promemoria Appuntamento del 04/03/2031 alle 09:05\nVETRI SRL\nVIA ROMA 1\nFORLI\nTel.: 0543 1");
    EXPECT_EQ(c.lbChars->text(), QString::number(c.txMessaggio->toPlainText().size()));
    EXPECT_EQ(c.txQuanti[0]->text(), "1");
    EXPECT_EQ(c.cbCosa[0]->Text(), "ore");
    EXPECT_EQ(c.txQuanti[1]->text(), "1");
    EXPECT_EQ(c.cbCosa[1]->Text(), "giorni");
    EXPECT_FALSE(c.txQuanti[1]->isEnabled());
    c.ck2ndAvviso->click();
    EXPECT_TRUE(c.txQuanti[1]->isEnabled());
    EXPECT_TRUE(c.cmdConferma->isEnabled());
    c.ckPromemoriaRemoto->click();
    EXPECT_FALSE(c.frPromemoriaRemoto->isEnabled());
    EXPECT_FALSE(c.txMessaggio->toPlainText().isEmpty());  // kept
}

// The text the card proposes tells the start as it is at the save: moved
// after ticking the box (here because the save refused a lead too short),
// the SMS handed to the gateway gives the new time. In a text the user
// edited only the date and time the card wrote move with the start; every
// word typed goes as typed.
TEST_F(Reminders, AProposedTextFollowsTheStartUpToTheSave) {
    auto& c = Open("R");
    c.show();
    const QDateTime first = now.addSecs(35 * 60), later = now.addSecs(3 * 3600);
    TypeStart(c, first);
    Tick(c.ckPromemoriaRemoto);
    EXPECT_TRUE(c.txMessaggio->toPlainText().startsWith("Promemoria Appuntamento del " + first.toString("dd/MM/yyyy") +
                                                       " alle " + first.toString("HH:mm") + "\n"));
    Type(c.txCellMail, "333 444 5555");
    QTest::mouseClick(c.cmdConferma, Qt::LeftButton);  // an hour before a start 35 minutes away
    EXPECT_EQ(env.Prompts(), QStringList{kFirstTooSoon});
    TypeStart(c, later);
    QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
    EXPECT_EQ(env.Boxes().size(), 1) << env.Prompts().join("|").toStdString();
    const QString told = "Promemoria Appuntamento del " + later.toString("dd/MM/yyyy") + " alle " +
                         later.toString("HH:mm") + "- VETRI SRL- VIA ROMA 1- FORLI- Tel.: 0543 1";
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_TRUE(Sent()[0].contains("<TEXT>" + told + "</TEXT>")) << Sent()[0].toStdString();
    EXPECT_EQ(Value("SELECT AVVISOMESSAGE FROM CONTATTI").toString(), told);
    EXPECT_EQ(Value("SELECT DATA FROM CONTATTI").toDateTime(), later);

    // Edited by the user: the words typed stay, the date and time follow the start.
    auto& d = Open("R");
    d.show();
    TypeStart(d, later);
    Tick(d.ckPromemoriaRemoto);
    Type(d.txCellMail, "333 444 5555");
    d.txMessaggio->setFocus();
    d.txMessaggio->moveCursor(QTextCursor::End);
    QTest::keyClicks(d.txMessaggio, " PORTARE I CAMPIONI");
    const QDateTime moved = later.addDays(1).addSecs(-3600);
    TypeStart(d, moved);
    EXPECT_TRUE(d.txMessaggio->toPlainText().startsWith("Promemoria Appuntamento del " + moved.toString("dd/MM/yyyy") +
                                                       " alle " + moved.toString("HH:mm") + "\n"));
    QTest::mouseClick(d.cmdConferma, Qt::LeftButton);
    ASSERT_EQ(Sent().size(), 2);
    const QString movedText = "Promemoria Appuntamento del " + moved.toString("dd/MM/yyyy") + " alle " +
                              moved.toString("HH:mm") + "- VETRI SRL- VIA ROMA 1- FORLI- Tel.: 0543 1";
    EXPECT_TRUE(Sent()[1].contains("<TEXT>" + movedText + " PORTARE I CAMPIONI</TEXT>")) << Sent()[1].toStdString();
}

// A unit list out of use still reads: its text stands out from its ground
// (a contrast of 3 to 1 at least, as large text asks).
TEST_F(Reminders, TheUnitListsReadWhenDisabled) {
    auto contrast = [](const QColor& a, const QColor& b) {
        auto luminance = [](const QColor& c) {
            auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
        };
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    auto& c = Open("R");
    c.ckPromemoriaRemoto->click();
    for (auto* unit : c.cbCosa) {
        const QPalette p = unit->palette();
        EXPECT_GE(contrast(p.color(QPalette::Disabled, QPalette::ButtonText), p.color(QPalette::Disabled, QPalette::Button)),
                  3.0);
    }
    ASSERT_FALSE(c.cbCosa[1]->isEnabled());
}

TEST_F(Reminders, SendTimesAndTheSixMinuteRule) {
    // A lead of an hour on an activity 30 minutes away is refused.
    auto& c = Remind(30, "1", 1);
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{kFirstTooSoon});
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);

    // Ten minutes before an activity 20 minutes away is accepted; line ends become "- ".
    env.ClearBoxes();
    c.dpData->setDateTime(now.addSecs(20 * 60));
    c.txQuanti[0]->setText("10");
    c.cbCosa[0]->SetListIndex(0);
    c.txMessaggio->setPlainText("RIUNIONE\nSALA 2");
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_TRUE(Sent()[0].contains(Deferred(now.addSecs(600)))) << Sent()[0].toStdString();
    EXPECT_TRUE(Sent()[0].contains("<DEST msisdn=\"3334445555\"/>"));  // blanks removed
    EXPECT_TRUE(Sent()[0].contains("<TEXT>RIUNIONE- SALA 2</TEXT>"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISOREMOTO='P' AND AVVISO1SENT<>0 AND AVVISO2SENT=0 AND "
                   "AVVISOCONTATTO='333 444 5555' AND AVVISOMESSAGE='RIUNIONE- SALA 2'"),
              1);
    EXPECT_EQ(Value("SELECT AVVISO1DATE FROM CONTATTI").toDateTime(), now.addSecs(600));
    // The second reminder, not ticked, is neither sent nor kept: a stored time means a wanted reminder.
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO2DATE=0"), 1);
}

TEST_F(Reminders, AReminderNotYetSentIsTriedAgainWhenTheActivityIsReopened) {
    // 45 days ahead, one day and two days before: both too far for the gateway.
    auto& c = Remind(45 * 24 * 60, "1", 2);
    c.ck2ndAvviso->click();
    c.txQuanti[1]->setText("2");
    c.cbCosa[1]->SetListIndex(2);
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT=0 AND AVVISO2SENT=0"), 1);

    c.ClearFields();
    c.Tag = "EDIT";
    Platform::SetModalHandler([&](Form&) {
        EXPECT_TRUE(c.ck2ndAvviso->isChecked());
        EXPECT_EQ(c.txQuanti[1]->text(), "2");
        EXPECT_EQ(c.cbCosa[1]->Text(), "giorni");
        EXPECT_TRUE(c.txQuanti[1]->isEnabled());
        c.dpData->setDateTime(now.addDays(10));
        c.cmdConferma_Click();
    });
    c.ReadRecord(1, "ADMIN");
    EXPECT_EQ(c.Tag, "");
    ASSERT_EQ(Sent().size(), 2);
    EXPECT_TRUE(Sent()[0].contains(Deferred(now.addDays(9)))) << Sent()[0].toStdString();
    EXPECT_TRUE(Sent()[1].contains(Deferred(now.addDays(8)))) << Sent()[1].toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT<>0 AND AVVISO2SENT<>0"), 1);
}

TEST_F(Reminders, ThirtyCalendarDaysAwayWaitsForALaterSave) {
    // One day before an activity 40 days ahead: too far for the gateway, stored unsent.
    auto& c = Remind(40 * 24 * 60, "1", 2);
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT=0"), 1);
    EXPECT_EQ(Value("SELECT AVVISO1DATE FROM CONTATTI").toDateTime(), now.addDays(39));

    // Exactly 30 calendar days away: not sent either; 29 days away goes.
    const QDateTime start(now.date().addDays(31), QTime(12, 0));
    auto& d = Remind(0, "1", 2);
    d.dpData->setDateTime(start);
    d.cmdConferma_Click();
    EXPECT_TRUE(Sent().isEmpty());
    auto& e = Remind(0, "2", 2);
    e.dpData->setDateTime(start);
    e.cmdConferma_Click();
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_TRUE(Sent()[0].contains(Deferred(start.addDays(-2))));
}

TEST_F(Reminders, BothAreCheckedBeforeEitherIsSentAndNoneGoesTwice) {
    auto& c = Remind(60, "30", 0);
    c.ck2ndAvviso->click();
    c.txQuanti[1]->setText("58");
    c.cbCosa[1]->SetListIndex(0);  // two minutes from now
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{kSecondTooSoon});
    EXPECT_TRUE(Sent().isEmpty());  // reminder 1 did not go either
    EXPECT_FALSE(c.mAvviso1Sent);

    // Both go; the write is then refused: a new try sends nothing again.
    c.txQuanti[1]->setText("20");
    HeldElsewhere("CONTATTI");
    env.ClearBoxes();
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();  // the wait window said it
    EXPECT_EQ(Sent().size(), 2);
    EXPECT_TRUE(c.mAvviso1Sent && c.mAvviso2Sent);
    EXPECT_TRUE(c.lbGiaInviato->isVisibleTo(&c));
    cn.Execute("DELETE FROM LOCKS");
    c.cmdConferma_Click();
    EXPECT_EQ(Sent().size(), 2);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT<>0 AND AVVISO2SENT<>0"), 1);
}

TEST_F(Reminders, EditingKeepsTheStoredRemindersAndShowsSentOnesReadOnly) {
    auto& c = Remind(3 * 60, "1", 1);
    c.cmdConferma_Click();
    ASSERT_EQ(Sent().size(), 1);
    const QVariant first = Value("SELECT AVVISO1DATE FROM CONTATTI");

    c.Tag = "EDIT";
    Platform::SetModalHandler([&](Form&) {
        EXPECT_TRUE(c.ckPromemoriaRemoto->isChecked());
        EXPECT_EQ(c.txCellMail->text(), "333 444 5555");
        EXPECT_EQ(c.txQuanti[0]->text(), "1");
        EXPECT_EQ(c.cbCosa[0]->Text(), "ore");
        EXPECT_TRUE(c.mAvviso1Sent);
        EXPECT_TRUE(c.lbGiaInviato->isVisibleTo(&c));
        EXPECT_FALSE(c.ckPromemoriaRemoto->isEnabled());
        EXPECT_FALSE(c.txQuanti[0]->isEnabled());
        EXPECT_TRUE(c.txMessaggio->isReadOnly());
        EXPECT_TRUE(c.ck2ndAvviso->isEnabled());
        c.txID->setText("7");
        c.txID_LostFocus();
        c.txDescrizione->setPlainText("Presentazione del nuovo listino");
        c.grab().save(TestKit::ProgramFolder() + "/../activity-card.png");
        c.ckPromemoriaRemoto->click();  // refused while sent
        EXPECT_TRUE(c.ckPromemoriaRemoto->isChecked());
        c.dpData->setDateTime(c.dpData->dateTime().addSecs(3600));
        c.txLuogo->setText("altrove");
        c.cmdConferma_Click();
    });
    c.ReadRecord(1, "ADMIN");
    EXPECT_EQ(c.Tag, "");
    EXPECT_EQ(Sent().size(), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='altrove' AND AVVISOREMOTO='P' AND AVVISO1SENT<>0 AND "
                   "AVVISOCONTATTO='333 444 5555'"),
              1);
    EXPECT_EQ(Value("SELECT AVVISO1DATE FROM CONTATTI"), first);  // what the gateway holds

    // A clean card afterwards carries nothing over.
    c.ClearFields();
    EXPECT_FALSE(c.ckPromemoriaRemoto->isChecked());
    EXPECT_TRUE(c.ckPromemoriaRemoto->isEnabled());
    EXPECT_FALSE(c.mAvviso1Sent);
    EXPECT_FALSE(c.lbGiaInviato->isVisibleTo(&c));
    EXPECT_EQ(c.txMessaggio->toPlainText(), "");
    EXPECT_FALSE(c.ckSMS->isChecked());
    ASSERT_NE(c.qvxSMS, nullptr);
    EXPECT_FALSE(c.qvxSMS->DeferredTime().isValid());
}

// A sent flag records what the gateway took. Another workstation that read
// the activity before its reminder went out, and saves over it, takes the
// reminder as sent: neither its save nor a later one here hands it over again.
TEST_F(Reminders, AReminderGoesToTheGatewayOnceWhoeverSavesAfterwards) {
    const QDateTime start = now.addSecs(3 * 3600);
    // Stored unsent: the gateway could not be reached at the first save.
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,TIPOCONT,DATA,DATAFINE,LUOGO,DESCRIZIONE,NOTE,DATAAVVISO,"
               "AVVISOREMOTO,AVVISOCONTATTO,AVVISOMESSAGE,AVVISO1DATE,AVVISO2DATE,AVVISO1SENT,AVVISO2SENT,"
               "UTENTEMODIFICA,U_MOD) VALUES (1,'ADMIN','R',?,?,'sede','visita','',0,'P','333 444 5555',"
               "'Promemoria visita',?,0,0,0,'ADMIN',?)",
               {start, start, start.addSecs(-3600), now.addDays(-1)});
    const TestKit::EnvironmentVariable here("BRIVALTO_COMPUTERNAME", "POSTAZIONE1");
    TestKit::OtherWorkstation other(QStringLiteral(ACTIVITY_EDITOR), "POSTAZIONE2",
                                    {env.DatabaseFile(), env.SettingsFolder(), "MARCO", now.toString(Qt::ISODate)});
    EXPECT_EQ(other.Do("open contatto 1 ADMIN"), QStringList());
    auto& c = Open("R");
    c.Tag = "EDIT";
    Platform::SetModalHandler([&](Form&) {
        Type(c.txNote, "portare campioni");
        QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
    });
    c.ReadRecord(1, "ADMIN");
    ASSERT_EQ(Sent().size(), 1);
    ASSERT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO1SENT<>0"), 1);

    // From now on the gateway refuses whatever it is handed.
    gateway.SetHandler([](const TestHttp::Request&) { return TestHttp::Response::Text("errore", 500); });
    EXPECT_EQ(other.Do("type txLuogo Sala 2"), QStringList());
    EXPECT_EQ(other.Do("answer yes"), QStringList());
    EXPECT_EQ(other.Do("click cmdConferma"),
              QStringList{"BOX ADMIN ha modificato questo contatto il " + now.toString("dd/MM/yyyy") + " alle " +
                          now.toString("HH.mm") + ", dopo che era stato letto qui. Salvando ora, quelle modifiche "
                          "andranno perse. Salvare ugualmente?"});
    EXPECT_EQ(gateway.Requests().size(), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='Sala 2' AND UTENTEMODIFICA='MARCO' AND "
                   "AVVISO1SENT<>0"),
              1);
    EXPECT_EQ(Value("SELECT AVVISO1DATE FROM CONTATTI").toDateTime(), start.addSecs(-3600));

    // A small edit here afterwards sends nothing either.
    Platform::SetModalHandler([&](Form&) {
        Type(c.txLuogo, "Sala 3");
        QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
    });
    c.ReadRecord(1, "ADMIN");
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(gateway.Requests().size(), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='Sala 3' AND AVVISO1SENT<>0"), 1);
}

TEST_F(Reminders, ReminderRefusals) {
    auto& c = Remind(120, "1", 1);
    c.txMessaggio->setPlainText("città");
    c.cmdConferma_Click();
    c.txMessaggio->setPlainText("   ");
    c.cmdConferma_Click();
    c.txMessaggio->setPlainText("OK");
    c.txCellMail->setText("  ");
    c.cmdConferma_Click();
    // A text longer than the column, as code may set it, is refused rather than sent and stored cut.
    c.txCellMail->setText("333");
    c.txMessaggio->setPlainText(QString(200, 'A'));
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList({"Il messaggio del promemoria remoto contiene caratteri non permessi per gli SMS",
                                          "Il testo del messaggio del promemoria remoto non può essere vuoto",
                                          "Inserire il numero di cellulare cui inviare gli SMS di promemoria remoto",
                                          "Errore: 3163 - Il campo è troppo piccolo per accettare la quantità di dati che "
                                          "si è tentato di aggiungere. Provare a inserire o incollare una quantità di "
                                          "dati inferiore.\r\ntesto messaggio: 200 caratteri, al massimo 160"}));
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

TEST_F(Reminders, AnSmsActivityIsSentNowToThePersonsNumber) {
    // A reminder left a deferred time in the control: the SMS still goes now.
    auto& r = Remind(120, "1", 1);
    r.cmdConferma_Click();
    ASSERT_EQ(Sent().size(), 1);

    auto& c = Open("M");
    c.txID->setText("7");
    c.txID_LostFocus();
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("Arrivo alle 10");
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    ASSERT_EQ(Sent().size(), 2);
    EXPECT_TRUE(Sent()[1].contains("<DEST msisdn=\"333 1112222\"/>"));  // blanks kept
    EXPECT_TRUE(Sent()[1].contains("<TEXT>Arrivo alle 10</TEXT>"));
    EXPECT_FALSE(Sent()[1].contains("DEFERREDTIME"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='M' AND DESCRIZIONE='Arrivo alle 10'"), 1);
}

TEST_F(Reminders, ARetriedSaveDoesNotSendTheSmsAgain) {
    auto& c = Open("M");
    c.txID->setText("7");
    c.txID_LostFocus();
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("CIAO");
    HeldElsewhere("CONTATTI");
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Sent().size(), 1);
    cn.Execute("DELETE FROM LOCKS");
    c.cmdConferma_Click();
    EXPECT_EQ(Sent().size(), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='M'"), 1);
    // A new activity sends its own.
    auto& d = Open("M");
    d.txID->setText("7");
    d.txID_LostFocus();
    d.ckSMS->setChecked(true);
    d.txDescrizione->setPlainText("DI NUOVO");
    d.cmdConferma_Click();
    EXPECT_EQ(Sent().size(), 2);
}

TEST_F(Reminders, SmsChecksDependOnTheGateway) {
    auto& c = Open("M");
    c.txID->setText("7");
    c.txID_LostFocus();
    c.ckSMS->setChecked(true);
    c.cmdConferma_Click();
    c.txDescrizione->setPlainText(QString(200, 'A'));
    c.cmdConferma_Click();
    c.txDescrizione->setPlainText("ciao_");
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList({"Il messaggio SMS deve essere non vuoto",
                                          "Il messaggio SMS non può essere di lunghezza superiore a 160 caratteri",
                                          "Il messaggio contiene caratteri non permessi per gli SMS"}));
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(Reminders, TheSecondGatewayTakesLongTexts) {
    Global::gSmsProvider = 2;
    auto& d = Open("M");
    d.txID->setText("7");
    d.txID_LostFocus();
    d.ckSMS->setChecked(true);
    d.txDescrizione->setPlainText(QString(200, 'A'));
    gateway.SetHandler([](const TestHttp::Request& r) {
        return TestHttp::Response::Text(r.Path().contains("crediti") ? "Credito di 125 SMS" : "OK");
    });
    env.ClearBoxes();
    d.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    ASSERT_FALSE(gateway.Requests().isEmpty());
    EXPECT_TRUE(gateway.Requests()[0].body.contains("data=" + QByteArray(200, 'A')));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='M'"), 1);
}

TEST_F(Reminders, AFailedSendIsLeftToTheUser) {
    gateway.SetHandler([](const TestHttp::Request&) { return TestHttp::Response::Text("errore", 500); });
    auto& c = Open("M");
    c.txID->setText("7");
    c.txID_LostFocus();
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("CIAO");
    c.cmdConferma_Click();  // No is the default
    // The question as it stands, and why on a line of its own.
    EXPECT_EQ(env.Prompts(), QStringList{"Si è verificato un problema nell'invio dell'SMS. Proseguo ugualmente con il "
                                         "salvataggio del contatto?\r\nerrore"});
    EXPECT_EQ(env.Boxes()[0].style, Platform::vbYesNo + Platform::vbQuestion + Platform::vbDefaultButton2);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
    env.AnswerNext(Platform::vbYes);
    c.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 1);
    EXPECT_EQ(c.Tag, "");
}

TEST_F(Reminders, TheSmsGoesWithTheAccountAsTheConfigurationHoldsItNow) {
    auto& c = Open("M");  // made with the account of the settings
    Platform::SaveSetting("Brivalto", "SMS", "USER", "");
    c.txID->setText("7");
    c.txID_LostFocus();
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("CIAO");
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"Si è verificato un problema nell'invio dell'SMS. Proseguo ugualmente con il "
                                         "salvataggio del contatto?\r\nNo username supplied"});
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);

    // Set in the configuration while the card is open: the next save uses it.
    Platform::SaveSetting("Brivalto", "SMS", "USER", "nuovo");
    env.ClearBoxes();
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_EQ(gateway.Requests()[0].Header("Authorization"), "Basic " + QByteArray("nuovo:password").toBase64());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='M'"), 1);
}

// A reminder the control does not take is told once, with the control's
// reason; the activity is saved all the same, the reminder unsent, for the
// next save to try again.
TEST_F(Reminders, AnErrorOfTheControlIsAFailedSend) {
    const QString notHanded = "Il promemoria remoto non è stato consegnato al servizio SMS: l'invio sarà ritentato al "
                              "prossimo salvataggio del contatto.";
    // The card's clock is ten days behind the gateway's: the control refuses the time.
    const QDateTime real = now;
    now = now.addDays(-10);
    env.SetClock(now);
    auto& c = Remind(120, "1", 1);
    c.cmdConferma_Click();
    ASSERT_EQ(env.Prompts(),
              QStringList{notHanded + "\r\nDeferred time must be between now plus 5 minutes and 30 days from now"});
    EXPECT_EQ(env.Boxes()[0].style, Platform::vbOKOnly + Platform::vbExclamation);
    EXPECT_TRUE(Sent().isEmpty()) << Sent().join("\n").toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISOREMOTO='P' AND AVVISO1SENT=0"), 1);
    EXPECT_EQ(c.Tag, "");

    // The gateway refuses both reminders of an activity: one message.
    now = real;
    env.SetClock(now);
    env.ClearBoxes();
    gateway.SetHandler([](const TestHttp::Request&) { return TestHttp::Response::Text("errore", 500); });
    auto& d = Remind(180, "1", 1);
    d.ck2ndAvviso->click();
    d.txQuanti[1]->setText("2");
    d.cbCosa[1]->SetListIndex(1);
    d.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"I promemoria remoti non sono stati consegnati al servizio SMS: l'invio sarà "
                                         "ritentato al prossimo salvataggio del contatto.\r\nerrore"});
    EXPECT_EQ(gateway.Requests().size(), 2);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE AVVISO2DATE<>0 AND AVVISO1SENT=0 AND AVVISO2SENT=0"), 1);
}

TEST_F(Reminders, AMissingNumberIsAskedAndStored) {
    auto& c = Open("M");
    c.txID->setText("00000008");
    c.txID_LostFocus();
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("CIAO");
    int prompts = 0;
    Platform::SetModalHandler([&](Form& f) {
        auto& p = dynamic_cast<frmCellulare&>(f);
        ++prompts;
        EXPECT_EQ(p.windowTitle(), "Numero cellulare mancante");
        EXPECT_TRUE(p.Command2->isEnabled());
        p.Command2_Click();  // nothing typed
        EXPECT_NE(p.Tag, "OK");
        p.txNumero->setText(" 347 000 ");
        p.Command2_Click();
    });
    c.cmdConferma_Click();
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(env.Prompts(), QStringList{"Inserire un numero di telefono cellulare per il cliente prima di proseguire"});
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_TRUE(Sent()[0].contains("<DEST msisdn=\" 347 000 \"/>"));
    // Stored as typed, in that one record, under the lock now released.
    EXPECT_EQ(Value("SELECT CELLULARE FROM ANAGRAFICA WHERE ID=8").toString(), " 347 000 ");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE CELLULARE IS NOT NULL"), 2);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='M' AND IDANA=8"), 1);

    // The next SMS to that person needs no prompt.
    auto& d = Open("M");
    d.txID->setText("8");
    d.txID_LostFocus();
    d.ckSMS->setChecked(true);
    d.txDescrizione->setPlainText("ANCORA");
    d.cmdConferma_Click();
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(Sent().size(), 2);
}

TEST_F(Reminders, ACancelledPromptWritesNothing) {
    auto& c = Open("M");  // no person: always asked, and only "use" or "cancel"
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("CIAO");
    c.mCellulare = "333";
    Platform::SetModalHandler([&](Form& f) {
        auto& p = dynamic_cast<frmCellulare&>(f);
        EXPECT_FALSE(p.Command2->isEnabled());
        p.txNumero->setText("333");
        p.Command3_Click();
    });
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"Contatto non salvato"});
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);

    // "use" sends to the typed number and stores nothing in the registry.
    Platform::SetModalHandler([&](Form& f) {
        auto& p = dynamic_cast<frmCellulare&>(f);
        p.txNumero->setText("3471");
        p.Command1_Click();
    });
    c.cmdConferma_Click();
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_TRUE(Sent()[0].contains("<DEST msisdn=\"3471\"/>"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 1);
}

// The prompt is shown because the card read no number for its person; one
// that another workstation stored meanwhile is replaced only on Yes, and No
// keeps the prompt open with the number typed.
TEST_F(Reminders, ANumberStoredMeanwhileIsNotReplacedUnasked) {
    cn.Execute("INSERT INTO UTENTI (UTENTE, [PASSWORD], ISADMIN) VALUES ('MARCO', '', -1)");
    const TestKit::EnvironmentVariable here("BRIVALTO_COMPUTERNAME", "POSTAZIONE1");
    TestKit::OtherWorkstation other(QStringLiteral(ACTIVITY_EDITOR), "POSTAZIONE2",
                                    {env.DatabaseFile(), env.SettingsFolder(), "MARCO", "2026-03-12T10:15:00"});
    auto& c = Open("M");
    c.txID->setText("8");
    c.txID_LostFocus();
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("CIAO");
    ASSERT_EQ(c.mCellulare, "");
    // Meanwhile the other workstation gives the person a number on its card.
    EXPECT_EQ(other.Do("open anagrafica 8"), QStringList());
    EXPECT_EQ(other.Do("type txCellulare 347 111"), QStringList());
    EXPECT_EQ(other.Do("answer yes"), QStringList());
    EXPECT_EQ(other.Do("click cmdSalva").size(), 1);  // saved with no address: confirmed
    ASSERT_EQ(Value("SELECT CELLULARE FROM ANAGRAFICA WHERE ID=8").toString(), "347 111");

    Platform::SetModalHandler([&](Form& f) {
        auto& p = dynamic_cast<frmCellulare&>(f);
        Type(p.txNumero, "333 999");
        env.AnswerNext(Platform::vbNo);
        QTest::mouseClick(p.Command2, Qt::LeftButton);
        EXPECT_EQ(env.Prompts(), QStringList{"MARCO ha modificato il numero di cellulare di questa anagrafica il "
                                             "12/03/2026 alle 10.15, dopo che era stato letto qui. Salvando ora, quelle "
                                             "modifiche andranno perse. Salvare ugualmente?"});
        EXPECT_TRUE(p.isVisible());
        EXPECT_EQ(p.Tag, "");
        EXPECT_EQ(p.txNumero->text(), "333 999");
        EXPECT_EQ(Value("SELECT CELLULARE FROM ANAGRAFICA WHERE ID=8").toString(), "347 111");
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
        env.AnswerNext(Platform::vbYes);
        QTest::mouseClick(p.Command2, Qt::LeftButton);
        EXPECT_TRUE(p.isHidden());
    });
    c.cmdConferma_Click();
    EXPECT_EQ(env.Boxes().size(), 2);
    EXPECT_EQ(Value("SELECT CELLULARE FROM ANAGRAFICA WHERE ID=8").toString(), "333 999");
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_TRUE(Sent()[0].contains("<DEST msisdn=\"333 999\"/>"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE TIPOCONT='M' AND IDANA=8"), 1);
}

// The prompt answers the keyboard: Escape cancels, Enter uses the number typed.
TEST_F(Reminders, ThePromptAnswersEscapeAndEnter) {
    auto& c = Open("M");
    c.ckSMS->setChecked(true);
    c.txDescrizione->setPlainText("CIAO");
    auto answer = [](Qt::Key key) {
        return [key](Form& f) {
            auto& p = dynamic_cast<frmCellulare&>(f);
            TestKit::OnScreen(p);
            p.txNumero->setFocus();
            TestKit::Type("3471");
            TestKit::Press(key);
            EXPECT_TRUE(p.isHidden());
        };
    };
    Platform::SetModalHandler(answer(Qt::Key_Escape));
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"Contatto non salvato"});
    EXPECT_TRUE(Sent().isEmpty());
    Platform::SetModalHandler(answer(Qt::Key_Return));
    c.cmdConferma_Click();
    ASSERT_EQ(Sent().size(), 1);
    EXPECT_TRUE(Sent()[0].contains("<DEST msisdn=\"3471\"/>"));
}

TEST_F(Reminders, ARefusedRegistryLockKeepsThePromptOpen) {
    auto& c = Open("M");
    c.txID->setText("9");
    HeldElsewhere("ANAGRAFICA");
    frmCellulare prompt(c.cn.get(), c.txID);
    prompt.Load();
    prompt.txNumero->setText("3331");
    prompt.show();
    prompt.Command2_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"Dato non salvato"});
    EXPECT_EQ(prompt.Tag, "");
    EXPECT_TRUE(prompt.isVisible());
    EXPECT_TRUE(Value("SELECT CELLULARE FROM ANAGRAFICA WHERE ID=9").isNull());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS WHERE COMPUTER<>'ALTRO'"), 0);
}
