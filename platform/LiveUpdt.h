#pragma once
// Stand-in for the update control: it is given the program's identity and
// the update server's address, and is asked whether a newer build exists.

#include <QObject>
#include <QString>
#include <cstdint>

namespace Platform {

class LiveUpdt : public QObject {
    Q_OBJECT
public:
    explicit LiveUpdt(QObject* parent = nullptr) : QObject(parent) {}

    QString AppName, AppPath, BaseURL, VerFile, Caption;
    std::int32_t Major = 0, Minor = 0, Build = 0, Revision = 0;
    bool ShowProgress = false;
    std::int32_t TimeoutSeconds = 20;

    // Colours of the control's own window (&HBBGGRR).
    std::int32_t ColCancel = 0, ColConfirm = 0, ColButton = 0, ColBack = 0, ColText = 0;

    // True when the server offers a newer version. Until the network side is
    // in place the answer is always "no update".
    virtual bool CheckForUpdate() { return false; }

signals:
    // The control's closing events and its request to end the program.
    void Cancelled();
    void Finished();
    void Failed();
    void EndProgram();
};

}  // namespace Platform
