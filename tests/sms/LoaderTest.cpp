// The program's road to the control: load the library, drive the interface.
#include "TestHttpServer.h"
#include "qvxSMS2/Loader.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Events : Tessivo::__qvxSMS2 {
    int count = 0;
    void SendError() override { ++count; }
};

}  // namespace

TEST(Loader, ProgramDrivesTheLoadedControl) {
    TestHttp::Server gateway;
    ASSERT_TRUE(gateway.Start());
    qputenv("QVXSMS2_GATEWAY1_URL", gateway.Url().toUtf8());
    gateway.Enqueue(TestHttp::Response::Text(
        "<?xml version=\"1.0\"?><GEOSMS><REPORT><OK ORDERID=\"1\" MSISDN=\"3331\"/></REPORT>"
        "<USER CREDIT=\"41\" SENT=\"1\"/></GEOSMS>"));

    QWidget window;
    QString error;
    Tessivo::_qvxSMS2* sms = Tessivo::LoadControl(&window, QVXSMS2_LIBRARY, &error);
    ASSERT_NE(sms, nullptr) << error.toStdString();
    EXPECT_EQ(sms->Widget()->parentWidget(), &window);
    Events events;
    sms->SetEventSink(&events);

    sms->setUserName("mario");
    sms->setPassword("segreta");
    sms->setSender("BRIVALTO");
    sms->Destinations()->Clear();
    sms->Destinations()->Add("3331");
    sms->setMessage("CIAO");
    EXPECT_TRUE(sms->Send());
    EXPECT_EQ(sms->AccountSMSRemaining(), 41);
    ASSERT_EQ(gateway.Requests().size(), 1);
    EXPECT_TRUE(gateway.Requests()[0].body.contains("<DEST msisdn=\"3331\"/>"));

    sms->setMessage("");
    EXPECT_FALSE(sms->Send());
    EXPECT_EQ(events.count, 1);
    auto errors = sms->Errors();
    EXPECT_EQ(errors->Item(errors->Count())->Description(), "No message to send");

    try {
        sms->setDeferredTime(QDateTime::currentDateTime().addSecs(60));
        ADD_FAILURE() << "a time one minute ahead was accepted";
    } catch (const Tessivo::ComError& e) {
        EXPECT_EQ(e.Source, "DeferredTime");
    }
}

TEST(Loader, MissingLibraryIsReported) {
    QString error;
    EXPECT_EQ(Tessivo::LoadControl(nullptr, "/nonexistent/libqvxSMS2.so", &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}
