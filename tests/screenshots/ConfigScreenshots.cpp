// Not a test: renders the channel property dialog and the setup dialog into PNG files for the
// README (docs/screenshots), with fixed content.
#include "acquisition/LiveValues.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {
// Grabs the dialog once it is on the screen, then closes it.
void grabWhenShown(QDialog& dialog, const QString& file) {
    auto* timer = new QTimer(&dialog);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, timer, file] {
        if (dialog.isVisible()) {
            timer->stop();
            dialog.grab().save(file);
            dialog.reject();
        }
    });
    timer->start();
}
// A pseudo-terminal standing in for a USB adapter: by-id link and udev entry under `root`.
std::string fakeAdapter(const std::filesystem::path& root, const std::string& name,
                        const std::string& udev) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY); // kept open until the program ends
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        return {};
    }
    const std::string device = ::ptsname(master);
    const std::filesystem::path link = root / "dev/serial/by-id" / name;
    std::filesystem::create_directories(link.parent_path());
    std::filesystem::create_directories(root / "run/udev/data");
    std::filesystem::create_symlink(device, link);
    struct stat st {};
    ::stat(device.c_str(), &st);
    std::ofstream(
        root / "run/udev/data" /
        ("c" + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev))))
        << udev;
    return link.string();
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? argv[1] : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);

    kesto::ChannelProperties properties;
    kesto::ChannelDisplay o2;
    kesto::applyDefaults(o2, kesto::Channel::O2, kesto::builtinChannelDefaults()[0]);
    o2.settings.alarmBelow = 4.5; // too little air below 4.5 % O2
    grabWhenShown(properties, out + "/properties.png");
    // The colour list as it drops down: all sixteen colours at once.
    QTimer::singleShot(0, &properties, [&] {
        properties.colourList()->showPopup();
        properties.colourList()->view()->window()->grab().save(out + "/properties-colours.png");
        properties.colourList()->hidePopup();
    });
    properties.editChannel(o2);

    kesto::GeneralSettings settings;
    settings.comPort = 3;
    settings.interval = 10;
    // Two adapters, the first one COM3 by its stable name.
    QTemporaryDir devices(QDir::tempPath() + "/kesto-XXXXXX");
    const std::filesystem::path root = devices.path().toStdString();
    const std::string ftdi = fakeAdapter(root, "usb-FTDI_FT232R_USB_UART_A12345-if00-port0",
                                         "E:ID_VENDOR_ENC=FTDI\nE:ID_MODEL_ENC=FT232R\\x20USB\\x20"
                                         "UART\nE:ID_SERIAL_SHORT=A12345\n");
    fakeAdapter(root, "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0",
                "E:ID_VENDOR=Prolific_Technology_Inc.\nE:ID_MODEL=USB-Serial_Controller\n");
    kesto::SetupServices services;
    services.deviceFolders.root = root;
    services.portMap = kesto::PortMap(root / "dosdevices");
    services.portMap->createLink(3, ftdi);
    services.probe = [ftdi](int port) {
        switch (port) {
        case 1:
            return kesto::PortProbeResult{kesto::PortStatus::Opened, "/dev/ttyS0"};
        case 3:
            return kesto::PortProbeResult{kesto::PortStatus::Opened, ftdi};
        case 33:
            return kesto::PortProbeResult{kesto::PortStatus::PermissionDenied, "/dev/ttyUSB0"};
        default:
            return kesto::PortProbeResult{};
        }
    };
    kesto::TSetupFrm setup(settings, services);
    grabWhenShown(setup, out + "/setup.png");
    setup.execSetup();
    return 0;
}
