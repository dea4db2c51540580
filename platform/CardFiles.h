#pragma once

#include "platform/RecordingFiles.h"

#include <cstddef>
#include <memory>
#include <string>

namespace kesto {

// A memory-card file open for reading.
class CardSourceFile {
public:
    virtual ~CardSourceFile() = default;
    // Reads up to `size` bytes into `into` and sets `got` to their number, 0 at the end of the
    // file.
    virtual FileError read(char* into, std::size_t size, std::size_t& got) = 0;
    // Back to the first byte.
    virtual FileError rewind() = 0;
};

// The file operations of a memory-card conversion: those of a recording (create, write, sync,
// remove) and reading the card's file and putting the finished file in the target's place.
// Tests inject their own layer to make any step fail.
class CardFileLayer : public RecordingFileLayer {
public:
    virtual std::unique_ptr<CardSourceFile> openSource(const std::string& path,
                                                       std::string& error) = 0;
    // The name under which the converted file is written before it takes the target's place:
    // a file beside the target (beside the file a symbolic link points to), unique to this
    // process. Empty when the target is a device, pipe or socket, which is written to
    // directly.
    virtual std::string partName(const std::string& target) = 0;
    // Gives the file `from` the name `to`, replacing a file of that name (the file a symbolic
    // link points to, not the link), and flushes the folder so the new name survives a power
    // cut.
    virtual FileError rename(const std::string& from, const std::string& to) = 0;
};

// The real file system.
class PosixCardFiles final : public CardFileLayer {
public:
    std::optional<std::uint64_t> fileSize(const std::string& path, FileError& error) override;
    // The converted file replaces one of that name (a part file an earlier run left).
    FileError remove(const std::string& path) override;
    std::unique_ptr<RecordingFile> create(const std::string& path, std::string& error) override;
    std::unique_ptr<RecordingFile> open(const std::string& path, std::string& error) override;
    std::unique_ptr<CardSourceFile> openSource(const std::string& path,
                                               std::string& error) override;
    std::string partName(const std::string& target) override;
    FileError rename(const std::string& from, const std::string& to) override;

private:
    PosixRecordingFiles files_;
};

} // namespace kesto
