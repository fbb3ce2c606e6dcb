// The .xls library the reader program uses, on any file. It is run here
// in-process to find the files that make it fail; the program itself only
// ever runs it in brivalto-xlsread, where such a failure is "not readable".
#include "FuzzKit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <freexl.h>

namespace {
QByteArray gFile;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? "/dev/shm/brivalto-xls-XXXXXX" : QDir::tempPath() + "/xls-XXXXXX");
    gFile = QFile::encodeName(dir.filePath("fuzz.xls"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile f(QFile::decodeName(gFile));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const void* handle = nullptr;
    if (freexl_open(gFile.constData(), &handle) == FREEXL_OK) {
        unsigned int count = 0;
        freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
        for (unsigned short s = 0; s < count && s < 16; ++s) {
            const char* name = nullptr;
            freexl_get_worksheet_name(handle, s, &name);
            if (freexl_select_active_worksheet(handle, s) != FREEXL_OK) continue;
            unsigned int rows = 0;
            unsigned short columns = 0;
            freexl_worksheet_dimensions(handle, &rows, &columns);
            for (unsigned int r = 0; r < rows && r < 256; ++r)
                for (unsigned short c = 0; c < columns && c < 64; ++c) {
                    FreeXL_CellValue v;
                    freexl_get_cell_value(handle, r, c, &v);
                }
        }
    }
    if (handle) freexl_close(handle);
    return 0;
}
