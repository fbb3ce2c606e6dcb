// Sending through the second gateway: the form post, its phrases, the credit.
#include "GatewayFixture.h"

using namespace Tessivo;
using TestHttp::Response;
using Items = std::vector<std::pair<qint32, QString>>;

namespace {

struct Idea : GatewayFixture {
    void SetUp() override {
        GatewayFixture::SetUp();
        sms->setProvider(prvIdea);
    }
    void Answer(const QByteArray& phrase, const QByteArray& credit = "Credito di 125 SMS") {
        server.Enqueue(Response::Text(phrase));
        server.Enqueue(Response::Text(credit));
    }
};

}  // namespace

TEST_F(Idea, FormPostAndCreditQuery) {
    sms->setUserName("mario rossi");
    sms->setPassword("a&b=c");
    sms->Destinations()->Add("+39 333");
    sms->setSender("Ditta");
    sms->setMessage(QString::fromUtf8("Caffè 5€ _\r\n"));
    Answer("OK");
    ASSERT_TRUE(sms->Send());

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/mycom_new/smspost/invio_sms.php");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_FALSE(requests[0].HasHeader("Accept"));
    EXPECT_EQ(requests[0].body,
              "user=mario%20rossi&pass=a%26b%3Dc&rcpt=393331112222&rcpt=%2B39%20333"
              "&sender=Ditta&data=Caff%E8%205%80%20%5F%0D%0A");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].target,
              "/mycom_new/smspost/crediti.php?user=mario%20rossi&pass=a%26b%3Dc&type=credit");
    EXPECT_EQ(sms->AccountSMSRemaining(), 125);
}

TEST_F(Idea, LongAccentedMessageGoesWhole) {
    QString text;
    while (text.size() < 500) text += QString::fromUtf8("àèìòù ");
    text.truncate(500);
    sms->setMessage(text);
    Answer("OK");
    ASSERT_TRUE(sms->Send());
    const QByteArray body = server.Requests().at(0).body;
    const QByteArray data = body.mid(body.indexOf("&data=") + 6);
    EXPECT_EQ(data.count('%'), 500);
    EXPECT_TRUE(data.startsWith("%E0%E8%EC%F2%F9%20%E0"));
}

TEST_F(Idea, AnswerPhrases) {
    EnableLog();
    struct Case {
        QByteArray answer;
        Items items;
        QString line;
    };
    const Case cases[] = {
        {"CREDITO ESAURITO", {{1, "Sending failed - no credit"}}, "Sending KO - no credit"},
        {"OK", {}, "Sending OK"},
        {"KO", {{3, "Sending failed"}}, "Sending KO"},
        {"MANCANO LE INDICAZIONI UTENTE", {{4, "Sending failed - wrong account"}}, "Sending KO - wrong account"},
        {"MANCA CAMPO", {{5, "Sending failed - missing data"}}, "Sending KO - missing data"},
        {"OK ", {}, ""},
        {"ok", {}, ""},
    };
    QStringList expected;
    int requests = 0;
    for (const Case& c : cases) {
        Answer(c.answer);
        EXPECT_EQ(sms->Send(), c.items.empty()) << c.answer.constData();
        EXPECT_EQ(ErrorItems(), c.items) << c.answer.constData();
        requests += 2;  // the credit is asked whatever the answer
        EXPECT_EQ(server.Requests().size(), requests);
        expected << kSeparator << "Inizio invio: dest.:393331112222";
        if (!c.line.isEmpty()) expected << c.line;
    }
    EXPECT_EQ(LogLines(), expected);
    EXPECT_EQ(sendErrors, 4);
}

TEST_F(Idea, CreditAnswers) {
    Answer("OK", "Hai a disposizione un credito di 125 SMS");
    sms->Send();
    EXPECT_EQ(sms->AccountSMSRemaining(), 125);
    Answer("OK", "Credito residuo di   98");  // the number closes the answer
    sms->Send();
    EXPECT_EQ(sms->AccountSMSRemaining(), 98);
    Answer("OK", "Credito: 40");  // no " di ": unchanged
    sms->Send();
    EXPECT_EQ(sms->AccountSMSRemaining(), 98);
    Answer("OK", "credito di nessun SMS");
    sms->Send();
    EXPECT_EQ(sms->AccountSMSRemaining(), 0);
}

TEST_F(Idea, FailuresAndErrorStatuses) {
    server.Enqueue(Response::Dropped());
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems().size(), 1u);
    EXPECT_EQ(ErrorItems()[0].first, 50013);
    EXPECT_EQ(server.Requests().size(), 1);  // no credit query after a lost send

    Answer("CREDITO ESAURITO", "");
    server.Enqueue(Response::Text("OK"));
    server.Enqueue(Response::Dropped());
    // First Send: the refusal, then the credit answer (empty, no " di ").
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{1, "Sending failed - no credit"}}));
    // Second Send: accepted, and only the credit query that follows is lost:
    // the message is sent, and the lost query goes to the log alone.
    EnableLog();
    const int raised = sendErrors;
    EXPECT_TRUE(sms->Send());
    EXPECT_TRUE(ErrorItems().empty());
    EXPECT_EQ(sendErrors, raised);
    ASSERT_FALSE(LogLines().isEmpty());
    EXPECT_EQ(LogLines()[LogLines().size() - 2], "Sending OK");
    EXPECT_TRUE(LogLines().last().startsWith("Credit query failed: ")) << LogLines().last().toStdString();

    // An accepted message whose credit query answers with an error status.
    server.Enqueue(Response::Text("OK"));
    server.Enqueue(Response::Text("credito di 7", 500));
    EXPECT_TRUE(sms->Send());
    EXPECT_TRUE(ErrorItems().empty());
    EXPECT_EQ(LogLines().last(), "Credit query failed: HTTP status 500");

    server.Enqueue(Response::Text("<html><title>Non trovato</title></html>", 404, "text/html"));
    server.Enqueue(Response::Text("credito di 7", 500));
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(ErrorItems(), Items({{50001, "Non trovato"}}));
    EXPECT_EQ(sms->AccountSMSRemaining(), -1);
}
