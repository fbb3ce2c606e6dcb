// The calendar folder over an iCalendar file: each event is an appointment
// with the properties the program uses (EntryID, Start, End, Subject,
// Location, Body, LastModificationTime).
//
// libical reads the values (time zones, escapes); the file itself is kept as
// its own text. An event that is saved has only the lines of what changed
// replaced, added or removed; every other line of the file, its folding and
// its line ends stay byte for byte as the calendar program that shares the
// file wrote them.

#include "Outlook.h"

#include "Errors.h"
#include "Files.h"
#include "Runtime.h"

#include <QFile>
#include <QUuid>

#include <libical/ical.h>

namespace Platform {

namespace {

const QString kSource = QStringLiteral("Outlook");
constexpr long kCalendarUnreadable = 31036;  // the file cannot be read as a calendar
constexpr long kCalendarUnwritable = 31037;  // the file cannot be written
// Some editors put it before the first line; it is not part of the calendar.
constexpr char kBom[] = "\xEF\xBB\xBF";

// ---------------------------------------------------------------- values

// A time of the file as a local date and time: a date without time is its
// midnight; a time with a zone or in UTC is converted; a floating time is
// local wall time.
QDateTime FromIcal(const icaltimetype& t) {
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) return {};
    if (t.is_date) return QDateTime(QDate(t.year, t.month, t.day), QTime(0, 0));
    if (icaltime_is_utc(t) || t.zone) {
        const time_t secs = icaltime_as_timet_with_zone(t, t.zone ? t.zone : icaltimezone_get_utc_timezone());
        return QDateTime::fromSecsSinceEpoch(qint64(secs));
    }
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

QDateTime Seconds(const QDateTime& t) { return t.isValid() ? t.addMSecs(-t.time().msec()) : t; }

QString TextOf(icalcomponent* event, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(event, kind);
    if (!p) return {};
    const char* text = nullptr;
    switch (kind) {
    case ICAL_SUMMARY_PROPERTY: text = icalproperty_get_summary(p); break;
    case ICAL_LOCATION_PROPERTY: text = icalproperty_get_location(p); break;
    default: text = icalproperty_get_description(p); break;
    }
    return text ? QString::fromUtf8(text) : QString();
}

QDateTime StampOf(icalcomponent* event, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(event, kind);
    if (!p) return {};
    switch (kind) {
    case ICAL_LASTMODIFIED_PROPERTY: return FromIcal(icalproperty_get_lastmodified(p));
    case ICAL_DTSTAMP_PROPERTY: return FromIcal(icalproperty_get_dtstamp(p));
    default: return FromIcal(icalproperty_get_created(p));
    }
}

// The event's identity; an instance moved out of a series shares the series'
// UID and is told apart by its RECURRENCE-ID.
QString EntryIdOf(icalcomponent* event) {
    QString id = QString::fromUtf8(icalcomponent_get_uid(event));
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY))
        id += '#' + QString::fromUtf8(icaltime_as_ical_string(icalcomponent_get_recurrenceid(event)));
    return id;
}

// One property as the file's text (folded, with CRLF), made by libical.
QByteArray Line(icalproperty* p) {
    char* text = icalproperty_as_ical_string_r(p);
    QByteArray line(text);
    free(text);
    icalproperty_free(p);
    return line;
}

icaltimetype UtcOf(const QDateTime& when) {
    return icaltime_from_timet_with_zone(time_t(when.toSecsSinceEpoch()), 0, icaltimezone_get_utc_timezone());
}

QByteArray TimeLine(icalproperty_kind kind, const QDateTime& when) {
    const icaltimetype t = UtcOf(when);
    switch (kind) {
    case ICAL_DTSTART_PROPERTY: return Line(icalproperty_new_dtstart(t));
    case ICAL_DTEND_PROPERTY: return Line(icalproperty_new_dtend(t));
    case ICAL_DTSTAMP_PROPERTY: return Line(icalproperty_new_dtstamp(t));
    case ICAL_CREATED_PROPERTY: return Line(icalproperty_new_created(t));
    default: return Line(icalproperty_new_lastmodified(t));
    }
}

// An empty text stays as an empty property, as calendar programs write it.
QByteArray TextLine(const char* name, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty()) return QByteArray(name) + ":\r\n";
    if (qstrcmp(name, "SUMMARY") == 0) return Line(icalproperty_new_summary(utf8.constData()));
    if (qstrcmp(name, "LOCATION") == 0) return Line(icalproperty_new_location(utf8.constData()));
    return Line(icalproperty_new_description(utf8.constData()));
}

// ---------------------------------------------------------------- the text

// A content line as it stands in the file: its physical lines with their ends.
struct ContentLine {
    QByteArray raw;
    QByteArray Name() const {
        int end = 0;
        while (end < raw.size() && raw[end] != ':' && raw[end] != ';' && raw[end] != '\r' && raw[end] != '\n') ++end;
        return raw.left(end).trimmed().toUpper();
    }
    QByteArray Value() const {
        QByteArray unfolded = raw;
        unfolded.replace("\r\n ", "").replace("\r\n\t", "").replace("\n ", "").replace("\n\t", "");
        return unfolded.mid(unfolded.indexOf(':') + 1).trimmed();
    }
};

QList<ContentLine> ContentLines(const QByteArray& text) {
    QList<ContentLine> lines;
    int pos = 0;
    while (pos < text.size()) {
        int end = text.indexOf('\n', pos);
        end = end < 0 ? int(text.size()) : end + 1;
        const QByteArray physical = text.mid(pos, end - pos);
        if ((physical.startsWith(' ') || physical.startsWith('\t')) && !lines.isEmpty()) lines.last().raw += physical;
        else lines.append({physical});
        pos = end;
    }
    return lines;
}

class Appointment;

// A piece of the file: an event of the calendar (its item holds the text), or
// any other text as it stands.
struct Segment {
    QByteArray raw;
    bool event = false;
    std::shared_ptr<Appointment> item;
};

class CalendarFolder;

class Appointment : public OutlookItem, public std::enable_shared_from_this<Appointment> {
public:
    explicit Appointment(std::weak_ptr<CalendarFolder> folder) : folder_(std::move(folder)) {}
    void ReadFrom(icalcomponent* event);
    void SetProperty(const QString& name, const QVariant& value) override;
    void Save() override;
    void Delete() override;

    QByteArray raw;  // the event's text in the file; empty until a new one is saved
    int sequence = 0;

private:
    CalendarFolder& Folder() const;
    void Replace(const QByteArray& name, const QByteArray& line);
    std::weak_ptr<CalendarFolder> folder_;
    QHash<QString, QVariant> pending_;
    bool deleted_ = false;
};

class CalendarFolder : public OutlookFolder, public std::enable_shared_from_this<CalendarFolder> {
public:
    explicit CalendarFolder(QString file) : file_(std::move(file)) {}

    void Load() {
        QFile f(file_);
        if (!f.exists()) {
            segments_ = {Segment{"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Brivalto//Agenda//IT\r\n", false, nullptr},
                         Segment{"END:VCALENDAR\r\n", false, nullptr}};
            closing_ = 1;
            return;
        }
        if (!f.open(QIODevice::ReadOnly)) Unreadable(QStringLiteral("Impossibile leggere il calendario "));
        const QByteArray data = f.readAll();
        Split(data);

        // The values, through libical, event by event in the file's order.
        const QByteArray text = data.startsWith(kBom) ? data.mid(qstrlen(kBom)) : data;
        icalcomponent* root = icalparser_parse_string(text.constData());
        icalcomponent* calendar = root;
        if (root && icalcomponent_isa(root) == ICAL_XROOT_COMPONENT)
            calendar = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT);
        std::vector<icalcomponent*> events;
        if (calendar && icalcomponent_isa(calendar) == ICAL_VCALENDAR_COMPONENT)
            for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
                 e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
                events.push_back(e);
        int eventSegments = 0;
        for (const Segment& s : segments_) eventSegments += s.event ? 1 : 0;
        if (events.empty() && (!calendar || icalcomponent_isa(calendar) != ICAL_VCALENDAR_COMPONENT)) calendar = nullptr;
        if (!calendar || closing_ < 0 || eventSegments != int(events.size())) {
            if (root) icalcomponent_free(root);
            Unreadable(QStringLiteral("Non è un calendario iCalendar: "));
        }
        size_t next = 0;
        for (Segment& s : segments_) {
            if (!s.event) continue;
            s.item = std::make_shared<Appointment>(weak_from_this());
            s.item->raw = s.raw;
            s.item->ReadFrom(events[next++]);
        }
        icalcomponent_free(root);
    }

    OutlookItems Items() override {
        std::vector<std::shared_ptr<OutlookItem>> items;
        for (const Segment& s : segments_)
            if (s.item) items.push_back(s.item);
        return OutlookItems(std::move(items));
    }

    std::shared_ptr<OutlookItem> CreateItem() override { return std::make_shared<Appointment>(weak_from_this()); }

    // A new event goes before the end of the calendar.
    void Adopt(const std::shared_ptr<Appointment>& item) { segments_.insert(closing_++, Segment{{}, true, item}); }

    void Remove(const Appointment* item) {
        for (int i = 0; i < segments_.size(); ++i)
            if (segments_[i].item.get() == item) {
                segments_.removeAt(i);
                if (i < closing_) --closing_;
                return;
            }
    }

    void Write() {
        QByteArray out;
        for (const Segment& s : segments_) {
            if (!s.item) {
                out += s.raw;
                continue;
            }
            QByteArray text = s.item->raw;
            // Lines made here end as the file's own do.
            if (!crlf_) text.replace("\r\n", "\n");
            out += text;
        }
        if (!WriteWholeFile(file_, out))
            Err().Raise(kCalendarUnwritable, "Impossibile scrivere il calendario " + file_, kSource);
    }

    static QByteArray NewUid() { return (QUuid::createUuid().toString(QUuid::WithoutBraces) + "@brivalto").toUtf8(); }

private:
    [[noreturn]] void Unreadable(const QString& why) { Err().Raise(kCalendarUnreadable, why + file_, kSource); }

    // The file cut into pieces: each event of the (first) calendar on its own,
    // the line that ends that calendar on its own, the rest as it comes. A
    // byte-order mark is a piece of its own, so that the file keeps it.
    void Split(const QByteArray& data) {
        segments_.clear();
        closing_ = -1;
        crlf_ = data.contains("\r\n") || !data.contains('\n');
        const bool bom = data.startsWith(kBom);
        if (bom) segments_.append(Segment{kBom, false, nullptr});
        const QByteArray text = bom ? data.mid(qstrlen(kBom)) : data;
        QList<QByteArray> stack;
        bool inFirst = false, firstDone = false;
        Segment piece;
        auto flush = [&] {
            if (!piece.raw.isEmpty()) segments_.append(piece);
            piece = Segment{};
        };
        for (const ContentLine& line : ContentLines(text)) {
            const QByteArray name = line.Name();
            const QByteArray value = line.Value().toUpper();
            if (name == "BEGIN") {
                if (stack.isEmpty() && value == "VCALENDAR" && !firstDone) inFirst = true;
                if (inFirst && stack.size() == 1 && value == "VEVENT") {
                    flush();
                    piece.event = true;
                }
                stack.append(value);
                piece.raw += line.raw;
                continue;
            }
            if (name == "END" && !stack.isEmpty()) {
                stack.removeLast();
                if (inFirst && stack.isEmpty()) {
                    flush();
                    closing_ = int(segments_.size());
                    segments_.append(Segment{line.raw, false, nullptr});
                    inFirst = false;
                    firstDone = true;
                    continue;
                }
                piece.raw += line.raw;
                if (inFirst && stack.size() == 1 && value == "VEVENT") flush();
                continue;
            }
            piece.raw += line.raw;
        }
        flush();
    }

    QString file_;
    QList<Segment> segments_;
    int closing_ = -1;  // the piece that ends the calendar
    bool crlf_ = true;
};

CalendarFolder& Appointment::Folder() const {
    auto folder = folder_.lock();
    if (!folder || deleted_) Err().Raise(kOutlookNotFound, QStringLiteral("L'elemento non esiste più."), kSource);
    return *folder;
}

void Appointment::ReadFrom(icalcomponent* event) {
    properties_.clear();
    // An event without UID still needs an identity; it is written with the file.
    if (!icalcomponent_get_uid(event) || !*icalcomponent_get_uid(event)) {
        const QByteArray uid = CalendarFolder::NewUid();
        icalcomponent_set_uid(event, uid.constData());
        Replace("UID", Line(icalproperty_new_uid(uid.constData())));
    }
    Put(QStringLiteral("EntryID"), EntryIdOf(event));
    const QDateTime start = FromIcal(icalcomponent_get_dtstart(event));
    QDateTime end;
    if (icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY) ||
        icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY))
        end = FromIcal(icalcomponent_get_dtend(event));
    else if (icalcomponent_get_dtstart(event).is_date)
        end = start.addDays(1);  // a whole day
    else
        end = start;
    Put(QStringLiteral("Start"), start);
    Put(QStringLiteral("End"), end);
    Put(QStringLiteral("Subject"), TextOf(event, ICAL_SUMMARY_PROPERTY));
    Put(QStringLiteral("Location"), TextOf(event, ICAL_LOCATION_PROPERTY));
    Put(QStringLiteral("Body"), TextOf(event, ICAL_DESCRIPTION_PROPERTY));
    QDateTime modified = StampOf(event, ICAL_LASTMODIFIED_PROPERTY);
    if (!modified.isValid()) modified = StampOf(event, ICAL_DTSTAMP_PROPERTY);
    if (!modified.isValid()) modified = StampOf(event, ICAL_CREATED_PROPERTY);
    Put(QStringLiteral("LastModificationTime"), modified);
    sequence = icalcomponent_get_sequence(event);
}

// The event's own property lines of that name (not those of its alarms)
// give way to `line`, in the place of the first; an empty line removes them.
void Appointment::Replace(const QByteArray& name, const QByteArray& line) {
    QList<ContentLine> lines = ContentLines(raw);
    QByteArray out;
    int depth = 0;
    bool placed = line.isEmpty();
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray n = lines[i].Name();
        if (n == "END") --depth;
        const bool own = depth == 1;
        if (n == "BEGIN") ++depth;
        if (own && n == name) {
            if (!placed) out += line;
            placed = true;
            continue;
        }
        // Not there yet: before the event's end.
        if (!placed && n == "END" && depth == 0) {
            out += line;
            placed = true;
        }
        out += lines[i].raw;
    }
    raw = out;
}

void Appointment::SetProperty(const QString& name, const QVariant& value) {
    static const QStringList writable = {"Start", "End", "Subject", "Location", "Body"};
    for (const QString& w : writable)
        if (name.compare(w, Qt::CaseInsensitive) == 0) {
            Folder();
            const bool time = w == QLatin1String("Start") || w == QLatin1String("End");
            // A calendar's line break is one character, whatever the program's text holds.
            QString text = value.toString();
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            pending_.insert(w, time ? QVariant(Seconds(value.toDateTime())) : QVariant(text));
            return;
        }
    OutlookItem::SetProperty(name, value);
}

void Appointment::Save() {
    CalendarFolder& folder = Folder();
    const bool isNew = raw.isEmpty();
    if (isNew) raw = "BEGIN:VEVENT\r\nEND:VEVENT\r\n";
    bool changed = isNew;
    bool retimed = false;

    for (auto [key, name] : {std::pair{"Subject", "SUMMARY"}, {"Location", "LOCATION"}, {"Body", "DESCRIPTION"}}) {
        const QString k = QString::fromLatin1(key);
        if (!pending_.contains(k) || (!isNew && pending_[k].toString() == Text(k))) continue;
        Replace(name, TextLine(name, pending_[k].toString()));
        Put(k, pending_[k]);
        changed = true;
    }
    const QDateTime oldStart = Seconds(Property(QStringLiteral("Start")).toDateTime());
    const QDateTime oldEnd = Seconds(Property(QStringLiteral("End")).toDateTime());
    const QDateTime start = pending_.contains("Start") ? pending_["Start"].toDateTime() : oldStart;
    QDateTime end = pending_.contains("End") ? pending_["End"].toDateTime() : oldEnd;
    if (start.isValid() && end.isValid() && end < start) end = start;
    if (start.isValid() && (isNew || start != oldStart)) {
        Replace("DTSTART", TimeLine(ICAL_DTSTART_PROPERTY, start));
        Put(QStringLiteral("Start"), start);
        retimed = true;
    }
    // A length kept as DURATION follows a new start unless the end is given.
    if (end.isValid() && (isNew || end != oldEnd || (retimed && raw.contains("\nDURATION")))) {
        Replace("DURATION", QByteArray());
        Replace("DTEND", TimeLine(ICAL_DTEND_PROPERTY, end));
        Put(QStringLiteral("End"), end);
        retimed = true;
    }
    pending_.clear();
    changed = changed || retimed;
    // An appointment saved unchanged keeps its modification time.
    if (!changed) return;

    const QDateTime now = Seconds(Now());
    if (isNew) {
        const QByteArray uid = CalendarFolder::NewUid();
        Replace("UID", Line(icalproperty_new_uid(uid.constData())));
        Replace("CREATED", TimeLine(ICAL_CREATED_PROPERTY, now));
        Put(QStringLiteral("EntryID"), QString::fromUtf8(uid));
    }
    if (isNew || retimed) Replace("SEQUENCE", Line(icalproperty_new_sequence(isNew ? 0 : ++sequence)));
    Replace("DTSTAMP", TimeLine(ICAL_DTSTAMP_PROPERTY, now));
    Replace("LAST-MODIFIED", TimeLine(ICAL_LASTMODIFIED_PROPERTY, now));
    Put(QStringLiteral("LastModificationTime"), now);
    if (isNew) folder.Adopt(shared_from_this());
    folder.Write();
}

void Appointment::Delete() {
    CalendarFolder& folder = Folder();
    deleted_ = true;
    if (raw.isEmpty()) return;  // never saved
    folder.Remove(this);
    folder.Write();
}

}  // namespace

std::shared_ptr<OutlookFolder> OpenCalendarFolder(const QString& icsFile) {
    auto folder = std::make_shared<CalendarFolder>(icsFile);
    folder->Load();
    return folder;
}

}  // namespace Platform
