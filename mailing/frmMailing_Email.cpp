// The e-mail channel of the mailing window.
#include "frmMailing.h"

#include "ADODB.h"

void frmMailing::InitEmailChannel() {}

void frmMailing::SendMail(ADODB::Recordset& rs) {
    AddReport(rs, QStringLiteral("e-mail"), QStringLiteral("invio e-mail non riuscito: canale e-mail non disponibile"));
}
