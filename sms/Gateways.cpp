// The two gateway exchanges of qvxSMS2::Send and the tag cutter for error
// pages.

#include "qvxSMS2.h"

#include "Answers.h"
#include "SmsText.h"

#include <QUrl>

namespace Tessivo {

namespace {

QString HostHeader(const QString& baseUrl) {
    const QUrl url(baseUrl);
    return url.port() < 0 ? url.host() : url.host() + ':' + QString::number(url.port());
}

}  // namespace

// ---- first gateway ----------------------------------------------------------

void qvxSMS2::SendGeodrop(const QString& recipients) {
    using SmsText::XmlEscape;
    const QString crlf = QStringLiteral("\r\n");
    QString body = QStringLiteral("<?xml version=\"1.0\" standalone=\"yes\"?>") + crlf +
                   QStringLiteral("<GEOSMS>") + crlf + QStringLiteral("<MESSAGE content=\"text\">") +
                   crlf + QStringLiteral("<TEXT>") + XmlEscape(message_.left(160)) +
                   QStringLiteral("</TEXT>") + crlf + QStringLiteral("</MESSAGE>") + crlf +
                   QStringLiteral("<LIST>") + crlf;
    for (const auto& destination : destinations_->NewEnum())
        body += QStringLiteral("<DEST msisdn=\"") + XmlEscape(destination->Number()) +
                QStringLiteral("\"/>") + crlf;
    body += QStringLiteral("</LIST>") + crlf + QStringLiteral("<TPOA>") + XmlEscape(sender_) +
            QStringLiteral("</TPOA>") + crlf;
    if (IsSet(deferredTime_))
        body += QStringLiteral("<DEFERREDTIME>") +
                deferredTime_.toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
                QStringLiteral(":00</DEFERREDTIME>");
    body += QStringLiteral("</GEOSMS>");

    const QString base = GatewayUrl(prvGeodrop);
    const QByteArray bytes = body.toUtf8();
    const HttpClient::Headers headers = {
        {"HOST", HostHeader(base).toUtf8()},
        {"Authorization", "Basic " + Base64Encode(userName_ + ':' + password_).toLatin1()},
        {"Content-Length", QByteArray::number(bytes.size())},
        {"Content-Type", "application/x-www-form-urlencoded"}};
    const HttpClient::Reply reply =
        HttpClient::Perform("POST", base + QStringLiteral("/users/sms"), headers, bytes, timeouts_);

    if (eventLog_) WriteLog(QStringLiteral("Inizio invio") + recipients, true);
    if (!reply.ok) return AddHttpFailure(reply);

    const QString text = HttpClient::Text(reply);
    Answers::Element root;
    if (!Answers::ParseXml(reply.body, root) || root.children.isEmpty()) {
        const QString title = GetTagContent(text, QStringLiteral("TITLE"));
        if (!title.isEmpty()) AddError(50001, title);
        else AddError(50010, SmsText::BreaksToLines(text));
        return;
    }

    // A code that is not a whole number cannot be an error number: the
    // answer as a whole is the error then.
    auto addCoded = [&](const QString& code, const QString& description) {
        bool whole = false;
        SmsText::WholeNumber(code, &whole);
        if (whole) errors_->Add(code, description);
        else AddError(50010, SmsText::BreaksToLines(text));
    };

    const Answers::Element& first = root.children.at(0);
    if (first.name == QLatin1String("REPORT")) {
        for (const Answers::Element& child : first.children) {
            if (child.name.startsWith('#')) continue;
            const QString msisdn = child.Attribute(QStringLiteral("MSISDN"));
            if (child.name.toUpper() == QLatin1String("OK")) {
                if (eventLog_)
                    WriteLog(QStringLiteral("Sent to ") + msisdn + QStringLiteral(" OK - ORDERID=") +
                                 child.Attribute(QStringLiteral("ORDERID")),
                             false);
            } else {
                const QString code = child.Attribute(QStringLiteral("REASON"));
                addCoded(code, QStringLiteral("Sending to ") + msisdn + QStringLiteral(" failed"));
                if (eventLog_)
                    WriteLog(QStringLiteral("Send to ") + msisdn + QStringLiteral(" ERRCODE:") + code,
                             false);
            }
        }
    } else if (first.name.toUpper() == QLatin1String("BAD")) {
        addCoded(first.Attribute(QStringLiteral("CODE")), first.Attribute(QStringLiteral("DESCRIPTION")));
        if (eventLog_) WriteLog(QStringLiteral("Error: XML is malformed"), false);
    }

    if (root.children.size() > 1 && root.children.at(1).name.toUpper() == QLatin1String("USER")) {
        const Answers::Element& user = root.children.at(1);
        bool found = false;
        const QString credit = user.Attribute(QStringLiteral("CREDIT"), &found);
        if (found) accountSMSRemaining_ = SmsText::RoundLong(SmsText::Val(credit));
        if (eventLog_) {
            const QString markup = user.Markup();
            WriteLog(markup.mid(1, markup.size() - 3), false);
        }
    }

    if (errors_->Count() == 0) AddStatusError(reply, text);
}

// ---- second gateway -------------------------------------------------------

void qvxSMS2::SendIdea(const QString& recipients) {
    using SmsText::URLEncode;
    QString form = QStringLiteral("user=") + URLEncode(userName_) + QStringLiteral("&pass=") +
                   URLEncode(password_);
    for (const auto& destination : destinations_->NewEnum())
        form += QStringLiteral("&rcpt=") + URLEncode(destination->Number());
    form += QStringLiteral("&sender=") + URLEncode(sender_) + QStringLiteral("&data=") +
            URLEncode(message_);

    if (eventLog_) WriteLog(QStringLiteral("Inizio invio") + recipients, true);

    const HttpClient::Reply reply = HttpClient::Perform(
        "POST", GatewayUrl(prvIdea) + QStringLiteral("/mycom_new/smspost/invio_sms.php"),
        {{"Content-Type", "application/x-www-form-urlencoded"}}, form.toLatin1(), timeouts_);
    if (!reply.ok) return AddHttpFailure(reply);

    struct Phrase {
        const char* answer;
        qint32 number;
        const char* description;
        const char* log;
    };
    static const Phrase phrases[] = {
        {"CREDITO ESAURITO", 1, "Sending failed - no credit", "Sending KO - no credit"},
        {"OK", 0, nullptr, "Sending OK"},
        {"KO", 3, "Sending failed", "Sending KO"},
        {"MANCANO LE INDICAZIONI UTENTE", 4, "Sending failed - wrong account",
         "Sending KO - wrong account"},
        {"MANCA CAMPO", 5, "Sending failed - missing data", "Sending KO - missing data"}};
    const QString answer = HttpClient::Text(reply);
    bool refused = false;
    for (const Phrase& phrase : phrases) {
        if (answer != QLatin1String(phrase.answer)) continue;
        if (phrase.description) {
            AddError(phrase.number, QString::fromLatin1(phrase.description));
            refused = true;
        }
        if (eventLog_) WriteLog(QString::fromLatin1(phrase.log), false);
    }
    if (!refused) AddStatusError(reply, answer);

    ReadIdeaCredit();
}

void qvxSMS2::ReadIdeaCredit() {
    using SmsText::URLEncode;
    const HttpClient::Reply reply = HttpClient::Perform(
        "GET",
        GatewayUrl(prvIdea) + QStringLiteral("/mycom_new/smspost/crediti.php?user=") +
            URLEncode(userName_) + QStringLiteral("&pass=") + URLEncode(password_) +
            QStringLiteral("&type=credit"),
        {}, {}, timeouts_);
    // The credit is only news: the message has been handed over (or refused)
    // already, so a failed query must not turn a sent SMS into a failed one,
    // which callers would send again. It goes to the log.
    if (!reply.ok) {
        if (eventLog_) WriteLog(QStringLiteral("Credit query failed: ") + reply.error, false);
        return;
    }
    const QString answer = HttpClient::Text(reply);
    if (reply.status < 200 || reply.status >= 300) {
        if (eventLog_)
            WriteLog(QStringLiteral("Credit query failed: HTTP status ") + QString::number(reply.status),
                     false);
        return;
    }

    qint32 credit = 0;
    if (Answers::IdeaCredit(answer, credit)) accountSMSRemaining_ = credit;
}

// ---- tag cutter -------------------------------------------------------------

QString qvxSMS2::GetTagContent(const QString& text, const QString& tag) {
    const Answers::Cut cut = Answers::CutTag(text, tag);
    if (cut.error) {
        AddError(cut.error, cut.description);
        WriteLog(cut.description, false);
    }
    return cut.text;
}

}  // namespace Tessivo
