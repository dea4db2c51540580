#pragma once

// A file layer in memory whose every step can be made to fail, and which keeps each state a
// file passes through.

#include "platform/RecordingFiles.h"

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kesto::test {

class MemoryFiles final : public RecordingFileLayer {
public:
    // The operations a test can make fail: "stat", "create", "open", "remove", "write", "sync",
    // "truncate". `failOn` returns the reason for the n-th call (counted from 1) of that
    // operation, or nothing.
    std::function<FileError(const std::string& operation, int call)> failOn;
    // Stops the first failing write half-way, as a full disk does.
    bool partialWrites = true;

    std::map<std::string, std::string> files;
    // Every state of every file after a write, a truncation or a creation, when kept; and
    // within a write, the states a power cut could leave: the write done up to each 512-byte
    // sector boundary it crosses (a disk writes a sector whole or not at all).
    bool keepHistory = false;
    std::vector<std::string> history;
    std::map<std::string, int> calls;
    // The files' stick is pulled: from the next call on, the folder is on another device.
    std::atomic<bool> pulled = false;
    std::map<std::string, std::string> elsewhere; // the files of the other device
    bool swapped = false;

    std::optional<std::uint64_t> fileSize(const std::string& path, FileError& error) override;
    FileError remove(const std::string& path) override;
    std::unique_ptr<RecordingFile> create(const std::string& path, std::string& error) override;
    std::unique_ptr<RecordingFile> open(const std::string& path, std::string& error) override;
    std::optional<std::uint64_t> folderDevice(const std::string& path, FileError& error) override;

    FileError step(const std::string& operation);
    void remember(const std::string& state);
};

} // namespace kesto::test
