#pragma once

#include "acquisition/Channels.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// Every text the language file can give, with its built-in default. Captions that take "..."
// or padding get it where they are shown, not here.
struct LanguageTexts {
    // [MainFrm]
    std::string file = "File";
    std::string recordData = "Record data";
    std::string stopDataRecording = "Stop data recording";
    std::string viewDataRecording = "View data";
    std::string changePrinter = "Change printer";
    std::string printDiagram = "Print diagram";
    std::string viewMmc = "View MMC data...";
    std::string quit = "Quit";
    std::string setup = "Setup";
    std::string parameters = "Parameters";
    std::string help = "Help";
    std::string version = "Version";
    std::string actual = "Actual";
    std::string diagram1 = "Diagram 1";
    std::string diagram2 = "Diagram 2";
    std::string diagram3 = "Diagram 3";
    std::string bigDisplay = "BigDisplay";
    std::string calculated = "calculated";
    std::string ok = "OK";
    std::string cancel = "Cancel";
    // [FortschrittFrm]
    std::string searching = "Searching serial COM ports...";
    std::string teste = "Teste";
    std::string von = "von";
    // [VersionFrm]
    std::string versionTitle = "Version";
    // [SetupFrm]
    std::string setupTitle = "Parameters";
    std::string connection = "Connection";
    std::string recordingInterval = "Recording interval";
    std::string options = "Options";
    std::string tgasDecimal = "T Gas with decimal point";
    std::string deviceManager = "Show device manager...";
    std::string meanValue = "Mean value";
    std::string adapters = "Adapters:";
    std::string searchAnalyzer = "Search for analyzer";
    std::string searchingAnalyzer = "Searching for the analyzer...";
    std::string analyzerFound = "Analyzer found on"; // followed by a blank and "COM3"
    std::string noAnalyzer = "No analyzer found on any port.";
    // [PropertyFrm]
    std::string settings = "Settings";
    std::string name = "Name";
    std::string minimum = "Minimum";
    std::string maximum = "Maximum";
    std::string unit = "Unit";
    std::string format = "Format";
    std::string color = "Color";
    std::string restartMessage = "Restart program before changes are taking effect.";
    // [MessageFrm]: lines of the messages window, after the port's name ("COM3: port opened").
    std::string portOpened = "port opened";
    std::string portReopened = "port reopened";
    std::string alarmAbove = "Alarm above";
    std::string alarmBelow = "Alarm below";
    // Follows a refused limit in quotes: "'4,0' is not a valid floating point value".
    std::string notAFloat = "is not a valid floating point value";
    // [Alarms]: a channel's limit alarm, after its caption and before the limit or the value:
    // "CO [ppm] above the limit 100: 160", "CO [ppm] back within its limits: 45"; a measured
    // mean is "within the limits" or, for example, "above the limit 100".
    std::string aboveTheLimit = "above the limit";
    std::string belowTheLimit = "below the limit";
    std::string backWithinLimits = "back within its limits";
    std::string withinLimits = "within the limits";
    // The measurement result's column of the means against the limits, and the protocol's
    // column of the channels whose means lay outside.
    std::string limits = "Limits";
    std::string outsideLimits = "Outside the limits";
    // [Accessibility]: names only a screen reader speaks. A reference-oxygen field is named by
    // its channel's caption and this text, "CO [ppm] reference O2 %".
    std::string referenceO2 = "reference O2 %";
    std::string messages = "Messages"; // the picture that opens the messages window
    std::string readOutChannel = "Channel of the cursor read-out"; // a diagram's channel list
    // A diagram's spoken value before a record has been under its cursor, and the remark after
    // the read-out once the cursor has left the records: "... 20.9 % (cursor outside the records)".
    std::string noRecordAtCursor = "No record at the cursor";
    std::string cursorOffRecords = "cursor outside the records";
    std::string noValue = "no value"; // a gauge's spoken value while its channel has none
    // [Measurement]: the averaged measurement, its start dialog, result window and protocol.
    // "%1" to "%4" stand for numbers filled in where the text is shown.
    std::string measurement = "Measurement";
    std::string startMeasurement = "Start measurement";
    std::string cancelMeasurement = "Cancel measurement";
    std::string secondsPerReading = "Seconds per reading";
    std::string readingCount = "Number of readings";
    std::string readingSpacing = "Seconds from the start of one reading to the next";
    std::string customer = "Customer";
    std::string site = "Site";
    std::string appliance = "Appliance";
    std::string technician = "Technician";
    std::string measuringStatus = "Measuring %1 of %2 s, reading %3 of %4";
    std::string nextReadingStatus = "Reading %1 of %2 starts in %3 s";
    std::string cancelQuestion = "A measurement is running. Cancel it?";
    std::string measurementResult = "Measurement result";
    std::string date = "Date";
    std::string start = "Start";
    std::string end = "End";
    std::string readings = "Readings";
    std::string channel = "Channel";
    std::string mean = "Mean";
    std::string secondsWithValue = "Seconds with a value";
    std::string readingMean = "Reading %1";
    std::string complete = "Complete";
    std::string incompleteNotice =
        "Incomplete: the analyzer sent no data for %1 s of the measurement.";
    std::string savedInProtocol = "Saved in the protocol %1";
    std::string protocolFailed = "Not saved in the protocol: %1";
    std::string copyToWriter = "Copy to Writer";
    std::string print = "Print";
    std::string close = "Close";
    std::string pdfInstead = "No printer is installed: the result is saved as a PDF file";
};

// One text of the language file: its section and key.
struct LanguageKey {
    std::string section;
    std::string key;
};

// Every section and key the program reads from a language file, in reading order: the texts,
// then "Name", "Unit", "Start", "End" and "Format" of each channel section.
std::vector<LanguageKey> languageFileKeys();

struct Language {
    LanguageTexts texts;
    ChannelDefaults channelDefaults = builtinChannelDefaults();
};

// The language file's extension for a Windows language identifier ("GER", "FRA", ... "ENG").
std::string languageCodeFor(std::uint16_t languageId);

// The Windows language identifier of a POSIX locale name ("de_DE.UTF-8" -> 0x0407); 0x0409 for
// anything unknown, "C" or "POSIX".
std::uint16_t languageIdForLocale(const std::string& locale);

// The identifier of the system language, from LC_ALL, LC_MESSAGES or LANG.
std::uint16_t systemLanguageId();

// The status-line text: "LID:" + the identifier in decimal.
std::string languageIdStatusText(std::uint16_t languageId);

// `text` with "%1", "%2", ... replaced by the arguments in order; a placeholder without an
// argument stays as it is.
std::string fillPlaceholders(std::string_view text, std::initializer_list<std::string> arguments);

// The language file: the program's path with its extension replaced by "." + code.
std::string languageFilePath(const std::string& programPath, const std::string& code);

// Reads every text and the nineteen channel sections from the language file; anything missing
// (the file itself included) keeps its built-in default. A channel start or end that is not a
// whole number keeps the built-in value too. The Flow format stays "0.0".
Language loadLanguage(const std::string& path);
// The same from the bytes of a language file.
Language parseLanguage(std::string_view bytes);

} // namespace kesto
