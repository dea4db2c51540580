#include "config/ProgramFolders.h"

#include "config/Language.h"
#include "platform/PosixFiles.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef KESTO_DATA_FROM_BIN
#define KESTO_DATA_FROM_BIN "../share/kesto"
#endif

namespace kesto {

namespace fs = std::filesystem;

namespace {

bool isFolder(const std::string& path) {
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

bool isFile(const std::string& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

// $XDG_DATA_HOME, or ~/.local/share when it is unset, empty or relative (a relative one is to
// be ignored).
std::string dataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    return posix::homeDirectory() + "/.local/share";
}

} // namespace

std::string programDataFolder() {
    return dataHome() + "/Pellum/KESTO22";
}

std::string_view dataFolderFromProgramFolder() {
    return KESTO_DATA_FROM_BIN;
}

ProgramFolders programFolders(const std::string& programPath) {
    const fs::path program(programPath);
    ProgramFolders folders;
    folders.programFolder = program.parent_path().string();
    if (folders.programFolder.empty()) {
        folders.programFolder = ".";
    }
    folders.programFileName = program.filename().string();

    // "/usr/bin/../share/kesto" made "/usr/share/kesto"; only the text is tidied, links stay.
    const std::string dataFolder = (fs::path(folders.programFolder) / dataFolderFromProgramFolder())
                                       .lexically_normal()
                                       .string();
    folders.installed = isFolder(dataFolder);

    folders.languageFolders.push_back(folders.programFolder);
    if (folders.installed) {
        folders.languageFolders.push_back(dataFolder);
    }

    // An installed program writes nothing beside its executable, even where it could (root).
    if (!folders.installed && posix::canWriteInFolder(folders.programFolder)) {
        folders.mmcFolder = folders.programFolder;
    } else {
        folders.mmcFolder = programDataFolder();
    }
    return folders;
}

std::string ProgramFolders::languageFile(std::string_view code) const {
    for (const std::string& folder : languageFolders) {
        if (std::string path = languageFilePath(folder + "/" + programFileName, std::string(code));
            isFile(path)) {
            return path;
        }
    }
    return languageFilePath(programFolder + "/" + programFileName, std::string(code));
}

std::string ProgramFolders::reportTemplate(std::string_view code) const {
    for (const std::string_view wanted : {code, std::string_view("ENG")}) {
        for (const std::string& folder : languageFolders) {
            if (std::string path = folder + "/kesto-report." + std::string(wanted) + ".ott";
                isFile(path)) {
                return path;
            }
        }
    }
    return {};
}

} // namespace kesto
