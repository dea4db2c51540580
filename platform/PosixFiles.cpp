#include "platform/PosixFiles.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto::posix {

std::string errorText(int error) {
    return std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string followLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int makeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    if (errno != ENOENT) {
        return errno;
    }
    const std::string parent = folderOf(folder);
    if (parent != folder) {
        if (const int error = makeFolders(parent); error != 0) {
            return error;
        }
    }
    // 0700: the settings are the user's own business.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return errno;
    }
    return 0;
}

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

namespace {

// Opens `path` for reading; nothing when it cannot be opened (the reason in `result`).
std::optional<int> openForReading(const std::string& path, int flags, FileContents& result) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0) {
        result.status =
            errno == ENOENT ? FileContents::Status::Missing : FileContents::Status::Failed;
        result.error = errno == ENOENT ? std::string() : errorText(errno);
        return std::nullopt;
    }
    return fd;
}

// Reads to the end of the file; closes `fd`.
void readAndClose(int fd, FileContents& result) {
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.status = FileContents::Status::Failed;
            result.error = errorText(errno);
            ::close(fd);
            return;
        }
        if (got == 0) {
            break;
        }
        result.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    result.status = FileContents::Status::Read;
}

} // namespace

FileContents readWholeFile(const std::string& path) {
    FileContents result;
    if (const auto fd = openForReading(path, 0, result)) {
        readAndClose(*fd, result);
    }
    return result;
}

std::unique_ptr<ReadableFile> ReadableFile::openRegular(const std::string& path,
                                                        FileContents::Status& status,
                                                        std::string& error) {
    FileContents result;
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const auto fd = openForReading(path, O_NONBLOCK, result);
    status = result.status;
    error = result.error;
    if (!fd) {
        return nullptr;
    }
    struct stat st {};
    if (::fstat(*fd, &st) != 0) {
        error = errorText(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = "It is not a regular file";
    } else {
        status = FileContents::Status::Read;
        return std::unique_ptr<ReadableFile>(
            new ReadableFile(*fd, static_cast<std::uint64_t>(st.st_size)));
    }
    status = FileContents::Status::Failed;
    ::close(*fd);
    return nullptr;
}

ReadableFile::~ReadableFile() {
    ::close(fd_);
}

std::optional<std::size_t> ReadableFile::readAt(std::uint64_t offset, char* out, std::size_t count,
                                                std::string& error) const {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errorText(errno);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = followLink(path);
    struct stat st {};
    const auto failure = [&](const std::string& what, int error) {
        return target + " (" + what + ": " + errorText(error) + ")";
    };

    const std::string folder = folderOf(target);
    if (const int error = makeFolders(folder); error != 0) {
        return failure("creating the folder " + folder, error);
    }
    mode_t mode = 0666; // less the umask, as for any new file
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    }
    const std::string temporary = target + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) {
        return failure("creating " + temporary, errno);
    }
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return failure("writing " + temporary, error);
    }
    // The rename is only durable once the folder itself is on disk.
    syncFolder(folder);
    return std::nullopt;
}

std::optional<std::string> renameFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return errorText(errno);
    }
    return std::nullopt;
}

bool canWriteInFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

} // namespace kesto::posix
