// Not a test: renders the channel property dialog and the setup dialog into PNG files for the
// README (docs/screenshots), with fixed content.
#include "LiveValues.h"
#include "uPropertyFrm.h"
#include "uSetupFrm.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QTimer>

#include <functional>

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
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? argv[1] : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);

    kesto::ChannelProperties properties;
    kesto::ChannelDisplay o2;
    kesto::applyDefaults(o2, kesto::Channel::O2, kesto::builtinChannelDefaults()[0]);
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
    kesto::SetupServices services;
    services.probe = [](int port) {
        switch (port) {
        case 1:
            return kesto::PortProbeResult{kesto::PortStatus::Opened, "/dev/ttyS0"};
        case 3:
            return kesto::PortProbeResult{kesto::PortStatus::Opened, "/dev/ttyS2"};
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
