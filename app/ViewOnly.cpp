#include "app/ViewOnly.h"

#include "config/Language.h"
#include "platform/PosixFiles.h"
#include "config/ProgramFolders.h"
#include "config/RegistryDocument.h"
#include "config/RegistryStore.h"
#include "config/Settings.h"
#include "review/ui/uViewFrm.h"

#include <QCoreApplication>

namespace kesto {

LiveDisplay readChannelSettings(const std::string& settingsPath, const std::string& languageFile) {
    const Language language = loadLanguage(languageFile);
    LiveDisplay display = makeDefaultDisplay(language.channelDefaults);
    // A copy of the file in memory: whatever the loading does, nothing reaches the disk.
    RegistryDocument document;
    const posix::FileContents contents = posix::readWholeFile(settingsPath);
    if (contents.status == posix::FileContents::Status::Read) {
        if (auto parsed = RegistryDocument::parse(contents.bytes); parsed.document) {
            document = std::move(*parsed.document);
        }
    }
    MemoryRegistryStore store(std::move(document));
    LoadChannelSettings(store, language.channelDefaults, display);
    return display;
}

int runViewOnly(const QString& file, const std::function<void()>& whenShown) {
    const std::string languageFile =
        programFolders(QCoreApplication::applicationFilePath().toStdString())
            .languageFile(languageCodeFor(systemLanguageId()));
    TViewFrm viewer;
    viewer.applyChannelSettings(readChannelSettings(defaultRegistryFilePath(), languageFile));
    viewer.applyLanguage(loadLanguage(languageFile).texts);
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
