#pragma once

#include "acquisition/Acquisition.h"
#include "config/Settings.h"
#include "platform/RecordingFiles.h"
#include "recording/RecordingWriter.h"
#include "recording/XlsWriter.h"

#include <chrono>
#include <cstdint>
#include <memory>
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
    // stopped because its file is full or could not be finished, data sets in a rescue file.
    virtual void showNotice(const std::string& text) = 0;
    // Called from the recording's writer thread: the writer has news. The view has
    // Recorder::takeWriterReports() called on its own thread soon (never from here).
    virtual void writerHasNews() {}
};

// Recording control: one recording at a time into a CSV or XLS file, one data set per tick of
// the recording timer, from the live display as the last refresh left it.
//
// Whether a recording runs is `recording()`; the window's recording timer runs while it does,
// except while the setup dialog is open and while the period is 0 (a 0 s interval means no
// ticks at all). Every tick reads the clock once, for the date and the time alike, builds its
// line or row and hands it to the recording's writer (RecordingWriter), which does all the file
// work on a thread of its own: the tick never waits for the disk. The count, the status line
// and the stop at 60000 follow what the writer reports as written, in order.
//
// Data sets that cannot be written wait, each with its tick's date and time, and are written
// as soon as the file can be written again: the status line says how many wait, the messages
// window says once that writing failed and once that it has caught up. Data sets that still
// wait when the recording stops go to a rescue file, which a notice names.
class Recorder {
public:
    // The writer's rescue folder, unless `writer` names one: <data home>/Pellum/KESTO22.
    Recorder(const LiveAcquisition& live, GeneralSettings& settings, const Clock& clock,
             RecordingFileLayer& files, MessageWindow& messages, RecordingView& view,
             RecordingWriter::Options writer = {});
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
    // recording does not start (false). The writer's answer is awaited for a few seconds at
    // most; a later answer that the file could not be made ends the recording with the box.
    // Refused during the program's end.
    bool start(const std::string& path, int filterIndex);
    // Stops: the writer finishes the file (an XLS file gets its end record, data sets that
    // still wait get one more try, then go to the rescue file); the status line is cleared.
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

    // Program end: finishes a running recording and refuses new ones. True when one was
    // running (the program then waits 500 ms, and for the writer a few seconds at most,
    // before it closes the port).
    bool finishForShutdown();
    // Whether the writer has finished every recording (reports taken).
    bool writerDone();
    // The writer does not answer in time: what waits goes to the rescue file from here.
    void abandonWriter();

    // What the writer has reported since: counts, status, messages, notices.
    void takeWriterReports();
    // Waits until the writer can do nothing more now (tests, the console's end), then takes
    // its reports. False when `timeout` passed first.
    bool waitForWriter(std::chrono::milliseconds timeout);

    // Data sets handed to the writer and not yet written, of the current recording.
    std::int64_t waiting() const { return pending_; }
    // Recordings of this run that ended with data sets in a rescue file (or lost) or with an
    // end that could not be written.
    int troubledRecordings() const { return troubled_; }

    std::int64_t DataSetCounter() const { return dataSetCounter_; }
    const std::string& RecordingFileName() const { return recordingFileName_; }

private:
    void handle(const WriterReport& report);
    void showProgress(const std::string& failure);
    void notice(const std::string& text);
    void troubled(std::uint64_t recording);
    std::string statusFileName() const;

    const LiveAcquisition& live_;
    GeneralSettings& settings_;
    const Clock& clock_;
    MessageWindow& messages_;
    RecordingView& view_;
    std::unique_ptr<RecordingWriter> writer_;

    std::string recordingFileName_;
    int format_ = kSaveFormatCsv;
    bool recording_ = false;
    bool paused_ = false;
    bool shuttingDown_ = false;
    int intervalMs_ = 0;
    std::int64_t dataSetCounter_ = 0; // across all recordings of the run
    std::uint64_t recordingId_ = 0;   // the writer's number for the current recording
    bool starting_ = false;
    std::optional<std::string> startError_;
    bool firstTick_ = false;
    std::int64_t pending_ = 0;     // handed over, not written yet
    std::uint32_t rowsQueued_ = 0; // XLS rows handed over, the header row included
    bool failing_ = false;         // since the last report of data written
    std::string lastFailure_;
    std::int64_t lostDataSets_ = 0;
    int troubled_ = 0;
    std::uint64_t lastTroubled_ = 0;
};

// The file name without its folder, in upper case (ASCII and the Latin-1 letters), as the
// status line shows it.
std::string statusFileName(std::string_view path);

} // namespace kesto
