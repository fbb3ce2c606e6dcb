#include "ADODB.h"
#include "Form.h"
#include "Global.h"
#include "MultiButton.h"
#include "TestKit.h"
#include "frmFreeField.h"
#include "modAdoCommon.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using namespace ADODB;

TEST(FreeField, CaptionsAreInsertedThenUpdatedTrimmedAndAsTyped) {
    TestKit::Environment env;
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
    auto* first = new frmFreeField;
    first->Load();
    EXPECT_EQ(first->txFreeField[0]->text(), "");
    first->txFreeField[0]->setText("  Codice cliente ");
    first->txFreeField[1]->setText("Nome dell'agente");
    first->cmdConferma_Click();
    EXPECT_TRUE(first->IsUnloaded());

    frmFreeField second;
    second.Load();
    EXPECT_EQ(second.txFreeField[0]->text(), "Codice cliente");
    EXPECT_EQ(second.txFreeField[1]->text(), "Nome dell'agente");
    EXPECT_EQ(Platform::MaxLength(second.txFreeField[0]), 20);
    second.txFreeField[1]->clear();
    second.cmdConferma_Click();

    Connection cn;
    cn.Open(Global::gConnString);
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS N, MAX(NOMEFREEFIELDANA2) AS DUE FROM CONFIGURAZIONE", cn);
    EXPECT_EQ(rs["N"].toInt(), 1);
    EXPECT_EQ(rs["DUE"].toString(), "");
    EXPECT_TRUE(env.Boxes().isEmpty());
}

TEST(FreeField, WithoutItsDatabaseOnlyCancelWorks) {
    TestKit::Environment env;
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.Root() + "/manca.mdb";
    frmFreeField f;
    f.Load();
    EXPECT_FALSE(f.cmdConferma->isEnabled());
    EXPECT_FALSE(f.txFreeField[0]->isEnabled());
    EXPECT_TRUE(f.cmdAnnulla->isEnabled());
}
