#include "ViewOnly.h"

#include "Language.h"
#include "PosixFiles.h"
#include "RegistryDocument.h"
#include "RegistryStore.h"
#include "Settings.h"
#include "uViewFrm.h"

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

QString viewFileArgument(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a.startsWith(QLatin1String("--view="))) {
            return a.mid(7);
        }
        if (a == QLatin1String("--view") && i + 1 < arguments.size()) {
            return arguments[i + 1];
        }
    }
    return {};
}

int runViewOnly(const QString& file) {
    const std::string languageFile = languageFilePath(
        QCoreApplication::applicationFilePath().toStdString(), languageCodeFor(systemLanguageId()));
    TViewFrm viewer;
    viewer.applyChannelSettings(readChannelSettings(defaultRegistryFilePath(), languageFile));
    viewer.showFile(file);
    return 0;
}

} // namespace kesto
