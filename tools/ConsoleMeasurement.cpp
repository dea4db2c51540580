#include "tools/ConsoleMeasurement.h"

#include "measurement/Protocol.h"

#include <algorithm>
#include <cstdio>

namespace kesto {

ConsoleMeasurement::ConsoleMeasurement(const MeasurementPlan& plan, std::string protocolFile)
    : plan_(plan), protocolFile_(std::move(protocolFile)) {}

bool ConsoleMeasurement::onRefresh(const LiveAcquisition& live) {
    if (ended_) {
        return true;
    }
    const LiveDisplay& display = live.display();
    if (!started_) {
        if (std::none_of(display.begin(), display.end(),
                         [](const ChannelDisplay& d) { return d.valid; })) {
            return false;
        }
        started_ = true;
        session_.arm(plan_, {});
    }
    if (auto result = session_.onRefresh(display, live.noData(), live.clock().localNow())) {
        report(result);
        return true;
    }
    return false;
}

void ConsoleMeasurement::stop() {
    if (!ended_) {
        report(session_.stop());
    }
}

void ConsoleMeasurement::report(const std::optional<MeasurementResult>& result) {
    ended_ = true;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const std::string key(channelKey(channelAt(i)));
        const ChannelResult c = result ? result->channels[i] : ChannelResult{};
        const auto text = [&](std::optional<double> v) {
            return c.count > 0 ? result->valueText(i, v) : std::string("-");
        };
        std::printf("= %s mean=%s min=%s max=%s n=%d\n", key.c_str(), text(c.mean).c_str(),
                    text(c.minimum).c_str(), text(c.maximum).c_str(), c.count);
    }
    const bool complete = result && result->complete;
    std::printf("= measurement %s\n", complete ? "complete" : "incomplete");
    std::fflush(stdout);
    status_ = complete ? 0 : kIncompleteStatus;
    if (!result) {
        std::fprintf(stderr, "kesto-monitor: no valid value came, nothing was measured\n");
        return;
    }
    if (!protocolFile_.empty()) {
        if (const std::optional<std::string> error =
                appendToProtocol(files_, protocolFile_, *result, LanguageTexts{})) {
            std::fprintf(stderr, "kesto-monitor: not saved in the protocol: %s\n", error->c_str());
            status_ = kProtocolStatus;
        }
    }
}

} // namespace kesto
