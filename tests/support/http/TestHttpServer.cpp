#include "TestHttpServer.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

namespace TestHttp {

QByteArray Request::Path() const {
    const qsizetype q = target.indexOf('?');
    return q < 0 ? target : target.left(q);
}

QByteArray Request::Query() const {
    const qsizetype q = target.indexOf('?');
    return q < 0 ? QByteArray() : target.mid(q + 1);
}

QByteArray Request::Header(const QByteArray& name) const {
    for (const auto& [n, v] : headers)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return v;
    return QByteArray();
}

bool Request::HasHeader(const QByteArray& name) const {
    for (const auto& [n, v] : headers)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

Response Response::Text(const QByteArray& body, int status, const QByteArray& contentType) {
    Response r;
    r.status = status;
    switch (status) {
    case 200: r.reason = "OK"; break;
    case 401: r.reason = "Unauthorized"; break;
    case 404: r.reason = "Not Found"; break;
    case 500: r.reason = "Internal Server Error"; break;
    default: r.reason = "Status"; break;
    }
    r.headers = {{"Content-Type", contentType}};
    r.body = body;
    return r;
}

Response Response::Dropped() {
    Response r;
    r.drop = true;
    return r;
}

namespace {

// The request in buffer once it is complete (head and Content-Length body).
bool TakeRequest(QByteArray& buffer, Request& request) {
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) return false;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    Request r;
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    r.method = first.value(0);
    r.target = first.value(1);
    r.version = first.value(2);
    qsizetype length = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).endsWith('\r') ? lines.at(i).chopped(1) : lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) continue;
        r.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    length = r.Header("Content-Length").toLongLong();
    const qsizetype total = headEnd + 4 + length;
    if (buffer.size() < total) return false;
    r.body = buffer.mid(headEnd + 4, length);
    r.raw = buffer.left(total);
    buffer.remove(0, total);
    request = r;
    return true;
}

QByteArray Render(const Response& response) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
    for (const auto& [n, v] : response.headers) out += n + ": " + v + "\r\n";
    out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    return out + response.body;
}

}  // namespace

class Server::Thread : public QThread {
public:
    explicit Thread(Server* owner) : owner_(owner) {}
    QSemaphore ready;
    quint16 port = 0;

protected:
    void run() override {
        QTcpServer server;
        if (server.listen(QHostAddress::LocalHost, 0)) port = server.serverPort();
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection()) Serve(socket);
        });
        ready.release();
        if (port) exec();
    }

private:
    void Serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            Request request;
            if (!TakeRequest(*buffer, request)) return;
            const Response response = owner_->Answer(request);
            auto reply = [socket, response] {
                if (response.drop) {
                    socket->abort();
                    return;
                }
                socket->write(Render(response));
                socket->disconnectFromHost();
            };
            if (response.delayMs > 0) QTimer::singleShot(response.delayMs, socket, reply);
            else reply();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    Server* owner_;
};

Server::Server() = default;

Server::~Server() { Stop(); }

bool Server::Start() {
    if (thread_) return port_ != 0;
    thread_ = std::make_unique<Thread>(this);
    thread_->start();
    thread_->ready.acquire();
    port_ = thread_->port;
    return port_ != 0;
}

void Server::Stop() {
    if (!thread_) return;
    thread_->quit();
    thread_->wait();
    thread_.reset();
}

QString Server::Url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

void Server::Enqueue(const Response& response) {
    QMutexLocker lock(&mutex_);
    queue_.append(response);
}

void Server::SetHandler(std::function<Response(const Request&)> handler) {
    QMutexLocker lock(&mutex_);
    handler_ = std::move(handler);
}

QList<Request> Server::Requests() const {
    QMutexLocker lock(&mutex_);
    return requests_;
}

bool Server::WaitForRequests(int count, int timeoutMs) const {
    QMutexLocker lock(&mutex_);
    QDeadlineTimer deadline(timeoutMs);
    while (requests_.size() < count)
        if (!arrived_.wait(&mutex_, deadline)) return requests_.size() >= count;
    return true;
}

Response Server::Answer(const Request& request) {
    std::function<Response(const Request&)> handler;
    {
        QMutexLocker lock(&mutex_);
        requests_.append(request);
        arrived_.wakeAll();
        if (!queue_.isEmpty()) return queue_.takeFirst();
        handler = handler_;
    }
    if (handler) return handler(request);
    return Response::Text("Not Found", 404);
}

}  // namespace TestHttp
