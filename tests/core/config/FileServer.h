#pragma once
// A small HTTP server on 127.0.0.1 for the update tests. It answers on its
// own thread, because the update check waits for the network on the thread
// that runs the test.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>
#include <thread>

class FileServer {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        // Content-Length announced; more than the body sent means the
        // connection drops before the end.
        qint64 announced = -1;
    };

    FileServer();
    ~FileServer();

    void Serve(const QString& path, const QByteArray& body) { Set(path, {200, body, -1}); }
    void Set(const QString& path, const Answer& answer);
    QString BaseUrl() const;  // "http://127.0.0.1:port/"
    QStringList Requests() const;
    // A port of 127.0.0.1 where nobody listens.
    static int UnusedPort();

private:
    void Run();
    void Handle(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    QHash<QString, Answer> answers_;
    QStringList requests_;
    std::thread thread_;
};
