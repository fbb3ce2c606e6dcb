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

#include <cstring>
#include <functional>
#include <vector>

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
//
// The file is cut into lines, and its components found, by libical's own
// line reader and parser driven a line at a time: what is cut here and what
// libical reads are the same lines and the same components by construction.
// The text ends at a NUL, as libical's strings do; a physical line ends at
// LF, or at a lone CR where no LF follows (as libical reads a file of the
// old Mac), whatever the line holds.

// A content line as it stands in the file: its physical lines with their
// ends, and its text unfolded as libical's parser takes it.
struct ContentLine {
    QByteArray raw;
    QByteArray text;
};

// How the last line of a text ends: "\r\n", "\n" or "\r"; one that does not
// end (the text's last) takes "\r\n".
QByteArray LineEnd(const QByteArray& raw) {
    if (raw.endsWith('\n') && !raw.endsWith("\r\n")) return "\n";
    if (raw.endsWith('\r')) return "\r";
    return "\r\n";
}

// Hands libical's line reader the text a physical line at a time (a long
// one in pieces of what its buffer takes), remembering where each began.
struct LineSource {
    const char* data = nullptr;
    qsizetype size = 0;    // up to the first NUL
    qsizetype lastLf = -1; // past it, lone CRs end lines
    qsizetype pos = 0;
    qsizetype pieceStart = -1;  // where the last piece handed out began; -1: none was
};

char* NextPiece(char* out, size_t room, void* d) {
    auto& s = *static_cast<LineSource*>(d);
    out[0] = '\0';
    s.pieceStart = -1;
    if (s.pos >= s.size || room < 2) return nullptr;
    const char* from = s.data + s.pos;
    const qsizetype left = s.size - s.pos;
    const bool crEnds = s.pos > s.lastLf;
    const void* stop = memchr(from, crEnds ? '\r' : '\n', size_t(left));
    const qsizetype line = stop ? static_cast<const char*>(stop) - from + 1 : left;
    const qsizetype n = qMin(line, qsizetype(room - 1));
    memcpy(out, from, size_t(n));
    // The CR that ends a line reads as the LF that would.
    if (crEnds && stop && n == line) out[n - 1] = '\n';
    out[n] = '\0';
    s.pieceStart = s.pos;
    s.pos += n;
    return out;
}

// The content lines of a text, and where the text libical reads ends (at the
// first NUL, or its end).
QList<ContentLine> ContentLines(const QByteArray& text, qsizetype* readEnd = nullptr) {
    LineSource source;
    source.data = text.constData();
    source.size = text.indexOf('\0');
    if (source.size < 0) source.size = text.size();
    source.lastLf = text.lastIndexOf('\n', source.size - 1);
    if (readEnd) *readEnd = source.size;
    QList<ContentLine> lines;
    icalparser* parser = icalparser_new();
    icalparser_set_gen_data(parser, &source);
    qsizetype begin = 0;
    while (char* line = icalparser_get_line(parser, NextPiece)) {
        // The piece read ahead, if any, begins the next line.
        const qsizetype end = source.pieceStart >= 0 ? source.pieceStart : source.pos;
        lines.append({text.mid(begin, end - begin), QByteArray(line)});
        icalmemory_free_buffer(line);
        begin = end;
    }
    icalparser_free(parser);
    return lines;
}

// A damaged line is the file's fault, never a reason to end the program.
struct Lenient {
    icalerrorstate was = icalerror_get_error_state(ICAL_MALFORMEDDATA_ERROR);
    Lenient() { icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, ICAL_ERROR_NONFATAL); }
    ~Lenient() { icalerror_set_error_state(ICAL_MALFORMEDDATA_ERROR, was); }
};

// Where a content line stands among the components, as libical's parser
// takes it: `depth` is that of the component the line belongs to (1: the
// outermost one's own lines; a BEGIN or END line is its component's).
struct LinePlace {
    enum Kind { Property, Begin, End, Blank } kind = Property;
    int depth = 0;
};

// Parses the lines; `done` gets each outermost component completed, with the
// line that ended it, and owns it.
std::vector<LinePlace> Places(const QList<ContentLine>& lines,
                              const std::function<void(int, icalcomponent*)>& done = {}) {
    std::vector<LinePlace> places;
    places.reserve(size_t(lines.size()));
    const Lenient lenient;
    icalparser* parser = icalparser_new();
    int depth = 0;
    for (int i = 0; i < lines.size(); ++i) {
        LinePlace place;
        // libical passes over a line of blanks without a word, its state unchanged.
        if (lines[i].text.isEmpty() || strspn(lines[i].text.constData(), " \t\n") == size_t(lines[i].text.size())) {
            place.kind = LinePlace::Blank;
            place.depth = depth;
            places.push_back(place);
            continue;
        }
        QByteArray text = lines[i].text;
        icalcomponent* made = icalparser_add_line(parser, text.data());
        switch (icalparser_get_state(parser)) {
        case ICALPARSER_BEGIN_COMP:
            place = {LinePlace::Begin, ++depth};
            break;
        case ICALPARSER_END_COMP:
            place = {LinePlace::End, depth--};
            break;
        default:
            if (made) {
                place = {LinePlace::End, depth};
                depth = 0;
            } else {
                place = {LinePlace::Property, depth};
            }
            break;
        }
        places.push_back(place);
        if (made) {
            if (done) done(i, made);
            else icalcomponent_free(made);
        }
    }
    icalparser_free(parser);
    return places;
}

// The kind of the component that lines make, as libical's parser reads them.
icalcomponent_kind KindOf(const QList<ContentLine>& lines) {
    icalcomponent_kind kind = ICAL_NO_COMPONENT;
    Places(lines, [&](int, icalcomponent* made) {
        kind = icalcomponent_isa(made);
        icalcomponent_free(made);
    });
    return kind;
}

// The kind of property a line makes in a component, as libical's parser
// reads it there (a damaged parameter leaves the property, a damaged value
// removes it).
icalproperty_kind KindOf(const ContentLine& line) {
    const Lenient lenient;
    icalparser* parser = icalparser_new();
    QByteArray begin = "BEGIN:VEVENT", text = line.text, end = "END:VEVENT";
    icalparser_add_line(parser, begin.data());
    icalparser_add_line(parser, text.data());
    icalproperty_kind kind = ICAL_NO_PROPERTY;
    if (icalcomponent* event = icalparser_add_line(parser, end.data())) {
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p && kind == ICAL_NO_PROPERTY;
             p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY))
            if (icalproperty_isa(p) != ICAL_XLICERROR_PROPERTY) kind = icalproperty_isa(p);
        icalcomponent_free(event);
    }
    icalparser_free(parser);
    return kind;
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
    bool Has(const QByteArray& name) const;
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
        std::vector<icalcomponent*> events;
        icalcomponent* calendar = Split(data, events);
        if (!calendar) Unreadable(QStringLiteral("Non è un calendario iCalendar: "));
        size_t next = 0;
        for (Segment& s : segments_) {
            if (!s.event) continue;
            s.item = std::make_shared<Appointment>(weak_from_this());
            s.item->raw = s.raw;
            s.item->ReadFrom(events[next++]);
        }
        icalcomponent_free(calendar);
    }

    OutlookItems Items() override {
        std::vector<std::shared_ptr<OutlookItem>> items;
        for (const Segment& s : segments_)
            if (s.item) items.push_back(s.item);
        return OutlookItems(std::move(items));
    }

    std::shared_ptr<OutlookItem> CreateItem() override { return std::make_shared<Appointment>(weak_from_this()); }

    // A new event goes before the end of the calendar, its lines ending as
    // the one before it does.
    void Adopt(const std::shared_ptr<Appointment>& item) {
        const Segment& before = segments_[closing_ - 1];
        item->raw.replace("\r\n", LineEnd(before.item ? before.item->raw : before.raw));
        segments_.insert(closing_++, Segment{{}, true, item});
    }

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
        for (const Segment& s : segments_) out += s.item ? s.item->raw : s.raw;
        if (!WriteWholeFile(file_, out))
            Err().Raise(kCalendarUnwritable, "Impossibile scrivere il calendario " + file_, kSource);
    }

    static QByteArray NewUid() { return (QUuid::createUuid().toString(QUuid::WithoutBraces) + "@brivalto").toUtf8(); }

private:
    [[noreturn]] void Unreadable(const QString& why) { Err().Raise(kCalendarUnreadable, why + file_, kSource); }

    // The file cut into pieces: each event of the (first) calendar on its own,
    // the line that ends that calendar on its own, the rest as it comes. A
    // byte-order mark is a piece of its own, so that the file keeps it.
    // Returns the calendar as libical made it (the caller frees it) with its
    // events in the order of their pieces; null when the file holds none.
    icalcomponent* Split(const QByteArray& data, std::vector<icalcomponent*>& events) {
        segments_.clear();
        closing_ = -1;
        const bool bom = data.startsWith(kBom);
        if (bom) segments_.append(Segment{kBom, false, nullptr});
        const QByteArray text = bom ? data.mid(qstrlen(kBom)) : data;
        qsizetype readEnd = 0;
        const QList<ContentLine> lines = ContentLines(text, &readEnd);
        icalcomponent* calendar = nullptr;
        int closing = -1;
        const std::vector<LinePlace> places = Places(lines, [&](int line, icalcomponent* made) {
            if (!calendar && icalcomponent_isa(made) == ICAL_VCALENDAR_COMPONENT) {
                calendar = made;
                closing = line;
            } else {
                icalcomponent_free(made);
            }
        });
        if (!calendar) return nullptr;

        // The calendar's components, line by line. libical keeps its events in
        // the file's order (and puts time zones first).
        int open = closing;
        while (open > 0 && !(places[size_t(open)].kind == LinePlace::Begin && places[size_t(open)].depth == 1)) --open;
        QList<QPair<int, int>> parts;
        for (int i = open + 1; i < closing; ++i) {
            if (places[size_t(i)].depth != 2) continue;
            if (places[size_t(i)].kind == LinePlace::Begin) parts.append({i, -1});
            else if (places[size_t(i)].kind == LinePlace::End && !parts.isEmpty()) parts.last().second = i;
        }
        std::vector<icalcomponent*> made;
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
            made.push_back(c);

        Segment piece;
        auto take = [&](int from, int to) {  // lines [from, to) into the piece
            for (int i = from; i < to; ++i) piece.raw += lines[i].raw;
        };
        auto flush = [&] {
            if (!piece.raw.isEmpty()) segments_.append(piece);
            piece = Segment{};
        };
        int at = 0;
        bool whole = true;
        for (int n = 0; whole && n < parts.size(); ++n) {
            const auto [begin, end] = parts[n];
            whole = end > begin;
            if (!whole || KindOf(lines.mid(begin, end - begin + 1)) != ICAL_VEVENT_COMPONENT) continue;
            whole = events.size() < made.size();
            if (!whole) break;
            take(at, begin);
            flush();
            piece.event = true;
            take(begin, end + 1);
            flush();
            events.push_back(made[events.size()]);
            at = end + 1;
        }
        whole = whole && events.size() == made.size();
        take(at, closing);
        flush();
        closing_ = int(segments_.size());
        segments_.append(Segment{lines[closing].raw, false, nullptr});
        take(closing + 1, int(lines.size()));
        piece.raw += text.mid(readEnd);
        flush();
        // Written back unchanged, the pieces must give the file as it is.
        QByteArray again;
        for (const Segment& s : segments_) again += s.raw;
        if (!whole || again != data) {
            icalcomponent_free(calendar);
            events.clear();
            return nullptr;
        }
        return calendar;
    }

    QString file_;
    QList<Segment> segments_;
    int closing_ = -1;  // the piece that ends the calendar
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
// The line ends as the one before it does.
void Appointment::Replace(const QByteArray& name, const QByteArray& line) {
    const QList<ContentLine> lines = ContentLines(raw);
    const std::vector<LinePlace> places = Places(lines);
    const icalproperty_kind kind = icalproperty_string_to_kind(name.constData());
    QByteArray out;
    bool placed = line.isEmpty();
    auto place = [&](int i) {
        if (placed) return;
        QByteArray ended = line;
        if (i > 0) ended.replace("\r\n", LineEnd(lines[i - 1].raw));
        out += ended;
        placed = true;
    };
    for (int i = 0; i < lines.size(); ++i) {
        const LinePlace& p = places[size_t(i)];
        if (p.kind == LinePlace::Property && p.depth == 1 && KindOf(lines[i]) == kind) {
            place(i);
            continue;
        }
        // Not there yet: before the event's end.
        if (p.kind == LinePlace::End && p.depth == 1) place(i);
        out += lines[i].raw;
    }
    raw = out;
}

bool Appointment::Has(const QByteArray& name) const {
    const QList<ContentLine> lines = ContentLines(raw);
    const std::vector<LinePlace> places = Places(lines);
    const icalproperty_kind kind = icalproperty_string_to_kind(name.constData());
    for (int i = 0; i < lines.size(); ++i)
        if (places[size_t(i)].kind == LinePlace::Property && places[size_t(i)].depth == 1 && KindOf(lines[i]) == kind)
            return true;
    return false;
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
    if (end.isValid() && (isNew || end != oldEnd || (retimed && Has("DURATION")))) {
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
