#include "Recorder.h"

#include "DateTimeFormat.h"
#include "Encoding.h"
#include "RecordingLines.h"

namespace kesto {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

} // namespace

std::string statusFileName(std::string_view path) {
    const std::string name = fileNameOf(path);
    std::string upper;
    upper.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 'a' && c <= 'z') {
            upper.push_back(static_cast<char>(c - 'a' + 'A'));
        } else if (c == 0xC3 && i + 1 < name.size()) {
            // UTF-8 of U+00C0..U+00FF: à..þ (not ÷) become À..Þ; ÿ becomes Ÿ (U+0178).
            const auto next = static_cast<unsigned char>(name[i + 1]);
            ++i;
            if (next == 0xBF) {
                upper += "\xC5\xB8";
            } else {
                upper.push_back(static_cast<char>(c));
                const bool lower = next >= 0xA0 && next <= 0xBE && next != 0xB7;
                upper.push_back(static_cast<char>(lower ? next - 0x20 : next));
            }
        } else {
            upper.push_back(static_cast<char>(c));
        }
    }
    return upper;
}

Recorder::Recorder(const LiveAcquisition& live, GeneralSettings& settings, const Clock& clock,
                   RecordingFileLayer& files, MessageWindow& messages, RecordingView& view)
    : live_(live), settings_(settings), clock_(clock), files_(files), messages_(messages),
      view_(view), xls_(files) {}

Recorder::~Recorder() {
    xls_.XlsClose();
}

void Recorder::SaveDialog1TypeChange(int filterIndex) {
    settings_.saveFormat = filterIndex;
}

std::string Recorder::defaultExtension(int filterIndex) {
    return filterIndex == kSaveFormatXls ? "XLS" : "CSV";
}

bool Recorder::start(const std::string& path, int filterIndex) {
    if (recording_) {
        stop();
    }
    recordingFileName_ = path;
    settings_.saveFormat = filterIndex;
    if (const FileError error = files_.remove(path)) {
        view_.showError("Cannot delete " + path + ": " + *error);
        return false;
    }
    if (filterIndex == kSaveFormatXls) {
        FileError error = xls_.XlsCreate(path);
        if (!error) {
            const std::string header =
                xlsHeaderLine(live_.display(), live_.references(), dateTimePatterns().shortDate,
                              dateTimePatterns().longTime, settings_.recordingSeparator);
            error = xls_.XlsWriteRow(utf8ToWindows1252(header));
            if (error) {
                xls_.XlsClose();
                files_.remove(path);
            }
        }
        if (error) {
            view_.showError("Cannot create " + path + ": " + *error);
            return false;
        }
    } else {
        // The first tick creates the file; find out now whether it can, and leave nothing.
        std::string error;
        if (!files_.create(path, error)) {
            view_.showError("Cannot create " + path + ": " + error);
            return false;
        }
        files_.remove(path);
    }
    format_ = filterIndex;
    recording_ = true;
    failedTicks_ = 0;
    view_.recordingChanged();
    return true;
}

void Recorder::stop() {
    if (!recording_) {
        return;
    }
    recording_ = false;
    view_.recordingChanged();
    if (format_ == kSaveFormatXls) {
        if (const FileError error = xls_.XlsClose()) {
            const std::string text =
                "The end of " + recordingFileName_ + " could not be written: " + *error;
            messages_.addMessage(text);
            view_.showNotice(text);
        }
    }
    view_.showStatus({});
}

void Recorder::setIntervalMs(int milliseconds) {
    intervalMs_ = milliseconds < 0 ? 0 : milliseconds;
    view_.recordingChanged();
}

void Recorder::pauseForSetup() {
    paused_ = true;
    view_.recordingChanged();
}

void Recorder::resumeAfterSetup() {
    paused_ = false;
    view_.recordingChanged();
}

bool Recorder::finishForShutdown() {
    const bool wasRecording = recording_;
    stop();
    return wasRecording;
}

void Recorder::WriteDataSet() {
    if (!recording_) {
        return;
    }
    std::optional<std::string> failure;
    if (format_ == kSaveFormatCsv) {
        failure = writeCsvDataSet();
    } else if (format_ == kSaveFormatXls) {
        failure = writeXlsDataSet();
    } else {
        return;
    }
    if (failure) {
        tickFailed(*failure);
    } else {
        tickWritten();
    }
}

std::optional<std::string> Recorder::writeCsvDataSet() {
    dateTimePatterns().shortDate = "dd.mm.yyyy";
    const std::string& path = recordingFileName_;
    const auto size = files_.fileSize(path);
    std::string error;
    if (!size || *size == 0) {
        // A new file (or one left empty) gets the header line and nothing else this tick.
        const std::string line =
            csvHeaderLine(live_.display(), live_.references(), dateTimePatterns().longTime,
                          settings_.recordingSeparator) +
            std::string(kLineEnd);
        auto file = files_.create(path, error);
        if (!file) {
            return "cannot create " + path + ": " + error;
        }
        FileError failed = file->writeAt(0, utf8ToWindows1252(line));
        if (!failed) {
            failed = file->sync();
        }
        if (failed) {
            file.reset();
            files_.remove(path); // the next tick starts again with the header
            return "cannot write " + path + ": " + *failed;
        }
        return std::nullopt;
    }
    const LocalDateTime now = clock_.localNow(); // one reading: the date and time agree
    const std::string line =
        csvDataLine(live_.display(), live_.options().tgasDecimals, dateText(now), timeText(now),
                    settings_.recordingSeparator) +
        std::string(kLineEnd);
    auto file = files_.open(path, error);
    if (!file) {
        return "cannot open " + path + ": " + error;
    }
    FileError failed = file->writeAt(*size, utf8ToWindows1252(line));
    if (!failed) {
        failed = file->sync();
    }
    if (failed) {
        file->truncate(*size); // no torn line for the next one to follow
        return "cannot write " + path + ": " + *failed;
    }
    return std::nullopt;
}

std::optional<std::string> Recorder::writeXlsDataSet() {
    const LocalDateTime now = clock_.localNow(); // one reading: the date and time agree
    const std::string line =
        xlsDataLine(live_.display(), live_.options().tgasDecimals, dateText(now), timeText(now),
                    settings_.recordingSeparator);
    if (const FileError failed = xls_.XlsWriteRow(utf8ToWindows1252(line))) {
        return "cannot write " + recordingFileName_ + ": " + *failed;
    }
    return std::nullopt;
}

void Recorder::tickWritten() {
    if (failedTicks_ > 0) {
        messages_.addMessage("Recording into " + recordingFileName_ + " goes on; " +
                             std::to_string(failedTicks_) + " data sets could not be written.");
        failedTicks_ = 0;
    }
    ++dataSetCounter_;
    view_.showStatus("Logging DS:" + std::to_string(dataSetCounter_) + " to " + statusFileName());
    if (dataSetCounter_ == kAutoStopDataSets) {
        stop();
        return;
    }
    if (format_ == kSaveFormatXls && xls_.full()) {
        // The next row would not fit the 16-bit row number: end the file cleanly here.
        stop();
        const std::string text = "Recording stopped: " + recordingFileName_ + " is full (" +
                                 std::to_string(kXlsRowCount) + " rows).";
        messages_.addMessage(text);
        view_.showNotice(text);
    }
}

void Recorder::tickFailed(const std::string& reason) {
    ++failedTicks_;
    view_.showStatus("Logging to " + statusFileName() + " failed: " + reason);
    if (failedTicks_ == 1) {
        messages_.addMessage("Recording: " + reason + ". The next data set is tried again.");
    }
}

std::string Recorder::statusFileName() const {
    return kesto::statusFileName(recordingFileName_);
}

} // namespace kesto
