#include "app/ProgramWindows.h"

namespace kesto {

ProgramWindows::ProgramWindows(MainFrmOptions options)
    : main(std::move(options)), setup(main.generalSettings(), main.setupServices()),
      viewer(&main.printing()), messages(clock) {
    main.setPropertyDialog(&properties);
    main.setSetupDialog(&setup);
    main.setVersionWindow(&version);
    main.setViewerWindow(&viewer);
    main.setMessagesWindow(&messages);
    main.setMmcWindow(&mmcToCsv);
    main.setProgressWindow(&progress);
    writerExport = installWriterExport(messages, main.acquisition().display());
}

} // namespace kesto
