#include "TestKit.h"

#include "Dialogs.h"
#include "Settings.h"

#include <QDir>
#include <QFile>

#ifndef BRIVALTO_BIN_DIR
#define BRIVALTO_BIN_DIR ""
#endif

namespace TestKit {

QString ProgramFolder() { return QStringLiteral(BRIVALTO_BIN_DIR); }

Environment::Environment() {
    dataPath_ = root_.path() + "/data/";
    QDir().mkpath(dataPath_);
    QDir().mkpath(SettingsFolder());
    QString empty = ProgramFolder() + "/Brivalto.mdb";
    if (QFile::exists(empty)) {
        QFile::copy(empty, DatabaseFile());
        QFile(DatabaseFile()).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    Platform::SetSettingsFolder(SettingsFolder());
    // The work files of the program (letters, logs) go under the XDG data home.
    previousDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(root_.path() + "/share"));
    Platform::App::SetPath(ProgramFolder());
    previousBox_ = Platform::SetMsgBoxHandler([this](const Platform::MsgBoxCall& call) {
        boxes_.append(call);
        if (!answers_.isEmpty()) return answers_.takeFirst();
        return Platform::DefaultAnswer(call.style);
    });
    previousInput_ = Platform::SetInputBoxHandler([this](const Platform::MsgBoxCall& call, const QString&) {
        boxes_.append(call);
        return inputs_.isEmpty() ? QString() : inputs_.takeFirst();
    });
    Platform::SetFolderChooserHandler([this](const QString& title) {
        chooserTitles_.append(title);
        return folders_.isEmpty() ? QString() : folders_.takeFirst();
    });
    Platform::App::SetEndHandler([this](int) { ++endCalls_; });
}

Environment::~Environment() {
    Platform::SetMsgBoxHandler(previousBox_);
    Platform::SetInputBoxHandler(previousInput_);
    Platform::SetFolderChooserHandler(nullptr);
    Platform::App::SetEndHandler(nullptr);
    Platform::ResetClock();
    Platform::SetSettingsFolder(QString());
    if (previousDataHome_.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", previousDataHome_);
}

QStringList Environment::Prompts() const {
    QStringList prompts;
    for (const auto& b : boxes_) prompts.append(b.prompt);
    return prompts;
}

}  // namespace TestKit
