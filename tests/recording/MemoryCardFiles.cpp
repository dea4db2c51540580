#include "MemoryCardFiles.h"

#include <algorithm>
#include <cstring>

namespace kesto::test {

namespace {

class MemorySource final : public CardSourceFile {
public:
    MemorySource(MemoryCardFiles& owner, std::string path)
        : owner_(owner), path_(std::move(path)) {}

    FileError read(char* into, std::size_t size, std::size_t& got) override {
        got = 0;
        if (FileError failed = owner_.files.step("read")) {
            return failed;
        }
        const std::string& file = owner_.files.files[path_];
        if (position_ < file.size()) {
            got = std::min({size, owner_.readPiece, file.size() - position_});
            std::memcpy(into, file.data() + position_, got);
            position_ += got;
        }
        return std::nullopt;
    }
    FileError rewind() override {
        if (FileError failed = owner_.files.step("rewind")) {
            return failed;
        }
        position_ = 0;
        return std::nullopt;
    }

private:
    MemoryCardFiles& owner_;
    std::string path_;
    std::size_t position_ = 0;
};

} // namespace

std::unique_ptr<CardSourceFile> MemoryCardFiles::openSource(const std::string& path,
                                                            std::string& error) {
    if (FileError failed = files.step("openSource")) {
        error = *failed;
        return nullptr;
    }
    if (!files.files.contains(path)) {
        error = "No such file or directory";
        return nullptr;
    }
    return std::make_unique<MemorySource>(*this, path);
}

std::string MemoryCardFiles::partName(const std::string& target) {
    if (std::find(devices.begin(), devices.end(), target) != devices.end()) {
        return {};
    }
    return target + ".part";
}

FileError MemoryCardFiles::rename(const std::string& from, const std::string& to) {
    if (FileError failed = files.step("rename")) {
        return failed;
    }
    const auto it = files.files.find(from);
    if (it == files.files.end()) {
        return "No such file or directory";
    }
    std::string bytes = std::move(it->second);
    files.files.erase(it);
    files.files[to] = std::move(bytes);
    return std::nullopt;
}

} // namespace kesto::test
