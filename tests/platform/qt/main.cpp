#include "tests/WindowTestSupport.h"

int main(int argc, char** argv) {
    return kesto::test::runWindowTests(argc, argv, kesto::test::runToneBeeperTests);
}
