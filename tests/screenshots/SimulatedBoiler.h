#pragma once

// The simulator's boiler as the live display shows it: its frames, one a second, through the
// real decoder and display refresh, for pictures that look like a job.
#include "acquisition/DisplayRefresh.h"
#include "acquisition/FrameDecoder.h"
#include "tests/WindowTestSupport.h"
#include "tools/SimFrames.h"

namespace kesto::test {

class SimulatedBoiler {
public:
    explicit SimulatedBoiler(const ChannelDefaults& defaults = builtinChannelDefaults())
        : display_(makeDefaultDisplay(defaults)) {}

    // The display one second after the last.
    const LiveDisplay& next() {
        clock.tick += 1000;
        sendBurst(decoder_, sim::buildFrame(sim::encodeWords(boiler_.at(second_++)), 16),
                  clock.tick);
        RefreshLiveDisplay(texts_, RefreshOptions{}, means_, references_, display_);
        return display_;
    }

    FixedClock clock;

private:
    ReceivedTexts texts_{};
    FrameDecoder decoder_{texts_, clock};
    sim::BoilerModel boiler_{7, sim::NearZero::Calm};
    LiveDisplay display_;
    MeanValues means_;
    ReferenceSettings references_{};
    int second_ = 0;
};

} // namespace kesto::test
