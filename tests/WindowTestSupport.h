#pragma once

#include "tests/CoreFakes.h"

#include <QApplication>
#include <QTemporaryDir>

#include <functional>

namespace kesto::test {

// A clock the test sets by hand, first at 7 March 2024, 09:05:03.
class FixedClock final : public FakeClock {
public:
    FixedClock() : FakeClock({2024, 3, 7, 9, 5, 3, 0}) {}
};

int runMessageFormTests(int argc, char** argv);
int runToneBeeperTests(int argc, char** argv);
int runViewFrmTests(int argc, char** argv);

// The main of a window test: every test runs with a home, settings and data folder of its own,
// so a user's KESTO.LOG or settings are never touched.
inline int runWindowTests(int argc, char** argv, const std::function<int(int, char**)>& run) {
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    QApplication app(argc, argv);
    return run(argc, argv) == 0 ? 0 : 1;
}

} // namespace kesto::test
