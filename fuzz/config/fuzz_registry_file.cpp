// Any bytes as the settings file: the reader must refuse or read them, what it writes must read
// back to the same text, and the settings operations must work on whatever it read.
#include "config/RegistryDocument.h"
#include "config/RegistryStore.h"
#include "config/Settings.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto parsed = kesto::RegistryDocument::parse(bytes);
    if (!parsed.document) {
        return 0;
    }
    const std::string once = parsed.document->serialize();
    const auto again = kesto::RegistryDocument::parse(once);
    if (!again.document || again.document->serialize() != once) {
        __builtin_trap();
    }

    kesto::MemoryRegistryStore store(std::move(*parsed.document));
    kesto::LiveDisplay display = kesto::makeDefaultDisplay(kesto::builtinChannelDefaults());
    kesto::ReferenceSettings references{};
    kesto::GeneralSettings general;
    kesto::LoadChannelSettings(store, kesto::builtinChannelDefaults(), display);
    kesto::LoadReferenceSettings(store, references);
    kesto::LoadGeneralSettings(store, general);
    kesto::SaveChannelSettings(store, display);
    kesto::SaveReferenceSettings(store, references);
    kesto::SaveGeneralSettings(store, general);
    if (!kesto::RegistryDocument::parse(store.document().serialize()).document) {
        __builtin_trap();
    }
    return 0;
}
