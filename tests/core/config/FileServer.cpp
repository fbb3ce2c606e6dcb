#include "FileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

FileServer::FileServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    ::listen(listener_, 16);
    thread_ = std::thread([this] { Run(); });
}

FileServer::~FileServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void FileServer::Set(const QString& path, const Answer& answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.insert(path, answer);
}

QString FileServer::BaseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }

QStringList FileServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

int FileServer::UnusedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(s);  // bound but never listening: connections are refused
    return ntohs(addr.sin_port);
}

void FileServer::Run() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        Handle(client);
        ::close(client);
    }
}

void FileServer::Handle(int client) {
    QByteArray request;
    char buffer[4096];
    while (!request.contains("\r\n\r\n")) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) return;
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, n);
    }
    const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = first.size() > 1 ? QString::fromUtf8(first[1]) : QString();
    Answer answer{404, "not found", -1};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.append(path);
        if (answers_.contains(path)) answer = answers_.value(path);
    }
    const qint64 length = answer.announced >= 0 ? answer.announced : answer.body.size();
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + (answer.status == 200 ? " OK" : " Error") +
                       "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + QByteArray::number(length) +
                       "\r\nConnection: close\r\n\r\n" + answer.body;
    qint64 sent = 0;
    while (sent < reply.size()) {
        const ssize_t n = ::send(client, reply.constData() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += n;
    }
}
