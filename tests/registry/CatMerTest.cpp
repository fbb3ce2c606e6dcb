#include "ADODB.h"
#include "Global.h"
#include "MultiButton.h"
#include "RegistryDb.h"
#include "TestKit.h"
#include "frmCatMer.h"

#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {
class Categories : public RegistryDb {};
}  // namespace

TEST_F(Categories, CodesAreTheHighestNumberPlusOne) {
    frmCatMer f;
    f.Load();
    EXPECT_EQ(f.NewCategoryCode(), "1");
    for (const char* c : {"3", "7", "12", "AB"}) cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES (?, 'x')", {c});
    EXPECT_EQ(f.NewCategoryCode(), "13");
}

TEST_F(Categories, NewEditAndTheSaveButton) {
    frmCatMer f;
    f.Load();
    f.cmdNuovo_Click();
    EXPECT_EQ(f.txCodice->text(), "1");
    EXPECT_FALSE(f.cmdConferma->isEnabled());
    f.txDescrizione->setText("  Ferramenta d'arte ");
    EXPECT_TRUE(f.cmdConferma->isEnabled());
    f.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE WHERE CODICE='1' AND DESCRIZIONE='Ferramenta d''arte'"), 1);
    ASSERT_EQ(f.lsCatMer->count(), 1);
    EXPECT_EQ(f.txCodice->text(), "2");  // ready for the next one

    f.lsCatMer->setCurrentRow(0);
    EXPECT_FALSE(f.cmdConferma->isEnabled());
    EXPECT_FALSE(f.txCodice->isEnabled());
    f.txDescrizione->setText("Ferramenta");
    f.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE WHERE DESCRIZIONE='Ferramenta'"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE"), 1);
}

TEST_F(Categories, ACodeTakenMeanwhileIsAllocatedAgain) {
    frmCatMer f;
    f.Load();
    f.cmdNuovo_Click();  // offers "1"
    cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('1', 'Altrui')");  // another workstation
    f.txDescrizione->setText("Mia");
    f.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE WHERE CODICE='1' AND DESCRIZIONE='Altrui'"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE WHERE CODICE='2' AND DESCRIZIONE='Mia'"), 1);
}

TEST_F(Categories, ATypedCodeThatExistsIsThatCategory) {
    cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('3', 'Legno')");
    frmCatMer f;
    f.Load();
    f.cmdNuovo_Click();  // offers "4"
    f.txCodice->setText("3");
    f.txDescrizione->setText("Legno e sughero");
    f.cmdConferma_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE"), 1);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE WHERE CODICE='3' AND DESCRIZIONE='Legno e sughero'"), 1);
    ASSERT_EQ(f.lsCatMer->count(), 2);  // a second entry for it, as the list is not read again
    EXPECT_TRUE(f.lsCatMer->item(1)->text().endsWith(" 3"));
}

TEST_F(Categories, AfterTheLastFourDigitCodeNoneIsProposed) {
    cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('1000', 'Prima')");
    cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('9999', 'Ultima')");
    frmCatMer f;
    f.Load();
    f.cmdNuovo_Click();
    EXPECT_EQ(f.txCodice->text(), "");  // never "1000", cut from "10000"
    EXPECT_EQ(env.Prompts().last(),
              "Non è possibile proporre un nuovo codice: il codice successivo supera i 4 caratteri");
    f.txDescrizione->setText("Nuova");
    f.cmdConferma_Click();
    EXPECT_EQ(env.Prompts().last(), "E' necessario inserire un codice");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE WHERE CODICE='1000' AND DESCRIZIONE='Prima'"), 1);
}

TEST_F(Categories, RefusedInputWritesNothing) {
    cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('9999', 'Ultima')");
    frmCatMer f;
    f.Load();
    f.cmdNuovo_Click();
    EXPECT_EQ(f.txCodice->text(), "");
    f.txCodice->setText("");
    f.txDescrizione->setText("x");
    f.cmdConferma_Click();
    EXPECT_EQ(env.Prompts().last(), "E' necessario inserire un codice");
    f.txCodice->setText("5");
    f.txDescrizione->setText("  ");
    f.cmdConferma_Click();
    EXPECT_EQ(env.Prompts().last(), "E' necessario inserire una descrizione");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE"), 1);
}

TEST_F(Categories, DeletingTakesTheLinksWithIt) {
    cn.Execute("INSERT INTO CATEGORIE (CODICE, DESCRIZIONE) VALUES ('4', 'Vetro')");
    cn.Execute("INSERT INTO ANACAT (ANA_ID, CAT_CODICE) VALUES (1, '4')");
    cn.Execute("INSERT INTO ANACAT (ANA_ID, CAT_CODICE) VALUES (2, '4')");
    frmCatMer f;
    f.Load();
    f.lsCatMer->setCurrentRow(0);
    env.AnswerNext(Platform::vbYes);
    f.cmdElimina_Click();
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ANACAT"), 0);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CATEGORIE"), 0);
    EXPECT_EQ(f.lsCatMer->count(), 0);
}
