#include <QApplication>
#include <QFile>

int runBarGaugeTests(int argc, char** argv);
int runTrendRecorderTests(int argc, char** argv);
int runTrendPrintTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt finds printers through libcups, which takes its scheduler from CUPS_SERVER: only the
    // tests' own (test-cups.sh, started by ctest), never the machine's.
    const QString cups = qEnvironmentVariable("KESTO_TEST_CUPS", QStringLiteral("/nonexistent"));
    qputenv("CUPS_SERVER", QFile::encodeName(cups + QStringLiteral("/cups.sock")));
    int failed = 0;
    failed += runBarGaugeTests(argc, argv);
    failed += runTrendRecorderTests(argc, argv);
    failed += runTrendPrintTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
