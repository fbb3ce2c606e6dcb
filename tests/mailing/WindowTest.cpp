// The mailing window: its load, send modes, filters ticking their boxes and
// the document choice.
#include "MailingDb.h"

#include "ComboBox.h"
#include "MultiButton.h"
#include "Settings.h"
#include "frmMailing.h"

#include <qvxSMS2/qvxSMS2.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace {

class Window : public MailingDb {
protected:
    frmMailing& Open() {
        form = std::make_unique<frmMailing>();
        form->Load();
        return *form;
    }
    std::unique_ptr<frmMailing> form;
};

}  // namespace

TEST_F(Window, LoadFillsTheCategoriesAndDefaults) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,CATEGORIA) VALUES (1,'Rossi','Clienti')");
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME,CATEGORIA) VALUES (2,'Verdi',NULL)");
    cn.Execute("INSERT INTO CATEGORIE (CODICE,DESCRIZIONE) VALUES ('B','Ferramenta')");
    cn.Execute("INSERT INTO CATEGORIE (CODICE,DESCRIZIONE) VALUES ('A','Zootecnia')");
    auto& f = Open();
    EXPECT_EQ(f.windowTitle(), " Creazione mailing");
    ASSERT_TRUE(f.cn);
    EXPECT_EQ(f.cbCategoria->count(), 2);
    EXPECT_EQ(f.lsCatMer->count(), 2);
    EXPECT_EQ(f.lsCatMer->item(0)->text(), "Ferramenta");
    EXPECT_EQ(f.CategoryCodes, QStringList({"B", "A"}));
    EXPECT_EQ(f.txSubject->text(), "Invio di informazioni commerciali");
    EXPECT_TRUE(f.txText->toPlainText().startsWith("In caso di ricezione errata"));
    ASSERT_NE(f.qvxSMS, nullptr);
    EXPECT_TRUE(f.qvxSMS->EventLogPath().startsWith(program));
    EXPECT_TRUE(f.qvxSMS->EventLog());
}

TEST_F(Window, WithoutTheDatabaseOnlyTheExitStays) {
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.Root() + "/missing/none.mdb";
    auto& f = Open();
    EXPECT_FALSE(f.cn);
    EXPECT_FALSE(f.cmdGo->isEnabled());
    EXPECT_FALSE(f.cmdAdd->isEnabled());
    EXPECT_TRUE(f.cmdEsci->isEnabled());
}
