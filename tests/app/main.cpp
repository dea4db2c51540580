#include "Application.h"

int runCommandLineTests(int argc, char** argv);
int runMainFrmTests(int argc, char** argv);

int main(int argc, char** argv) {
    kesto::Application app(argc, argv);
    int failed = 0;
    failed += runCommandLineTests(argc, argv);
    failed += runMainFrmTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
