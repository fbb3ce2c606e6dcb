// The contacts folder: the cards of a vCard file, each read into the
// properties Outlook gives a contact. The file is read when the folder is
// opened and never written.

#include "Errors.h"
#include "Outlook.h"
#include "VCard.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QSet>
#include <algorithm>
#include <array>
#include <span>
#include <sys/mman.h>
#include <sys/stat.h>

namespace Platform {

namespace {

// Larger files are not address books.
constexpr qint64 kMaxContactsFile = 256 * 1024 * 1024;

// The properties a card gives, by Outlook's names.
enum Prop {
    LastName, FirstName, MiddleName, Title, Suffix, FullName, CompanyName, Department, JobTitle, Profession,
    NickName, Body, WebPage, Birthday, Categories, Email1Address, Email2Address, Email3Address, BusinessFaxNumber,
    HomeFaxNumber, MobileTelephoneNumber, PagerNumber, HomeTelephoneNumber, Home2TelephoneNumber,
    BusinessTelephoneNumber, Business2TelephoneNumber, OtherTelephoneNumber, EntryID,
    // An address's seven, the business one's then the home one's.
    BusinessAddressStreet, BusinessAddressPostOfficeBox, BusinessAddressCity, BusinessAddressState,
    BusinessAddressPostalCode, BusinessAddressCountry, BusinessAddress,
    HomeAddressStreet, HomeAddressPostOfficeBox, HomeAddressCity, HomeAddressState, HomeAddressPostalCode,
    HomeAddressCountry, HomeAddress,
    PropCount
};

// Their keys, in lower case as an item keeps them.
const std::array<QString, PropCount> kKeys = [] {
    const char* names[PropCount] = {
        "LastName", "FirstName", "MiddleName", "Title", "Suffix", "FullName", "CompanyName", "Department",
        "JobTitle", "Profession", "NickName", "Body", "WebPage", "Birthday", "Categories", "Email1Address",
        "Email2Address", "Email3Address", "BusinessFaxNumber", "HomeFaxNumber", "MobileTelephoneNumber",
        "PagerNumber", "HomeTelephoneNumber", "Home2TelephoneNumber", "BusinessTelephoneNumber",
        "Business2TelephoneNumber", "OtherTelephoneNumber", "EntryID", "BusinessAddressStreet",
        "BusinessAddressPostOfficeBox", "BusinessAddressCity", "BusinessAddressState",
        "BusinessAddressPostalCode", "BusinessAddressCountry", "BusinessAddress", "HomeAddressStreet",
        "HomeAddressPostOfficeBox", "HomeAddressCity", "HomeAddressState", "HomeAddressPostalCode",
        "HomeAddressCountry", "HomeAddress"};
    std::array<QString, PropCount> lower;
    for (int i = 0; i < PropCount; ++i) lower[i] = QString::fromLatin1(names[i]).toLower();
    return lower;
}();

// A property of a card: where its text stands in the folder's text.
struct Slot {
    quint32 from, size;
};

// The cards of a folder: their texts one after the other in one UTF-8
// text, where each property of each card stands in it and which property it
// is. A folder of a million cards holds about its file's worth and no object
// for each card: an item is made when it is asked for, and a text asked for
// is made from that text then.
struct Cards {
    QByteArray text;
    std::vector<Slot> places;
    std::vector<quint8> props;    // by place, which property
    std::vector<quint32> first;   // by card, its first place; one more past the last card
    std::vector<bool> numbered;   // by card: its entry id is made from its position
    int Count() const { return int(first.size()) - 1; }
};

// "VCF" and the card's position, of at least eight digits.
QString Numbered(size_t position) {
    char16_t digits[24];
    int n = 0;
    for (; position || n < 8; position /= 10) digits[n++] = char16_t(u'0' + position % 10);
    QString id(3 + n, Qt::Uninitialized);
    QChar* out = id.data();
    *out++ = u'V', *out++ = u'C', *out++ = u'F';
    while (n) *out++ = digits[--n];
    return id;
}

class ContactItem : public OutlookItem {
public:
    ContactItem(std::shared_ptr<const Cards> cards, int index) : cards_(std::move(cards)), index_(index) {
        // Where each property stands, found in one pass: a reader asks for
        // most of them. A card holds each property once at most (no more
        // than PropCount places).
        const Cards& c = *cards_;
        at_.fill(kNone);
        const quint32 first = c.first[size_t(index_)], end = c.first[size_t(index_) + 1];
        for (quint32 place = first; place < end; ++place)
            if (at_[c.props[place]] == kNone) at_[c.props[place]] = quint8(place - first);
    }

    QVariant Property(const QString& name) const override {
        bool ascii = true;
        for (QChar c : name) ascii = ascii && c.unicode() < 0x80;
        if (!ascii) return Text(Name(name));
        // An ASCII name is compared as it stands with the keys in lower case.
        for (int key = 0; key < PropCount; ++key) {
            const QString& lower = kKeys[key];
            if (lower.size() != name.size()) continue;
            qsizetype i = 0;
            while (i < name.size() && Lower(name[i].unicode()) == lower[i].unicode()) ++i;
            if (i < name.size()) continue;
            QString text;
            return Get(key, text) ? QVariant(text) : QVariant();
        }
        return QVariant();
    }

    QString Text(const Name& name) const override {
        QString text;
        Get(KeyOf(name), text);
        return text;
    }

    // The import writes these bytes as they lie; only what is made when
    // asked for (an address, a numbered entry id) is put in `room`.
    QByteArrayView Utf8(const Name& name, QByteArray& room) const override { return Bytes(KeyOf(name), room); }

private:
    static char16_t Lower(char16_t c) { return c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c; }

    static int KeyOf(const Name& name) {
        const int key = name.Key();
        return key != -1 ? key : FindKey(name);
    }
    Q_NEVER_INLINE static int FindKey(const Name& name) {
        return name.Key() = int(std::find(kKeys.begin(), kKeys.end(), name.Lower()) - kKeys.begin());
    }

    // The property's text; false when the card does not have it.
    bool Get(int key, QString& text) const {
        QByteArray room;
        const QByteArrayView bytes = Bytes(key, room);
        if (bytes.isEmpty()) return false;
        text = QString::fromUtf8(bytes);
        return true;
    }

    // The same in UTF-8, where the card keeps it or made in `room`; empty
    // when the card does not have it, as a card keeps no empty text.
    QByteArrayView Bytes(int key, QByteArray& room) const {
        if (key < 0 || key >= PropCount) return {};
        // Outlook's address text is made of its parts, which the card keeps.
        if (key == BusinessAddress || key == HomeAddress) return Address(key - 6, room);
        if (key == Prop::EntryID && cards_->numbered[size_t(index_)]) {
            room = Numbered(size_t(index_) + 1).toLatin1();
            return room;
        }
        return Kept(key);
    }

    // A property the card keeps as it is; empty when it has none.
    QByteArrayView Kept(int key) const {
        const quint8 at = at_[size_t(key)];
        if (at == kNone) return {};
        const Cards& c = *cards_;
        const Slot& slot = c.places[c.first[size_t(index_)] + at];
        return {c.text.constData() + slot.from, slot.size};
    }

    // The street lines, then postal code, city and state on one line, then
    // the country. `street` is the kind's street; its other parts follow it.
    // The text is sized once and its pieces copied in, each after its
    // separator: none, a blank or a line break.
    QByteArrayView Address(int street, QByteArray& text) const {
        enum Separator : char { None, Blank, LineBreak };
        QByteArrayView piece[5];
        Separator before[5];
        int pieces = 0;
        qsizetype size = 0;
        auto add = [&](Separator separator, QByteArrayView part) {
            if (part.isEmpty()) return false;
            if (size == 0) separator = None;
            before[pieces] = separator;
            piece[pieces++] = part;
            size += (separator == LineBreak ? 2 : separator == Blank ? 1 : 0) + part.size();
            return true;
        };
        add(None, Kept(street));
        bool place = false;
        for (int i : {4, 2, 3})
            if (add(place ? Blank : LineBreak, Kept(street + i))) place = true;
        add(LineBreak, Kept(street + 5));
        text.resize(size);
        char* to = text.data();
        for (int i = 0; i < pieces; ++i) {
            if (before[i] == LineBreak) *to++ = '\r', *to++ = '\n';
            else if (before[i] == Blank) *to++ = ' ';
            for (const char c : piece[i]) *to++ = c;
        }
        return text;
    }

    static constexpr quint8 kNone = 0xFF;
    static_assert(PropCount < kNone);

    std::shared_ptr<const Cards> cards_;
    int index_;
    std::array<quint8, PropCount> at_;  // by property, its place from the card's first; kNone: not there
};

// The types of a TEL, EMAIL or ADR that decide where it goes.
enum TypeFlag : unsigned { Work = 1, Home = 2, Fax = 4, Cell = 8, Pager = 16, Pref = 32 };

// Equal texts, told without a call for the few short words compared for
// every property; the second in ASCII capitals, the first in any case.
bool Same(QStringView text, QLatin1StringView word) {
    if (text.size() != word.size()) return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() != uchar(word[i].toLatin1())) return false;
    return true;
}
bool SameUpper(QStringView text, QLatin1StringView word) {
    if (text.size() != word.size()) return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c >= 'a' && c <= 'z' ? c - 32 : c) != uchar(word[i].toLatin1())) return false;
    }
    return true;
}

// What VCardProperty::Types says, as flags: a type is one of these when it
// reads so in upper case.
unsigned TypesOf(const VCardProperty& p) {
    static const std::pair<QLatin1StringView, unsigned> known[] = {
        {QLatin1StringView("WORK"), Work},   {QLatin1StringView("HOME"), Home},   {QLatin1StringView("FAX"), Fax},
        {QLatin1StringView("CELL"), Cell},   {QLatin1StringView("MOBILE"), Cell}, {QLatin1StringView("IPHONE"), Cell},
        {QLatin1StringView("PAGER"), Pager}, {QLatin1StringView("PREF"), Pref}};
    unsigned flags = 0;
    for (const VCardParam& param : p.params) {
        if (!Same(param.name, QLatin1StringView("TYPE"))) continue;
        const QStringView value(param.value);
        for (qsizetype from = 0, comma; from <= value.size(); from = comma + 1) {
            comma = value.indexOf(u',', from);
            if (comma < 0) comma = value.size();
            if (comma == from) continue;
            const QStringView type = value.sliced(from, comma - from).trimmed();
            bool ascii = true;
            for (QChar c : type) ascii = ascii && c.unicode() < 0x80;
            // Beyond ASCII only the upper case itself says (a dotless i is an I).
            const QString upper = ascii ? QString() : type.toString().toUpper();
            const QStringView said = ascii ? type : QStringView(upper);
            for (const auto& [name, flag] : known)
                if (ascii ? SameUpper(said, name) : Same(said, name)) flags |= flag;
        }
    }
    return flags;
}

// The first parts of a structured value (N, ORG, ADR): views of the value
// itself when it holds no escape, as most do, else of the texts Parts makes.
template <int Count>
struct Structured {
    QString value;  // what the views are into, with `unescaped`
    QString unescaped[Count];
    QStringView part[Count];

    explicit Structured(const VCardProperty& p) : value(p.value) {
        if (value.contains(QLatin1Char('\\'))) {
            p.Parts(unescaped, Count);
            for (int i = 0; i < Count; ++i) part[i] = unescaped[i];
            return;
        }
        for (qsizetype i = 0, from = 0; i < Count && from <= value.size(); ++i) {
            qsizetype semicolon = value.indexOf(QLatin1Char(';'), from);
            if (semicolon < 0) semicolon = value.size();
            part[i] = QStringView(value).sliced(from, semicolon - from);
            from = semicolon + 1;
        }
    }
};

struct Address {
    unsigned types = 0;
    Structured<7> parts;  // post box, extended, street, locality, region, postal code, country
};

class ContactBuilder : public VCardSink {
public:
    // The texts kept are no longer than the file, and a card has a property
    // every score of bytes or so: room is made at once (what is never used is
    // never touched). `mapped`: the file's bytes as mapped, let go of once
    // read through.
    explicit ContactBuilder(qsizetype fileSize, const char* mapped = nullptr)
        : cards_(std::make_shared<Cards>()), c_(*cards_), mapped_(mapped) {
        c_.text.reserve(fileSize);
        c_.places.reserve(size_t(fileSize / 16));
        c_.props.reserve(size_t(fileSize / 16));
    }

    // The items of the cards read, each made when it is asked for.
    OutlookItems Items() {
        c_.first.push_back(quint32(c_.places.size()));
        std::shared_ptr<const Cards> cards = cards_;
        return OutlookItems(cards->Count(), [cards](int index) -> std::shared_ptr<OutlookItem> {
            return std::make_shared<ContactItem>(cards, index);
        });
    }

    void Passed(qsizetype offset) override {
        // The pages read through go back to the file they map: a folder of
        // any size holds no more than a few of them at once.
        const qsizetype page = 4096, step = 16 << 20;
        const qsizetype upTo = offset / page * page;
        if (!mapped_ || upTo - released_ < step) return;
        madvise(const_cast<char*>(mapped_) + released_, size_t(upTo - released_), MADV_DONTNEED);
        released_ = upTo;
    }

    void BeginCard(int) override {
        inCard_ = true;
        cardFirst_ = c_.places.size();
        emails_.clear();
        addresses_.clear();
        untypedPhones_.clear();
        uid_.clear();
    }

    void Property(const VCardProperty& p) override {
        if (!inCard_) return;
        switch (NameOf(p.name)) {
        case N: {
            const Structured<5> n(p);
            SetIf(LastName, n.part[0]);
            SetIf(FirstName, n.part[1]);
            SetIf(MiddleName, n.part[2]);
            SetIf(Title, n.part[3]);
            SetIf(Suffix, n.part[4]);
            break;
        }
        case FN: SetIf(FullName, p.Text()); break;
        case ORG: {
            const Structured<2> org(p);
            SetIf(CompanyName, org.part[0]);
            SetIf(Department, org.part[1]);
            break;
        }
        case TITLE: SetIf(JobTitle, p.Text()); break;
        case ROLE: SetIf(Profession, p.Text()); break;
        case NICKNAME: SetIf(NickName, p.Text()); break;
        case NOTE: SetIf(Body, p.Text()); break;
        case URL: SetIf(WebPage, p.Text()); break;
        case BDAY: SetIf(Birthday, p.Text()); break;
        case UID: uid_ = p.Text().trimmed(); break;
        case CATEGORIES: {
            QStringList names;
            for (const QString& c : SplitComma(p.value))
                if (!c.trimmed().isEmpty()) names << c.trimmed();
            SetIf(Categories, names.join(", "));
            break;
        }
        case EMAIL: {
            const QString address = Bare(p.Text(), QStringLiteral("mailto:")).trimmed();
            if (address.isEmpty()) return;
            if ((TypesOf(p) & Pref) || !p.Param(QStringLiteral("PREF")).isEmpty()) emails_.prepend(address);
            else emails_.append(address);
            break;
        }
        case TEL: Phone(Bare(p.Text(), QStringLiteral("tel:")), TypesOf(p)); break;
        case ADR: addresses_.push_back({TypesOf(p), Structured<7>(p)}); break;
        case Other: break;
        }
    }

    void EndCard(int) override {
        if (!inCard_) return;
        for (int i = 0; i < emails_.size() && i < 3; ++i) Add(Prop(Email1Address + i), emails_[i]);
        for (const QString& number : untypedPhones_)
            SetIf(Has(BusinessTelephoneNumber) ? OtherTelephoneNumber : BusinessTelephoneNumber, number);
        const Address* business = nullptr;
        const Address* home = nullptr;
        for (const Address& a : addresses_)
            if (!business && (a.types & Work)) business = &a;
        for (const Address& a : addresses_)
            if (!home && (a.types & Home) && &a != business) home = &a;
        for (const Address& a : addresses_)
            if (!business && !(a.types & Home)) business = &a;
        if (business) PutAddress(BusinessAddressStreet, *business);
        if (home) PutAddress(HomeAddressStreet, *home);
        // The entry id: the card's own UID when it is one of a kind in the
        // file, else made from the card's position when it is asked for.
        const bool own = !uid_.isEmpty() && !Given(uid_);
        if (own) {
            uids_.insert(uid_);
            Add(EntryID, uid_);
        }
        c_.numbered.push_back(!own);
        c_.first.push_back(quint32(cardFirst_));
        inCard_ = false;
    }

private:
    enum Name { Other, N, FN, ORG, TITLE, ROLE, NICKNAME, NOTE, URL, BDAY, UID, CATEGORIES, EMAIL, TEL, ADR };

    static Name NameOf(const QString& name) {
        static const std::pair<QLatin1StringView, Name> known[] = {
            {QLatin1StringView("N"), N},           {QLatin1StringView("FN"), FN},
            {QLatin1StringView("ORG"), ORG},       {QLatin1StringView("TITLE"), TITLE},
            {QLatin1StringView("ROLE"), ROLE},     {QLatin1StringView("NICKNAME"), NICKNAME},
            {QLatin1StringView("NOTE"), NOTE},     {QLatin1StringView("URL"), URL},
            {QLatin1StringView("BDAY"), BDAY},     {QLatin1StringView("UID"), UID},
            {QLatin1StringView("CATEGORIES"), CATEGORIES}, {QLatin1StringView("EMAIL"), EMAIL},
            {QLatin1StringView("TEL"), TEL},       {QLatin1StringView("ADR"), ADR}};
        for (const auto& [text, kind] : known)
            if (Same(name, text)) return kind;
        return Other;
    }

    // The card's texts go straight after those of the cards before it; only
    // texts that are not empty are ever put.
    bool Has(Prop p) const {
        for (size_t i = cardFirst_; i < c_.props.size(); ++i)
            if (c_.props[i] == p) return true;
        return false;
    }
    void Add(Prop p, QStringView value) {
        const qsizetype from = c_.text.size();
        bool ascii = true;
        for (QChar ch : value) ascii = ascii && ch.unicode() < 0x80;
        if (ascii) {
            c_.text.resize(from + value.size());
            char* to = c_.text.data() + from;
            for (QChar ch : value) *to++ = char(ch.unicode());
        } else {
            c_.text += value.toUtf8();
        }
        c_.places.push_back({quint32(from), quint32(c_.text.size() - from)});
        c_.props.push_back(quint8(p));
    }
    void SetIf(Prop p, QStringView value) {
        if (!value.isEmpty() && !Has(p)) Add(p, value);
    }

    // Whether an earlier card has that entry id: as its UID, or as the
    // number made for a card without one of its own.
    bool Given(const QString& id) const {
        if (uids_.contains(id)) return true;
        if (id.size() < 11 || !id.startsWith(QLatin1StringView("VCF"))) return false;
        size_t position = 0;
        for (qsizetype i = 3; i < id.size(); ++i) {
            const char16_t c = id[i].unicode();
            if (c < '0' || c > '9') return false;
            position = position * 10 + (c - '0');
            if (position > c_.numbered.size()) return false;
        }
        return position >= 1 && c_.numbered[position - 1] && Numbered(position) == id;
    }

    // The value without its URI scheme; otherwise as written, blanks included.
    static QString Bare(const QString& text, const QString& scheme) {
        const QString t = text.trimmed();
        return t.startsWith(scheme, Qt::CaseInsensitive) ? t.mid(scheme.size()) : text;
    }

    static QStringList SplitComma(const QString& value) {
        QStringList out;
        QString current;
        for (int i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) current += value[++i];
            else if (value[i] == ',') {
                out << current;
                current.clear();
            } else current += value[i];
        }
        out << current;
        return out;
    }

    void Phone(const QString& number, unsigned types) {
        if (number.trimmed().isEmpty()) return;
        const bool work = types & Work;
        const bool home = types & Home;
        if (types & Fax) SetIf(home && !work ? HomeFaxNumber : BusinessFaxNumber, number);
        else if (types & Cell) SetIf(MobileTelephoneNumber, number);
        else if (types & Pager) SetIf(PagerNumber, number);
        else if (home) SetIf(Has(HomeTelephoneNumber) ? Home2TelephoneNumber : HomeTelephoneNumber, number);
        else if (work) SetIf(Has(BusinessTelephoneNumber) ? Business2TelephoneNumber : BusinessTelephoneNumber, number);
        else untypedPhones_ << number;
    }

    // The parts of an address: `first` is the kind's street, its other five
    // parts follow it (the address text is made of them when asked for).
    void PutAddress(Prop first, const Address& a) {
        const QStringView* part = a.parts.part;
        QString street = part[2].toString();
        if (!part[1].isEmpty()) street = street.isEmpty() ? part[1].toString() : street + "\r\n" + part[1].toString();
        SetIf(first, street);
        SetIf(Prop(first + 1), part[0]);
        SetIf(Prop(first + 2), part[3]);
        SetIf(Prop(first + 3), part[4]);
        SetIf(Prop(first + 4), part[5]);
        SetIf(Prop(first + 5), part[6]);
    }

    std::shared_ptr<Cards> cards_;
    Cards& c_;
    const char* mapped_;
    qsizetype released_ = 0;  // the mapped bytes let go of, from the first
    bool inCard_ = false;
    size_t cardFirst_ = 0;  // the first place of the card being read
    QStringList emails_;
    std::vector<Address> addresses_;
    QStringList untypedPhones_;
    QString uid_;
    QSet<QString> uids_;  // the UIDs taken as entry ids
};

class ContactsFolder : public OutlookFolder {
public:
    explicit ContactsFolder(OutlookItems items) : items_(std::move(items)) {}
    OutlookItems Items() override { return items_; }

private:
    OutlookItems items_;
};

}  // namespace

std::vector<std::shared_ptr<OutlookItem>> ContactsFromVCard(const QByteArray& data) {
    ContactBuilder builder(data.size());
    ReadVCard(data, builder);
    std::vector<std::shared_ptr<OutlookItem>> items;
    for (const auto& item : builder.Items()) items.push_back(item);
    return items;
}

namespace {

// Copies what `from` holds now, up to `limit` bytes, into `to`, in pieces;
// false on a failure to write. The limit is the size the file was checked
// at, so a file another program keeps writing is not followed past it.
bool CopyUpTo(QFile& from, QFile& to, qint64 limit) {
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (qint64 left = limit; left > 0;) {
        const qint64 n = from.read(piece.data(), std::min<qint64>(piece.size(), left));
        if (n < 0) return false;
        if (n == 0) break;
        if (to.write(piece.constData(), n) != n) return false;
        left -= n;
    }
    return to.flush();
}

}  // namespace

std::shared_ptr<OutlookFolder> OpenContactsFolder(const QString& vcardFile) {
    QFile file(vcardFile);
    if (!file.open(QIODevice::ReadOnly))
        Err().Raise(kOutlookNotFound, QStringLiteral("Impossibile aprire la rubrica dei contatti '") + vcardFile + "'.",
                    QStringLiteral("Outlook"));
    // As Outlook keeps its folders while it runs, a folder still open
    // elsewhere in the program serves again as long as its file is as it
    // was read: the import's preview and its run read the file once.
    struct stat st {};
    const bool known = ::fstat(file.handle(), &st) == 0;
    static struct {
        QString path;
        dev_t device;
        ino_t inode;
        off_t size;
        timespec modified;
        std::weak_ptr<OutlookFolder> folder;
    } open;
    if (known && open.path == vcardFile && open.device == st.st_dev && open.inode == st.st_ino &&
        open.size == st.st_size && open.modified.tv_sec == st.st_mtim.tv_sec &&
        open.modified.tv_nsec == st.st_mtim.tv_nsec)
        if (auto folder = open.folder.lock()) return folder;
    const qint64 size = file.size();
    if (size > kMaxContactsFile)
        Err().Raise(kOutlookNotFound, QStringLiteral("La rubrica dei contatti '") + vcardFile + "' è troppo grande.",
                    QStringLiteral("Outlook"));
    // Mapped rather than read: the pages read through go back at once. The
    // mapping is of a private copy: the pages of a file that another program
    // cuts short while it is read would end this program (SIGBUS), while a
    // copy made then only comes out short, and a short file is read as any
    // damaged one.
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/brivalto-rubrica-XXXXXX"));
    uchar* mapped = nullptr;
    if (size > 0 && copy.open() && CopyUpTo(file, copy, size)) mapped = copy.map(0, copy.size());
    QByteArray data;
    if (mapped) data = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), copy.size());
    else if (file.seek(0)) data = file.read(size);
    ContactBuilder builder(data.size(), mapped ? data.constData() : nullptr);
    ReadVCard(data, builder);
    auto folder = std::make_shared<ContactsFolder>(builder.Items());
    if (known) open = {vcardFile, st.st_dev, st.st_ino, st.st_size, st.st_mtim, folder};
    return folder;
}

}  // namespace Platform
