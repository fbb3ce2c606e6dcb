// The two gateway exchanges of qvxSMS2::Send and the tag cutter for error
// pages.

#include "qvxSMS2.h"

#include "SmsText.h"

#include <QUrl>
#include <QXmlStreamReader>

namespace Tessivo {

namespace {

// An answer element as the exchange reads it: attributes in document order
// so that the account line can be logged as the gateway wrote it.
struct XmlNode {
    QString name;  // "#text", "#comment", "#pi" for other nodes
    QList<QPair<QString, QString>> attributes;
    QString text;
    QList<XmlNode> children;

    QString Attribute(const QString& upperName, bool* found = nullptr) const {
        for (const auto& [attrName, value] : attributes)
            if (attrName.toUpper() == upperName) {
                if (found) *found = true;
                return value;
            }
        if (found) *found = false;
        return QString();
    }

    QString Markup() const {
        if (name == QLatin1String("#text")) return SmsText::XmlEscape(text);
        if (name.startsWith('#')) return QString();
        QString out = '<' + name;
        for (const auto& [attrName, value] : attributes)
            out += ' ' + attrName + QStringLiteral("=\"") + SmsText::XmlEscape(value) + '"';
        if (children.isEmpty()) return out + QStringLiteral("/>");
        out += '>';
        for (const XmlNode& child : children) out += child.Markup();
        return out + QStringLiteral("</") + name + '>';
    }
};

// The root element of a well-formed document, or false.
bool ParseXml(const QByteArray& bytes, XmlNode& root) {
    QXmlStreamReader reader(bytes);
    QList<XmlNode> stack;
    bool haveRoot = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            XmlNode node;
            node.name = reader.qualifiedName().toString();
            for (const QXmlStreamAttribute& a : reader.attributes())
                node.attributes.append({a.qualifiedName().toString(), a.value().toString()});
            stack.append(node);
            break;
        }
        case QXmlStreamReader::EndElement: {
            XmlNode done = stack.takeLast();
            if (stack.isEmpty()) {
                root = done;
                haveRoot = true;
            } else {
                stack.last().children.append(done);
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (!stack.isEmpty() && !reader.isWhitespace())
                stack.last().children.append({QStringLiteral("#text"), {}, reader.text().toString(), {}});
            break;
        case QXmlStreamReader::Comment:
            if (!stack.isEmpty()) stack.last().children.append({QStringLiteral("#comment"), {}, {}, {}});
            break;
        case QXmlStreamReader::ProcessingInstruction:
            if (!stack.isEmpty()) stack.last().children.append({QStringLiteral("#pi"), {}, {}, {}});
            break;
        default:
            break;
        }
    }
    return !reader.hasError() && haveRoot;
}

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
    XmlNode root;
    if (!ParseXml(reply.body, root) || root.children.isEmpty()) {
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

    const XmlNode& first = root.children.at(0);
    if (first.name == QLatin1String("REPORT")) {
        for (const XmlNode& child : first.children) {
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
        const XmlNode& user = root.children.at(1);
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

    const QString marker = QStringLiteral(" di ");
    const qsizetype at = answer.indexOf(marker);
    if (at < 0) return;
    QString number = answer.mid(at + marker.size()).trimmed();
    const qsizetype blank = number.indexOf(' ');
    if (blank >= 0) number.truncate(blank);
    accountSMSRemaining_ = SmsText::RoundLong(SmsText::Val(number));
}

// ---- tag cutter -------------------------------------------------------------

QString qvxSMS2::GetTagContent(const QString& text, const QString& tag) {
    const QString open = '<' + tag;
    const QString close = tag.isEmpty() ? QStringLiteral("/>") : QStringLiteral("</") + tag + '>';
    auto fail = [this](qint32 number, const QString& description) {
        AddError(number, description);
        WriteLog(description, false);
        return QString();
    };
    const auto cs = Qt::CaseInsensitive;

    const qsizetype start = text.indexOf(open, 0, cs);
    if (start < 0) return QString();
    qsizetype closeAt = text.indexOf(close, start + open.size(), cs);
    if (closeAt < 0)
        return fail(50002, QStringLiteral("Malformed HTML message (no tag end '") + close +
                               QStringLiteral("')"));

    const qsizetype nextOpen = text.indexOf(open, start + open.size(), cs);
    if (nextOpen >= 0 && nextOpen < closeAt) {
        qsizetype depth = 1, pos = start + open.size();
        for (;;) {
            const qsizetype o = text.indexOf(open, pos, cs);
            const qsizetype c = text.indexOf(close, pos, cs);
            if (c < 0)
                return fail(50003, QStringLiteral("Malformed HTML message (unbalanced tag '") + tag +
                                       QStringLiteral("')"));
            if (o >= 0 && o < c) {
                ++depth;
                pos = o + open.size();
            } else {
                pos = c + close.size();
                if (--depth == 0) {
                    closeAt = c;
                    break;
                }
            }
        }
    }

    if (tag.isEmpty()) return text.mid(start + 1, closeAt - start - 1);
    const qsizetype end = text.indexOf('>', start);
    if (end < 0 || end >= closeAt)
        return fail(50004, QStringLiteral("Parsing error: ") +
                               QStringLiteral("Chiamata di routine o argomento non validi") +
                               QStringLiteral(" on tag '") + tag + QStringLiteral("')"));
    return text.mid(end + 1, closeAt - end - 1);
}

}  // namespace Tessivo
