// The update descriptor "update.ver": accepted only whole and sound; a file
// name that is accepted never leads out of the server's folder.
#include "FuzzKit.h"
#include "UpdateClient.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto descriptor = UpdateClient::ParseDescriptor(FuzzKit::Bytes(data, size));
    if (descriptor) {
        const QString& file = descriptor->setupFile;
        if (file.isEmpty() || file.contains('/') || file.contains('\\') || file.contains(QLatin1String(".."))) std::abort();
        if (descriptor->size <= 0) std::abort();
        if (!descriptor->sha256.isEmpty() && descriptor->sha256.size() != 64) std::abort();
    }
    return 0;
}
