#include "TestCups.h"

#include <QApplication>

int runBarGaugeTests(int argc, char** argv);
int runTrendRecorderTests(int argc, char** argv);
int runTrendPrintTests(int argc, char** argv);

namespace kesto::test {
TestCups& testCups() {
    static TestCups cups;
    return cups;
}
} // namespace kesto::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt finds CUPS through libcups, which reads CUPS_SERVER once: it is set before anything
    // prints, to the tests' own scheduler, and never to the machine's.
    kesto::test::TestCups& cups = kesto::test::testCups();
    if (!cups.start()) {
        qWarning("no CUPS of the tests' own: %s", qPrintable(cups.failure()));
    }
    qputenv("CUPS_SERVER", cups.socket().toLocal8Bit());
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    int failed = 0;
    failed += runBarGaugeTests(argc, argv);
    failed += runTrendRecorderTests(argc, argv);
    failed += runTrendPrintTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
