#pragma once
// A real SMTP server on 127.0.0.1 for the duration of a test (aiosmtpd under
// Debian's python), which keeps every message it receives, and the reading
// of those messages back with Python's email package. Tests skip when
// aiosmtpd is not installed.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

class SmtpSink {
public:
    static QString Python() { return QStringLiteral("/usr/bin/python3"); }
    static QString ScriptFolder() { return QStringLiteral(BRIVALTO_TEST_SUPPORT_DIR "/smtp"); }

    static bool Available() {
        QProcess probe;
        probe.start(Python(), {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")});
        return probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    }

    // With a login, the server asks every client to sign in with it; the
    // options of smtp_sink.py ("--refuse", "--size-limit") follow.
    explicit SmtpSink(const QString& login = QString(), const QString& password = QString(),
                      const QStringList& options = QStringList()) {
        const QString portFile = dir_.filePath(QStringLiteral("port"));
        QDir(dir_.path()).mkdir(QStringLiteral("mail"));
        QStringList arguments{ScriptFolder() + QStringLiteral("/smtp_sink.py"), Folder(), portFile};
        if (!login.isEmpty()) arguments << QStringLiteral("--login") << login << QStringLiteral("--password") << password;
        arguments << options;
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start(Python(), arguments);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && server_.state() != QProcess::NotRunning) {
            QFile f(portFile);
            if (f.open(QIODevice::ReadOnly)) {
                port_ = f.readAll().trimmed().toInt();
                break;
            }
            QThread::msleep(20);
        }
    }

    ~SmtpSink() {
        server_.closeWriteChannel();
        if (!server_.waitForFinished(10000)) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    // The value of the "SMPTServer" setting that reaches this server.
    QString Server() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QString Folder() const { return dir_.filePath(QStringLiteral("mail")); }

    // The messages received so far, in order, waiting up to timeoutMs for at
    // least `expected` of them.
    QStringList Messages(int expected = 0, int timeoutMs = 15000) const {
        QElapsedTimer clock;
        clock.start();
        QStringList files;
        for (;;) {
            files = QDir(Folder()).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
            if (files.size() >= expected || clock.elapsed() > timeoutMs) break;
            QThread::msleep(20);
        }
        for (QString& f : files) f = QDir(Folder()).filePath(f);
        return files;
    }

    // The envelope of a received message: mail_from, rcpt_tos, login.
    static QJsonObject Envelope(const QString& eml) {
        QFile f(QString(eml).replace(QStringLiteral(".eml"), QStringLiteral(".json")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    // Each message as Python's email package reads it (see mail_parse.py).
    static QJsonArray Parse(const QStringList& emls) {
        QProcess parser;
        parser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        parser.start(Python(), QStringList{ScriptFolder() + QStringLiteral("/mail_parse.py")} + emls);
        if (!parser.waitForFinished(60000)) return {};
        return QJsonDocument::fromJson(parser.readAllStandardOutput()).array();
    }

private:
    QTemporaryDir dir_;
    QProcess server_;
    int port_ = 0;
};
