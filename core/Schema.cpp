#include "Schema.h"

#include "ADODB.h"
#include "Errors.h"
#include "Global.h"
#include "Runtime.h"

#include <QFile>

QStringList Schema::BaseTableStatements() {
    return {
        "CREATE TABLE ANAGRAFICA (ID LONG, IDAZIENDA LONG, AZIENDA VARCHAR(50), TITOLO VARCHAR(15), "
        "COGNOME VARCHAR(50), NOME VARCHAR(50), RUOLO VARCHAR(50), INDIRIZZO VARCHAR(50), CAP VARCHAR(7), "
        "CITTA VARCHAR(50), PROVINCIA VARCHAR(4), NAZIONE VARCHAR(50), EMAIL VARCHAR(100), TELEFONO VARCHAR(25), "
        "TELEFONOCASA VARCHAR(25), CELLULARE VARCHAR(25), FAX VARCHAR(25), CATEGORIA VARCHAR(50), "
        "PREFERENZA VARCHAR(1))",
        "CREATE TABLE CONTATTI (IDCONT LONG, IDANA LONG, IDAZIENDA LONG, TIPOCONT VARCHAR(1), [DATA] DATETIME, "
        "DATAFINE DATETIME, LUOGO VARCHAR(100), DESCRIZIONE VARCHAR(255), [NOTE] TEXT, DATAAVVISO DATETIME, "
        "UTENTEMODIFICA VARCHAR(10) NULL, U_MOD DATETIME)",
        "CREATE TABLE TODO (ID LONG, SHORTDESC VARCHAR(255), LONGDESC TEXT, DUETO DATETIME, DATEDONE DATETIME, "
        "REMINDERDATE DATETIME, PRIORITY LONG, PROJECT VARCHAR(100), DONE BIT)",
        "CREATE TABLE TIPICONTATTO (CODICE VARCHAR(1), DESCRIZIONE VARCHAR(50))",
        "CREATE TABLE OUTLOOKINSERTED (ENTRYID VARCHAR(255))",
        "INSERT INTO TIPICONTATTO (CODICE, DESCRIZIONE) VALUES ('T','Telefonata')",
        "INSERT INTO TIPICONTATTO (CODICE, DESCRIZIONE) VALUES ('V','Visita')",
        "INSERT INTO TIPICONTATTO (CODICE, DESCRIZIONE) VALUES ('P','Lettera')",
        "INSERT INTO TIPICONTATTO (CODICE, DESCRIZIONE) VALUES ('F','Fax')",
        "INSERT INTO TIPICONTATTO (CODICE, DESCRIZIONE) VALUES ('E','E-mail')",
        "INSERT INTO TIPICONTATTO (CODICE, DESCRIZIONE) VALUES ('R','Appuntamento')",
    };
}

bool Schema::CreateDeliveredDatabase(const QString& file, QString* error) {
    if (!ADODB::Catalog::CreateDatabase(file)) {
        if (error) *error = "cannot create " + file;
        return false;
    }
    try {
        ADODB::Connection cn;
        cn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
        for (const QString& sql : BaseTableStatements()) cn.Execute(sql);
        cn.Close();
    } catch (const Platform::BasicError& e) {
        if (error) *error = e.Description();
        return false;
    }
    // Two starts bring the file to the current schema, as at a customer's.
    Global::gConnString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
    Global::UpgradeDatabase();
    Global::UpgradeDatabase();
    // The items the main menu adds at its first load.
    try {
        ADODB::Connection cn;
        cn.Open(Global::gConnString);
        cn.Execute("INSERT INTO TIPICONTATTO (CODICE,DESCRIZIONE) VALUES ('M','Invio SMS')");
        cn.Execute("ALTER TABLE ANAGRAFICA ADD DATNAS DATETIME NULL;");
    } catch (const Platform::BasicError& e) {
        if (error) *error = e.Description();
        return false;
    }
    return true;
}

bool Schema::IsWholeDatabase(const QString& file) {
    // The file's header (its first 100 bytes) names the page size and, when
    // its two change counters agree, the number of pages: a file shorter
    // than that was cut.
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray header = f.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArray("SQLite format 3\0", 16))) return false;
    auto u32 = [&header](int at) {
        return (quint32(quint8(header[at])) << 24) | (quint32(quint8(header[at + 1])) << 16) |
               (quint32(quint8(header[at + 2])) << 8) | quint32(quint8(header[at + 3]));
    };
    quint32 pageSize = (quint32(quint8(header[16])) << 8) | quint8(header[17]);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return false;
    const qint64 size = f.size();
    if (size % pageSize != 0) return false;
    if (u32(24) == u32(92) && u32(28) > 0 && size < qint64(u32(28)) * pageSize) return false;
    return true;
}
