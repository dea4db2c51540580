#include "app/ViewOnly.h"

#include "config/Language.h"
#include "config/ProgramFolders.h"
#include "config/ProgramSettings.h"
#include "config/RegistryStore.h"
#include "review/ui/uViewFrm.h"

#include <QCoreApplication>

namespace kesto {

LiveDisplay readChannelSettings(const std::string& settingsPath, const std::string& languageFile) {
    return ProgramSettings::channelSettingsOf(settingsPath,
                                              loadLanguage(languageFile).channelDefaults);
}

int runViewOnly(const QString& file, const std::function<void()>& whenShown) {
    const std::string languageFile =
        programFolders(QCoreApplication::applicationFilePath().toStdString())
            .languageFile(languageCodeFor(systemLanguageId()));
    const Language language = loadLanguage(languageFile);
    TViewFrm viewer;
    viewer.applyChannelSettings(
        ProgramSettings::channelSettingsOf(defaultRegistryFilePath(), language.channelDefaults));
    viewer.applyLanguage(language.texts);
    if (whenShown) {
        // Queued: the file may be loaded before the viewer's own event loop runs.
        QObject::connect(
            &viewer, &TViewFrm::loaded, &viewer,
            [&] {
                whenShown();
                viewer.close();
            },
            Qt::QueuedConnection);
    }
    viewer.showFile(file);
    return 0;
}

} // namespace kesto
