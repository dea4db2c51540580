#pragma once

// Doubles for the acquisition core's outside world (clock, messages window, serial link,
// alarm), set and read by the tests and benchmarks that use them.

#include "acquisition/Interfaces.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kesto::test {

// The bytes as one burst on an idle line, the way the analyzer sends a frame: the line has been
// quiet, the bytes arrive in one chunk `kBurstLeadMs` before `tick`, and at `tick` the serial
// layer reports the line quiet again, which is when the frame decoder reads them.
inline constexpr std::uint32_t kBurstLeadMs = 60;
template <typename Decoder>
void sendBurst(Decoder& decoder, std::span<const std::uint8_t> bytes, std::uint32_t tick) {
    decoder.onLineQuiet(tick - kBurstLeadMs);
    decoder.onBytes(bytes, tick - kBurstLeadMs);
    decoder.onLineQuiet(tick);
}

class FakeClock : public Clock {
public:
    FakeClock() = default;
    explicit FakeClock(const LocalDateTime& at) : now(at) {}

    std::uint32_t tickMs() const override { return tick; }
    LocalDateTime localNow() const override { return now; }
    void advance(std::uint32_t ms) { tick += ms; } // wraps like the real counter

    std::uint32_t tick = 100000;
    LocalDateTime now{2024, 3, 5, 12, 34, 56, 0};
};

class FakeMessageWindow final : public MessageWindow {
public:
    bool isVisible() const override { return visible; }
    void addMessage(std::string_view text) override { messages.emplace_back(text); }
    bool writeToLogfile() const override { return logTicked; }
    void showFrame(std::string_view r, std::string_view l, int digits) override {
        ruler = r;
        line = l;
        hexDigits = digits;
        ++framesShown;
    }

    bool visible = true;
    bool logTicked = false;
    std::vector<std::string> messages;
    std::string ruler;
    std::string line;
    int hexDigits = -1;
    int framesShown = 0;
};

class FakeSerialLink final : public SerialLink {
public:
    bool probe(int p) override {
        probedPort = p;
        return probeSucceeds;
    }
    std::optional<std::string> open(int p) override {
        port = p;
        return tryOpen();
    }
    std::optional<std::string> openPath(const std::string& devicePath) override {
        path = devicePath;
        return tryOpen();
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void flushInput() override { ++flushes; }

    std::optional<std::string> tryOpen() {
        ++opens;
        if (openError) {
            return openError;
        }
        opened = true;
        return std::nullopt;
    }

    bool probeSucceeds = true;
    std::optional<std::string> openError;
    int opens = 0;
    bool opened = false;
    int port = 0;
    std::string path;
    int probedPort = 0;
    int flushes = 0;
};

class FakeAlarm final : public Alarm {
public:
    void setAlarmTimer(bool on) override { timerOn = on; }
    bool alarmTimerOn() const override { return timerOn; }
    void beep() override { ++beeps; }

    bool timerOn = false;
    int beeps = 0;
};

} // namespace kesto::test
