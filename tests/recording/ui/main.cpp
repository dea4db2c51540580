// One executable for the recording's and the memory-card conversion's window and tool tests;
// the first argument picks the class.
#include "tests/QtTestRunner.h"

#include <QApplication>

int runRecordingWindowTest(int argc, char** argv);
int runConsoleRecorderTest(int argc, char** argv);
int runLibreOfficeTest(int argc, char** argv);
int runMmcConversionTest(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return kesto::test::runQtTestClasses(argc, argv,
                                         {{"RecordingWindowTest", runRecordingWindowTest},
                                          {"ConsoleRecorderTest", runConsoleRecorderTest},
                                          {"LibreOfficeTest", runLibreOfficeTest},
                                          {"MmcConversionTest", runMmcConversionTest}});
}
