#pragma once
// A scripted HTTP server for tests: listens on 127.0.0.1 on a free port, in
// a thread of its own (so a client may block the test's thread), records
// every request as it arrived and answers each with the next scripted
// response, which can also be late or never come (the connection dropped).

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QWaitCondition>
#include <functional>
#include <memory>

namespace TestHttp {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

struct Request {
    QByteArray method;
    QByteArray target;  // path and query, as sent
    QByteArray version;
    HeaderList headers;  // in order, names as sent
    QByteArray body;
    QByteArray raw;      // the whole request, head and body

    QByteArray Path() const;   // target before "?"
    QByteArray Query() const;  // target after "?"
    // The first header of that name (case-insensitive); empty when none.
    QByteArray Header(const QByteArray& name) const;
    bool HasHeader(const QByteArray& name) const;
};

struct Response {
    int status = 200;
    QByteArray reason = "OK";
    HeaderList headers;  // Content-Length and Connection are added
    QByteArray body;
    int delayMs = 0;     // wait this long before answering (or dropping)
    bool drop = false;   // close the connection without answering

    static Response Text(const QByteArray& body, int status = 200,
                         const QByteArray& contentType = "text/plain");
    static Response Dropped();
};

class Server {
public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Start();
    void Stop();
    quint16 Port() const { return port_; }
    QString Url() const;  // "http://127.0.0.1:<port>"

    // Answers in the order the requests arrive; once the queue is empty the
    // handler answers, or a 404 when there is none.
    void Enqueue(const Response& response);
    void SetHandler(std::function<Response(const Request&)> handler);

    QList<Request> Requests() const;
    bool WaitForRequests(int count, int timeoutMs = 5000) const;

    // Used by the server's thread.
    Response Answer(const Request& request);

private:
    class Thread;
    std::unique_ptr<Thread> thread_;
    quint16 port_ = 0;
    mutable QMutex mutex_;
    mutable QWaitCondition arrived_;
    QList<Request> requests_;
    QList<Response> queue_;
    std::function<Response(const Request&)> handler_;
};

}  // namespace TestHttp
