#include "Normalizzazione.h"

#include <gtest/gtest.h>

using Normalizzazione::Normalizza;

TEST(Normalizza, BlanksCollapseAndWordsTakeACapital) {
    EXPECT_EQ(Normalizza(QString("  studio   TECNICO  ")), "Studio Tecnico");
    EXPECT_EQ(Normalizza(QString("DELL'ORTO")), "Dell'orto");
    EXPECT_EQ(Normalizza(QString("bianco-nero")), "Bianco-nero");
    EXPECT_EQ(Normalizza(QString("ÈRBA ÀNCORA")), "Èrba Àncora");
    EXPECT_EQ(Normalizza(QString("")), "");
    EXPECT_EQ(Normalizza(QString("    ")), "");
    EXPECT_EQ(Normalizza(QVariant()), "");
    EXPECT_EQ(Normalizza(QString("uno\tdue")), "Uno\tdue");  // only spaces part words
}

TEST(Normalizza, OneLetterWordsAreLowered) {
    EXPECT_EQ(Normalizza(QString("casa e bottega")), "Casa e Bottega");
    EXPECT_EQ(Normalizza(QString("A")), "a");
    EXPECT_EQ(Normalizza(QString("À")), "à");
}

TEST(Normalizza, TitlesAndAbbreviationsWithADot) {
    EXPECT_EQ(Normalizza(QString("studio dott. ferro")), "Studio dott. Ferro");
    EXPECT_EQ(Normalizza(QString("DOTT.SSA lana")), "dott.ssa Lana");
    EXPECT_EQ(Normalizza(QString("Prof.ssa verdi")), "prof.ssa Verdi");
    EXPECT_EQ(Normalizza(QString("cav. uff.")), "Cav. UFF.");
    EXPECT_EQ(Normalizza(QString("sig.")), "SIG.");
    EXPECT_EQ(Normalizza(QString(".ing.")), "ing.");
    EXPECT_EQ(Normalizza(QString("v.le europa")), "Viale Europa");
    EXPECT_EQ(Normalizza(QString("p.za duomo")), "Piazza Duomo");
    EXPECT_EQ(Normalizza(QString("p.zza duomo")), "Piazza Duomo");
    EXPECT_EQ(Normalizza(QString("uno . due")), "Uno  Due");  // a lone dot leaves its place
}

TEST(Normalizza, CompanyFormsWithAndWithoutDots) {
    EXPECT_EQ(Normalizza(QString("vetri srl")), "Vetri S.R.L.");
    EXPECT_EQ(Normalizza(QString("vetri spa")), "Vetri S.p.A.");
    EXPECT_EQ(Normalizza(QString("vetri s.p.a.")), "Vetri S.p.A.");
    EXPECT_EQ(Normalizza(QString("vetri s.d.f.")), "Vetri S.d.F.");
    EXPECT_EQ(Normalizza(QString("vetri SDF")), "Vetri S.d.F.");
    EXPECT_EQ(Normalizza(QString("edile scrl")), "Edile S.C.R.L.");
    EXPECT_EQ(Normalizza(QString("edile Snc")), "Edile S.N.C.");
    EXPECT_EQ(Normalizza(QString("edile sas")), "Edile S.A.S.");
}

TEST(Normalizza, RomanNumeralsUpToThirtyTwo) {
    EXPECT_EQ(Normalizza(QString("liceo xxiii")), "Liceo XXIII");
    EXPECT_EQ(Normalizza(QString("pio ix")), "Pio IX");
    EXPECT_EQ(Normalizza(QString("via xxxii")), "Via XXXII");
    EXPECT_EQ(Normalizza(QString("xxxiii")), "Xxxiii");
    EXPECT_EQ(Normalizza(QString("i")), "I");  // a numeral before a one-letter word
    EXPECT_EQ(Normalizza(QString("mix")), "Mix");
}

TEST(Normalizza, FirstWordAndDot) {
    EXPECT_EQ(Normalizzazione::PrimaParola("via roma"), "via");
    EXPECT_EQ(Normalizzazione::PrimaParola("via"), "via");
    EXPECT_TRUE(Normalizzazione::ContienePunto("s.r.l."));
    EXPECT_FALSE(Normalizzazione::ContienePunto("srl"));
}
