#pragma once
// The SMS control: validates one text, hands it to one of two web gateways
// and reports the outcome through Errors, SendError and the remaining credit.

#include "Collections.h"
#include "HttpClient.h"
#include "clsLogFile.h"
#include "qvxSMS2/qvxSMS2.h"

#include <QWidget>
#include <functional>

namespace Tessivo {

// Times at or before the empty date (30/12/1899) count as "send now".
bool IsSet(const QDateTime& time);

class qvxSMS2 : public QWidget, public _qvxSMS2 {
    Q_OBJECT
public:
    explicit qvxSMS2(QWidget* parent = nullptr);
    ~qvxSMS2() override;

    bool Send() override;
    QString Base64Encode(const QString& inData) override;
    QVariant MyASC(const QVariant& OneChar) override;
    bool EventLog() const override { return eventLog_; }
    void setEventLog(bool value) override;
    ProviderType Provider() const override { return provider_; }
    void setProvider(ProviderType value) override;
    QString Sender() const override { return sender_; }
    void setSender(const QString& value) override;
    QString Message() const override { return message_; }
    void setMessage(const QString& value) override;
    std::shared_ptr<_mDestinations> Destinations() const override { return destinations_; }
    void setDestinations(std::shared_ptr<_mDestinations> value) override;
    std::shared_ptr<_SendErrors> Errors() const override { return errors_; }
    void setErrors(std::shared_ptr<_SendErrors> value) override;
    QString UserName() const override { return userName_; }
    void setUserName(const QString& value) override;
    QString Password() const override { return password_; }
    void setPassword(const QString& value) override;
    QString EventLogPath() const override { return eventLogPath_; }
    void setEventLogPath(const QString& value) override;
    qint32 AccountSMSRemaining() const override { return accountSMSRemaining_; }
    void setAccountSMSRemaining(qint32 value) override;
    QDateTime DeferredTime() const override { return deferredTime_; }
    void setDeferredTime(const QDateTime& value) override;

    QWidget* Widget() override { return this; }
    void SetSite(qvxSMS2Site* site) override { site_ = site; }
    void SetEventSink(__qvxSMS2* sink) override { sink_ = sink; }
    void InitProperties() override;
    void ReadProperties(const QVariantMap& bag) override;
    void WriteProperties(QVariantMap& bag) const override;

    // Where the gateways are: the environment (QVXSMS2_GATEWAY1_URL,
    // QVXSMS2_GATEWAY2_URL), else the user's "Gateways" settings of the
    // control ("Geodrop", "Idea"), else the compiled addresses. A set address
    // wins over all of them.
    void SetGatewayUrl(ProviderType provider, const QString& baseUrl);
    QString GatewayUrl(ProviderType provider) const;
    void SetTimeouts(const HttpClient::Timeouts& timeouts) { timeouts_ = timeouts; }
    // The clock the deferred-time window is measured from.
    void SetClock(std::function<QDateTime()> now) { now_ = std::move(now); }

    // The inner text of the first element named tag (case-insensitive); its
    // failures become error items.
    QString GetTagContent(const QString& text, const QString& tag);

private:
    bool IsDesignTime() const { return site_ && !site_->AmbientUserMode(); }
    void Changed(const QString& name);
    void SetUpLogFile();
    void WriteLog(const QString& line, bool separator);
    void AddError(qint32 number, const QString& description);
    void AddHttpFailure(const HttpClient::Reply& reply);
    // An answer outside 2xx that the exchange did not report as an error.
    void AddStatusError(const HttpClient::Reply& reply, const QString& text);
    bool Validate();
    void SendGeodrop(const QString& recipients);
    void SendIdea(const QString& recipients);
    void ReadIdeaCredit();

    QString sender_;
    QString message_;
    QString userName_;
    QString password_;
    QString eventLogPath_;
    ProviderType provider_ = prvGeodrop;
    bool eventLog_ = false;
    qint32 accountSMSRemaining_ = -1;
    QDateTime deferredTime_;
    std::shared_ptr<mDestinations> destinations_;
    std::shared_ptr<SendErrors> errors_;
    clsLogFile* logFile_ = nullptr;

    qvxSMS2Site* site_ = nullptr;
    __qvxSMS2* sink_ = nullptr;
    QString gatewayUrl_[2];
    HttpClient::Timeouts timeouts_;
    std::function<QDateTime()> now_;
};

}  // namespace Tessivo
