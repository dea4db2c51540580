#pragma once

#include "acquisition/Acquisition.h"
#include "config/RegistryStore.h"
#include "config/Settings.h"

#include <optional>
#include <string>
#include <vector>

namespace kesto {

// The program's settings as the main window keeps them for a run: read once at start-up (the
// channel settings, the reference-oxygen entries and the general settings, in that order), handed
// over to the acquisition, and written once at the end.
class ProgramSettings {
public:
    ProgramSettings(RegistryStore& store, LiveAcquisition& acquisition);

    // Reads the three groups; what is missing or unreadable takes its default. The general
    // settings are then handed over to the acquisition.
    void load(const ChannelDefaults& defaults);
    // Saves the channel, reference and general settings in that order; stops at the first that
    // cannot be kept and returns its text.
    std::optional<std::string> save();
    // The general settings the acquisition's refresh uses (T gas decimals, mean values), after a
    // load or a change in the setup dialog.
    void handOver();
    // What the store had to say while loading (a settings file set aside), once.
    std::vector<std::string> takeMessages() { return store_.takeMessages(); }

    GeneralSettings& general() { return general_; }
    const GeneralSettings& general() const { return general_; }

    // The channel settings a settings file holds, read without a store that could write it back:
    // whatever happens, nothing reaches the disk. A missing or unreadable file gives the defaults.
    static LiveDisplay channelSettingsOf(const std::string& registryFile,
                                         const ChannelDefaults& defaults);

private:
    RegistryStore& store_;
    LiveAcquisition& acquisition_;
    GeneralSettings general_;
};

} // namespace kesto
