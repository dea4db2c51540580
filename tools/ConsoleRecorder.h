#pragma once

#include "Recorder.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

namespace kesto {

// The recording of the console monitor: the program's Recorder with a timer of its own, the
// status line as lines on stderr and notices as "! " lines on stdout (through the messages).
class ConsoleRecorder : public QObject, private RecordingView {
    Q_OBJECT

public:
    // The save format for a file name: CSV for ".csv", XLS for ".xls", any letter case.
    static std::optional<int> formatForFile(const std::string& path);

    ConsoleRecorder(const LiveAcquisition& live, MessageWindow& messages, int intervalSeconds);
    ~ConsoleRecorder() override;

    // Replaces the file and starts recording; false (reason on stderr) when it cannot.
    bool start(const std::string& path);
    // Finishes the file (an XLS file gets its end record).
    void stop();

    Recorder& recorder() { return *recorder_; }

private:
    void recordingChanged() override;
    void showStatus(const std::string& text) override;
    void showError(const std::string& text) override;
    void showNotice(const std::string& text) override;

    GeneralSettings settings_;
    PosixRecordingFiles files_;
    QTimer timer_;
    std::unique_ptr<Recorder> recorder_;
};

} // namespace kesto
