#include "PortMap.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using kesto::PortMap;

namespace {

// A device path as a QString for comparisons; a null string for "no device".
QString q(const std::optional<std::string>& s) {
    return s ? QString::fromStdString(*s) : QString();
}

void verifyNoError(const std::optional<std::string>& error) {
    QVERIFY2(!error.has_value(), error ? error->c_str() : "");
}

// Sets an environment variable for the life of the object, restoring the old value after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

class PortMapTest : public QObject {
    Q_OBJECT

private slots:
    void mapsNumbersWithoutLinkToTheDefaultRanges_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("COM1") << 1 << QString("/dev/ttyS0");
        QTest::newRow("COM32") << 32 << QString("/dev/ttyS31");
        QTest::newRow("COM33") << 33 << QString("/dev/ttyUSB0");
        QTest::newRow("COM64") << 64 << QString("/dev/ttyUSB31");
        QTest::newRow("COM65") << 65 << QString("/dev/ttyACM0");
        QTest::newRow("COM96") << 96 << QString("/dev/ttyACM31");
        QTest::newRow("COM97") << 97 << QString();
        QTest::newRow("COM255") << 255 << QString();
        QTest::newRow("COM0") << 0 << QString();
        QTest::newRow("COM-1") << -1 << QString();
    }
    void mapsNumbersWithoutLinkToTheDefaultRanges() {
        QFETCH(int, port);
        QFETCH(QString, device);
        QTemporaryDir dir;
        const PortMap map(fs::path(dir.path().toStdString()) / "dosdevices");
        QCOMPARE(q(map.devicePath(port)), device);
    }

    void linkInDosDevicesWinsOverTheDefault_data() {
        QTest::addColumn<QString>("linkName");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("expected"); // "@" stands for the dosdevices folder
        QTest::newRow("absolute target") << "com1" << 1 << "/dev/pts/42"
                                         << "/dev/pts/42";
        QTest::newRow("target need not exist") << "com33" << 33 << "/nowhere/x"
                                               << "/nowhere/x";
        QTest::newRow("number beyond the ranges") << "com200" << 200 << "/dev/pts/7"
                                                  << "/dev/pts/7";
        QTest::newRow("relative target") << "com5" << 5 << "../devs/ttyX"
                                         << "@/../devs/ttyX";
        // Wine keeps lower-case names; an upper-case entry is not the port's link.
        QTest::newRow("upper-case name ignored") << "COM2" << 2 << "/dev/pts/9"
                                                 << "/dev/ttyS1";
    }
    void linkInDosDevicesWinsOverTheDefault() {
        QFETCH(QString, linkName);
        QFETCH(int, port);
        QFETCH(QString, target);
        QFETCH(QString, expected);
        QTemporaryDir tmp;
        const fs::path dir = fs::path(tmp.path().toStdString()) / "dosdevices";
        fs::create_directories(dir);
        fs::create_symlink(target.toStdString(), dir / linkName.toStdString());
        const PortMap map(dir);
        std::string want = expected.toStdString();
        if (want.starts_with('@')) {
            want = (dir.string() + want.substr(1));
            want = fs::path(want).lexically_normal().string();
        }
        QCOMPARE(q(map.devicePath(port)), QString::fromStdString(want));
    }

    void dosDevicesFolderFollowsXdgConfigHome_data() {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        QTest::newRow("XDG_CONFIG_HOME set") << "/cfg/x"
                                             << "/home/u"
                                             << "/cfg/x/Pellum/dosdevices";
        QTest::newRow("unset: ~/.config") << QString() << "/home/u"
                                          << "/home/u/.config/Pellum/dosdevices";
        QTest::newRow("empty: ~/.config") << ""
                                          << "/home/u"
                                          << "/home/u/.config/Pellum/dosdevices";
        QTest::newRow("relative ignored") << "cfg"
                                          << "/home/u"
                                          << "/home/u/.config/Pellum/dosdevices";
    }
    void dosDevicesFolderFollowsXdgConfigHome() {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        const QByteArray xdgBytes = xdg.toLocal8Bit();
        const QByteArray homeBytes = home.toLocal8Bit();
        ScopedEnv e1("XDG_CONFIG_HOME", xdg.isNull() ? nullptr : xdgBytes.constData());
        ScopedEnv e2("HOME", homeBytes.constData());
        QCOMPARE(QString::fromStdString(PortMap::fromEnvironment().dosDevicesDir().string()),
                 expected);
    }

    void createLinkMakesTheFolderAndTheLink() {
        QTemporaryDir tmp;
        const PortMap map(fs::path(tmp.path().toStdString()) / "a" / "dosdevices");
        verifyNoError(map.createLink(4, "/dev/pts/3"));
        QCOMPARE(q(map.devicePath(4)), QString("/dev/pts/3"));
        QVERIFY(map.removeLink(4, "/dev/pts/3"));
        QVERIFY(!fs::exists(fs::symlink_status(map.linkPath(4))));
        QCOMPARE(q(map.devicePath(4)), QString("/dev/ttyS3"));
    }

    void createLinkKeepsAnotherProgramsLiveLink() {
        QTemporaryDir tmp;
        const fs::path dir = tmp.path().toStdString();
        const fs::path device = dir / "device";
        std::ofstream(device).put('x');
        const PortMap map(dir);
        fs::create_symlink(device, map.linkPath(6));
        const auto error = map.createLink(6, "/dev/pts/5");
        QVERIFY(error.has_value());
        QVERIFY2(error->find("already mapped") != std::string::npos, error->c_str());
        QCOMPARE(q(map.devicePath(6)), QString::fromStdString(device.string()));
    }

    void createLinkReplacesAStaleLink() {
        QTemporaryDir tmp;
        const PortMap map(fs::path(tmp.path().toStdString()));
        fs::create_symlink("/nonexistent/pts/99", map.linkPath(8));
        verifyNoError(map.createLink(8, "/dev/pts/5"));
        QCOMPARE(q(map.devicePath(8)), QString("/dev/pts/5"));
    }

    void removeLinkLeavesALinkToSomethingElse() {
        QTemporaryDir tmp;
        const PortMap map(fs::path(tmp.path().toStdString()));
        fs::create_symlink("/dev/pts/11", map.linkPath(3));
        QVERIFY(!map.removeLink(3, "/dev/pts/12"));
        QCOMPARE(q(map.devicePath(3)), QString("/dev/pts/11"));
        QVERIFY(!map.removeLink(9, "/dev/pts/11")); // no link at all
    }
};

int runPortMapTest(int argc, char** argv) {
    PortMapTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "PortMapTest.moc"
