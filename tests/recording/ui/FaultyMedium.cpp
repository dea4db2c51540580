// A medium that misbehaves, for one file: preloaded into the console recorder, it makes the
// file calls on KESTO_FAULTY_FILE fail or slow down as a stick or share in the field does.
//   KESTO_FAULTY_STAT_FAILS=N    the N-th stat of the file fails with EIO (once)
//   KESTO_FAULTY_SLOW=A:COUNT:MS the first COUNT syncs from second A on take MS milliseconds
//   KESTO_FAULTY_GONE=A:B        from second A to second B every call on the file fails with EIO
// Seconds count from the program's start.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxFd = 4096;
std::atomic<bool> g_ours[kMaxFd]; // open() sets it for every descriptor it returns
std::atomic<int> g_stats{0};
std::atomic<int> g_slowSyncs{0};
const auto g_start = std::chrono::steady_clock::now();

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - g_start).count();
}

bool isOurs(const char* path) {
    const char* file = std::getenv("KESTO_FAULTY_FILE");
    return path != nullptr && file != nullptr && std::strcmp(path, file) == 0;
}

bool ours(int fd) {
    return fd >= 0 && fd < kMaxFd && g_ours[fd].load();
}

bool gone() {
    double from = 0;
    double to = 0;
    const char* plan = std::getenv("KESTO_FAULTY_GONE");
    return plan != nullptr && std::sscanf(plan, "%lf:%lf", &from, &to) == 2 && seconds() >= from &&
           seconds() < to;
}

template <typename F> F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int failed() {
    errno = EIO;
    return -1;
}

} // namespace

extern "C" {

int stat(const char* path, struct stat* st) {
    const char* n = std::getenv("KESTO_FAULTY_STAT_FAILS");
    if (isOurs(path) && (gone() || (n != nullptr && ++g_stats == std::atoi(n)))) {
        return failed();
    }
    return next<int (*)(const char*, struct stat*)>("stat")(path, st);
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
    va_end(args);
    if (isOurs(path) && gone()) {
        return failed();
    }
    const int fd = next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
    if (fd >= 0 && fd < kMaxFd) {
        g_ours[fd] = isOurs(path);
    }
    return fd;
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    if (ours(fd) && gone()) {
        return failed();
    }
    return next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite")(fd, data, size, offset);
}

int fdatasync(int fd) {
    double from = 0;
    int count = 0;
    int ms = 0;
    const char* slow = std::getenv("KESTO_FAULTY_SLOW");
    if (ours(fd) && gone()) {
        return failed();
    }
    if (ours(fd) && slow != nullptr && std::sscanf(slow, "%lf:%d:%d", &from, &count, &ms) == 3 &&
        seconds() >= from && g_slowSyncs++ < count) {
        usleep(static_cast<useconds_t>(ms) * 1000);
    }
    return next<int (*)(int)>("fdatasync")(fd);
}

} // extern "C"
