// The mailing window: its load, send modes, filters ticking their boxes and
// the document choice.
#include "MailingDb.h"

#include "ComboBox.h"
#include "Keyboard.h"
#include "CommonDialog.h"
#include "MultiButton.h"
#include "Settings.h"
#include "frmExport.h"
#include "frmMailing.h"

#include <qvxSMS2/qvxSMS2.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
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
    EXPECT_TRUE(f.qvxSMS->EventLogPath().startsWith(work));
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

TEST_F(Window, SendModesShowTheirSmsFields) {
    auto& f = Open();
    f.show();
    for (int mode = 0; mode < 8; ++mode) {
        f.opTipoInvio[size_t(mode)]->setChecked(true);
        EXPECT_EQ(f.frSMS->isVisible(), mode >= 5) << mode;
        if (mode >= 5) EXPECT_EQ(f.txOggettoEmail->isVisible(), mode != 7) << mode;
    }
    f.txMessaggio->setPlainText("  CIAO A TUTTI  ");
    EXPECT_EQ(f.lbChars->text(), "12");
    f.opTipoMail[0]->setChecked(true);
    EXPECT_FALSE(f.txText->isEnabled());
    f.opTipoMail[1]->setChecked(true);
    EXPECT_TRUE(f.txText->isEnabled());
}

TEST_F(Window, TheDocumentChoice) {
    auto& f = Open();
    QStringList answers;
    QList<Platform::FileDialogCall> calls;
    Platform::SetFileDialogHandler([&](const Platform::FileDialogCall& call) {
        calls << call;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    });
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    answers << "/doc/lettera.RTF" << "/doc/offerta.Doc" << "/doc/listino.xls" << "/doc/nota.txt" << "/doc/scheda.pdf";
    f.cmdBrowse_Click();
    EXPECT_EQ(f.txNomeFile->text(), "/doc/lettera.RTF");
    f.cmdBrowse_Click();
    EXPECT_EQ(f.txNomeFile->text(), "");
    f.cmdBrowse_Click();
    EXPECT_EQ(f.txNomeFile->text(), "");
    f.cmdBrowse_Click();
    EXPECT_EQ(f.txNomeFile->text(), "");
    f.cmdBrowse_Click();
    EXPECT_EQ(f.txNomeFile->text(), "/doc/scheda.pdf");
    // Cancelled: the document stays.
    f.cmdBrowse_Click();
    EXPECT_EQ(f.txNomeFile->text(), "/doc/scheda.pdf");
    qputenv("PATH", QByteArray(BRIVALTO_FAKES) + ":" + path);
    answers << "/doc/offerta.doc";
    f.cmdBrowse_Click();
    EXPECT_EQ(f.txNomeFile->text(), "/doc/offerta.doc");
    qputenv("PATH", path);
    Platform::SetFileDialogHandler({});
    EXPECT_EQ(env.Prompts(),
              QStringList({"Su questa macchina non è installato Word (97 o superiori). Non è pertanto possibile usare "
                           "questo tipo di file",
                           "Su questa macchina non è installato Excel (97 o superiori). Non è pertanto possibile usare "
                           "questo tipo di file",
                           "Il file selezionato non è di tipo compatibile con questo uso"}));
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls[0].title, "Selezione file da inviare/allegare");
    EXPECT_TRUE(calls[0].filter.endsWith("Tutti i file permessi|*.rtf;*.doc;*.xls;*.pdf"));
}

TEST_F(Window, ExportNeedsRecipients) {
    auto& f = Open();
    f.cmdExport_Click();
    EXPECT_EQ(env.Prompts(), QStringList({"Occorre indicare le anagrafiche da esportare"}));
}

TEST_F(Window, TheExportWorksOnTheListAndClosesWithTheWindow) {
    cn.Execute("INSERT INTO ANAGRAFICA (ID,COGNOME) VALUES (5,'Rossi')");
    auto* f = new frmMailing;  // unloading deletes it
    f->Load();
    f->cmdExport_Click();
    EXPECT_EQ(env.Prompts().last(), "Occorre indicare le anagrafiche da esportare");
    EXPECT_FALSE(Platform::IsDefaultInstanceLoaded<frmExport>());
    f->LV->AddItem(QString(), "0000005");
    f->cmdExport_Click();
    ASSERT_TRUE(Platform::IsDefaultInstanceLoaded<frmExport>());
    auto& e = Platform::DefaultInstance<frmExport>();
    e.txNomeFile->setText("lista");
    e.opTipoExport[2]->setChecked(true);
    Platform::SetModalHandler(nullptr);
    e.cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "Completata esportazione sul file " + work + "/lista.txt");
    QFile written(work + "/lista.txt");
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("5,\"\",,\"\",\"\",\"Rossi\""));
    f->Show();
    f->Unload();
    EXPECT_FALSE(Platform::IsDefaultInstanceLoaded<frmExport>());
}

TEST_F(Window, TheWindowKeepsItsSizeInEveryModeAndWithItsList) {
    for (int id = 1; id <= 30; ++id)
        cn.Execute(QStringLiteral("INSERT INTO ANAGRAFICA (ID,COGNOME,CAP) VALUES (%1,'Cognome piuttosto lungo %1','40121')").arg(id));
    auto& f = Open();
    f.show();
    QApplication::processEvents();
    const QSize size = f.size();
    const QPoint go = f.cmdGo->mapTo(&f, QPoint());
    for (QRadioButton* mode : f.opTipoInvio) {
        mode->setChecked(true);  // the SMS modes show their frame
        QApplication::processEvents();
        EXPECT_EQ(f.size(), size) << mode->text().toStdString();
        EXPECT_EQ(f.cmdGo->mapTo(&f, QPoint()), go) << mode->text().toStdString();
    }
    f.txCAP->setText("40121");
    f.cmdAdd_Click();
    QApplication::processEvents();
    EXPECT_EQ(f.lbNumSchede->text(), "30");
    EXPECT_EQ(f.size(), size);
    EXPECT_EQ(f.cmdGo->mapTo(&f, QPoint()), go);
}

// Tab leaves the note and the SMS text as it leaves every box, so no tab
// character goes out in a fax cover, an e-mail or an SMS; Escape answers
// "esci", which a run disables.
TEST_F(Window, TabLeavesTheTextsAndEscapeLeavesTheWindow) {
    QPointer<frmMailing> f = new frmMailing;  // an unloaded window goes by itself
    f->Load();
    TestKit::OnScreen(*f);
    f->txText->setFocus();
    TestKit::Press(Qt::Key_End, Qt::ControlModifier);
    TestKit::Type(" Grazie");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_NE(TestKit::Focused(), f->txText);
    EXPECT_TRUE(f->txText->toPlainText().endsWith("suindicato Grazie"));
    f->opTipoInvio[7]->setChecked(true);
    f->txMessaggio->setFocus();
    TestKit::Type("CIAO");
    TestKit::Press(Qt::Key_Tab);
    EXPECT_NE(TestKit::Focused(), f->txMessaggio);
    EXPECT_EQ(f->txMessaggio->toPlainText(), "CIAO");
    EXPECT_EQ(f->lbChars->text(), "4");
    f->cmdEsci->setEnabled(false);  // as during a run
    TestKit::Press(Qt::Key_Escape);
    ASSERT_TRUE(f && !f->IsUnloaded());
    f->cmdEsci->setEnabled(true);
    TestKit::Press(Qt::Key_Escape);
    EXPECT_TRUE(!f || f->IsUnloaded());
}
