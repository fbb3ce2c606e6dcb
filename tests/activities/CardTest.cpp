// The activity card: new, edit, cancel, numbering and the row it writes.
#include "ActivityDb.h"

#include "Attivita.h"
#include "ComboBox.h"
#include "Keyboard.h"
#include "MultiButton.h"
#include "OtherWorkstation.h"
#include "Outlook.h"
#include "OutlookImpEx.h"
#include "frmContatto.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>

using Platform::Form;

namespace {

class Card : public ActivityDb {
protected:
    void SetUp() override {
        ActivityDb::SetUp();
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME,RUOLO,INDIRIZZO,CAP,CITTA,PROVINCIA,NAZIONE,"
                   "CELLULARE) VALUES (7,3,'Vetri','Rossi','Anna','acquisti','Via Roma 1','47121','Forlì','FC','Italia',"
                   "'333 1112222')");
    }
    frmContatto& Open() {
        auto& card = Platform::DefaultInstance<frmContatto>();
        card.ClearFields();
        return card;
    }
    static void ChooseType(frmContatto& c, const QString& code) {
        for (int i = 0; i < c.cbTipo->ListCount(); ++i)
            if (c.cbTipo->ItemData(i).toInt() == code.at(0).unicode()) c.cbTipo->SetListIndex(i);
    }
    QDateTime At(int days, int hour, int minute = 0) const { return QDateTime(now.date().addDays(days), QTime(hour, minute)); }
    // The user types into a field of the card in sight, over what it held.
    static void Type(QWidget* field, const QString& keys) {
        QApplication::setActiveWindow(field->window());
        field->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
        if (auto* box = qobject_cast<QPlainTextEdit*>(field)) box->selectAll();
        QTest::keyClicks(field, keys);
    }
};

const QString kUnsaved = "Sono state effettuate modifiche non ancora salvate. Proseguire ugualmente?";

}  // namespace

TEST_F(Card, ANewActivityIsWrittenUnderTheLockAndReadBack) {
    auto& c = Open();
    c.Tag = "NEW";
    EXPECT_EQ(c.lbUtente->text(), "ADMIN");
    EXPECT_FALSE(c.cmdConferma->isEnabled());
    ChooseType(c, "T");
    c.txID->setText("7");
    c.txID_LostFocus();
    EXPECT_EQ(c.lbRagSoc->text(), "Rossi Anna Vetri\nacquisti\nVia Roma 1\n47121 Forlì FC\nItalia");
    EXPECT_EQ(c.txIDAzienda->text(), "00000003");
    EXPECT_EQ(c.mCellulare, "333 1112222");
    c.dpData->setDateTime(At(1, 10));
    c.txGiorni->setValue(1);
    c.dpDurata->setTime(QTime(2, 0));  // 26 hours in all
    c.ckAvviso->setChecked(true);
    c.cbMinuti->SetText("90");
    c.txLuogo->setText("  sede  ");
    c.txDescrizione->setPlainText(QString(255, 'd'));
    ASSERT_TRUE(c.cmdConferma->isEnabled());
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(c.Tag, "");
    EXPECT_EQ(c.lbIdContatto->text(), "1");
    EXPECT_FALSE(c.cmdConferma->isEnabled());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=1 AND UTENTE='ADMIN' AND UTENTEMODIFICA='ADMIN' AND IDANA=7 "
                   "AND IDAZIENDA=3 AND TIPOCONT='T' AND LUOGO='sede' AND LENGTH(DESCRIZIONE)=255 AND AVVISOREMOTO='' "
                   "AND AVVISO1DATE=0 AND AVVISO1SENT=0 AND OUTL_ID IS NULL"),
              1);
    EXPECT_EQ(Value("SELECT DATAAVVISO FROM CONTATTI").toDateTime(), At(1, 8, 30));
    EXPECT_EQ(Value("SELECT DATAFINE FROM CONTATTI").toDateTime(), At(2, 12));

    // Read back in a clean card: the whole duration, the reminder, the type.
    c.ClearFields();
    c.Tag = "EDIT";
    Platform::SetModalHandler([&](Form&) {
        EXPECT_EQ(c.lbIdContatto->text(), "1");
        EXPECT_EQ(c.txGiorni->value(), 1);
        EXPECT_EQ(c.dpDurata->time(), QTime(2, 0));
        EXPECT_TRUE(c.ckAvviso->isChecked());
        EXPECT_EQ(c.cbMinuti->Text(), "90");
        EXPECT_EQ(c.cbTipo->Text(), "Telefonata");
        EXPECT_EQ(c.txIDAzienda->text(), "00000003");
        EXPECT_FALSE(c.cmdConferma->isEnabled());
        c.ckAvviso->setChecked(false);
        c.txLuogo->setText("ufficio");
        c.cmdConferma_Click();
    });
    c.ReadRecord(1, "ADMIN");
    EXPECT_EQ(c.Tag, "");
    EXPECT_TRUE(c.isHidden());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=1 AND LUOGO='ufficio' AND DATAAVVISO=0"), 1);
    EXPECT_EQ(Value("SELECT DATAFINE FROM CONTATTI").toDateTime(), At(2, 12));
}

TEST_F(Card, AStartAndDurationTypedMarkTheCardAndAreSaved) {
    auto& c = Open();
    c.Tag = "NEW";
    c.show();
    QApplication::setActiveWindow(&c);
    auto type = [](QLineEdit* box, const QString& keys) {
        box->setFocus();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 8, box->height() / 2));
        QTest::keyClicks(box, keys);
    };
    type(c.dpData->Editor(), "15/03/1980 10:30");
    EXPECT_EQ(c.dpData->dateTime(), QDateTime(QDate(1980, 3, 15), QTime(10, 30)));
    EXPECT_TRUE(c.cmdConferma->isEnabled());
    c.cmdConferma->setEnabled(false);
    // Hours alone, taken as the user clicks the save button.
    type(c.dpDurata, "2");
    EXPECT_FALSE(c.cmdConferma->isEnabled());
    ChooseType(c, "V");
    QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
    EXPECT_EQ(c.dpDurata->time(), QTime(2, 0));
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(c.Tag, "");
    EXPECT_EQ(Value("SELECT DATA FROM CONTATTI").toDateTime(), QDateTime(QDate(1980, 3, 15), QTime(10, 30)));
    EXPECT_EQ(Value("SELECT DATAFINE FROM CONTATTI").toDateTime(), QDateTime(QDate(1980, 3, 15), QTime(12, 30)));
}

// Typed on the card: Tab leaves the text boxes without typing a tab into
// them, the reminder's minutes keep what is typed, and a date or duration
// that does not exist is told as the user leaves its box, which keeps the
// focus; the click that would have left it does nothing else, the next one
// does. Escape cancels.
TEST_F(Card, WhatIsTypedOnTheCard) {
    auto& c = Open();
    c.Tag = "NEW";
    TestKit::OnScreen(c);
    ChooseType(c, "T");
    const QDateTime start = c.dpData->dateTime();
    c.txDescrizione->setFocus();
    TestKit::Type("Chiamata");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(TestKit::Focused(), c.txNote);
    TestKit::Type("richiamare");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_NE(TestKit::Focused(), c.txNote);
    c.ckAvviso->setFocus();
    TestKit::Press(Qt::Key_Space);
    c.cbMinuti->setFocus();
    c.cbMinuti->lineEdit()->selectAll();
    TestKit::Type("1");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();

    c.dpData->Editor()->setFocus();
    TestKit::Type("31/02/2026");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(env.Prompts(), QStringList{"La data 31/02/2026 non esiste.\nScrivere data e ora, come 15/03/1980 10:30 o "
                                         "150319801030."});
    EXPECT_EQ(TestKit::Focused(), c.dpData->Editor());
    EXPECT_EQ(c.dpData->dateTime(), start);
    env.ClearBoxes();
    c.dpDurata->setFocus();
    TestKit::Type("25");
    TestKit::Press(Qt::Key_Tab);
    TestKit::Type("25:99");
    EXPECT_EQ(env.Prompts(), QStringList({"L'ora 25:00 non esiste.\nScrivere ore e minuti, come 10:30 o 1030.",
                                          "L'ora 25:99 non esiste.\nScrivere ore e minuti, come 10:30 o 1030."}));
    EXPECT_EQ(TestKit::Focused(), c.dpDurata);
    EXPECT_EQ(c.dpDurata->time(), QTime(0, 0));
    env.ClearBoxes();
    c.dpData->Editor()->setFocus();
    TestKit::Type("30/02/2026");
    TestKit::Click(c.cmdConferma);
    EXPECT_EQ(env.Prompts().size(), 1);
    EXPECT_EQ(TestKit::Focused(), c.dpData->Editor());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
    TestKit::Click(c.cmdConferma);
    EXPECT_EQ(env.Prompts().size(), 1);
    EXPECT_EQ(c.Tag, "");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE DESCRIZIONE='Chiamata' AND NOTE='richiamare'"), 1);
    EXPECT_EQ(Value("SELECT DATAAVVISO FROM CONTATTI").toDateTime(), start.addSecs(-60));

    c.ClearFields();
    c.Tag = "NEW";
    TestKit::OnScreen(c);
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(c.Tag, "KILL");
    EXPECT_TRUE(c.isHidden());
}

TEST_F(Card, RefusalsAndCancelsWriteNothing) {
    auto& c = Open();
    c.Tag = "NEW";
    c.txLuogo->setText("x");
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"E' necessario indicare un tipo di contatto"});
    EXPECT_EQ(c.Tag, "NEW");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);

    // Cancel from the agenda, the changes given up: hidden with "KILL", still loaded for the caller.
    env.ClearBoxes();
    env.AnswerNext(Platform::vbYes);
    c.cmdAnnulla_Click();
    EXPECT_EQ(env.Prompts(), QStringList{kUnsaved});
    EXPECT_EQ(c.Tag, "KILL");
    EXPECT_TRUE(c.IsLoaded() && !c.IsUnloaded());

    // The list leaves the tag empty: the close box hides with "KILL", asking first about the changes.
    env.ClearBoxes();
    c.Tag.clear();
    c.txLuogo->setText("y");
    c.show();
    env.AnswerNext(Platform::vbYes);
    c.close();
    EXPECT_EQ(c.Tag, "KILL");
    EXPECT_TRUE(c.isHidden());
    EXPECT_FALSE(c.IsUnloaded());
    EXPECT_EQ(env.Prompts(), QStringList{kUnsaved});
    // Unloading it afterwards with unsaved changes asks; No keeps it.
    env.ClearBoxes();
    c.txLuogo->setText("z");
    env.AnswerNext(Platform::vbNo);
    EXPECT_FALSE(c.Unload());
    EXPECT_EQ(env.Prompts(), QStringList{"Sono state effettuate modifiche non ancora salvate. Proseguire ugualmente?"});
    EXPECT_EQ(env.Boxes()[0].style, Platform::vbYesNo + Platform::vbQuestion + Platform::vbDefaultButton2);
    env.AnswerNext(Platform::vbYes);
    EXPECT_TRUE(c.Unload());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

// Cancelling a card with changes asks while the card is in sight: No leaves
// it as it was, with its edits; Yes hides it, and its caller's unload, or the
// program's end, asks nothing more.
TEST_F(Card, CancellingAnEditedCardAsksWithTheCardInSight) {
    auto& c = Open();
    c.Tag = "NEW";
    Platform::SetModalHandler([&](Form&) {
        Type(c.txLuogo, "sede");
        env.AnswerNext(Platform::vbNo);
        QTest::mouseClick(c.cmdAnnulla, Qt::LeftButton);
        EXPECT_EQ(env.Prompts(), QStringList{kUnsaved});
        EXPECT_TRUE(c.isVisible());
        EXPECT_EQ(c.Tag, "NEW");
        EXPECT_EQ(c.txLuogo->text(), "sede");
        EXPECT_TRUE(c.cmdConferma->isEnabled());
        // Its close box is the same cancel.
        env.AnswerNext(Platform::vbNo);
        c.close();
        EXPECT_TRUE(c.isVisible());
        EXPECT_EQ(c.Tag, "NEW");
        env.AnswerNext(Platform::vbYes);
        QTest::mouseClick(c.cmdAnnulla, Qt::LeftButton);
        EXPECT_TRUE(c.isHidden());
    });
    c.Show(Platform::vbModal);
    EXPECT_EQ(c.Tag, "KILL");
    EXPECT_EQ(env.Prompts(), QStringList(3, kUnsaved));
    EXPECT_TRUE(c.Unload());
    EXPECT_EQ(env.Boxes().size(), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
}

// Two workstations on one activity: a save never writes over what the other
// stored since the card read it without asking, whichever saves first; No
// leaves the stored activity and the card as they are, Yes writes.
TEST_F(Card, AnActivityChangedByAnotherWorkstationIsNotOverwrittenUnasked) {
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,TIPOCONT,DATA,DATAFINE,LUOGO,DESCRIZIONE,NOTE,DATAAVVISO,"
               "UTENTEMODIFICA,U_MOD) VALUES (1,'ADMIN',7,'V',?,?,'sede','visita','',0,'ANNA',?)",
               {At(1, 10), At(1, 11), now.addDays(-1)});
    const TestKit::EnvironmentVariable here("BRIVALTO_COMPUTERNAME", "POSTAZIONE1");
    TestKit::OtherWorkstation other(QStringLiteral(ACTIVITY_EDITOR), "POSTAZIONE2",
                                    {env.DatabaseFile(), env.SettingsFolder(), "MARCO", "2026-03-12T10:15:00"});
    const QString tail = " Salvando ora, quelle modifiche andranno perse. Salvare ugualmente?";
    auto& c = Open();

    // The other workstation saves first: this one is asked.
    c.Tag = "EDIT";
    Platform::SetModalHandler([&](Form&) {
        EXPECT_EQ(other.Do("open contatto 1 ADMIN"), QStringList());
        EXPECT_EQ(other.Do("type txLuogo Sala 2"), QStringList());
        EXPECT_EQ(other.Do("click cmdConferma"), QStringList());
        ASSERT_EQ(Value("SELECT LUOGO FROM CONTATTI").toString(), "Sala 2");
        Type(c.txNote, "portare campioni");
        env.AnswerNext(Platform::vbNo);
        QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
        EXPECT_EQ(env.Prompts(), QStringList{"MARCO ha modificato questo contatto il 12/03/2026 alle 10.15, dopo che era "
                                             "stato letto qui." + tail});
        EXPECT_TRUE(c.isVisible());
        EXPECT_EQ(c.Tag, "EDIT");
        EXPECT_EQ(c.txNote->toPlainText(), "portare campioni");
        EXPECT_TRUE(c.cmdConferma->isEnabled());
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='Sala 2' AND NOTE='' AND UTENTEMODIFICA='MARCO'"), 1);
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
        env.AnswerNext(Platform::vbYes);
        QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
        EXPECT_TRUE(c.isHidden());
    });
    c.ReadRecord(1, "ADMIN");
    EXPECT_EQ(env.Boxes().size(), 2);
    EXPECT_EQ(c.Tag, "");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='sede' AND NOTE='portare campioni' AND "
                   "UTENTEMODIFICA='ADMIN'"),
              1);

    // This one saves first: the other is asked, and its No and Yes do the same there.
    EXPECT_EQ(other.Do("open contatto 1 ADMIN"), QStringList());
    const QDateTime later = now.addSecs(120);
    env.SetClock(later);
    env.ClearBoxes();
    c.Tag = "EDIT";
    Platform::SetModalHandler([&](Form&) {
        Type(c.txLuogo, "Aula");
        QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
    });
    c.ReadRecord(1, "ADMIN");
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    ASSERT_EQ(Value("SELECT LUOGO FROM CONTATTI").toString(), "Aula");
    const QString asked = "BOX ADMIN ha modificato questo contatto il " + later.toString("dd/MM/yyyy") + " alle " +
                          later.toString("HH.mm") + ", dopo che era stato letto qui." + tail;
    EXPECT_EQ(other.Do("type txDescrizione riunione"), QStringList());
    EXPECT_EQ(other.Do("answer no"), QStringList());
    EXPECT_EQ(other.Do("click cmdConferma"), QStringList{asked});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='Aula' AND DESCRIZIONE='visita'"), 1);
    EXPECT_EQ(other.Do("show txDescrizione"), QStringList{"SHOW 1 1 riunione"});
    EXPECT_EQ(other.Do("answer yes"), QStringList());
    EXPECT_EQ(other.Do("click cmdConferma"), QStringList{asked});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='sede' AND DESCRIZIONE='riunione' AND "
                   "UTENTEMODIFICA='MARCO'"),
              1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
}

// A change the calendar exchange brings into an activity is the change of
// the user who ran the exchange: the question does not put it on the last
// one who saved the card.
TEST_F(Card, AChangeFromTheCalendarIsNotPutOnTheLastOneWhoSavedTheCard) {
    const QString calendar = env.Root() + "/calendario.ics";
    Platform::SaveSetting("Brivalto", "Outlook", "FileCalendario", calendar);
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,TIPOCONT,DATA,DATAFINE,LUOGO,DESCRIZIONE,NOTE,DATAAVVISO,"
               "UTENTEMODIFICA,U_MOD) VALUES (1,'ANNA',7,'V',?,?,'sede','visita','',0,'ANNA',?)",
               {At(1, 10), At(1, 11), now.addDays(-1)});
    ASSERT_TRUE(OutlookImpEx().SyncOutlookAppointments(cn));  // the activity gets its appointment
    const QString entry = Value("SELECT OUTL_ID FROM CONTATTI").toString();
    const QDateTime later = now.addSecs(120);
    auto& c = Open();
    c.Tag = "EDIT";
    Platform::SetModalHandler([&](Form&) {
        // Meanwhile the appointment moves to another room in the calendar, and the exchange runs.
        env.SetClock(later);
        const auto folder = Platform::OpenCalendarFolder(calendar);
        const auto appointment = folder->Items().Item(entry);
        appointment->SetProperty("Location", "Sala 3");
        appointment->Save();
        ASSERT_TRUE(OutlookImpEx().SyncOutlookAppointments(cn));
        ASSERT_EQ(Value("SELECT LUOGO FROM CONTATTI").toString(), "Sala 3");
        Type(c.txNote, "portare campioni");
        env.AnswerNext(Platform::vbNo);
        QTest::mouseClick(c.cmdConferma, Qt::LeftButton);
        EXPECT_EQ(env.Prompts(), QStringList{"ADMIN ha modificato questo contatto il " + later.toString("dd/MM/yyyy") +
                                             " alle " + later.toString("HH.mm") + ", dopo che era stato letto qui. "
                                             "Salvando ora, quelle modifiche andranno perse. Salvare ugualmente?"});
        c.Tag = "KILL";
        c.cmdConferma->setEnabled(false);
        c.Hide();
    });
    c.ReadRecord(1, "ANNA");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE LUOGO='Sala 3' AND NOTE=''"), 1);
}

TEST_F(Card, AFailedSaveKeepsTheCardOpenAndTellsTheUser) {
    auto& c = Open();
    c.Tag = "NEW";
    ChooseType(c, "V");
    HeldElsewhere("CONTATTI");
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();  // the wait window said it
    EXPECT_EQ(c.Tag, "NEW");
    EXPECT_TRUE(c.cmdConferma->isEnabled());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);

    // The database refuses the row: its message, and the card stays as it was.
    cn.Execute("DELETE FROM LOCKS");
    cn.Execute("CREATE TRIGGER NOWRITE BEFORE INSERT ON CONTATTI BEGIN SELECT RAISE(ABORT, 'rifiutato'); END");
    env.ClearBoxes();
    c.cmdConferma_Click();
    EXPECT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(c.Tag, "NEW");
    EXPECT_TRUE(c.cmdConferma->isEnabled());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);

    cn.Execute("DROP TRIGGER NOWRITE");
    env.ClearBoxes();
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(c.Tag, "");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=1 AND TIPOCONT='V'"), 1);
}

TEST_F(Card, TextIsNeverCutToItsColumn) {
    auto& c = Open();
    c.Tag = "NEW";
    ChooseType(c, "T");
    // Typing and pasting stop at the column's width.
    auto type = [](QWidget* box, const QString& key) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, key);
        QApplication::sendEvent(box, &press);
    };
    c.txDescrizione->setPlainText(QString(254, 'd'));
    c.txDescrizione->moveCursor(QTextCursor::End);
    type(c.txDescrizione, "x");
    type(c.txDescrizione, "y");
    EXPECT_EQ(c.txDescrizione->toPlainText(), QString(254, 'd') + "x");
    QApplication::clipboard()->setText("incollato");
    c.txDescrizione->selectAll();
    c.txDescrizione->paste();
    EXPECT_EQ(c.txDescrizione->toPlainText(), "incollato");
    c.txDescrizione->moveCursor(QTextCursor::End);
    c.txDescrizione->insertPlainText(QString(240, 'e'));
    c.txDescrizione->paste();  // would pass the width: refused whole
    EXPECT_EQ(c.txDescrizione->toPlainText().size(), 249);
    c.txLuogo->setText(QString(100, 'l'));
    type(c.txLuogo, "x");
    EXPECT_EQ(c.txLuogo->text(), QString(100, 'l'));

    // What code put there is kept whole, and the save refuses it before anything else.
    c.txDescrizione->setPlainText(QString(279, 'd'));
    EXPECT_EQ(c.txDescrizione->toPlainText().size(), 279);
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts(), QStringList{"Errore: 3163 - Il campo è troppo piccolo per accettare la quantità di dati che "
                                         "si è tentato di aggiungere. Provare a inserire o incollare una quantità di dati "
                                         "inferiore.\r\ndescrizione contatto: 279 caratteri, al massimo 255"});
    EXPECT_EQ(c.Tag, "NEW");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
    env.ClearBoxes();
    const QString full = QString("Presentazione del nuovo listino con le prove dei campioni, gli accordi sulle "
                                 "consegne del trimestre e i prezzi per quantità. ")
                             .repeated(3)
                             .left(255);
    ASSERT_FALSE(full.endsWith(' '));
    c.txDescrizione->setPlainText(full);
    c.txLuogo->setText(QString(101, 'l'));
    c.cmdConferma_Click();
    EXPECT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts().value(0).endsWith("\r\nluogo: 101 caratteri, al massimo 100"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);

    // At its full length it is stored whole.
    env.ClearBoxes();
    c.txLuogo->setText("Sala riunioni");
    c.txID->setText("7");
    c.txID_LostFocus();
    c.show();
    QApplication::processEvents();
    c.grab().save(TestKit::ProgramFolder() + "/../activity-card-full-description.png");
    c.cmdConferma_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Value("SELECT DESCRIZIONE FROM CONTATTI").toString(), full);
}

TEST_F(Card, NumbersArePerOwnerAndAnEmptyOwnerFindsNullRows) {
    cn.Execute("INSERT INTO CONTATTI (IDCONT, UTENTE, TIPOCONT, DATA) VALUES (4, '', 'T', ?)", {now});
    cn.Execute("INSERT INTO CONTATTI (IDCONT, UTENTE, TIPOCONT, DATA, LUOGO) VALUES (7, NULL, 'V', ?, 'vecchio')", {now});
    cn.Execute("INSERT INTO CONTATTI (IDCONT, UTENTE, TIPOCONT, DATA) VALUES (12, 'ROSSI', 'T', ?)", {now});
    auto& c = Open();
    EXPECT_EQ(c.NuovaIDCONT(), 1);  // ADMIN has none
    c.lbUtente->setText("ROSSI");
    EXPECT_EQ(c.NuovaIDCONT(), 13);
    c.lbUtente->setText("");
    EXPECT_EQ(c.NuovaIDCONT(), 8);

    // A row without owner opens and saves in place.
    Platform::SetModalHandler([&](Form&) {
        EXPECT_EQ(c.txLuogo->text(), "vecchio");
        EXPECT_EQ(c.lbUtente->text(), "");
        c.txLuogo->setText("nuovo");
        c.cmdConferma_Click();
    });
    c.ReadRecord(7, "");
    EXPECT_EQ(c.Tag, "");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDCONT=7 AND UTENTE IS NULL AND LUOGO='nuovo'"), 1);

    // A number that cannot be read is never written as 0.
    ADODB::Connection closed;
    EXPECT_EQ(Attivita::NuovaIDCONT(closed, "ADMIN"), 0);
}

TEST_F(Card, ThePersonLookup) {
    auto& c = Open();
    c.txID->setText("99");
    c.mCellulare = "old";
    c.txID_LostFocus();
    EXPECT_EQ(env.Prompts(), QStringList{"ID inesistente"});
    EXPECT_EQ(c.lbRagSoc->text(), "");
    EXPECT_EQ(c.mCellulare, "");

    // Picked with the search, shown with eight digits; a company id of 0 is blank and saved as 0.
    cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME) VALUES (8,0,'Neri')");
    SearchPicks("0000008");
    c.cmdRicerca_Click();
    EXPECT_EQ(c.txID->text(), "00000008");
    EXPECT_EQ(c.lbRagSoc->text(), "Neri\n\n\n\n");
    EXPECT_EQ(c.txIDAzienda->text(), "");
    ChooseType(c, "T");
    c.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI WHERE IDANA=8 AND IDAZIENDA=0"), 1);
}

TEST_F(Card, TypeChoiceSwitchesTheDescriptionToAMessage) {
    auto& c = Open();
    EXPECT_EQ(c.Label1[1]->text(), "descrizione contatto");
    EXPECT_FALSE(c.ckSMS->isEnabled());
    ChooseType(c, "M");
    EXPECT_EQ(c.Label1[1]->text(), "testo del messaggio");
    EXPECT_TRUE(c.ckSMS->isEnabled());
    c.ckSMS->setChecked(true);
    ChooseType(c, "T");
    EXPECT_EQ(c.Label1[1]->text(), "descrizione contatto");
    EXPECT_FALSE(c.ckSMS->isEnabled());
    EXPECT_TRUE(c.ckSMS->isChecked());  // withdrawn, not changed

    // The length warning of an SMS description.
    ChooseType(c, "M");
    c.txDescrizione->setPlainText(QString(160, 'A'));
    c.txDescrizione_LostFocus();
    EXPECT_TRUE(env.Boxes().isEmpty());
    c.txDescrizione->setPlainText(QString(161, 'A'));
    c.txDescrizione_LostFocus();
    EXPECT_EQ(env.Prompts(),
              QStringList{"La lunghezza del testo del messaggio è superiore ai 160 caratteri consentiti (161)"});
    Global::gSmsProvider = 2;
    env.ClearBoxes();
    c.txDescrizione_LostFocus();
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].prompt, "La lunghezza del testo del messaggio è superiore ai 160 caratteri di un singolo "
                                     "messaggio (161) e sarà inviato consumando più di un credito. Confermi?");
    EXPECT_EQ(env.Boxes()[0].style & 0xF00, 0);  // Yes is the default

    c.Check1->click();
    EXPECT_EQ(c.Check1->checkState(), Qt::PartiallyChecked);
}

TEST_F(Card, WithoutADatabaseOnlyCancelIsLeft) {
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.Root() + "/none/missing.mdb";
    auto& c = Platform::DefaultInstance<frmContatto>();
    EXPECT_FALSE(c.cn);
    EXPECT_FALSE(c.cmdConferma->isEnabled());
    EXPECT_FALSE(c.txID->isEnabled());
    EXPECT_TRUE(c.cmdAnnulla->isEnabled());
    c.Tag = "NEW";
    c.cmdAnnulla_Click();
    EXPECT_EQ(c.Tag, "KILL");
}

TEST_F(Card, ALongNameKeepsTheCardAndItsDurationBoxes) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,NOME,AZIENDA,INDIRIZZO,CITTA) VALUES (8,"
               "'Rossi-Bianchi-Verdi-Neri-Gialli','Maria Antonietta Carlotta','Vetreria Artistica Muranese di Venezia',"
               "'Via dei Lunghi Nomi Veneziani 1234','San Giovanni in Persiceto')");
    auto& c = Open();
    c.show();
    QApplication::processEvents();
    const QSize size = c.size();
    const int duration = c.dpDurata->width();
    c.txID->setText("8");
    c.txID_LostFocus();
    QApplication::processEvents();
    EXPECT_TRUE(c.lbRagSoc->text().startsWith("Rossi-Bianchi-Verdi-Neri-Gialli Maria Antonietta Carlotta"));
    EXPECT_EQ(c.size(), size);
    EXPECT_EQ(c.dpDurata->width(), duration);
    c.Tag = "KILL";
    c.cmdConferma->setEnabled(false);
}
