#include "modErrorManager.h"

#include "modGlobals.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStorageInfo>
#include <QSysInfo>
#include <QThread>
#include <arpa/inet.h>
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

namespace Pagivex::modErrorManager {

static QString& Folder() {
    static QString folder;
    return folder;
}

void SetLogFolder(const QString& folder) { Folder() = folder; }

QString LogFolder() {
    QString base = Folder();
    if (base.isEmpty()) base = qEnvironmentVariable("PAGIVEX_LOG_DIR");
    if (base.isEmpty()) base = modGlobals::WorkFolder();
    if (!base.endsWith('/')) base += '/';
    return base;
}

QString TodayLogFile() {
    const QDate today = QDate::currentDate();
    return LogFolder() + modGlobals::LibraryName + "Log" + today.toString("yyyy") + "/" +
           today.toString("MM") + "/" + today.toString("dd") + ".log";
}

static QString Thousands(qint64 value) {
    QString digits = QString::number(value < 0 ? -value : value);
    for (int i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, ',');
    return value < 0 ? "-" + digits : digits;
}

static QString Percent(double ratio) {
    // "##0.0#%": at least one decimal, at most two.
    QString text = QString::number(ratio * 100.0, 'f', 2);
    if (text.endsWith('0')) text.chop(1);
    return text + "%";
}

static QString ReadProcValue(const QString& file, const QString& key) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromLocal8Bit(raw);
        if (line.startsWith(key)) return line.section(':', 1).trimmed();
    }
    return {};
}

static QString GetLoggedUserText() {
    QString user;
    if (const passwd* pw = getpwuid(geteuid())) user = QString::fromLocal8Bit(pw->pw_name);
    return "Logged User: " + (user.isEmpty() ? QString("[No Logged]") : user);
}

static QString GetWorkstationAddress(const QString& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    QString address;
    if (getaddrinfo(host.toLocal8Bit().constData(), nullptr, &hints, &result) == 0 && result) {
        char buffer[INET_ADDRSTRLEN] = {};
        auto* in = reinterpret_cast<sockaddr_in*>(result->ai_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, buffer, sizeof buffer)) address = buffer;
        freeaddrinfo(result);
    }
    return address;
}

static QString GetWorkstationText() {
    const QString host = QSysInfo::machineHostName().trimmed();
    return "Workstation: " + host + " (IP " + GetWorkstationAddress(host) + ")";
}

static QString GetOSVersionText() {
    return "Op. System:  " + QSysInfo::prettyProductName() + " v" + QSysInfo::kernelVersion();
}

static QString GetProcessorText() {
    QString text = ReadProcValue("/proc/cpuinfo", "model name");
    if (text.isEmpty()) text = "[Unknown]";
    const QString mhz = ReadProcValue("/proc/cpuinfo", "cpu MHz");
    if (!mhz.isEmpty()) text += " " + QString::number(qRound(mhz.toDouble())) + " MHz";
    const QString vendor = ReadProcValue("/proc/cpuinfo", "vendor_id");
    if (!vendor.isEmpty()) text += " (" + vendor + ") ";
    const int count = QThread::idealThreadCount();
    if (count > 1) text += " " + QString::number(count) + " processors";
    return "Processors:  " + text;
}

static QString GetMemoryText() {
    const qint64 total = ReadProcValue("/proc/meminfo", "MemTotal").section(' ', 0, 0).toLongLong();
    const qint64 avail = ReadProcValue("/proc/meminfo", "MemAvailable").section(' ', 0, 0).toLongLong();
    if (total <= 0) return "RAM Memory:  [Unknown]";
    return "RAM Memory:  " + Thousands(avail) + " / " + Thousands(total) + " Kb (" +
           Percent(double(avail) / double(total)) + " Free)";
}

static QString GetDiskSpaceText(const QString& path) {
    const QStorageInfo disk(path);
    if (!disk.isValid() || disk.bytesTotal() <= 0) return "Disk Space: [Unknown]";
    const qint64 total = disk.bytesTotal() / 1024, free = disk.bytesAvailable() / 1024;
    return "Disk Space:  " + Thousands(free) + " / " + Thousands(total) + " Kb (" +
           Percent(double(free) / double(total)) + " Free)";
}

QString GetSystemInfoText() {
    return QStringList{GetLoggedUserText(), GetWorkstationText(), GetOSVersionText(), GetProcessorText(),
                       GetMemoryText(), GetDiskSpaceText(LogFolder())}
        .join("\n");
}

void WriteLog(const QString& line) {
    const QString fileName = TodayLogFile();
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!QDir().mkpath(folder)) return;
    QString text = line;
    if (text.endsWith("\r\n")) text.chop(2);
    const QDateTime now = QDateTime::currentDateTime();
    text = "[" + now.toString("yyyy-MM-dd ") + now.toString("H:mm.ss") + "] " + text;

    QFile file(fileName);
    const bool fresh = !file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return;
    QString out;
    if (fresh) {
        out += QString(50, '=') + "\n";
        out += QString(modGlobals::LibraryName) + " v1.0\n";
        out += "Aplication log file for " + QLocale::c().toString(QDate::currentDate(), "MMM dd, yyyy") + "\n";
        out += QString(50, '-') + "\n";
        out += GetSystemInfoText() + "\n";
        out += QString(50, '=') + "\n";
    }
    out += text + "\n";
    file.write(out.toUtf8());
}

}  // namespace Pagivex::modErrorManager
