#pragma once

#include "recording/Recorder.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

namespace kesto {

// The recording of the console monitor: the program's Recorder with a timer of its own, the
// status line as lines on stderr and notices as "! " lines on stdout (through the messages).
// A recording that stops by itself (60000 data sets, a full XLS file) says so on stderr.
class ConsoleRecorder : public QObject, private RecordingView {
    Q_OBJECT

public:
    // The save format for a file name: CSV for ".csv", XLS for ".xls", any letter case.
    static std::optional<int> formatForFile(const std::string& path);

    ConsoleRecorder(const LiveAcquisition& live, MessageWindow& messages, int intervalSeconds);
    ~ConsoleRecorder() override;

    // Replaces the file and starts recording; false (reason on stderr) when it cannot.
    bool start(const std::string& path);
    // Finishes the file (an XLS file gets its end record) and waits for the writer a few
    // seconds at most; what still waits then goes to the rescue file.
    void stop();
    // 0, or kTroubleStatus when data sets of this run had to go to a rescue file (or were lost)
    // or a file could not be finished.
    int exitStatus() const;
    static constexpr int kTroubleStatus = 4;

    Recorder& recorder() { return *recorder_; }

private:
    void recordingChanged() override;
    void showStatus(const std::string& text) override;
    void showError(const std::string& text) override;
    void showNotice(const std::string& text) override;
    void writerHasNews() override;

    GeneralSettings settings_;
    PosixRecordingFiles files_;
    QTimer timer_;
    std::unique_ptr<Recorder> recorder_;
    bool wasRecording_ = false;
    bool recorded_ = false; // for the line at the end
    bool stopping_ = false;
};

} // namespace kesto
