#include "Attivita.h"

#include "ADODB.h"
#include "Comuni.h"
#include "Dialogs.h"
#include "Errors.h"
#include "Global.h"
#include "Runtime.h"
#include "Settings.h"
#include "modAdoCommon.h"
#include "qvxSMS2/Loader.h"

#include <QDir>
#include <QFocusEvent>

namespace Attivita {

QString OwnerCondition(const QString& column, const QString& user, QVariantList& params) {
    params << user;
    if (user.isEmpty()) return "(" + column + "=? OR " + column + " IS NULL)";
    return column + "=?";
}

qint32 NuovaIDCONT(ADODB::Connection& cn, const QString& user) {
    QVariantList params;
    const QString sql = "SELECT MAX(IDCONT) FROM CONTATTI WHERE " + OwnerCondition("UTENTE", user, params);
    ADODB::Recordset rs;
    if (!modAdoCommon::OpenRecordset(rs, sql, cn, 0, 3, false, params)) return 0;
    try {
        if (rs.EOF_()) return 1;
        return Comuni::FieldNum(rs.Fields(0).Value()).toInt() + 1;
    } catch (const Platform::BasicError&) {
        return 0;
    }
}

Tessivo::_qvxSMS2* LoadSmsControl(QWidget* host, QString* error) {
    using namespace Platform;
    QString why;
    Tessivo::_qvxSMS2* sms =
        Tessivo::LoadControl(host, QDir(App::Path()).filePath(QStringLiteral("libqvxSMS2.so")), &why);
    if (!sms) {
        if (error) *error = why;
        return nullptr;
    }
    try {
        sms->setEventLogPath(WorkFolder());
    } catch (const std::exception&) {
        // Without its log folder the control still sends; the card does not log.
    }
    ApplySmsSettings(*sms);
    return sms;
}

void ApplySmsSettings(Tessivo::_qvxSMS2& sms) {
    using namespace Platform;
    try {
        const QString app = App::EXEName();
        sms.setUserName(GetSetting(app, QStringLiteral("SMS"), QStringLiteral("USER")));
        sms.setPassword(GetSetting(app, QStringLiteral("SMS"), QStringLiteral("PASSWORD")));
        sms.setSender(GetSetting(app, QStringLiteral("SMS"), QStringLiteral("Mittente")));
        sms.setProvider(Global::gSmsProvider == 2 ? Tessivo::prvIdea : Tessivo::prvGeodrop);
    } catch (const std::exception&) {
        // A refused property leaves the control as it was: its sends report their own failure.
    }
}

QString SmsFailure(const Tessivo::_qvxSMS2& sms) {
    const auto errors = sms.Errors();
    if (!errors || errors->Count() == 0) return QString();
    return errors->Item(errors->Count())->Description();
}

bool IsLostFocus(const QEvent* event) {
    if (event->type() != QEvent::FocusOut) return false;
    const auto reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace Attivita
