#pragma once
// Synchronous HTTP through libcurl, for the gateway exchanges.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace HttpClient {

struct Reply {
    bool ok = false;      // false: no answer arrived (see reason and error)
    QString reason;       // why no answer arrived, in the user's words
    QString error;        // the same in the transfer library's words, for the log
    long status = 0;
    QByteArray contentType;
    QByteArray body;
};

struct Timeouts {
    long connectMs = 15000;
    long totalMs = 60000;
    qint64 maxAnswerBytes = 1024 * 1024;  // a larger answer is a failed request
};

using Headers = QList<QPair<QByteArray, QByteArray>>;

// method "GET" or "POST"; for POST the body is sent as it stands. Only the
// given headers are added to the ones HTTP cannot do without.
Reply Perform(const QByteArray& method, const QString& url, const Headers& headers,
              const QByteArray& body, const Timeouts& timeouts);

// The answer as text: its declared charset, else UTF-8 when it is valid UTF-8,
// else Windows-1252.
QString Text(const Reply& reply);

}  // namespace HttpClient
