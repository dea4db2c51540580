#pragma once

#include "Interfaces.h"

#include <cstdint>

namespace kesto::test {

// A clock the test sets by hand.
class FixedClock final : public Clock {
public:
    std::uint32_t tickMs() const override { return tick; }
    LocalDateTime localNow() const override { return now; }

    std::uint32_t tick = 100000;
    LocalDateTime now{2024, 3, 7, 9, 5, 3, 0};
};

int runMessageFormTests(int argc, char** argv);
int runSmallWindowTests(int argc, char** argv);
int runToneBeeperTests(int argc, char** argv);
int runViewFrmTests(int argc, char** argv);

} // namespace kesto::test
