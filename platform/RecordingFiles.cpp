#include "platform/RecordingFiles.h"

#include "platform/PosixFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

namespace {

using posix::errorText;

// Pieces of at least this size are handed to the disk as soon as they are written.
constexpr std::size_t kEarlyWritebackBytes = 256 * 1024;

class PosixFile final : public RecordingFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    FileError writeAt(std::uint64_t offset, std::string_view bytes) override {
        const std::uint64_t start = offset;
        const std::size_t size = bytes.size();
        while (!bytes.empty()) {
            const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errorText(errno);
            }
            if (n == 0) {
                return errorText(EIO);
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
            offset += static_cast<std::uint64_t>(n);
        }
        if (size >= kEarlyWritebackBytes) {
            // A large piece starts on its way to the disk now, so that the flush at the end
            // waits for little more than the last one. Only a hint: its failure changes nothing.
            ::sync_file_range(fd_, static_cast<off_t>(start), static_cast<off_t>(size),
                              SYNC_FILE_RANGE_WRITE);
        }
        return std::nullopt;
    }

    FileError sync() override {
        if (::fdatasync(fd_) != 0 && errno != EINVAL) { // EINVAL: a device that cannot sync
            return errorText(errno);
        }
        return std::nullopt;
    }

    FileError truncate(std::uint64_t size) override {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0 && errno != EINVAL) {
            return errorText(errno);
        }
        return std::nullopt;
    }

private:
    int fd_;
};

} // namespace

std::optional<std::uint64_t> PosixRecordingFiles::fileSize(const std::string& path,
                                                           FileError& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // Only a missing file is a new one; a stick or share that fails to answer is not.
        if (errno != ENOENT) {
            error = errorText(errno);
        }
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

FileError PosixRecordingFiles::remove(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? FileError{} : errorText(errno);
    }
    // A device, pipe or socket is written to, never deleted (think of root recording to a
    // terminal or /dev/null).
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode) ||
        S_ISSOCK(st.st_mode)) {
        return std::nullopt;
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return errorText(errno);
    }
    return std::nullopt;
}

std::unique_ptr<RecordingFile> PosixRecordingFiles::create(const std::string& path,
                                                           std::string& error) {
    // O_NONBLOCK: a pipe without a reader fails at once instead of stopping the program.
    // O_EXCL: a file that exists is never emptied; only a device, pipe or socket is opened.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0 && errno == EEXIST) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        } else {
            errno = EEXIST;
        }
    }
    if (fd < 0) {
        error = errorText(errno);
        return nullptr;
    }
    // The folder's entry for the new file, so that a power cut does not take the file along.
    posix::syncFolder(posix::folderOf(path));
    return std::make_unique<PosixFile>(fd);
}

std::unique_ptr<RecordingFile> PosixRecordingFiles::open(const std::string& path,
                                                         std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errorText(errno);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

std::optional<std::uint64_t> PosixRecordingFiles::folderDevice(const std::string& path,
                                                               FileError& error) {
    struct stat st {};
    if (::stat(posix::folderOf(path).c_str(), &st) != 0) {
        error = errorText(errno);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_dev);
}

std::string fileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace kesto
