#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// The file operations a recording needs. Every operation returns the reason when it fails
// ("No space left on device"); tests inject their own layer to make any step fail.
using FileError = std::optional<std::string>;

// A file open for writing.
class RecordingFile {
public:
    virtual ~RecordingFile() = default;
    // Writes all of `bytes` at `offset`.
    virtual FileError writeAt(std::uint64_t offset, std::string_view bytes) = 0;
    // Flushes the file's data to the disk.
    virtual FileError sync() = 0;
    virtual FileError truncate(std::uint64_t size) = 0;
};

class RecordingFileLayer {
public:
    virtual ~RecordingFileLayer() = default;
    // The file's size; std::nullopt with `error` left empty when there is no such file
    // (ENOENT), with the reason in `error` when the size could not be found out.
    virtual std::optional<std::uint64_t> fileSize(const std::string& path, FileError& error) = 0;
    // Deletes the file; deleting a file that does not exist succeeds. A device, pipe or socket
    // is left in place (it is written to as it is).
    virtual FileError remove(const std::string& path) = 0;
    // Creates the file, which must not exist yet: an existing file is never emptied (the
    // reason is then "File exists"). A device, pipe or socket of that name is opened as it is.
    // Flushes the folder so the new entry survives a power cut.
    virtual std::unique_ptr<RecordingFile> create(const std::string& path, std::string& error) = 0;
    // Opens an existing file for writing, without changing it.
    virtual std::unique_ptr<RecordingFile> open(const std::string& path, std::string& error) = 0;
    // Which file system holds the folder of `path` (its device number): a stick pulled from a
    // mount point leaves the folder behind on another one. A layer of one file system gives 0.
    virtual std::optional<std::uint64_t> folderDevice(const std::string& /*path*/,
                                                      FileError& /*error*/) {
        return 0;
    }
};

// The real file system (POSIX calls; the data of each write reaches the disk with fdatasync).
class PosixRecordingFiles final : public RecordingFileLayer {
public:
    std::optional<std::uint64_t> fileSize(const std::string& path, FileError& error) override;
    FileError remove(const std::string& path) override;
    std::unique_ptr<RecordingFile> create(const std::string& path, std::string& error) override;
    std::unique_ptr<RecordingFile> open(const std::string& path, std::string& error) override;
    std::optional<std::uint64_t> folderDevice(const std::string& path, FileError& error) override;
};

// The name of the file without its folder.
std::string fileNameOf(std::string_view path);

} // namespace kesto
