#pragma once

#include "wordexport/ui/ReportExportAction.h"
#include "config/ui/uFortschrittFrm.h"
#include "recording/ui/uMMCToCSVFrm.h"
#include "app/uMainFrm.h"
#include "acquisition/ui/uMessageForm.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"
#include "app/uVersionFrm.h"
#include "review/ui/uViewFrm.h"

#include <memory>

namespace kesto {

// The program's windows, created once in the program's order (main window, property dialog,
// setup dialog, version window, recording viewer, messages window, memory-card conversion
// window, progress window) and attached to the main window, and the messages window's export of
// the live values to Writer. They live until the program ends.
struct ProgramWindows {
    explicit ProgramWindows(MainFrmOptions options = {});

    SystemClock clock;
    TMainFrm main;
    ChannelProperties properties;
    TSetupFrm setup;
    TVersionFrm version;
    TViewFrm viewer;
    TMessageFrm messages;
    TMMCtoCSVFrm mmcToCsv;
    TFortschrittFrm progress;
    // Null in a program built without the LibreOffice SDK.
    std::unique_ptr<ReportExportAction> writerExport;
};

} // namespace kesto
