#include "acquisition/Acquisition.h"

namespace kesto {

LiveAcquisition::LiveAcquisition(const Clock& clock, SerialLink& link, MessageWindow& messages,
                                 Alarm& alarm, FrameLog* frameLog)
    : clock_(clock), link_(link), messages_(messages), alarm_(alarm), port_(clock, link),
      decoder_(texts_, clock, &messages, frameLog),
      display_(makeDefaultDisplay(builtinChannelDefaults())) {}

void LiveAcquisition::COMTimerGetData() {
    if (port_.retryIfDue()) {
        decoder_.resetForOpen(clock_.tickMs());
        if (messages_.isVisible()) {
            messages_.addMessage(portTargetName(*port_.target()) +
                                 std::string(kPortReopenedMessage));
        }
    }
    // Unsigned 32-bit difference: right across the tick counter's wrap.
    const std::uint32_t elapsed = clock_.tickMs() - decoder_.lastFrameTick();
    noData_ = elapsed > kNoDataTimeoutMs;
    if (noData_) {
        setAllTexts(texts_, "-");
        if (messages_.isVisible()) {
            alarm_.setAlarmTimer(true);
            messages_.addMessage(kNoDataMessage);
        }
    }
    RefreshLiveDisplay();
}

void LiveAcquisition::Timer1Timer() {
    if (messages_.isVisible()) {
        alarm_.beep();
    }
}

void LiveAcquisition::RefreshLiveDisplay() {
    kesto::RefreshLiveDisplay(texts_, options_, means_, references_, display_);
}

bool LiveAcquisition::probeAndOpen(int port) {
    if (!link_.probe(port)) {
        return false;
    }
    return !OpenAnalyzerPort(port).has_value();
}

std::optional<std::string> LiveAcquisition::OpenAnalyzerPort(int port) {
    decoder_.resetForOpen(clock_.tickMs());
    return port_.open(port);
}

std::optional<std::string> LiveAcquisition::OpenAnalyzerPath(const std::string& devicePath) {
    decoder_.resetForOpen(clock_.tickMs());
    return port_.open(devicePath);
}

void LiveAcquisition::CloseAnalyzerPort() {
    port_.close();
}

void LiveAcquisition::markPortLost(std::string_view message) {
    port_.markLost();
    if (!message.empty() && messages_.isVisible()) {
        messages_.addMessage(message);
    }
}

} // namespace kesto
