// One executable for the serial tests; the first argument picks the test class, so each
// class is its own ctest entry.
#include "tests/QtTestRunner.h"

#include <QCoreApplication>

int runPortMapTest(int argc, char** argv);
int runAnalyzerPortTest(int argc, char** argv);
int runSimFramesTest(int argc, char** argv);
int runToolsTest(int argc, char** argv);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return kesto::test::runQtTestClasses(argc, argv,
                                         {{"PortMapTest", runPortMapTest},
                                          {"AnalyzerPortTest", runAnalyzerPortTest},
                                          {"SimFramesTest", runSimFramesTest},
                                          {"ToolsTest", runToolsTest}});
}
