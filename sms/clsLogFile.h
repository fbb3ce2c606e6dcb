#pragma once
// A text log: lines appended one call at a time, optionally behind a time
// stamp and after a separator, with a size cap that keeps the newest lines.
// Written in UTF-8 with CR LF line ends; an older log in Windows-1252, or one
// with LF line ends, is read and rewritten so on its first append.

#include <QObject>
#include <QString>
#include <functional>

class QFile;

class clsLogFile : public QObject {
    Q_OBJECT
public:
    struct Error {
        qint32 Number = 0;  // 0: no error
        QString Description;
    };

    explicit clsLogFile(QObject* parent = nullptr);

    qint32 MaxLogLength() const { return maxLogLength_; }
    void setMaxLogLength(qint32 value) { maxLogLength_ = value; }
    bool Silent() const { return silent_; }
    void setSilent(bool value) { silent_ = value; }
    bool WriteLine(const QString& Riga, bool PrintSeparator, bool ClearFile);
    bool Active() const { return active_; }
    void setActive(bool value) { active_ = value; }
    QString FileName() const { return fileName_; }
    void setFileName(const QString& value) {
        if (value != fileName_) read_ = false;
        fileName_ = value;
    }
    bool PrintTimeStamp() const { return printTimeStamp_; }
    void setPrintTimeStamp(bool value) { printTimeStamp_ = value; }
    const Error& LastError() const { return lastError_; }

    // How the retry question reaches the user: true means Yes. The default
    // shows a Yes/No box titled with the application's name; a host or a
    // test installs its own. Returns the handler it replaces.
    using AskHandler = std::function<bool(const QString& prompt)>;
    static AskHandler SetAskHandler(AskHandler handler);

signals:
    // A handler sets TryResume to have the failed step tried again.
    void GetError(bool& TryResume);

private:
    enum class Outcome { Done, GaveUp };
    // Runs one input/output step until it succeeds or the failure protocol
    // gives up.
    Outcome Attempt(const std::function<bool(Error&)>& step);
    void TrimLog();

    qint32 maxLogLength_ = 0;
    bool silent_ = false;
    bool active_ = false;
    QString fileName_;
    bool printTimeStamp_ = false;
    Error lastError_;
    // Whether the file has been read once since it was named (see TrimLog).
    bool read_ = false;
};
