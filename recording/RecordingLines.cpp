#include "recording/RecordingLines.h"

#include "acquisition/NumberFormat.h"
#include "recording/RecordingText.h"

#include <algorithm>

namespace kesto {

namespace {

// The reference entry whose text a channel's title carries, if any.
std::optional<ReferenceEntry> titleReference(Channel channel) {
    switch (channel) {
    case Channel::CO:
        return ReferenceEntry::COPPM;
    case Channel::COMG:
        return ReferenceEntry::COMG;
    case Channel::NOXMG:
        return ReferenceEntry::NOXMG;
    case Channel::SO2MG:
        return ReferenceEntry::SO2MG;
    case Channel::CXHYMG:
        return ReferenceEntry::CXHYMG;
    default:
        return std::nullopt;
    }
}

std::string_view trimmed(std::string_view text) {
    // Blanks and control characters, as a user's stray tab or line end.
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::string headerLine(const LiveDisplay& display, const ReferenceSettings& references,
                       std::string_view dateTitle, std::string_view timeTitle,
                       std::string_view separator, bool withCoSuffix) {
    std::string line(dateTitle);
    line.append(separator);
    line.append(timeTitle);
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        line.append(separator);
        line.append(channelTitle(display, references, channelAt(i), withCoSuffix));
    }
    return RemoveSpaces(line);
}

// Appends the recorded text of every channel, each after a separator. A display format's
// thousands grouping is left out, so the value neither adds a field nor reads back as another
// number; the decimal separator is always ".".
void appendValues(std::string& line, const LiveDisplay& display, bool tgasDecimals,
                  std::string_view separator) {
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        line.append(separator);
        const std::size_t at = line.size();
        const Channel channel = channelAt(i);
        const ChannelDisplay& d = display[index(channel)];
        // Its display format; the gas temperature in "##0.0" with the decimals option, else
        // "##0".
        appendNumber(line, d.value,
                     channel == Channel::TG ? (tgasDecimals ? "##0.0" : "##0")
                                            : std::string_view(d.settings.format));
        line.erase(std::remove(line.begin() + static_cast<std::ptrdiff_t>(at), line.end(), ','),
                   line.end());
    }
}

} // namespace

std::string channelTitle(const LiveDisplay& display, const ReferenceSettings& references,
                         Channel channel, bool withCoSuffix) {
    std::string title = display[index(channel)].label;
    const auto entry = titleReference(channel);
    if (!entry || (channel == Channel::CO && !withCoSuffix)) {
        return title;
    }
    const ReferenceSetting& reference = references[index(*entry)];
    if (reference.checked) {
        title += "/";
        title += trimmed(reference.text);
        title += "%O2";
    }
    return title;
}

std::string csvHeaderLine(const LiveDisplay& display, const ReferenceSettings& references,
                          std::string_view longTimePattern, std::string_view separator) {
    return headerLine(display, references, "dd.mm.yyyy", longTimePattern, separator, true);
}

std::string csvDataLine(const LiveDisplay& display, bool tgasDecimals, std::string_view dateText,
                        std::string_view timeText, std::string_view separator) {
    std::string line;
    line.reserve(256);
    line.append(dateText);
    line.append(separator);
    line.append(RemoveSpaces(timeText));
    appendValues(line, display, tgasDecimals, separator);
    return line;
}

std::string xlsHeaderLine(const LiveDisplay& display, const ReferenceSettings& references,
                          std::string_view shortDatePattern, std::string_view longTimePattern,
                          std::string_view separator) {
    return headerLine(display, references, shortDatePattern, longTimePattern, separator, false);
}

std::string xlsDataLine(const LiveDisplay& display, bool tgasDecimals, std::string_view dateText,
                        std::string_view timeText, std::string_view separator) {
    std::string line;
    line.reserve(256);
    for (const char c : dateText) {
        line.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    line.append(separator);
    line.append(timeText);
    appendValues(line, display, tgasDecimals, separator);
    return line;
}

} // namespace kesto
