#include <QApplication>

int runBarGaugeTests(int argc, char** argv);
int runTrendRecorderTests(int argc, char** argv);
int runTrendPrintTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    failed += runBarGaugeTests(argc, argv);
    failed += runTrendRecorderTests(argc, argv);
    failed += runTrendPrintTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
