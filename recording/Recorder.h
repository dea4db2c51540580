#pragma once

#include "Acquisition.h"
#include "RecordingFiles.h"
#include "Settings.h"
#include "XlsWriter.h"

#include <cstdint>
#include <string>

namespace kesto {

// A recording stops by itself when the run's data-set count reaches exactly this.
inline constexpr std::int64_t kAutoStopDataSets = 60000;

inline constexpr int kSaveFormatCsv = 1;
inline constexpr int kSaveFormatXls = 2;

// What a recording shows: the main window, or the console recorder.
class RecordingView {
public:
    virtual ~RecordingView() = default;
    // The recording started or stopped, or its timer was paused, resumed or given another
    // period: the menu caption and the recording timer follow (Recorder::recording(),
    // timerRuns(), intervalMs()).
    virtual void recordingChanged() = 0;
    // The status line; the window puts one blank before the text. Empty clears it.
    virtual void showStatus(const std::string& text) = 0;
    // A recording that could not start, at the user's command: the program's error box.
    virtual void showError(const std::string& text) = 0;
    // Something to tell the user while the program goes on (no modal box): a recording that
    // stopped because its file is full or could not be finished.
    virtual void showNotice(const std::string& text) = 0;
};

// Recording control: one recording at a time into a CSV or XLS file, one data set per tick of
// the recording timer, from the live display as the last refresh left it.
//
// Whether a recording runs is `recording()`; the window's recording timer runs while it does,
// except while the setup dialog is open and while the period is 0 (a 0 s interval means no
// ticks at all). Every tick reads the clock once, for the date and the time alike, and flushes
// what it wrote to the disk. A tick that cannot write is not counted: the status line says why,
// the messages window says it once for a run of failed ticks and again when writing works
// again, and the next tick tries again. A CSV line or XLS row that failed half-way is taken
// back, so earlier lines stay intact.
class Recorder {
public:
    Recorder(const LiveAcquisition& live, GeneralSettings& settings, const Clock& clock,
             RecordingFileLayer& files, MessageWindow& messages, RecordingView& view);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The save dialog: the file type the user picks becomes the save format at once, also
    // when the dialog is then cancelled.
    void SaveDialog1TypeChange(int filterIndex);
    // "CSV" for filter index 1, "XLS" for 2.
    static std::string defaultExtension(int filterIndex);

    // Starts recording into `path`, chosen in the save dialog with `filterIndex` (1 CSV, 2 XLS).
    // An existing file of that name is deleted. An XLS file is created with its header row at
    // once; a CSV file is created by the first tick (header only), but is tried here. When the
    // file cannot be deleted or created the error box names the file and the reason and the
    // recording does not start (false).
    bool start(const std::string& path, int filterIndex);
    // Stops: an XLS file is finished and closed; the status line is cleared.
    void stop();
    bool recording() const { return recording_; }

    // One tick of the recording timer: a CSV line or an XLS row, then count and status.
    void WriteDataSet();

    // The recording timer's period; the timer runs only while `timerRuns()`.
    void setIntervalMs(int milliseconds);
    int intervalMs() const { return intervalMs_; }
    bool timerRuns() const { return recording_ && !paused_ && intervalMs_ > 0; }
    // The setup dialog holds the timer while it is open; afterwards it has its state back
    // (a recording goes on, whether or not the port could be reopened).
    void pauseForSetup();
    void resumeAfterSetup();

    // Program end: finishes a running recording. True when one was running (the program then
    // waits 500 ms before it closes the port).
    bool finishForShutdown();

    std::int64_t DataSetCounter() const { return dataSetCounter_; }
    const std::string& RecordingFileName() const { return recordingFileName_; }
    int recordingFormat() const { return format_; }

private:
    std::optional<std::string> writeCsvDataSet();
    std::optional<std::string> writeXlsDataSet();
    void tickWritten();
    void tickFailed(const std::string& reason);
    std::string statusFileName() const;

    const LiveAcquisition& live_;
    GeneralSettings& settings_;
    const Clock& clock_;
    RecordingFileLayer& files_;
    MessageWindow& messages_;
    RecordingView& view_;
    XlsWriter xls_;

    std::string recordingFileName_;
    int format_ = kSaveFormatCsv;
    bool recording_ = false;
    bool paused_ = false;
    int intervalMs_ = 0;
    std::int64_t dataSetCounter_ = 0; // across all recordings of the run
    int failedTicks_ = 0;             // in a row, of the current recording
};

// The file name without its folder, in upper case (ASCII and the Latin-1 letters), as the
// status line shows it.
std::string statusFileName(std::string_view path);

} // namespace kesto
