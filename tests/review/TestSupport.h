#pragma once

#include "CoreFakes.h"

namespace kesto::test {

// A clock the test sets by hand, first at 7 March 2024, 09:05:03.
class FixedClock final : public FakeClock {
public:
    FixedClock() : FakeClock({2024, 3, 7, 9, 5, 3, 0}) {}
};

int runMessageFormTests(int argc, char** argv);
int runSmallWindowTests(int argc, char** argv);
int runToneBeeperTests(int argc, char** argv);
int runViewFrmTests(int argc, char** argv);

} // namespace kesto::test
