// Sending through the first gateway: validation, the XML request, answers.
#include "GatewayFixture.h"

#include "SmsText.h"

#include <QElapsedTimer>
#include <QUrl>

using namespace Tessivo;
using TestHttp::Response;
using Items = std::vector<std::pair<qint32, QString>>;

namespace {

const QByteArray kTwoOk =
    "<?xml version=\"1.0\"?>\n<GEOSMS><REPORT><OK ORDERID=\"77\" MSISDN=\"393331112222\"/>"
    "<ok orderid=\"78\" msisdn=\"393334445555\"/></REPORT><USER CREDIT=\"250\" SENT=\"2\"/></GEOSMS>";

Response Xml(const QByteArray& body, int status = 200) {
    return Response::Text(body, status, "text/xml");
}

struct Geodrop : GatewayFixture {};

}  // namespace

TEST_F(Geodrop, ValidationOrderAndNothingSent) {
    sms->setMessage("");
    sms->Destinations()->Clear();
    sms->setUserName("");
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50005, "No message to send"}}));
    EXPECT_EQ(sms->Errors()->Item(1)->Key(), "K1");

    sms->setMessage("CIAO");
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50006, "No destinations"}}));
    sms->Destinations()->Add("3331");
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50007, "No username supplied"}}));
    sms->setUserName("u");
    sms->setPassword("");
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50008, "No password supplied"}}));
    sms->setPassword("p");
    sms->setSender("");
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50009, "No sender supplied"}}));

    EXPECT_EQ(sendErrors, 5);
    EXPECT_EQ(sms->Destinations()->Count(), 1);  // kept for the next Send
    EXPECT_TRUE(server.Requests().isEmpty());
}

// A number reaches either gateway exactly as it is stored, or not at all:
// an XML reader would read a line break in the first gateway's attribute as a blank.
TEST_F(Geodrop, ANumberWithALineBreakIsRefusedBeforeSending) {
    for (ProviderType provider : {prvGeodrop, prvIdea}) {
        sms->setProvider(provider);
        sms->Destinations()->Clear();
        sms->Destinations()->Add("393331112222");
        sms->Destinations()->Add("3933\r\n1");
        EXPECT_FALSE(sms->Send());
        EXPECT_EQ(ErrorItems(), Items({{50015, "numero di cellulare non valido (contiene un a capo o un carattere di "
                                               "controllo): 3933 1"}}));
        sms->Destinations()->Clear();
        sms->Destinations()->Add(QString("39\t333") + QChar(0x85));
        EXPECT_FALSE(sms->Send());
        EXPECT_EQ(ErrorItems().at(0).first, 50015);
        // The line and paragraph separators break a line as well.
        for (char16_t separator : {u'\u2028', u'\u2029'}) {
            sms->Destinations()->Clear();
            sms->Destinations()->Add(QString("3933") + QChar(separator) + "1");
            EXPECT_FALSE(sms->Send());
            EXPECT_EQ(ErrorItems(), Items({{50015, "numero di cellulare non valido (contiene un a capo o un carattere di "
                                                   "controllo): 3933 1"}}));
        }
    }
    EXPECT_TRUE(server.Requests().isEmpty());
}

TEST_F(Geodrop, LengthAndCharacterSet) {
    server.SetHandler([](const TestHttp::Request&) { return Xml(kTwoOk); });
    sms->setMessage(QString(160, 'a'));
    EXPECT_TRUE(sms->Send());
    sms->setMessage(QString(160, 'A') + "_");  // too long wins over the bad character
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50012, "Message too long"}}));

    sms->setMessage(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCXYZ abcxyz");
    EXPECT_TRUE(sms->Send());
    for (const QString& bad : {QString("A_B"), QString("RIGA\r\nDUE"), QString::fromUtf8("CITTÀ"),
                               QString("[X]"), QString("a~")}) {
        sms->setMessage(bad);
        EXPECT_FALSE(sms->Send()) << bad.toStdString();
        EXPECT_EQ(ErrorItems(), Items({{50011, "Invalid char in message"}}));
    }
    EXPECT_EQ(server.Requests().size(), 2);
}

TEST_F(Geodrop, RequestBodyAndHeaders) {
    server.Enqueue(Xml(kTwoOk));
    sms->Destinations()->Add("393334445555");
    sms->setMessage("A & B <C> \"D\"");
    sms->setSender("O'BRIEN&CO");
    ASSERT_TRUE(sms->Send());

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1);
    const TestHttp::Request& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/users/sms");
    EXPECT_EQ(r.body,
              "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<GEOSMS>\r\n<MESSAGE content=\"text\">\r\n"
              "<TEXT>A &amp; B &lt;C&gt; &quot;D&quot;</TEXT>\r\n</MESSAGE>\r\n<LIST>\r\n"
              "<DEST msisdn=\"393331112222\"/>\r\n<DEST msisdn=\"393334445555\"/>\r\n</LIST>\r\n"
              "<TPOA>O&apos;BRIEN&amp;CO</TPOA>\r\n</GEOSMS>");
    QList<QByteArray> names;
    for (const auto& [name, value] : r.headers) names << name.toLower();
    EXPECT_EQ(names, QList<QByteArray>({"host", "authorization", "content-length", "content-type"}));
    EXPECT_EQ(r.Header("Host"), "127.0.0.1:" + QByteArray::number(server.Port()));
    EXPECT_EQ(r.Header("Authorization"), "Basic " + QByteArray("mario:segreta").toBase64());
    EXPECT_EQ(r.Header("Content-Length"), QByteArray::number(r.body.size()));
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(Geodrop, DeferredTimeIsScheduled) {
    const QDateTime now(QDate(2026, 12, 7), QTime(9, 15));
    sms->SetClock([now] { return now; });
    sms->setDeferredTime(QDateTime(QDate(2026, 12, 7), QTime(18, 30, 45)));
    server.Enqueue(Xml(kTwoOk));
    server.Enqueue(Xml(kTwoOk));
    ASSERT_TRUE(sms->Send());
    ASSERT_TRUE(sms->Send());  // kept for later sends until set again
    for (const auto& r : server.Requests())
        EXPECT_TRUE(r.body.endsWith(
            "<TPOA>BRIVALTO</TPOA>\r\n<DEFERREDTIME>2026-12-07 18:30:00</DEFERREDTIME></GEOSMS>"));
}

TEST_F(Geodrop, ReportOutcomesCreditAndLog) {
    EnableLog();
    sms->Destinations()->Add("393334445555");
    server.Enqueue(Xml(kTwoOk));
    ASSERT_TRUE(sms->Send());
    EXPECT_EQ(sms->AccountSMSRemaining(), 250);

    server.Enqueue(Xml("<?xml version=\"1.0\"?><GEOSMS><REPORT><OK ORDERID=\"9\" MSISDN=\"393331112222\"/>"
                       "<KO REASON=\"1\" MSISDN=\"393334445555\"/></REPORT></GEOSMS>"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{1, "Sending to 393334445555 failed"}}));
    EXPECT_EQ(sms->AccountSMSRemaining(), 250);  // no USER: unchanged
    EXPECT_EQ(sendErrors, 1);

    server.Enqueue(Xml("<?xml version=\"1.0\"?><GEOSMS><BAD CODE=\"12\" DESCRIPTION=\"Bad XML\"/>"
                       "<user credit=\"12.5\"/></GEOSMS>"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{12, "Bad XML"}}));
    EXPECT_EQ(sms->AccountSMSRemaining(), 12);  // half to the even neighbour

    const QString start = "Inizio invio: dest.:393331112222dest.:393334445555";
    EXPECT_EQ(LogLines(), QStringList({kSeparator, start,
                                       "Sent to 393331112222 OK - ORDERID=77",
                                       "Sent to 393334445555 OK - ORDERID=78",
                                       "USER CREDIT=\"250\" SENT=\"2\"",
                                       kSeparator, start,
                                       "Sent to 393331112222 OK - ORDERID=9",
                                       "Send to 393334445555 ERRCODE:1",
                                       kSeparator, start,
                                       "Error: XML is malformed",
                                       "user credit=\"12.5\""}));
}

TEST_F(Geodrop, AnswersThatReportNothing) {
    // A lower-case report is neither a report nor a refusal.
    server.Enqueue(Xml("<?xml version=\"1.0\"?><GEOSMS><report><KO REASON=\"1\" MSISDN=\"1\"/></report></GEOSMS>"));
    EXPECT_TRUE(sms->Send());
    // A code that is no number makes the whole answer the error.
    const QByteArray odd = "<?xml version=\"1.0\"?><GEOSMS><REPORT><KO REASON=\"x\" MSISDN=\"1\"/></REPORT></GEOSMS>";
    server.Enqueue(Xml(odd));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50010, QString::fromLatin1(odd)}}));
    // So does a root with nothing in it.
    server.Enqueue(Xml("<?xml version=\"1.0\"?><GEOSMS/>"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems().at(0).first, 50010);
}

TEST_F(Geodrop, ErrorPages) {
    server.Enqueue(Response::Text(""));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50010, ""}}));

    server.Enqueue(Response::Text("<HTML><HEAD><TITLE lang=\"it\">Accesso negato</TITLE></HEAD><BODY><P>x</BODY></HTML>", 401, "text/html"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50001, "Accesso negato"}}));

    server.Enqueue(Response::Text("Servizio<br>sospeso"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50010, "Servizio\r\nsospeso"}}));

    // An unclosed title: the cutter's error, then the page's text.
    server.Enqueue(Response::Text("<title>Errore"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50002, "Malformed HTML message (no tag end '</TITLE>')"},
                                   {50010, "<title>Errore"}}));

    // A well-formed page with an error status that the rules do not catch.
    server.Enqueue(Xml("<html><head><title>Errore interno</title></head><body/></html>", 500));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50001, "Errore interno"}}));
    server.Enqueue(Xml("<?xml version=\"1.0\"?><GEOSMS><REPORT><OK ORDERID=\"1\" MSISDN=\"1\"/></REPORT></GEOSMS>", 503));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems().at(0).first, 50010);
    EXPECT_EQ(sendErrors, 6);
}

TEST_F(Geodrop, TagCutter) {
    EnableLog();
    EXPECT_EQ(sms->GetTagContent("<HTML><TITLE id=\"t\">Pagina</TITLE>", "title"), "Pagina");
    EXPECT_EQ(sms->GetTagContent("<b>uno <b>due</b> tre</b>", "B"), "uno <b>due</b> tre");
    EXPECT_EQ(sms->GetTagContent("niente", "TITLE"), "");
    EXPECT_EQ(sms->GetTagContent("<x a=\"1\"/><y/>", ""), "x a=\"1\"");
    EXPECT_EQ(sms->Errors()->Count(), 0);

    EXPECT_EQ(sms->GetTagContent("<b>uno <b>due</b>", "B"), "");
    EXPECT_EQ(sms->GetTagContent("<TITLE</TITLE>", "TITLE"), "");
    const Items items = ErrorItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], std::make_pair(50003, QString("Malformed HTML message (unbalanced tag 'B')")));
    EXPECT_EQ(items[1].first, 50004);
    EXPECT_TRUE(items[1].second.startsWith("Parsing error: "));
    EXPECT_TRUE(items[1].second.endsWith(" on tag 'TITLE')"));
    EXPECT_EQ(LogLines(), QStringList({items[0].second, items[1].second}));
}

// Answers made to do harm end in an error item, in bounded time and memory.
TEST_F(Geodrop, HostileAnswersAreBounded) {
    QByteArray deep = "<?xml version=\"1.0\"?><GEOSMS>";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    for (int i = 0; i < 100000; ++i) deep += "</a>";
    deep += "</GEOSMS>";
    server.Enqueue(Xml(deep));
    EXPECT_FALSE(sms->Send());
    ASSERT_EQ(ErrorItems().size(), 1u);
    EXPECT_EQ(ErrorItems()[0].first, 50010);

    QByteArray huge = "<?xml version=\"1.0\"?><GEOSMS>";
    for (int i = 0; i < 1000000; ++i) huge += "<a>";
    for (int i = 0; i < 1000000; ++i) huge += "</a>";
    server.Enqueue(Xml(huge + "</GEOSMS>"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50013, "la risposta del gateway SMS supera 1048576 byte"}}));

    // Entities that grow without end are not expanded.
    server.Enqueue(Xml("<?xml version=\"1.0\"?><!DOCTYPE G [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
                       "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                       "<GEOSMS><BAD CODE=\"1\" DESCRIPTION=\"&b;&b;&b;\"/></GEOSMS>"));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems().at(0).first, 50010);

    // An error page of many openings of the tag is cut in linear time.
    QString page = "<TITLE>";
    for (int i = 0; i < 150000; ++i) page += "<TITLE";
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(sms->GetTagContent(page + "</TITLE>", "TITLE"), "");
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(ErrorItems().back().first, 50003);
}

// Each cause is told in Italian; the transfer library's own words go to the log alone.
TEST_F(Geodrop, TransportFailuresAreErrorItems) {
    EnableLog();
    server.Enqueue(Response::Dropped());
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50013, QString::fromUtf8("il collegamento con il gateway SMS si è interrotto")}}));

    Response slow = Xml(kTwoOk);
    slow.delayMs = 3000;
    server.Enqueue(slow);
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50013, "il gateway SMS non ha risposto in tempo"}}));

    slow.delayMs = 300;
    server.Enqueue(slow);
    EXPECT_TRUE(sms->Send());

    const QString address = QUrl(server.Url()).host() + ":" + QString::number(QUrl(server.Url()).port());
    server.Stop();  // refused
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50013, "impossibile collegarsi al gateway SMS " + address}}));
    EXPECT_EQ(sendErrors, 3);
    const QStringList log = LogLines();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().startsWith(ErrorItems()[0].second + " (HTTP request failed: ")) << log.last().toStdString();
    EXPECT_TRUE(log.last().contains("onnect")) << log.last().toStdString();

}

TEST_F(Geodrop, UnknownProviderSendsNothing) {
    sms->setProvider(ProviderType(3));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50014, "gestore SMS sconosciuto"}}));
    EXPECT_TRUE(server.Requests().isEmpty());
}

TEST_F(Geodrop, ErrorsOfEarlierSendsStayWithTheirHolder) {
    sms->setMessage("");
    sms->Send();
    const auto first = sms->Errors();
    sms->setMessage("CIAO");
    sms->setSender("");
    sms->Send();
    EXPECT_NE(first, sms->Errors());
    EXPECT_EQ(first->Item(1)->Number(), 50005);
    EXPECT_EQ(sms->Errors()->Item(1)->Number(), 50009);
}

TEST(SmsText, ValAndRounding) {
    EXPECT_EQ(SmsText::Val("250"), 250);
    EXPECT_EQ(SmsText::Val(" 1 2 5 SMS"), 125);
    EXPECT_EQ(SmsText::Val("-3.5e1x"), -35);
    EXPECT_EQ(SmsText::Val("abc"), 0);
    EXPECT_EQ(SmsText::RoundLong(2.5), 2);
    EXPECT_EQ(SmsText::RoundLong(3.5), 4);
    EXPECT_EQ(SmsText::RoundLong(1e12), 2147483647);
}

TEST_F(Geodrop, LogFollowsTheSetters) {
    server.SetHandler([](const TestHttp::Request&) { return Xml(kTwoOk); });
    // On only through the stored properties: the log is never made active.
    sms->ReadProperties({{"EventLog", true}, {"EventLogPath", dir.path() + "/"}, {"Sender", "S"},
                         {"Username", "u"}, {"Password", "p"}});
    ASSERT_TRUE(sms->Send());
    EXPECT_FALSE(QFile::exists(dir.filePath("SMS.log")));

    EnableLog();
    ASSERT_TRUE(sms->Send());
    EXPECT_TRUE(QFile::exists(dir.filePath("SMS.log")));

    QTemporaryDir other;
    sms->setEventLogPath(other.path());  // no trailing separator given
    ASSERT_TRUE(sms->Send());
    EXPECT_TRUE(QFile::exists(other.filePath("SMS.log")));

    sms->setEventLog(false);
    const qint64 size = QFileInfo(other.filePath("SMS.log")).size();
    ASSERT_TRUE(sms->Send());
    EXPECT_EQ(QFileInfo(other.filePath("SMS.log")).size(), size);
}
