#include "TestSupport.h"

#include <QApplication>
#include <QTemporaryDir>

// Every window test runs with a home and settings folder of its own, so a user's KESTO.LOG or
// settings are never touched.
int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());

    QApplication app(argc, argv);
    int failed = 0;
    failed += kesto::test::runMessageFormTests(argc, argv);
    failed += kesto::test::runSmallWindowTests(argc, argv);
    failed += kesto::test::runToneBeeperTests(argc, argv);
    failed += kesto::test::runViewFrmTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
