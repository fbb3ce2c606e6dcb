#include "modGlobals.h"

#include "modErrorManager.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QStandardPaths>
#include <QSysInfo>
#include <algorithm>
#include <cmath>
#include <zlib.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Pagivex {

Error::Error(qint32 number, const QString& source, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_source(source),
      m_description(description) {}

Error::~Error() = default;

namespace modGlobals {

QString GetErrorText(qint32 number) {
    switch (number) {
    case 1001: return "Invalid connection info.";
    case 1002: return "Invalid value.";
    case 1030: return "Unable to initialize ODBC API drivers!.";
    case 1031: return "Could not allocate memory for connection\\statement Handle!.";
    case 1032: return "Could not establish connection to ODBC driver!.";
    case 1033: return "Error logging out of data source!.";
    case 1034: return "Error unloading ODBC drivers!.";
    case 1035: return "Error Freeing Environment From ODBC Drivers.";
    case 1039: return "No data returned.";
    case 1050: return "SQL driver error.";
    case 1051: return "Invalid Data Source Type.";
    case 1052: return "Error importing data.";
    case 1060: return "Invalid decryption password was passed.";
    case 1061: return "Function CryptoAcquireContext failed";
    case 1062: return "Function CryptCreateHash failed";
    case 1063: return "Function CryptHashData failed";
    case 1064: return "Function CryptDeriveKey failed";
    case 1065: return "Function CryptEncrypt failed";
    case 1066: return "Data might be corrupted (Invalid Checksum).";
    case 1070: return "Invalid Object Type.";
    case 1071: return "Form already loaded.";
    case 1072: return "Object does not exist.";
    case 1073: return "Invalid property name.";
    case 1074: return "Invalid Device Context.";
    case 1075: return "Invalid property usage at this time.";
    case 1076: return "Invalid StartUp module.";
    case 1080: return "No more than 10 timers allowed per class.";
    case 1081: return "Can't create system timer.";
    case 1082: return "No printers defined.";
    case 1083: return "File does not exist.";
    case 1084: return "Invalid file format or signature.";
    case 1090: return "Symbol already defined.";
    case 1091: return "Symbol not defined.";
    case 1092: return "Invalid Empty Stack Call.";
    case 13080: return "Base Window Procedure (SubClass).";
    case 13081: return "Can't subclass window";
    case 13082: return "Message already handled by another class";
    case 13083: return "Invalid window";
    case 13084: return "Can't modify external window";
    default: return "Unknown error.";
    }
}

void RaiseLibError(qint32 number, const QString& object, const QString& procedure,
                   const QString& description, qint32 line) {
    QString source = QString(LibraryName) + "." + object;
    if (!procedure.isEmpty()) source += "." + procedure;
    if (line != 0) source += "." + QString::number(line);
    QString text = description;
    if (text.isEmpty() && number > 1000) text = GetErrorText(number);
    LogEvent(text, source, number, 1);
    throw Error(number, source, text);
}

void LogEvent(const QString& description, const QString& source, qint32 number, qint32 kind) {
    QString head;
    switch (kind) {
    case 1: head = "Error ["; break;
    case 2: head = "Warning ["; break;
    case 4: head = "Info ["; break;
    default: head = "Event ["; break;
    }
    head += QDateTime::currentDateTime().toString("MM-dd-yyyy h:mm") + "] ";
    QString body;
    if (number != 0) body = "[CD 0x" + QString::number(quint32(number), 16).toUpper() + "] ";
    body += description;
    // There is no system application event log to write to on this platform; the daily
    // file is the record.
    const QString rule(50, '-');
    modErrorManager::WriteLog(rule);
    modErrorManager::WriteLog(head);
    modErrorManager::WriteLog(body);
    modErrorManager::WriteLog(source);
    modErrorManager::WriteLog(rule);
}

qint32 RoundEven(double value) { return qint32(std::nearbyint(value)); }

qint32 CLng(double value, const char* object, const char* procedure) {
    if (!(value > -2147483648.5 && value < 2147483647.5))
        RaiseLibError(ErrOverflow, object, procedure, "Overflow");
    return qint32(std::nearbyint(value));
}

qint16 CInt(double value, const char* object, const char* procedure) {
    if (!(value > -32768.5 && value < 32767.5)) RaiseLibError(ErrOverflow, object, procedure, "Overflow");
    return qint16(std::nearbyint(value));
}

double Val(const QString& text) {
    int i = 0;
    const int n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    };
    skipBlanks();
    if (i + 1 < n && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')) {
        i += 2;
        qint64 v = 0;
        while (i < n && QString("0123456789abcdefABCDEF").contains(text[i])) {
            v = v * 16 + QString(text[i]).toInt(nullptr, 16);
            if (v > 0xFFFFFFFFLL) break;
            ++i;
        }
        return double(qint32(quint32(v)));
    }
    QString number;
    if (i < n && (text[i] == '-' || text[i] == '+')) number += text[i++];
    bool digits = false, dot = false;
    while (i < n) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            number += c;
            digits = true;
        } else if (c == '.' && !dot) {
            number += c;
            dot = true;
        } else if (c == ' ' || c == '\t') {
            // Basic's Val skips blanks inside the number.
        } else {
            break;
        }
        ++i;
    }
    if (!digits) return 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        int j = i + 1;
        QString exponent = "e";
        if (j < n && (text[j] == '-' || text[j] == '+')) exponent += text[j++];
        bool expDigits = false;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128) {
            exponent += text[j++];
            expDigits = true;
        }
        if (expDigits) number += exponent;
    }
    return number.toDouble();
}

static QColor SystemColor(int index) {
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 1: case 2: case 13: case 26: return pal.color(QPalette::Highlight);
    case 9: case 14: return pal.color(QPalette::HighlightedText);
    case 3: case 10: case 11: case 15: case 4: case 0: return pal.color(QPalette::Button);
    case 5: return pal.color(QPalette::Base);
    case 6: case 21: return pal.color(QPalette::Shadow);
    case 7: case 8: return pal.color(QPalette::Text);
    case 12: return pal.color(QPalette::Dark);
    case 16: return pal.color(QPalette::Mid);
    case 17: case 19: return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: return pal.color(QPalette::ButtonText);
    case 20: return pal.color(QPalette::Light);
    case 22: return pal.color(QPalette::Midlight);
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    default: return pal.color(QPalette::Window);
    }
}

QColor TranslateColor(qint32 oleColor) {
    const quint32 v = quint32(oleColor);
    if ((v >> 24) == 0x80) return SystemColor(int(v & 0xFF));
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

char AnsiByte(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return char(u);
    // 0x80-0x9F of Windows-1252; the rest of 0xA0-0xFF is Latin-1.
    static const char16_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int k = 0; k < 32; ++k)
        if (high[k] != 0 && high[k] == u) return char(0x80 + k);
    return '?';
}

void ToAnsi(QStringView text, char* d) {
    const qsizetype n = text.size();
    const char16_t* s = text.utf16();
    qsizetype i = 0;
    while (i < n) {
        // Plain ASCII, the common case, a block at a time.
        if (i + 16 <= n) {
            char16_t any = 0;
            for (int k = 0; k < 16; ++k) any |= s[i + k];
            if (any < 0x80) {
                for (int k = 0; k < 16; ++k) d[i + k] = char(s[i + k]);
                i += 16;
                continue;
            }
        }
        for (const qsizetype stop = std::min(n, i + 16); i < stop; ++i) d[i] = s[i] < 0x80 ? char(s[i]) : AnsiByte(s[i]);
    }
}

QByteArray ToAnsi(QStringView text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    ToAnsi(text, out.data());
    return out;
}

QString HtmlAttribute(const QString& text) {
    QString out = text;
    out.replace('&', "&amp;").replace('"', "&quot;").replace('<', "&lt;").replace('>', "&gt;");
    return out;
}

QString WorkstationName() {
    // Two workstations can be run on one machine by naming them, as the program does.
    QString name = qEnvironmentVariable("BRIVALTO_COMPUTERNAME");
    if (name.isEmpty()) name = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    return name.toUpper().replace(QLatin1Char('/'), QLatin1Char('_'));
}

QString WorkFolder() {
    // Never beside the library: an installed program's folder cannot be written, and every
    // user and workstation of it would share one.
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Pagivex/" + WorkstationName();
    QDir().mkpath(folder);
    return folder;
}

#if defined(__GLIBC__)
PrintHeap::PrintHeap() {
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

PrintHeap::~PrintHeap() {
    // The C library's first values again (fixed from now on), and what the job kept goes
    // back to the system.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    malloc_trim(0);
}
#else
PrintHeap::PrintHeap() = default;
PrintHeap::~PrintHeap() = default;
#endif

namespace {
thread_local int fastCompression = 0;
}  // namespace

FastCompression::FastCompression() { ++fastCompression; }
FastCompression::~FastCompression() { --fastCompression; }
bool FastCompression::Active() { return fastCompression > 0; }

void DoEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace modGlobals
}  // namespace Pagivex

namespace Pagivex::modGlobals {
QString& ApplicationName() {
    static QString name;
    return name;
}
}  // namespace Pagivex::modGlobals

// The PDF writer offers no choice of compression level: it starts each stream with zlib's
// deflateInit at the default level. The library's own deflateInit_ comes before zlib's
// when the program's symbols are looked up, so the writer reaches this one, which does what
// zlib's does (deflateInit2_ with zlib's defaults) at the fastest level while a print job
// asks for it.
extern "C" PAGIVEX_EXPORT int deflateInit_(z_streamp strm, int level, const char* version, int stream_size) {
    if (level == Z_DEFAULT_COMPRESSION && Pagivex::modGlobals::FastCompression::Active()) level = Z_BEST_SPEED;
    return deflateInit2_(strm, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY, version, stream_size);
}
