#include "recording/RecordingWriter.h"

#include "recording/XlsWriter.h"

#include <filesystem>
#include <utility>

namespace kesto {

namespace {

// The most data sets one write takes: a medium that is back catches up in a few writes.
constexpr std::size_t kBatch = 600;
// How long the destructor waits for the work in hand before it rescues what is left.
constexpr std::chrono::seconds kDestructorWait{3};

struct Outcome {
    FileError error;
    std::size_t consumed = 0;
    bool full = false;
};

WriterReport reportOf(WriterReport::Kind kind, std::uint64_t recording, std::int64_t count = 0,
                      bool full = false, std::string text = {}) {
    WriterReport r;
    r.kind = kind;
    r.recording = recording;
    r.count = count;
    r.full = full;
    r.text = std::move(text);
    return r;
}

std::string joined(const std::vector<std::string>& lines, std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        bytes += lines[i];
    }
    return bytes;
}

} // namespace

struct RecordingWriter::Run {
    std::uint64_t id = 0;
    std::string path;
    bool xls = false;
    std::string xlsHeader;
    std::string csvHeader;
    std::deque<std::string> waiting;
    bool finishing = false;
    // Only the writer's side touches these.
    bool started = false;
    bool startFailed = false;
    bool anyWritten = false;
    bool failing = false;
    bool finalTried = false;
    std::optional<std::uint64_t> device; // of the CSV file's folder at the start
    std::unique_ptr<XlsWriter> xlsWriter;
};

struct RecordingWriter::Shared {
    Shared(RecordingFileLayer& f, Options o, std::function<void()> w)
        : files(f), options(std::move(o)), wake(std::move(w)) {}

    RecordingFileLayer& files;
    PosixRecordingFiles rescueFiles; // the rescue folder is the computer's own disk
    Options options;
    std::function<void()> wake;

    std::mutex mutex;
    std::condition_variable work;
    std::condition_variable idleChanged;
    std::deque<Run> runs;
    std::vector<WriterReport> reports;
    std::size_t waitingTotal = 0;
    bool kick = false; // new data or a finish: try again now, whatever the retry time
    bool idle = true;
    bool stop = false;
    bool abandoned = false;
    std::chrono::steady_clock::time_point retryAt{};

    Outcome writeCsv(Run& run, const std::string& header, const std::vector<std::string>& lines);
    Outcome writeXls(Run& run, const std::vector<std::string>& lines);
    FileError startRun(Run& run);
    WriterReport rescue(const Run& run, const std::vector<std::string>& lines);
};

FileError RecordingWriter::Shared::startRun(Run& run) {
    if (const FileError error = files.remove(run.path)) {
        return "Cannot delete " + run.path + ": " + *error;
    }
    if (run.xls) {
        run.xlsWriter = std::make_unique<XlsWriter>(files);
        FileError error = run.xlsWriter->XlsCreate(run.path);
        if (!error) {
            error = run.xlsWriter->XlsWriteRow(run.xlsHeader);
            if (error) {
                run.xlsWriter->XlsClose();
                files.remove(run.path);
            }
        }
        if (error) {
            run.xlsWriter.reset();
            return "Cannot create " + run.path + ": " + *error;
        }
        return std::nullopt;
    }
    // The first data set creates the file; find out now whether it can, and leave nothing.
    std::string error;
    if (!files.create(run.path, error)) {
        return "Cannot create " + run.path + ": " + error;
    }
    files.remove(run.path);
    FileError unknown; // then any file system will do later
    run.device = files.folderDevice(run.path, unknown);
    return std::nullopt;
}

Outcome RecordingWriter::Shared::writeCsv(Run& run, const std::string& header,
                                          const std::vector<std::string>& lines) {
    const std::string& path = run.path;
    FileError error;
    const auto size = files.fileSize(path, error);
    if (error) {
        return {"cannot look at " + path + ": " + *error};
    }
    if (!size && run.device) {
        // A file that is gone is made anew only on the file system it was started on: a stick
        // pulled from a mount point leaves the folder behind on the system disk, and a new file
        // there would split the recording in two. Its data sets wait as for a medium that is away.
        const auto device = files.folderDevice(path, error);
        if (device != run.device) {
            return {"cannot create " + path + ": " +
                    error.value_or("its medium is away (the folder is on another file system)")};
        }
    }
    std::string reason;
    if (!size || *size == 0) {
        // A new file (or an empty one) gets the header line first. The first data set of a
        // recording makes it with the header alone; a file that went away later gets the header
        // and the data sets that wait.
        auto file = size ? files.open(path, reason) : files.create(path, reason);
        if (!file) {
            return {(size ? "cannot open " : "cannot create ") + path + ": " + reason};
        }
        const std::size_t count = run.anyWritten ? lines.size() : 0;
        FileError failed = file->writeAt(0, header + joined(lines, count));
        if (!failed) {
            failed = file->sync();
        }
        if (failed) {
            if (size) {
                file->truncate(0);
            } else {
                file.reset();
                files.remove(path); // only what this write made: it starts again with the header
            }
            return {"cannot write " + path + ": " + *failed};
        }
        return {std::nullopt, run.anyWritten ? lines.size() : 1};
    }
    auto file = files.open(path, reason);
    if (!file) {
        return {"cannot open " + path + ": " + reason};
    }
    FileError failed = file->writeAt(*size, joined(lines, lines.size()));
    if (!failed) {
        failed = file->sync();
    }
    if (failed) {
        file->truncate(*size); // no torn line for the next one to follow
        return {"cannot write " + path + ": " + *failed};
    }
    return {std::nullopt, lines.size()};
}

Outcome RecordingWriter::Shared::writeXls(Run& run, const std::vector<std::string>& lines) {
    XlsWriter& xls = *run.xlsWriter;
    const std::size_t count = std::min<std::size_t>(lines.size(), kXlsRowCount - xls.currentRow());
    if (const FileError failed = xls.XlsWriteRows(lines.data(), count)) {
        return {"cannot write " + run.path + ": " + *failed};
    }
    return {std::nullopt, count, xls.full()};
}

WriterReport RecordingWriter::Shared::rescue(const Run& run,
                                             const std::vector<std::string>& lines) {
    WriterReport r =
        reportOf(WriterReport::Kind::Rescued, run.id, static_cast<std::int64_t>(lines.size()));
    r.path = run.path;
    std::error_code ignored;
    std::filesystem::create_directories(options.rescueFolder, ignored);
    const std::string name = fileNameOf(run.path);
    const std::size_t dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    // A recording named without an extension gets its format's, for the viewer's file filter.
    const std::string extension = dot != std::string::npos ? name.substr(dot)
                                  : run.xls                ? ".XLS"
                                                           : ".CSV";
    std::string error = "no free name";
    for (int k = 1; k < 1000; ++k) {
        const std::string path = options.rescueFolder + "/" + stem + "-rescued" +
                                 (k > 1 ? "-" + std::to_string(k) : "") + extension;
        FileError looked;
        if (rescueFiles.fileSize(path, looked) || looked) {
            continue; // taken
        }
        FileError failed;
        if (run.xls) {
            XlsWriter xls(rescueFiles);
            failed = xls.XlsCreate(path);
            if (!failed) {
                failed = xls.XlsWriteRow(run.xlsHeader);
            }
            if (!failed) {
                failed = xls.XlsWriteRows(lines.data(),
                                          std::min<std::size_t>(lines.size(), kXlsRowCount - 1));
            }
            if (const FileError closed = xls.XlsClose(); !failed) {
                failed = closed;
            }
        } else {
            auto file = rescueFiles.create(path, error);
            if (!file) {
                break;
            }
            failed = file->writeAt(0, run.csvHeader + joined(lines, lines.size()));
            if (!failed) {
                failed = file->sync();
            }
        }
        if (failed) {
            error = *failed;
            break;
        }
        r.rescueFile = path;
        return r;
    }
    r.text = "cannot write a rescue file in " + options.rescueFolder + ": " + error;
    return r;
}

RecordingWriter::RecordingWriter(RecordingFileLayer& files, Options options,
                                 std::function<void()> wake)
    : shared_(std::make_shared<Shared>(files, std::move(options), std::move(wake))) {
    if (shared_->options.ownThread) {
        thread_ = std::thread([this] { loop(); });
    }
}

RecordingWriter::~RecordingWriter() {
    if (!waitIdle(kDestructorWait) || !done()) {
        abandon();
    }
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        shared_->wake = nullptr;
    }
    shared_->work.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RecordingWriter::handOver(std::unique_lock<std::mutex>& lock) {
    shared_->kick = true;
    shared_->idle = false;
    if (shared_->options.ownThread) {
        shared_->work.notify_all();
    } else {
        while (pass(lock)) {
        }
        shared_->idle = true;
    }
}

void RecordingWriter::start(std::uint64_t recording, const std::string& path, bool xls,
                            std::string xlsHeader) {
    std::unique_lock lock(shared_->mutex);
    Run& run = shared_->runs.emplace_back();
    run.id = recording;
    run.path = path;
    run.xls = xls;
    run.xlsHeader = std::move(xlsHeader);
    handOver(lock);
}

bool RecordingWriter::add(std::string line, std::string csvHeader) {
    std::unique_lock lock(shared_->mutex);
    if (shared_->runs.empty() || shared_->runs.back().finishing ||
        shared_->waitingTotal >= shared_->options.capacity) {
        return false;
    }
    Run& run = shared_->runs.back();
    if (!csvHeader.empty()) {
        run.csvHeader = std::move(csvHeader);
    }
    run.waiting.push_back(std::move(line));
    ++shared_->waitingTotal;
    handOver(lock);
    return true;
}

void RecordingWriter::finish() {
    std::unique_lock lock(shared_->mutex);
    if (shared_->runs.empty() || shared_->runs.back().finishing) {
        return;
    }
    shared_->runs.back().finishing = true;
    handOver(lock);
}

std::vector<WriterReport> RecordingWriter::takeReports() {
    std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->reports, {});
}

bool RecordingWriter::waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(shared_->mutex);
    return shared_->idleChanged.wait_for(lock, timeout,
                                         [this] { return shared_->idle || shared_->abandoned; });
}

bool RecordingWriter::done() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->runs.empty() || shared_->abandoned;
}

void RecordingWriter::abandon() {
    std::vector<std::pair<Run, std::vector<std::string>>> left;
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->abandoned) {
            return;
        }
        shared_->abandoned = true;
        for (Run& run : shared_->runs) {
            // The data set being written, if any, is among these: it may end up in both files,
            // never in neither.
            Run copy;
            copy.id = run.id;
            copy.path = run.path;
            copy.xls = run.xls;
            copy.xlsHeader = run.xlsHeader;
            copy.csvHeader = run.csvHeader;
            left.emplace_back(std::move(copy),
                              std::vector<std::string>(run.waiting.begin(), run.waiting.end()));
        }
    }
    shared_->idleChanged.notify_all();
    shared_->work.notify_all();
    std::vector<WriterReport> reports;
    for (const auto& [run, lines] : left) {
        if (!lines.empty()) {
            reports.push_back(shared_->rescue(run, lines));
        }
        reports.push_back(reportOf(WriterReport::Kind::Finished, run.id, 0, false,
                                   "The end of " + run.path +
                                       " could not be written: the medium did not answer in time"));
    }
    {
        std::lock_guard lock(shared_->mutex);
        shared_->reports.insert(shared_->reports.end(), reports.begin(), reports.end());
        shared_->wake = nullptr;
    }
    if (thread_.joinable()) {
        // It may be stuck in a call to the file system that never returns; it touches nothing
        // of ours when it comes back.
        thread_.detach();
    }
}

void RecordingWriter::report(WriterReport r) {
    shared_->reports.push_back(std::move(r));
    if (shared_->wake) {
        shared_->wake();
    }
}

void RecordingWriter::loop() {
    const std::shared_ptr<Shared> shared = shared_; // outlives this object when abandoned
    std::unique_lock lock(shared->mutex);
    while (!shared->stop && !shared->abandoned) {
        if (pass(lock)) {
            continue;
        }
        if (shared->stop || shared->abandoned) {
            break;
        }
        shared->idle = true;
        shared->idleChanged.notify_all();
        const bool retrying = !shared->runs.empty() && shared->runs.front().failing &&
                              !shared->runs.front().waiting.empty();
        if (retrying) {
            shared->work.wait_until(lock, shared->retryAt);
            if (std::chrono::steady_clock::now() >= shared->retryAt) {
                shared->kick = true;
            }
        } else {
            shared->work.wait(lock);
        }
        shared->idle = false;
    }
}

// One step of the work with the lock held: the lock is let go while the files are worked on.
// False when nothing can be done now.
bool RecordingWriter::pass(std::unique_lock<std::mutex>& lock) {
    // Taken as a copy: once abandoned, this object may be gone when a call returns.
    const std::shared_ptr<Shared> shared = shared_;
    Shared& s = *shared;
    if (s.abandoned || s.runs.empty()) {
        return false;
    }
    Run& run = s.runs.front(); // only this side removes runs: the reference stays valid
    if (!run.started) {
        lock.unlock();
        const FileError error = s.startRun(run);
        lock.lock();
        if (s.abandoned) {
            return false;
        }
        run.started = true;
        run.startFailed = error.has_value();
        report(reportOf(WriterReport::Kind::Started, run.id, 0, false, error.value_or("")));
        return true;
    }
    const bool mayTry = s.kick || !run.failing || (run.finishing && !run.finalTried);
    if (!run.waiting.empty() && !run.startFailed && !run.finalTried && mayTry) {
        s.kick = false;
        const std::size_t n = std::min(run.waiting.size(), kBatch);
        const std::vector<std::string> lines(run.waiting.begin(),
                                             run.waiting.begin() + static_cast<std::ptrdiff_t>(n));
        const std::string header = run.csvHeader; // add() may set it meanwhile
        lock.unlock();
        const Outcome outcome = run.xls ? s.writeXls(run, lines) : s.writeCsv(run, header, lines);
        lock.lock();
        if (s.abandoned) {
            return false;
        }
        if (outcome.error) {
            run.failing = true;
            run.finalTried = run.finishing;
            s.retryAt = std::chrono::steady_clock::now() + s.options.retry;
            report(reportOf(WriterReport::Kind::Failed, run.id, 0, false, *outcome.error));
            return true;
        }
        run.anyWritten = true;
        run.failing = false;
        run.waiting.erase(run.waiting.begin(),
                          run.waiting.begin() + static_cast<std::ptrdiff_t>(outcome.consumed));
        s.waitingTotal -= outcome.consumed;
        report(reportOf(WriterReport::Kind::Written, run.id,
                        static_cast<std::int64_t>(outcome.consumed), outcome.full));
        return true;
    }
    if (run.finishing && (run.waiting.empty() || run.startFailed || run.finalTried)) {
        const std::vector<std::string> lines(run.waiting.begin(), run.waiting.end());
        lock.unlock();
        FileError closed;
        if (run.xlsWriter) {
            closed = run.xlsWriter->XlsClose();
        }
        std::optional<WriterReport> rescued;
        if (!lines.empty()) {
            rescued = s.rescue(run, lines);
        }
        lock.lock();
        if (s.abandoned) {
            return false;
        }
        s.waitingTotal -= lines.size();
        if (rescued) {
            report(*rescued);
        }
        report(
            reportOf(WriterReport::Kind::Finished, run.id, 0, false,
                     closed ? "The end of " + run.path + " could not be written: " + *closed : ""));
        s.runs.pop_front();
        return true;
    }
    return false;
}

} // namespace kesto
