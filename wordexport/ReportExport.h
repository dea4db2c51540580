#pragma once

#include "acquisition/Channels.h"
#include "acquisition/LiveValues.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// The report export copies the current values of fifteen channels into the bookmarks
// "Value1" to "Value15" of the document open in a running word processor.

inline constexpr std::size_t kReportValueCount = 15;

struct ReportBookmark {
    std::string_view name; // "Value1" ... "Value15"
    Channel channel;
};

// Bookmark k stands for the k-th recording column from O2 to CXHYMG; draught, flow, H2 and S6
// are not exported.
const std::array<ReportBookmark, kReportValueCount>& reportBookmarks();

struct ReportValue {
    std::string bookmark;
    std::string text; // the number in the channel's format, "." as separator, no unit, no blank
    // The text takes the place of what the bookmark spans (a field such as the customer, whose
    // placeholder goes), instead of going behind it.
    bool replace = false;
};
using ReportValues = std::vector<ReportValue>;

// What the bar gauges show: each channel's value in its number format; a channel without a
// valid value shows 0 in its format.
ReportValues reportValues(const LiveDisplay& display);

// A measurement's report: the channels' texts (by channel, in their formats; "" for a channel
// without a value, whose bookmark is left alone) into "Value1" to "Value15", and each field that
// is not empty in place of what its bookmark spans.
struct ReportFields {
    std::string customer;
    std::string site;
    std::string appliance;
    std::string technician;
    std::string date;     // "MeasureDate"
    std::string time;     // "MeasureTime"
    std::string duration; // "MeasureDuration"
};
ReportValues measurementReportValues(const std::array<std::string, kChannelCount>& channelTexts,
                                     const ReportFields& fields);

// The word processor as the export sees it. The calls may block for as long as the word
// processor takes to answer; they throw WordProcessorError with the word processor's text.

class WordProcessorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown by WordProcessor::attach when no word processor accepts a connection.
class WordProcessorUnreachable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The document that has the focus in the word processor.
class ReportDocument {
public:
    virtual ~ReportDocument() = default;
    virtual bool isTextDocument() = 0;
    virtual bool isReadOnly() = 0;
    virtual bool hasBookmark(const std::string& name) = 0;
    // Inserts `text` directly after the bookmark's range and extends the bookmark over it, so
    // that the next insertion at the same bookmark lands behind this one.
    virtual void insertAfterBookmark(const std::string& name, const std::string& text) = 0;
    // Puts `text` in place of what the bookmark spans; the bookmark then spans the text.
    virtual void replaceBookmarkText(const std::string& name, const std::string& text) = 0;
};

// One connection to a running word processor; destroying it releases the connection.
class WordProcessorSession {
public:
    virtual ~WordProcessorSession() = default;
    // The document with the focus; null when no document is open.
    virtual std::unique_ptr<ReportDocument> currentDocument() = 0;
};

class WordProcessor {
public:
    virtual ~WordProcessor() = default;
    // Connects to a word processor that is already running; never starts one.
    virtual std::unique_ptr<WordProcessorSession> attach() = 0;
};

struct ExportOutcome {
    enum class Result {
        Done,            // every existing bookmark received its value
        Unreachable,     // no word processor to attach to; nothing changed
        NoDocument,      // attached, but no document is open
        NotTextDocument, // the current document is a spreadsheet, a drawing, ...
        ReadOnly,        // the current document may not be changed
        Error,           // a call failed; `error` holds the word processor's text
        Cancelled,       // given up by the caller before the export ended
    };
    Result result = Result::Done;
    std::string error;
    std::vector<std::string> filled; // bookmarks that received their value, in order
};

// The export: attach, take the current document, check it, then for each value in order put it
// at its bookmark (after it, or in its place) where the document has one, skipping missing ones.
// Stops at the first failure; values inserted before it stay. `cancelled` is looked at before
// every step: once it is set, no further step is taken. The session is released on every path.
ExportOutcome runReportExport(WordProcessor& processor, const ReportValues& values,
                              const std::atomic<bool>& cancelled);

// The pipe LibreOffice accepts UNO connections on: $KESTO_UNO_PIPE, else "kesto".
std::string unoPipeName(const char* environmentValue);

inline constexpr int kExportTimeoutSeconds = 10;
inline constexpr std::string_view kNoDocumentText = "No document is open in Writer.";
inline constexpr std::string_view kNotTextDocumentText =
    "The current document is not a text document.";
inline constexpr std::string_view kReadOnlyText = "The document is read-only.";
inline constexpr std::string_view kTimeoutText = "LibreOffice did not answer within 10 s.";

// How LibreOffice is started so that it accepts the export's connection on `pipe`.
std::string writerStartCommand(std::string_view pipe);

// The arguments after "soffice" with which kesto-writer starts Writer: `extra` (options the
// user gave it), then Writer accepting the export's connection on `pipe` and, given a report
// template, a new document made from that template.
std::vector<std::string> writerLaunchArguments(std::string_view pipe,
                                               const std::string& reportTemplate,
                                               const std::vector<std::string>& extra);

// What the user is told about an export: a line in the messages window, an error box, or
// nothing.
struct ExportNotice {
    std::optional<std::string> messageLine;
    std::optional<std::string> errorBox;
};
ExportNotice exportNotice(const ExportOutcome& outcome, std::string_view pipe);

} // namespace kesto
