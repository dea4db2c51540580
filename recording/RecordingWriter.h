#pragma once

#include "platform/RecordingFiles.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kesto {

// What the writer tells the recording, in the order it happened.
struct WriterReport {
    enum class Kind {
        Started,  // the file is ready (`text` empty) or could not be made (`text` the reason)
        Written,  // `count` data sets reached the file; `full`: an XLS file has no row left
        Failed,   // writing failed (`text`); the data sets wait and are tried again
        Finished, // the recording is done: `text` why its end could not be written, if so
        Rescued,  // `count` data sets that still waited are in `rescueFile`, or lost (`text`)
    };
    Kind kind = Kind::Written;
    std::uint64_t recording = 0; // the number the recording was started with
    std::int64_t count = 0;
    bool full = false;
    std::string text;
    std::string path;       // Rescued: the recording's file
    std::string rescueFile; // Rescued: where its data sets went
};

// One recording's file work, in order: creating the file, its data sets, its end. By default on
// a thread of its own, so that a slow or missing medium never holds up the caller; the caller
// hands over lines that are ready to be stored (Windows-1252, their tick's date and time in
// them) and learns from the reports what happened to them.
//
// A data set that cannot be written waits, with all that follow it, and is tried again after
// `retry` and whenever another data set comes. Only a missing file (ENOENT) is a new file, and
// only on the file system its folder was on at the start; a file that cannot be looked at or
// written is never emptied or replaced. When a recording is
// finished while data sets still wait, they get one more try, and then go to a rescue file
// beside the others in `rescueFolder`, named after the recording ("TEST-rescued.CSV",
// "TEST-rescued-2.CSV", ...), in the recording's format with its header. When the writer is
// abandoned, the data set it was writing is rescued too: it may end up in both files.
class RecordingWriter {
public:
    struct Options {
        bool ownThread = true; // false: the work is done within each call (tests)
        std::chrono::milliseconds retry{1000};
        std::string rescueFolder;
        // Data sets that may wait: two days of one a second.
        std::size_t capacity = 2 * 86400;
    };

    // `wake` is called, from the writer's thread, when there are reports to take.
    RecordingWriter(RecordingFileLayer& files, Options options, std::function<void()> wake);
    // Waits for the work in hand; what cannot be done within `abandon`'s limit is rescued.
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // A new recording into `path`: the old file is deleted; an XLS file (`xls`) is created
    // with `xlsHeader` as its first row, a CSV file only tried (the first data set creates it).
    void start(std::uint64_t recording, const std::string& path, bool xls, std::string xlsHeader);
    // The next data set of the recording last started. `csvHeader` is the header line a CSV
    // file gets when this data set has to create it. False when the queue is full.
    bool add(std::string line, std::string csvHeader = {});
    // The end of the recording last started.
    void finish();

    std::vector<WriterReport> takeReports();
    // Until nothing more can be done now (everything written, or waiting for the medium);
    // false when `timeout` passed first.
    bool waitIdle(std::chrono::milliseconds timeout);
    // True when every recording handed over is finished.
    bool done() const;
    // Gives up on the writer's thread (a medium that does not answer): what has not been
    // written goes to the rescue file from the calling thread, and the thread is left alone.
    void abandon();

private:
    struct Run;
    struct Shared;

    void loop();
    bool pass(std::unique_lock<std::mutex>& lock);
    // New work is there: wakes the writer's thread, or does the work here without one.
    void handOver(std::unique_lock<std::mutex>& lock);
    void report(WriterReport r);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace kesto
