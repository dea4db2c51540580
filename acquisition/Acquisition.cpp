#include "Acquisition.h"

namespace kesto {

LiveAcquisition::LiveAcquisition(const Clock& clock, SerialLink& link, MessageWindow& messages,
                                 Alarm& alarm, FrameLog* frameLog)
    : clock_(clock), link_(link), messages_(messages), alarm_(alarm),
      decoder_(texts_, clock, &messages, frameLog, &link),
      display_(makeDefaultDisplay(builtinChannelDefaults())) {}

void LiveAcquisition::COMTimerGetData() {
    // Unsigned 32-bit difference: right across the tick counter's wrap.
    const std::uint32_t elapsed = clock_.tickMs() - decoder_.lastFrameTick();
    if (elapsed > kNoDataTimeoutMs) {
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
    decoder_.resetForOpen();
    return link_.open(port);
}

void LiveAcquisition::CloseAnalyzerPort() { link_.close(); }

} // namespace kesto
