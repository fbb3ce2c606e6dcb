#include "ADODB.h"
#include "Global.h"
#include "Keyboard.h"
#include "ListView.h"
#include "MultiButton.h"
#include "RegistryDb.h"
#include "TestKit.h"
#include "frmAziende.h"

#include "ComboBox.h"
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {
class Companies : public RegistryDb {
protected:
    void SetUp() override {
        RegistryDb::SetUp();
        const char* rows[] = {
            "INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, COGNOME, NOME, CITTA, CATEGORIA) VALUES (1,0,'Vetri Rossi','','','Forlì','clienti')",
            "INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, COGNOME, NOME, CITTA) VALUES (2,0,'Acme Vetri',NULL,NULL,'Milano')",
            "INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, COGNOME, NOME, CITTA) VALUES (3,0,'L''Orto Verde','','','Cesena')",
            "INSERT INTO ANAGRAFICA (ID, IDAZIENDA, AZIENDA, COGNOME, NOME, CITTA) VALUES (4,1,'Vetri Rossi','Bianchi','Luca','Forlì')",
        };
        for (const char* r : rows) cn.Execute(r);
        form = new frmAziende;
        form->Load();
    }
    void TearDown() override { delete form; }
    QStringList Found() {
        form->cmdAggiorna_Click();
        return Keys(*form->LV);
    }
    frmAziende* form = nullptr;
};
}  // namespace

TEST_F(Companies, AnyWordOrAllTogether) {
    EXPECT_EQ(Found(), QStringList({"0000002", "0000003", "0000001"}));  // a Null surname is a company too
    form->txNome->setText("vetri acme");
    EXPECT_EQ(Found(), QStringList({"0000002", "0000001"}));
    form->opConfronto[1]->setChecked(true);
    EXPECT_EQ(Found(), QStringList());
    form->txNome->setText("acme vetri");
    EXPECT_EQ(Found(), QStringList({"0000002"}));
    EXPECT_EQ(form->LV->Item(1).SubItem(1), "Acme Vetri");
}

TEST_F(Companies, OtherFiltersAndAnApostrophe) {
    form->txNome->setText("l'orto");
    EXPECT_EQ(Found(), QStringList({"0000003"}));
    form->txNome->clear();
    form->txCitta->setText("FORLI");
    EXPECT_EQ(Found(), QStringList({"0000001"}));  // the person at the same company is not listed
    form->txCitta->clear();
    form->cbCategoria->setEditText("client");
    EXPECT_EQ(Found(), QStringList({"0000001"}));
    EXPECT_EQ(form->cbCategoria->count(), 2);  // "" and "clienti"
}

TEST_F(Companies, TheTagCarriesTheChoice) {
    Found();
    form->cmdSeleziona_Click();
    EXPECT_EQ(form->Tag, "");  // nothing selected: nothing happens
    form->LV->Item(2).SetSelected(true);
    form->cmdSeleziona_Click();
    EXPECT_EQ(form->Tag, "0000003");
    form->Show();
    form->close();  // closing by the frame is a cancel
    EXPECT_EQ(form->Tag, "");
    EXPECT_FALSE(form->IsUnloaded());
}

// The category list filters by what is typed, never by an entry that begins
// with it; Escape cancels the window.
TEST_F(Companies, TheCategoryFiltersByWhatIsTypedAndEscapeCancels) {
    cn.Execute("UPDATE ANAGRAFICA SET CATEGORIA='cliente fedele' WHERE ID=2");
    delete form;
    form = new frmAziende;
    form->Load();
    TestKit::OnScreen(*form);
    form->cbCategoria->setFocus();
    TestKit::Type("client");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_EQ(Found(), QStringList({"0000002", "0000001"}));
    form->Tag = "0000002";
    TestKit::Press(Qt::Key_Escape);
    EXPECT_EQ(form->Tag, "");
    EXPECT_TRUE(form->isHidden());
}
