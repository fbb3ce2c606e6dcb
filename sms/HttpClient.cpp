#include "HttpClient.h"

#include "Cp1252.h"

#include <QStringDecoder>
#include <QUrl>
#include <curl/curl.h>
#include <mutex>

namespace {

struct Sink {
    QByteArray* body;
    qint64 limit;
    bool overflow = false;
};

// An answer past the limit ends the transfer: no gateway sends so much.
size_t Collect(char* data, size_t size, size_t count, void* target) {
    auto* sink = static_cast<Sink*>(target);
    const qint64 n = qint64(size * count);
    if (sink->body->size() + n > sink->limit) {
        sink->overflow = true;
        return 0;
    }
    sink->body->append(data, qsizetype(n));
    return size * count;
}

// Why no answer came from the gateway, from the transfer's code.
QString Reason(CURLcode code, const QString& url) {
    const QUrl address(url);
    const QString host = address.port() < 0 ? address.host() : address.host() + ':' + QString::number(address.port());
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return QStringLiteral("l'indirizzo del gateway SMS non è valido: ") + url;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QStringLiteral("il gateway SMS ") + host + QStringLiteral(" non è stato trovato");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("impossibile collegarsi al gateway SMS ") + host;
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("il gateway SMS non ha risposto in tempo");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("il collegamento protetto con il gateway SMS non è riuscito");
    case CURLE_OUT_OF_MEMORY:
        return QStringLiteral("memoria insufficiente per l'invio");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("il collegamento con il gateway SMS si è interrotto");
    default:
        return QStringLiteral("collegamento con il gateway SMS non riuscito (errore %1 della libreria di rete)")
            .arg(int(code));
    }
}

}  // namespace

namespace HttpClient {

// The transfer blocks the caller's thread up to the time-outs: Send is one
// operation to its caller, and running the event loop inside it would let
// the host start another Send on the same control half-way through this one.
Reply Perform(const QByteArray& method, const QString& url, const Headers& headers,
              const QByteArray& body, const Timeouts& timeouts) {
    static std::once_flag init;
    std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    Reply reply;
    CURL* curl = curl_easy_init();
    if (!curl) {
        reply.reason = QStringLiteral("impossibile avviare il collegamento con il gateway SMS");
        reply.error = QStringLiteral("cannot start an HTTP transfer");
        return reply;
    }
    const QByteArray address = url.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeouts.totalMs);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    Sink sink{&reply.body, timeouts.maxAnswerBytes};
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    if (method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }

    // Empty "Accept:" and "Expect:" keep curl's own headers out of the request.
    curl_slist* list = nullptr;
    for (const auto& [name, value] : headers)
        list = curl_slist_append(list, (name + ": " + value).constData());
    list = curl_slist_append(list, "Accept:");
    list = curl_slist_append(list, "Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);

    char message[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) {
        reply.ok = true;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
        char* type = nullptr;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
        if (type) reply.contentType = type;
    } else {
        reply.error = sink.overflow ? QStringLiteral("answer larger than %1 bytes").arg(timeouts.maxAnswerBytes)
                                    : QString::fromUtf8(message[0] ? message : curl_easy_strerror(code));
        reply.reason = sink.overflow ? QStringLiteral("la risposta del gateway SMS supera %1 byte").arg(timeouts.maxAnswerBytes)
                                     : Reason(code, url);
        reply.body.clear();
    }
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return reply;
}

QString Text(const Reply& reply) {
    const qsizetype at = reply.contentType.toLower().indexOf("charset=");
    if (at >= 0) {
        QByteArray charset = reply.contentType.mid(at + 8).trimmed();
        const qsizetype end = charset.indexOf(';');
        if (end >= 0) charset.truncate(end);
        charset = charset.replace('"', "").trimmed();
        if (charset.toLower() == "windows-1252") return Cp1252::ToUnicode(reply.body);
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) return decoder.decode(reply.body);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(reply.body);
    return utf8.hasError() ? Cp1252::ToUnicode(reply.body) : text;
}

}  // namespace HttpClient
