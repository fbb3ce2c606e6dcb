#include "CommonDialog.h"
#include "Errors.h"
#include "Outlook.h"
#include "Settings.h"
#include "TestKit.h"
#include "VCard.h"
#include "Values.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <thread>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace Platform;

namespace {
QString DataFile(const QString& name) { return QStringLiteral(BRIVALTO_TEST_DATA "/vcard/") + name; }

std::vector<std::shared_ptr<OutlookItem>> Read(const QString& name) {
    QFile f(DataFile(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return ContactsFromVCard(f.readAll());
}

void UseContacts(const QString& file) { SaveSetting(App::EXEName(), "Outlook", "FileContatti", file); }
}  // namespace

TEST(VCard, Version21AsOutlookWritesIt) {
    auto cards = Read("outlook21.vcf");
    ASSERT_EQ(cards.size(), 1u);
    const OutlookItem& c = *cards[0];
    EXPECT_EQ(c.Text("LastName"), "Verdi");
    EXPECT_EQ(c.Text("FirstName"), "Giuseppe");
    EXPECT_EQ(c.Text("Title"), "Dott.");
    EXPECT_EQ(c.Text("CompanyName"), "Verdi & Figli S.r.l.");
    EXPECT_EQ(c.Text("JobTitle"), "Direttore amministrativo con delega al personale");
    EXPECT_EQ(c.Text("BusinessTelephoneNumber"), "051 224466");
    EXPECT_EQ(c.Text("HomeTelephoneNumber"), "");  // only blanks in the file: no number
    EXPECT_EQ(c.Text("MobileTelephoneNumber"), "348 9988776");
    EXPECT_EQ(c.Text("BusinessFaxNumber"), "051 224467");
    // Quoted-printable over a soft line break, in Windows-1252.
    EXPECT_EQ(c.Text("BusinessAddressStreet"), QString::fromUtf8("Via dell’Indipendenza 8\r\nSecondo piano"));
    EXPECT_EQ(c.Text("BusinessAddress"),
              QString::fromUtf8("Via dell’Indipendenza 8\r\nSecondo piano\r\n40121 Bologna BO\r\nItalia"));
    EXPECT_EQ(c.Text("BusinessAddressCity"), "Bologna");
    EXPECT_EQ(c.Text("BusinessAddressState"), "BO");
    EXPECT_EQ(c.Text("BusinessAddressPostalCode"), "40121");
    EXPECT_EQ(c.Text("Categories"), "Fornitori, Emilia");
    EXPECT_EQ(c.Text("Email1Address"), "g.verdi@verdiefigli.example.it");
    EXPECT_EQ(c.Text("Body"), QString::fromUtf8("Ordina ogni mese: caffè e tè."));
}

TEST(VCard, Version21FoldsKeepTheBlankTheyFoldAt) {
    auto cards = Read("folded21.vcf");
    ASSERT_EQ(cards.size(), 1u);
    const OutlookItem& c = *cards[0];
    EXPECT_EQ(c.Text("CompanyName"), "Alfa Beta S.p.A.");
    EXPECT_EQ(c.Text("JobTitle"), "Responsabile commerciale per l'Emilia e la Romagna");
    EXPECT_EQ(c.Text("BusinessAddressStreet"), "Via Giuseppe Garibaldi 12");
    EXPECT_EQ(c.Text("BusinessAddressCity"), "Modena");
    // Soft line breaks join without a blank; a blank the next line begins with is text.
    EXPECT_EQ(c.Text("Body"),
              QString::fromUtf8("Consegne solo al mattino, dalle 8 alle 12; citofonare al magazzino, non all’ufficio."));
}

TEST(VCard, AByteOrderMarkIsNotPartOfTheFirstCard) {
    TestKit::Environment env;
    UseContacts(DataFile("contacts-bom.vcf"));
    auto app = OutlookApplication::Create();
    auto folder = app->GetNamespace("MAPI").GetDefaultFolder(olFolderContacts);
    ASSERT_NE(folder, nullptr);
    ASSERT_EQ(folder->Items().Count(), 2);
    EXPECT_EQ(folder->Items().Item(1)->Text("LastName"), "Galli");
    EXPECT_EQ(folder->Items().Item(1)->Text("BusinessAddressCity"), "Ravenna");
}

TEST(VCard, Version30WithGroupsFoldingAndEscapes) {
    auto cards = Read("contacts30.vcf");
    ASSERT_EQ(cards.size(), 2u);
    const OutlookItem& lucia = *cards[0];
    EXPECT_EQ(lucia.Text("CompanyName"), "Studio Ferrari, Neri e Associati");
    EXPECT_EQ(lucia.Text("Email1Address"), "lucia@example.org");  // the preferred one first
    EXPECT_EQ(lucia.Text("Email2Address"), "l.ferrari@studioferrari.example.it");
    EXPECT_EQ(lucia.Text("MobileTelephoneNumber"), "+39 335 111 2222");
    EXPECT_EQ(lucia.Text("HomeTelephoneNumber"), "02 8765432");
    // The work address is the business one even when the home one comes first.
    EXPECT_EQ(lucia.Text("BusinessAddressStreet"), "Piazza Duomo 1\r\nScala A");
    EXPECT_EQ(lucia.Text("BusinessAddressPostalCode"), "20122");
    EXPECT_EQ(lucia.Text("HomeAddressStreet"), "Corso Buenos Aires 5");
    EXPECT_EQ(lucia.Text("Body"), "Riferimento: pratica n. 42; urgente");
    EXPECT_EQ(lucia.EntryID(), "6F3A9B1C-1D2E-4F50-8A7B-0C1D2E3F4A5B");
    const OutlookItem& marco = *cards[1];
    EXPECT_EQ(marco.Text("Body"), "Una nota piegata su due righe che continua qui dopo lo spazio iniziale");
    EXPECT_EQ(marco.Text("BusinessTelephoneNumber"), "0521 334455");  // no type: the main number
    EXPECT_EQ(marco.Text("BusinessAddress"), "");  // a home address only
    EXPECT_EQ(marco.Text("HomeAddressCity"), "Parma");
    EXPECT_EQ(marco.EntryID(), "VCF00000002");
}

TEST(VCard, Version40UrisListsAndPreference) {
    auto cards = Read("contacts40.vcf");
    ASSERT_EQ(cards.size(), 1u);
    const OutlookItem& c = *cards[0];
    EXPECT_EQ(c.Text("Title"), "Ing.");
    EXPECT_EQ(c.Text("BusinessTelephoneNumber"), "+39-081-5551234");
    EXPECT_EQ(c.Text("MobileTelephoneNumber"), "+39-333-5556677");
    EXPECT_EQ(c.Text("BusinessFaxNumber"), "081 5551235");
    EXPECT_EQ(c.Text("Email1Address"), "chiara.esposito@example.com");
    EXPECT_EQ(c.Text("BusinessAddressCity"), "Napoli");
}

TEST(VCard, AnAddressBookProgramsExport) {
    auto cards = Read("abook.vcf");
    ASSERT_EQ(cards.size(), 2u);
    const OutlookItem& c = *cards[0];
    EXPECT_EQ(c.Text("LastName"), "Rossi");
    EXPECT_EQ(c.Text("BusinessAddressCity"), QString::fromUtf8("Forlì"));
    EXPECT_EQ(c.Text("BusinessAddress").section("\r\n", 0, 0), "Via Roma 12");
    EXPECT_EQ(c.Text("HomeTelephoneNumber"), "0543 123456");
    EXPECT_EQ(c.Text("BusinessTelephoneNumber"), "0543 654321");
    EXPECT_EQ(c.Text("BusinessFaxNumber"), "0543 111222");
    EXPECT_EQ(c.Text("Email1Address"), "mario.rossi@example.it");
    EXPECT_EQ(c.Text("Email2Address"), "m.rossi@lavoro.example.it");
}

TEST(VCard, DamagedInputNeverStopsTheReading) {
    struct Count : VCardSink {
        int begins = 0, ends = 0, props = 0, errors = 0;
        void BeginCard(int) override { ++begins; }
        void Property(const VCardProperty&) override { ++props; }
        void EndCard(int) override { ++ends; }
        void Error(int, const QString&) override { ++errors; }
    } count;
    ReadVCard("garbage\r\nEND:VCARD\r\nBEGIN:VCARD\r\nno colon here\r\nFN;X=\"unterminated:Anna\r\n"
              "EMAIL;ENCODING=QUOTED-PRINTABLE:a=\r\n=3D\r\nBEGIN:VCARD\nFN:Bea",
              count);
    EXPECT_EQ(count.begins, 2);
    EXPECT_EQ(count.ends, 2);  // the second closed at the end of the file
    EXPECT_GE(count.errors, 2);
    EXPECT_EQ(DecodeText("caff\xe8"), QString::fromUtf8("caffè"));
    EXPECT_EQ(DecodeText("\x80 100"), QString::fromUtf8("€ 100"));
    EXPECT_EQ(DecodeText("caff\xc3\xa8"), QString::fromUtf8("caffè"));
}

TEST(OutlookModel, NotAvailableWithoutAContactsFile) {
    TestKit::Environment env;
    EXPECT_THROW(OutlookApplication::Create(), BasicError);
    UseContacts(DataFile("contacts30.vcf"));
    auto app = OutlookApplication::Create();
    EXPECT_THROW(app->GetNamespace("EWS"), BasicError);
    auto& ns = app->GetNamespace("mapi");
    EXPECT_EQ(ns.GetDefaultFolder(olFolderCalendar), nullptr);
    auto folder = ns.GetDefaultFolder(olFolderContacts);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder, ns.GetDefaultFolder(olFolderContacts));  // kept
    EXPECT_EQ(folder->Items().Count(), 2);
    EXPECT_EQ(folder->Items().Item(2)->Text("LastName"), "Colombo");
    EXPECT_THROW(folder->Items().Item(3), BasicError);
    EXPECT_THROW(folder->Items().Item(0), BasicError);
    EXPECT_EQ(app->Item("6F3A9B1C-1D2E-4F50-8A7B-0C1D2E3F4A5B")->Text("FirstName"), "Lucia");
    EXPECT_THROW(app->Item("nessuno"), BasicError);
    EXPECT_THROW(app->CreateItem(olAppointmentItem), BasicError);  // no calendar here
    EXPECT_THROW(folder->Items().Item(1)->Save(), BasicError);      // the file is never written
}

TEST(OutlookModel, AContactsFileThatCannotBeReadRaisesWhenOpened) {
    TestKit::Environment env;
    UseContacts(env.Root() + "/manca.vcf");
    auto app = OutlookApplication::Create();
    EXPECT_THROW(app->GetNamespace("MAPI").GetDefaultFolder(olFolderContacts), BasicError);
}

TEST(OutlookModel, RestrictFiltersByTextAndDate) {
    TestKit::Environment env;
    // A folder kind of the test's own, with dated items, beside the contacts.
    struct Dated : OutlookItem {
        Dated(const QString& id, const QDateTime& when) {
            Put("EntryID", id);
            Put("LastModificationTime", when);
            Put("Subject", "Riunione " + id);
        }
    };
    struct Calendar : OutlookFolder {
        OutlookItems Items() override {
            return OutlookItems({std::make_shared<Dated>("a", QDateTime(QDate(2024, 3, 1), QTime(9, 0))),
                                 std::make_shared<Dated>("b", QDateTime(QDate(2024, 3, 2), QTime(18, 30)))});
        }
        std::shared_ptr<OutlookItem> CreateItem() override { return std::make_shared<Dated>("new", QDateTime()); }
    };
    RegisterOutlookFolder(olFolderCalendar, {[] { return true; }, [] { return std::make_shared<Calendar>(); }});
    auto app = OutlookApplication::Create();  // a calendar alone makes the application
    auto items = app->GetNamespace("MAPI").GetDefaultFolder(olFolderCalendar)->Items();
    EXPECT_EQ(items.Restrict("[LastModificationTime] > '2024-03-02'").Count(), 1);
    EXPECT_EQ(items.Restrict("[LastModificationTime] > '01/03/2024'").Count(), 2);
    EXPECT_EQ(items.Restrict("[Subject] = 'riunione A' OR [Subject] = 'Riunione b'").Count(), 2);
    EXPECT_EQ(items.Restrict("[Subject] <> 'Riunione a' AND [LastModificationTime] >= '2024-03-01'").Count(), 1);
    EXPECT_THROW(items.Restrict("Subject = a"), BasicError);
    EXPECT_EQ(app->CreateItem(olAppointmentItem)->EntryID(), "new");
    EXPECT_EQ(app->Item("b")->Text("Subject"), "Riunione b");
    ResetOutlookFolders();
    EXPECT_THROW(OutlookApplication::Create(), BasicError);
}

TEST(CommonDialogTest, CancelRaisesOnlyWhenAsked) {
    CommonDialog cd;
    cd.Filter = "File di testo|*.txt;*.csv";
    EXPECT_EQ(QtFilter(cd.Filter), "File di testo (*.txt *.csv)");
    FileDialogCall seen;
    auto previous = SetFileDialogHandler([&](const FileDialogCall& call) {
        seen = call;
        return QString();
    });
    cd.DialogTitle = "Scegli";
    cd.ShowOpen();
    EXPECT_EQ(seen.title, "Scegli");
    cd.CancelError = true;
    try {
        cd.ShowOpen();
        ADD_FAILURE();
    } catch (const BasicError& e) {
        EXPECT_EQ(e.Number(), cdlCancel);
    }
    SetFileDialogHandler([](const FileDialogCall&) { return QStringLiteral("/tmp/a.csv"); });
    cd.ShowOpen();
    EXPECT_EQ(cd.FileName, "/tmp/a.csv");
    SetFileDialogHandler(previous);
}

// Another program may cut the contacts file short while it is read (and write
// it again): the folder is read short or whole, never ending the program.
TEST(VCard, AFileCutShortWhileItIsReadIsNeverACrash) {
    QTemporaryDir dir;
    const QString path = dir.filePath("contatti.vcf");
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Rossi;Mario;;;\r\nFN:Mario Rossi\r\n"
                            "TEL;TYPE=WORK:0543 123456\r\nEMAIL:m@x.it\r\nEND:VCARD\r\n";
    const QByteArray whole = card.repeated(100000);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(whole), whole.size());
    }
    std::atomic<bool> stop{false};
    const QByteArray name = QFile::encodeName(path);
    std::thread otherProgram([&] {
        while (!stop) {
            (void)::truncate(name.constData(), 4096);
            ::usleep(1000);
            (void)::truncate(name.constData(), whole.size());
            ::usleep(1000);
        }
    });
    for (int i = 0; i < 20; ++i) {
        const int count = Platform::OpenContactsFolder(path)->Items().Count();
        EXPECT_LE(count, 100000);
    }
    stop = true;
    otherProgram.join();
}
