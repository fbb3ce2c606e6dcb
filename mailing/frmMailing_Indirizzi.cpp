// One postal address printed on an envelope or into the next cell of a sheet
// of labels.
#include "frmMailing.h"

#include "ADODB.h"
#include "AddressLayout.h"
#include "Comuni.h"
#include "Errors.h"
#include "Printer.h"
#include "Runtime.h"
#include "modAdoCommon.h"

using namespace Platform;

bool frmMailing::PrintIndirizzo(float& X, float& Y, qint32 ID, QString* error, long* number) {
    ADODB::Recordset rs;
    if (!cn || !modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT * FROM ANAGRAFICA WHERE ID=?;"), *cn, 0, 3, false,
                                            {ID})) {
        if (error) *error = QStringLiteral("scheda anagrafica non leggibile");
        return false;
    }
    PrinterObject& printer = Printer();
    const int savedScale = printer.ScaleMode();
    try {
        if (rs.EOF_()) throw BasicError(3021, QStringLiteral("Nessun record corrente."));
        printer.SetScaleMode(vbMillimeters);
        printer.SetFontName(QStringLiteral("Arial"));
        printer.SetFontSize(11);
        const AddressLayout layout = AddressLayout::Read();
        const bool envelope = layout.Tipo == "B";
        const float cx = envelope ? float(layout.BusteLeft) + X : X + 20.0f;
        const float cy = envelope ? float(layout.BusteTop) + Y : Y;
        printer.SetCurrentY(cy);
        auto line = [&](const QString& text) {
            printer.SetCurrentX(cx);
            printer.Print(text);
        };
        auto field = [&](const char* column) { return Comuni::FieldStr(rs[QString::fromLatin1(column)]); };
        if (layout.Id) line(QString::number(Comuni::FieldNum(rs["ID"]).toLongLong()));
        if (layout.Azienda) {
            const QString company = field("AZIENDA");
            if (!company.isEmpty()) {
                printer.SetCurrentX(cx - 20);
                printer.Print(QStringLiteral("Spett.le"), false);
            }
            line(company);
        }
        if (layout.NomeCognome) {
            const QString title = field("TITOLO");
            line((layout.Titolo && !title.isEmpty() ? title + " " : QString()) + field("NOME") + " " + field("COGNOME"));
        }
        if (layout.Ruolo) line(field("RUOLO"));
        if (layout.Indirizzo) {
            line(field("INDIRIZZO"));
            line(field("CAP") + " " + field("CITTA") + " " + field("PROVINCIA"));
        }
        if (layout.Nazione) line(field("NAZIONE"));

        if (layout.Tipo == "E") {
            const float width = float(layout.Larghezza), height = float(layout.Altezza);
            X = X + width;
            if (X + width > float(printer.ScaleWidth())) {
                X = float(layout.EtichetteLeft);
                Y = Y + height;
                if (Y + height > float(printer.ScaleHeight())) {
                    printer.NewPage();
                    Y = float(layout.EtichetteTop);
                }
            }
        } else {
            printer.NewPage();
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        const QString text = Err().Description;
        MsgBox(QStringLiteral("Errore ") + QString::number(Err().Number) + ": " + text + " in stampa indirizzo", vbOKOnly);
        printer.SetScaleMode(savedScale);
        if (error) *error = text;
        if (number) *number = Err().Number;
        Err().Clear();
        return false;
    }
    printer.SetScaleMode(savedScale);
    return true;
}
