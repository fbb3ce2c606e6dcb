// Every successful send of a mailing becomes one activity of the signed-in
// user in CONTATTI, written under the table lock, with its report line.
#include "frmMailing.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "Locks.h"
#include "Runtime.h"
#include "frmLocked.h"
#include "modAdoCommon.h"

#include <QLineEdit>
#include <QTime>

using namespace Platform;

namespace {

const QString kNonRegistrato = QStringLiteral("inviato, ma non registrato tra le attività: ");

QDateTime ToMinute(const QDateTime& t) { return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute())); }
QDateTime ToSecond(const QDateTime& t) {
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()));
}

}  // namespace

qint32 frmMailing::NuovaIDCONT() {
    if (!cn) return 0;
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, QStringLiteral("SELECT MAX(IDCONT) FROM CONTATTI WHERE UTENTE=?"), *cn, 0, 3, false,
                                     {Global::gCurrentUser}))
        return 0;
    const qint32 next = rs.EOF_() ? 1 : qint32(Comuni::FieldNum(rs.Fields(0).Value()).toLongLong() + 1);
    rs.Close();
    return next;
}

void frmMailing::RegistraInvio(ADODB::Recordset& rs, const QString& tipo, const QString& canale) {
    // The send has happened: whatever becomes of its row, the report says so.
    if (!cn || !DefaultInstance<frmLocked>().LockTables(*cn, QStringLiteral("CONTATTI"))) {
        AddReport(rs, canale, kNonRegistrato + QStringLiteral("l'archivio delle attività è bloccato da un'altra postazione"));
        return;
    }
    // The row and the lock's release are one commit: other workstations see
    // the lock until the row is there, and the run pays for one commit, not two.
    QString failure;
    try {
        cn->BeginTrans();
        const qint32 id = NuovaIDCONT();
        if (id <= 0) {
            failure = QStringLiteral("numero di attività non disponibile");
        } else {
            const QDateTime data = ToMinute(Now());
            const QDateTime dataFine = ToMinute(Now());
            cn->Execute(QStringLiteral("INSERT INTO CONTATTI (IDCONT,IDANA,[DATA],DATAFINE,TIPOCONT,LUOGO,DESCRIZIONE,"
                                       "[NOTE],DATAAVVISO,U_MOD,UTENTE) VALUES (?,?,?,?,?,'',?,?,0,?,?)"),
                        {id, Comuni::FieldNum(rs["ID"]).toLongLong(), data, dataFine, tipo, txSubject->text(),
                         QStringLiteral("inviato: ") + txNomeFile->text(), ToSecond(Now()), Global::gCurrentUser});
        }
        Locks::ReleaseLocks(*cn, 30);
        cn->CommitTrans();
    } catch (const std::exception& e) {
        Err().Set(e);
        failure = Err().Description;
        Err().Clear();
        try {
            cn->RollbackTrans();
        } catch (const std::exception&) {
            // The failure above is the one to tell.
        }
        // Released also after a failed write, so that no workstation waits for it.
        Locks::ReleaseLocks(30);
    }
    AddReport(rs, canale, failure.isEmpty() ? QString() : kNonRegistrato + failure);
}
