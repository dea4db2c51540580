#include "tools/ConsoleRecorder.h"

#include <chrono>
#include <cstdio>

namespace kesto {

namespace {

// How long the end of the monitor waits for a slow or missing medium.
constexpr std::chrono::seconds kFinishWait{5};

} // namespace

std::optional<int> ConsoleRecorder::formatForFile(const std::string& path) {
    const std::string name = fileNameOf(path);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        return std::nullopt;
    }
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (extension == "csv") {
        return kSaveFormatCsv;
    }
    if (extension == "xls") {
        return kSaveFormatXls;
    }
    return std::nullopt;
}

ConsoleRecorder::ConsoleRecorder(const LiveAcquisition& live, MessageWindow& messages,
                                 int intervalSeconds) {
    recorder_ = std::make_unique<Recorder>(live, settings_, live.clock(), files_, messages,
                                           static_cast<RecordingView&>(*this));
    connect(&timer_, &QTimer::timeout, this, [this] { recorder_->WriteDataSet(); });
    recorder_->setIntervalMs(intervalSeconds * 1000);
}

ConsoleRecorder::~ConsoleRecorder() {
    stop();
    recorder_.reset();
}

bool ConsoleRecorder::start(const std::string& path) {
    const auto format = formatForFile(path);
    if (!format) {
        showError(path + ": the file name must end in .csv or .xls");
        return false;
    }
    stopping_ = false;
    return recorder_->start(path, *format);
}

void ConsoleRecorder::stop() {
    stopping_ = true;
    recorder_->stop();
    const auto deadline = std::chrono::steady_clock::now() + kFinishWait;
    while (!recorder_->writerDone() && std::chrono::steady_clock::now() < deadline) {
        recorder_->waitForWriter(std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()));
    }
    if (!recorder_->writerDone()) {
        recorder_->abandonWriter();
    }
    if (recorded_) {
        recorded_ = false;
        std::fprintf(stderr, "kesto-monitor: the recording ended with DS:%lld\n",
                     static_cast<long long>(recorder_->DataSetCounter()));
        std::fflush(stderr);
    }
}

int ConsoleRecorder::exitStatus() const {
    return recorder_->troubledRecordings() > 0 ? kTroubleStatus : 0;
}

void ConsoleRecorder::writerHasNews() {
    // From the writer's thread: the reports are taken on the event loop's.
    QMetaObject::invokeMethod(
        this, [this] { recorder_->takeWriterReports(); }, Qt::QueuedConnection);
}

void ConsoleRecorder::recordingChanged() {
    if (wasRecording_ && !recorder_->recording() && !stopping_) {
        std::fprintf(stderr, "kesto-monitor: the recording stopped by itself at DS:%lld\n",
                     static_cast<long long>(recorder_->DataSetCounter()));
        std::fflush(stderr);
    }
    wasRecording_ = recorder_->recording();
    recorded_ = recorded_ || wasRecording_;
    timer_.setInterval(recorder_->intervalMs());
    if (!recorder_->timerRuns()) {
        timer_.stop();
    } else if (!timer_.isActive()) {
        timer_.start();
    }
}

void ConsoleRecorder::showStatus(const std::string& text) {
    if (!text.empty()) {
        std::fprintf(stderr, "kesto-monitor: %s\n", text.c_str());
        std::fflush(stderr);
    }
}

void ConsoleRecorder::showError(const std::string& text) {
    std::fprintf(stderr, "kesto-monitor: %s\n", text.c_str());
    std::fflush(stderr);
}

void ConsoleRecorder::showNotice(const std::string& text) {
    showError(text);
}

} // namespace kesto
