#include "TempProfile.h"
#include "config/IniFile.h"
#include "config/Language.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

using test::TempProfile;
using test::writeBytes;

class LanguageFile : public ::testing::Test {
protected:
    std::string write(std::string_view bytes) {
        const std::string path = profile.root() + "/kesto.GER";
        writeBytes(path, bytes);
        return path;
    }
    TempProfile profile;
};

TEST_F(LanguageFile, missingFileGivesTheBuiltInTexts) {
    const Language language = loadLanguage(profile.root() + "/nothing.GER");
    const LanguageTexts builtin;
    EXPECT_EQ(language.texts.file, "File");
    EXPECT_EQ(language.texts.setup, "Setup");
    EXPECT_EQ(language.texts.help, "Help");
    EXPECT_EQ(language.texts.actual, "Actual");
    EXPECT_EQ(language.texts.teste, "Teste");
    EXPECT_EQ(language.texts.von, "von");
    EXPECT_EQ(language.texts.viewDataRecording, "View data");
    EXPECT_EQ(language.texts.restartMessage, builtin.restartMessage);
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const auto& got = language.channelDefaults[i];
        const auto& want = builtinChannelDefaults()[i];
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.unit, want.unit);
        EXPECT_EQ(got.start, want.start);
        EXPECT_EQ(got.end, want.end);
        EXPECT_EQ(got.format, want.format);
    }
}

TEST_F(LanguageFile, oneKeyChangesOnlyItsOwnDefault) {
    const Language language = loadLanguage(write("[O2Section]\r\nEnd=25\r\n"));
    EXPECT_EQ(language.channelDefaults[index(Channel::O2)].end, "25");
    EXPECT_EQ(language.channelDefaults[index(Channel::O2)].start, "0");
    EXPECT_EQ(language.channelDefaults[index(Channel::O2)].name, "O2");
    EXPECT_EQ(language.channelDefaults[index(Channel::CO2)].end, "25");
    EXPECT_EQ(language.channelDefaults[index(Channel::TG)].end, "500");
    EXPECT_EQ(language.texts.file, "File");
}

TEST_F(LanguageFile, flowFormatStaysOneDecimalWhateverTheFileSays) {
    const Language language =
        loadLanguage(write("[FlowSection]\nFormat=0.000\nName=Str\xF6mung\n[H2Section]\n"
                           "Format=0.000\n"));
    EXPECT_EQ(language.channelDefaults[index(Channel::Flow)].format, "0.0");
    EXPECT_EQ(language.channelDefaults[index(Channel::Flow)].name, "Str\xC3\xB6mung");
    EXPECT_EQ(language.channelDefaults[index(Channel::H2)].format, "0.000");
}

TEST_F(LanguageFile, readsWithWindowsProfileRules) {
    const Language language = loadLanguage(write("\xEF\xBB\xBF; comment\r\n"
                                                 "  [ mainfrm ]  \r\n"
                                                 "FILE = Fichier  \r\n"
                                                 ";Quit=never\r\n"
                                                 "quit=Quitter\r\n"
                                                 "Quit=second one is ignored\r\n"
                                                 "Help\r\n" // no "=": not a key
                                                 "[TGSECTION]\r\n"
                                                 "unit=\xC2\xB0"
                                                 "F\r\n"
                                                 "[LambdaSection]\r\n"
                                                 "Unit=\" \"\r\n" // quotes keep the one blank
                                                 "Name='Luft'\r\n"
                                                 "[MainFrm]\r\n" // a repeated section is not read
                                                 "Help=Aide\r\n"));
    EXPECT_EQ(language.texts.file, "Fichier");
    EXPECT_EQ(language.texts.quit, "Quitter");
    EXPECT_EQ(language.texts.help, "Help");
    EXPECT_EQ(language.channelDefaults[index(Channel::TG)].unit, "\xC2\xB0"
                                                                 "F");
    EXPECT_EQ(language.channelDefaults[index(Channel::LAMBDA)].unit, " ");
    EXPECT_EQ(language.channelDefaults[index(Channel::LAMBDA)].name, "Luft");
}

TEST_F(LanguageFile, windows1252DegreeSignReadsAsUtf8) {
    const Language language = loadLanguage(write("[TRSection]\r\nUnit=\xB0"
                                                 "C\r\nName=T Raum\r\n"));
    EXPECT_EQ(language.channelDefaults[index(Channel::TR)].unit, "\xC2\xB0"
                                                                 "C");
}

TEST_F(LanguageFile, startOrEndThatIsNoWholeNumberKeepsTheBuiltInValue) {
    const Language language = loadLanguage(
        write("[O2Section]\nEnd=25.5\n[CO2Section]\nStart=abc\nEnd=\n[TGSection]\nStart=-20\n"));
    EXPECT_EQ(language.channelDefaults[index(Channel::O2)].end, "21");
    EXPECT_EQ(language.channelDefaults[index(Channel::CO2)].start, "0");
    EXPECT_EQ(language.channelDefaults[index(Channel::CO2)].end, "25");
    EXPECT_EQ(language.channelDefaults[index(Channel::TG)].start, "-20");
}

TEST_F(LanguageFile, cutsValuesAt2047Characters) {
    const std::string longValue(3000, 'x');
    const Language language = loadLanguage(write("[MainFrm]\nFile=" + longValue + "\n"));
    EXPECT_EQ(language.texts.file, std::string(2047, 'x'));
    // Counted in characters, not bytes: a two-byte character is one.
    std::string umlauts;
    for (int i = 0; i < 3000; ++i) {
        umlauts += "\xC3\xA4";
    }
    const IniFile ini = IniFile::parse("[a]\nb=" + umlauts + "\n");
    EXPECT_EQ(ini.value("a", "b")->size(), 2047u * 2);
}

TEST(ShippedGermanFile, holdsEveryKeyTheProgramReads) {
    const std::string bytes = test::readBytes(KESTO_LANGUAGE_FILE);
    ASSERT_FALSE(bytes.empty());
    const IniFile ini = IniFile::parse(bytes);
    for (const auto& key : languageFileKeys()) {
        EXPECT_TRUE(ini.value(key.section, key.key).has_value())
            << "[" << key.section << "] " << key.key;
    }
    // Windows-1252 with CRLF: no bare LF, and the umlauts are single bytes.
    EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1);
    for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1)) {
        ASSERT_EQ(bytes[i - 1], '\r') << "bare line feed at byte " << i;
    }
    EXPECT_NE(bytes.find("Gro\xDF"
                         "anzeige"),
              std::string::npos);
}

TEST(ShippedGermanFile, givesGermanTextsAndTheChannelTable) {
    const Language language = loadLanguage(KESTO_LANGUAGE_FILE);
    EXPECT_EQ(language.texts.file, "Datei");
    EXPECT_EQ(language.texts.setup, "Einstellungen");
    EXPECT_EQ(language.texts.parameters, "Kommunikation");
    EXPECT_EQ(language.texts.changePrinter, "Drucker w\xC3\xA4hlen");
    EXPECT_EQ(language.texts.bigDisplay, "Gro\xC3\x9F"
                                         "anzeige");
    EXPECT_EQ(language.texts.restartMessage,
              "Programm neu starten, damit die \xC3\x84nderungen wirksam werden.");
    const auto& defaults = language.channelDefaults;
    EXPECT_EQ(defaults[index(Channel::TG)].unit, "\xC2\xB0"
                                                 "C");
    EXPECT_EQ(defaults[index(Channel::TR)].name, "T Raum");
    EXPECT_EQ(defaults[index(Channel::LAMBDA)].unit, " ");
    EXPECT_EQ(defaults[index(Channel::Flow)].name, "Str\xC3\xB6mung");
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const auto& builtin = builtinChannelDefaults()[i];
        EXPECT_EQ(defaults[i].start, builtin.start) << i;
        EXPECT_EQ(defaults[i].end, builtin.end) << i;
        EXPECT_EQ(defaults[i].format, builtin.format) << i;
        EXPECT_EQ(defaults[i].unit, builtin.unit) << i;
    }
}

TEST(LanguageCode, followsTheSystemLanguage) {
    const std::pair<std::uint16_t, std::string> cases[] = {
        {0x0407, "GER"}, {0x0807, "GER"}, {0x0C07, "GER"}, {0x1007, "ENG"}, {0x040C, "FRA"},
        {0x080C, "FRA"}, {0x0C0C, "FRA"}, {0x100C, "FRA"}, {0x140C, "ENG"}, {0x0413, "HOL"},
        {0x0813, "HOL"}, {0x0410, "ITA"}, {0x0810, "ITA"}, {0x040A, "SPA"}, {0x080A, "SPA"},
        {0x0C0A, "SPA"}, {0x2C0A, "ENG"}, {0x0409, "ENG"}, {0x0000, "ENG"},
    };
    for (const auto& [id, code] : cases) {
        EXPECT_EQ(languageCodeFor(id), code) << std::hex << id;
    }
}

TEST(LanguageCode, localeNamesGiveWindowsIdentifiers) {
    const std::pair<std::string, std::uint16_t> cases[] = {
        {"de_DE.UTF-8", 0x0407}, {"de_CH", 0x0807},
        {"de_AT.utf8", 0x0C07},  {"de_DE@euro", 0x0407},
        {"de", 0x0407},          {"de_BE.UTF-8", 0x0407},
        {"fr_FR", 0x040C},       {"fr_BE", 0x080C},
        {"fr_CA", 0x0C0C},       {"fr_CH", 0x100C},
        {"nl_NL", 0x0413},       {"nl_BE", 0x0813},
        {"it_IT", 0x0410},       {"it_CH", 0x0810},
        {"es_ES", 0x0C0A},       {"es_MX", 0x080A},
        {"en_US.UTF-8", 0x0409}, {"en_GB", 0x0809},
        {"C", 0x0409},           {"POSIX", 0x0409},
        {"C.UTF-8", 0x0409},     {"", 0x0409},
        {"xx_YY", 0x0409},       {"DE-de", 0x0407},
    };
    for (const auto& [locale, id] : cases) {
        EXPECT_EQ(languageIdForLocale(locale), id) << locale;
    }
    EXPECT_EQ(languageIdStatusText(0x0407), "LID:1031");
}

TEST(LanguageCode, systemLanguageComesFromTheLocaleVariablesInOrder) {
    const auto keep = [](const char* name) {
        const char* v = std::getenv(name);
        return std::pair<bool, std::string>(v != nullptr, v ? v : "");
    };
    const auto all = keep("LC_ALL"), messages = keep("LC_MESSAGES"), lang = keep("LANG");
    ::setenv("LC_ALL", "", 1);
    ::setenv("LC_MESSAGES", "fr_FR.UTF-8", 1);
    ::setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(systemLanguageId(), 0x040C);
    ::setenv("LC_ALL", "it_IT", 1);
    EXPECT_EQ(systemLanguageId(), 0x0410);
    const auto restore = [](const char* name, const std::pair<bool, std::string>& v) {
        v.first ? ::setenv(name, v.second.c_str(), 1) : ::unsetenv(name);
    };
    restore("LC_ALL", all);
    restore("LC_MESSAGES", messages);
    restore("LANG", lang);
}

TEST(LanguageCode, languageFileLiesBesideTheProgram) {
    EXPECT_EQ(languageFilePath("/opt/kesto/bin/kesto", "GER"), "/opt/kesto/bin/kesto.GER");
    EXPECT_EQ(languageFilePath("C:/Programme/KESTO.EXE", "FRA"), "C:/Programme/KESTO.FRA");
    EXPECT_EQ(languageFilePath("/opt/k.d/kesto", "GER"), "/opt/k.d/kesto.GER");
    EXPECT_EQ(languageFilePath("kesto", "ENG"), "kesto.ENG");
}

} // namespace
} // namespace kesto
