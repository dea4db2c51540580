#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// The data folder of an installed program, seen from the folder of its executable
// ("../share/kesto" for <prefix>/bin and <prefix>/share/kesto). Set by the build from its
// install folders.
std::string_view dataFolderFromProgramFolder();

// Where the program's own files are, worked out from the path of its executable.
//
// The program counts as installed when its data folder lies where the install puts it, seen
// from the executable's folder: <prefix>/bin/kesto with <prefix>/share/kesto/. The prefix is
// not fixed, so a package unpacked anywhere is an installed program too. A program run from
// its build folder or from a folder of its own is not installed.
struct ProgramFolders {
    std::string programFolder;   // the folder of the executable
    std::string programFileName; // the executable's file name ("kesto")
    bool installed = false;
    // Looked up in this order: beside the program, then the data folder when installed.
    std::vector<std::string> languageFolders;
    // Where "MMC.CSV" is written: the program's folder when it is writable and the program is
    // not installed; else <data home>/Pellum/KESTO22, the data home being $XDG_DATA_HOME when
    // that is an absolute path, else ~/.local/share. The folder may not exist yet.
    std::string mmcFolder;

    // The language file named like the program with the extension "." + code (languageFilePath)
    // in the first language folder that has it; when none has it, the one beside the program
    // (which reads as missing: built-in texts).
    std::string languageFile(std::string_view code) const;
    // The report template "kesto-report.<code>.ott" of "Copy to Writer", chosen like the
    // language file: the first language folder that has it for `code`, else the English
    // "kesto-report.ENG.ott" from the first that has that; empty when there is neither.
    std::string reportTemplate(std::string_view code) const;
    std::string mmcFile() const { return mmcFolder + "/MMC.CSV"; }
};

// <data home>/Pellum/KESTO22 (see mmcFolder); the folder may not exist yet.
std::string programDataFolder();

// `programPath` is the absolute path of the executable (symbolic links resolved).
ProgramFolders programFolders(const std::string& programPath);

} // namespace kesto
