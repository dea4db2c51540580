#pragma once

// The recording's outside world for the tests: a clock that is set by hand and counts its
// readings, a serial line that stays open, an alarm, a hidden messages window and a view that
// keep what they get (CoreFakes.h), a temporary folder, and frames.

#include "acquisition/Acquisition.h"
#include "recording/Recorder.h"
#include "tests/CoreFakes.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kesto::test {

class SetClock final : public Clock {
public:
    std::uint32_t tickMs() const override { return tick; }
    LocalDateTime localNow() const override {
        ++readings;
        return now;
    }
    std::uint32_t tick = 100000;
    LocalDateTime now{2024, 3, 5, 14, 7, 9, 0};
    mutable int readings = 0;
};

class KeptView final : public RecordingView {
public:
    void recordingChanged() override { ++changes; }
    void showStatus(const std::string& text) override { status = text; }
    void showError(const std::string& text) override { errors.push_back(text); }
    void showNotice(const std::string& text) override { notices.push_back(text); }
    int changes = 0;
    std::string status;
    std::vector<std::string> errors;
    std::vector<std::string> notices;
};

// Everything a recorder is built with, apart from its files.
struct RecordingRig {
    SetClock clock;
    FakeSerialLink link;
    FakeMessageWindow messages;
    FakeAlarm alarm;
    LiveAcquisition live{clock, link, messages, alarm};
    GeneralSettings settings;
    KeptView view;

    RecordingRig() {
        link.opened = true;
        messages.visible = false;
    }

    // The writer's work done within each call, as if the disk were instant; rescue files go
    // below the test's temporary folder.
    static RecordingWriter::Options inlineWriter() {
        RecordingWriter::Options options;
        options.ownThread = false;
        options.rescueFolder = (std::filesystem::temp_directory_path() / "rescue").string();
        return options;
    }

    // A recorder on `files` whose timer period is 1 s.
    std::unique_ptr<Recorder> recorder(RecordingFileLayer& files) {
        auto r = std::make_unique<Recorder>(live, settings, clock, files, messages, view,
                                            inlineWriter());
        r->setIntervalMs(1000);
        return r;
    }
};

// A folder of its own under the test's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path(const std::string& name) const { return (folder_ / name).string(); }

private:
    std::filesystem::path folder_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);
// A file of golden/: the expected outputs kept beside the tests.
std::string golden(const std::string& name);

// One analyzer frame: FF FF, the words big-endian, FF FF.
std::vector<std::uint8_t> frame(const std::vector<std::uint16_t>& words);

} // namespace kesto::test
