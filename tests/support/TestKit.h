#pragma once
// What each test needs around it: a temporary data folder with a fresh copy
// of the empty database, temporary settings, scripted message-box answers
// with a record of every box shown, a set clock and a folder chooser that
// answers from a script. Everything is undone when the kit goes out of scope.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "Runtime.h"

namespace TestKit {

class Environment {
public:
    Environment();
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // A folder of its own, removed at the end.
    QString Root() const { return root_.path(); }
    // The data folder, ending with "/"; holds "Brivalto.mdb" when the build made one.
    QString DataPath() const { return dataPath_; }
    QString DatabaseFile() const { return dataPath_ + "Brivalto.mdb"; }
    QString SettingsFolder() const { return root_.path() + "/settings"; }
    // The XDG data home, where the work folders of the workstations lie.
    QString DataHome() const { return root_.path() + "/share"; }

    // Message boxes: answers are taken in order; when none is left a box gets
    // its default answer. Every box shown is recorded.
    void AnswerNext(int answer) { answers_.append(answer); }
    const QList<Platform::MsgBoxCall>& Boxes() const { return boxes_; }
    QStringList Prompts() const;
    void ClearBoxes() { boxes_.clear(); }

    // Input boxes: texts taken in order; "" (cancel) when none is left.
    void TypeNext(const QString& text) { inputs_.append(text); }

    // Folder chooser: folders taken in order; "" (cancel) when none is left.
    void ChooseNext(const QString& folder) { folders_.append(folder); }
    QStringList ChooserTitles() const { return chooserTitles_; }

    // Platform::App::End: recorded, the process goes on.
    int EndCalls() const { return endCalls_; }

    void SetClock(const QDateTime& now, bool frozen = true) { Platform::SetClock(now, frozen); }

private:
    QTemporaryDir root_;
    QString dataPath_;
    QList<int> answers_;
    QList<Platform::MsgBoxCall> boxes_;
    QStringList inputs_;
    QStringList folders_;
    QStringList chooserTitles_;
    int endCalls_ = 0;
    QByteArray previousDataHome_;
    Platform::MsgBoxHandler previousBox_;
    Platform::InputBoxHandler previousInput_;
};

// The folder of the built program (where the empty database lies).
QString ProgramFolder();

// An environment variable set (unset, for a null value) until the end of
// the scope, when what it held before is put back.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) { Set(value); }
    ~EnvironmentVariable() { Set(old_); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    void Set(const QByteArray& value) {
        if (value.isNull()) qunsetenv(name_);
        else qputenv(name_, value);
    }
    const char* name_;
    QByteArray old_;
};

}  // namespace TestKit
