#include "acquisition/Acquisition.h"

namespace kesto {

LiveAcquisition::LiveAcquisition(const Clock& clock, SerialLink& link, MessageWindow& messages,
                                 Alarm& alarm, FrameLog* frameLog)
    : clock_(clock), link_(link), messages_(messages), alarm_(alarm), port_(clock, link),
      decoder_(texts_, clock, &messages, frameLog),
      display_(makeDefaultDisplay(builtinChannelDefaults())) {}

void LiveAcquisition::COMTimerGetData() {
    if (const PortRetry retry = port_.retryIfDue(); retry != PortRetry::None) {
        decoder_.resetForOpen(clock_.tickMs());
        if (messages_.isVisible()) {
            messages_.addMessage(
                portTargetName(*port_.target()) + ": " +
                (retry == PortRetry::Opened ? portMessages_.opened : portMessages_.reopened));
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
    if (!link_.probe(port) || OpenAnalyzerPort(port)) {
        awaitPort(port);
        return false;
    }
    return true;
}

void LiveAcquisition::awaitPort(const PortTarget& target) {
    port_.await(target);
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
