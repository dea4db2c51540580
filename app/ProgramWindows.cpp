#include "app/ProgramWindows.h"

#include "app/LiveTrends.h"

namespace kesto {

ProgramWindows::ProgramWindows(MainFrmOptions options)
    : services(std::move(options)), main(services),
      setup(main.generalSettings(), main.setupServices()), viewer(&services.printing()),
      messages(services.clock()), measureResult(&services.printing(), main.liveTrends().trend(0)),
      measuring({&main, main.menuBar(), main.statusBar(), &main.language()}, measureStart,
                measureResult, main.acquisition(), main.generalSettings()) {
    main.setPropertyDialog(&properties);
    main.setSetupDialog(&setup);
    main.setVersionWindow(&version);
    main.setViewerWindow(&viewer);
    main.setMessagesWindow(&messages);
    main.setMmcWindow(&mmcToCsv);
    main.setProgressWindow(&progress);
    writerExport = installWriterExport(messages, main.acquisition().display());
    QObject::connect(&main, &TMainFrm::languageApplied, &measuring,
                     &MeasurementBinding::applyLanguage);
    QObject::connect(&main, &TMainFrm::displayRefreshed, &measuring,
                     &MeasurementBinding::onRefresh);
    main.setInterruptGuard([binder = QPointer<MeasurementBinding>(&measuring)] {
        return binder == nullptr || binder->mayInterrupt();
    });
}

} // namespace kesto
