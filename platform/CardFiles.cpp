#include "platform/CardFiles.h"

#include "platform/PosixFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

namespace {

using posix::errorText;

class PosixSourceFile final : public CardSourceFile {
public:
    explicit PosixSourceFile(int fd) : fd_(fd) {}
    ~PosixSourceFile() override { ::close(fd_); }
    PosixSourceFile(const PosixSourceFile&) = delete;
    PosixSourceFile& operator=(const PosixSourceFile&) = delete;

    FileError read(char* into, std::size_t size, std::size_t& got) override {
        for (;;) {
            const ssize_t n = ::read(fd_, into, size);
            if (n >= 0) {
                got = static_cast<std::size_t>(n);
                return std::nullopt;
            }
            if (errno != EINTR) {
                got = 0;
                return errorText(errno);
            }
        }
    }

    FileError rewind() override {
        if (::lseek(fd_, 0, SEEK_SET) < 0) {
            return errorText(errno);
        }
        return std::nullopt;
    }

private:
    int fd_;
};

} // namespace

std::optional<std::uint64_t> PosixCardFiles::fileSize(const std::string& path, FileError& error) {
    return files_.fileSize(path, error);
}

FileError PosixCardFiles::remove(const std::string& path) {
    return files_.remove(path);
}

std::unique_ptr<RecordingFile> PosixCardFiles::create(const std::string& path, std::string& error) {
    if (FileError removed = files_.remove(path)) {
        error = *removed;
        return nullptr;
    }
    return files_.create(path, error);
}

std::unique_ptr<RecordingFile> PosixCardFiles::open(const std::string& path, std::string& error) {
    return files_.open(path, error);
}

std::unique_ptr<CardSourceFile> PosixCardFiles::openSource(const std::string& path,
                                                           std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errorText(errno);
        return nullptr;
    }
    return std::make_unique<PosixSourceFile>(fd);
}

std::string PosixCardFiles::partName(const std::string& target) {
    const std::string file = posix::followLink(target);
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ||
                                           S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
        return {};
    }
    return file + ".part-" + std::to_string(::getpid());
}

FileError PosixCardFiles::rename(const std::string& from, const std::string& to) {
    const std::string file = posix::followLink(to);
    if (FileError error = posix::renameFile(from, file)) {
        return error;
    }
    posix::syncFolder(posix::folderOf(file));
    return std::nullopt;
}

} // namespace kesto
