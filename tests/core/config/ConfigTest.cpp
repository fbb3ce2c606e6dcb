// The configuration dialog driven through its controls.
#include "FaxControl.h"
#include "FileSizeLimit.h"
#include "Form.h"
#include "Global.h"
#include "Keyboard.h"
#include "MultiButton.h"
#include "Neighbours.h"
#include "PlannerSettings.h"
#include "Settings.h"
#include "TestKit.h"
#include "frmConfigura.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

using namespace Platform;

namespace {

// Records what the dialog hands the agenda, in order.
class FakePlanner : public PlannerSettings {
public:
    QStringList calls;
    void SetSlotMinutes(int minutes) override { calls << "slot " + QString::number(minutes); }
    void SetDayStart(const QString& hhnn) override { calls << "start " + hhnn; }
    void SetDayEnd(const QString& hhnn) override { calls << "end " + hhnn; }
    void Relayout() override { calls << "relayout"; }
};

QString Stored(const char* section, const char* key) {
    return GetSetting("Brivalto", section, key, "<none>");
}

class Config : public ::testing::Test {
protected:
    void SetUp() override {
        Global::ResetState();
        Global::gSmsProvider = 1;
        Global::gIniFile = env.DataPath() + "Brivalto.ini";
        Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + env.DatabaseFile();
        Global::gCurrentUser = "ADMIN";
        PlannerSettings::SetProvider([this] { return &planner; });
    }
    void TearDown() override {
        PlannerSettings::SetProvider(nullptr);
        delete form;
    }
    frmConfigura& Open() {
        form = new frmConfigura;
        form->Load();
        return *form;
    }

    TestKit::Environment env;
    FakePlanner planner;
    frmConfigura* form = nullptr;
};

}  // namespace

TEST_F(Config, AFirstStartShowsTheDefaults) {
    auto& f = Open();
    for (QLineEdit* box : f.findChildren<QLineEdit*>()) {
        if (box == f.txStdObj || box == f.txStdNote || box->parent()->inherits("QAbstractSpinBox") ||
            qobject_cast<Platform::TimePicker*>(box))
            continue;
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
    }
    EXPECT_EQ(f.txStdObj->text(), "Invio di informazioni commerciali");
    EXPECT_EQ(f.txStdNote->text(),
              "In caso di ricezione errata o incompleta si prega di chiamare il numero telefonico suindicato");
    EXPECT_EQ(f.dpDaOra->time(), QTime(8, 0));
    EXPECT_EQ(f.dpAOra->time(), QTime(20, 30));
    EXPECT_EQ(f.cbIntervallo->count(), 5);
    EXPECT_EQ(f.cbIntervallo->currentText(), "15");
    EXPECT_TRUE(f.ckAutoUpdate->isChecked());
    EXPECT_FALSE(f.ckAutenticazione->isChecked());
    EXPECT_FALSE(f.frAutenticazione->isEnabled());
    EXPECT_EQ(f.frSMS->title(), "configurazione accesso invio SMS (Geodrop)");
    EXPECT_EQ(f.tabConfig->count(), 6);
    EXPECT_EQ(BackColor(&f), Global::gColFormBack);
}

TEST_F(Config, LoadShowsTheStoredValuesWhateverTheCaseOfTheirKeys) {
    SaveSetting("Brivalto", "SENDER", "company", "Rossi Impianti Srl");
    SaveSetting("Brivalto", "sender", "CITTÀ", "Forlì");
    SaveSetting("Brivalto", "Fax", "prefix", "0");
    SaveSetting("Brivalto", "EMAIL", "smptserverauth", "1");
    SaveSetting("Brivalto", "email", "SMPTSERVERUSER", "mario");
    SaveSetting("Brivalto", "sms", "mittente", "Rossi");
    SaveSetting("Brivalto", "AGENDA", "orainizio", "07.45");
    SaveSetting("Brivalto", "agenda", "ORAFINE", "19.15");
    SaveSetting("Brivalto", "agenda", "intervallo", "25");
    SaveSetting("Brivalto", "config", "AUTOUPDATE", "0");
    SaveSetting("Brivalto", "CONFIG", "standardsubject", "Offerta");
    Global::gSmsProvider = 2;

    auto& f = Open();
    EXPECT_EQ(f.txAzienda->text(), "Rossi Impianti Srl");
    EXPECT_EQ(f.txCittà->text(), "Forlì");
    EXPECT_EQ(f.txPrefix->text(), "0");
    EXPECT_TRUE(f.ckAutenticazione->isChecked());
    EXPECT_TRUE(f.frAutenticazione->isEnabled());
    EXPECT_EQ(f.txUserName->text(), "mario");
    EXPECT_EQ(f.txMittente->text(), "Rossi");
    EXPECT_EQ(f.dpDaOra->time(), QTime(7, 45));
    EXPECT_EQ(f.dpAOra->time(), QTime(19, 15));
    EXPECT_EQ(f.cbIntervallo->currentText(), "30");  // the first slot not shorter than 25
    EXPECT_FALSE(f.ckAutoUpdate->isChecked());
    EXPECT_EQ(f.txStdObj->text(), "Offerta");
    EXPECT_EQ(f.frSMS->title(), "configurazione accesso invio SMS (Idea)");
}

TEST_F(Config, DamagedAgendaValuesFallBackToTheDefaults) {
    SaveSetting("Brivalto", "Agenda", "OraInizio", "otto");
    SaveSetting("Brivalto", "Agenda", "OraFine", "25.99");
    SaveSetting("Brivalto", "Agenda", "Intervallo", "quindici");
    auto& f = Open();
    EXPECT_FALSE(f.IsUnloaded());
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_EQ(f.dpDaOra->time(), QTime(8, 0));
    EXPECT_EQ(f.dpAOra->time(), QTime(20, 30));
    EXPECT_EQ(f.cbIntervallo->currentText(), "15");
}

TEST_F(Config, ConfirmWritesEverySettingAndUpdatesTheAgenda) {
    auto& f = Open();
    f.txAzienda->setText("Bianchi & C.");
    f.txIndirizzo->setText("Via Roma 1");
    f.txCAP->setText("47121");
    f.txCittà->setText("Forlì");
    f.txProvincia->setText("FC");
    f.txNazione->setText("Italia");
    f.txContatto->setText("Anna");
    f.txTel->setText("0543 1");
    f.txFax->setText("0543 2");
    f.txPrefix->setText("0");
    f.txCoverPage->setText("/srv/copertina.rtf");
    f.txIndirizzoMail->setText("info@example.it");
    f.txNomeMail->setText("Bianchi");
    f.txServerMail->setText("smtp.example.it");
    f.ckAutenticazione->setChecked(true);
    f.txUserName->setText("  anna  ");
    f.txPassword->setText(" segreta ");
    f.txSMSUser->setText("conto");
    f.txSMSPassword->setText(" p ");
    f.txMittente->setText("Bianchi");
    f.dpDaOra->setTime(QTime(9, 5));
    f.dpAOra->setTime(QTime(18, 0));
    f.cbIntervallo->setCurrentText("30");
    f.txStdObj->setText("Oggetto");
    f.txStdNote->setText("Nota");
    f.ckAutoUpdate->setChecked(false);
    EXPECT_EQ(f.findChild<QComboBox*>("cbProvider"), nullptr);

    f.cmdConferma->click();
    EXPECT_TRUE(env.Boxes().isEmpty());
    EXPECT_TRUE(f.IsUnloaded());
    EXPECT_EQ(Stored("Sender", "Company"), "Bianchi & C.");
    EXPECT_EQ(Stored("Sender", "Address"), "Via Roma 1");
    EXPECT_EQ(Stored("Sender", "CAP"), "47121");
    EXPECT_EQ(Stored("Sender", "Città"), "Forlì");
    EXPECT_EQ(Stored("Sender", "Provincia"), "FC");
    EXPECT_EQ(Stored("Sender", "Nazione"), "Italia");
    EXPECT_EQ(Stored("Sender", "Contact"), "Anna");
    EXPECT_EQ(Stored("Sender", "Phone"), "0543 1");
    EXPECT_EQ(Stored("Sender", "Fax"), "0543 2");
    EXPECT_EQ(Stored("Fax", "Prefix"), "0");
    EXPECT_EQ(Stored("Fax", "CoverPage"), "/srv/copertina.rtf");
    EXPECT_EQ(Stored("eMail", "Indirizzo"), "info@example.it");
    EXPECT_EQ(Stored("eMail", "NomeInMail"), "Bianchi");
    EXPECT_EQ(Stored("eMail", "SMPTServer"), "smtp.example.it");
    EXPECT_EQ(Stored("eMail", "SMPTServerAuth"), "1");
    EXPECT_EQ(Stored("eMail", "SMPTServerUser"), "anna");
    EXPECT_EQ(Stored("eMail", "SMPTServerPass"), "segreta");
    EXPECT_EQ(Stored("SMS", "USER"), "conto");
    EXPECT_EQ(Stored("SMS", "PASSWORD"), " p ");  // only the SMTP credentials are trimmed
    EXPECT_EQ(Stored("SMS", "Mittente"), "Bianchi");
    EXPECT_EQ(Stored("Agenda", "OraInizio"), "09.05");
    EXPECT_EQ(Stored("Agenda", "OraFine"), "18.00");
    EXPECT_EQ(Stored("Agenda", "Intervallo"), "30");
    EXPECT_EQ(Stored("Config", "StandardSubject"), "Oggetto");
    EXPECT_EQ(Stored("Config", "StandardNote"), "Nota");
    EXPECT_EQ(Stored("Config", "Autoupdate"), "0");
    EXPECT_EQ(planner.calls, QStringList({"slot 30", "start 09:05", "end 18:00", "relayout"}));

    // The gateway is only named, never chosen or written here.
    EXPECT_EQ(GetPrivateProfileString("config", "smsprovider", "", Global::gIniFile), "");

    // Saved values come back as saved.
    delete form;
    auto& again = Open();
    EXPECT_EQ(again.txUserName->text(), "anna");
    EXPECT_EQ(again.dpDaOra->time(), QTime(9, 5));
    EXPECT_EQ(again.cbIntervallo->currentText(), "30");
}

TEST_F(Config, RefusedConfirmationsSaveNothing) {
    SaveSetting("Brivalto", "Agenda", "Intervallo", "90");  // longer than any slot
    auto& f = Open();
    EXPECT_EQ(f.cbIntervallo->currentIndex(), -1);
    f.txAzienda->setText("Verdi");
    f.cmdConferma->click();
    EXPECT_EQ(env.Prompts(), QStringList({"Occorre selezionare un intervallo per l'agenda"}));

    f.cbIntervallo->setCurrentIndex(0);
    f.ckAutenticazione->setChecked(true);
    f.txUserName->setText("anna");
    f.txPassword->setText("   ");
    f.cmdConferma->click();
    EXPECT_EQ(env.Prompts().value(1),
              "Se è selezionata l'autenticazione del server SMTP, devono essere indicati il nome utente e la password");

    f.txPassword->setText("x");
    f.dpAOra->setTime(f.dpDaOra->time());
    f.cmdConferma->click();
    EXPECT_EQ(env.Prompts().value(2), "L'ora di inizio deve essere inferiore all'ora di fine");

    EXPECT_FALSE(f.IsUnloaded());
    EXPECT_EQ(f.txAzienda->text(), "Verdi");  // typed values stay
    EXPECT_EQ(Stored("Sender", "Company"), "<none>");
    EXPECT_EQ(Stored("Agenda", "Intervallo"), "90");
    EXPECT_TRUE(planner.calls.isEmpty());
    EXPECT_FALSE(QFile::exists(Global::gIniFile));

    f.cmdAnnulla->click();
    EXPECT_TRUE(f.IsUnloaded());
    EXPECT_EQ(Stored("Sender", "Company"), "<none>");
    EXPECT_TRUE(planner.calls.isEmpty());
}

// From any box, Enter confirms the configuration and Escape cancels it.
TEST_F(Config, EnterConfirmsAndEscapeCancels) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        // An unloaded window goes by itself.
        QPointer<frmConfigura> f = &Open();
        form = nullptr;
        TestKit::OnScreen(*f);
        f->txAzienda->setFocus();
        TestKit::Type(key == Qt::Key_Return ? "Verdi" : " e Bianchi");
        TestKit::Press(key);
        EXPECT_TRUE(!f || f->IsUnloaded());
        EXPECT_EQ(Stored("Sender", "Company"), "Verdi");
    }
}

TEST_F(Config, ASettingThatCannotBeStoredKeepsTheWindowOpenAndSaysSo) {
    SaveSetting("Brivalto", "Sender", "Company", "Rossi");
    auto& f = Open();
    f.txAzienda->setText("Verdi");
    {
        TestKit::FileSizeLimit full(16);
        f.cmdConferma->click();
    }
    ASSERT_EQ(env.Prompts().size(), 1);
    EXPECT_TRUE(env.Prompts().last().startsWith("Impossibile salvare le impostazioni"));
    EXPECT_FALSE(f.IsUnloaded());
    EXPECT_EQ(f.txAzienda->text(), "Verdi");
    EXPECT_EQ(Stored("Sender", "Company"), "Rossi");
}

TEST_F(Config, WithoutAnAgendaTheHoursAreOnlyStored) {
    PlannerSettings::SetProvider(nullptr);
    auto& f = Open();
    f.cmdConferma->click();
    EXPECT_TRUE(f.IsUnloaded());
    EXPECT_EQ(Stored("Agenda", "OraInizio"), "08.00");
    EXPECT_EQ(Stored("Agenda", "OraFine"), "20.30");
    EXPECT_EQ(Stored("Agenda", "Intervallo"), "15");
}

TEST_F(Config, LeavingAPickerWithTheHoursOutOfOrderKeepsTheFocusThere) {
    auto& f = Open();
    bool cancel = false;
    f.dpDaOra_Validate(cancel);
    EXPECT_FALSE(cancel);
    f.dpDaOra->setTime(QTime(21, 0));
    f.dpAOra_Validate(cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(env.Prompts(), QStringList({"L'ora di inizio deve essere inferiore all'ora di fine"}));

    // The same through the focus, as the user leaves the picker.
    f.show();
    f.activateWindow();
    QApplication::processEvents();
    f.tabConfig->setCurrentIndex(4);
    f.dpDaOra->setFocus();
    QApplication::processEvents();
    if (!f.dpDaOra->hasFocus()) GTEST_SKIP() << "the offscreen platform gave no focus";
    f.cbIntervallo->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(env.Prompts().size(), 2);
    EXPECT_TRUE(f.dpDaOra->hasFocus());

    // Hours typed after a click in the minutes, left before the minutes
    // came: checked as they were typed.
    f.dpDaOra->setTime(QTime(8, 0));
    env.ClearBoxes();
    QTest::mouseClick(f.dpDaOra, Qt::LeftButton, {}, QPoint(f.dpDaOra->width() - 8, f.dpDaOra->height() / 2));
    QTest::keyClicks(f.dpDaOra, "21");
    f.cbIntervallo->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.dpDaOra->time(), QTime(21, 0));
    EXPECT_EQ(env.Prompts(), QStringList({"L'ora di inizio deve essere inferiore all'ora di fine"}));
    EXPECT_TRUE(f.dpDaOra->hasFocus());
}

TEST_F(Config, TheCompanyFillsAnEmptySmsSender) {
    auto& f = Open();
    f.txAzienda->setText("Ferramenta Rossi e Figli");
    f.txMittente->setText("   ");  // blanks count as empty
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(f.txAzienda, &leave);
    EXPECT_EQ(f.txMittente->text(), "Ferramenta ");  // eleven characters

    f.txAzienda->setText("Altro nome");
    f.txAzienda_LostFocus();
    EXPECT_EQ(f.txMittente->text(), "Ferramenta ");  // a filled sender is never touched
}

TEST_F(Config, TheCoverPageFilterFollowsTheFaxSoftware) {
    auto& f = Open();
    QStringList asked;
    QString answer = "/srv/fax/base.cov";
    f.ShowOpen = [&](const QString& title, const QString& filter) {
        asked << title + " " + filter;
        return answer;
    };
    f.FAX->CoverExt = ".Cov";
    f.cmdBrowseCoverPage->click();
    EXPECT_EQ(f.txCoverPage->text(), "/srv/fax/base.cov");
    f.FAX->CoverExt = ".rtf";
    answer.clear();  // cancelled
    f.cmdBrowseCoverPage->click();
    EXPECT_EQ(f.txCoverPage->text(), "/srv/fax/base.cov");
    EXPECT_EQ(asked, QStringList({"Selezione copertina fax Copertine di fax|*.cov",
                                  "Selezione copertina fax File RTF|*.rtf"}));
}

TEST_F(Config, TheFreeFieldCaptionsOpenThroughTheirWindow) {
    auto& f = Open();
    f.cmdCampiPersonalizzati->click();
    EXPECT_EQ(env.Boxes().size(), 1);  // not there yet: a notice, no crash
    int shown = 0;
    Neighbours::Register("frmFreeField", {[&] { ++shown; }, nullptr, nullptr, nullptr});
    f.cmdCampiPersonalizzati->click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(env.Boxes().size(), 1);
}
