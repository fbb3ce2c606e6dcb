#pragma once
// What the windows that write activities share: the owner condition of the
// per-user statements, the next activity number and the SMS control placed
// on a window.

#include "ProcGuard.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

class QEvent;
class QWidget;
namespace ADODB { class Connection; class Recordset; }
namespace Tessivo { class _qvxSMS2; }

namespace Attivita {

// "UTENTE=?" for a named owner; an empty owner also finds rows whose owner is
// Null, which older rows and imports leave. The owner is appended to params.
QString OwnerCondition(const QString& column, const QString& user, QVariantList& params);

// The next activity number of `user` (its highest plus one, 1 for none); 0
// when the highest cannot be read, which no caller may write.
qint32 NuovaIDCONT(ADODB::Connection& cn, const QString& user);

// The SMS control made on `host` from the library beside the program, with
// its log folder and the account of the settings; nullptr when the library
// cannot be loaded, and then `error` says why.
Tessivo::_qvxSMS2* LoadSmsControl(QWidget* host, QString* error = nullptr);
// The account of the settings ("SMS": "USER", "PASSWORD", "Mittente") and the
// chosen gateway, as they stand now: the configuration may have changed them
// since the control was made.
void ApplySmsSettings(Tessivo::_qvxSMS2& sms);
// Why the control's last send failed, in its own words.
QString SmsFailure(const Tessivo::_qvxSMS2& sms);

// Whether an event is a field losing the focus within its window (LostFocus),
// not the window itself losing it to another one or to a popup.
bool IsLostFocus(const QEvent* event);

// An event procedure of `form` connected to a signal: run under the standard
// error box that names it ("Procedura cmdNuovo_Click di Form frmContatti").
template <class F>
auto Procedure(F* form, const char* name, void (F::*procedure)()) {
    return [form, name, procedure] {
        ProcGuard::Run(QStringLiteral("Procedura %1 di Form %2")
                           .arg(QLatin1String(name), QString::fromLatin1(F::staticMetaObject.className())),
                       [&] { (form->*procedure)(); });
    };
}

}  // namespace Attivita
