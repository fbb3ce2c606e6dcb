// Shared machinery of the library: numbered errors, the log, value rules of the
// original runtime (half-to-even rounding, Val), colours and the ANSI file encoding.
#pragma once

#include <Pagivex/Types.h>

#include <QColor>
#include <QString>
#include <functional>

namespace Pagivex::modGlobals {

inline constexpr const char* LibraryName = "Pagivex";
inline constexpr qint32 ErrOverflow = 6;
inline constexpr qint32 ErrSubscript = 9;
inline constexpr qint32 ErrFileAccess = 75;

QString GetErrorText(qint32 number);

// Logs the error and throws Pagivex::Error; never returns.
[[noreturn]] void RaiseLibError(qint32 number, const QString& object, const QString& procedure,
                                const QString& description = QString(), qint32 line = 0);

// kind: 1 error, 2 warning, 4 information, anything else event.
void LogEvent(const QString& description, const QString& source, qint32 number, qint32 kind);

// Basic's CLng and CInt: half to even, range-checked (Overflow, error 6).
qint32 CLng(double value, const char* object, const char* procedure);
qint16 CInt(double value, const char* object, const char* procedure);
// The same without raising: for places where the value is known to fit.
qint32 RoundEven(double value);

// Basic's Val: the leading number of a text ("3.5x" gives 3.5, "x" gives 0).
double Val(const QString& text);

// OLE colour (red in the low byte, 0x80 in the high byte = system colour) to QColor.
QColor TranslateColor(qint32 oleColor);

// The Windows-1252 byte of a character outside ASCII ("?" when the code page lacks it).
char AnsiByte(char16_t u);
// The Windows-1252 bytes of a text, one for each of its characters, written to out;
// characters the code page lacks become "?".
void ToAnsi(QStringView text, char* out);
QByteArray ToAnsi(QStringView text);
// A text as it may stand inside a quoted HTML attribute.
QString HtmlAttribute(const QString& text);

// This workstation's name: $BRIVALTO_COMPUTERNAME, else the computer's name, in capitals.
QString WorkstationName();
// The library's own files (the daily log, an export named without a folder) go to a folder
// of the user and workstation: <XDG data home>/Pagivex/<workstation>, made when missing.
QString WorkFolder();

// Lets the window keep painting during long work.
void DoEvents();

// For the length of a print job: the PDF writer takes buffers of several megabytes for every
// page and gives them back at its end; the C library would hand that memory to the system
// after each page and fault it in again for the next, which costs more than the drawing.
// The memory is kept for reuse during the job and handed back once, at its end.
class PrintHeap {
public:
    PrintHeap();
    ~PrintHeap();
    PrintHeap(const PrintHeap&) = delete;
    PrintHeap& operator=(const PrintHeap&) = delete;
};

// For the length of a print job on this thread: the PDF writer deflates its pages at the
// fastest level instead of zlib's default, which took a quarter of a list's printing for
// a file a little smaller. Outside such a scope every caller of zlib gets what it asks for.
class FastCompression {
public:
    FastCompression();
    ~FastCompression();
    FastCompression(const FastCompression&) = delete;
    FastCompression& operator=(const FastCompression&) = delete;
    // Whether one is in force on this thread.
    static bool Active();
};

}  // namespace Pagivex::modGlobals

namespace Pagivex::modGlobals {
// The caller's program name, one for the whole library (Preview.Application).
QString& ApplicationName();
}  // namespace Pagivex::modGlobals
