#pragma once
// The "Outlook.Application" object model as the program drives it: the
// application, its "MAPI" namespace, the default folders by kind, their item
// collections (Count, Item by position or by entry id, Restrict) and items
// read and written by Outlook's property names.
//
// Each kind of default folder is kept in a file named in the per-user
// settings (section "Outlook"): the contacts folder (10) in a vCard file
// ("FileContatti"), the calendar folder (9) in an iCalendar file
// ("FileCalendario"). A kind whose file is not set is not there; with none set
// the application cannot be created at all, as on a workstation without
// Outlook. Errors are raised as Platform::BasicError.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace Platform {

enum OlDefaultFolders { olFolderCalendar = 9, olFolderContacts = 10 };
enum OlItemType { olAppointmentItem = 1 };

// Raised numbers.
constexpr long kOutlookCannotCreate = 429;    // the application is not installed
constexpr long kOutlookNotFound = -2147221233;  // no item with that entry id (MAPI_E_NOT_FOUND)
constexpr long kOutlookOutOfRange = -2147352567;  // a position outside the collection
constexpr long kOutlookNotSupported = 438;

// An item of a folder: its properties by Outlook's names, compared without
// regard to case. An unset property reads as an empty (invalid) value.
class OutlookItem {
public:
    // A property's name made ready once for the look-ups of many items.
    class Name {
    public:
        explicit Name(const QString& name) : lower_(name.toLower()) {}
        const QString& Lower() const { return lower_; }
        // The contacts folder's number for the property, found at its first
        // look-up (-1 until then) so that later ones compare no text.
        int& Key() const { return key_; }

    private:
        QString lower_;
        mutable int key_ = -1;
    };

    virtual ~OutlookItem();
    QString EntryID() const { return Property(QStringLiteral("EntryID")).toString(); }
    // Folders may keep their items' properties their own way.
    virtual QVariant Property(const QString& name) const;
    // The property as text: "" when unset.
    QString Text(const QString& name) const { return Property(name).toString(); }
    virtual QString Text(const Name& name) const { return properties_.value(name.Lower()).toString(); }
    // The same text in UTF-8: a view of the bytes the folder keeps it in, or
    // of `room`, where it is made when the folder keeps it otherwise. Valid
    // while the item lives and `room` is not changed.
    virtual QByteArrayView Utf8(const Name& name, QByteArray& room) const;
    virtual void SetProperty(const QString& name, const QVariant& value);
    // Items of a read-only folder raise on these.
    virtual void Save();
    virtual void Delete();

protected:
    // Sets a property without the folder's rules (readers filling an item).
    void Put(const QString& name, const QVariant& value) { properties_.insert(name.toLower(), value); }
    QHash<QString, QVariant> properties_;  // keys in lower case
};

class OutlookItems {
public:
    OutlookItems() = default;
    explicit OutlookItems(std::vector<std::shared_ptr<OutlookItem>> items) : items_(std::move(items)) {}
    // Items made only as they are asked for, `make(i)` the one at i from 0:
    // a folder of many thousand keeps no object for each.
    OutlookItems(int count, std::function<std::shared_ptr<OutlookItem>(int)> make)
        : make_(std::move(make)), count_(count) {}
    int Count() const { return make_ ? count_ : int(items_.size()); }
    // 1-based, as Outlook counts; raises outside 1..Count.
    std::shared_ptr<OutlookItem> Item(int position) const;
    // The collection's default member called with an entry id; raises when none has it.
    std::shared_ptr<OutlookItem> Item(const QString& entryId) const;
    // The items satisfying a filter of the form "[Property] op 'value'",
    // conditions joined by AND or OR (AND binds first); op is one of
    // = <> < > <= >=. A date property compares as a date with the value read
    // as a date in the user's short format (or ISO); others as text without
    // regard to case. A filter that cannot be read raises.
    OutlookItems Restrict(const QString& filter) const;

    // The items in order, each made when it is reached.
    class Iterator {
    public:
        Iterator(const OutlookItems* items, int index) : items_(items), index_(index) {}
        std::shared_ptr<OutlookItem> operator*() const { return items_->At(index_); }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return index_ != other.index_; }

    private:
        const OutlookItems* items_;
        int index_;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, Count()}; }

private:
    std::shared_ptr<OutlookItem> At(int index) const { return make_ ? make_(index) : items_[size_t(index)]; }
    std::vector<std::shared_ptr<OutlookItem>> items_;
    std::function<std::shared_ptr<OutlookItem>(int)> make_;
    int count_ = 0;
};

class OutlookFolder {
public:
    virtual ~OutlookFolder();
    virtual OutlookItems Items() = 0;
    // A new item of the folder's own kind; folders that take none raise.
    virtual std::shared_ptr<OutlookItem> CreateItem();
};

class OutlookNameSpace {
public:
    // The folder of that kind (9, 10), opened on first use and kept; nullptr
    // when this workstation has no such folder.
    std::shared_ptr<OutlookFolder> GetDefaultFolder(int kind);

private:
    QHash<int, std::shared_ptr<OutlookFolder>> folders_;
};

class OutlookApplication {
public:
    // Raises kOutlookCannotCreate when no kind of folder is set up.
    static std::shared_ptr<OutlookApplication> Create();
    // Only "MAPI" is known; anything else raises.
    OutlookNameSpace& GetNamespace(const QString& type);
    // A new item of the given type (1: an appointment of the calendar folder).
    std::shared_ptr<OutlookItem> CreateItem(int type);
    // The application's default member called with an entry id: the item of
    // any default folder with that id; raises when none has it.
    std::shared_ptr<OutlookItem> Item(const QString& entryId);

private:
    OutlookNameSpace mapi_;
};

// The kinds of default folder and how each opens. `configured` answers
// whether this workstation has one (no file opened); `open` opens it and
// raises when it cannot be read. Tests may register their own.
struct OutlookFolderKind {
    std::function<bool()> configured;
    std::function<std::shared_ptr<OutlookFolder>()> open;
};
void RegisterOutlookFolder(int kind, OutlookFolderKind how);
// Removes a kind registered by a test (the built-in kinds come back).
void ResetOutlookFolders();

// Settings of the folders' files: section "Outlook" of the per-user store.
QString OutlookContactsFile();
QString OutlookCalendarFile();

// The user's short date format with a four-digit year: how a filter's date
// is written and read back.
QString OutlookShortDateFormat();

// The calendar folder over an iCalendar file (exposed for its tests): its
// events are the appointments; a file that does not exist yet is an empty
// calendar, written at the first save.
std::shared_ptr<OutlookFolder> OpenCalendarFolder(const QString& icsFile);

// The contacts folder over a vCard file (exposed for its tests).
std::shared_ptr<OutlookFolder> OpenContactsFolder(const QString& vcardFile);
// One contact's Outlook properties from the bytes of a vCard file.
std::vector<std::shared_ptr<OutlookItem>> ContactsFromVCard(const QByteArray& data);

}  // namespace Platform
