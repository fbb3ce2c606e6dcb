#include "Outlook.h"

#include "Errors.h"
#include "Runtime.h"
#include "Settings.h"

#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>

namespace Platform {

namespace {

const QString kSource = QStringLiteral("Outlook");

// The kinds this program knows; a new kind of folder is one line here.
QMap<int, OutlookFolderKind> BuiltInKinds() {
    QMap<int, OutlookFolderKind> kinds;
    kinds.insert(olFolderContacts, {[] { return !OutlookContactsFile().isEmpty(); },
                                    [] { return OpenContactsFolder(OutlookContactsFile()); }});
    kinds.insert(olFolderCalendar, {[] { return !OutlookCalendarFile().isEmpty(); },
                                    [] { return OpenCalendarFolder(OutlookCalendarFile()); }});
    return kinds;
}

QMap<int, OutlookFolderKind>& Kinds() {
    static QMap<int, OutlookFolderKind> kinds = BuiltInKinds();
    return kinds;
}

}  // namespace

void RegisterOutlookFolder(int kind, OutlookFolderKind how) { Kinds().insert(kind, std::move(how)); }

void ResetOutlookFolders() { Kinds() = BuiltInKinds(); }

QString OutlookContactsFile() {
    return GetSetting(App::EXEName(), QStringLiteral("Outlook"), QStringLiteral("FileContatti")).trimmed();
}

QString OutlookCalendarFile() {
    return GetSetting(App::EXEName(), QStringLiteral("Outlook"), QStringLiteral("FileCalendario")).trimmed();
}

QString OutlookShortDateFormat() {
    // A two-digit year would read back as the 1900s.
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

// ------------------------------------------------------------------ items

OutlookItem::~OutlookItem() = default;

QVariant OutlookItem::Property(const QString& name) const {
    // Asked for a score of times for every contact of an import: the key in
    // lower case is made in a buffer kept for it, not in a new string each time.
    thread_local QString key;
    key.resize(name.size());
    QChar* out = key.data();
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 0x80) return properties_.value(name.toLower());
        out[i] = QChar(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return properties_.value(key);
}

QByteArrayView OutlookItem::Utf8(const Name& name, QByteArray& room) const {
    room = Text(name).toUtf8();
    return room;
}

void OutlookItem::SetProperty(const QString& name, const QVariant& value) {
    Err().Raise(kOutlookNotSupported, QStringLiteral("Proprietà di sola lettura: ") + name, kSource);
}

void OutlookItem::Save() { Err().Raise(kOutlookNotSupported, QStringLiteral("Elemento di sola lettura."), kSource); }

void OutlookItem::Delete() { Err().Raise(kOutlookNotSupported, QStringLiteral("Elemento di sola lettura."), kSource); }

std::shared_ptr<OutlookItem> OutlookItems::Item(int position) const {
    if (position < 1 || position > Count())
        Err().Raise(kOutlookOutOfRange, QStringLiteral("Indice della matrice non compreso nell'intervallo."), kSource);
    return At(position - 1);
}

std::shared_ptr<OutlookItem> OutlookItems::Item(const QString& entryId) const {
    for (const auto& item : *this)
        if (!entryId.isEmpty() && item->EntryID() == entryId) return item;
    Err().Raise(kOutlookNotFound, QStringLiteral("Impossibile trovare l'elemento."), kSource);
}

namespace {

struct Condition {
    QString property;
    QString op;
    QString value;
};

// Splits at a keyword that stands outside quotes, as a whole word.
QStringList SplitOutsideQuotes(const QString& text, const QString& keyword) {
    QStringList parts;
    QString current;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '\'') quoted = !quoted;
        if (!quoted && text.mid(i, keyword.size() + 2).compare(" " + keyword + " ", Qt::CaseInsensitive) == 0) {
            parts << current;
            current.clear();
            i += keyword.size() + 1;
            continue;
        }
        current += text[i];
    }
    parts << current;
    return parts;
}

Condition ParseCondition(const QString& text) {
    static const QRegularExpression re(QStringLiteral(R"re(^\s*\[([^\]]+)\]\s*(<>|<=|>=|=|<|>)\s*(?:'((?:[^']|'')*)'|"([^"]*)")\s*$)re"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        Err().Raise(kOutlookOutOfRange, QStringLiteral("Condizione non valida: ") + text.trimmed(), kSource);
    const QString value = m.captured(3).isNull() ? m.captured(4) : m.captured(3).replace("''", "'");
    return {m.captured(1).trimmed(), m.captured(2), value};
}

QDateTime ReadFilterDate(const QString& text) {
    const QLocale locale;
    for (const QString& format : {OutlookShortDateFormat(), locale.dateTimeFormat(QLocale::ShortFormat),
                                  locale.dateFormat(QLocale::ShortFormat)}) {
        QDateTime dt = locale.toDateTime(text, format);
        if (dt.isValid()) return dt;
    }
    for (const QString& format : {QStringLiteral("dd/MM/yyyy hh:mm:ss"), QStringLiteral("dd/MM/yyyy hh:mm"),
                                  QStringLiteral("dd/MM/yyyy"), QStringLiteral("d/M/yyyy")}) {
        QDateTime dt = QDateTime::fromString(text, format);
        if (dt.isValid()) return dt;
    }
    QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
    if (dt.isValid()) return dt;
    return QDate::fromString(text, Qt::ISODate).startOfDay();
}

bool Holds(const OutlookItem& item, const Condition& c) {
    const QVariant v = item.Property(c.property);
    int order;
    if (v.metaType().id() == QMetaType::QDateTime || v.metaType().id() == QMetaType::QDate) {
        const QDateTime when = ReadFilterDate(c.value);
        if (!when.isValid()) Err().Raise(kOutlookOutOfRange, QStringLiteral("Data non valida: ") + c.value, kSource);
        const QDateTime mine = v.toDateTime();
        order = mine < when ? -1 : (mine > when ? 1 : 0);
    } else {
        order = QString::compare(v.toString(), c.value, Qt::CaseInsensitive);
        order = order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    if (c.op == "=") return order == 0;
    if (c.op == "<>") return order != 0;
    if (c.op == "<") return order < 0;
    if (c.op == ">") return order > 0;
    if (c.op == "<=") return order <= 0;
    return order >= 0;
}

}  // namespace

OutlookItems OutlookItems::Restrict(const QString& filter) const {
    QList<QList<Condition>> any;
    for (const QString& alternative : SplitOutsideQuotes(filter, QStringLiteral("OR"))) {
        QList<Condition> all;
        for (const QString& part : SplitOutsideQuotes(alternative, QStringLiteral("AND"))) all << ParseCondition(part);
        any << all;
    }
    std::vector<std::shared_ptr<OutlookItem>> kept;
    for (const auto& item : *this) {
        bool match = false;
        for (const auto& all : any) {
            bool every = true;
            for (const Condition& c : all) every = every && Holds(*item, c);
            match = match || every;
        }
        if (match) kept.push_back(item);
    }
    return OutlookItems(std::move(kept));
}

// ---------------------------------------------------------------- folders

OutlookFolder::~OutlookFolder() = default;

std::shared_ptr<OutlookItem> OutlookFolder::CreateItem() {
    Err().Raise(kOutlookNotSupported, QStringLiteral("La cartella non accetta nuovi elementi."), kSource);
}

std::shared_ptr<OutlookFolder> OutlookNameSpace::GetDefaultFolder(int kind) {
    if (auto it = folders_.find(kind); it != folders_.end()) return *it;
    const auto how = Kinds().value(kind);
    if (!how.configured || !how.configured()) return nullptr;
    auto folder = how.open();
    folders_.insert(kind, folder);
    return folder;
}

// ------------------------------------------------------------ application

std::shared_ptr<OutlookApplication> OutlookApplication::Create() {
    bool any = false;
    for (const auto& how : Kinds())
        if (how.configured && how.configured()) any = true;
    if (!any) Err().Raise(kOutlookCannotCreate, QStringLiteral("Impossibile creare l'oggetto ActiveX."), kSource);
    return std::shared_ptr<OutlookApplication>(new OutlookApplication());
}

OutlookNameSpace& OutlookApplication::GetNamespace(const QString& type) {
    if (type.compare(QStringLiteral("MAPI"), Qt::CaseInsensitive) != 0)
        Err().Raise(kOutlookOutOfRange, QStringLiteral("Spazio dei nomi sconosciuto: ") + type, kSource);
    return mapi_;
}

std::shared_ptr<OutlookItem> OutlookApplication::CreateItem(int type) {
    if (type == olAppointmentItem) {
        auto calendar = mapi_.GetDefaultFolder(olFolderCalendar);
        if (calendar) return calendar->CreateItem();
    }
    Err().Raise(kOutlookNotSupported, QStringLiteral("Tipo di elemento non disponibile: ") + QString::number(type),
                kSource);
}

std::shared_ptr<OutlookItem> OutlookApplication::Item(const QString& entryId) {
    for (int kind : Kinds().keys()) {
        auto folder = mapi_.GetDefaultFolder(kind);
        if (!folder) continue;
        const OutlookItems items = folder->Items();
        for (const auto& item : items)
            if (!entryId.isEmpty() && item->EntryID() == entryId) return item;
    }
    Err().Raise(kOutlookNotFound, QStringLiteral("Impossibile trovare l'elemento."), kSource);
}

}  // namespace Platform
