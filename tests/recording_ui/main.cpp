// One executable for the recording's window and tool tests; the first argument picks the test
// class, so each class is its own ctest entry.
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <vector>

int runRecordingWindowTest(int argc, char** argv);
int runConsoleRecorderTest(int argc, char** argv);
int runLibreOfficeTest(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    struct Entry {
        const char* name;
        int (*run)(int, char**);
    };
    static constexpr Entry kTests[] = {
        {"RecordingWindowTest", runRecordingWindowTest},
        {"ConsoleRecorderTest", runConsoleRecorderTest},
        {"LibreOfficeTest", runLibreOfficeTest},
    };
    // kesto_recording_ui_tests [Class [QtTest options]]: without a class, every class runs.
    std::vector<char*> args(argv, argv + argc);
    const char* only = nullptr;
    if (argc > 1 && argv[1][0] != '-') {
        only = argv[1];
        args.erase(args.begin() + 1);
    }
    int failures = 0;
    bool found = false;
    for (const Entry& e : kTests) {
        if (only == nullptr || std::strcmp(only, e.name) == 0) {
            found = true;
            failures += e.run(static_cast<int>(args.size()), args.data());
        }
    }
    if (!found) {
        std::fprintf(stderr, "no test class %s\n", only);
        return 2;
    }
    return failures;
}
