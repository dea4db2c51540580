// kesto-card run as a user runs it: the same bytes as the program's conversion, progress on a
// terminal only, exit status 2 with the file and the reason on a file error.
#include "RecordingSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kesto::test {
namespace {

struct ToolRun {
    int status = -1; // exit status
    std::string out;
    std::string err;
};

// Runs kesto-card with `args`; stdout and stderr go to files of `folder`, or stderr to
// `stderrFd` when given.
ToolRun runTool(const std::vector<std::string>& args, const TempFolder& folder, int stderrFd = -1) {
    std::vector<char*> argv;
    std::string tool = KESTO_CARD_TOOL;
    argv.push_back(tool.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const std::string outPath = folder.path("stdout");
    const std::string errPath = folder.path("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (stderrFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stderrFd, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    }
    pid_t pid = 0;
    ToolRun run;
    const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << tool;
        return run;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(outPath);
    run.err = stderrFd >= 0 ? std::string() : readFile(errPath);
    return run;
}

// A conversion ends with status 0 and says nothing when stderr is no terminal; a file error
// ends with status 2 and names the file.
TEST(CardToolTest, silentOnSuccessAndFileErrorsEndWithStatus2AndNameTheFile) {
    TempFolder folder;
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{golden("card.csv"), folder.path("MMC.CSV")}, 0, ""},
        {{golden("card.csv"), "/dev/full"},
         2,
         "kesto-card: Cannot write /dev/full: No space left on device\n"},
        {{folder.path("none.csv"), folder.path("MMC.CSV")},
         2,
         "kesto-card: Cannot open " + folder.path("none.csv") + ": No such file or directory\n"},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool(c.args, folder);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(readFile(folder.path("MMC.CSV")) == readFile(golden("card-MMC.CSV")));
    // Wrong use is not a file error.
    const ToolRun usage = runTool({"only-one"}, folder);
    EXPECT_EQ(usage.status, 1);
    EXPECT_NE(usage.err.find("Usage: kesto-card SOURCE TARGET"), std::string::npos);
}

TEST(CardToolTest, showsProgressOnATerminal) {
    TempFolder folder;
    std::string card = "MMC,\r\nDate,\r\n";
    for (int i = 0; i < 250; ++i) {
        card += "01.02.2024,10:00:00,5,\r\n";
    }
    writeFile(folder.path("card.csv"), card);
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const ToolRun run = runTool({folder.path("card.csv"), folder.path("MMC.CSV")}, folder, slave);
    ::close(slave);
    std::string shown;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) {
            break; // EIO once the terminal has no other end
        }
        shown.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(master);
    EXPECT_EQ(run.status, 0);
    for (const char* text : {"Reading CSV file line 0", "Reading CSV file line 200",
                             "Converting 100 of 252", "Converting 200 of 252"}) {
        EXPECT_NE(shown.find(text), std::string::npos) << text << " not in " << shown;
    }
    EXPECT_EQ(run.out, "");
}

} // namespace
} // namespace kesto::test
