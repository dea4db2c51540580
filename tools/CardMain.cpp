// kesto-card: converts an analyzer's memory-card file into the columns of a recording, exactly
// as the program's "View MMC data..." command does, without the window.
//
//   kesto-card SOURCE TARGET
//
// Progress goes to stderr when stderr is a terminal. Exit status: 0 converted, 1 wrong use,
// 2 a file could not be opened, read or written (TARGET then is as it was).

#include "recording/CardConversion.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// One line of the terminal, rewritten in place.
class TerminalProgress final : public kesto::CardProgress {
public:
    void countingLines(std::size_t linesCounted) override {
        show(kesto::readingCardText(linesCounted));
    }
    void conversionStarts(std::size_t) override { show({}); }
    void convertingLines(std::size_t converted, std::size_t lineCount) override {
        show(kesto::convertingCardText(converted, lineCount));
    }
    // Leaves the line empty for whatever follows.
    void end() {
        if (shown_) {
            std::fputs("\r\033[K", stderr);
        }
    }

private:
    void show(const std::string& text) {
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    bool shown_ = false;
};

void usage(std::FILE* to) {
    std::fputs("Usage: kesto-card SOURCE TARGET\n"
               "Converts the analyzer's memory-card file SOURCE into TARGET, a recording file\n"
               "of the program's columns (what \"View MMC data...\" writes to MMC.CSV).\n"
               "\nOptions:\n"
               "  --help     this text\n"
               "  --version  the version\n\n"
               "Exit status: 0 converted, 1 wrong use, 2 a file error (TARGET is left as it\n"
               "was).\n",
               to);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        usage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("kesto-card " KESTO_VERSION);
        return 0;
    }
    if (argc != 3) {
        usage(stderr);
        return 1;
    }
    kesto::PosixCardFiles files;
    TerminalProgress terminal;
    kesto::NoCardProgress silent;
    const bool onTerminal = ::isatty(STDERR_FILENO) == 1;
    const auto error = kesto::ConvertMmcFile(
        argv[1], argv[2], files, onTerminal ? static_cast<kesto::CardProgress&>(terminal) : silent);
    if (onTerminal) {
        terminal.end();
    }
    if (error) {
        std::fprintf(stderr, "kesto-card: %s\n", error->c_str());
        return 2;
    }
    return 0;
}
