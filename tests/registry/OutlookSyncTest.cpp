// The exchange of activities with a calendar file another calendar program
// exported: both ways, with the file staying valid for an independent reader.
#include "Errors.h"
#include "IcsCheck.h"
#include "Outlook.h"
#include "OutlookImpEx.h"
#include "RegistryDb.h"
#include "Settings.h"

#include <QFile>
#include <QLocale>
#include <QTimeZone>

using namespace Platform;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 0));
const QString kPresentation = "7kq2c4m1v8s0bq3l5n9e2d6r1t@calendario.example";
const QString kSeries = "4r8t1y6u3i9o@calendario.example";
const QString kMoved = kSeries + "#20261221T083000";
const QString kCall = "e1f2'a3b4@calendario.example";  // an apostrophe in an entry id
const QString kAllDay = "0c5d2e8f1a4b@calendario.example";

QDateTime Rome(int mo, int d, int h, int mi) {
    return QDateTime(QDate(2026, mo, d), QTime(h, mi), QTimeZone("Europe/Rome")).toLocalTime();
}
QDateTime Utc(int mo, int d, int h, int mi) {
    return QDateTime(QDate(2026, mo, d), QTime(h, mi), QTimeZone::utc()).toLocalTime();
}
QDateTime Local(int mo, int d, int h, int mi) { return QDateTime(QDate(2026, mo, d), QTime(h, mi)); }

// A text of exactly n characters made of the given words.
QString Long(const QString& words, int n) {
    QString text;
    while (text.size() < n) text += words;
    return text.left(n);
}

QByteArray Bytes(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class Sync : public RegistryDb {
protected:
    void SetUp() override {
        RegistryDb::SetUp();
        env.SetClock(kNow);
        file = env.Root() + "/calendario.ics";
        QByteArray ics = Bytes(QStringLiteral(BRIVALTO_TEST_DATA "/ical/esportazione.ics"));
        // The other program renamed one event and changed the series today.
        ics.replace("UID:e1f2a3b4c5d6@calendario.example", "UID:" + kCall.toUtf8());
        ics.replace("DESCRIPTION:Ordini della settimana e consegne in ritardo.\r\nLAST-MODIFIED:20261101T100000Z",
                    "DESCRIPTION:Ordini della settimana e consegne in ritardo.\r\nLAST-MODIFIED:20261207T080000Z");
        ics.replace("SUMMARY:Riunione del lunedì\r\n", "SUMMARY:Riunione commerciale del lunedì\r\n");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ics);
        f.close();
        SaveSetting(App::EXEName(), "Outlook", "FileCalendario", file);
    }
    void TearDown() override { ResetOutlookFolders(); }

    void Activity(int id, const QVariant& start, const QVariant& end, const QVariant& place, const QVariant& text,
                  const QVariant& note, const QVariant& entryId, const QVariant& stamp) {
        cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,TIPOCONT,DATA,DATAFINE,LUOGO,DESCRIZIONE,[NOTE],OUTL_ID,U_MOD) "
                   "VALUES (?,'ANNA','V',?,?,?,?,?,?,?)",
                   {id, start, end, place, text, note, entryId, stamp});
    }
    QVariant Value(const QString& sql, const QVariantList& params = {}) {
        ADODB::Recordset rs;
        rs.Open(sql, cn, ADODB::adOpenForwardOnly, ADODB::adLockReadOnly, params);
        return rs.EOF_() ? QVariant() : rs.Fields(0).Value();
    }
    QString Column(int id, const QString& column) {
        return Value("SELECT " + column + " FROM CONTATTI WHERE IDCONT=?", {id}).toString();
    }
    QDateTime Time(int id, const QString& column) {
        return Value("SELECT " + column + " FROM CONTATTI WHERE IDCONT=?", {id}).toDateTime();
    }
    // Every activity row as text, to see that a run changed nothing.
    QStringList Dump() {
        QStringList rows;
        ADODB::Recordset rs;
        rs.Open("SELECT * FROM CONTATTI ORDER BY IDCONT", cn);
        for (; !rs.EOF_(); rs.MoveNext()) {
            QStringList values;
            for (int i = 0; i < rs.FieldCount(); ++i) values << rs.Fields(i).Value().toString();
            rows << values.join('|');
        }
        return rows;
    }
    std::shared_ptr<OutlookItem> Appointment(const QString& entryId) {
        return OpenCalendarFolder(file)->Items().Item(entryId);
    }
    QStringList Check() { return CheckIcs(QStringLiteral(BRIVALTO_TEST_DATA "/ical/check_ics.py"), file); }

    QString file;
};

// A calendar whose appointments cannot be saved, as a full disk would have it.
class FailingItem : public OutlookItem {
public:
    void SetProperty(const QString& name, const QVariant& value) override { Put(name, value); }
    void Save() override { Err().Raise(70, QStringLiteral("Permesso negato")); }
};
class FailingCalendar : public OutlookFolder {
public:
    OutlookItems Items() override { return {}; }
    std::shared_ptr<OutlookItem> CreateItem() override { return std::make_shared<FailingItem>(); }
};

}  // namespace

TEST_F(Sync, BothWaysWithTheExportedCalendar) {
    // New, and in the future: pushed as a new appointment.
    Activity(1, Local(12, 8, 9, 0), Local(12, 8, 10, 0), "sede", "Visita Rossi", QVariant(), QVariant(), Local(12, 1, 12, 0));
    // Linked; changed here after the calendar: the calendar takes it.
    Activity(2, Local(12, 10, 15, 0), Local(12, 10, 16, 30), "Forlì", "Presentazione listino (nuovo orario)",
             "Portare i campioni", kPresentation, Local(12, 5, 12, 0));
    // Linked; changed in the calendar on an earlier day, still in the future: taken from there.
    Activity(3, Local(12, 21, 8, 30), Local(12, 21, 9, 0), "Sala", "Riunione", QVariant(), kMoved, Local(11, 20, 12, 0));
    // Past, but its appointment changed today: pulled.
    Activity(4, Local(11, 30, 8, 30), Local(11, 30, 9, 0), "Sala", "Riunione", QVariant(), kSeries, Local(12, 1, 12, 0));
    // Never stamped: the activity is the newer side.
    Activity(5, Local(12, 11, 15, 0), Local(12, 11, 16, 0), "Studio", "Richiamare Studio Gentili", "preventivo", kCall,
             QVariant());
    // Its appointment is gone: linked to a new one.
    Activity(6, Local(12, 9, 11, 0), Local(12, 9, 12, 0), "sede", "Consegna", QVariant(), "sparito@altrove",
             Local(12, 1, 12, 0));
    // Nothing but a start.
    Activity(7, Local(12, 12, 9, 0), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant());
    // Past and never linked: left alone.
    Activity(8, Local(12, 2, 9, 0), Local(12, 2, 10, 0), "sede", "Vecchia", QVariant(), QVariant(), Local(12, 2, 12, 0));
    for (const QVariant& id : {QVariant("sparito@altrove"), QVariant(""), QVariant(), QVariant(kAllDay)})
        cn.Execute("INSERT INTO OUTLOOKINSERTED (ENTRYID) VALUES (?)", {id});

    OutlookImpEx outlook;
    EXPECT_TRUE(outlook.SyncOutlookAppointments(cn));
    EXPECT_TRUE(env.Boxes().isEmpty()) << env.Prompts().join('\n').toStdString();

    // Pushed and linked.
    const QString made = Column(1, "OUTL_ID");
    EXPECT_TRUE(made.endsWith("@brivalto"));
    auto a1 = Appointment(made);
    EXPECT_EQ(a1->Property("Start").toDateTime(), Local(12, 8, 9, 0));
    EXPECT_EQ(a1->Property("End").toDateTime(), Local(12, 8, 10, 0));
    EXPECT_EQ(a1->Text("Subject"), "Visita Rossi");
    EXPECT_EQ(a1->Text("Location"), "sede");
    EXPECT_EQ(a1->Text("Body"), "");
    auto a2 = Appointment(kPresentation);
    EXPECT_EQ(a2->Property("Start").toDateTime(), Local(12, 10, 15, 0));
    EXPECT_EQ(a2->Property("End").toDateTime(), Local(12, 10, 16, 30));
    EXPECT_EQ(a2->Text("Subject"), "Presentazione listino (nuovo orario)");
    EXPECT_EQ(a2->Text("Body"), "Portare i campioni");
    auto a5 = Appointment(kCall);
    EXPECT_EQ(a5->Text("Location"), "Studio");
    EXPECT_EQ(a5->Property("Start").toDateTime(), Local(12, 11, 15, 0));

    // Pulled from the calendar.
    EXPECT_EQ(Time(3, "DATA"), Rome(12, 21, 10, 0));
    EXPECT_EQ(Time(3, "DATAFINE"), Rome(12, 21, 10, 30));
    EXPECT_EQ(Column(3, "DESCRIZIONE"), QString::fromUtf8("Riunione del lunedì (spostata)"));
    EXPECT_EQ(Column(3, "LUOGO"), "Sala riunioni");
    EXPECT_EQ(Time(3, "U_MOD"), Utc(11, 30, 17, 0));
    EXPECT_EQ(Column(4, "DESCRIZIONE"), QString::fromUtf8("Riunione commerciale del lunedì"));
    EXPECT_EQ(Column(4, "NOTE"), "Ordini della settimana e consegne in ritardo.");
    EXPECT_EQ(Time(4, "DATA"), Rome(12, 14, 8, 30));
    EXPECT_EQ(Time(4, "U_MOD"), Utc(12, 7, 8, 0));

    // Relinked, with nulls, and the orphans gone from the calendar and the table.
    const QString relinked = Column(6, "OUTL_ID");
    EXPECT_NE(relinked, "sparito@altrove");
    EXPECT_FALSE(relinked.isEmpty());
    auto a7 = Appointment(Column(7, "OUTL_ID"));
    EXPECT_EQ(a7->Property("End").toDateTime(), Local(12, 12, 9, 0));
    EXPECT_EQ(a7->Text("Subject"), "");
    EXPECT_TRUE(Column(8, "OUTL_ID").isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM OUTLOOKINSERTED"), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM OUTLOOKINSERTED WHERE ENTRYID IN (SELECT OUTL_ID FROM CONTATTI WHERE IDCONT IN (1,6,7))"), 3);
    EXPECT_THROW(Appointment(kAllDay), BasicError);

    // Valid for another reader, with the other program's own lines kept.
    const QStringList events = Check();
    EXPECT_EQ(events.size(), 7);
    const QByteArray text = Bytes(file);
    for (const char* kept : {"X-WR-CALNAME:Ufficio commerciale", "BEGIN:VTODO", "TRIGGER:-P0DT0H30M0S",
                             "RRULE:FREQ=WEEKLY;BYDAY=MO;UNTIL=20270329T063000Z", "X-CALENDARIO-COLORE:#3F51B5"})
        EXPECT_TRUE(text.contains(kept)) << kept;

    // A second run finds both sides in line and changes nothing.
    const QStringList rows = Dump();
    env.SetClock(kNow.addSecs(600));
    EXPECT_TRUE(outlook.SyncOutlookAppointments(cn));
    EXPECT_EQ(Bytes(file), text);
    EXPECT_EQ(Dump(), rows);
}

TEST_F(Sync, TextsTooLongForTheActivityStayWholeOnBothSides) {
    // Made longer in the calendar today than the activity's columns hold.
    const QString subject = Long("Listino 2027 per Ceramiche Bassi; ", 268);
    const QString place = Long(QString::fromUtf8("Forlì, via Ravegnana 112, scala B; "), 130);
    {
        auto folder = OpenCalendarFolder(file);
        auto a = folder->Items().Item(kPresentation);
        a->SetProperty("Subject", subject);
        a->Save();
        auto b = folder->Items().Item(kCall);
        b->SetProperty("Location", place);
        b->Save();
    }
    Activity(2, Local(12, 10, 9, 30), Local(12, 10, 11, 0), "Forlì", "Presentazione listino", "Portare i campioni",
             kPresentation, Local(12, 1, 8, 0));
    Activity(5, Local(12, 11, 15, 0), Local(12, 11, 16, 0), "Studio", "Richiamare Studio Gentili", QVariant(), kCall,
             Local(11, 28, 8, 0));
    const QStringList rows = Dump();

    OutlookImpEx outlook;
    EXPECT_TRUE(outlook.SyncOutlookAppointments(cn));
    // One message for each pair, by the push alone; the cause on lines of its own.
    ASSERT_EQ(env.Prompts().size(), 2) << env.Prompts().join('\n').toStdString();
    const QStringList subjectBox = env.Prompts()[0].split("\r\n");
    ASSERT_EQ(subjectBox.size(), 3);
    EXPECT_TRUE(subjectBox[0].startsWith(QString::fromUtf8("Errore Il campo è troppo piccolo"))) << subjectBox[0].toStdString();
    EXPECT_TRUE(subjectBox[0].endsWith(" cercando di sincronizare gli appuntamenti OutlookEntryId:" + kPresentation +
                                       "/Brivalto 2"));
    EXPECT_EQ(subjectBox[1], QString::fromUtf8("L'oggetto dell'appuntamento ha 268 caratteri, la descrizione "
                                               "dell'attività ne contiene al massimo 255."));
    EXPECT_EQ(subjectBox[2], QString::fromUtf8("L'attività e l'appuntamento restano come sono."));
    const QStringList placeBox = env.Prompts()[1].split("\r\n");
    ASSERT_EQ(placeBox.size(), 3);
    EXPECT_TRUE(placeBox[0].endsWith("OutlookEntryId:" + kCall + "/Brivalto 5"));
    EXPECT_EQ(placeBox[1], QString::fromUtf8("Il luogo dell'appuntamento ha 130 caratteri, il luogo dell'attività "
                                             "ne contiene al massimo 100."));

    // Neither the rows nor the calendar's texts were shortened.
    EXPECT_EQ(Dump(), rows);
    EXPECT_EQ(Appointment(kPresentation)->Text("Subject"), subject);
    EXPECT_EQ(Appointment(kCall)->Text("Location"), place);
    Check();
}

TEST_F(Sync, WithoutACalendarOrWhenASaveFails) {
    Activity(1, Local(12, 8, 9, 0), Local(12, 8, 10, 0), "sede", "Visita", QVariant(), QVariant(), Local(12, 1, 12, 0));
    OutlookImpEx outlook;
    // No Outlook on this workstation.
    SaveSetting(App::EXEName(), "Outlook", "FileCalendario", "");
    EXPECT_FALSE(outlook.SyncOutlookAppointments(cn));
    ASSERT_EQ(env.Prompts().size(), 2);
    EXPECT_EQ(env.Prompts()[1], "Outlook non installato");

    // Outlook, but no calendar: the run's own trap.
    env.ClearBoxes();
    SaveSetting(App::EXEName(), "Outlook", "FileContatti", env.Root() + "/rubrica.vcf");
    EXPECT_FALSE(outlook.SyncOutlookAppointments(cn));
    ASSERT_EQ(env.Boxes().size(), 1);
    EXPECT_EQ(env.Boxes()[0].title, "OutlookImpEx-SyncOutlookApp");

    // An appointment that cannot be saved is never linked; the run goes on.
    env.ClearBoxes();
    RegisterOutlookFolder(olFolderCalendar, {[] { return true; }, [] { return std::make_shared<FailingCalendar>(); }});
    EXPECT_TRUE(outlook.SyncOutlookAppointments(cn));
    EXPECT_EQ(env.Prompts(), QStringList{"Errore Permesso negato cercando di sincronizare gli appuntamenti "
                                         "OutlookEntryId:/Brivalto 1"});
    EXPECT_TRUE(Column(1, "OUTL_ID").isEmpty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM OUTLOOKINSERTED"), 0);

    // The filter's date: the short format with the whole year.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(outlook.GetDateInLocalFormat(kNow), "07/12/2026");
    QLocale::setDefault(QLocale::c());
}
