#include "config/Language.h"

#include "acquisition/LiveValues.h"
#include "config/IniFile.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace kesto {

namespace {

struct TextKey {
    std::string_view section;
    std::string_view key;
    std::string LanguageTexts::*text;
};

// Every text of the language file, in reading order.
constexpr auto kTextKeys = std::to_array<TextKey>({
    {"MainFrm", "File", &LanguageTexts::file},
    {"MainFrm", "Record data", &LanguageTexts::recordData},
    {"MainFrm", "Stop data recording", &LanguageTexts::stopDataRecording},
    {"MainFrm", "View data recording", &LanguageTexts::viewDataRecording},
    {"MainFrm", "Change printer", &LanguageTexts::changePrinter},
    {"MainFrm", "Print diagram", &LanguageTexts::printDiagram},
    {"MainFrm", "ViewMMC", &LanguageTexts::viewMmc},
    {"MainFrm", "Quit", &LanguageTexts::quit},
    {"MainFrm", "Setup", &LanguageTexts::setup},
    {"MainFrm", "Parameters", &LanguageTexts::parameters},
    {"MainFrm", "Help", &LanguageTexts::help},
    {"MainFrm", "Version", &LanguageTexts::version},
    {"MainFrm", "Actual", &LanguageTexts::actual},
    {"MainFrm", "Diagram 1", &LanguageTexts::diagram1},
    {"MainFrm", "Diagram 2", &LanguageTexts::diagram2},
    {"MainFrm", "Diagram 3", &LanguageTexts::diagram3},
    {"MainFrm", "BigDisplay", &LanguageTexts::bigDisplay},
    {"MainFrm", "calculated", &LanguageTexts::calculated},
    {"MainFrm", "OK", &LanguageTexts::ok},
    {"MainFrm", "Cancel", &LanguageTexts::cancel},
    {"FortschrittFrm", "Searching", &LanguageTexts::searching},
    {"FortschrittFrm", "Teste", &LanguageTexts::teste},
    {"FortschrittFrm", "von", &LanguageTexts::von},
    {"VersionFrm", "Version", &LanguageTexts::versionTitle},
    {"SetupFrm", "Parameters", &LanguageTexts::setupTitle},
    {"SetupFrm", "Connection", &LanguageTexts::connection},
    {"SetupFrm", "Recording interval", &LanguageTexts::recordingInterval},
    {"SetupFrm", "Options", &LanguageTexts::options},
    {"SetupFrm", "TGASDecimal", &LanguageTexts::tgasDecimal},
    {"SetupFrm", "DeviceManager", &LanguageTexts::deviceManager},
    {"SetupFrm", "Meanvalue", &LanguageTexts::meanValue},
    {"SetupFrm", "Adapters", &LanguageTexts::adapters},
    {"SetupFrm", "SearchAnalyzer", &LanguageTexts::searchAnalyzer},
    {"SetupFrm", "SearchingAnalyzer", &LanguageTexts::searchingAnalyzer},
    {"SetupFrm", "AnalyzerFound", &LanguageTexts::analyzerFound},
    {"SetupFrm", "NoAnalyzer", &LanguageTexts::noAnalyzer},
    {"PropertyFrm", "Settings", &LanguageTexts::settings},
    {"PropertyFrm", "Name", &LanguageTexts::name},
    {"PropertyFrm", "Minimum", &LanguageTexts::minimum},
    {"PropertyFrm", "Maximum", &LanguageTexts::maximum},
    {"PropertyFrm", "Unit", &LanguageTexts::unit},
    {"PropertyFrm", "Format", &LanguageTexts::format},
    {"PropertyFrm", "Color", &LanguageTexts::color},
    {"PropertyFrm", "Restart program before changes are taking effect.",
     &LanguageTexts::restartMessage},
    {"MessageFrm", "Port opened", &LanguageTexts::portOpened},
    {"MessageFrm", "Port reopened", &LanguageTexts::portReopened},
    {"PropertyFrm", "Alarm above", &LanguageTexts::alarmAbove},
    {"PropertyFrm", "Alarm below", &LanguageTexts::alarmBelow},
    {"PropertyFrm", "Not a valid floating point value", &LanguageTexts::notAFloat},
    {"Alarms", "Above the limit", &LanguageTexts::aboveTheLimit},
    {"Alarms", "Below the limit", &LanguageTexts::belowTheLimit},
    {"Alarms", "Back within its limits", &LanguageTexts::backWithinLimits},
    {"Alarms", "Within the limits", &LanguageTexts::withinLimits},
    {"Alarms", "Limits", &LanguageTexts::limits},
    {"Alarms", "Outside the limits", &LanguageTexts::outsideLimits},
    {"Accessibility", "Reference O2", &LanguageTexts::referenceO2},
    {"Accessibility", "Messages", &LanguageTexts::messages},
    {"Accessibility", "Read-out channel", &LanguageTexts::readOutChannel},
    {"Accessibility", "No record at the cursor", &LanguageTexts::noRecordAtCursor},
    {"Accessibility", "Cursor outside the records", &LanguageTexts::cursorOffRecords},
    {"Accessibility", "No value", &LanguageTexts::noValue},
    {"Measurement", "Measurement", &LanguageTexts::measurement},
    {"Measurement", "Start measurement", &LanguageTexts::startMeasurement},
    {"Measurement", "Cancel measurement", &LanguageTexts::cancelMeasurement},
    {"Measurement", "Seconds per reading", &LanguageTexts::secondsPerReading},
    {"Measurement", "Number of readings", &LanguageTexts::readingCount},
    {"Measurement", "Reading spacing", &LanguageTexts::readingSpacing},
    {"Measurement", "Customer", &LanguageTexts::customer},
    {"Measurement", "Site", &LanguageTexts::site},
    {"Measurement", "Appliance", &LanguageTexts::appliance},
    {"Measurement", "Technician", &LanguageTexts::technician},
    {"Measurement", "Measuring status", &LanguageTexts::measuringStatus},
    {"Measurement", "Next reading status", &LanguageTexts::nextReadingStatus},
    {"Measurement", "Cancel question", &LanguageTexts::cancelQuestion},
    {"Measurement", "Measurement result", &LanguageTexts::measurementResult},
    {"Measurement", "Date", &LanguageTexts::date},
    {"Measurement", "Start", &LanguageTexts::start},
    {"Measurement", "End", &LanguageTexts::end},
    {"Measurement", "Readings", &LanguageTexts::readings},
    {"Measurement", "Channel", &LanguageTexts::channel},
    {"Measurement", "Mean", &LanguageTexts::mean},
    {"Measurement", "Seconds with a value", &LanguageTexts::secondsWithValue},
    {"Measurement", "Reading mean", &LanguageTexts::readingMean},
    {"Measurement", "Complete", &LanguageTexts::complete},
    {"Measurement", "Incomplete notice", &LanguageTexts::incompleteNotice},
    {"Measurement", "Saved in protocol", &LanguageTexts::savedInProtocol},
    {"Measurement", "Protocol failed", &LanguageTexts::protocolFailed},
    {"Measurement", "Copy to Writer", &LanguageTexts::copyToWriter},
    {"Measurement", "Print", &LanguageTexts::print},
    {"Measurement", "Close", &LanguageTexts::close},
    {"Measurement", "PDF instead", &LanguageTexts::pdfInstead},
});

constexpr std::array<std::string_view, kChannelCount> kChannelSections{
    "O2Section",     "CO2Section",  "TGSection",    "TRSection",   "ETASection",
    "LambdaSection", "COSection",   "COMGSection",  "NOSection",   "NO2Section",
    "NOXMGSection",  "SO2Section",  "SO2MGSection", "CXHYSection", "CXHYMGSection",
    "ZugSection",    "FlowSection", "H2Section",    "S6Section",
};

constexpr std::array<std::string_view, 5> kChannelKeys{"Name", "Unit", "Start", "End", "Format"};

Language languageFromIni(const IniFile& ini);

} // namespace

std::vector<LanguageKey> languageFileKeys() {
    std::vector<LanguageKey> keys;
    for (const auto& k : kTextKeys) {
        keys.push_back({std::string(k.section), std::string(k.key)});
    }
    for (const auto section : kChannelSections) {
        for (const auto key : kChannelKeys) {
            keys.push_back({std::string(section), std::string(key)});
        }
    }
    return keys;
}

Language loadLanguage(const std::string& path) {
    return languageFromIni(IniFile::load(path));
}

Language parseLanguage(std::string_view bytes) {
    return languageFromIni(IniFile::parse(bytes));
}

namespace {

Language languageFromIni(const IniFile& ini) {
    Language language;
    for (const auto& k : kTextKeys) {
        std::string& text = language.texts.*k.text;
        text = ini.read(k.section, k.key, text);
    }
    const ChannelDefaults& builtin = builtinChannelDefaults();
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        ChannelDefault& d = language.channelDefaults[i];
        const std::string_view section = kChannelSections[i];
        d.name = ini.read(section, "Name", d.name);
        d.unit = ini.read(section, "Unit", d.unit);
        // The scale ends are whole numbers. A start or end the file gives in another form
        // ("25.5", "abc", "") keeps the built-in value: a bar scaled 0..0 would show nothing.
        const std::string start = ini.read(section, "Start", d.start);
        d.start = wholeNumber(start) ? start : builtin[i].start;
        const std::string end = ini.read(section, "End", d.end);
        d.end = wholeNumber(end) ? end : builtin[i].end;
        d.format = ini.read(section, "Format", d.format);
        if (channelAt(i) == Channel::Flow) {
            // The flow is always shown with one decimal, whatever the file says.
            d.format = "0.0";
        }
    }
    return language;
}

} // namespace

std::string languageCodeFor(std::uint16_t languageId) {
    switch (languageId) {
    case 0x0407:
    case 0x0807:
    case 0x0C07:
        return "GER";
    case 0x040C:
    case 0x080C:
    case 0x0C0C:
    case 0x100C:
        return "FRA";
    case 0x0413:
    case 0x0813:
        return "HOL";
    case 0x0410:
    case 0x0810:
        return "ITA";
    case 0x040A:
    case 0x080A:
    case 0x0C0A:
        return "SPA";
    default:
        return "ENG";
    }
}

namespace {

struct LocaleId {
    std::string_view locale; // "de_DE", or a language alone for its main country
    std::uint16_t id;
};

constexpr auto kLocaleIds = std::to_array<LocaleId>({
    // Languages alone: their main country.
    {"de", 0x0407},
    {"fr", 0x040C},
    {"nl", 0x0413},
    {"it", 0x0410},
    {"es", 0x0C0A},
    {"en", 0x0409},
    {"pt", 0x0816},
    {"pl", 0x0415},
    {"cs", 0x0405},
    {"da", 0x0406},
    {"fi", 0x040B},
    {"sv", 0x041D},
    {"nb", 0x0414},
    {"nn", 0x0814},
    {"no", 0x0414},
    {"hu", 0x040E},
    {"ru", 0x0419},
    {"tr", 0x041F},
    {"el", 0x0408},
    {"ja", 0x0411},
    {"zh", 0x0804},
    {"ko", 0x0412},
    {"sk", 0x041B},
    {"sl", 0x0424},
    {"hr", 0x041A},
    {"ro", 0x0418},
    {"uk", 0x0422},
    {"bg", 0x0402},
    {"et", 0x0425},
    {"lv", 0x0426},
    {"lt", 0x0427},
    {"sr", 0x081A},
    {"ca", 0x0403},
    {"is", 0x040F},
    {"he", 0x040D},
    {"ar", 0x0401},
    {"th", 0x041E},
    {"vi", 0x042A},
    {"id", 0x0421},
    {"hi", 0x0439},
    // German
    {"de_DE", 0x0407},
    {"de_CH", 0x0807},
    {"de_AT", 0x0C07},
    {"de_LU", 0x1007},
    {"de_LI", 0x1407},
    // French
    {"fr_FR", 0x040C},
    {"fr_BE", 0x080C},
    {"fr_CA", 0x0C0C},
    {"fr_CH", 0x100C},
    {"fr_LU", 0x140C},
    {"fr_MC", 0x180C},
    // Dutch, Italian
    {"nl_NL", 0x0413},
    {"nl_BE", 0x0813},
    {"it_IT", 0x0410},
    {"it_CH", 0x0810},
    // Spanish: Spain has two identifiers; the modern sort order is the one systems report.
    {"es_ES", 0x0C0A},
    {"es_MX", 0x080A},
    {"es_GT", 0x100A},
    {"es_CR", 0x140A},
    {"es_PA", 0x180A},
    {"es_DO", 0x1C0A},
    {"es_VE", 0x200A},
    {"es_CO", 0x240A},
    {"es_PE", 0x280A},
    {"es_AR", 0x2C0A},
    {"es_EC", 0x300A},
    {"es_CL", 0x340A},
    {"es_UY", 0x380A},
    {"es_PY", 0x3C0A},
    {"es_BO", 0x400A},
    {"es_SV", 0x440A},
    {"es_HN", 0x480A},
    {"es_NI", 0x4C0A},
    {"es_PR", 0x500A},
    {"es_US", 0x540A},
    // English
    {"en_US", 0x0409},
    {"en_GB", 0x0809},
    {"en_AU", 0x0C09},
    {"en_CA", 0x1009},
    {"en_NZ", 0x1409},
    {"en_IE", 0x1809},
    {"en_ZA", 0x1C09},
    {"en_JM", 0x2009},
    {"en_BZ", 0x2809},
    {"en_TT", 0x2C09},
    {"en_ZW", 0x3009},
    {"en_PH", 0x3409},
    {"en_IN", 0x4009},
    {"en_MY", 0x4409},
    {"en_SG", 0x4809},
    // Others with more than one country
    {"pt_BR", 0x0416},
    {"pt_PT", 0x0816},
    {"sv_FI", 0x081D},
    {"zh_CN", 0x0804},
    {"zh_TW", 0x0404},
    {"zh_HK", 0x0C04},
    {"zh_SG", 0x1004},
    {"sr_RS", 0x081A},
});

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

} // namespace

std::uint16_t languageIdForLocale(const std::string& locale) {
    constexpr std::uint16_t kEnglishUs = 0x0409;
    // "de_DE.UTF-8@euro" -> "de_de"; "de-DE" is taken as "de_DE".
    std::string name = lowerAscii(locale.substr(0, locale.find_first_of(".@")));
    std::replace(name.begin(), name.end(), '-', '_');
    if (name.empty() || name == "c" || name == "posix") {
        return kEnglishUs;
    }
    for (const auto& entry : kLocaleIds) {
        if (lowerAscii(entry.locale) == name) {
            return entry.id;
        }
    }
    // A country we do not list: the language's main country.
    const std::string language = name.substr(0, name.find('_'));
    for (const auto& entry : kLocaleIds) {
        if (entry.locale == language) {
            return entry.id;
        }
    }
    return kEnglishUs;
}

std::uint16_t systemLanguageId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return languageIdForLocale(value);
        }
    }
    return languageIdForLocale("");
}

std::string languageIdStatusText(std::uint16_t languageId) {
    return "LID:" + std::to_string(languageId);
}

std::string fillPlaceholders(std::string_view text, std::initializer_list<std::string> arguments) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t number =
            text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9'
                ? static_cast<std::size_t>(text[i + 1] - '0')
                : 0;
        if (number == 0 || number > arguments.size()) {
            out.push_back(text[i]);
            continue;
        }
        out += *(arguments.begin() + (number - 1));
        ++i;
    }
    return out;
}

std::string languageFilePath(const std::string& programPath, const std::string& code) {
    const std::size_t slash = programPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = programPath.find_last_of('.');
    // A dot that starts the name ("/opt/.kesto") is part of the name, not an extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return programPath.substr(0, hasExtension ? dot : programPath.size()) + "." + code;
}

} // namespace kesto
