#pragma once
// The public face of the SMS control. The program sees only these abstract
// interfaces; the control itself lives in libqvxSMS2.so and is made by the
// factory qvxSMS2_Create (see Loader.h), so the program never links it.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <exception>
#include <memory>

class QWidget;

// The control's library hides everything but this interface.
#define QVXSMS2_API __attribute__((visibility("default")))

namespace Tessivo {

// A numbered error raised by a member (a refused setter, an unknown collection
// key). Send never raises one: its failures are items of Errors.
class QVXSMS2_API ComError : public std::exception {
public:
    ComError(qint32 number, const QString& description, const QString& source = QString())
        : Number(number), Description(description), Source(source),
          what_(description.toUtf8()) {}
    const char* what() const noexcept override { return what_.constData(); }
    qint32 Number;
    QString Description;
    QString Source;

private:
    QByteArray what_;
};

enum ProviderType : qint32 { prvGeodrop = 1, prvIdea = 2 };

class QVXSMS2_API _Destination {
public:
    virtual ~_Destination() = default;
    virtual QString Number() const = 0;
    virtual void setNumber(const QString& number) = 0;
};

// Recipients, keyed by their number. Item and Remove take a 1-based position
// (an integer QVariant) or a number (a string QVariant).
class QVXSMS2_API _mDestinations {
public:
    virtual ~_mDestinations() = default;
    virtual void Clear() = 0;
    virtual std::shared_ptr<_Destination> Add(const QString& Number) = 0;
    virtual std::shared_ptr<_Destination> Item(const QVariant& vntIndexKey) const = 0;
    virtual qint32 Count() const = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    virtual QList<std::shared_ptr<_Destination>> NewEnum() const = 0;
};

class QVXSMS2_API _SendError {
public:
    virtual ~_SendError() = default;
    virtual QString Key() const = 0;
    virtual void setKey(const QString& key) = 0;
    virtual void setDescription(const QString& description) = 0;
    virtual QString Description() const = 0;
    virtual void setNumber(qint32 number) = 0;
    virtual qint32 Number() const = 0;
};

// Errors of one Send, keyed "K1", "K2"...
class QVXSMS2_API _SendErrors {
public:
    virtual ~_SendErrors() = default;
    virtual std::shared_ptr<_SendError> Add(const QString& Number, const QString& Description) = 0;
    virtual std::shared_ptr<_SendError> Item(const QVariant& vntIndexKey) const = 0;
    virtual qint32 Count() const = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    virtual QList<std::shared_ptr<_SendError>> NewEnum() const = 0;
    virtual void Clear() = 0;
};

// The control's event interface.
class QVXSMS2_API __qvxSMS2 {
public:
    virtual ~__qvxSMS2() = default;
    virtual void SendError() = 0;
};

// What the host window offers the control: its user mode (false while the
// host is being designed) and the note that a stored property changed.
class QVXSMS2_API qvxSMS2Site {
public:
    virtual ~qvxSMS2Site() = default;
    virtual bool AmbientUserMode() const = 0;
    virtual void PropertyChanged(const QString& name) = 0;
};

// The control, members in the order of their dispatch ids:
// Send 6003000C, Base64Encode 60030012, MyASC 60030013, EventLog 6803000A,
// Provider 68030009, Sender 68030008, Message 68030007, Destinations 68030006,
// Errors 68030005, UserName 68030004, Password 68030003, EventLogPath
// 68030002, AccountSMSRemaining 68030001, DeferredTime 68030000.
class QVXSMS2_API _qvxSMS2 {
public:
    virtual ~_qvxSMS2() = default;

    virtual bool Send() = 0;
    virtual QString Base64Encode(const QString& inData) = 0;
    virtual QVariant MyASC(const QVariant& OneChar) = 0;
    virtual bool EventLog() const = 0;
    virtual void setEventLog(bool value) = 0;
    virtual ProviderType Provider() const = 0;
    virtual void setProvider(ProviderType value) = 0;
    virtual QString Sender() const = 0;
    virtual void setSender(const QString& value) = 0;
    virtual QString Message() const = 0;
    virtual void setMessage(const QString& value) = 0;
    virtual std::shared_ptr<_mDestinations> Destinations() const = 0;
    virtual void setDestinations(std::shared_ptr<_mDestinations> value) = 0;
    virtual std::shared_ptr<_SendErrors> Errors() const = 0;
    virtual void setErrors(std::shared_ptr<_SendErrors> value) = 0;
    virtual QString UserName() const = 0;
    virtual void setUserName(const QString& value) = 0;
    virtual QString Password() const = 0;
    virtual void setPassword(const QString& value) = 0;
    virtual QString EventLogPath() const = 0;
    virtual void setEventLogPath(const QString& value) = 0;
    virtual qint32 AccountSMSRemaining() const = 0;
    virtual void setAccountSMSRemaining(qint32 value) = 0;
    // An invalid QDateTime is the empty time 0 (send now).
    virtual QDateTime DeferredTime() const = 0;
    virtual void setDeferredTime(const QDateTime& value) = 0;

    // Hosting: the widget placed on the host window (hidden at run time),
    // the host's site, the event sink, and the host's stored properties.
    virtual QWidget* Widget() = 0;
    virtual void SetSite(qvxSMS2Site* site) = 0;
    virtual void SetEventSink(__qvxSMS2* sink) = 0;
    virtual void InitProperties() = 0;
    virtual void ReadProperties(const QVariantMap& bag) = 0;
    virtual void WriteProperties(QVariantMap& bag) const = 0;
};

}  // namespace Tessivo

// The one entry point of libqvxSMS2.so: a new control owned by parent.
extern "C" QVXSMS2_API Tessivo::_qvxSMS2* qvxSMS2_Create(QWidget* parent);
using qvxSMS2_CreateFn = Tessivo::_qvxSMS2* (*)(QWidget* parent);
