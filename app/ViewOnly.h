#pragma once

#include "acquisition/LiveValues.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace kesto {

// The channel display settings as the main window would load them from the settings file at
// `settingsPath`, with the defaults of the language file at `languageFile`. The file is only
// read: a missing or unreadable one gives the defaults and stays as it is.
LiveDisplay readChannelSettings(const std::string& settingsPath, const std::string& languageFile);

// `kesto --view FILE`: the recording viewer on FILE alone, with the user's channel display
// settings read but never written and no serial port opened. Returns when the viewer closes.
// `whenShown`, if given, runs once the file is shown, and the viewer then closes.
int runViewOnly(const QString& file, const std::function<void()>& whenShown = {});

} // namespace kesto
