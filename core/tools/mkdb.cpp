// Writes the database file the program is delivered with.
#include "Schema.h"
#include "Runtime.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: brivalto-mkdb FILE\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    QFile::remove(file);
    Platform::SetMsgBoxHandler([](const Platform::MsgBoxCall& call) {
        std::fprintf(stderr, "%s\n", qPrintable(call.prompt));
        return 1;
    });
    int ended = 0;
    Platform::App::SetEndHandler([&](int) { ended = 1; });
    QString error;
    if (!Schema::CreateDeliveredDatabase(file, &error) || ended) {
        std::fprintf(stderr, "brivalto-mkdb: %s\n", qPrintable(error));
        QFile::remove(file);
        return 1;
    }
    return 0;
}
