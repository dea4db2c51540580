#include "uSetupFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace kesto {
namespace {

constexpr int kProbeGapMs = 3;

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TSetupFrm::TSetupFrm(GeneralSettings& settings, SetupServices services, QWidget* parent)
    : QDialog(parent), settings_(settings), services_(std::move(services)) {
    setObjectName(QStringLiteral("SetupDialog"));
    setWindowTitle(QStringLiteral("Parameters"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    connectionGroup_ = new QGroupBox(QStringLiteral(" Connection "), this);
    auto* portCaption = new QLabel(QStringLiteral("COM-Port : "), connectionGroup_);
    ComboBox1 = new QComboBox(connectionGroup_);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(90);
    portCaption->setBuddy(ComboBox1); // names the list for screen readers
    devicePath_ = new QLabel(connectionGroup_);
    devicePath_->setObjectName(QStringLiteral("DevicePathLabel"));
    Button1 = new QPushButton(QStringLiteral("Show device manager..."), connectionGroup_);
    Button1->setObjectName(QStringLiteral("Button1"));
    permission_ = new QLabel(connectionGroup_);
    permission_->setObjectName(QStringLiteral("PermissionLabel"));
    permission_->setWordWrap(true);
    permission_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    permission_->hide();
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(portCaption);
    portRow->addWidget(ComboBox1);
    portRow->addWidget(devicePath_, 1);
    auto* connectionLayout = new QVBoxLayout(connectionGroup_);
    connectionLayout->addLayout(portRow);
    connectionLayout->addWidget(Button1, 0, Qt::AlignLeft);
    connectionLayout->addWidget(permission_);

    intervalGroup_ = new QGroupBox(QStringLiteral(" Recording interval "), this);
    ComboBox2 = new QComboBox(intervalGroup_);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (const auto entry : kIntervalEntries) {
        ComboBox2->addItem(QString::fromLatin1(entry.data(), static_cast<int>(entry.size())));
    }
    auto* intervalLayout = new QHBoxLayout(intervalGroup_);
    intervalLayout->addWidget(ComboBox2);
    intervalLayout->addStretch();

    optionsGroup_ = new QGroupBox(QStringLiteral("Options"), this);
    CheckBox1 = new QCheckBox(QStringLiteral("T Gas with decimal point"), optionsGroup_);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("Mean value"), optionsGroup_);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    auto* optionsLayout = new QVBoxLayout(optionsGroup_);
    optionsLayout->addWidget(CheckBox1);
    optionsLayout->addWidget(CheckBox2);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(connectionGroup_);
    layout->addWidget(intervalGroup_);
    layout->addWidget(optionsGroup_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connectionGroup_->setMinimumWidth(380);

    // Every change of the mean-value box restarts the running means, also when cancelled later.
    connect(CheckBox2, &QCheckBox::stateChanged, this, [this] {
        if (services_.resetMeanValues) {
            services_.resetMeanValues();
        }
    });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TSetupFrm::updateDevicePath);
    connect(Button1, &QPushButton::clicked, this, &TSetupFrm::Button1Click);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        applyOk();
        accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TSetupFrm::applyLanguage(const LanguageTexts& texts) {
    setWindowTitle(q(texts.setupTitle));
    connectionGroup_->setTitle(QLatin1Char(' ') + q(texts.connection) + QLatin1Char(' '));
    intervalGroup_->setTitle(QLatin1Char(' ') + q(texts.recordingInterval) + QLatin1Char(' '));
    optionsGroup_->setTitle(q(texts.options));
    CheckBox1->setText(q(texts.tgasDecimal));
    CheckBox2->setText(q(texts.meanValue));
    Button1->setText(q(texts.deviceManager));
    BitBtn1->setText(q(texts.ok));
    BitBtn2->setText(q(texts.cancel));
    teste_ = q(texts.teste);
    von_ = q(texts.von);
}

void TSetupFrm::ProbePorts() {
    ComboBox1->clear();
    listedPorts_.clear();
    devicePaths_.clear();
    std::vector<std::pair<int, std::string>> denied;
    if (services_.progress != nullptr) {
        services_.progress->showProgress();
    }
    // One port per step; between steps the event loop runs, so every window keeps painting.
    QEventLoop loop;
    int port = 1;
    std::function<void()> step = [&] {
        if (services_.progress != nullptr) {
            services_.progress->setCounterText(
                q(probeCounterText(teste_.toStdString(), von_.toStdString(), port)));
            services_.progress->setPosition(port);
        }
        const PortProbeResult result =
            services_.probe ? services_.probe(port) : PortProbeResult{};
        if (result.status == PortStatus::Opened) {
            listedPorts_.push_back(port);
            devicePaths_.push_back(result.devicePath);
        } else if (result.status == PortStatus::PermissionDenied) {
            denied.emplace_back(port, result.devicePath);
        }
        if (++port > kHighestComPort) {
            loop.quit();
            return;
        }
        QTimer::singleShot(kProbeGapMs, &loop, step);
    };
    QTimer::singleShot(0, &loop, step);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (services_.progress != nullptr) {
        services_.progress->hideProgress();
    }

    for (const int listed : listedPorts_) {
        ComboBox1->addItem(q(portEntry(listed)));
    }
    const std::string note = permissionNote(denied);
    permission_->setText(q(note));
    permission_->setVisible(!note.empty());
}

void TSetupFrm::prepareControls() {
    const auto selected = preselectedPortIndex(listedPorts_, settings_.comPort);
    ComboBox1->setCurrentIndex(selected.value_or(-1));
    updateDevicePath();
    ComboBox2->setCurrentIndex(intervalPosition(settings_.interval));
    CheckBox1->setChecked(settings_.tgasDecimals);
    CheckBox2->setChecked(settings_.useMeanValue);
}

void TSetupFrm::applyOk() {
    // With no port listed the port stays as it was; the interval and options still apply.
    if (const int i = ComboBox1->currentIndex(); i >= 0) {
        if (const auto port = portNumberOfEntry(ComboBox1->itemText(i).toStdString())) {
            settings_.comPort = *port;
        }
    }
    const int position = std::max(ComboBox2->currentIndex(), 0);
    settings_.interval = kIntervalSeconds[static_cast<std::size_t>(position)];
    if (services_.setRecordingInterval) {
        services_.setRecordingInterval(settings_.interval * 1000);
    }
    settings_.tgasDecimals = CheckBox1->isChecked();
    settings_.useMeanValue = CheckBox2->isChecked();
}

int TSetupFrm::execSetup() {
    ProbePorts();
    prepareControls();
    return exec();
}

void TSetupFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

void TSetupFrm::updateDevicePath() {
    const int i = ComboBox1->currentIndex();
    if (i >= 0 && static_cast<std::size_t>(i) < devicePaths_.size()) {
        devicePath_->setText(q(devicePaths_[static_cast<std::size_t>(i)]));
    } else {
        devicePath_->clear();
    }
}

void TSetupFrm::Button1Click() {
    const bool opened = services_.openDeviceManager ? services_.openDeviceManager()
                                                    : openSystemDeviceManager();
    if (!opened) {
        const QString text = QStringLiteral(
            "No device manager was found on this system. Serial adapters appear as /dev/ttyUSB*, "
            "/dev/ttyACM* or /dev/ttyS*; /dev/serial/by-id lists them by name.");
        if (services_.showMessage) {
            services_.showMessage(text);
        } else {
            QMessageBox::information(this, windowTitle(), text);
        }
    }
}

bool openSystemDeviceManager() {
    // Hardware overview tools of the common desktops, best first.
    const std::array<const char*, 5> tools{"kinfocenter", "hardinfo", "hardinfo2", "lshw-gtk",
                                           "gnome-device-manager"};
    for (const char* tool : tools) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (!path.isEmpty() && QProcess::startDetached(path, {})) {
            return true;
        }
    }
    return false;
}

} // namespace kesto
