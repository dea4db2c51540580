// Any bytes as the language file: every text and channel default is read without fault, the
// Flow format stays fixed and a start or end is always a whole number.
#include "acquisition/LiveValues.h"
#include "config/Language.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kesto::Language language = kesto::parseLanguage(bytes);
    for (const auto& d : language.channelDefaults) {
        if (!kesto::wholeNumber(d.start) || !kesto::wholeNumber(d.end)) {
            __builtin_trap();
        }
    }
    if (language.channelDefaults[kesto::index(kesto::Channel::Flow)].format != "0.0") {
        __builtin_trap();
    }
    return 0;
}
