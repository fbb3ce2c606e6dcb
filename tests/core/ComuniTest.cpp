#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "ImpaginazioneRighe.h"
#include "ListView.h"
#include "Printer.h"
#include "Settings.h"
#include "TestKit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <gtest/gtest.h>

TEST(Comuni, FieldValues) {
    EXPECT_EQ(Comuni::FieldStr(QVariant()), "");
    EXPECT_EQ(Comuni::FieldStr(QVariant(QString("  Rossi  "))), "Rossi");
    EXPECT_EQ(Comuni::FieldStr(QVariant(QString(""))), "");
    EXPECT_EQ(Comuni::FieldStr(QVariant(12)), "12");
    EXPECT_EQ(Comuni::FieldNum(QVariant()).toInt(), 0);
    EXPECT_EQ(Comuni::FieldNum(QVariant(7)).toInt(), 7);
    QDateTime t(QDate(2026, 5, 1), QTime(8, 0));
    EXPECT_EQ(Comuni::FieldNum(QVariant(t)).toDateTime(), t);
}

TEST(Comuni, SqlQuoteDoublesApostrophes) {
    EXPECT_EQ(Comuni::SqlQuote("D'Angelo"), "D''Angelo");
    EXPECT_EQ(Comuni::SqlQuote("x' OR '1'='1"), "x'' OR ''1''=''1");
    EXPECT_EQ(Comuni::SqlQuote(""), "");
}

TEST(Comuni, SmsCharacterSet) {
    EXPECT_TRUE(Comuni::IsSmsText("Buongiorno Mario, appuntamento alle 10:30!"));
    EXPECT_TRUE(Comuni::IsSmsText(""));
    EXPECT_TRUE(Comuni::IsSmsText("@ ?<>="));
    EXPECT_FALSE(Comuni::IsSmsText("Sarò lì"));
    EXPECT_FALSE(Comuni::IsSmsText("10 €"));
    EXPECT_FALSE(Comuni::IsSmsText("[nota]"));
    EXPECT_FALSE(Comuni::IsSmsText("riga\nriga"));
    EXPECT_FALSE(Comuni::IsSmsText("a_b"));
    EXPECT_FALSE(Comuni::IsSmsText("{x}"));
}

TEST(Comuni, ReadIniUsesTheTitleForTheAmpersand) {
    TestKit::Environment env;
    Global::gIniFile = env.DataPath() + "Brivalto.ini";
    QFile f(env.DataPath() + "brivalto.INI");  // found whatever its case
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Brivalto]\r\nChiave=dal titolo\r\n[Config]\r\nQUICKUSER=ROSSI\r\n");
    f.close();
    QString section = "&";
    EXPECT_EQ(Comuni::ReadIni("chiave", "no", section), "dal titolo");
    EXPECT_EQ(section, "Brivalto");
    EXPECT_EQ(Comuni::ReadIni("QuickUser", "", "config"), "ROSSI");
    EXPECT_EQ(Comuni::ReadIni("Manca", "predefinito", "Config"), "predefinito");
    Global::gIniFile.clear();
}

TEST(Comuni, ShowErrorAppendsTheCurrentError) {
    TestKit::Environment env;
    Platform::Err().Set(3022, "Chiave duplicata");
    QString text = "Salvataggio non riuscito";
    Comuni::ShowError(text, true);
    EXPECT_EQ(text, "Salvataggio non riuscito: 3022 (Chiave duplicata)");
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].style, Platform::vbInformation);
    Platform::Err().Clear();
}

TEST(Comuni, ProcedureErrorBox) {
    TestKit::Environment env;
    Platform::ErrObject err;
    err.Set(91, "Variabile oggetto non impostata");
    Global::ShowProcError(err, "Procedura HaPermesso di Modulo modGlobal", "Brivalto");
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].prompt, "Errore 91: Variabile oggetto non impostata - Procedura HaPermesso di Modulo modGlobal");
    EXPECT_EQ(env.Boxes()[0].title, "Brivalto");
}

TEST(Comuni, ListColumnWidthsAreKeptPerWindowAndList) {
    TestKit::Environment env;
    QWidget window;
    window.setObjectName("frmContatti");
    auto* lv = new Platform::ListView(&window);
    lv->setObjectName("LV");
    lv->AddColumn("a", "a", 3000);
    lv->AddColumn("b", "b", 600);
    Comuni::LoadListColumnWidths(*lv);  // never saved: one inch each
    EXPECT_EQ(lv->Column(1).Width(), 1440);
    EXPECT_EQ(lv->Column(2).Width(), 1440);
    lv->Column(1).SetWidth(3000);
    Comuni::SaveListColumnWidths(*lv);
    EXPECT_EQ(Platform::GetSetting("Brivalto", "ListColumnWidths", "frmContatti.LV.1"), "3000");
    Platform::SaveSetting("Brivalto", "ListColumnWidths", "frmContatti.LV.2", "largo");
    lv->Column(1).SetWidth(100);
    Comuni::LoadListColumnWidths(*lv);
    EXPECT_EQ(lv->Column(1).Width(), 3000);
    EXPECT_EQ(lv->Column(2).Width(), 0);  // not a number: 0
}

TEST(Comuni, DropDownOnlyWithItems) {
    QComboBox combo;
    Comuni::ShowComboDropDown(&combo);
    EXPECT_EQ(combo.view()->isVisible(), false);
}

TEST(Comuni, WaitWindowComesAndGoes) {
    Comuni::ShowWait();
    EXPECT_EQ(Platform::GetMousePointer(), Platform::vbHourglass);
    Comuni::HideWait();
    Comuni::HideWait();  // harmless when not shown
    EXPECT_EQ(Platform::GetMousePointer(), Platform::vbDefault);
}

class LineFitting : public ::testing::Test {
protected:
    void SetUp() override {
        Platform::Printer().SetScaleMode(Platform::vbTwips);
        Platform::Printer().SetFont(QFont("DejaVu Sans", 10));
    }
    float WidthOf(const QString& text) {
        auto& p = Platform::Printer();
        int saved = p.ScaleMode();
        p.SetScaleMode(Platform::vbMillimeters);
        float w = float(p.TextWidth(text));
        p.SetScaleMode(saved);
        return w;
    }
};

TEST_F(LineFitting, TextThatFitsIsReturnedWhole) {
    QString text = "  breve testo  ";
    float width = 200;
    EXPECT_EQ(ImpaginazioneRighe::FitTextToWidth(text, width), "breve testo");
    EXPECT_EQ(text, "");
    EXPECT_EQ(Platform::Printer().ScaleMode(), Platform::vbTwips);
}

TEST_F(LineFitting, WordsThatDoNotFitAreLeft) {
    QString text = "primo secondo terzo";
    float width = WidthOf("primo secondo") + 0.1f;
    EXPECT_EQ(ImpaginazioneRighe::FitTextToWidth(text, width), "primo secondo");
    EXPECT_EQ(text, "terzo");
}

TEST_F(LineFitting, LineBreaksSplitLines) {
    QString text = "uno\r\ndue";
    float width = 100;
    EXPECT_EQ(ImpaginazioneRighe::FitTextToWidth(text, width), "uno");
    EXPECT_EQ(text, "due");
    // Each line on a row of its own: a piece never holds a line break, of either kind.
    text = "uno\r\ndue\r\ntre";
    EXPECT_EQ(ImpaginazioneRighe::FitTextToWidth(text, width), "uno");
    EXPECT_EQ(text, "due\r\ntre");
    text = "primo rigo\nsecondo rigo";
    EXPECT_EQ(ImpaginazioneRighe::FitTextToWidth(text, width), "primo rigo");
    EXPECT_EQ(text, "secondo rigo");
}

TEST_F(LineFitting, AWordWiderThanTheLineIsKeptWhole) {
    QString text = "Precipitevolissimevolmente";
    float width = 5;
    EXPECT_EQ(ImpaginazioneRighe::FitTextToWidth(text, width), "Precipitevolissimevolmente");
    EXPECT_EQ(text, "");
    QString empty;
    EXPECT_EQ(ImpaginazioneRighe::FitTextToWidth(empty, width), "");
    EXPECT_EQ(empty, "");
}
