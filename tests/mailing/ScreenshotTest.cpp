// Pictures of the mailing window, of a report and of a label sheet, saved
// beside the program folder for a person to look at.
#include "MailingDb.h"
#include "Registry1000.h"

#include "PdfText.h"
#include "Settings.h"
#include "frmEtichettaBusta.h"
#include "frmMailing.h"
#include "frmReport.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>

TEST_F(MailingDb, Screenshots) {
    Store(cn, MakeRegistry(60));
    Platform::SaveSetting(Platform::App::EXEName(), "DATIINDIRIZZO", "TIPO", "E");
    frmMailing form;
    form.Load();
    form.txCAP->setText("40121");
    form.cmdAdd_Click();
    form.txNomeFile->setText("/home/ufficio/Documenti/lettera primavera.rtf");
    form.opTipoInvio[5]->setChecked(true);
    form.txMessaggio->setPlainText("NOVITA DI PRIMAVERA: SCONTO DEL 20% FINO A SABATO");
    form.txOggettoEmail->setText("Novità di primavera");
    form.resize(1150, 760);
    form.show();
    const QString shots = QDir(TestKit::ProgramFolder() + "/..").absolutePath();
    EXPECT_TRUE(form.grab().save(shots + "/mailing.png"));

    auto& settings = Platform::DefaultInstance<frmEtichettaBusta>();
    settings.show();
    EXPECT_TRUE(settings.grab().save(shots + "/mailing-etichette.png"));
    settings.Unload();

    form.opTipoInvio[4]->setChecked(true);
    form.cmdGo_Click();
    ASSERT_EQ(Platform::Printer().PrintedFiles().size(), 1);
    // Letters too: the records without an address are reported as failed.
    const QString letter = env.Root() + "/lettera.rtf";
    QFile::copy(QStringLiteral(MAILING_TEST_DATA "/lettera_word.rtf"), letter);
    form.txNomeFile->setText(letter);
    form.opTipoInvio[3]->setChecked(true);
    form.txID->setText("17");
    form.ckCAP->setChecked(false);
    form.cmdAdd_Click();
    form.cmdGo_Click();
    auto& report = Platform::DefaultInstance<frmReport>();
    report.resize(900, 520);
    EXPECT_TRUE(report.grab().save(shots + "/mailing-report.png"));
    QProcess::execute("pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", "-singlefile",
                                   Platform::Printer().PrintedFiles()[0], shots + "/label-sheet"});
    EXPECT_TRUE(QFile::exists(shots + "/label-sheet.png"));
    report.Unload();
}
