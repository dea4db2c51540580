#include "measurement/Protocol.h"

#include "acquisition/DateTimeFormat.h"
#include "config/Encoding.h"
#include "config/ProgramFolders.h"
#include "measurement/LimitAlarms.h"
#include "recording/RecordingText.h"

namespace kesto {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kDatePattern = "dd.mm.yyyy";

std::string field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

// A value as the recording writes it: the channel's format, without a thousands grouping.
std::string recordedText(const MeasurementResult& result, std::size_t channel,
                         std::optional<double> value) {
    std::string text = result.valueText(channel, value);
    std::erase(text, ',');
    return text;
}

template <typename Part> std::string line(const std::vector<ProtocolColumn>& columns, Part part) {
    std::string text;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        text += (i == 0 ? "" : ",") + field(columns[i].*part);
    }
    return utf8ToWindows1252(text) + std::string(kLineEnd);
}

} // namespace

std::string defaultProtocolFile() {
    return programDataFolder() + "/" + std::string(kProtocolFileName);
}

std::vector<ProtocolColumn> protocolColumns(const MeasurementResult& result,
                                            const LanguageTexts& texts) {
    const std::string& timePattern = dateTimePatterns().longTime;
    const auto time = [](const LocalDateTime& t) { return RemoveSpaces(timeText(t)); };
    const auto unit = [](const std::string& title, std::string_view u) {
        return title + " [" + std::string(u) + "]";
    };
    const MeasurementFields& f = result.fields;
    std::vector<ProtocolColumn> columns{
        {unit(texts.date, kDatePattern),
         formatDateTime(kDatePattern, result.start, dateTimePatterns())},
        {unit(texts.start, timePattern), time(result.start)},
        {unit(texts.end, timePattern), time(result.end)},
        {texts.readings, std::to_string(result.plan.readings)},
        {unit(texts.secondsPerReading, "s"), std::to_string(result.plan.seconds)},
        {unit(texts.complete, "1/0"), result.complete ? "1" : "0"},
        {texts.customer, f.customer},
        {texts.site, f.site},
        {texts.appliance, f.appliance},
        {texts.technician, f.technician},
    };
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const ChannelResult& c = result.channels[i];
        const std::string caption = result.captions[i].withUnit() + " ";
        const auto extreme = [&](double v) {
            return c.count > 0 ? recordedText(result, i, v) : std::string();
        };
        columns.push_back({caption + texts.mean, recordedText(result, i, c.mean)});
        columns.push_back({caption + texts.minimum, extreme(c.minimum)});
        columns.push_back({caption + texts.maximum, extreme(c.maximum)});
    }
    // The channels whose means lay outside the limits they had at the start.
    LiveDisplay shown{};
    ChannelMeans means{};
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        shown[i].settings = result.captions[i].settings();
        shown[i].label = result.captions[i].withUnit();
        means[i] = result.channels[i].mean;
    }
    columns.push_back({texts.outsideLimits, outsideLimitsColumn(shown, means)});
    return columns;
}

std::string protocolHeaderLine(const MeasurementResult& result, const LanguageTexts& texts) {
    return line(protocolColumns(result, texts), &ProtocolColumn::title);
}

std::string protocolLine(const MeasurementResult& result, const LanguageTexts& texts) {
    return line(protocolColumns(result, texts), &ProtocolColumn::value);
}

std::optional<std::string> appendToProtocol(LineAppender& files, const std::string& path,
                                            const MeasurementResult& result,
                                            const LanguageTexts& texts) {
    return files.append(path, protocolHeaderLine(result, texts), protocolLine(result, texts));
}

} // namespace kesto
