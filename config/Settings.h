#pragma once

#include "Acquisition.h"
#include "Channels.h"
#include "RegistryStore.h"

#include <string>

namespace kesto {

// Process-wide settings of the program, held in memory from start-up to shutdown.
struct GeneralSettings {
    int comPort = 1;
    int saveFormat = 1;  // 1 = CSV, 2 = XLS
    int interval = 0;    // recording interval, seconds
    bool useTab = false;
    std::string separator = ",";
    bool tgasDecimals = false;
    bool useMeanValue = false;
    std::string mmcFile;
    std::string recordingSeparator = ","; // derived at every load, never stored
};

// The one owner of the settings store. Every operation opens the store, does its work and
// closes it again; nothing else reads or writes the store.
void LoadChannelSettings(RegistryStore& store, const ChannelDefaults& defaults, LiveDisplay& display);
void LoadReferenceSettings(RegistryStore& store, ReferenceSettings& references);
void LoadGeneralSettings(RegistryStore& store, GeneralSettings& settings);
void SaveChannelSettings(RegistryStore& store, const LiveDisplay& display);
void SaveReferenceSettings(RegistryStore& store, const ReferenceSettings& references);
void SaveGeneralSettings(RegistryStore& store, const GeneralSettings& settings);

} // namespace kesto
