#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// Appends raw-frame lines to the log file; returns the reason when a line could not be written.
class FrameLog {
public:
    virtual ~FrameLog() = default;
    virtual std::optional<std::string> append(std::string_view line) = 0;
};

// The log file in the user's home folder (or wherever the path points).
class FileFrameLog final : public FrameLog {
public:
    explicit FileFrameLog(std::string path) : path_(std::move(path)) {}
    std::optional<std::string> append(std::string_view line) override;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace kesto
