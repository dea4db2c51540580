#include "app/ProgramWindows.h"

namespace kesto {

ProgramWindows::ProgramWindows(MainFrmOptions options)
    : services(std::move(options)), main(services), setup(main.generalSettings(), main.setupServices()),
      viewer(&services.printing()), messages(services.clock()) {
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
