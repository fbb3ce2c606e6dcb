// The control as a component: collections, properties, stored properties.
#include "qvxSMS2.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace Tessivo;

namespace {

struct Site : qvxSMS2Site {
    bool userMode = true;
    QStringList changed;
    bool AmbientUserMode() const override { return userMode; }
    void PropertyChanged(const QString& name) override { changed << name; }
};

template <typename F>
qint32 ErrorNumber(F&& call) {
    try {
        call();
    } catch (const ComError& e) {
        return e.Number;
    }
    return 0;
}

const QDateTime kNow(QDate(2026, 12, 7), QTime(12, 0));

}  // namespace

TEST(Collections, DestinationsKeyedByNumber) {
    mDestinations list;
    auto a = list.Add("333111");
    auto again = list.Add("333111");
    auto b = list.Add("333222");
    ASSERT_TRUE(again);
    EXPECT_NE(a, again);  // returned, but not added
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(1), a);
    EXPECT_EQ(list.Item(QString("333222")), b);
    EXPECT_EQ(ErrorNumber([&] { list.Item(3); }), 9);
    EXPECT_EQ(ErrorNumber([&] { list.Item(QString("999")); }), 5);
    list.Remove(QString("333111"));
    ASSERT_EQ(list.NewEnum().size(), 1);
    EXPECT_EQ(list.NewEnum()[0]->Number(), "333222");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(Collections, ErrorKeysAreNeverReused) {
    SendErrors errors;
    EXPECT_EQ(errors.Add("50005", "No message to send")->Key(), "K1");
    EXPECT_EQ(errors.Add("3", "b")->Key(), "K2");
    errors.Remove(QString("K1"));
    auto third = errors.Add("4", "c");
    EXPECT_EQ(third->Key(), "K3");
    EXPECT_EQ(errors.Item(QString("k3")), third);
    EXPECT_EQ(errors.Item(2)->Number(), 4);
    EXPECT_EQ(ErrorNumber([&] { errors.Add("abc", "x"); }), 13);
    EXPECT_EQ(errors.Count(), 2);
}

TEST(Control, DefaultsAndStoredProperties) {
    qvxSMS2 sms;
    EXPECT_EQ(sms.Provider(), prvGeodrop);
    EXPECT_EQ(sms.AccountSMSRemaining(), -1);
    EXPECT_FALSE(sms.DeferredTime().isValid());
    EXPECT_FALSE(sms.EventLog());
    EXPECT_EQ(sms.EventLogPath(), QDir::currentPath() + "/");
    ASSERT_TRUE(sms.Errors());
    EXPECT_EQ(sms.Errors()->Count(), 0);

    QVariantMap bag;
    sms.WriteProperties(bag);
    EXPECT_TRUE(bag.isEmpty());  // defaults need not be written

    sms.setProvider(prvIdea);
    sms.setUserName("mario");
    sms.setPassword("segreta");
    sms.setEventLogPath("/tmp/log");
    sms.WriteProperties(bag);
    EXPECT_EQ(bag.value("Username").toString(), "mario");
    EXPECT_EQ(bag.value("Provider").toInt(), 2);

    qvxSMS2 loaded;
    loaded.ReadProperties(bag);
    EXPECT_EQ(loaded.Provider(), prvIdea);
    EXPECT_EQ(loaded.UserName(), "mario");
    EXPECT_EQ(loaded.Password(), "segreta");
    EXPECT_EQ(loaded.EventLogPath(), "/tmp/log/");

    // Restoring bypasses the setters: no trailing separator, no time check.
    qvxSMS2 raw;
    raw.ReadProperties({{"EventLogPath", "/var/x"}, {"DeferredTime", kNow.addYears(-1)}});
    EXPECT_EQ(raw.EventLogPath(), "/var/x");
    EXPECT_EQ(raw.DeferredTime(), kNow.addYears(-1));
    EXPECT_EQ(raw.Provider(), prvGeodrop);  // saved before Provider was ever stored
}

TEST(Control, SettersRefuseAndNotify) {
    Site site;
    qvxSMS2 sms;
    sms.SetSite(&site);
    sms.setUserName("u");
    sms.setEventLogPath("/tmp/");
    EXPECT_EQ(site.changed, QStringList({"Username", "EventLogPath"}));
    EXPECT_EQ(sms.EventLogPath(), "/tmp/");
    sms.setEventLogPath("");
    EXPECT_EQ(sms.EventLogPath(), "/");

    EXPECT_EQ(ErrorNumber([&] { sms.setAccountSMSRemaining(5); }), 382);
    EXPECT_EQ(ErrorNumber([&] { sms.setDestinations(nullptr); }), 382);
    EXPECT_EQ(ErrorNumber([&] { sms.setErrors(nullptr); }), 382);
    EXPECT_EQ(ErrorNumber([&] { sms.setMessage("ciao"); }), 0);

    site.userMode = false;  // the host is being designed
    site.changed.clear();
    EXPECT_EQ(ErrorNumber([&] { sms.setMessage("altro"); }), 387);
    EXPECT_EQ(ErrorNumber([&] { sms.setDeferredTime(QDateTime::currentDateTime().addDays(1)); }), 387);
    EXPECT_EQ(ErrorNumber([&] { sms.setAccountSMSRemaining(5); }), 387);
    EXPECT_EQ(ErrorNumber([&] { sms.setDestinations(nullptr); }), 383);
    EXPECT_EQ(sms.Message(), "ciao");
    EXPECT_EQ(sms.AccountSMSRemaining(), -1);
    EXPECT_TRUE(site.changed.isEmpty());
}

TEST(Control, DeferredTimeWindow) {
    qvxSMS2 sms;
    sms.SetClock([] { return kNow; });
    for (const QDateTime& good : {kNow.addSecs(5 * 60), kNow.addSecs(6 * 60), kNow.addDays(30),
                                  QDateTime(), QDateTime(QDate(1800, 1, 1), QTime(0, 0))}) {
        EXPECT_NO_THROW(sms.setDeferredTime(good));
        EXPECT_EQ(sms.DeferredTime(), good);
    }
    sms.setDeferredTime(kNow.addDays(2));
    for (const QDateTime& bad : {kNow.addSecs(4 * 60), kNow.addDays(31), kNow.addSecs(-60)}) {
        try {
            sms.setDeferredTime(bad);
            ADD_FAILURE() << "accepted " << bad.toString().toStdString();
        } catch (const ComError& e) {
            EXPECT_EQ(e.Number, -2147221503);
            EXPECT_EQ(e.Source, "DeferredTime");
            EXPECT_EQ(e.Description, "Deferred time must be between now plus 5 minutes and 30 days from now");
        }
        EXPECT_EQ(sms.DeferredTime(), kNow.addDays(2));
    }
}

TEST(Control, StaysSmallAndHidden) {
    QWidget window;
    qvxSMS2 sms(&window);
    window.show();
    sms.resize(200, 100);
    EXPECT_EQ(sms.size(), QSize(32, 32));
    EXPECT_FALSE(sms.isVisible());
}

TEST(Control, EncodersUseTheAnsiCodes) {
    qvxSMS2 sms;
    EXPECT_EQ(sms.Base64Encode("abc"), "YWJj");
    EXPECT_EQ(sms.Base64Encode("a"), "YQ==");
    EXPECT_EQ(sms.Base64Encode("ab"), "YWI=");
    EXPECT_EQ(sms.Base64Encode(""), "");
    EXPECT_EQ(sms.Base64Encode(QString::fromUtf8("è")), "6A==");
    EXPECT_EQ(sms.MyASC(QString()).toInt(), 0);
    EXPECT_EQ(sms.MyASC("Ab").toInt(), 65);
    EXPECT_EQ(sms.MyASC(QString::fromUtf8("€")).toInt(), 128);
}
