#include "platform/LineAppender.h"

#include "platform/PosixFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

std::optional<std::string> PosixLineAppender::append(const std::string& path,
                                                     std::string_view header,
                                                     std::string_view lines) {
    const std::string target = posix::followLink(path);
    const auto failure = [&target](const char* step, int error) {
        return target + " (" + step + ": " + posix::errorText(error) + ")";
    };
    const std::string folder = posix::folderOf(target);
    if (const int error = posix::makeFolders(folder); error != 0) {
        return failure("creating its folder", error);
    }
    const int fd = ::open(target.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return failure("opening", errno);
    }
    int error = ::flock(fd, LOCK_EX) == 0 ? 0 : errno;
    struct stat st {};
    if (error == 0 && ::fstat(fd, &st) != 0) {
        error = errno;
    }
    const bool sized = error == 0; // only a file whose end is known may be cut back
    const off_t before = st.st_size;
    std::string block;
    if (error == 0 && before == 0) {
        block = header;
    } else if (error == 0) {
        // A file that ends in a torn line (another program's): ours starts on a line of its own.
        char last = '\n';
        if (::pread(fd, &last, 1, before - 1) == 1 && last != '\n') {
            block = "\r\n";
        }
    }
    block += lines;
    if (error == 0) {
        error = posix::writeAll(fd, block);
    }
    if (error == 0 && ::fdatasync(fd) != 0) {
        error = errno;
    }
    if (error != 0 && sized) {
        // Nothing of a failed append stays: the file ends where it ended.
        [[maybe_unused]] const int cut = ::ftruncate(fd, before);
    }
    ::close(fd); // releases the lock
    if (error != 0) {
        return failure("appending", error);
    }
    if (before == 0) {
        posix::syncFolder(folder);
    }
    return std::nullopt;
}

} // namespace kesto
