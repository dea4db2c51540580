#pragma once

#include "uFortschrittFrm.h"
#include "uMMCToCSVFrm.h"
#include "uMainFrm.h"
#include "uMessageForm.h"
#include "uPropertyFrm.h"
#include "uSetupFrm.h"
#include "uVersionFrm.h"

namespace kesto {

// The program's windows, created once in the program's order (main window, property dialog,
// setup dialog, version window, messages window, memory-card conversion window, progress
// window) and attached to the main window. They live until the program ends.
struct ProgramWindows {
    explicit ProgramWindows(MainFrmOptions options = {});

    SystemClock clock;
    TMainFrm main;
    ChannelProperties properties;
    TSetupFrm setup;
    TVersionFrm version;
    TMessageFrm messages;
    TMMCtoCSVFrm mmcToCsv;
    TFortschrittFrm progress;
};

} // namespace kesto
