#include "app/Application.h"

int runCommandLineTests(int argc, char** argv);
int runMainFrmTests(int argc, char** argv);
namespace kesto::test {
int runSmallWindowTests(int argc, char** argv);
}

int main(int argc, char** argv) {
    kesto::Application app(argc, argv);
    int failed = 0;
    failed += runCommandLineTests(argc, argv);
    failed += runMainFrmTests(argc, argv);
    failed += kesto::test::runSmallWindowTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
