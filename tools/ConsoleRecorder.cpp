#include "ConsoleRecorder.h"

#include <cstdio>

namespace kesto {

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
}

bool ConsoleRecorder::start(const std::string& path) {
    const auto format = formatForFile(path);
    if (!format) {
        showError(path + ": the file name must end in .csv or .xls");
        return false;
    }
    return recorder_->start(path, *format);
}

void ConsoleRecorder::stop() {
    recorder_->stop();
}

void ConsoleRecorder::recordingChanged() {
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
