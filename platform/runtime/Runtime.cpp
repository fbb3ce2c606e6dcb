#include "Runtime.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QLockFile>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <pwd.h>

#ifndef BRIVALTO_VERSION_MAJOR
#define BRIVALTO_VERSION_MAJOR 1
#define BRIVALTO_VERSION_MINOR 0
#define BRIVALTO_VERSION_PATCH 0
#endif

namespace Platform {

namespace {

MsgBoxHandler gMsgBoxHandler;
InputBoxHandler gInputBoxHandler;
App::EndHandler gEndHandler;

QString gTitle = QStringLiteral("Brivalto");
QString gAppPath;
QString gHelpFile;
QString gCommand;
bool gCommandSet = false;
QString gInstanceKey;
std::unique_ptr<QLockFile> gInstanceLock;
bool gInstanceChecked = false;
bool gPrevInstance = false;

bool gClockSet = false;
bool gClockFrozen = true;
QDateTime gClockValue;
qint64 gClockOffsetMs = 0;

int gMousePointer = vbDefault;
QString gLastTraceLine;  // the last line written to the trace

QString TraceLine(const QString& kind, const QString& text) {
    return kind + "|" + QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

bool HasGui() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QMessageBox::Icon IconOf(int style) {
    switch (style & 0x70) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The buttons of each style, left to right, with the answer each gives.
QList<QPair<QString, int>> ButtonsOf(int style) {
    switch (style & 0x7) {
    case vbOKCancel: return {{"OK", vbOK}, {"Annulla", vbCancel}};
    case vbAbortRetryIgnore: return {{"Interrompi", vbAbort}, {"Riprova", vbRetry}, {"Ignora", vbIgnore}};
    case vbYesNoCancel: return {{"Sì", vbYes}, {"No", vbNo}, {"Annulla", vbCancel}};
    case vbYesNo: return {{"Sì", vbYes}, {"No", vbNo}};
    case vbRetryCancel: return {{"Riprova", vbRetry}, {"Annulla", vbCancel}};
    default: return {{"OK", vbOK}};
    }
}

int DefaultIndex(int style, int count) {
    int index = (style >> 8) & 0x3;
    return index < count ? index : 0;
}

}  // namespace

int DefaultAnswer(int style) {
    auto buttons = ButtonsOf(style);
    return buttons[DefaultIndex(style, buttons.size())].second;
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler) {
    std::swap(handler, gMsgBoxHandler);
    return handler;
}

InputBoxHandler SetInputBoxHandler(InputBoxHandler handler) {
    std::swap(handler, gInputBoxHandler);
    return handler;
}

int MsgBox(const QString& prompt, int style, const QString& title) {
    MsgBoxCall call{prompt, style, title.isEmpty() ? App::Title() : title};
    if (gMsgBoxHandler) return gMsgBoxHandler(call);
    if (TraceEnabled()) {
        const QString text = QString::number(style) + "|" + call.title + "|" + prompt;
        // The default answer led straight back to the same box: under
        // automation nobody will ever answer otherwise, so the run ends.
        if (gLastTraceLine == TraceLine(QStringLiteral("MSGBOX"), text)) {
            Trace(QStringLiteral("ERROR"), QStringLiteral("the same box came back: ") + text);
            std::fprintf(stderr, "Brivalto: the same message box came back under automation: %s\n",
                         qPrintable(prompt));
            App::End(3);
            for (const auto& b : ButtonsOf(style))
                if (b.second == vbCancel || b.second == vbNo) return b.second;
            return DefaultAnswer(style);
        }
        Trace(QStringLiteral("MSGBOX"), text);
        return DefaultAnswer(style);
    }
    if (!HasGui()) return DefaultAnswer(style);

    QMessageBox box(IconOf(style), call.title, prompt, QMessageBox::NoButton, QApplication::activeWindow());
    auto buttons = ButtonsOf(style);
    QList<QAbstractButton*> made;
    for (const auto& [text, answer] : buttons) {
        auto role = (answer == vbCancel || answer == vbNo) ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        made.append(box.addButton(text, role));
    }
    box.setDefaultButton(static_cast<QPushButton*>(made[DefaultIndex(style, made.size())]));
    if (made.size() == 1) box.setEscapeButton(made[0]);
    const TopmostGiveWay giveWay;
    // The hourglass must not hide the pointer over a question.
    bool overridden = QApplication::overrideCursor() != nullptr;
    if (overridden) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (overridden) QApplication::restoreOverrideCursor();
    int clicked = made.indexOf(box.clickedButton());
    if (clicked < 0) {
        // Closed by its frame: Cancel when there is one, else the default.
        for (const auto& b : buttons)
            if (b.second == vbCancel) return vbCancel;
        return DefaultAnswer(style);
    }
    return buttons[clicked].second;
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    MsgBoxCall call{prompt, 0, title.isEmpty() ? App::Title() : title};
    if (gInputBoxHandler) return gInputBoxHandler(call, defaultText);
    if (TraceEnabled()) {
        Trace(QStringLiteral("INPUTBOX"), call.title + "|" + prompt);
        return defaultText;
    }
    if (!HasGui()) return defaultText;
    const TopmostGiveWay giveWay;
    bool ok = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), call.title, prompt, QLineEdit::Normal,
                                         defaultText, &ok);
    return ok ? text : QString();
}

namespace {
// The few texts of Qt's dialogs that its Italian catalogue leaves in English.
class MissingItalian : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        static const struct {
            const char* context;
            const char* source;
            const char* italian;
        } texts[] = {
            {"QAbstractFileIconProvider", "Folder", "Cartella"},
            {"QAbstractFileIconProvider", "Drive", "Unità"},
            {"QFileIconProvider", "Folder", "Cartella"},
            {"QFileIconProvider", "Drive", "Unità"},
        };
        for (const auto& t : texts)
            if (qstrcmp(context, t.context) == 0 && qstrcmp(sourceText, t.source) == 0) return QString::fromUtf8(t.italian);
        return QString();
    }
};
}  // namespace

bool LoadItalianTranslations() {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    if (!QCoreApplication::instance()) return false;
    static QTranslator* translator = nullptr;
    if (translator) return true;
    auto* qt = new QTranslator(QCoreApplication::instance());
    if (!qt->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    QCoreApplication::installTranslator(new MissingItalian(QCoreApplication::instance()));
    translator = qt;
    return true;
}

TopmostGiveWay::TopmostGiveWay() {
    if (!HasGui()) return;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint)) {
            hidden_.append(w);
            w->hide();
        }
}

TopmostGiveWay::~TopmostGiveWay() {
    for (const QPointer<QWidget>& w : hidden_)
        if (w) w->show();
}

void DoEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitMs(int milliseconds) {
    if (milliseconds <= 0) {
        DoEvents();
        return;
    }
    if (!QCoreApplication::instance()) {
        QThread::msleep(milliseconds);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        qint64 left = milliseconds - timer.elapsed();
        if (left > 0) QThread::msleep(static_cast<unsigned long>(qMin<qint64>(left, 10)));
    }
}

void Beep() {
    if (HasGui()) QApplication::beep();
}

void SetMousePointer(int pointer) {
    if (HasGui()) {
        if (pointer == vbHourglass && gMousePointer != vbHourglass)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else if (pointer != vbHourglass && gMousePointer == vbHourglass)
            QApplication::restoreOverrideCursor();
    }
    gMousePointer = pointer;
}

int GetMousePointer() { return gMousePointer; }

namespace App {

QString Title() { return gTitle; }
void SetTitle(const QString& title) { gTitle = title; }
QString EXEName() { return QStringLiteral("Brivalto"); }

QString Path() {
    if (!gAppPath.isEmpty()) return gAppPath;
    if (QCoreApplication::instance()) return QDir::cleanPath(QCoreApplication::applicationDirPath());
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

void SetPath(const QString& folder) { gAppPath = QDir::cleanPath(folder); }
int Major() { return BRIVALTO_VERSION_MAJOR; }
int Minor() { return BRIVALTO_VERSION_MINOR; }
int Revision() { return BRIVALTO_VERSION_PATCH; }
QString HelpFile() { return gHelpFile; }
void SetHelpFile(const QString& file) { gHelpFile = file; }

EndHandler SetEndHandler(EndHandler handler) {
    std::swap(handler, gEndHandler);
    return handler;
}

void End(int exitCode) {
    Trace(QStringLiteral("END"), QString::number(exitCode));
    if (gEndHandler) {
        gEndHandler(exitCode);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void SetInstanceKey(const QString& key) {
    gInstanceKey = key;
    gInstanceLock.reset();
    gInstanceChecked = false;
    gPrevInstance = false;
}

namespace {

// A folder that no other user can put files in.
bool IsPrivateFolder(const QString& folder) {
    const QFileInfo info(folder);
    const auto others = QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !folder.isEmpty() && info.isDir() && info.isWritable() && info.ownerId() == ::getuid() &&
           !(info.permissions() & others);
}

// The instance lock lives where only this user can create it: anyone could
// take a well-known name in a shared temporary folder first, and so keep the
// program from starting.
QString InstanceFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (IsPrivateFolder(runtime)) return runtime;
    QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty()) cache = QDir::homePath() + QStringLiteral("/.cache");
    const QString folder = cache + QStringLiteral("/Brivalto");
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    return folder;
}

}  // namespace

bool PrevInstance() {
    if (gInstanceChecked) return gPrevInstance;
    gInstanceChecked = true;
    QString key = gInstanceKey.isEmpty() ? EXEName() + "-" + UserName() : gInstanceKey;
    gInstanceLock = std::make_unique<QLockFile>(InstanceFolder() + "/" + key + ".lock");
    // A lock left by a crashed copy is taken over: QLockFile checks the owner's pid.
    gInstanceLock->setStaleLockTime(0);
    gPrevInstance = !gInstanceLock->tryLock(0);
    return gPrevInstance;
}

}  // namespace App

QString Command() {
    if (gCommandSet) return gCommand;
    QStringList args = QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
    if (!args.isEmpty()) args.removeFirst();
    return args.join(QLatin1Char(' '));
}

void SetCommand(const QString& commandLine) {
    gCommand = commandLine;
    gCommandSet = true;
}

QString ComputerName() {
    // Two workstations can be simulated on one machine by naming them.
    QString name = qEnvironmentVariable("BRIVALTO_COMPUTERNAME");
    if (name.isEmpty()) name = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    return name.toUpper();
}

QString UserName() {
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty()) {
        if (const passwd* pw = getpwuid(getuid())) name = QString::fromLocal8Bit(pw->pw_name);
    }
    return name;
}

QDateTime Now() {
    if (!gClockSet) return QDateTime::currentDateTime();
    if (gClockFrozen) return gClockValue;
    return QDateTime::currentDateTime().addMSecs(gClockOffsetMs);
}

void SetClock(const QDateTime& now, bool frozen) {
    gClockSet = true;
    gClockFrozen = frozen;
    gClockValue = now;
    gClockOffsetMs = QDateTime::currentDateTime().msecsTo(now);
}

void ResetClock() { gClockSet = false; }

bool TraceEnabled() { return !qEnvironmentVariableIsEmpty("BRIVALTO_TRACE"); }

void Trace(const QString& kind, const QString& text) {
    if (!TraceEnabled()) return;
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    gLastTraceLine = TraceLine(kind, text);
    QFile file(qEnvironmentVariable("BRIVALTO_TRACE"));
    if (!file.open(QIODevice::Append | QIODevice::Text)) return;
    file.write((gLastTraceLine + "\n").toUtf8());
}

}  // namespace Platform
