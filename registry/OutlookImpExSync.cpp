// The exchange of the activities with the workstation's calendar: future
// activities pushed (created, or brought up to date from whichever side
// changed last), appointments changed today pulled into their activities,
// and the appointments the program made whose activity is gone deleted.

#include "OutlookImpEx.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Errors.h"
#include "Global.h"
#include "Outlook.h"
#include "Runtime.h"
#include "SQLParser.h"
#include "Values.h"
#include "modAdoCommon.h"

#include <QLocale>
#include <QSet>

using namespace Platform;

namespace {

const QString kTrapTitle = QStringLiteral("OutlookImpEx-SyncOutlookApp");

// A text column as it stands; Null is "".
QString Column(const QVariant& value) { return value.isNull() ? QString() : value.toString(); }

// Why the appointment's texts cannot be taken over, one line for each that
// does not fit its column ("" when both do). Nothing is ever cut to fit: a
// cut text would be saved back into the calendar by the next exchange.
QString TooLong(ADODB::Recordset& rs, const OutlookItem& appointment) {
    struct Text {
        const char* property;
        const char* column;
        const char* appointmentSide;
        const char* activitySide;
    };
    QStringList why;
    for (const Text& t : {Text{"Subject", "DESCRIZIONE", "L'oggetto", "la descrizione"},
                          Text{"Location", "LUOGO", "Il luogo", "il luogo"}}) {
        const qint32 width = rs.Fields(QString::fromLatin1(t.column)).DefinedSize;
        // Characters as the database counts them.
        const qsizetype length = appointment.Text(QString::fromLatin1(t.property)).toUcs4().size();
        if (width > 0 && length > width)
            why << QStringLiteral("%1 dell'appuntamento ha %2 caratteri, %3 dell'attività ne contiene al massimo %4.")
                       .arg(QString::fromUtf8(t.appointmentSide))
                       .arg(length)
                       .arg(QString::fromUtf8(t.activitySide))
                       .arg(width);
    }
    if (why.isEmpty()) return {};
    why << QStringLiteral("L'attività e l'appuntamento restano come sono.");
    return why.join(QStringLiteral("\r\n"));
}

// One activity and one appointment brought into line; false, after telling
// the user, when that failed: then neither side has changed.
bool SyncAppointment(ADODB::Recordset& rs, OutlookItem& appointment, bool force) {
    QString cause;
    try {
        const QDateTime modified = appointment.Property(QStringLiteral("LastModificationTime")).toDateTime();
        const QVariant stamp = rs["U_MOD"];
        // An activity never stamped counts as the newer side.
        if (!force && modified.isValid() && !stamp.isNull() && modified > stamp.toDateTime()) {
            cause = TooLong(rs, appointment);
            rs.SetValue("DATA", appointment.Property(QStringLiteral("Start")));
            rs.SetValue("DATAFINE", appointment.Property(QStringLiteral("End")));
            rs.SetValue("LUOGO", appointment.Text(QStringLiteral("Location")));
            rs.SetValue("DESCRIZIONE", appointment.Text(QStringLiteral("Subject")));
            rs.SetValue("NOTE", appointment.Text(QStringLiteral("Body")));
            rs.SetValue("U_MOD", modified);
            // The change is the calendar's, brought in by whoever runs the
            // exchange: the row names that user, not the last one who saved it.
            rs.SetValue("UTENTEMODIFICA", Global::gCurrentUser);
            // A text too long for its column is refused here, the row unwritten.
            rs.Update();
        } else {
            const QDateTime start = rs["DATA"].toDateTime();
            const QDateTime end = rs["DATAFINE"].isNull() ? start : rs["DATAFINE"].toDateTime();
            if (start.isValid()) appointment.SetProperty(QStringLiteral("Start"), start);
            if (end.isValid()) appointment.SetProperty(QStringLiteral("End"), end);
            appointment.SetProperty(QStringLiteral("Location"), Column(rs["LUOGO"]));
            appointment.SetProperty(QStringLiteral("Body"), Column(rs["NOTE"]));
            appointment.SetProperty(QStringLiteral("Subject"), Column(rs["DESCRIZIONE"]));
            appointment.Save();
        }
        return true;
    } catch (const std::exception& e) {
        Err().Set(e);
        if (rs.EditPending()) rs.CancelUpdate();
        MsgBox("Errore " + Err().Description + " cercando di sincronizare gli appuntamenti OutlookEntryId:" +
               Comuni::FieldStr(appointment.EntryID()) + "/Brivalto " + Comuni::FieldStr(rs["IDCONT"]) +
               (cause.isEmpty() ? QString() : "\r\n" + cause));
        Err().Clear();
        return false;
    }
}

// The appointment of an activity, made and linked; an error here ends the run.
void CreateAppointment(ADODB::Connection& cn, ADODB::Recordset& rs, OutlookApplication& app) {
    std::shared_ptr<OutlookItem> appointment = app.CreateItem(olAppointmentItem);
    // An appointment that could not be saved has no identity to link.
    if (!SyncAppointment(rs, *appointment, true)) return;
    const QString entryId = appointment->EntryID();
    if (entryId.isEmpty()) return;
    rs.SetValue("OUTL_ID", entryId);
    rs.Update();
    cn.Execute(QStringLiteral("INSERT INTO OUTLOOKINSERTED (ENTRYID) VALUES (?)"), {entryId});
}

}  // namespace

QString OutlookImpEx::GetDateInLocalFormat(const QDateTime& date) {
    return QLocale().toString(date.date(), OutlookShortDateFormat());
}

bool OutlookImpEx::SyncOutlookAppointments(ADODB::Connection& cn) {
    std::shared_ptr<OutlookApplication> app;
    try {
        app = OutlookApplication::Create();
    } catch (const BasicError& e) {
        MsgBox(e.Description());
        MsgBox(QStringLiteral("Outlook non installato"));
        return false;
    }
    try {
        OutlookNameSpace& mapi = app->GetNamespace(QStringLiteral("MAPI"));
        std::shared_ptr<OutlookFolder> calendar = mapi.GetDefaultFolder(olFolderCalendar);
        if (!calendar)
            Err().Raise(kOutlookNotFound, QStringLiteral("Cartella del calendario non disponibile."),
                        QStringLiteral("Outlook"));

        // Push: every activity from now on.
        SQLParser::GetDbType(cn);
        const QString push = SQLParser::ParseSQL(
            "SELECT * FROM CONTATTI WHERE @DATE([DATA] >= " + Format(Now(), QStringLiteral("dd/mm/yyyy hh:nn:ss")) + ")", cn);
        ADODB::Recordset rs;
        if (push.isEmpty() || !modAdoCommon::OpenRecordset(rs, push, cn, 2, 3, false)) return false;
        // Pairs the push could not bring into line, already reported: the pull leaves them.
        QSet<QString> refused;
        while (!rs.EOF_()) {
            const QString entryId = Comuni::FieldStr(rs["OUTL_ID"]);
            std::shared_ptr<OutlookItem> appointment;
            if (!entryId.isEmpty()) {
                try {
                    appointment = app->Item(entryId);
                } catch (const BasicError&) {
                    Err().Clear();
                }
            }
            if (appointment) {
                if (!SyncAppointment(rs, *appointment, false)) refused.insert(appointment->EntryID());
            } else {
                CreateAppointment(cn, rs, *app);
            }
            rs.MoveNext();
        }
        rs.Close();

        // Pull: what changed in the calendar today.
        const OutlookItems changed = calendar->Items().Restrict("[LastModificationTime] > '" + GetDateInLocalFormat(Now()) + "'");
        for (const auto& appointment : changed) {
            if (refused.contains(appointment->EntryID())) continue;
            ADODB::Recordset linked;
            if (modAdoCommon::OpenRecordset(linked, QStringLiteral("SELECT * FROM CONTATTI WHERE OUTL_ID = ?"), cn, 2, 3,
                                            false, {appointment->EntryID()})) {
                // An appointment made in the calendar never becomes an activity.
                if (!linked.EOF_()) SyncAppointment(linked, *appointment, false);
                linked.Close();
            } else {
                MsgBox("Impossibile verificare su Brivalto la congruenza appuntamento Outlook : data " +
                       Format(appointment->Property(QStringLiteral("Start"))) + " / " +
                       appointment->Text(QStringLiteral("Body")) +
                       "\r\neffettuarla manualmente. Il programma procederà comunque.");
            }
        }

        // The program's appointments whose activity no longer points to them.
        ADODB::Recordset orphans;
        if (modAdoCommon::OpenRecordset(orphans,
                                        QStringLiteral("SELECT OUTLOOKINSERTED.ENTRYID FROM OUTLOOKINSERTED LEFT JOIN "
                                                       "CONTATTI ON OUTLOOKINSERTED.ENTRYID = CONTATTI.OUTL_ID WHERE "
                                                       "OUTL_ID IS NULL"),
                                        cn, 0, 3, false)) {
            QList<QVariant> gone;
            while (!orphans.EOF_()) {
                gone << orphans.Fields(0).Value();
                orphans.MoveNext();
            }
            orphans.Close();
            for (const QVariant& entryId : gone) {
                const QString id = Comuni::FieldStr(entryId);
                std::shared_ptr<OutlookItem> appointment;
                if (!id.isEmpty()) {
                    try {
                        appointment = calendar->Items().Item(id);
                    } catch (const BasicError&) {
                        Err().Clear();
                    }
                }
                if (appointment) appointment->Delete();
                if (entryId.isNull())
                    cn.Execute(QStringLiteral("DELETE FROM OUTLOOKINSERTED WHERE ENTRYID IS NULL"));
                else
                    cn.Execute(QStringLiteral("DELETE FROM OUTLOOKINSERTED WHERE ENTRYID = ?"), {entryId});
            }
        } else {
            MsgBox(QStringLiteral("Impossibile verificare l'elenco dei record da cancellare su Outlook."));
        }
        return true;
    } catch (const std::exception& e) {
        Err().Set(e);
        MsgBox(Err().Description, vbOKOnly, kTrapTitle);
        Err().Clear();
        return false;
    }
}
