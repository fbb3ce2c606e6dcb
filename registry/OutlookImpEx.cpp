#include "OutlookImpEx.h"

#include "ADODB.h"
#include "Errors.h"
#include "ImportRows.h"
#include "ListView.h"
#include "Outlook.h"
#include "Runtime.h"

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

OutlookImpEx::OutlookImpEx(ContactsPreview* window) : window_(window) {}

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
    std::unique_ptr<ImportRows> own;
    try {
        Err().Clear();
        if (!olContactsFolder) GetDefaultContactFolder();
        RequireFolder(olContactsFolder);
        // The folder is read once, when it is opened: its count stays as read.
        const OutlookItems items = olContactsFolder->Items();
        const qint32 count = items.Count();
        ImportRows* rows = ImportRows::Running();
        if (!rows) {
            own = std::make_unique<ImportRows>(cn);
            rows = own.get();
        }
        // Only the new rows are wanted: no existing row is read.
        if (count > 0 && !rows->Open()) return;
        // The columns of the field map, in its order, found once.
        enum { Categoria, Azienda, Titolo, Cognome, Nome, Ruolo, Indirizzo, Cap, Citta, Nazione, Provincia, Email,
               TelefonoCasa, Telefono, Cellulare, Fax, Preferenza, Columns };
        static const char* const names[Columns] = {"CATEGORIA", "AZIENDA",   "TITOLO",       "COGNOME",  "NOME",
                                                    "RUOLO",     "INDIRIZZO", "CAP",          "CITTA",    "NAZIONE",
                                                    "PROVINCIA", "EMAIL",     "TELEFONOCASA", "TELEFONO", "CELLULARE",
                                                    "FAX",       "PREFERENZA"};
        int column[Columns] = {};
        if (count > 0)
            for (int c = 0; c < Columns; ++c) column[c] = rows->Column(QString::fromLatin1(names[c]));
        const QVariant empty = QString();
        for (qint32 i = 1; i <= count; ++i) {
            const ContactRow r = MapContact(*items.Item(i));
            rows->AddNew();
            const QString* texts[] = {&r.categoria, &r.azienda, &r.titolo,  &r.cognome, &r.nome,     &r.ruolo,
                                      &r.indirizzo, &r.cap,     &r.citta,   &r.nazione, &r.provincia, &r.email};
            for (int c = Categoria; c <= Email; ++c) rows->SetText(column[c], *texts[c]);
            const QVariant* numbers[] = {&r.telefonoCasa, &r.telefono, &r.cellulare, &r.fax};
            for (int c = TelefonoCasa; c <= Fax; ++c)
                if (!numbers[c - TelefonoCasa]->isNull()) rows->Set(column[c], *numbers[c - TelefonoCasa]);
            rows->Set(column[Preferenza], empty);
            // The identifier is asked for only now, so it follows the rows already saved.
            rows->Stamp();
            rows->Store(true);
            emit ContactImportStatus(i, count);
        }
        if (own) own->Finish();
    } catch (const std::exception& e) {
        Err().Set(e);
        // Rows saved before the error stay, as those of a window's run do.
        if (own) {
            const ErrObject failure = Err();
            try {
                own->Finish();
            } catch (const std::exception&) {
            }
            Err() = failure;
        }
        MsgBox(Err().Description, vbOKOnly, QStringLiteral("OutlookImpEx.GetOutlookContacts"));
        Err().Clear();
    }
}

void OutlookImpEx::ListaContattiOutlook() {
    try {
        Err().Clear();
        if (!olContactsFolder) GetDefaultContactFolder();
        if (!window_) return;
        ListView& lv = window_->PreviewList();
        lv.ClearItems();
        lv.ClearColumns();
        for (int k = 0; k < 16; ++k) {
            const QString label = window_->RemoteFieldText(k);
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
