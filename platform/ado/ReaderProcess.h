#pragma once
// Outside files whose libraries a damaged file can make crash, loop or eat
// memory without end (.xls, Access) are read by small programs of their own
// beside the program: whatever goes wrong ends that program, and the caller
// here is told that the file is not readable.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ADODB::Reader {

// The reader program `name` (e.g. "brivalto-xlsread"), as found beside the
// program, beside this process or in the build; tests may name another.
QString Program(const QString& name);
void SetProgram(const QString& name, const QString& program);

// Runs `program` with `arguments`, keeping the window responsive, and hands
// back what it wrote on its standard output and its exit status. False, with
// the reason, when it could not start, ran past `seconds`, wrote more than
// `outputBytes` or did not end by itself; `kind` names the files it reads
// (".xls", "Access") in that reason.
bool Run(const QString& program, const QStringList& arguments, const QString& kind, int seconds, qint64 outputBytes,
         QByteArray& output, int& exitCode, QString* error);

// For the reader programs themselves: no core file, no more processor time
// than `seconds` and (outside builds checked by the address sanitizer, which
// reserves far more address space than it uses) no more than `memoryBytes`.
void LimitThisProcess(int seconds, qint64 memoryBytes);

}  // namespace ADODB::Reader
