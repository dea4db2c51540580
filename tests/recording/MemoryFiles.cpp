#include "MemoryFiles.h"

namespace kesto::test {

namespace {

constexpr std::uint64_t kSector = 512;

class MemoryFile final : public RecordingFile {
public:
    MemoryFile(MemoryFiles& owner, std::string path) : owner_(owner), path_(std::move(path)) {}

    FileError writeAt(std::uint64_t offset, std::string_view bytes) override {
        std::string& file = owner_.files[path_];
        FileError failed = owner_.step("write");
        if (failed && owner_.partialWrites) {
            bytes = bytes.substr(0, bytes.size() / 2);
        } else if (failed) {
            return failed;
        }
        if (file.size() < offset + bytes.size()) {
            file.resize(offset + bytes.size(), '\0');
        }
        if (owner_.keepHistory) {
            for (std::uint64_t cut = (offset / kSector + 1) * kSector; cut < offset + bytes.size();
                 cut += kSector) {
                std::string torn = file;
                torn.replace(offset, cut - offset, bytes.substr(0, cut - offset));
                owner_.remember(torn);
            }
        }
        file.replace(offset, bytes.size(), bytes);
        owner_.remember(file);
        return failed;
    }
    FileError sync() override { return owner_.step("sync"); }
    FileError truncate(std::uint64_t size) override {
        if (FileError failed = owner_.step("truncate")) {
            return failed;
        }
        owner_.files[path_].resize(size, '\0');
        owner_.remember(owner_.files[path_]);
        return std::nullopt;
    }

private:
    MemoryFiles& owner_;
    std::string path_;
};

} // namespace

void MemoryFiles::remember(const std::string& state) {
    if (keepHistory) {
        history.push_back(state);
    }
}

FileError MemoryFiles::step(const std::string& operation) {
    if (pulled != swapped) {
        files.swap(elsewhere);
        swapped = pulled;
    }
    const int n = ++calls[operation];
    return failOn ? failOn(operation, n) : std::nullopt;
}

std::optional<std::uint64_t> MemoryFiles::fileSize(const std::string& path, FileError& error) {
    if ((error = step("stat"))) {
        return std::nullopt;
    }
    const auto it = files.find(path);
    if (it == files.end()) {
        return std::nullopt;
    }
    return it->second.size();
}

FileError MemoryFiles::remove(const std::string& path) {
    if (FileError failed = step("remove")) {
        return failed;
    }
    files.erase(path);
    return std::nullopt;
}

std::unique_ptr<RecordingFile> MemoryFiles::create(const std::string& path, std::string& error) {
    if (FileError failed = step("create")) {
        error = *failed;
        return nullptr;
    }
    if (files.contains(path)) {
        error = "File exists";
        return nullptr;
    }
    files[path].clear();
    remember({});
    return std::make_unique<MemoryFile>(*this, path);
}

std::unique_ptr<RecordingFile> MemoryFiles::open(const std::string& path, std::string& error) {
    if (FileError failed = step("open")) {
        error = *failed;
        return nullptr;
    }
    if (!files.contains(path)) {
        error = "No such file or directory";
        return nullptr;
    }
    return std::make_unique<MemoryFile>(*this, path);
}

std::optional<std::uint64_t> MemoryFiles::folderDevice(const std::string&, FileError& error) {
    error = step("device");
    return swapped ? 2 : 1;
}

} // namespace kesto::test
