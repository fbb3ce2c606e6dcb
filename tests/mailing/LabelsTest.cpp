// Envelopes and label sheets: the settings window, the layout numbers, and
// the pages printed to PDF.
#include "MailingDb.h"

#include "AddressLayout.h"
#include "Keyboard.h"
#include "MultiButton.h"
#include "PdfText.h"
#include "Settings.h"
#include "frmEtichettaBusta.h"
#include "frmMailing.h"
#include "frmReport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace {

QString Setting(const char* section, const char* key) {
    return Platform::GetSetting(Platform::App::EXEName(), section, key, "(none)");
}
void Save(const char* section, const char* key, const QString& value) {
    Platform::SaveSetting(Platform::App::EXEName(), section, key, value);
}

class Labels : public MailingDb {
protected:
    void SetUp() override {
        MailingDb::SetUp();
        for (int i = 1; i <= 25; ++i)
            cn.Execute("INSERT INTO ANAGRAFICA (ID,TITOLO,NOME,COGNOME,AZIENDA,RUOLO,INDIRIZZO,CAP,CITTA,PROVINCIA,NAZIONE) "
                       "VALUES (?,?,?,?,?,'Titolare',?,'40121','Bologna','BO','Italia')",
                       {i, i % 2 ? QVariant("Dott.") : QVariant(), QString("Nome%1").arg(i), QString("Cognome%1").arg(i),
                        i % 3 ? QVariant() : QVariant(QString("Ditta%1").arg(i)), QString("Via%1").arg(i)});
        form = std::make_unique<frmMailing>();
        form->Load();
    }
    void TearDown() override {
        form.reset();
        MailingDb::TearDown();
    }
    std::unique_ptr<frmMailing> form;
};

}  // namespace

TEST_F(Labels, TheSettingsWindow) {
    auto& w = Platform::DefaultInstance<frmEtichettaBusta>();
    EXPECT_EQ(w.windowTitle(), "Impostazioni buste ed etichette");
    EXPECT_TRUE(w.OpBusta->isChecked());
    const QStringList shown = {w.txLeft->text(), w.txTop->text(), w.txLarghezza->text(), w.txAltezza->text(),
                               w.txMargLeft->text(), w.txMargTop->text()};
    EXPECT_EQ(shown, QStringList({"150", "37", "64", "37", "5", "5"}));
    QList<bool> flags;
    for (QCheckBox* c : w.ckCampi) flags << c->isChecked();
    EXPECT_EQ(flags, QList<bool>({false, true, true, true, false, true, false}));
    EXPECT_EQ(w.SampleLines().size(), 5);
    EXPECT_EQ(w.SampleLines()[0], qMakePair(5, QString("spett.le")));
    EXPECT_TRUE(w.SampleLines()[2].second.startsWith("egr. ing. "));

    // A title goes only with the name.
    w.ckCampi[3]->setChecked(false);
    w.ckCampi_Click(3);
    EXPECT_FALSE(w.ckCampi[2]->isChecked());
    w.ckCampi[2]->setChecked(true);
    w.ckCampi_Click(2);
    EXPECT_FALSE(w.ckCampi[2]->isChecked());

    w.opEtichette->setChecked(true);
    w.txLarghezza->setText("64,5");
    w.txAltezza->setText("37.5 mm");
    w.txLeft->setText("abc");
    w.Command2_Click();
    EXPECT_TRUE(w.IsUnloaded());
    EXPECT_EQ(Setting("DATIINDIRIZZO", "TIPO"), "E");
    EXPECT_EQ(Setting("ETICHETTE", "Larghezza"), "64,5");
    EXPECT_EQ(Setting("ETICHETTE", "Altezza"), "37,5");
    EXPECT_EQ(Setting("BUSTE", "Left"), "0");
    EXPECT_EQ(Setting("DATIINDIRIZZO", "NOMECOGNOME"), "0");
    EXPECT_EQ(Setting("DATIINDIRIZZO", "TITOLO"), "0");
    EXPECT_EQ(AddressLayout::Read().Larghezza, 64.5);

    auto& again = Platform::DefaultInstance<frmEtichettaBusta>();
    EXPECT_EQ(again.txLarghezza->text(), "64,5");
    EXPECT_TRUE(again.opEtichette->isChecked());
    again.txTop->setText("99");
    again.Command1_Click();
    EXPECT_EQ(Setting("BUSTE", "Top"), "37");
    // A title stored without the name is shown unticked.
    Save("DATIINDIRIZZO", "TITOLO", "1");
    EXPECT_FALSE(Platform::DefaultInstance<frmEtichettaBusta>().ckCampi[2]->isChecked());
    Platform::DefaultInstance<frmEtichettaBusta>().Unload();
}

// Enter confirms the settings typed, Escape leaves them as they were.
TEST_F(Labels, EnterConfirmsAndEscapeLeavesTheSettings) {
    // The window as the user finds it: one box typed anew, then a key.
    auto retype = [](QLineEdit* frmEtichettaBusta::*box, const QString& text, Qt::Key key) {
        Platform::SetModalHandler([=](Platform::Form& window) {
            auto& w = dynamic_cast<frmEtichettaBusta&>(window);
            TestKit::OnScreen(w);
            (w.*box)->setFocus();
            TestKit::Press(Qt::Key_A, Qt::ControlModifier);
            TestKit::Type(text);
            TestKit::Press(key);
        });
    };
    retype(&frmEtichettaBusta::txLeft, "120", Qt::Key_Return);
    form->cmdEtichette_Click();
    EXPECT_EQ(Setting("BUSTE", "Left"), "120");
    retype(&frmEtichettaBusta::txTop, "99", Qt::Key_Escape);
    form->cmdEtichette_Click();
    Platform::SetModalHandler({});
    EXPECT_EQ(Setting("BUSTE", "Top"), "37");
    EXPECT_EQ(Setting("BUSTE", "Left"), "120");
}

TEST_F(Labels, LabelsWithoutASizeAreRefused) {
    auto& w = Platform::DefaultInstance<frmEtichettaBusta>();
    w.opEtichette->setChecked(true);
    w.txAltezza->setText("0");
    w.Command2_Click();
    EXPECT_FALSE(w.IsUnloaded());
    EXPECT_EQ(env.Prompts(), QStringList({"La larghezza e l'altezza dell'etichetta devono essere maggiori di zero"}));
    EXPECT_EQ(Setting("ETICHETTE", "Altezza"), "(none)");
    // Envelopes do not use the label's size.
    w.OpBusta->setChecked(true);
    w.txLeft->setText("120");
    w.Command2_Click();
    EXPECT_TRUE(w.IsUnloaded());
    EXPECT_EQ(env.Prompts().size(), 1);
    EXPECT_EQ(Setting("BUSTE", "Left"), "120");
    EXPECT_EQ(Setting("ETICHETTE", "Altezza"), "0");
    Save("ETICHETTE", "Altezza", "37");
    // Stored by hand, the run refuses it too.
    Save("DATIINDIRIZZO", "TIPO", "E");
    Save("ETICHETTE", "Larghezza", "0");
    form->txID->setText("1");
    form->cmdAdd_Click();
    form->opTipoInvio[4]->setChecked(true);
    form->cmdGo_Click();
    EXPECT_EQ(env.Prompts().last(), "La larghezza e l'altezza dell'etichetta devono essere maggiori di zero");
    EXPECT_FALSE(Platform::IsDefaultInstanceLoaded<frmReport>());
}

TEST_F(Labels, ThePlacesOfLabelsOnTheSheet) {
    Save("DATIINDIRIZZO", "TIPO", "E");
    float X = 5, Y = 5;
    QList<QPointF> places;
    for (int id = 1; id <= 22; ++id) {
        places << QPointF(X, Y);
        ASSERT_TRUE(form->PrintIndirizzo(X, Y, id));
    }
    Platform::Printer().EndDoc();
    EXPECT_EQ(places.mid(0, 5), QList<QPointF>({{5, 5}, {69, 5}, {133, 5}, {5, 42}, {69, 42}}));
    EXPECT_EQ(places[18], QPointF(5, 227));
    // Seven rows fit on A4: the 22nd label starts the second sheet.
    EXPECT_EQ(places[21], QPointF(5, 5));
    ASSERT_EQ(Platform::Printer().PrintedFiles().size(), 1);
    const QString pdf = Platform::Printer().PrintedFiles()[0];
    EXPECT_EQ(PdfText::Pages(pdf), 2);
    const auto words = PdfText::Words(pdf);
    for (int id : {2, 6, 20, 22}) {
        const QPointF at = places[id - 1];
        const auto name = PdfText::Find(words, QString("Nome%1").arg(id));
        EXPECT_EQ(name.page, id == 22 ? 2 : 1) << id;
        EXPECT_NEAR(name.box.left(), at.x() + 20, 0.8) << id;
        EXPECT_NEAR(name.box.top(), at.y(), 6) << id;
    }
    // Label 3 is a company: the salutation stands 20 mm to the left of the name.
    const auto salutation = PdfText::Find(words, "Spett.le");
    EXPECT_NEAR(salutation.box.left(), 133, 0.8);
    EXPECT_NEAR(PdfText::Find(words, "Ditta3").box.left(), 153, 0.8);
    EXPECT_NEAR(PdfText::Find(words, "Ditta3").box.top(), salutation.box.top(), 0.3);
    EXPECT_EQ(Platform::Printer().ScaleMode(), Platform::vbTwips);
}

TEST_F(Labels, EnvelopesOnePerPageAtTheirPlace) {
    Save("BUSTE", "Left", "120,5");
    Save("DATIINDIRIZZO", "ID", "1");
    Save("DATIINDIRIZZO", "NAZIONE", "1");
    float X = 0, Y = 0;
    for (int id : {1, 2, 3}) ASSERT_TRUE(form->PrintIndirizzo(X, Y, id));
    EXPECT_EQ(QPointF(X, Y), QPointF(0, 0));
    Platform::Printer().EndDoc();
    const QString pdf = Platform::Printer().PrintedFiles().value(0);
    EXPECT_EQ(PdfText::Pages(pdf), 3);
    const auto words = PdfText::Words(pdf);
    const auto id = PdfText::Find(words, "2", 2), title = PdfText::Find(words, "Dott.", 3);
    EXPECT_NEAR(id.box.left(), 120.5, 0.8);
    EXPECT_NEAR(id.box.top(), 37, 1.5);
    // Page 2's record has no title: the name comes first on its line.
    EXPECT_NEAR(PdfText::Find(words, "Nome2", 2).box.left(), 120.5, 0.8);
    EXPECT_NEAR(title.box.left(), 120.5, 0.8);
    EXPECT_EQ(PdfText::Find(words, "Spett.le", 3).page, 3);
    EXPECT_EQ(PdfText::Find(words, "Italia", 1).page, 1);
    const QString text = PdfText::Text(pdf);
    EXPECT_FALSE(text.contains("Titolare"));
    EXPECT_TRUE(text.contains("40121 Bologna BO"));
}

TEST_F(Labels, NothingTickedStillEjectsTheEnvelope) {
    for (const char* key : {"AZIENDA", "NOMECOGNOME", "TITOLO", "INDIRIZZO"}) Save("DATIINDIRIZZO", key, "0");
    float X = 0, Y = 0;
    for (int id : {1, 2}) ASSERT_TRUE(form->PrintIndirizzo(X, Y, id));
    Platform::Printer().EndDoc();
    EXPECT_EQ(PdfText::Pages(Platform::Printer().PrintedFiles().value(0)), 2);
    QString error;
    EXPECT_FALSE(form->PrintIndirizzo(X, Y, 999, &error));
    EXPECT_EQ(env.Prompts().last(), "Errore 3021: Nessun record corrente. in stampa indirizzo");
}

TEST_F(Labels, TheRunOfMode4ReportsEveryAddress) {
    Save("DATIINDIRIZZO", "TIPO", "E");
    form->txCAP->setText("40121");
    form->cmdAdd_Click();
    ASSERT_EQ(form->LV->ItemCount(), 25);
    form->opTipoInvio[4]->setChecked(true);
    form->txSubject->clear();
    form->txText->clear();
    form->cmdGo_Click();
    EXPECT_TRUE(env.Prompts().isEmpty()) << env.Prompts().join('\n').toStdString();
    auto& report = Platform::DefaultInstance<frmReport>();
    EXPECT_EQ(report.windowTitle(), "Report invio mailing concluso");
    EXPECT_EQ(report.LV->ItemCount(), 25);
    EXPECT_EQ(Texts(*report.LV, 2).count("etichetta"), 25);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM CONTATTI"), 0);
    EXPECT_EQ(PdfText::Pages(Platform::Printer().PrintedFiles().value(0)), 2);
}

TEST_F(Labels, AnAddressThatCannotBePrintedIsAFailure) {
    const auto previous = Platform::SetPrinterListHandler([] { return QStringList(); });
    Platform::Printer().SetPdfFolder(QString());
    form->txCAP->setText("40121");
    form->cmdAdd_Click();
    ASSERT_EQ(form->LV->ItemCount(), 25);
    form->opTipoInvio[4]->setChecked(true);
    form->cmdGo_Click();
    // Without a printer the run says so once, gives every recipient its line and ends.
    auto& report = Platform::DefaultInstance<frmReport>();
    ASSERT_EQ(report.LV->ItemCount(), 25);
    EXPECT_EQ(report.windowTitle(), "Report invio mailing concluso");
    EXPECT_TRUE(form->cmdGo->isEnabled());
    EXPECT_EQ(Texts(*report.LV, 2), QStringList(25, "Busta"));
    EXPECT_EQ(Texts(*report.LV, 3), QStringList(25, "stampa indirizzo non riuscita: Nessuna stampante installata"));
    EXPECT_EQ(env.Prompts(), QStringList({"Errore 482: Nessuna stampante installata in stampa indirizzo"}));
    Platform::SetPrinterListHandler(previous);
}
