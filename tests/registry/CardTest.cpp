#include "ADODB.h"
#include "ListView.h"
#include "ComboBox.h"
#include "DatePicker.h"
#include "FileSizeLimit.h"
#include "Keyboard.h"
#include "Form.h"
#include "Global.h"
#include "MultiButton.h"
#include "RegistryDb.h"
#include "TestKit.h"
#include "Values.h"
#include "frmAnagrafica.h"
#include "frmCercaAnagrafica.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QThread>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {
class Card : public RegistryDb {
protected:
    void SetUp() override {
        RegistryDb::SetUp();
        cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('1', 'Clienti')");
        cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('a2', 'Fornitori')");
    }
    frmAnagrafica& Open() {
        card = std::make_unique<frmAnagrafica>();
        card->Load();
        return *card;
    }
    // The user leaves a field with the Tab key.
    static void Leave(QWidget* field) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &out);
    }
    std::unique_ptr<frmAnagrafica> card;
};
}  // namespace

TEST_F(Card, ANewRecordIsSavedReadBackAndCopied) {
    auto& c = Open();
    EXPECT_EQ(c.lbID->text(), "");
    EXPECT_FALSE(c.cmdSalva->isEnabled());
    c.cmdNuovo_Click();
    c.txAzienda->setText("  Vetri srl ");
    c.txAzienda_LostFocus();
    c.txEmail->setText("info@vetri.it");
    c.txNote->setPlainText("   ");
    c.lsCatMer->item(1)->setCheckState(Qt::Checked);  // Fornitori, code a2
    ASSERT_TRUE(c.cmdSalva->isEnabled());
    // A category longer than its column is refused whole, never cut.
    c.cbCategoria->SetText(QString(60, 'c'));
    c.cmdSalva_Click();
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Errore: 3163")) << env.Prompts()[0].toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 0);
    EXPECT_EQ(c.cbCategoria->Text(), QString(60, 'c'));
    env.ClearBoxes();
    c.cbCategoria->SetText(QString(50, 'c'));
    c.cmdSalva_Click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(c.lbID->text(), "00000001");
    EXPECT_EQ(c.txAzienda->text(), "Vetri S.R.L.");
    EXPECT_EQ(c.txIDAzienda->text(), " ");
    EXPECT_FALSE(c.cmdSalva->isEnabled());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE ID=1 AND PREFERENZA='S' AND IDAZIENDA=0 AND NOTE IS NULL "
                   "AND LENGTH(CATEGORIA)=50 AND DATNAS IS NULL"),
              1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANACAT WHERE ANA_ID=1 AND CAT_CODICE='A2'"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);

    c.cmdCopiaScheda_Click();
    EXPECT_EQ(c.lbID->text(), "");
    EXPECT_FALSE(c.cmdSalva->isEnabled());
    EXPECT_TRUE(c.dpDatNas->Value().isNull());  // no invented birth date
    c.txCognome->setText("rossi");
    env.AnswerNext(Platform::vbYes);  // no address, e-mail or fax: saved all the same
    c.cmdSalva_Click();
    EXPECT_EQ(c.lbID->text(), "00000002");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANACAT WHERE ANA_ID=2"), 1);  // categories kept by the copy
}

// The record and its categories are one write: when the engine gives up half
// way (here a trigger standing for a full disk rolls everything back) nothing
// is left half saved, and the engine's own error is what the user reads.
TEST_F(Card, ACategoryLinkThatFailsLeavesNoHalfSavedRecord) {
    cn.Execute("CREATE TRIGGER pieno BEFORE INSERT ON ANACAT BEGIN SELECT RAISE(ROLLBACK, 'disco pieno'); END");
    auto& c = Open();
    c.cmdNuovo_Click();
    c.txCognome->setText("Rossi");
    c.txEmail->setText("rossi@example.it");
    c.lsCatMer->item(0)->setCheckState(Qt::Checked);
    c.cmdSalva_Click();
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts()[0].startsWith("Errore in salvataggio anagrafica")) << env.Prompts()[0].toStdString();
    EXPECT_TRUE(env.Prompts()[0].contains("disco pieno")) << env.Prompts()[0].toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    EXPECT_EQ(c.lbID->text(), "");
    EXPECT_EQ(c.txCognome->text(), "Rossi");
    EXPECT_TRUE(c.cmdSalva->isEnabled());
}

TEST_F(Card, AFullDiskSavesNothingAndSaysSo) {
    auto& c = Open();
    c.cmdNuovo_Click();
    c.txCognome->setText("Rossi");
    c.txEmail->setText("rossi@example.it");
    c.txNote->setPlainText(QString(200000, 'n'));
    c.lsCatMer->item(0)->setCheckState(Qt::Checked);
    {
        // Room for the table lock, none for a record that makes the file grow.
        TestKit::FileSizeLimit full(QFileInfo(env.DatabaseFile()).size());
        c.cmdSalva_Click();
    }
    ASSERT_FALSE(env.Prompts().isEmpty());
    EXPECT_TRUE(env.Prompts().last().contains("disco")) << env.Prompts().join("|").toStdString();
    EXPECT_FALSE(env.Prompts().join("|").contains("transaction"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANACAT"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    EXPECT_EQ(c.txCognome->text(), "Rossi");
}

TEST_F(Card, ANewCardStartsEmpty) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME, NOTE, FREEFIELD1, DATNAS) VALUES (5, 12, 'Bianchi', "
               "'nota', 'x', #05/01/1980#)");
    auto& c = Open();
    c.ReadRecord(5);
    EXPECT_EQ(c.txIDAzienda->text(), "00000012");
    EXPECT_EQ(c.txNote->toPlainText(), "nota");
    EXPECT_EQ(c.dpDatNas->Value().toDateTime().date(), QDate(1980, 5, 1));
    c.cmdNuovo_Click();
    EXPECT_EQ(c.txNote->toPlainText(), "");
    EXPECT_EQ(c.txFreeField[0]->text(), "");
    EXPECT_TRUE(c.dpDatNas->Value().isNull());
}

TEST_F(Card, DeleteTakesLinksAndRefusesRecordsWithActivities) {
    for (int id : {1, 2, 3}) cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (?, 'X')", {id});
    cn.Execute("INSERT INTO ANACAT (ANA_ID, CAT_CODICE) VALUES (2, '1')");
    cn.Execute("INSERT INTO ANAUTE (ANA_ID, UTENTE) VALUES (2, 'LUCA')");
    cn.Execute("INSERT INTO CONTATTI (IDCONT, IDANA, UTENTE) VALUES (1, 3, 'ADMIN')");
    auto& c = Open();
    c.ReadRecord(2);
    c.cmdElimina_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE ID=2"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANACAT"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAUTE"), 0);
    EXPECT_EQ(c.lbID->text(), "00000003");  // the next one
    c.cmdElimina_Click();
    EXPECT_EQ(env.Prompts().last(), "L'eliminazione non è possibile poichè esistono contatti per questa anagrafica");
    cn.Execute("DELETE FROM CONTATTI");
    cn.Execute("DELETE FROM ANAGRAFICA WHERE ID=1");
    c.cmdElimina_Click();  // the last record
    EXPECT_EQ(c.lbID->text(), "");
    EXPECT_FALSE(c.cmdElimina->isEnabled());
}

TEST_F(Card, NavigationAndTheCompanyLink) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, CITTA, TELEFONO) VALUES (7, 0, 'Acme', 'Forlì', '0543')");
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME) VALUES (9, 7, 'Verdi')");
    auto& c = Open();
    c.cmdFirst_Click();
    EXPECT_EQ(c.lbID->text(), "00000007");
    c.cmdNext_Click();
    EXPECT_EQ(c.lbID->text(), "00000009");
    c.cmdNext_Click();  // beyond the end: stays
    EXPECT_EQ(c.lbID->text(), "00000009");
    // Leaving the unchanged company id copies the company's data again.
    c.txCitta->setText("Cesena");
    Leave(c.txIDAzienda);
    EXPECT_EQ(c.txCitta->text(), "Forlì");
    c.txCitta->setText("Cesena");
    c.txIDAzienda->setText("7");
    Leave(c.txIDAzienda);
    EXPECT_EQ(c.txCitta->text(), "Forlì");
    EXPECT_EQ(c.txTelefono->text(), "0543");
    // So does picking the same company again with the company button.
    c.txTelefono->setText("0000");
    Platform::SetModalHandler([](Platform::Form& shown) {
        shown.Tag = "7";
        shown.Hide();
    });
    c.Command1->click();
    Platform::SetModalHandler({});
    EXPECT_EQ(c.txTelefono->text(), "0543");
    c.txIDAzienda->setText("9");
    c.txIDAzienda_LostFocus();
    EXPECT_EQ(env.Prompts().last(), "L'anagrafica con questa id non esiste o non corrisponde ad una azienda");
}

// An edit typed and not saved is dropped by moving to another record only on
// the user's word: No keeps the card and the edit. The delete moves off the
// deleted record without asking.
TEST_F(Card, MovingAwayFromAnEditNotSavedAsksFirst) {
    int id = 0;
    for (const char* name : {"Alberti", "Bianchi", "Conti"})
        cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (?, ?)", {++id, QString(name)});
    const QString question = "Sono state effettuate modifiche che non sono state salvate. Proseguo ugualmente?";
    auto& c = Open();
    TestKit::OnScreen(c);
    Platform::SetModalHandler([](Platform::Form&) {
        auto& search = Platform::DefaultInstance<frmCercaAnagrafica>();
        search.cmdAggiorna_Click();
        search.LV->Item(3).SetSelected(true);
        search.cmdSeleziona_Click();
    });
    const std::pair<Platform::MultiButton*, const char*> moves[] = {
        {c.cmdFirst, "00000001"}, {c.cmdPrevious, "00000001"}, {c.cmdNext, "00000003"},
        {c.cmdLast, "00000003"},  {c.cmdRicerca, "00000003"}};
    for (const auto& [button, reached] : moves) {
        TestKit::OnScreen(c);  // back from the search
        c.ReadRecord(2);
        c.txNome->setFocus();
        TestKit::Type("Ugo");
        env.ClearBoxes();
        env.AnswerNext(Platform::vbNo);
        TestKit::Click(button);
        EXPECT_EQ(env.Prompts(), QStringList{question}) << button->objectName().toStdString();
        EXPECT_EQ(env.Boxes().value(0).style, Platform::vbYesNo + Platform::vbDefaultButton2);
        EXPECT_EQ(c.lbID->text(), "00000002");
        EXPECT_EQ(c.txNome->text(), "Ugo");
        EXPECT_TRUE(c.cmdSalva->isEnabled());
        env.AnswerNext(Platform::vbYes);
        TestKit::Click(button);
        EXPECT_EQ(c.lbID->text(), reached) << button->objectName().toStdString();
        EXPECT_EQ(c.txNome->text(), "");
    }
    Platform::SetModalHandler({});
    TestKit::OnScreen(c);
    c.ReadRecord(2);
    c.txNome->setFocus();
    TestKit::Type("Ugo");
    env.ClearBoxes();
    TestKit::Click(c.cmdElimina);  // its own question, Yes by default
    EXPECT_EQ(env.Prompts(), QStringList{"Confermi eliminazione della scheda anagrafica selezionata?"});
    EXPECT_EQ(c.lbID->text(), "00000003");
    Platform::DefaultInstance<frmCercaAnagrafica>().Unload();
}

TEST_F(Card, LeavingAFieldAppliesItsRuleEveryTime) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME, AZIENDA, FAX) VALUES (3, 0, 'de  rossi', 'acme  bianchi', '+39 0543')");
    auto& c = Open();
    c.cmdFirst_Click();
    EXPECT_EQ(c.txCognome->text(), "de  rossi");
    // Tabbing through the loaded record's fields normalises them.
    Leave(c.txCognome);
    Leave(c.txAzienda);
    EXPECT_EQ(c.txCognome->text(), "De Rossi");
    EXPECT_EQ(c.txAzienda->text(), "Acme Bianchi");
    // An unchanged bad fax number warns each time the field is left.
    env.ClearBoxes();
    Leave(c.txFax);
    Leave(c.txFax);
    EXPECT_EQ(env.Prompts(), QStringList(2, "Il numero di fax puà contenere solo numeri ed eventualmente spazi"));
    // A message box taking the window's activation is no leave.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(c.txFax, &away);
    EXPECT_EQ(env.Boxes().size(), 2);
}

TEST_F(Card, FieldRules) {
    auto& c = Open();
    c.cmdNuovo_Click();
    c.txFax->setText("0543 123");
    c.txFax_LostFocus();
    EXPECT_TRUE(env.Boxes().isEmpty());
    c.txFax->setText("+39 0543");
    c.txFax_LostFocus();
    EXPECT_EQ(env.Prompts().last(), "Il numero di fax puà contenere solo numeri ed eventualmente spazi");
    c.txFax->clear();
    c.opPreferenza[1]->setChecked(true);
    c.opPreferenza_Click(1);
    EXPECT_TRUE(env.Prompts().last().startsWith("Non è stato inserito il numero di Fax."));
    c.txCognome->setText("  de   rossi ");
    c.txCognome_LostFocus();
    EXPECT_EQ(c.txCognome->text(), "De Rossi");
    c.txCognome->clear();
    c.cmdSalva_Click();
    EXPECT_EQ(env.Prompts().last(), "E' necessario inserire cognome e nome o ragione sociale azienda");
    c.txNome->setText("Anna");
    env.AnswerNext(Platform::vbNo);
    c.cmdSalva_Click();
    EXPECT_TRUE(env.Prompts().last().startsWith("Attenzione, non sono stati inseriti dati sufficienti"));
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 0);
}

// What is typed in the title and category lists is what is stored: their
// lists only offer; a typed title is normalised as the user leaves it, by Tab
// or by a click.
TEST_F(Card, TheListsKeepWhatIsTypedAndATypedTitleIsNormalisedOnLeaving) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, TITOLO, CATEGORIA) VALUES (1, 'Bianchi', 'sig.ra', 'Clienti esteri')");
    auto& c = Open();
    TestKit::OnScreen(c);
    c.cmdNuovo_Click();
    ASSERT_EQ(TestKit::Focused(), c.cbCategoria);
    TestKit::Type("Clienti");
    TestKit::Press(Qt::Key_Tab);
    c.cbTitolo->setFocus();
    TestKit::Type("sig.");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(TestKit::Focused(), c.txCognome);
    TestKit::Type("Esposito");
    c.txEmail->setFocus();
    TestKit::Type("esposito@example.it");
    c.cmdSalva->click();
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE ID=2 AND TITOLO='sig.' AND CATEGORIA='Clienti'"), 1);

    TestKit::OnScreen(c);  // back from the save's wait window
    c.cmdNuovo_Click();
    c.cbTitolo->setFocus();
    TestKit::Type("Dott.");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(c.cbTitolo->Text(), "dott.");
    c.cbTitolo->setFocus();
    c.cbTitolo->lineEdit()->selectAll();
    TestKit::Type("Ing.");
    TestKit::Click(c.txNome);
    EXPECT_EQ(TestKit::Focused(), c.txNome);
    EXPECT_EQ(c.cbTitolo->Text(), "ing.");
}

// The birth date is reached and typed from the keyboard: from the fax number
// to its tick box, Space, Tab into the date. A card without a date ticked
// starts at 1/1/1970, not at the date of the record shown before. Tab leaves
// the notes without typing a tab into them.
TEST_F(Card, TheBirthDateIsTypedFromTheKeyboard) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME, DATNAS) VALUES (1, 'Bianchi', #03/15/1980#)");
    auto& c = Open();
    TestKit::OnScreen(c);
    c.dpDatNas->TickBox()->setFocus();
    TestKit::Press(Qt::Key_Space);
    EXPECT_EQ(c.dpDatNas->Value().toDateTime().date(), QDate(1970, 1, 1));
    c.ReadRecord(1);
    c.cmdNuovo_Click();
    c.txCognome->setFocus();
    TestKit::Type("Esposito");
    c.txFax->setFocus();
    TestKit::Type("0543 123");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(TestKit::Focused(), c.opPreferenza[0]);
    TestKit::Press(Qt::Key_Tab);
    ASSERT_EQ(TestKit::Focused(), c.dpDatNas->TickBox());
    TestKit::Press(Qt::Key_Space);
    EXPECT_EQ(c.dpDatNas->Editor()->text(), "01/01/1970");
    TestKit::Press(Qt::Key_Tab);
    ASSERT_EQ(TestKit::Focused(), c.dpDatNas->Editor());
    TestKit::Type("01031980");
    TestKit::Press(Qt::Key_Tab);
    ASSERT_EQ(TestKit::Focused(), c.txNote);
    TestKit::Type("Cliente storico");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_NE(TestKit::Focused(), c.txNote);
    env.AnswerNext(Platform::vbYes);  // no address: saved all the same
    c.cmdSalva->click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA WHERE ID=2 AND NOTE='Cliente storico' AND FAX='0543 123'"), 1);
    EXPECT_EQ(c.dpDatNas->Value().toDateTime().date(), QDate(1980, 3, 1));
}

// A text longer than its box shows its beginning once a record is loaded;
// Escape answers the exit button, which asks about unsaved changes.
TEST_F(Card, ALoadedCardShowsTheBeginningOfItsTextsAndEscapeLeavesIt) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA) VALUES (1, 0, "
               "'Elettromeccanica Lombarda Di Precisione S.p.A.')");
    QPointer<frmAnagrafica> c = new frmAnagrafica;  // an unloaded window goes by itself
    c->Load();
    c->resize(500, c->height());
    TestKit::OnScreen(*c);
    c->ReadRecord(1);
    EXPECT_EQ(c->txAzienda->cursorPosition(), 0);
    c->txNome->setFocus();
    TestKit::Type("Ugo");
    env.AnswerNext(Platform::vbNo);
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(env.Prompts(), QStringList{"Sono state effettuate modifiche che non sono state salvate. Proseguo ugualmente?"});
    ASSERT_FALSE(c->IsUnloaded());
    env.AnswerNext(Platform::vbYes);
    TestKit::Press(Qt::Key_Escape);
    EXPECT_TRUE(!c || c->IsUnloaded());
}

TEST_F(Card, FreeFieldCaptionsSetTheHeight) {
    auto& plain = Open();
    EXPECT_EQ(plain.HeightTwips(), 7680);
    EXPECT_TRUE(plain.txFreeField[0]->isHidden());
    cn.Execute("INSERT INTO CONFIGURAZIONE (NOMEFREEFIELDANA1, NOMEFREEFIELDANA3) VALUES ('   ', 'Agente')");
    auto& third = Open();
    EXPECT_EQ(third.HeightTwips(), 8760);
    EXPECT_TRUE(third.txFreeField[0]->isHidden());
    EXPECT_FALSE(third.txFreeField[2]->isHidden());
    EXPECT_EQ(third.lbfreefield[2]->text(), "Agente");
    third.resize(760, Platform::TwipsToPixels(8760));
    third.show();
    third.grab().save(TestKit::ProgramFolder() + "/../card.png");
}

// Two workstations save at once while a third holds the file for a long commit as they start:
// each waits its turn, so every card is saved, each with its own identifier.
TEST_F(Card, TwoWorkstationsSavingAtOnceGetDistinctIdentifiers) {
    auto run = [&](const QString& name, const QString& station) {
        auto* p = new QProcess;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("BRIVALTO_COMPUTERNAME", station);
        p->setProcessEnvironment(e);
        p->start(QStringLiteral(CARD_SAVER), {env.DatabaseFile(), name, "15", env.SettingsFolder()});
        return p;
    };
    // Longer than the moment a workstation waits for the file at opening before it asks.
    cn.Execute("BEGIN EXCLUSIVE");
    std::unique_ptr<QProcess> a(run("Alfa", "POSTAZIONE1")), b(run("Beta", "POSTAZIONE2"));
    QThread::msleep(2500);
    cn.Execute("COMMIT");
    // A loaded machine may take long; the suite's own limit stays above this one.
    ASSERT_TRUE(a->waitForFinished(240000));
    ASSERT_TRUE(b->waitForFinished(240000));
    const std::string said = "Alfa:\n" + a->readAllStandardError().toStdString() + "Beta:\n" +
                             b->readAllStandardError().toStdString();
    EXPECT_EQ(a->exitCode(), 0) << said;
    EXPECT_EQ(b->exitCode(), 0) << said;
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANAGRAFICA"), 30) << said;
    EXPECT_EQ(Rows("SELECT COUNT(DISTINCT ID) FROM ANAGRAFICA"), 30) << said;
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0) << said;
}

#include "OtherWorkstation.h"

#include <QTest>

namespace {
// The user types into a field of the card in sight, over what it held.
void Type(QWidget* field, const QString& keys) {
    QApplication::setActiveWindow(field->window());
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
    QTest::keyClicks(field, keys);
}
}  // namespace

// Two workstations on one record: a save never writes over what the other
// stored since the card was read without asking, whichever saves first; No
// leaves the stored record and the card as they are, Yes writes.
TEST_F(Card, ARecordChangedByAnotherWorkstationIsNotOverwrittenUnasked) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID, IDAZIENDA, COGNOME, RUOLO, TELEFONOCASA, EMAIL, UTENTE, U_MOD) VALUES "
               "(2, 0, 'Esposito', 'acquisti', '0543 1', 'e@x.it', 'ANNA', #01/02/2026 09.00.00#)");
    cn.Execute("INSERT INTO UTENTI (UTENTE, [PASSWORD], ISADMIN) VALUES ('MARCO', '', -1)");
    const TestKit::EnvironmentVariable here("BRIVALTO_COMPUTERNAME", "POSTAZIONE1");
    TestKit::OtherWorkstation other(QStringLiteral(CARD_EDITOR), "POSTAZIONE2",
                                    {env.DatabaseFile(), env.SettingsFolder(), "MARCO", "2026-03-12T10:15:00"});
    auto stored = [&](const QString& column) {
        ADODB::Recordset rs;
        rs.Open("SELECT " + column + " FROM ANAGRAFICA WHERE ID=2", cn);
        return rs.Fields(0).Value().toString();
    };
    const QString question = "MARCO ha modificato questa scheda anagrafica il 12/03/2026 alle 10.15, dopo che era stata "
                             "letta qui. Salvando ora, quelle modifiche andranno perse. Salvare ugualmente?";
    env.SetClock(QDateTime(QDate(2026, 3, 12), QTime(11, 40)));
    auto& c = Open();
    c.show();

    // The other workstation saves first: this one is asked.
    c.ReadRecord(2);
    EXPECT_EQ(other.Do("open anagrafica 2"), QStringList());
    EXPECT_EQ(other.Do("type txTelefonoCasa 0543 999"), QStringList());
    EXPECT_EQ(other.Do("click cmdSalva"), QStringList());
    ASSERT_EQ(stored("TELEFONOCASA"), "0543 999");
    Type(c.txContatto, "commerciale");
    env.AnswerNext(Platform::vbNo);
    QTest::mouseClick(c.cmdSalva, Qt::LeftButton);
    EXPECT_EQ(env.Prompts(), QStringList{question});
    EXPECT_EQ(env.Boxes().value(0).style, Platform::vbYesNo + Platform::vbQuestion + Platform::vbDefaultButton2);
    EXPECT_EQ(stored("RUOLO"), "acquisti");
    EXPECT_EQ(stored("TELEFONOCASA"), "0543 999");
    EXPECT_EQ(c.txContatto->text(), "commerciale");
    EXPECT_EQ(c.txTelefonoCasa->text(), "0543 1");
    EXPECT_TRUE(c.cmdSalva->isEnabled());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    env.ClearBoxes();
    env.AnswerNext(Platform::vbYes);
    QTest::mouseClick(c.cmdSalva, Qt::LeftButton);
    EXPECT_EQ(env.Prompts(), QStringList{question});
    EXPECT_EQ(stored("RUOLO"), "commerciale");
    EXPECT_EQ(stored("TELEFONOCASA"), "0543 1");  // written over, as the user chose
    EXPECT_EQ(stored("UTENTE"), "ADMIN");
    EXPECT_FALSE(c.cmdSalva->isEnabled());

    // This one saves first: the other is asked, and its No and Yes do the same there.
    EXPECT_EQ(other.Do("open anagrafica 2"), QStringList());
    env.SetClock(QDateTime(QDate(2026, 3, 12), QTime(11, 45)));
    env.ClearBoxes();
    Type(c.txContatto, "direttore");
    QTest::mouseClick(c.cmdSalva, Qt::LeftButton);
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join("|").toStdString();  // nothing changed since it was read
    ASSERT_EQ(stored("RUOLO"), "direttore");
    const QString asked = "BOX ADMIN ha modificato questa scheda anagrafica il 12/03/2026 alle 11.45, dopo che era "
                          "stata letta qui. Salvando ora, quelle modifiche andranno perse. Salvare ugualmente?";
    EXPECT_EQ(other.Do("type txTelefonoCasa 0543 777"), QStringList());
    EXPECT_EQ(other.Do("answer no"), QStringList());
    EXPECT_EQ(other.Do("click cmdSalva"), QStringList{asked});
    EXPECT_EQ(stored("RUOLO"), "direttore");
    EXPECT_EQ(stored("TELEFONOCASA"), "0543 1");
    EXPECT_EQ(other.Do("show txTelefonoCasa"), QStringList{"SHOW 1 1 0543 777"});
    EXPECT_EQ(other.Do("show cmdSalva"), QStringList{"SHOW 1 1"});
    EXPECT_EQ(other.Do("answer yes"), QStringList());
    EXPECT_EQ(other.Do("click cmdSalva"), QStringList{asked});
    EXPECT_EQ(stored("TELEFONOCASA"), "0543 777");
    EXPECT_EQ(stored("RUOLO"), "commerciale");  // the other's card still held it
    EXPECT_EQ(stored("UTENTE"), "MARCO");
    EXPECT_EQ(other.Do("show cmdSalva"), QStringList{"SHOW 1 0"});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM LOCKS"), 0);
    c.hide();
}

#include "frmCercaAnagrafica.h"

TEST_F(Card, ARestrictedUserStartsFromTheSearch) {
    cn.Execute("INSERT INTO UTENTI (UTENTE, [PASSWORD], ISADMIN) VALUES ('LUCA', '', 0)");
    cn.Execute("INSERT INTO ANAGRAFICA (ID, COGNOME) VALUES (4, 'Suo')");
    cn.Execute("INSERT INTO ANAUTE (ANA_ID, UTENTE) VALUES (4, 'LUCA')");
    Global::gCurrentUser = "LUCA";
    // Cancelled: the card never shows.
    Platform::SetModalHandler([](Platform::Form&) {
        Platform::DefaultInstance<frmCercaAnagrafica>().cmdAnnulla_Click();
    });
    auto* card1 = new frmAnagrafica;
    card1->Load();
    EXPECT_TRUE(card1->IsUnloaded());
    // Picked: the card shows that record, without new, delete or navigation.
    Platform::SetModalHandler([](Platform::Form&) {
        auto& search = Platform::DefaultInstance<frmCercaAnagrafica>();
        search.cmdAggiorna_Click();
        search.LV->Item(1).SetSelected(true);
        search.cmdSeleziona_Click();
    });
    auto& c = Open();
    Platform::SetModalHandler({});
    EXPECT_FALSE(c.IsUnloaded());
    EXPECT_EQ(c.lbID->text(), "00000004");
    EXPECT_TRUE(c.cmdNuovo->isHidden());
    EXPECT_TRUE(c.cmdNext->isHidden());
    Platform::DefaultInstance<frmCercaAnagrafica>().Unload();
}
