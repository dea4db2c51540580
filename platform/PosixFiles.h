#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The few operating-system file calls the configuration, the recordings and the viewer need,
// kept in one place.
namespace kesto::posix {

// The system's text for an errno value.
std::string errorText(int error);

// The folder part of a path: "." for a bare name, "/" for a file in the root.
std::string folderOf(const std::string& path);

// The file a symbolic link points to; any other path as it stands.
std::string followLink(const std::string& path);

// Creates the folder and its missing parents (0700); returns errno, or 0.
int makeFolders(const std::string& folder);

// Writes all of `bytes` to the open file, retrying after a signal; returns errno, or 0.
int writeAll(int fd, std::string_view bytes);

// Flushes a folder's entries to disk, so that a file created or renamed in it survives a power
// cut. Best effort: a folder that cannot be opened is left as it is.
void syncFolder(const std::string& folder);

struct FileContents {
    enum class Status { Read, Missing, Failed } status = Status::Missing;
    std::string bytes;
    std::string error; // why it failed, for Failed
};

FileContents readWholeFile(const std::string& path);

// A regular file open for reading at any offset, closed when destroyed.
class ReadableFile {
public:
    // Opens `path` when it is a regular file. Anything else (a folder, a FIFO, a device) is
    // refused before a byte is read, without waiting for a writer. Nothing on failure, with
    // `status` Missing or Failed and the reason in `error`.
    static std::unique_ptr<ReadableFile>
    openRegular(const std::string& path, FileContents::Status& status, std::string& error);
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    // The file's size when it was opened.
    std::uint64_t size() const { return size_; }
    // Reads up to `count` bytes at `offset` into `out`; fewer only where the file ends. Nothing
    // when the file cannot be read, with the reason in `error`.
    std::optional<std::size_t> readAt(std::uint64_t offset, char* out, std::size_t count,
                                      std::string& error) const;

private:
    ReadableFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    int fd_;
    std::uint64_t size_;
};

// Replaces the file's contents so that a crash leaves either the old or the new file: writes
// "<path>.tmp" beside it, flushes it to disk, renames it over the file and flushes the folder.
// Missing folders are created. A symbolic link is followed: its target is replaced.
// On failure the temporary file is removed and the reason is returned: the file, the step and
// the system's text ("/home/a/KESTO22.reg (writing /home/a/KESTO22.reg.tmp: No space left on
// device)").
std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view bytes);

// Renames a file, replacing `to`. Returns the reason when it fails.
std::optional<std::string> renameFile(const std::string& from, const std::string& to);

// Whether this process may create files in the folder (for root: nearly always).
bool canWriteInFolder(const std::string& folder);

// $HOME, or the home folder of the user's account entry when HOME is not set.
std::string homeDirectory();

} // namespace kesto::posix
