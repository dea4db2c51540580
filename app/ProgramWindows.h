#pragma once

#include "acquisition/ui/uMessageForm.h"
#include "app/MeasurementBinding.h"
#include "app/ProgramServices.h"
#include "app/uMainFrm.h"
#include "app/uVersionFrm.h"
#include "config/ui/uFortschrittFrm.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"
#include "measurement/ui/uMeasureResultFrm.h"
#include "measurement/ui/uMeasureStartFrm.h"
#include "recording/ui/uMMCToCSVFrm.h"
#include "review/ui/uViewFrm.h"
#include "wordexport/ui/ReportExportAction.h"

#include <memory>

namespace kesto {

// The program's services and windows, created once in the program's order (main window,
// property dialog, setup dialog, version window, recording viewer, messages window, memory-card
// conversion window, progress window, then the measurement's start dialog and result window)
// and attached to the main window, the messages window's export of the live values to Writer,
// and the measurement. They live until the program ends.
struct ProgramWindows {
    explicit ProgramWindows(MainFrmOptions options = {});

    ProgramServices services;
    TMainFrm main;
    ChannelProperties properties;
    TSetupFrm setup;
    TVersionFrm version;
    TViewFrm viewer;
    TMessageFrm messages;
    TMMCtoCSVFrm mmcToCsv;
    TFortschrittFrm progress;
    TMeasureStartFrm measureStart;
    TMeasureResultFrm measureResult;
    // Null in a program built without the LibreOffice SDK.
    std::unique_ptr<ReportExportAction> writerExport;
    MeasurementBinding measuring;
};

} // namespace kesto
