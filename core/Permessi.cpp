#include "Global.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Runtime.h"
#include "modAdoCommon.h"

bool Global::HaPermesso(const QString& permission) {
    try {
        std::unique_ptr<ADODB::Connection> cn;
        if (!modAdoCommon::OpenConnection(cn, gConnString)) return false;
        ADODB::Recordset rs;
        if (!modAdoCommon::OpenRecordset(rs,
                                         "SELECT UTENTI.ISADMIN, PERMESSI.PERMESSO FROM UTENTI LEFT JOIN PERMESSI "
                                         "ON UTENTI.UTENTE=PERMESSI.UTENTE AND PERMESSI.PERMESSO=? "
                                         "WHERE UTENTI.UTENTE=?",
                                         *cn, 0, 3, false, {permission, gCurrentUser}))
            return false;
        if (rs.EOF_()) return false;
        if (Comuni::FieldNum(rs["ISADMIN"]).toInt() != 0) return true;
        return !Comuni::FieldStr(rs["PERMESSO"]).isEmpty();
    } catch (const std::exception& e) {
        Platform::Err().Set(e);
        ShowProcError(Platform::Err(), QStringLiteral("Procedura HaPermesso di Modulo modGlobal"), QStringLiteral("Brivalto"));
        Platform::Err().Clear();
        return false;
    }
}

bool Global::CheckPermission(const QString& permission, ADODB::Connection& cn) {
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM UTENTI WHERE UTENTE=? AND ISADMIN=-1", cn, 0, 3, false,
                                     {gCurrentUser}))
        return false;
    if (!rs.EOF_()) return true;
    if (!modAdoCommon::OpenRecordset(rs, "SELECT * FROM PERMESSI WHERE UTENTE=? AND PERMESSO=?", cn, 0, 3, false,
                                     {gCurrentUser, permission}))
        return false;
    return !rs.EOF_();
}
