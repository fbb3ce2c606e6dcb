#pragma once
// The services the program expects of its host platform: message and input
// boxes, event pumping, the mouse pointer, the application object, the
// command line, single instance, machine and user names and the clock.
// Everything that talks to a person or to the outside world has a seam, so
// that tests can script the answers and read what was shown.

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class QWidget;

namespace Platform {

// Message box styles (the Windows numbers the program is written with).
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

// Message box answers.
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

struct MsgBoxCall {
    QString prompt;
    int style = 0;
    QString title;
};

// Shows a message box; an empty title means the application title.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString());

// The answer a box gets when nobody can click it: its default button.
int DefaultAnswer(int style);

// Replaces the real boxes (tests, automation). Returns the previous handler.
using MsgBoxHandler = std::function<int(const MsgBoxCall&)>;
MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler);

// Input box: returns "" when cancelled, as the original does.
QString InputBox(const QString& prompt, const QString& title = QString(),
                 const QString& defaultText = QString());
using InputBoxHandler = std::function<QString(const MsgBoxCall&, const QString& defaultText)>;
InputBoxHandler SetInputBoxHandler(InputBoxHandler handler);

// Lets pending window events run (keeps windows responsive during long work).
void DoEvents();
// Waits the given milliseconds while processing events.
void WaitMs(int milliseconds);
void Beep();

// Screen.MousePointer: the hourglass during long work.
enum MousePointer { vbDefault = 0, vbHourglass = 11 };
void SetMousePointer(int pointer);
int GetMousePointer();

// The application object.
namespace App {
QString Title();          // caption of message boxes: "Brivalto"
void SetTitle(const QString& title);
QString EXEName();        // program file name without extension: "Brivalto"
QString Path();           // program folder, no trailing separator
void SetPath(const QString& folder);  // tests: a program folder of their own
int Major();
int Minor();
int Revision();
QString HelpFile();
void SetHelpFile(const QString& file);

// Ends the program at once (Basic's End). The default handler exits the
// process; tests install one that records the call. Callers return after it.
void End(int exitCode = 0);
using EndHandler = std::function<void(int exitCode)>;
EndHandler SetEndHandler(EndHandler handler);

// Whether another copy of the program is already running on this machine
// for this user. The first call claims the instance.
bool PrevInstance();
// Tests: the name of the instance lock, so parallel tests don't collide.
void SetInstanceKey(const QString& key);
}  // namespace App

// The command line after the program name, joined by spaces (Basic's Command).
QString Command();
void SetCommand(const QString& commandLine);

QString ComputerName();
QString UserName();

// The clock. Tests can set it; a set clock can be left running or frozen.
QDateTime Now();
void SetClock(const QDateTime& now, bool frozen = true);
void ResetClock();

// Qt's own dialogs and buttons (the folder chooser, the file dialogs, the
// standard buttons) speak Italian, as the program does. False when Qt's
// Italian translations are not installed.
bool LoadItalianTranslations();

// While one lives, the windows that stay on top of the others (the splash,
// the wait windows) give way: they are hidden, and shown again when it goes,
// so that a box or dialog of the program is never covered by them.
class TopmostGiveWay {
public:
    TopmostGiveWay();
    ~TopmostGiveWay();
    TopmostGiveWay(const TopmostGiveWay&) = delete;
    TopmostGiveWay& operator=(const TopmostGiveWay&) = delete;

private:
    QList<QPointer<QWidget>> hidden_;
};

// Trace of what a person would see, for automation of the real program:
// when BRIVALTO_TRACE names a file, every message box and every window shown
// is appended there and boxes take their default answer. A box that comes
// back at once with the same text (its default answer leads to it again)
// ends the run with exit code 3 instead of looping for ever.
void Trace(const QString& kind, const QString& text);
bool TraceEnabled();

}  // namespace Platform
