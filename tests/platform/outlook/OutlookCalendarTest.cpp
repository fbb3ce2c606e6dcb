// The calendar folder over an iCalendar file another calendar program
// exported: reading its events, writing only what changes, and the file
// staying valid for an independent reader.
#include "Errors.h"
#include "FileSizeLimit.h"
#include "IcsCheck.h"
#include "Outlook.h"
#include "Settings.h"
#include "TestKit.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace Platform;

namespace {

QString Fixture() { return QStringLiteral(BRIVALTO_TEST_DATA "/ical/esportazione.ics"); }

QDateTime Rome(int y, int mo, int d, int h, int mi) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone("Europe/Rome")).toLocalTime();
}
QDateTime Utc(int y, int mo, int d, int h, int mi, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()).toLocalTime();
}

QStringList Check(const QString& file) { return CheckIcs(QStringLiteral(BRIVALTO_TEST_DATA "/ical/check_ics.py"), file); }

QByteArray Bytes(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The file's content lines unfolded, as a set, to compare what a save changed.
QStringList Lines(const QString& file) {
    QStringList lines;
    for (const QByteArray& raw : Bytes(file).split('\n')) {
        QString line = QString::fromUtf8(raw).remove('\r');
        if (line.startsWith(' ') && !lines.isEmpty()) lines.last() += line.mid(1);
        else if (!line.isEmpty()) lines << line;
    }
    return lines;
}

// The lines of `a` that `b` lacks, sorted and joined for a readable failure.
std::string Minus(QStringList a, const QStringList& b) {
    for (const QString& line : b) a.removeOne(line);
    a.sort();
    return a.join(" | ").toStdString();
}

class Calendar : public ::testing::Test {
protected:
    void SetUp() override {
        file = env.Root() + "/calendario.ics";
        ASSERT_TRUE(QFile::copy(Fixture(), file));
        QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        env.SetClock(Utc(2026, 12, 7, 9, 0, 27));
    }
    std::shared_ptr<OutlookItem> Find(OutlookFolder& folder, const QString& id) { return folder.Items().Item(id); }
    TestKit::Environment env;
    QString file;
    const QString presentation = "7kq2c4m1v8s0bq3l5n9e2d6r1t@calendario.example";
};

}  // namespace

TEST_F(Calendar, EventsOfTheExportedFileAreAppointments) {
    auto folder = OpenCalendarFolder(file);
    const OutlookItems items = folder->Items();
    ASSERT_EQ(items.Count(), 5);  // the task of the file is not an appointment
    const auto& a = *items.Item(1);
    EXPECT_EQ(a.EntryID(), presentation);
    EXPECT_EQ(a.Property("Start").toDateTime(), Rome(2026, 12, 10, 9, 30));
    EXPECT_EQ(a.Property("End").toDateTime(), Rome(2026, 12, 10, 11, 0));
    EXPECT_EQ(a.Text("Subject"), "Presentazione listino a Ceramiche Bassi");
    EXPECT_EQ(a.Text("Location"), QString::fromUtf8("Forlì, via Ravegnana 112"));
    EXPECT_EQ(a.Text("Body"), "Portare il listino 2027, i campioni di vetro satinato e le schede tecniche.\n"
                              "Chiedere del responsabile acquisti.");
    EXPECT_EQ(a.Property("LastModificationTime").toDateTime(), Utc(2026, 12, 1, 8, 15));

    const auto& allDay = *items.Item(2);
    EXPECT_EQ(allDay.Property("Start").toDateTime(), QDateTime(QDate(2026, 12, 18), QTime(0, 0)));
    EXPECT_EQ(allDay.Property("End").toDateTime(), QDateTime(QDate(2026, 12, 19), QTime(0, 0)));
    EXPECT_EQ(allDay.Text("Body"), "");
    // The moved meeting of a weekly series is an appointment of its own.
    EXPECT_EQ(items.Item(3)->EntryID(), "4r8t1y6u3i9o@calendario.example");
    EXPECT_TRUE(items.Item(4)->EntryID().startsWith("4r8t1y6u3i9o@calendario.example#"));
    EXPECT_EQ(items.Item(4)->Property("Start").toDateTime(), Rome(2026, 12, 21, 10, 0));
    EXPECT_EQ(items.Item(5)->Property("Start").toDateTime(), Utc(2026, 12, 11, 14, 0));

    // Look-up by entry id, and the filter on the modification day.
    EXPECT_EQ(Find(*folder, presentation)->Text("Subject"), "Presentazione listino a Ceramiche Bassi");
    try {
        Find(*folder, "nessuno@altrove");
        ADD_FAILURE() << "an unknown entry id must raise";
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), kOutlookNotFound);
    }
    const QString day = QLocale().toString(QDate(2026, 11, 30), OutlookShortDateFormat());
    const OutlookItems recent = folder->Items().Restrict("[LastModificationTime] > '" + day + "'");
    ASSERT_EQ(recent.Count(), 2);
    EXPECT_EQ(recent.Item(1)->EntryID(), presentation);
    EXPECT_EQ(recent.Item(2)->EntryID(), items.Item(4)->EntryID());
}

TEST_F(Calendar, ASaveWritesOnlyWhatChangedAndKeepsTheRest) {
    const QStringList before = Lines(file);
    auto folder = OpenCalendarFolder(file);
    auto a = Find(*folder, presentation);

    // The same values again: the file and the modification time stay.
    a->SetProperty("Start", Rome(2026, 12, 10, 9, 30));
    a->SetProperty("End", Rome(2026, 12, 10, 11, 0));
    a->SetProperty("Subject", "Presentazione listino a Ceramiche Bassi");
    a->Save();
    EXPECT_EQ(Lines(file), before);
    EXPECT_EQ(a->Property("LastModificationTime").toDateTime(), Utc(2026, 12, 1, 8, 15));

    // A new place only: that line and the stamps change, nothing else.
    a->SetProperty("Location", "Forlì, via Ravegnana 114; portineria");
    a->Save();
    const QStringList after = Lines(file);
    EXPECT_EQ(Minus(before, after),
              "DTSTAMP:20261201T081500Z | LAST-MODIFIED:20261201T081500Z | LOCATION:Forlì\\, via Ravegnana 112");
    EXPECT_EQ(Minus(after, before), "DTSTAMP:20261207T090027Z | LAST-MODIFIED:20261207T090027Z | "
                                    "LOCATION:Forlì\\, via Ravegnana 114\\; portineria");
    EXPECT_EQ(a->Property("LastModificationTime").toDateTime(), Utc(2026, 12, 7, 9, 0, 27));
    // Byte for byte, folding included: all before the event and all after it.
    const QByteArray original = Bytes(Fixture()), written = Bytes(file);
    EXPECT_TRUE(written.startsWith(original.left(original.indexOf("BEGIN:VEVENT"))));
    EXPECT_TRUE(written.endsWith(original.mid(original.indexOf("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE"))));
    Check(file);

    // New times: written in UTC, the time zone of the others untouched, the sequence counted.
    a->SetProperty("Start", Rome(2026, 12, 10, 15, 0));
    a->SetProperty("End", Rome(2026, 12, 10, 16, 30));
    a->Save();
    const QStringList retimed = Lines(file);
    EXPECT_TRUE(retimed.contains("DTSTART:20261210T140000Z"));
    EXPECT_TRUE(retimed.contains("DTEND:20261210T153000Z"));
    EXPECT_TRUE(retimed.contains("SEQUENCE:3"));
    EXPECT_TRUE(retimed.contains("DTSTART;TZID=Europe/Rome:20261214T083000"));
    for (const char* kept : {"X-WR-CALNAME:Ufficio commerciale", "TRIGGER:-P0DT0H30M0S", "X-CALENDARIO-COLORE:#3F51B5",
                                "RRULE:FREQ=WEEKLY;BYDAY=MO;UNTIL=20270329T063000Z", "SUMMARY:Rinnovare l'abbonamento alla fiera",
                                "TZID:Europe/Rome"})
        EXPECT_TRUE(retimed.contains(QString::fromUtf8(kept))) << kept;
    EXPECT_TRUE(std::any_of(retimed.begin(), retimed.end(), [](const QString& l) {
        return l.startsWith("ATTENDEE;") && l.contains("CN=Anna Fabbri") && l.endsWith("anna.fabbri@vetreriaromagnola.example");
    }));
    const QStringList events = Check(file);
    ASSERT_EQ(events.size(), 5);
    EXPECT_EQ(events[0], presentation + "|20261210T140000Z|Presentazione listino a Ceramiche Bassi");

    // Read again from the file, as the next run does.
    auto again = OpenCalendarFolder(file);
    EXPECT_EQ(Find(*again, presentation)->Property("Start").toDateTime(), Rome(2026, 12, 10, 15, 0));
    EXPECT_EQ(Find(*again, presentation)->Text("Location"), QString::fromUtf8("Forlì, via Ravegnana 114; portineria"));
}

TEST_F(Calendar, AByteOrderMarkIsReadPastAndKept) {
    const QString marked = env.Root() + "/segnato.ics";
    ASSERT_TRUE(QFile::copy(QStringLiteral(BRIVALTO_TEST_DATA "/ical/calendar-bom.ics"), marked));
    QFile(marked).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    auto folder = OpenCalendarFolder(marked);
    ASSERT_EQ(folder->Items().Count(), 1);
    auto a = folder->Items().Item(1);
    EXPECT_EQ(a->Text("Subject"), "Revisione del contratto di fornitura");
    a->SetProperty("Location", "Forlì");
    a->Save();
    EXPECT_TRUE(Bytes(marked).startsWith("\xEF\xBB\xBF" "BEGIN:VCALENDAR\r\n"));
    EXPECT_EQ(Check(marked).size(), 1);
    EXPECT_EQ(OpenCalendarFolder(marked)->Items().Item(1)->Text("Location"), QString::fromUtf8("Forlì"));
}

TEST_F(Calendar, AFullDiskKeepsTheOldFileAndSaysSo) {
    const QByteArray before = Bytes(file);
    auto folder = OpenCalendarFolder(file);
    auto a = Find(*folder, presentation);
    a->SetProperty("Location", "Cesena");
    try {
        TestKit::FileSizeLimit full(64);
        a->Save();
        ADD_FAILURE() << "a save that could not be written must raise";
    } catch (const BasicError& e) {
        EXPECT_TRUE(e.Description().contains("Impossibile scrivere il calendario")) << e.Description().toStdString();
    }
    EXPECT_EQ(Bytes(file), before);
}

TEST_F(Calendar, NewAndDeletedAppointments) {
    auto folder = OpenCalendarFolder(file);
    auto made = folder->CreateItem();
    EXPECT_EQ(made->EntryID(), "");
    made->SetProperty("Start", QDateTime(QDate(2026, 12, 15), QTime(10, 0)));
    made->SetProperty("End", QDateTime(QDate(2026, 12, 15), QTime(11, 15)));
    made->SetProperty("Subject", "Visita, con \"campioni\"; e note\\varie");
    made->SetProperty("Location", "");
    made->SetProperty("Body", "Prima riga\r\nseconda riga con un testo abbastanza lungo da andare a capo nel file");
    made->Save();
    const QString id = made->EntryID();
    EXPECT_TRUE(id.endsWith("@brivalto"));
    EXPECT_EQ(folder->Items().Count(), 6);
    EXPECT_EQ(made->Property("LastModificationTime").toDateTime(), Utc(2026, 12, 7, 9, 0, 27));

    auto again = OpenCalendarFolder(file);
    auto read = Find(*again, id);
    EXPECT_EQ(read->Property("Start").toDateTime(), QDateTime(QDate(2026, 12, 15), QTime(10, 0)));
    EXPECT_EQ(read->Property("End").toDateTime(), QDateTime(QDate(2026, 12, 15), QTime(11, 15)));
    EXPECT_EQ(read->Text("Subject"), "Visita, con \"campioni\"; e note\\varie");
    EXPECT_EQ(read->Text("Body"), "Prima riga\nseconda riga con un testo abbastanza lungo da andare a capo nel file");
    const QStringList events = Check(file);
    EXPECT_EQ(events.size(), 6);

    // Deleted: gone from the folder and the file; the others stay.
    read->Delete();
    EXPECT_EQ(again->Items().Count(), 5);
    EXPECT_EQ(Check(file).size(), 5);
    EXPECT_EQ(OpenCalendarFolder(file)->Items().Count(), 5);
    try {
        read->Save();
        ADD_FAILURE() << "a deleted appointment cannot be saved";
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), kOutlookNotFound);
    }
}

TEST_F(Calendar, TheFileNamedInTheSettingsIsTheDefaultCalendar) {
    // Not set: no Outlook at all.
    EXPECT_THROW(OutlookApplication::Create(), BasicError);
    const QString fresh = env.Root() + "/nuovo.ics";
    SaveSetting(App::EXEName(), "Outlook", "FileCalendario", fresh);
    auto app = OutlookApplication::Create();
    auto calendar = app->GetNamespace("MAPI").GetDefaultFolder(olFolderCalendar);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->Items().Count(), 0);
    auto made = app->CreateItem(olAppointmentItem);
    made->SetProperty("Start", QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
    made->SetProperty("End", QDateTime(QDate(2026, 12, 9), QTime(9, 30)));
    made->SetProperty("Subject", "Prima");
    made->Save();
    EXPECT_EQ(app->Item(made->EntryID()), made);
    EXPECT_EQ(Check(fresh).size(), 1);

    // A file that is not a calendar raises when the folder is opened.
    const QString broken = env.Root() + "/rotto.ics";
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("questo non è un calendario\r\n");
    f.close();
    SaveSetting(App::EXEName(), "Outlook", "FileCalendario", broken);
    auto other = OutlookApplication::Create();
    EXPECT_THROW(other->GetNamespace("MAPI").GetDefaultFolder(olFolderCalendar), BasicError);
}

TEST_F(Calendar, LineFeedsAndAnEventWithoutItsUid) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Agenda di casa//IT\nBEGIN:VEVENT\nDTSTAMP:20261201T080000Z\n"
            "DTSTART:20261209T100000\nDURATION:PT45M\nSUMMARY:Dentista\nEND:VEVENT\nEND:VCALENDAR\n");
    f.close();
    auto folder = OpenCalendarFolder(file);
    auto a = folder->Items().Item(1);
    const QString id = a->EntryID();
    EXPECT_FALSE(id.isEmpty());
    EXPECT_EQ(a->Property("End").toDateTime(), QDateTime(QDate(2026, 12, 9), QTime(10, 45)));
    // A new start moves the end kept as a length into DTEND.
    a->SetProperty("Start", QDateTime(QDate(2026, 12, 9), QTime(11, 0)));
    a->SetProperty("End", QDateTime(QDate(2026, 12, 9), QTime(11, 45)));
    a->Save();
    const QByteArray text = Bytes(file);
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_FALSE(text.contains("DURATION"));
    EXPECT_TRUE(text.contains("UID:" + id.toUtf8() + "\n"));
    EXPECT_TRUE(text.contains("SEQUENCE:1\n"));
    auto again = OpenCalendarFolder(file);
    EXPECT_EQ(again->Items().Item(1)->EntryID(), id);
    EXPECT_EQ(again->Items().Item(1)->Property("End").toDateTime(), QDateTime(QDate(2026, 12, 9), QTime(11, 45)));
}

TEST_F(Calendar, ADamagedFileThatLoadsStillLoadsOnceSaved) {
    // Where the file's text and its lines end, and which line begins or ends
    // a component, are what libical reads: a NUL and a lone CR, a BEGIN
    // without its colon, a property with an empty parameter, a time zone after
    // the event (libical puts time zones first). Each loaded, and once an
    // appointment was saved it no longer did, or kept its old subject.
    const QDir damaged(QStringLiteral(BRIVALTO_TEST_DATA "/ical/damaged"));
    const QStringList names = damaged.entryList({"*.ics"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray before = Bytes(damaged.filePath(name));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(before);
        f.close();
        auto folder = OpenCalendarFolder(file);
        const int count = folder->Items().Count();
        QString changed;
        if (count > 0) {
            auto first = folder->Items().Item(1);
            changed = first->EntryID();
            first->SetProperty("Subject", "Riunione spostata");
            first->Save();
        }
        auto made = folder->CreateItem();
        made->SetProperty("Subject", "Nuovo appuntamento");
        made->SetProperty("Start", QDateTime(QDate(2026, 12, 15), QTime(10, 0)));
        made->SetProperty("End", QDateTime(QDate(2026, 12, 15), QTime(11, 0)));
        made->Save();
        std::shared_ptr<OutlookFolder> again;
        try {
            again = OpenCalendarFolder(file);
        } catch (const BasicError& e) {
            FAIL() << e.Description().toStdString();
        }
        EXPECT_EQ(again->Items().Count(), count + 1);
        if (count > 0) EXPECT_EQ(Find(*again, changed)->Text("Subject"), "Riunione spostata");
        EXPECT_EQ(Find(*again, made->EntryID())->Text("Subject"), "Nuovo appuntamento");
        // What follows the NUL stays as it was.
        const qsizetype nul = before.indexOf('\0');
        if (nul >= 0) EXPECT_TRUE(Bytes(file).endsWith(before.mid(nul)));
    }
}
