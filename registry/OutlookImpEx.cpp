#include "OutlookImpEx.h"

#include "ADODB.h"
#include "Errors.h"
#include "ImportRows.h"
#include "ListView.h"
#include "Outlook.h"
#include "Runtime.h"

#include <cstring>

using namespace Platform;

namespace {

// Whether a text is white space and nothing else, as QString::trimmed
// drops it; a character beyond ASCII is looked at only when nothing else says.
bool Blank(QByteArrayView text) {
    bool ascii = true;
    for (const char c : text) {
        if (uchar(c) >= 0x80) ascii = false;
        else if (c != ' ' && (c < '\t' || c > '\r')) return false;
    }
    return ascii || QString::fromUtf8(text).trimmed().isEmpty();
}

// A telephone number is kept as Outlook gives it, blanks included, when
// there is more than blanks in it; otherwise it is left unset (empty).
QByteArrayView Number(const OutlookItem& contact, const OutlookItem::Name& property, QByteArray& room) {
    const QByteArrayView number = contact.Utf8(property, room);
    return Blank(number) ? QByteArrayView() : CutUtf8(number, 25);
}

// The text before its first CR LF; the whole text when it has none.
QByteArrayView FirstLine(QByteArrayView text) {
    if (text.isEmpty()) return text;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* cr = begin; (cr = static_cast<const char*>(std::memchr(cr, '\r', size_t(end - cr)))); ++cr)
        if (cr + 1 < end && cr[1] == '\n') return text.first(cr - begin);
    return text;
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

void OutlookImpEx::MapContact(const OutlookItem& c, ContactRow& r) {
    static const ContactNames n;
    QByteArray* room = r.rooms;
    r.categoria = CutUtf8(c.Utf8(n.categories, room[0]), 50);
    r.azienda = CutUtf8(c.Utf8(n.company, room[1]), 50);
    r.titolo = CutUtf8(c.Utf8(n.title, room[2]), 15);
    r.cognome = CutUtf8(c.Utf8(n.lastName, room[3]), 50);
    r.nome = CutUtf8(c.Utf8(n.firstName, room[4]), 50);
    r.ruolo = CutUtf8(c.Utf8(n.jobTitle, room[5]), 50);
    r.indirizzo = CutUtf8(FirstLine(c.Utf8(n.address, room[6])), 50);
    r.cap = CutUtf8(c.Utf8(n.postalCode, room[7]), 7);
    r.citta = CutUtf8(c.Utf8(n.city, room[8]), 50);
    r.nazione = CutUtf8(c.Utf8(n.country, room[9]), 50);
    r.provincia = CutUtf8(c.Utf8(n.state, room[10]), 4);
    const QByteArrayView email1 = c.Utf8(n.email1, room[11]);
    r.email = CutUtf8(!email1.isEmpty() ? email1 : c.Utf8(n.email2, room[12]), 100);
    r.telefonoCasa = Number(c, n.homePhone, room[13]);
    r.telefono = Number(c, n.phone, room[14]);
    r.cellulare = Number(c, n.mobile, room[15]);
    r.fax = Number(c, n.fax, room[16]);
    if (r.fax.isEmpty()) r.fax = Number(c, n.homeFax, room[17]);
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
        ContactRow r;
        for (qint32 i = 1; i <= count; ++i) {
            const std::shared_ptr<OutlookItem> contact = items.Item(i);
            MapContact(*contact, r);
            rows->AddNew();
            // The texts go as the folder keeps them, in UTF-8: none is made for them.
            const QByteArrayView texts[] = {r.categoria, r.azienda, r.titolo,  r.cognome, r.nome,      r.ruolo,
                                            r.indirizzo, r.cap,     r.citta,   r.nazione, r.provincia, r.email,
                                            r.telefonoCasa, r.telefono, r.cellulare, r.fax};
            for (int c = Categoria; c <= Email; ++c) rows->SetUtf8(column[c], texts[c]);
            for (int c = TelefonoCasa; c <= Fax; ++c)
                if (!texts[c].isEmpty()) rows->SetUtf8(column[c], texts[c]);
            rows->SetUtf8(column[Preferenza], QByteArrayView(""));
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
        ContactRow r;
        for (qint32 i = 1; i <= n; ++i) {
            const std::shared_ptr<OutlookItem> contact = items.Item(i);
            MapContact(*contact, r);
            ListItem row = lv.AddItem(QString(), QString::fromUtf8(r.categoria));
            const QByteArrayView subs[] = {r.azienda, r.titolo,  r.cognome, r.nome,     r.ruolo,
                                           r.indirizzo, r.cap,   r.citta,   r.provincia, r.nazione,
                                           r.email,   r.telefono, r.telefonoCasa, r.cellulare, r.fax};
            for (int s = 0; s < 15; ++s) row.SetSubItem(s + 1, QString::fromUtf8(subs[s]));
            emit ContactImportStatus(i, total);
            DoEvents();
        }
    } catch (const std::exception& e) {
        Err().Set(e);
        MsgBox(Err().Description, vbOKOnly, QStringLiteral("OutlookImpEx.ListaContattiOutlook"));
        Err().Clear();
    }
}
