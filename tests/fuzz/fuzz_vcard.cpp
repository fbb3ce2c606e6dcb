// libFuzzer target: the vCard reader and the contact builder over any bytes.
// Every card begun must be ended, and properties come only inside cards.
#include "Outlook.h"
#include "VCard.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

namespace {
struct Check : Platform::VCardSink {
    bool open = false;
    void BeginCard(int) override {
        if (open) std::abort();
        open = true;
    }
    void Property(const Platform::VCardProperty& p) override {
        if (!open || p.name.isEmpty()) std::abort();
        (void)p.Text();
        (void)p.Parts();
        (void)p.Types();
    }
    void EndCard(int) override {
        if (!open) std::abort();
        open = false;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    Check check;
    Platform::ReadVCard(bytes, check);
    if (check.open) std::abort();
    for (const auto& item : Platform::ContactsFromVCard(bytes))
        if (item->EntryID().isEmpty()) std::abort();
    return 0;
}
