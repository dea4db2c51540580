#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kesto {

// What the program was asked to do at start.
struct ProgramOptions {
    // `--view FILE`: a recording to show in the viewer, as an absolute path. Unset (also for a
    // bare `--view`, as a desktop entry's "--view %f" gives without a file): the program starts
    // with its main window as usual.
    std::optional<QString> viewFile;
};

// The command line read: either the options to run with, or a text to print and an exit code
// to end with at once (help and version: 0, on standard output; a mistake: 1, on standard
// error).
struct CommandLine {
    ProgramOptions options;
    std::optional<int> exitCode;
    QString output;
};

// `arguments` as the program got them, the program's path first. A relative file name is taken
// relative to `workingFolder`.
CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder);

// "kesto --version": the program's name and version.
QString versionText();

} // namespace kesto
