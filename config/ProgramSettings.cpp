#include "config/ProgramSettings.h"

#include "config/RegistryDocument.h"
#include "platform/PosixFiles.h"

namespace kesto {

ProgramSettings::ProgramSettings(RegistryStore& store, LiveAcquisition& acquisition)
    : store_(store), acquisition_(acquisition) {}

void ProgramSettings::load(const ChannelDefaults& defaults) {
    LoadChannelSettings(store_, defaults, acquisition_.display());
    LoadReferenceSettings(store_, acquisition_.references());
    LoadGeneralSettings(store_, general_);
    handOver();
}

std::optional<std::string> ProgramSettings::save() {
    try {
        SaveChannelSettings(store_, acquisition_.display());
        SaveReferenceSettings(store_, acquisition_.references());
        SaveGeneralSettings(store_, general_);
    } catch (const std::exception& e) {
        return e.what();
    }
    return std::nullopt;
}

void ProgramSettings::handOver() {
    acquisition_.options().tgasDecimals = general_.tgasDecimals;
    acquisition_.options().useMeanValue = general_.useMeanValue;
}

LiveDisplay ProgramSettings::channelSettingsOf(const std::string& registryFile,
                                               const ChannelDefaults& defaults) {
    LiveDisplay display = makeDefaultDisplay(defaults);
    RegistryDocument document;
    const posix::FileContents contents = posix::readWholeFile(registryFile);
    if (contents.status == posix::FileContents::Status::Read) {
        if (auto parsed = RegistryDocument::parse(contents.bytes); parsed.document) {
            document = std::move(*parsed.document);
        }
    }
    MemoryRegistryStore store(std::move(document));
    LoadChannelSettings(store, defaults, display);
    return display;
}

} // namespace kesto
