#pragma once

// Test doubles for the acquisition core's outside world, and frame builders.

#include "FrameDecoder.h"
#include "Interfaces.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kesto::test {

class FakeClock final : public Clock {
public:
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

// Thirteen words of a plausible frame: O2 10.5 %, CO 50 ppm, TG 180, Lambda 1.50, Eta 88.0 %,
// CO2 10.0 %, -, TR 21.0, NO 40, SO2 0, NO2 5, CxHy 0, draught 2.5 hPa (offset binary 0x80FA).
std::vector<std::uint16_t> goodWords();

// FF FF, the words big-endian, FF FF. Fails the test if a word accidentally forms a delimiter.
std::vector<std::uint8_t> frameBytes(const std::vector<std::uint16_t>& words);

// Upper-case hex text of bytes.
std::string hexText(const std::vector<std::uint8_t>& bytes);

// Whole-number and decimal texts for assertions.
long long textAsInteger(const std::string& text);

} // namespace kesto::test
