#pragma once

#include "uFortschrittFrm.h"
#include "uMainFrm.h"
#include "uMessageForm.h"
#include "uPropertyFrm.h"
#include "uSetupFrm.h"
#include "uVersionFrm.h"
#include "uViewFrm.h"

namespace kesto {

// The program's windows, created once in the program's order (main window, property dialog,
// setup dialog, version window, recording viewer, messages window, progress window) and
// attached to the main window. They live until the program ends.
struct ProgramWindows {
    explicit ProgramWindows(MainFrmOptions options = {});

    SystemClock clock;
    TMainFrm main;
    ChannelProperties properties;
    TSetupFrm setup;
    TVersionFrm version;
    TViewFrm viewer;
    TMessageFrm messages;
    TFortschrittFrm progress;
};

} // namespace kesto
