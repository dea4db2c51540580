#pragma once

#include "acquisition/DerivedValues.h"
#include "acquisition/DisplayRefresh.h"
#include "acquisition/FrameDecoder.h"
#include "acquisition/Interfaces.h"
#include "acquisition/LiveValues.h"
#include "acquisition/PortSupervisor.h"

#include <optional>
#include <string>

namespace kesto {

inline constexpr std::uint32_t kNoDataTimeoutMs = 5000;
inline constexpr std::string_view kNoDataMessage =
    "No data error (data hold > 5 sec). Check connection !";
// The messages window's line when the acquisition cycle gets a port open, after the port's name
// and ": " ("COM3: port opened"). The language file may replace them.
struct PortMessages {
    std::string opened = "port opened";     // missing or busy until now
    std::string reopened = "port reopened"; // lost while it was open
};

// The live side of the program: received texts, decoder, running means, reference entries and
// the nineteen channel displays, with the handlers the main window's timers and the serial
// port's data-available event call. One instance lives as long as the main window.
class LiveAcquisition {
public:
    LiveAcquisition(const Clock& clock, SerialLink& link, MessageWindow& messages, Alarm& alarm,
                    FrameLog* frameLog = nullptr);

    // The serial port's data-available event.
    void onBytes(std::span<const std::uint8_t> bytes) { decoder_.onBytes(bytes, clock_.tickMs()); }
    // The serial layer found the line quiet since the last bytes.
    void onLineQuiet() { decoder_.onLineQuiet(clock_.tickMs()); }

    // Every 1000 ms: link supervision, then the display refresh.
    void COMTimerGetData();
    // Every 1000 ms while the alarm timer runs: the tone, while the messages window is visible.
    void Timer1Timer();

    // Start-up: probe COM`port` and open it when the probe succeeds. Otherwise, silently, the
    // port is awaited (see `awaitPort`): an adapter may be plugged in after the start.
    bool probeAndOpen(int port);
    // A port that cannot be opened now (missing or busy): the acquisition cycle tries it about
    // every two seconds, following the COM link anew each time, until it opens.
    void awaitPort(const PortTarget& target);
    std::optional<std::string> OpenAnalyzerPort(int port);
    // The same for a device path (the console monitor takes either).
    std::optional<std::string> OpenAnalyzerPath(const std::string& devicePath);
    // Closing on purpose: the port is not retried.
    void CloseAnalyzerPort();
    // The port was lost through an error, or could not be opened again: from now on the
    // acquisition cycle tries to reopen it about every two seconds, and says once in the
    // messages window when it is open again. `message` (if any) goes to the messages window
    // while it is visible.
    void markPortLost(std::string_view message = {});
    bool portLost() const { return port_.lost(); }

    // The last acquisition cycle found the link silent (no frame for more than 5000 ms): every
    // channel of that refresh is without a value.
    bool noData() const { return noData_; }

    void ResetMeanValues() { means_.reset(); }
    void RefreshLiveDisplay();
    BigDisplayTexts bigDisplay() const { return FillBigDisplay(display_); }

    RefreshOptions& options() { return options_; }
    const RefreshOptions& options() const { return options_; }
    LiveDisplay& display() { return display_; }
    const LiveDisplay& display() const { return display_; }
    ReferenceSettings& references() { return references_; }
    const ReferenceSettings& references() const { return references_; }
    ReceivedTexts& texts() { return texts_; }
    const ReceivedTexts& texts() const { return texts_; }
    const MeanValues& means() const { return means_; }
    FrameDecoder& decoder() { return decoder_; }
    const FrameDecoder& decoder() const { return decoder_; }
    const Clock& clock() const { return clock_; }
    SerialLink& link() { return link_; }
    const PortSupervisor& port() const { return port_; }
    PortMessages& portMessages() { return portMessages_; }

private:
    const Clock& clock_;
    SerialLink& link_;
    MessageWindow& messages_;
    Alarm& alarm_;
    PortSupervisor port_;
    PortMessages portMessages_;
    ReceivedTexts texts_{};
    FrameDecoder decoder_;
    MeanValues means_;
    RefreshOptions options_;
    ReferenceSettings references_{};
    LiveDisplay display_;
    bool noData_ = true;
};

} // namespace kesto
