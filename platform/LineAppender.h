#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// Appends lines to a text file that must never lose one nor hold a torn one (the measurement
// protocol). Returns the reason when it fails; tests inject their own to make it fail.
class LineAppender {
public:
    virtual ~LineAppender() = default;
    // Appends `lines` to the file, `header` before them when the file is new or empty. Either
    // all of it reaches the disk or the file is left as it was. Missing folders are created.
    virtual std::optional<std::string> append(const std::string& path, std::string_view header,
                                              std::string_view lines) = 0;
};

// The real file system: under an exclusive lock, so two programs appending to one file take
// turns; flushed with fdatasync; a failed or partial write is cut off again.
class PosixLineAppender final : public LineAppender {
public:
    std::optional<std::string> append(const std::string& path, std::string_view header,
                                      std::string_view lines) override;
};

} // namespace kesto
