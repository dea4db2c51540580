// kesto-writer: starts LibreOffice Writer so that it accepts "Copy to Writer" and opens a new
// report from the template of the user's language (the desktop entry "LibreOffice Writer for
// Kesto"). Arguments are handed to soffice before its own; KESTO_UNO_PIPE names another pipe.
#include "config/Language.h"
#include "config/ProgramFolders.h"
#include "wordexport/ReportExport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    using namespace kesto;
    // Its own two options; anything else is Writer's.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << "Usage: kesto-writer [SOFFICE-OPTION]...\n"
                     "Starts LibreOffice Writer so that it accepts the program's \"Copy to "
                     "Writer\",\nwith a new report from the template of the user's language. "
                     "The options are\nhanded to soffice before its own; KESTO_UNO_PIPE names "
                     "another pipe than kesto.\n"
                     "\nOptions:\n"
                     "  --help     this text\n"
                     "  --version  the version\n\n"
                     "Exit status: that of soffice; 127 when soffice cannot be started.\n";
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "kesto-writer " KESTO_VERSION "\n";
        return 0;
    }
    std::error_code error;
    std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (program.empty()) {
        program = argv[0];
    }
    const std::string reportTemplate =
        programFolders(program).reportTemplate(languageCodeFor(systemLanguageId()));
    if (reportTemplate.empty()) {
        std::cerr << "kesto-writer: no report template found; Writer starts without one\n";
    }
    std::vector<std::string> arguments{"soffice"};
    for (const std::string& a :
         writerLaunchArguments(unoPipeName(std::getenv("KESTO_UNO_PIPE")), reportTemplate,
                               std::vector<std::string>(argv + 1, argv + argc))) {
        arguments.push_back(a);
    }
    std::vector<char*> pointers;
    for (std::string& a : arguments) {
        pointers.push_back(a.data());
    }
    pointers.push_back(nullptr);
    ::execvp("soffice", pointers.data());
    std::cerr << "kesto-writer: soffice cannot be started: " << std::strerror(errno) << "\n";
    return 127;
}
