#include "config/ui/uSetupFrm.h"

#include "serial/AnalyzerSearch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
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
    devicePath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    searchButton_ = new QPushButton(QStringLiteral("Search for analyzer"), connectionGroup_);
    searchButton_->setObjectName(QStringLiteral("SearchButton"));
    searchStatus_ = new QLabel(connectionGroup_);
    searchStatus_->setObjectName(QStringLiteral("SearchStatusLabel"));
    adapterCaption_ = new QLabel(QStringLiteral("Adapters:"), connectionGroup_);
    adapterList_ = new QListWidget(connectionGroup_);
    adapterList_->setObjectName(QStringLiteral("AdapterList"));
    adapterList_->setMaximumHeight(4 * adapterList_->fontMetrics().height() + 12);
    // As wide as its longest entry: an adapter's name is read whole, not scrolled to.
    adapterList_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    adapterList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    adapterCaption_->setBuddy(adapterList_);
    adapterList_->setAccessibleName(adapterCaption_->text());
    search_ = new AnalyzerSearch(this);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(portCaption);
    portRow->addWidget(ComboBox1);
    portRow->addStretch();
    portRow->addWidget(searchButton_);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(Button1);
    buttonRow->addWidget(searchStatus_, 1);
    // Tab in the order of the layout: the search button sits beside the port list.
    setTabOrder(ComboBox1, searchButton_);
    setTabOrder(searchButton_, adapterList_);
    setTabOrder(adapterList_, Button1);
    auto* connectionLayout = new QVBoxLayout(connectionGroup_);
    connectionLayout->addLayout(portRow);
    connectionLayout->addWidget(devicePath_);
    connectionLayout->addWidget(adapterCaption_);
    connectionLayout->addWidget(adapterList_);
    connectionLayout->addLayout(buttonRow);
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
    connect(searchButton_, &QPushButton::clicked, this, &TSetupFrm::searchForAnalyzer);
    // A click or Enter chooses; moving through the list with the arrow keys does not.
    connect(adapterList_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { chooseAdapter(adapterList_->row(item)); });
    connect(adapterList_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { chooseAdapter(adapterList_->row(item)); });
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
    adapterCaption_->setText(q(texts.adapters));
    adapterList_->setAccessibleName(adapterCaption_->text());
    searchButton_->setText(q(texts.searchAnalyzer));
    searching_ = q(texts.searchingAnalyzer);
    found_ = q(texts.analyzerFound);
    noAnalyzer_ = q(texts.noAnalyzer);
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
    listAdapters();
}

void TSetupFrm::listAdapters() {
    adapterList_->clear();
    adapters_.clear();
    if (services_.portMap) {
        adapters_ = listSerialAdapters(services_.deviceFolders);
    }
    for (const SerialAdapter& a : adapters_) {
        auto* item = new QListWidgetItem(adapterList_);
        item->setToolTip(q(a.stableName) + QStringLiteral("\n\u2192 ") + q(a.device));
    }
    showAdapterNumbers();
}

void TSetupFrm::showAdapterNumbers() {
    for (std::size_t row = 0; row < adapters_.size(); ++row) {
        QString text = q(adapters_[row].description());
        QStringList numbers;
        for (const int n : comNumbersOf(adapters_[row], *services_.portMap)) {
            numbers << q(portEntry(n));
        }
        if (!numbers.isEmpty()) {
            text += QStringLiteral("  \u2013  ") + numbers.join(QStringLiteral(", "));
        }
        adapterList_->item(static_cast<int>(row))->setText(text);
    }
}

void TSetupFrm::chooseAdapter(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= adapters_.size() || !services_.portMap) {
        return;
    }
    const AdapterAssignment given =
        assignComNumber(adapters_[static_cast<std::size_t>(row)], *services_.portMap);
    if (!given.error.empty()) {
        searchStatus_->setText(q(given.error));
        return;
    }
    // The number now leads to the adapter's stable name: list it (in number order) as such.
    const std::string path = services_.portMap->devicePath(given.port).value_or(std::string{});
    const auto at = std::lower_bound(listedPorts_.begin(), listedPorts_.end(), given.port);
    const auto i = static_cast<std::size_t>(at - listedPorts_.begin());
    if (at == listedPorts_.end() || *at != given.port) {
        listedPorts_.insert(at, given.port);
        devicePaths_.insert(devicePaths_.begin() + static_cast<std::ptrdiff_t>(i), path);
        ComboBox1->insertItem(static_cast<int>(i), q(portEntry(given.port)));
    } else {
        devicePaths_[i] = path;
    }
    showAdapterNumbers();
    ComboBox1->setCurrentIndex(static_cast<int>(i));
    updateDevicePath();
}

void TSetupFrm::searchForAnalyzer() {
    std::vector<AnalyzerSearch::Candidate> candidates;
    for (std::size_t i = 0; i < listedPorts_.size(); ++i) {
        candidates.push_back({listedPorts_[i], devicePaths_[i]});
    }
    searchButton_->setEnabled(false);
    searchStatus_->setText(searching_);
    search_->start(std::move(candidates),
                   [this](std::optional<int> port) { showSearchResult(port); });
}

void TSetupFrm::showSearchResult(std::optional<int> port) {
    searchButton_->setEnabled(true);
    const auto at =
        port ? std::find(listedPorts_.begin(), listedPorts_.end(), *port) : listedPorts_.end();
    if (at == listedPorts_.end()) {
        searchStatus_->setText(noAnalyzer_);
        return;
    }
    ComboBox1->setCurrentIndex(static_cast<int>(at - listedPorts_.begin()));
    searchStatus_->setText(found_ + QLatin1Char(' ') + q(portEntry(*port)));
}

void TSetupFrm::done(int result) {
    // The search's ports are closed before the analyzer's port is opened again.
    search_->cancel();
    searchButton_->setEnabled(true);
    QDialog::done(result);
}

void TSetupFrm::prepareControls() {
    searchStatus_->clear();
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
    if (i < 0 || static_cast<std::size_t>(i) >= devicePaths_.size()) {
        devicePath_->clear();
        adapterList_->setCurrentRow(-1);
        return;
    }
    // A stable name with the device it leads to now.
    const std::string& path = devicePaths_[static_cast<std::size_t>(i)];
    const std::string target = currentTarget(path);
    devicePath_->setText(target == path ? q(path)
                                        : q(path) + QStringLiteral("\n\u2192 ") + q(target));
    int row = -1;
    for (std::size_t a = 0; a < adapters_.size() && row < 0; ++a) {
        if (adapters_[a].stableName == path || adapters_[a].device == target) {
            row = static_cast<int>(a);
        }
    }
    adapterList_->setCurrentRow(row);
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
