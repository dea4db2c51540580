#include "TempProfile.h"
#include "config/ProgramFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace kesto {
namespace {

namespace fs = std::filesystem;
using test::TempProfile;
using test::writeBytes;

// XDG_DATA_HOME set (or unset) for the life of the object, then put back.
class DataHome {
public:
    explicit DataHome(const std::optional<std::string>& value) {
        if (const char* old = std::getenv("XDG_DATA_HOME")) {
            old_ = old;
        }
        value ? ::setenv("XDG_DATA_HOME", value->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    }
    ~DataHome() {
        old_ ? ::setenv("XDG_DATA_HOME", old_->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    }
    DataHome(const DataHome&) = delete;
    DataHome& operator=(const DataHome&) = delete;

private:
    std::optional<std::string> old_;
};

class ProgramFoldersTest : public ::testing::Test {
protected:
    // An installed tree: <root>/usr/bin/kesto and the data folder where the install puts it.
    std::string installedProgram() {
        const std::string bin = profile.root() + "/usr/bin";
        writeBytes(bin + "/kesto", "");
        fs::create_directories(fs::path(bin) / std::string(dataFolderFromProgramFolder()));
        return bin + "/kesto";
    }
    static std::string installedDataFolderFor(const std::string& programFolder) {
        return (fs::path(programFolder) / std::string(dataFolderFromProgramFolder()))
            .lexically_normal()
            .string();
    }
    std::string installedDataFolder() const {
        return installedDataFolderFor(profile.root() + "/usr/bin");
    }
    // A program in a folder of its own, such as the build tree.
    std::string programInFolder(const std::string& folder) {
        writeBytes(profile.root() + "/" + folder + "/kesto", "");
        return profile.root() + "/" + folder + "/kesto";
    }

    // Where the MMC file goes when it cannot stay beside the program.
    std::string dataHomeMmcFolder() const { return profile.root() + "/data/Pellum/KESTO22"; }

    TempProfile profile; // HOME: the profile's root
    const DataHome dataHome{profile.root() + "/data"};
};

TEST_F(ProgramFoldersTest, programInItsOwnWritableFolderKeepsItsFilesBesideIt) {
    const ProgramFolders folders = programFolders(programInFolder("build/app"));
    EXPECT_FALSE(folders.installed);
    EXPECT_EQ(folders.programFolder, profile.root() + "/build/app");
    EXPECT_EQ(folders.languageFolders, std::vector<std::string>{profile.root() + "/build/app"});
    EXPECT_EQ(folders.mmcFile(), profile.root() + "/build/app/MMC.CSV");
}

TEST_F(ProgramFoldersTest, installedProgramLooksBesideItselfThenInItsDataFolder) {
    const ProgramFolders folders = programFolders(installedProgram());
    EXPECT_TRUE(folders.installed);
    EXPECT_EQ(folders.languageFolders,
              (std::vector<std::string>{profile.root() + "/usr/bin", installedDataFolder()}));
    // The program's folder is writable here (and for root it always is): still nothing is
    // written beside an installed program.
    EXPECT_EQ(folders.mmcFile(), dataHomeMmcFolder() + "/MMC.CSV");
}

TEST_F(ProgramFoldersTest, mmcFolderFollowsTheDataHome) {
    const std::string program = installedProgram();
    struct Case {
        std::optional<std::string> xdgDataHome;
        std::string expected;
    };
    const Case cases[] = {
        {profile.root() + "/xdg", profile.root() + "/xdg/Pellum/KESTO22"},
        {std::nullopt, profile.root() + "/.local/share/Pellum/KESTO22"},
        {"", profile.root() + "/.local/share/Pellum/KESTO22"},
        // A relative data home is to be ignored.
        {"relative/data", profile.root() + "/.local/share/Pellum/KESTO22"},
    };
    for (const Case& c : cases) {
        const DataHome caseDataHome(c.xdgDataHome);
        EXPECT_EQ(programFolders(program).mmcFolder, c.expected) << c.xdgDataHome.value_or("unset");
    }
}

TEST_F(ProgramFoldersTest, programFolderThatCannotBeWrittenSendsMmcToTheDataHome) {
    // A folder that does not exist cannot be written, not even by root.
    EXPECT_EQ(programFolders(profile.root() + "/gone/kesto").mmcFolder, dataHomeMmcFolder());
}

TEST_F(ProgramFoldersTest, readOnlyProgramFolderSendsMmcToTheDataHome) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, which may write into read-only folders";
    }
    const std::string program = programInFolder("readonly");
    fs::permissions(profile.root() + "/readonly", fs::perms::owner_read | fs::perms::owner_exec);
    const ProgramFolders folders = programFolders(program);
    EXPECT_FALSE(folders.installed);
    EXPECT_EQ(folders.mmcFolder, dataHomeMmcFolder());
}

TEST_F(ProgramFoldersTest, languageFileIsTakenFromTheFirstFolderThatHasIt) {
    const std::string program = installedProgram();
    const std::string beside = profile.root() + "/usr/bin/kesto.GER";
    const std::string shipped = installedDataFolder() + "/kesto.GER";
    const ProgramFolders folders = programFolders(program);

    // Neither: the name beside the program, which reads as missing (built-in texts).
    EXPECT_EQ(folders.languageFile("GER"), beside);
    writeBytes(shipped, "[MainFrm]\r\n");
    EXPECT_EQ(folders.languageFile("GER"), shipped);
    EXPECT_EQ(folders.languageFile("FRA"), profile.root() + "/usr/bin/kesto.FRA");
    writeBytes(beside, "[MainFrm]\r\n");
    EXPECT_EQ(folders.languageFile("GER"), beside);
    // A folder of that name is not a language file.
    fs::create_directories(profile.root() + "/usr/bin/kesto.FRA");
    writeBytes(installedDataFolder() + "/kesto.FRA", "");
    EXPECT_EQ(folders.languageFile("FRA"), installedDataFolder() + "/kesto.FRA");
}

TEST_F(ProgramFoldersTest, reportTemplateIsChosenLikeTheLanguageFileWithEnglishBehind) {
    const ProgramFolders folders = programFolders(installedProgram());
    const std::string shipped = installedDataFolder() + "/kesto-report.";
    EXPECT_EQ(folders.reportTemplate("GER"), "");
    writeBytes(shipped + "ENG.ott", "");
    EXPECT_EQ(folders.reportTemplate("GER"), shipped + "ENG.ott");
    writeBytes(shipped + "GER.ott", "");
    EXPECT_EQ(folders.reportTemplate("GER"), shipped + "GER.ott");
    writeBytes(profile.root() + "/usr/bin/kesto-report.GER.ott", ""); // the user's wins
    EXPECT_EQ(folders.reportTemplate("GER"), profile.root() + "/usr/bin/kesto-report.GER.ott");
}

TEST_F(ProgramFoldersTest, languageFileInTheDataFolderIsNamedAfterTheProgramToo) {
    // A renamed program: "analyzer.bin" reads "analyzer.GER", beside it or in the data folder.
    const std::string bin = profile.root() + "/usr/bin";
    writeBytes(bin + "/analyzer.bin", "");
    fs::create_directories(installedDataFolder());
    writeBytes(installedDataFolder() + "/kesto.GER", "");
    const ProgramFolders folders = programFolders(bin + "/analyzer.bin");
    EXPECT_EQ(folders.languageFile("GER"), bin + "/analyzer.GER");
    writeBytes(installedDataFolder() + "/analyzer.GER", "");
    EXPECT_EQ(folders.languageFile("GER"), installedDataFolder() + "/analyzer.GER");
}

TEST_F(ProgramFoldersTest, dataFolderOnlyCountsWhereTheInstallPutsIt) {
    // Inside the program's own folder, or a file of that name where the install puts the
    // folder: not installed, and the program's folder is used as usual.
    const std::string program = programInFolder("tree/bin");
    fs::create_directories(profile.root() + "/tree/bin/share/kesto");
    writeBytes(installedDataFolderFor(profile.root() + "/tree/bin"), "not a folder");
    const ProgramFolders folders = programFolders(program);
    EXPECT_FALSE(folders.installed);
    EXPECT_EQ(folders.languageFolders, std::vector<std::string>{profile.root() + "/tree/bin"});
    EXPECT_EQ(folders.mmcFolder, profile.root() + "/tree/bin");
}

} // namespace
} // namespace kesto
