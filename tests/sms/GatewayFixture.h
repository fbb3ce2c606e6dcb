#pragma once
// A control pointed at a fake gateway on 127.0.0.1, with its log in a
// temporary folder and its SendError events counted.

#include "TestHttpServer.h"
#include "qvxSMS2.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct GatewayFixture : ::testing::Test, Tessivo::__qvxSMS2 {
    TestHttp::Server server;
    QTemporaryDir dir;
    std::unique_ptr<Tessivo::qvxSMS2> sms;
    int sendErrors = 0;

    void SendError() override { ++sendErrors; }

    void SetUp() override {
        ASSERT_TRUE(server.Start());
        ASSERT_TRUE(dir.isValid());
        sms = std::make_unique<Tessivo::qvxSMS2>();
        sms->SetGatewayUrl(Tessivo::prvGeodrop, server.Url());
        sms->SetGatewayUrl(Tessivo::prvIdea, server.Url());
        sms->SetTimeouts({2000, 2000});
        sms->SetEventSink(this);
        sms->setUserName("mario");
        sms->setPassword("segreta");
        sms->setSender("BRIVALTO");
        sms->setMessage("PROMEMORIA: APPUNTAMENTO ALLE 10");
        sms->Destinations()->Add("393331112222");
    }

    void EnableLog() {
        sms->setEventLogPath(dir.path());
        sms->setEventLog(true);
    }

    // The log without its time stamps.
    QStringList LogLines() const {
        QFile f(dir.filePath("SMS.log"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"))) {
            if (line.isEmpty()) continue;
            QString text = line;
            if (!text.startsWith('-')) text = text.mid(22);
            lines << text;
        }
        return lines;
    }

    // Number and description of every error item of the last Send.
    std::vector<std::pair<qint32, QString>> ErrorItems() const {
        std::vector<std::pair<qint32, QString>> items;
        for (const auto& e : sms->Errors()->NewEnum()) items.emplace_back(e->Number(), e->Description());
        return items;
    }
};

inline const QString kSeparator(79, '-');
