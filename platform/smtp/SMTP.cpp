#include "SMTP.h"

#include "Runtime.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QSet>
#include <QTextDocument>
#include <QTimeZone>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

namespace Platform {

namespace Mime {

namespace {

bool IsPlainAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    }
    return true;
}

// Line breaks and other control characters never reach a header.
QString OneLine(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = ' ';
    }
    return out;
}

// The longest header line written (servers refuse lines over 998).
constexpr int kLineLimit = 78;

// Whether folding at blanks alone keeps every line within the limit.
bool FoldsAtBlanks(const QString& text, int firstLineUsed) {
    qsizetype word = 0;
    bool first = true;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ' ') {
            ++word;
            continue;
        }
        if ((first ? firstLineUsed : 1) + word > kLineLimit) return false;
        first = false;
        word = 0;
    }
    return true;
}

// Encoded words of at most 75 characters, one a line, never splitting a
// character: any text fits the lines this way, a word of any length too.
QByteArray EncodedWords(const QString& text, int firstLineUsed) {
    const QByteArray prefix = "=?UTF-8?B?";
    QByteArray out;
    QByteArray chunk;
    auto room = [&] {
        const int line = out.isEmpty() ? qMax(1, firstLineUsed) : 1;
        return qMin(75, kLineLimit - line) - int(prefix.size()) - 2;
    };
    auto flush = [&] {
        if (chunk.isEmpty()) return;
        if (!out.isEmpty()) out += "\r\n ";
        out += prefix + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (int i = 0; i < text.size(); ++i) {
        int length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        i += length - 1;
        if ((chunk.size() + bytes.size() + 2) / 3 * 4 > room()) flush();
        chunk += bytes;
    }
    flush();
    return out;
}

}  // namespace

QByteArray EncodeHeaderText(const QString& raw, int firstLineUsed) {
    const QString text = OneLine(raw);
    if (!IsPlainAscii(text) || !FoldsAtBlanks(text, firstLineUsed)) return EncodedWords(text, firstLineUsed);
    // Folded at blanks where a line would grow too long.
    const int limit = 76;
    QByteArray out;
    int used = firstLineUsed;
    const QStringList words = text.split(' ');
    for (int i = 0; i < words.size(); ++i) {
        const QByteArray word = words[i].toLatin1();
        if (i > 0) {
            if (used + 1 + word.size() > limit && used > 1) {
                out += "\r\n ";
                used = 1;
            } else {
                out += ' ';
                ++used;
            }
        }
        out += word;
        used += int(word.size());
    }
    return out;
}

QByteArray Mailbox(const QString& rawName, const QString& address) {
    const QString name = OneLine(rawName).trimmed();
    const QByteArray angle = "<" + address.toLatin1() + ">";
    if (name.isEmpty()) return angle;
    // Each mailbox starts a line of its own ("To: " or a folded line); the
    // address goes on the next one when the name leaves no room for it.
    auto joined = [&](const QByteArray& phrase) {
        const qsizetype lastLine = phrase.size() - (phrase.lastIndexOf('\n') + 1);
        return phrase + (lastLine + 1 + angle.size() > kLineLimit ? "\r\n " : " ") + angle;
    };
    const int start = 4;
    if (!IsPlainAscii(name)) return joined(EncodeHeaderText(name, start));
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    bool needsQuotes = false;
    for (QChar c : name) needsQuotes = needsQuotes || specials.contains(c);
    if (!needsQuotes) return joined(EncodeHeaderText(name, start));
    QString quoted = name;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    if (start + quoted.size() + 2 > kLineLimit) return joined(EncodedWords(name, start));
    return joined("\"" + quoted.toLatin1() + "\"");
}

QByteArray QuotedPrintable(const QByteArray& data) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(data.size() * 11 / 10 + 16);
    int column = 0;
    auto put = [&](const QByteArray& piece) {
        if (column + piece.size() > 75) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += int(piece.size());
    };
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto c = static_cast<uchar>(data[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
            out += "\r\n";
            column = 0;
            continue;
        }
        const bool lineEnd = i + 1 == data.size() || data[i + 1] == '\r' || data[i + 1] == '\n';
        const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnd);
        if (literal) {
            put(QByteArray(1, char(c)));
        } else {
            const char encoded[3] = {'=', hex[c >> 4], hex[c & 15]};
            put(QByteArray(encoded, 3));
        }
    }
    return out;
}

QByteArray Base64Lines(const QByteArray& data) {
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    out.reserve(b64.size() + b64.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < b64.size(); i += 76) out += b64.mid(i, 76) + "\r\n";
    return out;
}

}  // namespace Mime

namespace {

QByteArray Boundary() {
    // "=_" cannot appear in quoted-printable or base64 text.
    return "=_Brivalto_" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
}

QByteArray TextPart(const QByteArray& type, const QString& text) {
    return "Content-Type: " + type + "; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
           Mime::QuotedPrintable(text.toUtf8()) + "\r\n";
}

QByteArray Multipart(const QByteArray& subtype, const QList<QByteArray>& parts) {
    const QByteArray boundary = Boundary();
    QByteArray out = "Content-Type: multipart/" + subtype + ";\r\n boundary=\"" + boundary + "\"\r\n\r\n";
    for (const QByteArray& part : parts) out += "--" + boundary + "\r\n" + part;
    out += "--" + boundary + "--\r\n";
    return out;
}

// The file name parameter on a line of its own: plain when it is printable
// ASCII, RFC 2231 otherwise; a name too long for one line is cut into
// numbered pieces (RFC 2231 again), so that no header line outgrows the limit.
QByteArray FileNameParameter(const char* parameter, const QString& name) {
    bool ascii = true;
    for (QChar c : name) ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F && c != '"' && c != '\\';
    const QByteArray value = ascii ? name.toLatin1() : "UTF-8''" + QUrl::toPercentEncoding(name);
    const QByteArray start = QByteArray(";\r\n ") + parameter;
    const QByteArray whole = ascii ? start + "=\"" + value + "\"" : start + "*=" + value;
    if (whole.size() - 3 <= Mime::kLineLimit) return whole;
    // Room on a line for " name*99*=" and the quotes.
    const qsizetype room = Mime::kLineLimit - qstrlen(parameter) - 9;
    QByteArray out;
    for (qsizetype at = 0, n = 0; at < value.size(); ++n) {
        qsizetype length = qMin(room, value.size() - at);
        // A percent-encoded byte stays whole.
        if (!ascii && at + length < value.size()) {
            if (value[at + length - 1] == '%') length -= 1;
            else if (length > 1 && value[at + length - 2] == '%') length -= 2;
        }
        const QByteArray piece = value.mid(at, length);
        out += start + "*" + QByteArray::number(n) + (ascii ? "=\"" + piece + "\"" : "*=" + piece);
        at += length;
    }
    return out;
}

QByteArray FilePart(const QString& path, const QByteArray& data, const QString& contentId) {
    static const QMimeDatabase mimes;
    const QString type = mimes.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
    const QString name = QFileInfo(path).fileName();
    QByteArray out = "Content-Type: " + type.toLatin1() + FileNameParameter("name", name) + "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    if (contentId.isEmpty()) {
        out += "Content-Disposition: attachment" + FileNameParameter("filename", name) + "\r\n";
    } else {
        out += "Content-ID: <" + contentId.toLatin1() + ">\r\n";
        out += "Content-Disposition: inline" + FileNameParameter("filename", name) + "\r\n";
    }
    return out + "\r\n" + Mime::Base64Lines(data);
}

QByteArray DateHeader(const QDateTime& now) {
    const int offset = now.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? '-' : '+')
                             .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    return QLocale::c().toString(now, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")).toLatin1() + zone.toLatin1();
}

bool PossibleAddress(const QString& address) {
    if (address.isEmpty() || address.size() > 254) return false;
    for (QChar c : address) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || QStringLiteral("<>,;\"()[]\\").contains(c)) return false;
    }
    return true;
}

// Connections stay open between messages to the same server with the same
// credentials, so a mailing does not greet the server for every message.
CURLSH* ConnectionCache() {
    static CURLSH* share = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        CURLSH* s = curl_share_init();
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        return s;
    }();
    return share;
}

struct Upload {
    const QByteArray* data;
    qsizetype sent = 0;
};

// The server's reply to the last command before the connection is closed,
// kept for the log: what it said when it refused. The farewell to QUIT,
// which the mail library sends after a refusal, is not the refusal.
struct ServerReply {
    QByteArray text;
    bool quitting = false;
};

int KeepReply(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* reply = static_cast<ServerReply*>(user);
    if (type == CURLINFO_HEADER_OUT) reply->quitting = QByteArray(data, qsizetype(size)).startsWith("QUIT");
    if (reply->quitting) return 0;
    if (type == CURLINFO_HEADER_OUT || type == CURLINFO_DATA_OUT) reply->text.clear();
    else if (type == CURLINFO_HEADER_IN && reply->text.size() < 4096) reply->text += QByteArray(data, qsizetype(size));
    return 0;
}

// Why a message did not go, in the user's words, from the mail library's
// code, its own text (which names the step: "RCPT failed: 550") and the
// server's reply code.
QString Reason(CURLcode code, const QString& technical, long reply, const QString& server) {
    if (reply == 552 || reply == 523 || code == CURLE_FILESIZE_EXCEEDED)
        return QStringLiteral("il messaggio è troppo grande per il server di posta");
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return QStringLiteral("l'indirizzo del server di posta non è valido: ") + server;
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("il server di posta ") + server + QStringLiteral(" non è stato trovato");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("impossibile collegarsi al server di posta ") + server;
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("il server di posta non ha risposto in tempo");
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return reply == 530 ? QStringLiteral("il server di posta chiede nome utente e password")
                            : QStringLiteral("il server di posta ha rifiutato nome utente o password");
    case CURLE_REMOTE_ACCESS_DENIED:
        return QStringLiteral("il server di posta ha rifiutato il collegamento");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("il server di posta non offre il collegamento protetto (TLS)");
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("il certificato del server di posta non è valido");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return QStringLiteral("il collegamento protetto (TLS) con il server di posta non è riuscito");
    case CURLE_SEND_ERROR:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UPLOAD_FAILED:
        if (reply >= 400 && reply < 500)
            return QStringLiteral("il server di posta non accetta messaggi in questo momento: riprovare più tardi");
        if (reply == 530) return QStringLiteral("il server di posta chiede nome utente e password");
        if (technical.startsWith(QLatin1String("RCPT")))
            return QStringLiteral("il server di posta ha rifiutato l'indirizzo del destinatario");
        if (technical.startsWith(QLatin1String("MAIL")))
            return QStringLiteral("il server di posta ha rifiutato l'indirizzo del mittente");
        if (reply >= 500) return QStringLiteral("il server di posta ha rifiutato il messaggio");
        return QStringLiteral("il collegamento con il server di posta si è interrotto");
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QStringLiteral("il collegamento con il server di posta si è interrotto");
    case CURLE_OUT_OF_MEMORY:
        return QStringLiteral("memoria insufficiente per l'invio");
    default:
        return QStringLiteral("invio non riuscito (errore %1 della libreria di posta)").arg(int(code));
    }
}

size_t ReadMessage(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    const size_t room = size * count;
    const size_t left = size_t(upload->data->size() - upload->sent);
    const size_t n = qMin(room, left);
    memcpy(buffer, upload->data->constData() + upload->sent, n);
    upload->sent += qsizetype(n);
    return n;
}

}  // namespace

SMTP::SMTP(QObject* parent) : QObject(parent) {}
SMTP::~SMTP() = default;

void SMTP::ClearRecipients() { recipients_.clear(); }

int SMTP::AddRecipient(const QString& name, const QString& address, int kind) {
    const QString trimmed = address.trimmed();
    if (!PossibleAddress(trimmed)) return -1;
    recipients_.append({name, trimmed, kind});
    return int(recipients_.size()) - 1;
}

void SMTP::ClearFiles() { files_.clear(); }

int SMTP::AddAttachment(const QString& path) {
    files_.append({path, QString()});
    return int(files_.size()) - 1;
}

QString SMTP::AddInlineFile(const QString& path) {
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@brivalto");
    files_.append({path, id});
    return id;
}

int SMTP::Fail(int number, const QString& description, const QString& detail) {
    lastError_ = description;
    lastDetail_ = detail;
    emit OnError(number, description);
    return number;
}

QByteArray SMTP::BuildMessage(QString* error) const {
    // The sender's address stands in From and Message-ID as it is: one that
    // could not be an address (a line break would start a header of its own)
    // builds no message.
    if (!PossibleAddress(FromAddress.trimmed())) {
        if (error) *error = QStringLiteral("indirizzo del mittente non valido: ") + FromAddress;
        return QByteArray();
    }
    QList<QByteArray> attachments;
    QList<QByteArray> related;
    for (const File& file : files_) {
        QFile f(file.path);
        if (!f.open(QIODevice::ReadOnly)) {
            if (error) *error = QStringLiteral("impossibile leggere il file ") + file.path;
            return QByteArray();
        }
        const QByteArray data = f.readAll();
        const bool referenced = !file.contentId.isEmpty() && BodyFormat == bfHTML &&
                                Body.contains(QStringLiteral("cid:") + file.contentId, Qt::CaseInsensitive);
        if (referenced) related.append(FilePart(file.path, data, file.contentId));
        else attachments.append(FilePart(file.path, data, QString()));
    }

    QByteArray body;
    if (BodyFormat == bfHTML) {
        QByteArray html = TextPart("text/html", Body);
        if (!related.isEmpty()) html = Multipart("related; type=\"text/html\"", QList<QByteArray>{html} + related);
        QTextDocument plain;
        plain.setHtml(Body);
        // An image stands in the text as an object character, which a reader
        // of the plain text would see as a box.
        QString text = plain.toPlainText();
        text.remove(QChar::ObjectReplacementCharacter);
        body = Multipart("alternative", {TextPart("text/plain", text), html});
    } else {
        body = TextPart("text/plain", Body);
    }
    if (!attachments.isEmpty()) body = Multipart("mixed", QList<QByteArray>{body} + attachments);

    QByteArray head;
    head += "Date: " + DateHeader(Now()) + "\r\n";
    head += "From: " + Mime::Mailbox(FromName, FromAddress.trimmed()) + "\r\n";
    QList<QByteArray> to, cc;
    for (const Recipient& r : recipients_) {
        if (r.kind == rkTo) to.append(Mime::Mailbox(r.name, r.address));
        else if (r.kind == rkCc) cc.append(Mime::Mailbox(r.name, r.address));
    }
    head += "To: " + (to.isEmpty() ? QByteArray("undisclosed-recipients:;") : to.join(",\r\n ")) + "\r\n";
    if (!cc.isEmpty()) head += "Cc: " + cc.join(",\r\n ") + "\r\n";
    head += "Subject: " + Mime::EncodeHeaderText(Subject, 9) + "\r\n";
    const QString domain = FromAddress.section('@', 1).trimmed();
    head += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + "@" +
            (domain.isEmpty() ? QByteArray("brivalto") : domain.toLatin1()) + ">\r\n";
    head += "MIME-Version: 1.0\r\n";
    return head + body;
}

int SMTP::Send() {
    lastError_.clear();
    lastDetail_.clear();
    if (Server.trimmed().isEmpty()) return Fail(errNoServer, QStringLiteral("server SMTP non indicato"));
    if (!PossibleAddress(FromAddress.trimmed()))
        return Fail(errNoSender, QStringLiteral("indirizzo del mittente non valido: ") + FromAddress);
    if (recipients_.isEmpty()) return Fail(errNoRecipient, QStringLiteral("nessun destinatario valido"));
    QString buildError;
    const QByteArray message = BuildMessage(&buildError);
    if (!buildError.isEmpty()) return Fail(errFileUnreadable, buildError);

    CURL* curl = curl_easy_init();
    if (!curl) return Fail(CURLE_FAILED_INIT, QStringLiteral("impossibile avviare l'invio"));
    QString server = Server.trimmed();
    if (!server.contains(QStringLiteral("://")))
        server = (Security == secImplicitTLS ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) + server;
    const QByteArray url = server.toUtf8();
    const QByteArray from = "<" + FromAddress.trimmed().toLatin1() + ">";
    curl_slist* rcpt = nullptr;
    for (const Recipient& r : recipients_) rcpt = curl_slist_append(rcpt, ("<" + r.address.toLatin1() + ">").constData());
    const QByteArray user = UserName.toUtf8();
    const QByteArray password = Password.toUtf8();
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Upload upload{&message};

    curl_easy_setopt(curl, CURLOPT_SHARE, ConnectionCache());
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(curl, CURLOPT_USE_SSL,
                     long(Security == secNone ? CURLUSESSL_NONE : Security == secTryTLS ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    if (!UserName.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
        const char* method = AuthType == authLogin ? "AUTH=LOGIN"
                             : AuthType == authPlain ? "AUTH=PLAIN"
                             : AuthType == authCramMD5 ? "AUTH=CRAM-MD5"
                                                       : nullptr;
        if (method) curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, method);
    }
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadMessage);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    ServerReply reply;
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, KeepReply);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 120L);

    const CURLcode result = curl_easy_perform(curl);
    long response = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(curl);
    if (result == CURLE_OK) return 0;
    QString technical = QString::fromUtf8(errorBuffer).trimmed();
    if (technical.isEmpty()) technical = QString::fromUtf8(curl_easy_strerror(result));
    const QString said = QString::fromUtf8(reply.text).simplified();
    if (!said.isEmpty()) technical += QStringLiteral("; il server ha risposto: ") + said;
    else if (response > 0 && !technical.contains(QString::number(response)))
        technical += QStringLiteral(" (risposta del server %1)").arg(response);
    return Fail(int(result), Reason(result, technical, response, Server.trimmed()), technical);
}

}  // namespace Platform
