#pragma once

#include "acquisition/Interfaces.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace kesto::test {

// A pseudo-terminal standing in for the analyzer: the test writes to the master side, the
// port under test opens the slave by its path.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    bool write(const QByteArray& bytes);
    bool write(const std::vector<std::uint8_t>& bytes);
    // Pulls the plug: both of the test's ends are closed.
    void close();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// The analyzer's pace on a pseudo-terminal: one byte every 8.33 ms (1200 baud, 10 bits a byte),
// each burst starting `periodMs` after the previous one. It writes from a thread of its own, so
// the test's event loop keeps delivering what arrives.
class PacedLine {
public:
    PacedLine(PtyPair& pty, std::vector<std::vector<std::uint8_t>> bursts, int periodMs);
    ~PacedLine();
    PacedLine(const PacedLine&) = delete;
    PacedLine& operator=(const PacedLine&) = delete;
    bool done() const { return done_; }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// The frame of the worked example: 13 words, O2 10.5 %, CO 50 ppm, TG 180 °C, lambda 1.50,
// eta 88.0 %, CO2 10.0 %, TR 21.0 °C, NO 40 ppm, NO2 5 ppm, draught 2.5 hPa.
QByteArray exampleFrame();

// A messages window that is open and keeps what it is given.
class RecordingMessages final : public MessageWindow {
public:
    bool isVisible() const override { return true; }
    void addMessage(std::string_view text) override { messages.emplace_back(text); }
    bool writeToLogfile() const override { return false; }
    void showFrame(std::string_view, std::string_view, int) override {}
    std::vector<std::string> messages;
};

class NullAlarm final : public Alarm {
public:
    void setAlarmTimer(bool on) override { on_ = on; }
    bool alarmTimerOn() const override { return on_; }
    void beep() override {}

private:
    bool on_ = false;
};

// Ticks that advance only when told to.
class ManualClock final : public Clock {
public:
    std::uint32_t tickMs() const override { return tick; }
    LocalDateTime localNow() const override { return {2024, 5, 17, 10, 0, 0, 0}; }
    std::uint32_t tick = 100000;
};

} // namespace kesto::test
