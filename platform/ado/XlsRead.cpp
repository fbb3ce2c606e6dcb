// brivalto-xlsread FILE [CELLS [SECONDS]]: reads an Excel 5 to 2003 workbook
// and writes its sheets on standard output as the stream of Workbook.h.
// It runs apart from the program, bounded in time and memory: whatever a
// damaged file makes it do ends this program only.
#include "ReaderProcess.h"
#include "Workbook.h"

#include <QFile>
#include <QString>
#include <unistd.h>

namespace {

bool Flush(QByteArray& out) {
    const char* data = out.constData();
    qsizetype left = out.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(left));
        if (n <= 0) return false;
        data += n;
        left -= n;
    }
    out.clear();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const qint64 cellLimit = argc > 2 ? QString::fromLocal8Bit(argv[2]).toLongLong() : 5'000'000;
    const int seconds = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 120;
    ADODB::Reader::LimitThisProcess(seconds, 3LL * 1024 * 1024 * 1024);

    QByteArray out;
    ADODB::Workbook::XlsStreamWriter stream(out);
    auto fail = [&](const QString& message) {
        stream.Fail(message);
        Flush(out);
        return 1;
    };
    ADODB::Workbook::XlsRecords records;
    {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly)) return fail(QStringLiteral("il file non si apre"));
        ADODB::Workbook::Limits limits;
        limits.cells = cellLimit;
        QString why;
        if (!ADODB::Workbook::ReadXlsRecords(file.readAll(), records, &why, limits)) return fail(why);
    }
    if (records.encrypted) return fail(QStringLiteral("la cartella di lavoro è protetta da password"));
    for (const ADODB::Sheet& sheet : records.sheets) {
        stream.Sheet(sheet.name);
        for (qsizetype r = 0; r < sheet.rows.size(); ++r) {
            if (!sheet.rows[r].isEmpty()) stream.Row(quint32(r), sheet.rows[r]);
            if (out.size() > 1024 * 1024 && !Flush(out)) return 1;
        }
    }
    stream.End();
    return Flush(out) ? 0 : 1;
}
