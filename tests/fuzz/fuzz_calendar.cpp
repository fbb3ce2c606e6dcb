// libFuzzer target: the calendar folder over any file. A file that loads
// still loads once an appointment is changed, one added and one deleted, and
// holds what was saved.
#include "Errors.h"
#include "FuzzKit.h"
#include "Outlook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

QString gFile;

std::shared_ptr<Platform::OutlookFolder> Open() {
    try {
        return Platform::OpenCalendarFolder(gFile);
    } catch (const Platform::BasicError&) {
        return nullptr;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/brivalto-fuzz-XXXXXX" : QDir::tempPath() + "/fuzz-XXXXXX");
    gFile = dir.filePath("calendario.ics");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile f(gFile);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(FuzzKit::Bytes(data, size));
    }
    auto folder = Open();
    if (!folder) return 0;
    const int count = folder->Items().Count();
    QString changed;
    for (const auto& item : folder->Items()) {
        for (const char* name : {"EntryID", "Start", "End", "Subject", "Location", "Body", "LastModificationTime"})
            (void)item->Property(QString::fromLatin1(name));
    }
    if (count > 0) {
        auto item = folder->Items().Item(1);
        changed = item->EntryID();
        item->SetProperty("Subject", "Riunione\ncon il cliente");
        item->SetProperty("Start", QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        item->Save();
    }
    auto added = folder->CreateItem();
    added->SetProperty("Subject", "Nuovo appuntamento");
    added->SetProperty("Start", QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    added->SetProperty("End", QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
    added->Save();
    const QString addedId = added->EntryID();

    auto again = Open();
    if (!again || again->Items().Count() != count + 1) std::abort();
    if (!changed.isEmpty() && again->Items().Item(changed)->Text("Subject") != "Riunione\ncon il cliente") std::abort();
    auto back = again->Items().Item(addedId);
    if (back->Text("Subject") != "Nuovo appuntamento") std::abort();
    back->Delete();
    auto last = Open();
    if (!last || last->Items().Count() != count) std::abort();
    return 0;
}
