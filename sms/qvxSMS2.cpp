#include "qvxSMS2.h"

#include "SmsText.h"
#include "Cp1252.h"

#include <QDir>
#include <algorithm>
#include <QSettings>

namespace Tessivo {

namespace {

const int kSide = 32;
const QString kLogName = QStringLiteral("SMS.log");
const qint32 kLogCap = 65535;

QString Separated(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}

QString DefaultLogPath() { return Separated(QDir::currentPath()); }

// A refused setter: at design time the given number, at run time 382.
[[noreturn]] void RefuseSet(bool designTime, qint32 designTimeNumber = 383) {
    if (!designTime)
        throw ComError(382, QStringLiteral("Impostazione non supportata in fase di esecuzione"));
    if (designTimeNumber == 383)
        throw ComError(383, QStringLiteral("Impostazione non supportata (proprietà di sola lettura)"));
    throw ComError(387, QStringLiteral("Impostazione non consentita"));
}

}  // namespace

bool IsSet(const QDateTime& time) {
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    return time.isValid() && time > zero;
}

qvxSMS2::qvxSMS2(QWidget* parent)
    : QWidget(parent),
      destinations_(std::make_shared<mDestinations>()),
      errors_(std::make_shared<SendErrors>()),
      now_([] { return QDateTime::currentDateTime(); }) {
    setFixedSize(kSide, kSide);  // whatever size the host asks for
    // Nothing to see: the host places it, the user never meets it.
    setAttribute(Qt::WA_DontShowOnScreen);
    hide();
    InitProperties();
}

qvxSMS2::~qvxSMS2() = default;

void qvxSMS2::Changed(const QString& name) {
    if (site_) site_->PropertyChanged(name);
}

// ---- properties -----------------------------------------------------------

void qvxSMS2::setEventLog(bool value) {
    eventLog_ = value;
    if (!logFile_) logFile_ = new clsLogFile(this);
    logFile_->setActive(value);
    if (value) SetUpLogFile();
    Changed(QStringLiteral("EventLog"));
}

void qvxSMS2::SetUpLogFile() {
    logFile_->setFileName(eventLogPath_ + kLogName);
    logFile_->setMaxLogLength(kLogCap);
    logFile_->setPrintTimeStamp(true);
}

void qvxSMS2::setProvider(ProviderType value) {
    provider_ = value;
    Changed(QStringLiteral("Provider"));
}

void qvxSMS2::setSender(const QString& value) {
    sender_ = value;
    Changed(QStringLiteral("Sender"));
}

void qvxSMS2::setMessage(const QString& value) {
    if (IsDesignTime()) RefuseSet(true, 387);
    message_ = value;
    Changed(QStringLiteral("Message"));
}

void qvxSMS2::setDestinations(std::shared_ptr<_mDestinations>) { RefuseSet(IsDesignTime()); }

void qvxSMS2::setErrors(std::shared_ptr<_SendErrors>) { RefuseSet(IsDesignTime()); }

void qvxSMS2::setUserName(const QString& value) {
    userName_ = value;
    Changed(QStringLiteral("Username"));
}

void qvxSMS2::setPassword(const QString& value) {
    password_ = value;
    Changed(QStringLiteral("Password"));
}

void qvxSMS2::setEventLogPath(const QString& value) {
    eventLogPath_ = Separated(value);
    if (eventLog_ && logFile_) SetUpLogFile();
    Changed(QStringLiteral("EventLogPath"));
}

void qvxSMS2::setAccountSMSRemaining(qint32) { RefuseSet(IsDesignTime(), 387); }

void qvxSMS2::setDeferredTime(const QDateTime& value) {
    if (IsDesignTime()) RefuseSet(true, 387);
    if (IsSet(value)) {
        const QDateTime now = now_();
        if (value < now.addSecs(5 * 60) || value > now.addDays(30))
            throw ComError(
                qint32(0x80040001),
                QStringLiteral("Deferred time must be between now plus 5 minutes and 30 days from now"),
                QStringLiteral("DeferredTime"));
    }
    deferredTime_ = value;
    Changed(QStringLiteral("DeferredTime"));
}

// ---- stored properties ----------------------------------------------------

void qvxSMS2::InitProperties() {
    sender_.clear();
    message_.clear();
    userName_.clear();
    password_.clear();
    provider_ = prvGeodrop;
    eventLogPath_ = DefaultLogPath();
    accountSMSRemaining_ = -1;
    deferredTime_ = QDateTime();
    eventLog_ = false;
}

// Straight into the fields: a restored control neither sets up its log nor
// checks the stored time.
void qvxSMS2::ReadProperties(const QVariantMap& bag) {
    sender_ = bag.value(QStringLiteral("Sender"), QString()).toString();
    provider_ = ProviderType(bag.value(QStringLiteral("Provider"), 1).toInt());
    eventLog_ = bag.value(QStringLiteral("EventLog"), false).toBool();
    userName_ = bag.value(QStringLiteral("Username"), QString()).toString();
    password_ = bag.value(QStringLiteral("Password"), QString()).toString();
    eventLogPath_ = bag.value(QStringLiteral("EventLogPath"), DefaultLogPath()).toString();
    accountSMSRemaining_ = bag.value(QStringLiteral("AccountSMSRemaining"), -1).toInt();
    deferredTime_ = bag.value(QStringLiteral("DeferredTime")).toDateTime();
}

void qvxSMS2::WriteProperties(QVariantMap& bag) const {
    auto put = [&bag](const QString& key, const QVariant& value, const QVariant& fallback) {
        if (value != fallback) bag.insert(key, value);
        else bag.remove(key);
    };
    put(QStringLiteral("Sender"), sender_, QString());
    put(QStringLiteral("Provider"), qint32(provider_), 1);
    put(QStringLiteral("EventLog"), eventLog_, false);
    put(QStringLiteral("Username"), userName_, QString());
    put(QStringLiteral("Password"), password_, QString());
    put(QStringLiteral("EventLogPath"), eventLogPath_, DefaultLogPath());
    put(QStringLiteral("AccountSMSRemaining"), accountSMSRemaining_, -1);
    put(QStringLiteral("DeferredTime"), IsSet(deferredTime_) ? QVariant(deferredTime_) : QVariant(),
        QVariant());
}

// ---- encoders ---------------------------------------------------------------

QString qvxSMS2::Base64Encode(const QString& inData) { return SmsText::Base64Encode(inData); }

QVariant qvxSMS2::MyASC(const QVariant& OneChar) {
    const QString text = OneChar.toString();
    return text.isEmpty() ? 0 : int(Cp1252::Code(text.at(0)));
}

// ---- gateways -------------------------------------------------------------

void qvxSMS2::SetGatewayUrl(ProviderType provider, const QString& baseUrl) {
    if (provider == prvGeodrop || provider == prvIdea) gatewayUrl_[provider - 1] = baseUrl;
}

QString qvxSMS2::GatewayUrl(ProviderType provider) const {
    const bool first = provider == prvGeodrop;
    QString url = gatewayUrl_[first ? 0 : 1];
    if (url.isEmpty())
        url = qEnvironmentVariable(first ? "QVXSMS2_GATEWAY1_URL" : "QVXSMS2_GATEWAY2_URL");
    if (url.isEmpty()) {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Brivalto"),
                           QStringLiteral("qvxSMS2"));
        url = settings.value(first ? QStringLiteral("Gateways/Geodrop")
                                   : QStringLiteral("Gateways/Idea"))
                  .toString();
    }
    if (url.isEmpty())
        url = first ? QStringLiteral("http://sms.geodrop.example")
                    : QStringLiteral("http://sms.idea.example");
    while (url.endsWith('/')) url.chop(1);
    return url;
}

// ---- Send -----------------------------------------------------------------

void qvxSMS2::WriteLog(const QString& line, bool separator) {
    if (!logFile_) logFile_ = new clsLogFile(this);
    logFile_->WriteLine(line, separator, false);
}

void qvxSMS2::AddError(qint32 number, const QString& description) {
    errors_->Add(QString::number(number), description);
}

// The user reads the cause in Italian; the transfer library's own words
// are for the log alone.
void qvxSMS2::AddHttpFailure(const HttpClient::Reply& reply) {
    AddError(50013, reply.reason);
    if (eventLog_) WriteLog(reply.reason + QStringLiteral(" (HTTP request failed: ") + reply.error + ')', false);
}

void qvxSMS2::AddStatusError(const HttpClient::Reply& reply, const QString& text) {
    if (reply.status >= 200 && reply.status < 300) return;
    const qint32 before = errors_->Count();
    const QString title = GetTagContent(text, QStringLiteral("TITLE"));
    if (!title.isEmpty()) AddError(50001, title);
    else if (errors_->Count() == before) AddError(50010, SmsText::BreaksToLines(text));
}

bool qvxSMS2::Validate() {
    auto refuse = [this](qint32 number, const QString& description) {
        AddError(number, description);
        return false;
    };
    if (message_.isEmpty()) return refuse(50005, QStringLiteral("No message to send"));
    if (provider_ == prvGeodrop) {
        if (message_.size() > 160) return refuse(50012, QStringLiteral("Message too long"));
        for (QChar c : message_) {
            const char16_t upper = (c >= 'a' && c <= 'z') ? c.unicode() - 32 : c.unicode();
            if (upper < 32 || upper > 90)
                return refuse(50011, QStringLiteral("Invalid char in message"));
        }
    }
    if (destinations_->Count() == 0) return refuse(50006, QStringLiteral("No destinations"));
    // A number goes to the gateway exactly as it is written: one holding a
    // line break (the line and paragraph separators among them) or another
    // control character could not arrive whole.
    auto breaks = [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
               c.category() == QChar::Separator_Paragraph;
    };
    for (const auto& destination : destinations_->NewEnum()) {
        const QString number = destination->Number();
        if (std::any_of(number.begin(), number.end(), breaks)) {
            QString shown = number;
            for (QChar& c : shown)
                if (breaks(c)) c = ' ';
            return refuse(50015, QStringLiteral("numero di cellulare non valido (contiene un a capo o un carattere "
                                                "di controllo): ") + shown.simplified());
        }
    }
    if (userName_.isEmpty()) return refuse(50007, QStringLiteral("No username supplied"));
    if (password_.isEmpty()) return refuse(50008, QStringLiteral("No password supplied"));
    if (sender_.isEmpty()) return refuse(50009, QStringLiteral("No sender supplied"));
    return true;
}

bool qvxSMS2::Send() {
    errors_ = std::make_shared<SendErrors>();
    if (Validate()) {
        QString recipients = QStringLiteral(": ");
        for (const auto& destination : destinations_->NewEnum())
            recipients += QStringLiteral("dest.:") + destination->Number();
        if (provider_ == prvGeodrop) SendGeodrop(recipients);
        else if (provider_ == prvIdea) SendIdea(recipients);
        else AddError(50014, QStringLiteral("gestore SMS sconosciuto"));
    }
    if (errors_->Count() == 0) return true;
    if (sink_) sink_->SendError();
    return false;
}

}  // namespace Tessivo
