#include "modAdoCommon.h"

#include "Errors.h"
#include "Global.h"
#include "Runtime.h"

namespace modAdoCommon {

float RetryPauseSeconds = 5;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const long kServerMissing = static_cast<long>(static_cast<qint32>(0x80040000u));
const long kBadLogin = static_cast<long>(static_cast<qint32>(0x80044814u));

QString LastState(ADODB::Connection& cn) { return cn.Errors().empty() ? QString() : cn.Errors().back().SQLState; }

bool IsProviderError(long n) { return n == ADODB::E_FAIL_PROVIDER || n == ADODB::E_ERRORSOCCURRED; }
bool IsLockState(const QString& s) { return s == "3260" || s == "3218"; }

// One lock failure of a call: true to retry, false to give up.
bool LockRetry(int& failures, const QString& question) {
    ++failures;
    if (failures < 3) {
        WaitSeconds(RetryPauseSeconds);
        return true;
    }
    failures = 0;
    // Quiet, every question counts as answered OK: not Retry, so the call gives up.
    return ShowMessage(question, 37) == Platform::vbRetry;
}

const QString kLockQuestion =
    QStringLiteral("Record bloccato da un'altro utente. Attendere e ritentare oppure annullare ed uscire.");
const QString kUpdateLockQuestion =
    QStringLiteral("Record bloccato da un'altro utente. Attendere e ritentare oppure annullare le modifiche ed uscire.");

// Opening shared by OpenConnection and OpenDataSource.
bool OpenWithRetry(std::unique_ptr<ADODB::Connection>& cn, const QString& connString, const QString& exclusiveMessage,
                   qint32 mode, const QString& user = QString(), const QString& password = QString()) {
    int failures = 0;
    cn = std::make_unique<ADODB::Connection>();
    cn->Mode = mode;
    for (;;) {
        try {
            cn->Errors().clear();
            cn->Open(connString, user, password);
            return true;
        } catch (const Platform::BasicError& e) {
            const long n = e.Number();
            if (n == kServerMissing) {
                ShowMessage(QStringLiteral("Server inesistente od accesso negato"), 48);
            } else if (n == kBadLogin || n == 0x4814) {
                ShowMessage(QStringLiteral("Accesso negato: UID o PWD errati."), 48);
            } else if (IsProviderError(n)) {
                const QString state = LastState(*cn);
                if (state == "3045") {
                    if (ShowMessage(exclusiveMessage, 5) == Platform::vbRetry) continue;
                } else if (IsLockState(state)) {
                    if (LockRetry(failures, kLockQuestion)) continue;
                } else {
                    ShowAdoErrors(*cn, QString(), 0);
                }
            } else {
                ShowMessage("Errore: " + QString::number(n) + " - " + e.Description(), 48);
            }
            cn->Errors().clear();
            Platform::Err().Clear();
            return false;
        }
    }
}

}  // namespace

int ShowMessage(const QString& prompt, int buttons) {
    if (Global::gNoMessages) return Platform::vbOK;
    return Platform::MsgBox(prompt, buttons, Platform::App::Title());
}

int ShowAdoErrors(ADODB::Connection& cn, const QString& trailer, int buttons) {
    QString text = "Si sono verificati i seguenti errori ADO:" + kCrLf;
    for (const auto& e : cn.Errors()) text += e.SQLState + " - " + e.Description + kCrLf;
    text += trailer;
    return ShowMessage(text, buttons);
}

void WaitSeconds(float seconds) {
    auto secondsOfDay = [] { return Platform::Now().time().msecsSinceStartOfDay() / 1000.0f; };
    const float start = secondsOfDay();
    if (start + seconds > 86400) {
        // The wait passes midnight: first until the clock wraps, then the rest.
        while (secondsOfDay() >= start) Platform::WaitMs(10);
        while (secondsOfDay() < start + seconds - 86400) Platform::WaitMs(10);
        return;
    }
    while (secondsOfDay() < start + seconds) {
        Platform::WaitMs(10);
        // A clock set back by the user must not hold the program for a day.
        if (secondsOfDay() < start) break;
    }
}

bool OpenConnection(std::unique_ptr<ADODB::Connection>& cn, const QString& connString, bool quiet, qint32 mode) {
    Global::gNoMessages = quiet;
    const QString exclusive = "Il database definito dalla stringa di connessione '" + Global::gConnString +
                              "' è già aperto in modo esclusivo da un'altro utente." + kCrLf +
                              "Attendere e riprovare oppure annullare l'operazione.";
    return OpenWithRetry(cn, connString, exclusive, mode);
}

QString DataSourceString(const QString& dbName, int dbType, const QString& password, bool trusted,
                         const QString& server) {
    switch (dbType) {
    case 0:
        if (password.isEmpty()) return "Provider = Microsoft.Jet.OLEDB.4.0;data source=" + dbName;
        return "provider=Microsoft.Jet.OLEDB.4.0;data source=" + dbName + ";Jet OLEDB:Database Password=" + password;
    case 1:
        return "provider=SQLOLEDB;Network=dbmssocn;data source=" + server + ";initial catalog=" + dbName +
               (trusted ? ";trusted_connection=yes" : "");
    case 2:
        return "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=false;Mode=3;Data Source=" + dbName +
               "; Extended Properties=Excel 5.0";
    default: return QString();
    }
}

bool OpenDataSource(std::unique_ptr<ADODB::Connection>& cn, const QString& dbName, int dbType, const QString& user,
                    const QString& password, bool trusted, const QString& server, bool quiet, qint32 mode) {
    Global::gNoMessages = quiet;
    if (dbType < 0 || dbType > 2) {
        cn = std::make_unique<ADODB::Connection>();
        return true;  // nothing to open
    }
    const QString exclusive = "Il file " + dbName + " è già aperto in modo esclusivo da un'altro utente." + kCrLf +
                              "Attendere e riprovare oppure annullare l'operazione.";
    return OpenWithRetry(cn, DataSourceString(dbName, dbType, password, trusted, server), exclusive, mode,
                         dbType == 1 ? user : QString(), dbType == 1 ? password : QString());
}

bool OpenRecordset(ADODB::Recordset& rs, const QString& sql, ADODB::Connection& cn, qint32 cursorType,
                   qint32 lockType, bool quiet, const QVariantList& params) {
    Global::gNoMessages = quiet;
    int failures = 0;
    for (;;) {
        try {
            cn.Errors().clear();
            rs.Open(sql, cn, cursorType, lockType, params);
            return true;
        } catch (const Platform::BasicError& e) {
            const long n = e.Number();
            if (IsProviderError(n)) {
                if (IsLockState(LastState(cn))) {
                    if (LockRetry(failures, kLockQuestion)) continue;
                } else if (ShowAdoErrors(cn, QString(), 2) == Platform::vbRetry) {
                    continue;
                }
            } else {
                ShowMessage("Errore: " + QString::number(n) + " - " + e.Description() + kCrLf + "Recordset: " + sql, 48);
            }
            cn.Errors().clear();
            Platform::Err().Clear();
            return false;
        }
    }
}

bool UpdateRecordset(ADODB::Recordset& rs, qint32* errNumber, std::function<void()> reloadRoutine) {
    int failures = 0;
    auto changedByOther = [&](const QString& withoutRoutine) {
        if (reloadRoutine) {
            if (ShowMessage("Un'altro utente ha già modificato i dati del record. Rileggere i nuovi dati?" + kCrLf +
                                "(SI: rileggo la tabella, NO:abbandono)",
                            36) == Platform::vbYes) {
                rs.CancelUpdate();
                reloadRoutine();
            }
        } else {
            ShowMessage(withoutRoutine, 48);
        }
    };
    // Made only when it is shown: a run of saves comes through here for every row.
    auto integrity = [] {
        return "Impossibile aggiungere o modificare il record." + kCrLf +
               "Violazione dell'integrità referrenziale. E' necessario un record correlato.";
    };
    for (;;) {
        try {
            if (rs.ActiveConnection()) rs.ActiveConnection()->Errors().clear();
            rs.Update();
            while (rs.State() == ADODB::adStateExecuting) Platform::DoEvents();
            return true;
        } catch (const Platform::BasicError& e) {
            const long n = e.Number();
            if (errNumber) *errNumber = qint32(n);
            ADODB::Connection* cn = rs.ActiveConnection();
            const QString state = cn ? LastState(*cn) : QString();
            if (n == 3719) {
                ShowMessage(integrity(), 48);
            } else if (n == ADODB::E_NOCURRENTRECORD) {
                ShowMessage(QStringLiteral("Nessun record corrente (cancellato da qualche altro utente?)"), 48);
            } else if (n == ADODB::E_OBJECTCLOSED) {
                ShowMessage(QStringLiteral("Oggetto chiuso. Nessuna operazione possibile."), 48);
            } else if (n == 3730) {
                if (LockRetry(failures, kUpdateLockQuestion)) continue;
            } else if (n == ADODB::E_ROWCHANGED) {
                changedByOther(QStringLiteral("Un'altro utente ha già modificato i dati del record. Annullare l'operazione e rileggere il record"));
            } else if (IsProviderError(n)) {
                if (state == "3201") ShowMessage(integrity(), 48);
                else if (state == "3022") ShowMessage(QStringLiteral("Tentativo di duplicare la chiave"), 48);
                else if (state == "3197")
                    changedByOther(QStringLiteral("Un'altro utente ha già modificato i dati del record. Annullamento salvataggio dati"));
                else if (IsLockState(state)) {
                    if (LockRetry(failures, kUpdateLockQuestion)) continue;
                } else {
                    // The engine's state names what went wrong (a value too long, a missing value...).
                    ShowMessage("Errore: " + state + " - " + e.Description(), 48);
                }
            } else {
                ShowMessage("Errore: " + QString::number(n) + " - " + e.Description(), 48);
            }
            if (cn) cn->Errors().clear();
            Platform::Err().Clear();
            return false;
        }
    }
}

}  // namespace modAdoCommon
