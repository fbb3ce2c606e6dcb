// The contacts folder: the cards of a vCard file, each read into the
// properties Outlook gives a contact. The file is read when the folder is
// opened and never written.

#include "Errors.h"
#include "Outlook.h"
#include "VCard.h"

#include <QFile>
#include <QSet>

namespace Platform {

namespace {

// Larger files are not address books.
constexpr qint64 kMaxContactsFile = 256 * 1024 * 1024;

class ContactItem : public OutlookItem {
public:
    using OutlookItem::Put;
    bool Has(const QString& name) const { return !Text(name).isEmpty(); }
};

struct Address {
    QStringList types;
    QStringList parts;  // post box, extended, street, locality, region, postal code, country
};

class ContactBuilder : public VCardSink {
public:
    std::vector<std::shared_ptr<OutlookItem>> items;

    void BeginCard(int) override {
        card_ = std::make_shared<ContactItem>();
        emails_.clear();
        addresses_.clear();
        untypedPhones_.clear();
        uid_.clear();
    }

    void Property(const VCardProperty& p) override {
        if (!card_) return;
        const QStringList types = p.Types();
        if (p.name == "N") {
            const QStringList n = p.Parts();
            SetIf("LastName", n.value(0));
            SetIf("FirstName", n.value(1));
            SetIf("MiddleName", n.value(2));
            SetIf("Title", n.value(3));
            SetIf("Suffix", n.value(4));
        } else if (p.name == "FN") {
            SetIf("FullName", p.Text());
        } else if (p.name == "ORG") {
            const QStringList org = p.Parts();
            SetIf("CompanyName", org.value(0));
            SetIf("Department", org.value(1));
        } else if (p.name == "TITLE") {
            SetIf("JobTitle", p.Text());
        } else if (p.name == "ROLE") {
            SetIf("Profession", p.Text());
        } else if (p.name == "NICKNAME") {
            SetIf("NickName", p.Text());
        } else if (p.name == "NOTE") {
            SetIf("Body", p.Text());
        } else if (p.name == "URL") {
            SetIf("WebPage", p.Text());
        } else if (p.name == "BDAY") {
            SetIf("Birthday", p.Text());
        } else if (p.name == "UID") {
            uid_ = p.Text().trimmed();
        } else if (p.name == "CATEGORIES") {
            QStringList names;
            for (const QString& c : SplitComma(p.value))
                if (!c.trimmed().isEmpty()) names << c.trimmed();
            SetIf("Categories", names.join(", "));
        } else if (p.name == "EMAIL") {
            const QString address = Bare(p.Text(), QStringLiteral("mailto:")).trimmed();
            if (address.isEmpty()) return;
            if (IsPreferred(p, types)) emails_.prepend(address);
            else emails_.append(address);
        } else if (p.name == "TEL") {
            Phone(Bare(p.Text(), QStringLiteral("tel:")), types);
        } else if (p.name == "ADR") {
            addresses_.append({types, p.Parts()});
        }
    }

    void EndCard(int) override {
        if (!card_) return;
        for (int i = 0; i < emails_.size() && i < 3; ++i)
            card_->Put(QStringLiteral("Email%1Address").arg(i + 1), emails_[i]);
        for (const QString& number : untypedPhones_)
            SetIf(card_->Has("BusinessTelephoneNumber") ? "OtherTelephoneNumber" : "BusinessTelephoneNumber", number);
        const Address* business = nullptr;
        const Address* home = nullptr;
        for (const Address& a : addresses_)
            if (!business && a.types.contains("WORK")) business = &a;
        for (const Address& a : addresses_)
            if (!home && a.types.contains("HOME") && &a != business) home = &a;
        for (const Address& a : addresses_)
            if (!business && !a.types.contains("HOME")) business = &a;
        if (business) PutAddress(QStringLiteral("Business"), *business);
        if (home) PutAddress(QStringLiteral("Home"), *home);
        // The entry id: the card's own UID when it is one of a kind in the file.
        QString id = uid_;
        if (id.isEmpty() || used_.contains(id)) id = QStringLiteral("VCF%1").arg(items.size() + 1, 8, 10, QChar('0'));
        used_.insert(id);
        card_->Put(QStringLiteral("EntryID"), id);
        items.push_back(card_);
        card_.reset();
    }

private:
    void SetIf(const char* name, const QString& value) { SetIf(QString::fromLatin1(name), value); }
    void SetIf(const QString& name, const QString& value) {
        if (!value.isEmpty() && !card_->Has(name)) card_->Put(name, value);
    }

    // The value without its URI scheme; otherwise as written, blanks included.
    static QString Bare(const QString& text, const QString& scheme) {
        const QString t = text.trimmed();
        return t.startsWith(scheme, Qt::CaseInsensitive) ? t.mid(scheme.size()) : text;
    }

    static bool IsPreferred(const VCardProperty& p, const QStringList& types) {
        return types.contains("PREF") || !p.Param(QStringLiteral("PREF")).isEmpty();
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

    void Phone(const QString& number, const QStringList& types) {
        if (number.trimmed().isEmpty()) return;
        const bool work = types.contains("WORK");
        const bool home = types.contains("HOME");
        if (types.contains("FAX")) SetIf(home && !work ? "HomeFaxNumber" : "BusinessFaxNumber", number);
        else if (types.contains("CELL") || types.contains("MOBILE") || types.contains("IPHONE"))
            SetIf("MobileTelephoneNumber", number);
        else if (types.contains("PAGER")) SetIf("PagerNumber", number);
        else if (home) SetIf(card_->Has("HomeTelephoneNumber") ? "Home2TelephoneNumber" : "HomeTelephoneNumber", number);
        else if (work)
            SetIf(card_->Has("BusinessTelephoneNumber") ? "Business2TelephoneNumber" : "BusinessTelephoneNumber", number);
        else untypedPhones_ << number;
    }

    // Outlook's address text: street lines, then postal code, city and
    // state on one line, then the country.
    void PutAddress(const QString& kind, const Address& a) {
        QString street = a.parts.value(2);
        if (!a.parts.value(1).isEmpty()) street = street.isEmpty() ? a.parts.value(1) : street + "\r\n" + a.parts.value(1);
        SetIf(kind + "AddressStreet", street);
        SetIf(kind + "AddressPostOfficeBox", a.parts.value(0));
        SetIf(kind + "AddressCity", a.parts.value(3));
        SetIf(kind + "AddressState", a.parts.value(4));
        SetIf(kind + "AddressPostalCode", a.parts.value(5));
        SetIf(kind + "AddressCountry", a.parts.value(6));
        QStringList lines;
        if (!street.isEmpty()) lines << street;
        QStringList place;
        for (int i : {5, 3, 4})
            if (!a.parts.value(i).isEmpty()) place << a.parts.value(i);
        if (!place.isEmpty()) lines << place.join(' ');
        if (!a.parts.value(6).isEmpty()) lines << a.parts.value(6);
        SetIf(kind + "Address", lines.join("\r\n"));
    }

    std::shared_ptr<ContactItem> card_;
    QStringList emails_;
    QList<Address> addresses_;
    QStringList untypedPhones_;
    QString uid_;
    QSet<QString> used_;
};

class ContactsFolder : public OutlookFolder {
public:
    explicit ContactsFolder(std::vector<std::shared_ptr<OutlookItem>> items) : items_(std::move(items)) {}
    OutlookItems Items() override { return items_; }

private:
    OutlookItems items_;
};

}  // namespace

std::vector<std::shared_ptr<OutlookItem>> ContactsFromVCard(const QByteArray& data) {
    ContactBuilder builder;
    ReadVCard(data, builder);
    return std::move(builder.items);
}

std::shared_ptr<OutlookFolder> OpenContactsFolder(const QString& vcardFile) {
    QFile file(vcardFile);
    if (!file.open(QIODevice::ReadOnly))
        Err().Raise(kOutlookNotFound, QStringLiteral("Impossibile aprire la rubrica dei contatti '") + vcardFile + "'.",
                    QStringLiteral("Outlook"));
    if (file.size() > kMaxContactsFile)
        Err().Raise(kOutlookNotFound, QStringLiteral("La rubrica dei contatti '") + vcardFile + "' è troppo grande.",
                    QStringLiteral("Outlook"));
    return std::make_shared<ContactsFolder>(ContactsFromVCard(file.readAll()));
}

}  // namespace Platform
