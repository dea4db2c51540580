#include "ProgramWindows.h"

namespace kesto {

ProgramWindows::ProgramWindows(MainFrmOptions options)
    : main(std::move(options)), setup(main.generalSettings(), main.setupServices()),
      messages(clock) {
    main.setPropertyDialog(&properties);
    main.setSetupDialog(&setup);
    main.setVersionWindow(&version);
    main.setMessagesWindow(&messages);
    main.setProgressWindow(&progress);
    writerExport = installWriterExport(messages, main.acquisition().display());
}

} // namespace kesto
