#pragma once

#include "acquisition/Acquisition.h"
#include "measurement/Measurement.h"
#include "platform/LineAppender.h"

#include <optional>
#include <string>

namespace kesto {

// The averaged measurement of the console monitor: the program's session, started at the first
// refresh that shows a valid value. Its end prints one line per channel,
// "= KEY mean=X min=Y max=Z n=COUNT", then "= measurement complete" or "incomplete", and
// appends the measurement to the protocol file when one is given.
class ConsoleMeasurement {
public:
    static constexpr int kIncompleteStatus = 5;
    static constexpr int kProtocolStatus = 6;

    ConsoleMeasurement(const MeasurementPlan& plan, std::string protocolFile);

    // After each refresh; true once the measurement has ended.
    bool onRefresh(const LiveAcquisition& live);
    // The monitor ends first: what was measured so far, as incomplete.
    void stop();
    // 0 complete, 5 incomplete (or never begun), 6 the protocol file could not be written.
    int exitStatus() const { return status_; }

private:
    void report(const std::optional<MeasurementResult>& result);

    MeasurementPlan plan_;
    std::string protocolFile_;
    MeasurementSession session_;
    PosixLineAppender files_;
    bool started_ = false;
    bool ended_ = false;
    int status_ = kIncompleteStatus;
};

} // namespace kesto
