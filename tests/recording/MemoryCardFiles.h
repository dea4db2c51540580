#pragma once

// The card conversion's file layer in memory: the files of a MemoryFiles, read in pieces of a
// chosen size, and every step able to fail.

#include "MemoryFiles.h"
#include "platform/CardFiles.h"

namespace kesto::test {

class MemoryCardFiles final : public CardFileLayer {
public:
    // Files and failures. Besides MemoryFiles' own operations these can fail: "openSource",
    // "read", "rewind", "rename".
    MemoryFiles files;
    // The most bytes one read returns.
    std::size_t readPiece = 4096;
    // Paths that stand for a device: written to directly, never replaced.
    std::vector<std::string> devices;

    std::optional<std::uint64_t> fileSize(const std::string& path, FileError& error) override {
        return files.fileSize(path, error);
    }
    FileError remove(const std::string& path) override { return files.remove(path); }
    std::unique_ptr<RecordingFile> create(const std::string& path, std::string& error) override {
        files.files.erase(path); // the converted file replaces one of that name
        return files.create(path, error);
    }
    std::unique_ptr<RecordingFile> open(const std::string& path, std::string& error) override {
        return files.open(path, error);
    }
    std::unique_ptr<CardSourceFile> openSource(const std::string& path,
                                               std::string& error) override;
    std::string partName(const std::string& target) override;
    FileError rename(const std::string& from, const std::string& to) override;
};

} // namespace kesto::test
