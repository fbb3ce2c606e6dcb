#pragma once
// The link to the workstation's Outlook: the contacts import and preview
// of the import window, and the appointment synchronisation of the agenda.

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>

namespace ADODB { class Connection; }
namespace Platform {
class ListView;
class OutlookApplication;
class OutlookFolder;
class OutlookItem;
class OutlookNameSpace;
}  // namespace Platform

// What the contacts preview fills of the import window: its list, titled
// after its sixteen remote-field lists.
class ContactsPreview {
public:
    virtual Platform::ListView& PreviewList() = 0;
    virtual QString RemoteFieldText(int index) const = 0;

protected:
    ~ContactsPreview() = default;
};

class OutlookImpEx : public QObject {
    Q_OBJECT
public:
    // `window`: the import window the contacts preview goes to, when there is one.
    explicit OutlookImpEx(ContactsPreview* window = nullptr);
    ~OutlookImpEx() override;

    // False, after telling the user, when Outlook cannot be reached.
    bool InitOutlook();
    void ShutdownOutlook();
    // Every contact of the default contacts folder as a new ANAGRAFICA row,
    // written on `cn` while the caller holds the ANAGRAFICA lock: with the
    // rows of the import run in progress (ImportRows::Running) when there is
    // one, else in slices of its own.
    void GetOutlookContacts(ADODB::Connection& cn);
    // Up to 100 contacts into the import window's list; nothing written.
    void ListaContattiOutlook();
    bool GetDefaultAppointmentFolder();
    bool GetDefaultContactFolder();
    // The calendar side: defined with the agenda's synchronisation.
    bool SyncOutlookAppointments(ADODB::Connection& cn);
    QString GetDateInLocalFormat(const QDateTime& date);

    // One contact's values as they go into ANAGRAFICA, in the order of the
    // preview's columns, in UTF-8 and cut to their columns: views of the
    // contact's own bytes or of the row's rooms, valid while both are. An
    // unset telephone or fax is empty (a number set is never empty).
    struct ContactRow {
        QByteArrayView categoria, azienda, titolo, cognome, nome, ruolo, indirizzo, cap, citta, provincia, nazione,
            email;
        QByteArrayView telefono, telefonoCasa, cellulare, fax;
        // Where the texts the contact does not keep as bytes are made, one
        // for each property read; kept from one contact to the next.
        QByteArray rooms[18];
    };
    // Fills `row` with the values of `contact`.
    static void MapContact(const Platform::OutlookItem& contact, ContactRow& row);

signals:
    // After each contact: its 1-based position and the folder's item count.
    void ContactImportStatus(qint32 position, qint32 total);

protected:
    ContactsPreview* window_;
    std::shared_ptr<Platform::OutlookApplication> olApp;
    Platform::OutlookNameSpace* olNameSpace = nullptr;
    std::shared_ptr<Platform::OutlookFolder> olCalendarFolder;
    std::shared_ptr<Platform::OutlookFolder> olContactsFolder;
};
