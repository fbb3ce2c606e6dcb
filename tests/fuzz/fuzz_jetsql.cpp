// The Jet translator and the server's: any text either translates or is
// refused with Jet's syntax error; nothing else may happen.
#include "ADODB.h"
#include "FuzzKit.h"
#include "ServerBackend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString sql = FuzzKit::Text(data, size);
    try {
        ADODB::TranslateJetSql(sql);
    } catch (const ADODB::JetSyntaxError&) {
    }
    try {
        ADODB::TranslateForServer(sql);
    } catch (const ADODB::JetSyntaxError&) {
    }
    return 0;
}
