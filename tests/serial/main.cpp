// One executable for the serial tests; the first argument picks the test class, so each
// class is its own ctest entry.
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <vector>

int runPortMapTest(int argc, char** argv);
int runAnalyzerPortTest(int argc, char** argv);
int runSimFramesTest(int argc, char** argv);
int runToolsTest(int argc, char** argv);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    struct Entry {
        const char* name;
        int (*run)(int, char**);
    };
    static constexpr Entry kTests[] = {
        {"PortMapTest", runPortMapTest},
        {"AnalyzerPortTest", runAnalyzerPortTest},
        {"SimFramesTest", runSimFramesTest},
        {"ToolsTest", runToolsTest},
    };
    // kesto_serial_tests [Class [QtTest options]]: without a class, every class runs.
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
