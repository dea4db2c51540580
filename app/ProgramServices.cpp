#include "app/ProgramServices.h"

#include "config/Language.h"
#include "config/ProgramFolders.h"
#include "platform/qt/ToneBeeper.h"
#include "serial/AnalyzerPort.h"
#include "widgets/TrendPrint.h"

#include <QCoreApplication>

namespace kesto {

ProgramServices::ProgramServices(MainFrmOptions options) : options_(std::move(options)) {
    if (options_.clock == nullptr) {
        clock_ = std::make_unique<SystemClock>();
        options_.clock = clock_.get();
    }
    if (options_.link == nullptr) {
        port_ = std::make_unique<AnalyzerPort>();
        options_.link = port_.get();
    }
    if (options_.beeper == nullptr) {
        beeper_ = std::make_unique<ToneBeeper>();
        options_.beeper = beeper_.get();
    }
    if (options_.store == nullptr) {
        store_ = std::make_unique<RegistryFileStore>(defaultRegistryFilePath());
        options_.store = store_.get();
    }
    if (options_.printing == nullptr) {
        printing_ = std::make_unique<TrendPrinting>();
        options_.printing = printing_.get();
    }
}

ProgramServices::~ProgramServices() {
    detach();
}

void ProgramServices::attach(LiveAcquisition& acquisition) {
    if (!port_) {
        return;
    }
    port_->setBytesHandler(
        [&acquisition](std::span<const std::uint8_t> bytes) { acquisition.onBytes(bytes); });
    port_->setQuietHandler([&acquisition] { acquisition.onLineQuiet(); });
    QObject::connect(port_.get(), &AnalyzerPort::connectionLost, port_.get(),
                     [&acquisition](const QString& message) {
                         acquisition.markPortLost(message.toStdString());
                     });
}

void ProgramServices::detach() {
    if (port_) {
        port_->setBytesHandler({});
        port_->setQuietHandler({});
        QObject::disconnect(port_.get(), &AnalyzerPort::connectionLost, nullptr, nullptr);
    }
}

std::string ProgramServices::languageFile(std::uint16_t id) const {
    if (!options_.languageFile.empty()) {
        return options_.languageFile;
    }
    return programFolders(QCoreApplication::applicationFilePath().toStdString())
        .languageFile(languageCodeFor(id));
}

PortMap ProgramServices::portMap() const {
    return port_ ? port_->portMap() : PortMap::fromEnvironment();
}

PortProbeResult ProgramServices::probe(int port) const {
    const auto path = portMap().devicePath(port);
    if (!path) {
        return {PortStatus::NoDevice, {}};
    }
    const ProbeDetails details = AnalyzerPort::probePath(*path, "COM" + std::to_string(port));
    return {details.result, *path};
}

SetupServices ProgramServices::setupServices(LiveAcquisition& acquisition, Recorder& recorder,
                                             ProbeProgress* progress) const {
    SetupServices services;
    services.probe = [this](int port) { return probe(port); };
    services.progress = progress;
    services.resetMeanValues = [&acquisition] { acquisition.ResetMeanValues(); };
    services.setRecordingInterval = [&recorder](int ms) { recorder.setIntervalMs(ms); };
    services.portMap = portMap();
    services.deviceFolders = DeviceFolders::fromEnvironment();
    return services;
}

} // namespace kesto

