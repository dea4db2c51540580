#pragma once

#include "acquisition/Acquisition.h"
#include "acquisition/Channels.h"
#include "acquisition/DerivedValues.h"
#include "acquisition/LiveValues.h"
#include "config/RegistryStore.h"

#include <string>

namespace kesto {

// Process-wide settings of the program, held in memory from start-up to shutdown.
struct GeneralSettings {
    int comPort = 1;
    int saveFormat = 1; // 1 = CSV, 2 = XLS
    int interval = 0;   // recording interval, seconds
    bool useTab = false;
    std::string separator = ",";
    bool tgasDecimals = false;
    bool useMeanValue = false;
    std::string mmcFile;
    std::string recordingSeparator = ","; // derived at every load, never stored
    // The last choices of the measurement's start dialog, and its technician.
    int measureSeconds = 30;
    int measureReadings = 1;
    int measureSpacing = 30; // seconds from the start of one reading to the next
    std::string technician;
};

// The one owner of the settings store. Every operation opens the store, does its work and
// closes it again; nothing else reads or writes the store.
//
// The loads never fail: whatever is missing or unreadable takes its default. A settings file
// that had to be set aside leaves a message in the store (RegistryStore::takeMessages) for the
// window to show. A save that cannot be kept throws SettingsError; nothing of that operation is
// written then. The saving stops there: the window runs the three saves in one try block, ends
// the recording and closes the port all the same, then shows the error's text.
// The program's store is RegistryFileStore(defaultRegistryFilePath()).
//
// Channel sections: "Unit", "Label", "Min", "Max", "Color", "Format", "AlarmAbove" and
// "AlarmBelow" are read; "LabelName", "Unit", "Min", "Max", "Format", "Color", "Divisor",
// "AlarmAbove" and "AlarmBelow" are written ("Label" never is, so an edited display name lasts
// only for the run). A colour text that is neither a colour name nor a number gives the
// channel's default colour. The alarm limits are texts, empty for a limit that is off; one that
// is not a number loads as off.
// The recording timer's period for an interval in seconds. A hand-edited interval outside
// 0 s to one day is held to that range, so the period cannot overflow.
int recordingTimerMs(int intervalSeconds);

void LoadChannelSettings(RegistryStore& store, const ChannelDefaults& defaults,
                         LiveDisplay& display);
void LoadReferenceSettings(RegistryStore& store, ReferenceSettings& references);
void LoadGeneralSettings(RegistryStore& store, GeneralSettings& settings);
void SaveChannelSettings(RegistryStore& store, const LiveDisplay& display);
void SaveReferenceSettings(RegistryStore& store, const ReferenceSettings& references);
void SaveGeneralSettings(RegistryStore& store, const GeneralSettings& settings);

} // namespace kesto
