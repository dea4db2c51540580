#include "wordexport/ReportExport.h"

#include "acquisition/NumberFormat.h"

#include <exception>
#include <utility>

namespace kesto {

const std::array<ReportBookmark, kReportValueCount>& reportBookmarks() {
    static const std::array<ReportBookmark, kReportValueCount> table{{
        {"Value1", Channel::O2},
        {"Value2", Channel::CO2},
        {"Value3", Channel::TG},
        {"Value4", Channel::TR},
        {"Value5", Channel::ETA},
        {"Value6", Channel::LAMBDA},
        {"Value7", Channel::CO},
        {"Value8", Channel::COMG},
        {"Value9", Channel::NO},
        {"Value10", Channel::NO2},
        {"Value11", Channel::NOXMG},
        {"Value12", Channel::SO2},
        {"Value13", Channel::SO2MG},
        {"Value14", Channel::CXHY},
        {"Value15", Channel::CXHYMG},
    }};
    return table;
}

ReportValues reportValues(const LiveDisplay& display) {
    ReportValues values;
    for (const ReportBookmark& mark : reportBookmarks()) {
        const ChannelDisplay& channel = display[index(mark.channel)];
        // An invalid channel's gauge stands at 0 whatever value was left in the record.
        const double shown = channel.valid ? static_cast<double>(channel.value) : 0.0;
        values.push_back({std::string(mark.name), formatNumber(shown, channel.settings.format)});
    }
    return values;
}

ReportValues measurementReportValues(const std::array<std::string, kChannelCount>& channelTexts,
                                     const ReportFields& fields) {
    ReportValues values;
    for (const ReportBookmark& mark : reportBookmarks()) {
        if (const std::string& text = channelTexts[index(mark.channel)]; !text.empty()) {
            values.push_back({std::string(mark.name), text});
        }
    }
    const std::pair<const char*, const std::string*> named[]{
        {"Customer", &fields.customer},       {"Site", &fields.site},
        {"Appliance", &fields.appliance},     {"Technician", &fields.technician},
        {"MeasureDate", &fields.date},        {"MeasureTime", &fields.time},
        {"MeasureDuration", &fields.duration}};
    for (const auto& [bookmark, text] : named) {
        if (!text->empty()) {
            values.push_back({bookmark, *text, true});
        }
    }
    return values;
}

namespace {

// Thrown between two steps once the caller has given the export up.
struct ExportCancelled {};

} // namespace

ExportOutcome runReportExport(WordProcessor& processor, const ReportValues& values,
                              const std::atomic<bool>& cancelled) {
    using Result = ExportOutcome::Result;
    ExportOutcome outcome;
    const auto nextStep = [&cancelled] {
        if (cancelled) {
            throw ExportCancelled{};
        }
    };
    const auto stop = [&outcome](Result result, std::string error = {}) {
        outcome.result = result;
        outcome.error = std::move(error);
        return std::move(outcome);
    };
    try {
        nextStep();
        std::unique_ptr<WordProcessorSession> session;
        try {
            session = processor.attach();
        } catch (const WordProcessorUnreachable& e) {
            return stop(Result::Unreachable, e.what());
        }
        // From here on the session is released by its destructor on every way out.
        nextStep();
        const std::unique_ptr<ReportDocument> document = session->currentDocument();
        if (!document) {
            return stop(Result::NoDocument);
        }
        nextStep();
        if (!document->isTextDocument()) {
            return stop(Result::NotTextDocument);
        }
        nextStep();
        // The word processor would change a read-only document through its interface without
        // complaint; the user opened it read-only, so it is left alone.
        if (document->isReadOnly()) {
            return stop(Result::ReadOnly);
        }
        for (const ReportValue& value : values) {
            nextStep();
            if (!document->hasBookmark(value.bookmark)) {
                continue;
            }
            nextStep();
            if (value.replace) {
                document->replaceBookmarkText(value.bookmark, value.text);
            } else {
                document->insertAfterBookmark(value.bookmark, value.text);
            }
            outcome.filled.push_back(value.bookmark);
        }
    } catch (const ExportCancelled&) {
        return stop(Result::Cancelled);
    } catch (const std::exception& e) {
        return stop(Result::Error, e.what());
    }
    return outcome;
}

std::string unoPipeName(const char* environmentValue) {
    if (environmentValue == nullptr || *environmentValue == '\0') {
        return "kesto";
    }
    return environmentValue;
}

std::string writerStartCommand(std::string_view pipe) {
    return "soffice --writer --accept=\"pipe,name=" + std::string(pipe) + ";urp;\"";
}

std::vector<std::string> writerLaunchArguments(std::string_view pipe,
                                               const std::string& reportTemplate,
                                               const std::vector<std::string>& extra) {
    std::vector<std::string> arguments = extra;
    arguments.push_back("--writer");
    arguments.push_back("--accept=pipe,name=" + std::string(pipe) + ";urp;");
    if (!reportTemplate.empty()) {
        arguments.push_back("-n");
        arguments.push_back(reportTemplate);
    }
    return arguments;
}

ExportNotice exportNotice(const ExportOutcome& outcome, std::string_view pipe) {
    using Result = ExportOutcome::Result;
    ExportNotice notice;
    switch (outcome.result) {
    case Result::Done:
    case Result::Cancelled:
        break;
    case Result::Unreachable:
        notice.messageLine = "No word processor reachable: start LibreOffice Writer with " +
                             writerStartCommand(pipe);
        break;
    case Result::NoDocument:
        notice.errorBox = std::string(kNoDocumentText);
        break;
    case Result::NotTextDocument:
        notice.errorBox = std::string(kNotTextDocumentText);
        break;
    case Result::ReadOnly:
        notice.errorBox = std::string(kReadOnlyText);
        break;
    case Result::Error:
        notice.errorBox =
            outcome.error.empty() ? std::string("LibreOffice reported an error.") : outcome.error;
        break;
    }
    return notice;
}

} // namespace kesto
