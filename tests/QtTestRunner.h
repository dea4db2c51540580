#pragma once

// A test executable that holds several Qt Test classes: the first argument picks the class, so
// each class can be its own ctest entry; without one, every class runs.

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace kesto::test {

struct QtTestClass {
    const char* name;
    int (*run)(int argc, char** argv);
};

// executable [Class [QtTest options]]: the number of failures; 2 for an unknown class.
inline int runQtTestClasses(int argc, char** argv, std::initializer_list<QtTestClass> classes) {
    std::vector<char*> args(argv, argv + argc);
    const char* only = nullptr;
    if (argc > 1 && argv[1][0] != '-') {
        only = argv[1];
        args.erase(args.begin() + 1);
    }
    int failures = 0;
    bool found = false;
    for (const QtTestClass& c : classes) {
        if (only == nullptr || std::strcmp(only, c.name) == 0) {
            found = true;
            failures += c.run(static_cast<int>(args.size()), args.data());
        }
    }
    if (!found) {
        std::fprintf(stderr, "no test class %s\n", only);
        return 2;
    }
    return failures;
}

} // namespace kesto::test
