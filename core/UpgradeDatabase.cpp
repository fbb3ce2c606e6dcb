#include "Global.h"

#include "ADODB.h"
#include "Errors.h"
#include "Runtime.h"
#include "Values.h"
#include "modAdoCommon.h"

namespace App = Platform::App;

namespace {

// Runs a statement, keeping its failure as the pending error instead of raising it.
bool Try(ADODB::Connection& cn, const QString& sql, bool& pending) {
    try {
        cn.Execute(sql);
        return true;
    } catch (const Platform::BasicError& e) {
        Platform::Err().Set(e);
        pending = true;
        return false;
    }
}

// A column is there when a query on it can be opened.
bool ColumnExists(ADODB::Connection& cn, const QString& probe) {
    try {
        ADODB::Recordset rs;
        rs.Open(probe + " WHERE 0=1", cn);
        return true;
    } catch (const Platform::BasicError&) {
        Platform::Err().Clear();
        return false;
    }
}

// Repairs of what earlier versions left, run on every upgrade; each is
// harmless when there is nothing to repair.
void Repair(ADODB::Connection& cn) {
    auto run = [&cn](const QString& sql) {
        try {
            cn.Execute(sql);
        } catch (const Platform::BasicError&) {
            Platform::Err().Clear();
        }
    };
    // Yes/No columns added to rows that were already there read False, never Null.
    for (const char* column : {"AVVISO1SENT", "AVVISO2SENT"})
        run(QStringLiteral("UPDATE CONTATTI SET %1=0 WHERE %1 IS NULL").arg(QLatin1String(column)));
    // One row per activity type: every start of the menu used to add "M" again.
    QList<QPair<QString, QString>> doubled;
    try {
        ADODB::Recordset rs;
        rs.Open("SELECT CODICE, MIN(DESCRIZIONE) AS D FROM TIPICONTATTO GROUP BY CODICE HAVING COUNT(*)>1", cn);
        for (; !rs.EOF_(); rs.MoveNext()) doubled.append({rs["CODICE"].toString(), rs["D"].toString()});
    } catch (const Platform::BasicError&) {
        Platform::Err().Clear();
    }
    for (const auto& [code, description] : doubled) {
        const QString quoted = QString(code).replace('\'', "''");
        run("DELETE FROM TIPICONTATTO WHERE CODICE='" + quoted + "'");
        run("INSERT INTO TIPICONTATTO (CODICE,DESCRIZIONE) VALUES ('" + quoted + "','" +
            QString(description).replace('\'', "''") + "')");
    }
    run(QStringLiteral("CREATE UNIQUE INDEX TIPI_CHIAVE ON TIPICONTATTO (CODICE)"));
}

void EndProgram(const QString& message) {
    Platform::MsgBox(message, Platform::vbOKOnly);
    Platform::App::End();
}

}  // namespace

void Global::UpgradeDatabase() {
    std::unique_ptr<ADODB::Connection> cn;
    if (!modAdoCommon::OpenConnection(cn, gConnString, false, 19)) {
        Platform::App::End();
        return;
    }
    bool pending = false;
    bool upgrade = false;
    int storedMajor = 0;
    {
        ADODB::Recordset rs;
        bool opened = true;
        try {
            rs.Open("SELECT * FROM VERSIONI ORDER BY U_MOD DESC", *cn);
        } catch (const Platform::BasicError&) {
            opened = false;
        }
        if (!opened) {
            // The first start only makes the table; the next one upgrades.
            Try(*cn, "CREATE TABLE VERSIONI ([MAJOR] LONG, [MINOR] LONG, [REVISION] LONG, U_MOD DATETIME)", pending);
            Platform::Err().Clear();
            return;
        }
        if (rs.EOF_()) {
            upgrade = true;  // an empty table: everything is to be done
        } else {
            const int major = rs["MAJOR"].toInt(), minor = rs["MINOR"].toInt(), revision = rs["REVISION"].toInt();
            storedMajor = major;
            if (App::Major() != major) upgrade = App::Major() > major;
            else if (App::Minor() != minor) upgrade = App::Minor() > minor;
            else upgrade = App::Revision() > revision;
        }
    }
    if (!upgrade) return;

    if (storedMajor < 2) {
        const QString today = Platform::Format(Platform::Now(), "mm/dd/yyyy");
        const QStringList steps = {
            "CREATE TABLE CONFIGURAZIONE (NOMEFREEFIELDANA1 VARCHAR(20) NULL, NOMEFREEFIELDANA2 VARCHAR(20) NULL, "
            "NOMEFREEFIELDANA3 VARCHAR(20) NULL, NOMEFREEFIELDANA4  VARCHAR(20) NULL)",
            "ALTER TABLE ANAGRAFICA ADD [NOTE] TEXT NULL",
            "ALTER TABLE ANAGRAFICA ADD FREEFIELD1 VARCHAR(50) NULL, FREEFIELD2 VARCHAR(50) NULL, "
            "FREEFIELD3 VARCHAR(50) NULL, FREEFIELD4 VARCHAR(50) NULL",
            "ALTER TABLE CONTATTI ADD AVVISOREMOTO CHAR(1) NULL, AVVISOCONTATTO VARCHAR(100) NULL, "
            "AVVISOMESSAGE VARCHAR(160) NULL, AVVISO1DATE DATETIME NULL, AVVISO2DATE DATETIME NULL, "
            "AVVISO1SENT BIT DEFAULT 0, AVVISO2SENT BIT DEFAULT 0",
            "CREATE TABLE LOCKS (COMPUTER VARCHAR(100), TABELLA VARCHAR(50), U_MOD DATETIME)",
            "CREATE TABLE UTENTI (UTENTE VARCHAR(10), [PASSWORD] VARCHAR(10), [ISADMIN] BIT, U_MOD DATETIME NULL)",
            "CREATE UNIQUE INDEX UT_CHIAVE ON UTENTI (UTENTE)",
            "INSERT INTO UTENTI (UTENTE,[PASSWORD],[ISADMIN],[U_MOD]) VALUES ('ADMIN','',1,#" + today + "#)",
            "CREATE TABLE PERMESSI (UTENTE VARCHAR(10), PERMESSO VARCHAR(30), U_MOD DATETIME NULL)",
            "CREATE UNIQUE INDEX UT_PERMESSI ON PERMESSI (UTENTE,PERMESSO)",
            "CREATE TABLE CATEGORIE (CODICE VARCHAR(4), DESCRIZIONE VARCHAR(40), U_MOD DATETIME NULL)",
            "CREATE UNIQUE INDEX CAT_CHIAVE ON CATEGORIE (CODICE)",
            "CREATE TABLE ANACAT (ANA_ID LONG, CAT_CODICE VARCHAR(4), U_MOD DATETIME NULL)",
            "CREATE UNIQUE INDEX ANAC_CHIAVE ON ANACAT (ANA_ID,CAT_CODICE)",
            "CREATE TABLE ANAUTE (ANA_ID LONG, UTENTE VARCHAR(10), U_MOD DATETIME NULL)",
            "CREATE UNIQUE INDEX ANAU_CHIAVE ON ANAUTE (ANA_ID,UTENTE)",
            "ALTER TABLE ANAGRAFICA ADD UTENTE VARCHAR(10) NULL, U_MOD DATETIME NULL",
            "ALTER TABLE CONTATTI ADD UTENTE VARCHAR(10) NULL",
            "ALTER TABLE CONTATTI DROP CONSTRAINT PrimaryKey",
            "ALTER TABLE CONTATTI ALTER COLUMN IDCONT LONG",
            "CREATE UNIQUE INDEX UT_ID_CONTATTI ON CONTATTI (UTENTE,IDCONT)",
            "ALTER TABLE ANAGRAFICA DROP CONSTRAINT PrimaryKey",
            "ALTER TABLE ANAGRAFICA ALTER COLUMN ID LONG",
            "CREATE UNIQUE INDEX IDANAGRAFICA ON anagrafica (ID)",
        };
        bool ignored = false;
        for (const QString& sql : steps) Try(*cn, sql, ignored);
    }
    Platform::Err().Clear();
    pending = false;

    struct Probe {
        QString query;
        QList<QPair<QString, QString>> statements;  // statement, message on failure
    };
    const QList<Probe> probes = {
        {"SELECT UTENTEMODIFICA FROM CONTATTI",
         {{"ALTER TABLE CONTATTI ADD UTENTEMODIFICA VARCHAR(10) NULL",
           "Errore aggiornando tabella CONTATTI: aggiunta campo UTENTEMODIFICA"}}},
        {"SELECT UTENTE FROM TODO",
         {{"ALTER TABLE TODO ADD UTENTE VARCHAR(10) NULL", "Errore aggiornando tabella TODO: aggiunta campo UTENTE"},
          {"ALTER TABLE TODO DROP CONSTRAINT PrimaryKey", "Errore aggiornando tabella TODO: eliminazione PrimaryKey"},
          {"CREATE UNIQUE INDEX UT_ID_TODO ON TODO (UTENTE,ID)", "Errore aggiornando tabella TODO: creazione UT_ID_TODO"}}},
        {"SELECT OUTL_ID FROM CONTATTI",
         {{"ALTER TABLE CONTATTI ADD OUTL_ID VARCHAR(255) NULL",
           "Errore aggiornando tabella CONTATTI: aggiunta campo OUTL_ID"}}},
    };
    for (const Probe& probe : probes) {
        if (ColumnExists(*cn, probe.query)) continue;
        for (const auto& [sql, message] : probe.statements) {
            if (!Try(*cn, sql, pending)) {
                EndProgram(message);
                return;
            }
        }
    }
    if (pending) {
        EndProgram(QStringLiteral("Errori aggiornando il database"));
        return;
    }
    Repair(*cn);
    const QString stamp = "INSERT INTO VERSIONI (MAJOR, MINOR, REVISION, U_MOD) VALUES(" + QString::number(App::Major()) +
                          "," + QString::number(App::Minor()) + "," + QString::number(App::Revision()) + ",#" +
                          Platform::Format(Platform::Now(), "mm/dd/yyyy hh.nn.ss") + "#)";
    if (!Try(*cn, stamp, pending)) EndProgram(QStringLiteral("Errori aggiornando il database"));
}
