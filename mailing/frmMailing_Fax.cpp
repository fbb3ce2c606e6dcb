// The fax channel of the mailing window.
#include "frmMailing.h"

#include "ADODB.h"

void frmMailing::InitFaxChannel() {}

void frmMailing::SendFax(ADODB::Recordset& rs) {
    AddReport(rs, QStringLiteral("fax"), QStringLiteral("invio fax non riuscito: canale fax non disponibile"));
}
