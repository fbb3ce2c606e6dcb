#include "OutlookImpEx.h"

#include "ADODB.h"
#include "ComboBox.h"
#include "Errors.h"
#include "Global.h"
#include "ListView.h"
#include "Outlook.h"
#include "Runtime.h"
#include "frmImporta.h"
#include "modAdoCommon.h"

using namespace Platform;

namespace {

// A telephone number is kept as Outlook gives it, blanks included, when
// there is more than blanks in it.
QVariant Number(const OutlookItem& contact, const OutlookItem::Name& property) {
    const QString number = contact.Text(property);
    if (number.trimmed().isEmpty()) return QVariant();
    return CutText(number, 25);
}

// The properties the field map reads, made ready once for every contact of every run.
struct ContactNames {
    using Name = OutlookItem::Name;
    Name categories{QStringLiteral("Categories")}, company{QStringLiteral("CompanyName")},
        title{QStringLiteral("Title")}, lastName{QStringLiteral("LastName")}, firstName{QStringLiteral("FirstName")},
        jobTitle{QStringLiteral("JobTitle")}, address{QStringLiteral("BusinessAddress")},
        postalCode{QStringLiteral("BusinessAddressPostalCode")}, city{QStringLiteral("BusinessAddressCity")},
        country{QStringLiteral("BusinessAddressCountry")}, state{QStringLiteral("BusinessAddressState")},
        email1{QStringLiteral("Email1Address")}, email2{QStringLiteral("Email2Address")},
        homePhone{QStringLiteral("HomeTelephoneNumber")}, phone{QStringLiteral("BusinessTelephoneNumber")},
        mobile{QStringLiteral("MobileTelephoneNumber")}, fax{QStringLiteral("BusinessFaxNumber")},
        homeFax{QStringLiteral("HomeFaxNumber")};
};

}  // namespace

OutlookImpEx::OutlookImpEx() = default;

OutlookImpEx::~OutlookImpEx() { ShutdownOutlook(); }

bool OutlookImpEx::InitOutlook() {
    try {
        olApp = OutlookApplication::Create();
        olNameSpace = &olApp->GetNamespace(QStringLiteral("MAPI"));
        return true;
    } catch (const BasicError&) {
        ShutdownOutlook();
        MsgBox(QStringLiteral("Microsoft Outlook non è disponibile"), vbOKOnly,
               QStringLiteral("Errore nell'apertura di Outlook"));
        return false;
    }
}

void OutlookImpEx::ShutdownOutlook() {
    olCalendarFolder.reset();
    olContactsFolder.reset();
    olNameSpace = nullptr;
    olApp.reset();
}

bool OutlookImpEx::GetDefaultAppointmentFolder() {
    if (!olNameSpace) return false;
    try {
        olCalendarFolder = olNameSpace->GetDefaultFolder(olFolderCalendar);
    } catch (const BasicError&) {
        olCalendarFolder.reset();
    }
    return olCalendarFolder != nullptr;
}

bool OutlookImpEx::GetDefaultContactFolder() {
    if (!olNameSpace) return false;
    try {
        olContactsFolder = olNameSpace->GetDefaultFolder(olFolderContacts);
    } catch (const BasicError& e) {
        olContactsFolder.reset();
        // Why the folder is not there goes with the error the caller raises.
        Err().Set(e);
    }
    return olContactsFolder != nullptr;
}

OutlookImpEx::ContactRow OutlookImpEx::MapContact(const OutlookItem& c) {
    static const ContactNames n;
    ContactRow r;
    r.categoria = CutText(c.Text(n.categories), 50);
    r.azienda = CutText(c.Text(n.company), 50);
    r.titolo = CutText(c.Text(n.title), 15);
    r.cognome = CutText(c.Text(n.lastName), 50);
    r.nome = CutText(c.Text(n.firstName), 50);
    r.ruolo = CutText(c.Text(n.jobTitle), 50);
    const QString address = c.Text(n.address);
    const qsizetype lineEnd = address.indexOf(QLatin1StringView("\r\n"));
    r.indirizzo = address > QString() ? CutText(lineEnd < 0 ? address : address.left(lineEnd), 50) : QString();
    r.cap = CutText(c.Text(n.postalCode), 7);
    r.citta = CutText(c.Text(n.city), 50);
    r.nazione = CutText(c.Text(n.country), 50);
    r.provincia = CutText(c.Text(n.state), 4);
    const QString email1 = c.Text(n.email1);
    r.email = CutText(email1 > QString() ? email1 : c.Text(n.email2), 100);
    r.telefonoCasa = Number(c, n.homePhone);
    r.telefono = Number(c, n.phone);
    r.cellulare = Number(c, n.mobile);
    r.fax = Number(c, n.fax);
    if (r.fax.isNull()) r.fax = Number(c, n.homeFax);
    return r;
}

namespace {
// The folder, or the error that says why there is none.
void RequireFolder(const std::shared_ptr<OutlookFolder>& folder) {
    if (folder) return;
    QString why = QStringLiteral("Non è stato possibile determinatre la cartella di default dei Contatti");
    if (!Err().Description.isEmpty()) why += "\r\n" + Err().Description;
    Err().Raise(kOutlookNotFound, why, QStringLiteral("OutlookImpEx"));
}
}  // namespace

void OutlookImpEx::GetOutlookContacts(ADODB::Connection& cn) {
    try {
        Err().Clear();
        if (!olContactsFolder) GetDefaultContactFolder();
        RequireFolder(olContactsFolder);
        // The folder is read once, when it is opened: its count stays as read.
        const OutlookItems items = olContactsFolder->Items();
        const qint32 count = items.Count();
        frmImporta& window = DefaultInstance<frmImporta>();
        // Only the new rows are wanted: no existing row is read. One
        // recordset takes them all, as the window's own import does.
        ADODB::Recordset rs;
        if (count > 0 && !modAdoCommon::OpenRecordset(rs, QStringLiteral("select * from ANAGRAFICA WHERE 1=0"), cn, 1, 3))
            return;
        for (qint32 i = 1; i <= count; ++i) {
            const ContactRow r = MapContact(*items.Item(i));
            rs.AddNew();
            rs.SetValue("CATEGORIA", r.categoria);
            rs.SetValue("IDAZIENDA", 0);
            rs.SetValue("AZIENDA", r.azienda);
            rs.SetValue("TITOLO", r.titolo);
            rs.SetValue("COGNOME", r.cognome);
            rs.SetValue("NOME", r.nome);
            rs.SetValue("RUOLO", r.ruolo);
            rs.SetValue("INDIRIZZO", r.indirizzo);
            rs.SetValue("CAP", r.cap);
            rs.SetValue("CITTA", r.citta);
            rs.SetValue("NAZIONE", r.nazione);
            rs.SetValue("PROVINCIA", r.provincia);
            rs.SetValue("EMAIL", r.email);
            if (!r.telefonoCasa.isNull()) rs.SetValue("TELEFONOCASA", r.telefonoCasa);
            if (!r.telefono.isNull()) rs.SetValue("TELEFONO", r.telefono);
            if (!r.cellulare.isNull()) rs.SetValue("CELLULARE", r.cellulare);
            if (!r.fax.isNull()) rs.SetValue("FAX", r.fax);
            rs.SetValue("PREFERENZA", QString());
            const qint32 id = window.NuovaIDANA();
            // A row is never written without its own identifier.
            if (id <= 0)
                Err().Raise(3022, QStringLiteral("Impossibile calcolare il nuovo identificativo dell'anagrafica"),
                            QStringLiteral("OutlookImpEx"));
            rs.SetValue("ID", id);
            rs.SetValue("UTENTE", Global::gCurrentUser);
            rs.SetValue("U_MOD", Now());
            const bool stored = modAdoCommon::UpdateRecordset(rs);
            if (!stored && rs.EditPending()) rs.CancelUpdate();
            // The window commits the row with its slice and yields now and then.
            window.RowWritten(stored);
            emit ContactImportStatus(i, count);
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        MsgBox(Err().Description, vbOKOnly, QStringLiteral("OutlookImpEx.GetOutlookContacts"));
        Err().Clear();
    }
}

void OutlookImpEx::ListaContattiOutlook() {
    try {
        Err().Clear();
        if (!olContactsFolder) GetDefaultContactFolder();
        frmImporta& window = DefaultInstance<frmImporta>();
        ListView& lv = *window.LV;
        lv.ClearItems();
        lv.ClearColumns();
        for (int k = 0; k < 16; ++k) {
            const QString label = window.cbRemoteField[k]->currentText();
            const int dot = label.indexOf('.');
            const QString title = dot < 0 ? label : label.mid(dot + 1);
            lv.AddColumn(QString(), title);
        }
        RequireFolder(olContactsFolder);
        const OutlookItems items = olContactsFolder->Items();
        const qint32 total = items.Count();
        const qint32 n = total > 100 ? 100 : total;
        for (qint32 i = 1; i <= n; ++i) {
            const ContactRow r = MapContact(*items.Item(i));
            ListItem row = lv.AddItem(QString(), r.categoria);
            const QStringList subs = {r.azienda, r.titolo, r.cognome, r.nome, r.ruolo, r.indirizzo, r.cap, r.citta,
                                      r.provincia, r.nazione, r.email, r.telefono.toString(), r.telefonoCasa.toString(),
                                      r.cellulare.toString(), r.fax.toString()};
            for (int s = 0; s < subs.size(); ++s) row.SetSubItem(s + 1, subs[s]);
            emit ContactImportStatus(i, total);
            DoEvents();
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        MsgBox(Err().Description, vbOKOnly, QStringLiteral("OutlookImpEx.ListaContattiOutlook"));
        Err().Clear();
    }
}
