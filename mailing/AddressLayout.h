#pragma once
// How addresses are printed on envelopes and labels: the settings sections
// "DATIINDIRIZZO", "BUSTE" and "ETICHETTE", read with their defaults.
// Millimetres throughout.

#include <QString>

struct AddressLayout {
    QString Tipo = "B";  // "B" envelopes, "E" labels
    bool Id = false;
    bool Azienda = true;
    bool NomeCognome = true;
    bool Titolo = true;
    bool Ruolo = false;
    bool Indirizzo = true;
    bool Nazione = false;
    double BusteLeft = 150;
    double BusteTop = 37;
    double Larghezza = 64;
    double Altezza = 37;
    double EtichetteLeft = 5;
    double EtichetteTop = 5;

    static AddressLayout Read();

    // A stored number: written with the decimal comma, read with either.
    static double Number(const QString& text);
    static QString NumberText(double value);
    // A stored flag: "0" is off, any other number (or "True") on.
    static bool Flag(const QString& text);
};

// The refusal of a label sheet whose labels have no size.
extern const char* const kEtichettaSenzaMisure;
