#include "ADODB.h"
#include "Form.h"
#include "Global.h"
#include "Keyboard.h"
#include "ListView.h"
#include "MultiButton.h"
#include "RegistryDb.h"
#include "TestKit.h"
#include "frmCercaAnagrafica.h"

#include "ComboBox.h"
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {
class Search : public RegistryDb {
protected:
    void SetUp() override {
        RegistryDb::SetUp();
        const char* rows[] = {
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME,CITTA) VALUES (1,0,'Studio Tecnico Bianchi','','','Roma')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,COGNOME,NOME,CITTA) VALUES (2,1,'Studio Tecnico Bianchi','Bianchi','Anna','Roma')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME,CITTA,FREEFIELD1) VALUES (3,0,'D''Angelo','Rita','Forlì','VIP')",
            "INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME,CITTA) VALUES (4,0,NULL,'Marco','Milano')",
            "INSERT INTO CONFIGURAZIONE (NOMEFREEFIELDANA1) VALUES ('Livello')",
        };
        for (const char* r : rows) cn.Execute(r);
    }
    frmCercaAnagrafica* Open() {
        form = std::make_unique<frmCercaAnagrafica>();
        form->Load();
        return form.get();
    }
    QStringList Ids() {
        form->cmdAggiorna_Click();
        return Keys(*form->LV);
    }
    std::unique_ptr<frmCercaAnagrafica> form;
};
}  // namespace

TEST_F(Search, TheStatementForTheFilters) {
    auto* f = Open();
    QVariantList p;
    EXPECT_EQ(f->SearchSql(p), "SELECT * FROM ANAGRAFICA ORDER BY AZIENDA,COGNOME,NOME,CITTA;");
    f->txNome->setText("studio tecnico");
    f->opConfronto[1]->setChecked(true);
    f->txCitta->setText("Roma");
    p.clear();
    EXPECT_EQ(f->SearchSql(p),
              "SELECT * FROM ANAGRAFICA WHERE ((AZIENDA LIKE ? OR COGNOME LIKE ? OR NOME LIKE ?) AND (AZIENDA LIKE ? OR "
              "COGNOME LIKE ? OR NOME LIKE ?)) AND CITTA LIKE ? ORDER BY AZIENDA,COGNOME,NOME,CITTA;");
    EXPECT_EQ(p, QVariantList({"%studio%", "%studio%", "%studio%", "%tecnico%", "%tecnico%", "%tecnico%", "%Roma%"}));
    f->opConfronto[0]->setChecked(true);
    f->txNome->setText("d'angelo");
    f->txIDAzienda->setText("12");
    f->txEmail->setText("x@y");
    f->txCAP->setText("47121");
    f->cbCategoria->setEditText("clienti");
    f->cbTitolo->setEditText("dott.");
    p.clear();
    EXPECT_EQ(f->SearchSql(p),
              "SELECT * FROM ANAGRAFICA WHERE (AZIENDA LIKE ? OR COGNOME LIKE ? OR NOME LIKE ?) AND IDAZIENDA =12 AND "
              "EMAIL LIKE ? AND CAP LIKE ? AND CITTA LIKE ? AND CATEGORIA LIKE ? AND TITOLO LIKE ? "
              "ORDER BY AZIENDA,COGNOME,NOME,CITTA;");
    EXPECT_EQ(p.first().toString(), "%d'angelo%");
    f->txIDAzienda->setText("abc");
    p.clear();
    EXPECT_FALSE(f->SearchSql(p).contains("IDAZIENDA"));
}

TEST_F(Search, RowsAndColumns) {
    auto* f = Open();
    EXPECT_EQ(f->LV->Column(16).Text(), "Livello");
    // Its caption is its key too, as for every other column.
    EXPECT_EQ(f->LV->Column(16).Key(), "Livello");
    EXPECT_EQ(f->LV->Column("Livello").Index(), 16);
    EXPECT_EQ(f->LV->Column(17).Key(), "ff2");
    f->txNome->setText("d'angelo");
    EXPECT_EQ(Ids(), QStringList({"0000003"}));
    EXPECT_EQ(f->LV->Item(1).SubItem(4), "D'Angelo Rita");
    EXPECT_EQ(f->LV->Item(1).SubItem(15), "VIP");
    EXPECT_GT(f->LV->Column(16).Width(), 0);
    EXPECT_EQ(f->LV->Column(17).Width(), 0);  // no caption: hidden
    f->txNome->setText("marco");
    EXPECT_EQ(Ids(), QStringList({"0000004"}));
    EXPECT_EQ(f->LV->Item(1).SubItem(4), "Marco");  // no leading blank
    f->txNome->clear();
    Ids();
    f->resize(1000, 560);
    f->show();
    f->grab().save(TestKit::ProgramFolder() + "/../search.png");
    f->txNome->setText("studio tecnico");
    f->opConfronto[1]->setChecked(true);
    EXPECT_EQ(Ids().size(), 2);
    f->txNome->clear();
    f->txIDAzienda->setText("1");
    EXPECT_EQ(Ids(), QStringList({"0000002"}));
}

TEST_F(Search, ARestrictedUserSeesOnlyHisRecordsWhateverTheCaseOfHisName) {
    cn.Execute("INSERT INTO UTENTI (UTENTE,[PASSWORD],ISADMIN) VALUES ('O''Neil','',0)");
    cn.Execute("INSERT INTO ANAUTE (ANA_ID, UTENTE) VALUES (3, 'O''NEIL')");
    Global::gCurrentUser = "o'neil";
    auto* f = Open();
    EXPECT_TRUE(f->RestrictedView());
    QVariantList p;
    EXPECT_EQ(f->SearchSql(p), "SELECT * FROM ANAGRAFICA INNER JOIN ANAUTE ON ANAUTE.ANA_ID=ANAGRAFICA.ID WHERE "
                               "ANAUTE.UTENTE=? ORDER BY AZIENDA,COGNOME,NOME,CITTA;");
    EXPECT_EQ(Ids(), QStringList({"0000003"}));
    f->txCitta->setText("roma");
    EXPECT_EQ(Ids(), QStringList());
}

TEST_F(Search, TheTagAndTheCheckedRows) {
    auto* f = Open();
    Ids();
    f->cmdSeleziona_Click();
    EXPECT_EQ(f->Tag, "");  // nothing selected: the window stays
    f->LV->SetCheckboxes(true);
    Ids();
    f->LV->Item(2).SetChecked(true);
    f->LV->Item(1).SetSelected(true);
    f->cmdSeleziona_Click();
    EXPECT_TRUE(f->RowsChecked);
    EXPECT_EQ(f->Tag.size(), 7);
    f->Show();
    f->close();  // the frame is a cancel
    EXPECT_EQ(f->Tag, "");
    f->txIDAzienda->setText("2");  // a person, not a company
    f->txIDAzienda_LostFocus();
    EXPECT_EQ(env.Prompts().last(), "L'anagrafica con questa id non esiste o non corrisponde ad una azienda");
}

// The category and title lists filter by what is typed, never by an entry
// that begins with it; Escape cancels the window.
TEST_F(Search, TheListsFilterByWhatIsTypedAndEscapeCancels) {
    cn.Execute("UPDATE ANAGRAFICA SET CATEGORIA='Cliente', TITOLO='ing.' WHERE ID=1");
    cn.Execute("UPDATE ANAGRAFICA SET CATEGORIA='Clienti esteri', TITOLO='ingegnere' WHERE ID=2");
    auto* f = Open();
    TestKit::OnScreen(*f);
    f->cbCategoria->setFocus();
    TestKit::Type("Client");
    TestKit::Press(Qt::Key_Tab);
    f->cbTitolo->setFocus();
    TestKit::Type("in");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(Ids(), QStringList({"0000001", "0000002"}));
    f->Tag = "0000001";
    TestKit::OnScreen(*f);  // back from the search's wait window
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(f->Tag, "");
    EXPECT_TRUE(f->isHidden());
}

TEST_F(Search, WithoutItsDatabaseOnlyCancelWorks) {
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.Root() + "/manca.mdb";
    auto* f = Open();
    EXPECT_TRUE(f->cmdAnnulla->isEnabled());
    EXPECT_FALSE(f->cmdAggiorna->isEnabled());
}
