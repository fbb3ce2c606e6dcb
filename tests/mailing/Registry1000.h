#pragma once
// A registry of 1,000 records with every combination the recipient filters
// and the send modes tell apart, built the same way for every test.

#include "ADODB.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

struct Person {
    qint32 id = 0;
    QString azienda, titolo, cognome, nome, indirizzo, cap, citta, provincia, nazione;
    QString email, fax, cellulare, categoria;
    QDate datnas;           // invalid: Null
    QStringList catMer;     // product category codes
};

inline std::vector<Person> MakeRegistry(int count = 1000) {
    static const char* surnames[] = {"Rossi", "Bianchi", "D'Angelo", "Ferrari", "Esposito", "Ricci", "Marino",
                                     "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa", "Giordano",
                                     "Rizzo", "Lombardi", "Moretti", "Barbieri", "Fontana"};
    static const char* names[] = {"Anna", "Marco", "Giulia", "Luca", "Sara", "Paolo", "Elena", "Niccolò", "Chiara", "Davide"};
    static const char* cities[] = {"Bologna", "Forlì", "Reggio nell'Emilia", "Imola", "Roma"};
    static const char* caps[] = {"40121", "47121", "42121", "40026", "00184"};
    static const char* provinces[] = {"BO", "FC", "RE", "BO", "RM"};
    static const char* categories[] = {"Clienti", "Fornitori", "Prospect", ""};
    std::vector<Person> people;
    for (int i = 1; i <= count; ++i) {
        Person p;
        p.id = i;
        const int place = i % 5;
        if (i % 25 == 0) {
            p.azienda = QStringLiteral("Officina %1 S.r.l.").arg(i);
        } else {
            p.cognome = QString::fromUtf8(surnames[i % 20]);
            p.nome = QString::fromUtf8(names[(i / 20) % 10]);
            if (i % 7 == 0) p.azienda = QStringLiteral("Studio %1").arg(i % 13);
            p.titolo = i % 3 == 0 ? QStringLiteral("Dott.") : QString();
        }
        p.indirizzo = i % 11 == 0 ? QString() : QStringLiteral("Via Emilia %1").arg(i);
        p.cap = QString::fromLatin1(caps[place]);
        p.citta = i % 17 == 0 ? QString() : QString::fromUtf8(cities[place]);
        p.provincia = QString::fromLatin1(provinces[place]);
        p.nazione = i % 9 == 0 ? QStringLiteral("Svizzera") : QStringLiteral("Italia");
        p.categoria = QString::fromLatin1(categories[i % 4]);
        if (i % 2 == 0) p.email = QStringLiteral("cliente%1@example.it").arg(i);
        if (i % 3 == 0) p.fax = QStringLiteral("051%1").arg(100000 + i);
        if (i % 5 < 2) p.cellulare = QStringLiteral("393%1").arg(300000000 + i);
        if (i % 6 != 0) p.datnas = QDate(1950 + i % 50, 1 + i % 12, 1 + i % 28);
        if (i % 4 == 1) p.catMer << QStringLiteral("A");
        if (i % 3 == 1) p.catMer << QStringLiteral("B");
        if (i % 10 == 7) p.catMer << QStringLiteral("C");
        people.push_back(p);
    }
    return people;
}

inline void Store(ADODB::Connection& cn, const std::vector<Person>& people) {
    auto value = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
    cn.Execute("INSERT INTO CATEGORIE (CODICE,DESCRIZIONE) VALUES ('A','Abbigliamento')");
    cn.Execute("INSERT INTO CATEGORIE (CODICE,DESCRIZIONE) VALUES ('B','Bricolage')");
    cn.Execute("INSERT INTO CATEGORIE (CODICE,DESCRIZIONE) VALUES ('C','Cartoleria')");
    cn.BeginTrans();
    for (const Person& p : people) {
        cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,AZIENDA,TITOLO,COGNOME,NOME,INDIRIZZO,CAP,CITTA,PROVINCIA,"
                   "NAZIONE,EMAIL,FAX,CELLULARE,CATEGORIA,DATNAS) VALUES (?,0,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                   {p.id, value(p.azienda), value(p.titolo), value(p.cognome), value(p.nome), value(p.indirizzo),
                    value(p.cap), value(p.citta), value(p.provincia), value(p.nazione), value(p.email), value(p.fax),
                    value(p.cellulare), value(p.categoria),
                    p.datnas.isValid() ? QVariant(QDateTime(p.datnas, QTime(0, 0))) : QVariant()});
        for (const QString& code : p.catMer)
            cn.Execute("INSERT INTO ANACAT (ANA_ID,CAT_CODICE) VALUES (?,?)", {p.id, code});
    }
    cn.CommitTrans();
}
