// The dialect macros ("@DATE(...)", "@ISNULL(...)"...) for each dialect.
#include "Errors.h"
#include "FuzzKit.h"
#include "SQLParser.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzKit::QuietBoxes();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString sql = FuzzKit::Text(data, size);
    for (int dialect : {0, 1, 2}) {
        try {
            SQLParser::ParseSQLFor(sql, dialect);
        } catch (const Platform::BasicError&) {
            // A date that is no date: "Tipo non corrispondente", as the program reports it.
        }
    }
    return 0;
}
