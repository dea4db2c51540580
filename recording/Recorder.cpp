#include "recording/Recorder.h"

#include "acquisition/DateTimeFormat.h"
#include "config/Encoding.h"
#include "config/ProgramFolders.h"
#include "recording/RecordingLines.h"

namespace kesto {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// How long a start waits for the writer to say whether the file could be made.
constexpr std::chrono::seconds kStartWait{3};

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
                   RecordingFileLayer& files, MessageWindow& messages, RecordingView& view,
                   RecordingWriter::Options writer)
    : live_(live), settings_(settings), clock_(clock), messages_(messages), view_(view) {
    if (writer.rescueFolder.empty()) {
        writer.rescueFolder = programDataFolder();
    }
    writer_ = std::make_unique<RecordingWriter>(files, std::move(writer),
                                                [&view] { view.writerHasNews(); });
}

Recorder::~Recorder() {
    // The view may be half gone: the file is finished without telling it.
    if (recording_) {
        recording_ = false;
        writer_->finish();
    }
    writer_.reset(); // waits a few seconds at most; what is left goes to the rescue file
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
    if (shuttingDown_) {
        return false;
    }
    recordingFileName_ = path;
    settings_.saveFormat = filterIndex;
    const bool xls = filterIndex == kSaveFormatXls;
    std::string header;
    if (xls) {
        header = utf8ToWindows1252(
            xlsHeaderLine(live_.display(), live_.references(), dateTimePatterns().shortDate,
                          dateTimePatterns().longTime, settings_.recordingSeparator));
    }
    ++recordingId_;
    starting_ = true;
    startError_.reset();
    writer_->start(recordingId_, path, xls, std::move(header));
    writer_->waitIdle(kStartWait);
    takeWriterReports();
    starting_ = false;
    if (startError_) {
        writer_->finish();
        view_.showError(*startError_);
        return false;
    }
    format_ = filterIndex;
    recording_ = true;
    firstTick_ = true;
    pending_ = 0;
    rowsQueued_ = xls ? 1 : 0;
    failing_ = false;
    lostDataSets_ = 0;
    view_.recordingChanged();
    return true;
}

void Recorder::stop() {
    if (!recording_) {
        return;
    }
    recording_ = false;
    view_.recordingChanged();
    writer_->finish();
    view_.showStatus({});
    takeWriterReports();
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
    shuttingDown_ = true;
    const bool wasRecording = recording_;
    stop();
    return wasRecording;
}

bool Recorder::writerDone() {
    takeWriterReports();
    return writer_->done();
}

void Recorder::abandonWriter() {
    writer_->abandon();
    takeWriterReports();
}

bool Recorder::waitForWriter(std::chrono::milliseconds timeout) {
    const bool idle = writer_->waitIdle(timeout);
    takeWriterReports();
    return idle;
}

void Recorder::WriteDataSet() {
    if (!recording_ || (format_ != kSaveFormatCsv && format_ != kSaveFormatXls)) {
        return;
    }
    // The data set that stops the recording, or fills the XLS file, is on its way: no more.
    if (dataSetCounter_ < kAutoStopDataSets && dataSetCounter_ + pending_ >= kAutoStopDataSets) {
        return;
    }
    if (format_ == kSaveFormatXls && rowsQueued_ >= kXlsRowCount) {
        return;
    }
    const LocalDateTime now = clock_.localNow(); // one reading: the date and time agree
    std::string line;
    std::string header;
    if (format_ == kSaveFormatCsv) {
        dateTimePatterns().shortDate = "dd.mm.yyyy";
        line = csvDataLine(live_.display(), live_.options().tgasDecimals, dateText(now),
                           timeText(now), settings_.recordingSeparator) +
               std::string(kLineEnd);
        if (firstTick_) {
            // The header a new file gets: the first tick writes it alone.
            header = utf8ToWindows1252(csvHeaderLine(live_.display(), live_.references(),
                                                     dateTimePatterns().longTime,
                                                     settings_.recordingSeparator) +
                                       std::string(kLineEnd));
        }
    } else {
        line = xlsDataLine(live_.display(), live_.options().tgasDecimals, dateText(now),
                           timeText(now), settings_.recordingSeparator);
    }
    if (!writer_->add(utf8ToWindows1252(line), std::move(header))) {
        if (lostDataSets_++ == 0) {
            messages_.addMessage("Recording into " + recordingFileName_ +
                                 ": too many data sets wait; new ones are lost until the file "
                                 "can be written again.");
        }
        return;
    }
    firstTick_ = false;
    ++pending_;
    if (format_ == kSaveFormatXls) {
        ++rowsQueued_;
    }
    takeWriterReports();
    if (pending_ > 1) {
        // The writer is behind (a slow medium, or one that does not answer): say so even
        // before it reports.
        showProgress(lastFailure_);
    }
}

void Recorder::takeWriterReports() {
    for (const WriterReport& report : writer_->takeReports()) {
        handle(report);
    }
}

void Recorder::handle(const WriterReport& report) {
    const bool current = report.recording == recordingId_;
    switch (report.kind) {
    case WriterReport::Kind::Started:
        if (current && !report.text.empty()) {
            startError_ = report.text;
            if (!starting_ && recording_) {
                // The answer came after the start had given up waiting for it.
                recording_ = false;
                view_.recordingChanged();
                writer_->finish();
                view_.showStatus({});
                view_.showError(report.text);
            }
        }
        break;
    case WriterReport::Kind::Written: {
        bool limit = false;
        for (std::int64_t i = 0; i < report.count; ++i) {
            limit = limit || ++dataSetCounter_ == kAutoStopDataSets;
        }
        if (!current) {
            break;
        }
        pending_ -= report.count;
        lastFailure_.clear();
        if (failing_ && pending_ == 0) {
            failing_ = false;
            messages_.addMessage("Recording into " + recordingFileName_ +
                                 " has caught up: every data set that waited is in the file.");
        }
        if (!recording_) {
            break;
        }
        showProgress({});
        if (limit) {
            stop();
        } else if (report.full) {
            // The next row would not fit the 16-bit row number: end the file cleanly here.
            stop();
            notice("Recording stopped: " + recordingFileName_ + " is full (" +
                   std::to_string(kXlsRowCount) + " rows).");
        }
        break;
    }
    case WriterReport::Kind::Failed:
        if (!current) {
            break;
        }
        lastFailure_ = report.text;
        if (!failing_) {
            failing_ = true;
            messages_.addMessage("Recording: " + report.text +
                                 ". The data sets wait and are written as soon as the file can "
                                 "be written again.");
        }
        if (recording_) {
            showProgress(report.text);
        }
        break;
    case WriterReport::Kind::Rescued:
        troubled(report.recording);
        if (current) {
            pending_ -= report.count;
        }
        notice(report.rescueFile.empty()
                   ? std::to_string(report.count) + " data sets could not be written to " +
                         report.path + " and are lost: " + report.text
                   : std::to_string(report.count) + " data sets could not be written to " +
                         report.path + "; they are in " + report.rescueFile);
        break;
    case WriterReport::Kind::Finished:
        if (!report.text.empty()) {
            troubled(report.recording);
            notice(report.text);
        }
        break;
    }
}

void Recorder::troubled(std::uint64_t recording) {
    if (recording != lastTroubled_) {
        lastTroubled_ = recording;
        ++troubled_;
    }
}

void Recorder::showProgress(const std::string& failure) {
    std::string text = "Logging DS:" + std::to_string(dataSetCounter_) + " to " + statusFileName();
    if (pending_ > 0) {
        text += ", " + std::to_string(pending_) + " waiting";
    }
    if (!failure.empty()) {
        text += " (" + failure + ")";
    }
    view_.showStatus(text);
}

void Recorder::notice(const std::string& text) {
    messages_.addMessage(text);
    view_.showNotice(text);
}

std::string Recorder::statusFileName() const {
    return kesto::statusFileName(recordingFileName_);
}

} // namespace kesto
