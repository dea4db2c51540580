#include "TestSupport.h"
#include "serial/PortMap.h"
#include "serial/SerialAdapters.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// Below `root`, standing in for "/": dev/serial/`kind`/`name` a link to `device`, and udev's
// database entry of the device with the given E: lines.
std::string addAdapter(const fs::path& root, const std::string& kind, const std::string& name,
                       const std::string& device, const std::string& udev = {}) {
    const fs::path link = root / "dev/serial" / kind / name;
    fs::create_directories(link.parent_path());
    fs::create_directories(root / "run/udev/data");
    fs::create_symlink(device, link);
    struct stat st {};
    if (!udev.empty() && ::stat(device.c_str(), &st) == 0) {
        std::ofstream(
            root / "run/udev/data" /
            ("c" + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev))))
            << udev;
    }
    return link.string();
}

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

    // by-id with what udev knows; by-path only for a device without an id; a link whose
    // device has gone is left out.
    void adaptersAreListedByStableNameWithWhatUdevKnows() {
        kesto::test::PtyPair ftdi;
        QTemporaryDir tmp;
        const fs::path root = tmp.path().toStdString();
        const kesto::DeviceFolders folders{root};
        const std::string id = addAdapter(
            root, "by-id", "usb-FTDI_FT232R_USB_UART_A12345-if00-port0", ftdi.slavePath(),
            "E:ID_VENDOR=FTDI\nE:ID_VENDOR_ENC=FTDI\nE:ID_MODEL=FT232R_USB_UART\n"
            "E:ID_MODEL_ENC=FT232R\\x20USB\\x20UART\\x20\\x20\nE:ID_SERIAL_SHORT=A12345\n");
        addAdapter(root, "by-path", "pci-0000:00:14.0-usb-0:2:1.0-port0", ftdi.slavePath());
        addAdapter(root, "by-path", "pci-0000:00:14.0-usb-0:1:1.0-port0", "/dev/zero",
                   "E:ID_VENDOR=Prolific_Technology_Inc.\n"
                   "E:ID_MODEL_FROM_DATABASE=PL2303 Serial Port\n");
        const std::string path =
            addAdapter(root, "by-path", "platform-serial8250-port3", "/dev/null");
        addAdapter(root, "by-id", "usb-Gone_Adapter_0001-if00-port0", "/nonexistent/ttyUSB9");

        const auto adapters = kesto::listSerialAdapters(folders);
        QCOMPARE(adapters.size(), std::size_t{3});
        QVERIFY(adapters[0].stableName == id && adapters[0].device == ftdi.slavePath());
        QCOMPARE(adapters[0].description(), std::string("FTDI FT232R USB UART (A12345)"));
        QCOMPARE(adapters[1].description(),
                 std::string("Prolific Technology Inc. PL2303 Serial Port"));
        QCOMPARE(adapters[2].stableName, path);
        QCOMPARE(adapters[2].description(), std::string("platform-serial8250-port3"));
        // The monitor's --port: the name alone is enough.
        const auto named =
            kesto::resolvePortArgument("usb-FTDI_FT232R_USB_UART_A12345-if00-port0", folders);
        QVERIFY(!named.number && named.path == id);
        QCOMPARE(kesto::resolvePortArgument("com12", folders).number.value_or(0), 12);
    }

    // The number a choice gives, and that the link then leads to the stable name.
    void choosingAnAdapterLinksAComNumberToItsStableName_data() {
        QTest::addColumn<int>("linkedPort");    // 0: none
        QTest::addColumn<bool>("toStableName"); // the link's target: stable name or the device
        QTest::addColumn<int>("expected");      // 0: a free number, whichever
        QTest::newRow("no link yet") << 0 << false << 0;
        QTest::newRow("already linked by name") << 4 << true << 4;
        QTest::newRow("linked to its device: turned to the name") << 7 << false << 7;
    }
    void choosingAnAdapterLinksAComNumberToItsStableName() {
        QFETCH(int, linkedPort);
        QFETCH(bool, toStableName);
        QFETCH(int, expected);
        kesto::test::PtyPair adapter, other;
        QTemporaryDir tmp;
        const fs::path root = tmp.path().toStdString();
        const std::string name =
            addAdapter(root, "by-id", "usb-Vantro_Kesto_Link_0042-if00-port0", adapter.slavePath());
        const PortMap map(root / "dosdevices");
        fs::create_directories(map.dosDevicesDir());
        fs::create_symlink(other.slavePath(), map.linkPath(1)); // another program's: kept
        if (linkedPort != 0) {
            fs::create_symlink(toStableName ? name : adapter.slavePath(), map.linkPath(linkedPort));
        }
        const auto adapters = kesto::listSerialAdapters(kesto::DeviceFolders{root});
        const auto given = kesto::assignComNumber(adapters[0], map);
        QVERIFY2(given.error.empty(), given.error.c_str());
        if (expected != 0) {
            QCOMPARE(given.port, expected);
        } else {
            const auto fallback = PortMap::defaultDevicePath(given.port);
            QVERIFY(given.port > 1 && (!fallback || !fs::exists(*fallback)));
        }
        QCOMPARE(fs::read_symlink(map.linkPath(given.port)).string(), name);
        QCOMPARE(fs::read_symlink(map.linkPath(1)).string(), other.slavePath());
        QCOMPARE(kesto::comNumbersOf(adapters[0], map), std::vector<int>{given.port});
    }
};

int runPortMapTest(int argc, char** argv) {
    PortMapTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "PortMapTest.moc"
