#include "AddressLayout.h"

#include "Runtime.h"
#include "Settings.h"
#include "Values.h"

using namespace Platform;

const char* const kEtichettaSenzaMisure = "La larghezza e l'altezza dell'etichetta devono essere maggiori di zero";

double AddressLayout::Number(const QString& text) { return Val(QString(text).replace(',', '.')); }

QString AddressLayout::NumberText(double value) { return Format(value); }

bool AddressLayout::Flag(const QString& text) {
    if (Trim(text).compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) return true;
    return Val(text) != 0;
}

AddressLayout AddressLayout::Read() {
    const QString app = App::EXEName();
    auto text = [&](const char* section, const char* key, const QString& def) {
        return GetSetting(app, QString::fromLatin1(section), QString::fromLatin1(key), def);
    };
    AddressLayout l;
    l.Tipo = text("DATIINDIRIZZO", "TIPO", "B");
    l.Id = Flag(text("DATIINDIRIZZO", "ID", "0"));
    l.Azienda = Flag(text("DATIINDIRIZZO", "AZIENDA", "1"));
    l.NomeCognome = Flag(text("DATIINDIRIZZO", "NOMECOGNOME", "1"));
    l.Titolo = Flag(text("DATIINDIRIZZO", "TITOLO", "1"));
    l.Ruolo = Flag(text("DATIINDIRIZZO", "RUOLO", "0"));
    l.Indirizzo = Flag(text("DATIINDIRIZZO", "INDIRIZZO", "1"));
    l.Nazione = Flag(text("DATIINDIRIZZO", "NAZIONE", "0"));
    l.BusteLeft = Number(text("BUSTE", "Left", "150"));
    l.BusteTop = Number(text("BUSTE", "Top", "37"));
    l.Larghezza = Number(text("ETICHETTE", "Larghezza", "64"));
    l.Altezza = Number(text("ETICHETTE", "Altezza", "37"));
    l.EtichetteLeft = Number(text("ETICHETTE", "Left", "5"));
    l.EtichetteTop = Number(text("ETICHETTE", "Top", "5"));
    return l;
}
