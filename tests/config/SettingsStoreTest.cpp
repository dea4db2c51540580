#include "TempProfile.h"
#include "config/Language.h"
#include "config/RegistryStore.h"
#include "config/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {
namespace {

namespace fs = std::filesystem;
using test::exists;
using test::readBytes;
using test::TempProfile;
using test::writeBytes;

constexpr const char* kKey = "[HKEY_CURRENT_USER\\Software\\Pellum\\KESTO22";

// What the main window does at start and at the end, over the real settings file.
struct ProgramRun {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    ReferenceSettings references{};
    GeneralSettings general;
    std::vector<std::string> messages;

    void load(const ChannelDefaults& defaults = builtinChannelDefaults()) {
        RegistryFileStore store(defaultRegistryFilePath());
        LoadChannelSettings(store, defaults, display);
        LoadReferenceSettings(store, references);
        LoadGeneralSettings(store, general);
        messages = store.takeMessages();
    }
    void save() {
        RegistryFileStore store(defaultRegistryFilePath());
        SaveChannelSettings(store, display);
        SaveReferenceSettings(store, references);
        SaveGeneralSettings(store, general);
    }
    ChannelDisplay& channel(Channel c) { return display[index(c)]; }
};

RegistryDocument parsedFile(const std::string& path) {
    auto parsed = RegistryDocument::parse(readBytes(path));
    EXPECT_TRUE(parsed.document) << parsed.error;
    return parsed.document ? *parsed.document : RegistryDocument{};
}

std::string fileWith(std::string_view body) {
    return "REGEDIT4\r\n\r\n" + std::string(body);
}

class SettingsFile : public ::testing::Test {
protected:
    TempProfile profile;
};

TEST_F(SettingsFile, liesInTheConfigurationFolder) {
    EXPECT_EQ(defaultRegistryFilePath(), profile.configHome() + "/Pellum/KESTO22.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(defaultRegistryFilePath(), profile.root() + "/.config/Pellum/KESTO22.reg");
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1);
    EXPECT_EQ(defaultRegistryFilePath(), profile.root() + "/.config/Pellum/KESTO22.reg");
}

TEST_F(SettingsFile, freshProfileLoadsDefaultsAndCreatesNoFile) {
    ProgramRun run;
    run.channel(Channel::O2).settings.displayName = "changed before the load";
    run.load();
    EXPECT_FALSE(exists(profile.registryFile()));
    EXPECT_TRUE(run.messages.empty());

    const LiveDisplay defaults = makeDefaultDisplay(builtinChannelDefaults());
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const auto& got = run.display[i];
        const auto& want = defaults[i];
        EXPECT_EQ(got.settings.firstName, want.settings.firstName);
        EXPECT_EQ(got.settings.displayName, want.settings.displayName);
        EXPECT_EQ(got.settings.minimum, want.settings.minimum);
        EXPECT_EQ(got.settings.maximum, want.settings.maximum);
        EXPECT_EQ(got.settings.unit, want.settings.unit);
        EXPECT_EQ(got.settings.format, want.settings.format);
        EXPECT_EQ(got.settings.colour, want.settings.colour) << i;
        EXPECT_EQ(got.label, want.label);
        EXPECT_EQ(got.minLabel, want.minLabel);
        EXPECT_EQ(got.maxLabel, want.maxLabel);
    }
    EXPECT_EQ(run.channel(Channel::O2).label, "O2 [%] ");
    EXPECT_EQ(run.channel(Channel::O2).maxLabel, "21");
    for (const auto& entry : run.references) {
        EXPECT_EQ(entry.text, "3.0");
        EXPECT_TRUE(entry.checked);
    }
    EXPECT_EQ(run.general.comPort, 1);
    EXPECT_EQ(run.general.saveFormat, 1);
    EXPECT_EQ(run.general.interval, 0);
    EXPECT_FALSE(run.general.tgasDecimals);
    EXPECT_FALSE(run.general.useMeanValue);
    EXPECT_EQ(run.general.mmcFile, "");
    EXPECT_EQ(run.general.recordingSeparator, ",");
}

TEST_F(SettingsFile, firstSaveWritesEverySectionInImportableForm) {
    ProgramRun run;
    run.load();
    run.save();
    const std::string bytes = readBytes(profile.registryFile());
    EXPECT_EQ(bytes.rfind(std::string("REGEDIT4\r\n\r\n") + kKey + "]\r\n", 0), 0u);
    for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1)) {
        ASSERT_EQ(bytes[i - 1], '\r') << "bare line feed at byte " << i;
    }
    EXPECT_NE(bytes.find(std::string(kKey) + "\\TG]\r\n\"LabelName\"=\"T Gas\"\r\n"
                                             "\"Unit\"=\"\xB0"
                                             "C\"\r\n"
                                             "\"Min\"=dword:00000000\r\n"
                                             "\"Max\"=dword:000001f4\r\n"
                                             "\"Format\"=\"0\"\r\n"
                                             "\"Color\"=\"clGray\"\r\n"
                                             "\"Divisor\"=dword:00000001\r\n"
                                             "\"AlarmAbove\"=\"\"\r\n"
                                             "\"AlarmBelow\"=\"\"\r\n\r\n"),
              std::string::npos)
        << bytes;

    const RegistryDocument doc = parsedFile(profile.registryFile());
    const std::vector<std::string> expectedSections{
        "O2",  "CO2",   "TG",    "TR",     "ETA",           "LAMBDA", "CO",        "COMG", "NO",
        "NO2", "NOXMG", "SO2",   "SO2MG",  "CXHY",          "CXHYMG", "Zug",       "Flow", "H2",
        "S6",  "COPPM", "NOPPM", "NO2PPM", "Communication", "Logger", "Meanvalue", "File", "TGas",
        "Measurement"};
    EXPECT_EQ(doc.sections(), expectedSections);
    const std::vector<std::string> channelValues{"LabelName", "Unit",       "Min",
                                                 "Max",       "Format",     "Color",
                                                 "Divisor",   "AlarmAbove", "AlarmBelow"};
    for (const auto& info : channelTable()) {
        auto names = doc.valueNames(info.key);
        if (info.key == "COMG" || info.key == "NOXMG" || info.key == "SO2MG" ||
            info.key == "CXHYMG") {
            names.resize(channelValues.size()); // followed by the reference-oxygen values
        }
        EXPECT_EQ(names, channelValues) << info.key;
    }
    EXPECT_EQ(doc.valueNames("COPPM"), (std::vector<std::string>{"RefO2", "UseReferenceO2"}));
    EXPECT_EQ(doc.valueNames("Logger"),
              (std::vector<std::string>{"SaveFormat", "Interval", "UseTab", "Separator"}));
    EXPECT_EQ(doc.find("COPPM", "UseReferenceO2")->text, "1");
    EXPECT_EQ(doc.find("Logger", "UseTab")->text, "0");
    EXPECT_EQ(doc.find("Communication", "COMPort")->type, RegistryValueType::Dword);
}

TEST_F(SettingsFile, savedSettingsComeBackAtTheNextStart) {
    ProgramRun first;
    first.load();
    auto& co = first.channel(Channel::CO).settings;
    co.minimum = -12.9f; // stored truncated toward zero
    co.maximum = 3500.7f;
    co.unit = "\xC2\xB5g/m\xC2\xB3";
    co.format = "##0.0";
    co.colour = 0x123456;
    co.alarmAbove = 200;
    first.channel(Channel::O2).settings.alarmBelow = 3.5;
    first.references[index(ReferenceEntry::NOPPM)] = {"3", false};
    first.references[index(ReferenceEntry::COMG)] = {"", true};
    first.general.comPort = 7;
    first.general.saveFormat = 2;
    first.general.interval = 60;
    first.general.tgasDecimals = true;
    first.general.useMeanValue = true;
    first.general.mmcFile = "C:\\Daten\\\"M\xC3\xA4rz\".DAT";
    first.general.measureSeconds = 60;
    first.general.measureReadings = 3;
    first.general.measureSpacing = 120;
    first.general.technician = "J\xC3\xBCrgen";
    first.save();
    EXPECT_NE(readBytes(profile.registryFile()).find("\"Color\"=\"$00123456\""), std::string::npos);

    ProgramRun second;
    second.load();
    const auto& got = second.channel(Channel::CO);
    EXPECT_EQ(got.settings.minimum, -12.0f);
    EXPECT_EQ(got.settings.maximum, 3500.0f);
    EXPECT_EQ(got.minLabel, "-12");
    EXPECT_EQ(got.maxLabel, "3500");
    EXPECT_EQ(got.settings.unit, "\xC2\xB5g/m\xC2\xB3");
    EXPECT_EQ(got.label, "CO [\xC2\xB5g/m\xC2\xB3] ");
    EXPECT_EQ(got.settings.format, "##0.0");
    EXPECT_EQ(got.settings.colour, 0x123456u);
    EXPECT_EQ(got.settings.alarmAbove, 200.0);
    EXPECT_FALSE(got.settings.alarmBelow);
    EXPECT_EQ(second.channel(Channel::O2).settings.alarmBelow, 3.5);
    EXPECT_EQ(second.references[index(ReferenceEntry::NOPPM)].text, "3");
    EXPECT_FALSE(second.references[index(ReferenceEntry::NOPPM)].checked);
    EXPECT_EQ(second.references[index(ReferenceEntry::COMG)].text, "");
    EXPECT_EQ(second.references[index(ReferenceEntry::NO2PPM)].text, "3.0");
    EXPECT_EQ(second.general.comPort, 7);
    EXPECT_EQ(second.general.saveFormat, 2);
    EXPECT_EQ(second.general.interval, 60);
    EXPECT_TRUE(second.general.tgasDecimals);
    EXPECT_TRUE(second.general.useMeanValue);
    EXPECT_EQ(second.general.mmcFile, "C:\\Daten\\\"M\xC3\xA4rz\".DAT");
    EXPECT_EQ((std::array{second.general.measureSeconds, second.general.measureReadings,
                          second.general.measureSpacing}),
              (std::array{60, 3, 120}));
    EXPECT_EQ(second.general.technician, "J\xC3\xBCrgen");
}

TEST_F(SettingsFile, editedDisplayNameLastsOnlyInLabelName) {
    ProgramRun first;
    first.load();
    first.channel(Channel::O2).settings.displayName = "Oxygen";
    first.channel(Channel::O2).label = "Oxygen [%]";
    first.save();
    EXPECT_EQ(parsedFile(profile.registryFile()).find("O2", "LabelName")->text, "Oxygen");

    ProgramRun second;
    second.load();
    EXPECT_EQ(second.channel(Channel::O2).settings.displayName, "O2");
    EXPECT_EQ(second.channel(Channel::O2).label, "O2 [%] ");
}

TEST_F(SettingsFile, valuesSetByHandFollowTheTypedRules) {
    writeBytes(profile.registryFile(),
               fileWith(std::string(kKey) + "\\Communication]\r\n\"COMPort\"=\"3\"\r\n\r\n" + kKey +
                        "\\Logger]\r\n\"UseTab\"=\"1\"\r\n\"Separator\"=\";\"\r\n"
                        "\"Interval\"=\"ten\"\r\n\"SaveFormat\"=dword:00000002\r\n\r\n" +
                        kKey +
                        "\\O2]\r\n\"Min\"=\"abc\"\r\n\"Max\"=\"25\"\r\n\"AlarmAbove\"=\"abc\"\r\n"
                        "\"Color\"=\"clPink\"\r\n\"Label\"=\"Sauerstoff\"\r\n\r\n" +
                        kKey +
                        "\\CO2]\r\n\"Min\"=dword:fffffff6\r\n\"Color\"=dword:000000ff\r\n"
                        "\"Unit\"=dword:00000005\r\n\"Format\"=hex:30,00\r\n\r\n" +
                        kKey + "\\TGas]\r\n\"Decimals\"=\"2\"\r\n\r\n" + kKey +
                        "\\Meanvalue]\r\n\"UseMeanValue\"=\"yes\"\r\n\r\n" + kKey +
                        "\\NOPPM]\r\n\"UseReferenceO2\"=\"0\"\r\n\"RefO2\"=dword:00000004"
                        "\r\n\r\n"));
    ProgramRun run;
    run.load();
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.general.comPort, 3);
    EXPECT_EQ(run.general.saveFormat, 2);
    EXPECT_EQ(run.general.interval, 0); // not a whole number: the default
    EXPECT_FALSE(run.general.useTab);
    EXPECT_EQ(run.general.separator, ",");
    EXPECT_EQ(run.general.recordingSeparator, ",");
    EXPECT_TRUE(run.general.tgasDecimals);
    EXPECT_FALSE(run.general.useMeanValue);

    const auto& o2 = run.channel(Channel::O2);
    EXPECT_EQ(o2.settings.minimum, 0.0f); // "abc": the default start
    EXPECT_EQ(o2.settings.maximum, 25.0f);
    EXPECT_EQ(o2.settings.colour, 0xFFFF00u); // unknown colour name: the channel's clAqua
    EXPECT_EQ(o2.label, "Sauerstoff");
    EXPECT_FALSE(o2.settings.alarmAbove); // not a number: no limit
    const auto& co2 = run.channel(Channel::CO2);
    EXPECT_FALSE(co2.settings.alarmAbove || co2.settings.alarmBelow); // as in earlier versions
    EXPECT_EQ(co2.settings.minimum, -10.0f);
    EXPECT_EQ(co2.minLabel, "-10");
    EXPECT_EQ(co2.settings.colour, 0x0000FFu); // a number where a text belongs: its digits
    EXPECT_EQ(co2.settings.unit, "5");
    EXPECT_EQ(co2.settings.format, "0.0"); // another type: as if missing
    EXPECT_FALSE(run.references[index(ReferenceEntry::NOPPM)].checked);
    EXPECT_EQ(run.references[index(ReferenceEntry::NOPPM)].text, "4");

    run.save();
    const RegistryDocument doc = parsedFile(profile.registryFile());
    const RegistryValue* port = doc.find("Communication", "COMPort");
    EXPECT_EQ(port->type, RegistryValueType::String); // the number goes into the text value
    EXPECT_EQ(port->text, "3");
    EXPECT_EQ(doc.find("Logger", "UseTab")->text, "0");
    EXPECT_EQ(doc.find("Logger", "Separator")->text, ",");
    EXPECT_EQ(doc.find("Logger", "Interval")->text, "0");
    EXPECT_EQ(doc.find("Logger", "SaveFormat")->type, RegistryValueType::Dword);
    EXPECT_EQ(doc.find("O2", "Min")->text, "0");
    EXPECT_EQ(doc.find("O2", "Label")->text, "Sauerstoff"); // never written, still there
    EXPECT_EQ(doc.find("CO2", "Format")->text, "0.0");
    EXPECT_EQ(doc.find("CO2", "Color")->text, "clRed");
    EXPECT_EQ(doc.find("TGas", "Decimals")->text, "1");
}

TEST_F(SettingsFile, languageDefaultsAreTheFallbacks) {
    Language language;
    auto& o2 = language.channelDefaults[index(Channel::O2)];
    o2.name = "Sauerstoff";
    o2.unit = "Vol-%";
    o2.end = "25";
    ProgramRun run;
    run.load(language.channelDefaults);
    EXPECT_EQ(run.channel(Channel::O2).settings.maximum, 25.0f);
    EXPECT_EQ(run.channel(Channel::O2).label, "Sauerstoff [Vol-%] ");
    EXPECT_EQ(run.channel(Channel::O2).settings.displayName, "Sauerstoff");
}

TEST_F(SettingsFile, handEditedFileIsReadAndWhatItHoldsIsKept) {
    const std::string edited = "\r\nREGEDIT4\n"
                               "; settings of the lab PC\n"
                               "[HKEY_CURRENT_USER\\Software\\Other]\n"
                               "\"Keep\"=\"me\"\n"
                               "\n"
                               "[hkey_current_user\\software\\pellum\\kesto22\\communication]\n"
                               "   \"comport\"  =   dword:7   \n"
                               "\"Baud\"=hex(2):31,00,32,\\\n"
                               "  00,30,00\n"
                               "; keep this comment\n"
                               "\"Note\"=\"a \\\"quoted\\\" word and a back\\\\slash\"\n"
                               "[HKEY_CURRENT_USER\\Software\\Pellum\\KESTO22\\O2\\Deeper]\n"
                               "\"x\"=dword:00000001\n"
                               "[HKEY_CURRENT_USER\\Software\\Pellum\\KESTO22\\Communication]\n"
                               "\"Extra\"=\"merged into the first\"\n"
                               "\"NOTE\"=\"a later line wins\"\n";
    writeBytes(profile.registryFile(), edited);
    ProgramRun run;
    run.load();
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.general.comPort, 7);
    run.general.comPort = 4;
    run.save();

    const std::string bytes = readBytes(profile.registryFile());
    const std::string expectedStart =
        "REGEDIT4\r\n\r\n"
        "; settings of the lab PC\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
        "\"Keep\"=\"me\"\r\n\r\n"
        "[hkey_current_user\\software\\pellum\\kesto22\\communication]\r\n"
        "\"comport\"=dword:00000004\r\n"
        "\"Baud\"=hex(2):31,00,32,\\\r\n"
        "  00,30,00\r\n"
        "; keep this comment\r\n"
        "\"Note\"=\"a later line wins\"\r\n"
        "\"Extra\"=\"merged into the first\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Pellum\\KESTO22\\O2\\Deeper]\r\n"
        "\"x\"=dword:00000001\r\n\r\n";
    EXPECT_EQ(bytes.substr(0, expectedStart.size()), expectedStart);
    const RegistryDocument doc = parsedFile(profile.registryFile());
    EXPECT_EQ(doc.find("Communication", "note")->text, "a later line wins");
    EXPECT_EQ(doc.sections().front(), "communication");
}

TEST_F(SettingsFile, utf8AndUtf16FilesAreReadAndWrittenBackAsWindows1252) {
    writeBytes(profile.registryFile(), fileWith(std::string(kKey) + "\\TR]\r\n\"Unit\"=\"\xC2\xB0"
                                                                    "F\"\r\n"));
    ProgramRun run;
    run.load();
    EXPECT_EQ(run.channel(Channel::TR).settings.unit, "\xC2\xB0"
                                                      "F");
    run.save();
    EXPECT_NE(readBytes(profile.registryFile())
                  .find("\"Unit\"=\"\xB0"
                        "F\""),
              std::string::npos);

    // What the registry editor exports: UTF-16 with the version 5 header.
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n") + kKey +
                            "\\Communication]\r\n\"COMPort\"=dword:00000009\r\n") {
        utf16 += c;
        utf16 += '\0';
    }
    writeBytes(profile.registryFile(), utf16);
    ProgramRun exported;
    exported.load();
    EXPECT_TRUE(exported.messages.empty());
    EXPECT_EQ(exported.general.comPort, 9);
}

struct MalformedCase {
    const char* name;
    std::string bytes;
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

class MalformedFile : public SettingsFile, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedFile, isSetAsideAndTheDefaultsAreUsed) {
    const std::string& bytes = GetParam().bytes;
    writeBytes(profile.registryFile(), bytes);
    writeBytes(profile.registryFile() + ".bad", "an older one");
    ProgramRun run;
    run.load();
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_NE(run.messages[0].find(profile.registryFile() + ".bad"), std::string::npos);
    EXPECT_EQ(readBytes(profile.registryFile() + ".bad"), bytes);
    EXPECT_FALSE(exists(profile.registryFile()));
    EXPECT_EQ(run.general.comPort, 1);
    EXPECT_EQ(run.channel(Channel::O2).settings.maximum, 21.0f);

    run.save();
    EXPECT_TRUE(parsedFile(profile.registryFile()).hasSection("Communication"));
    EXPECT_EQ(readBytes(profile.registryFile() + ".bad"), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MalformedFile,
    ::testing::Values(
        MalformedCase{"noHeader", "[HKEY_CURRENT_USER\\Software\\Pellum\\KESTO22\\Communication]"
                                  "\r\n\"COMPort\"=dword:00000003\r\n"},
        MalformedCase{"empty", ""},
        MalformedCase{"binary", std::string("REGEDIT4\r\n\r\n\x00\x01\x02\xFF\xFE", 17)},
        MalformedCase{"iniText", "[Communication]\r\nCOMPort=3\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFile, unreadableFileThatCannotBeSetAsideIsNeverOverwritten) {
    const std::string garbage = "not a registry file";
    writeBytes(profile.registryFile(), garbage);
    // A non-empty folder where the set-aside copy would go: the renaming fails, even for root.
    writeBytes(profile.registryFile() + ".bad/inside", "x");
    ProgramRun run;
    run.load();
    ASSERT_EQ(run.messages.size(), 1u); // told once, though every load met the file
    EXPECT_NE(run.messages[0].find("not saved"), std::string::npos);
    EXPECT_EQ(run.general.comPort, 1);
    EXPECT_THROW(run.save(), SettingsError);
    EXPECT_EQ(readBytes(profile.registryFile()), garbage);
}

TEST_F(SettingsFile, atomicSaveLeavesOnlyTheSettingsFile) {
    ProgramRun run;
    run.load();
    run.save();
    run.general.interval = 5;
    run.save();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(profile.configHome() + "/Pellum")) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"KESTO22.reg"});
}

TEST_F(SettingsFile, saveFollowsASymbolicLinkInsteadOfReplacingIt) {
    const std::string target = profile.root() + "/dotfiles/kesto.reg";
    writeBytes(target, fileWith(""));
    fs::create_directories(profile.configHome() + "/Pellum");
    fs::create_symlink(target, profile.registryFile());
    ProgramRun run;
    run.load();
    run.save();
    EXPECT_TRUE(fs::is_symlink(profile.registryFile()));
    EXPECT_TRUE(parsedFile(target).hasSection("Communication"));
}

TEST_F(SettingsFile, saveThatCannotBeWrittenReportsAnErrorAndWritesNothing) {
    // The configuration folder is a file: no folder can be made below it, even for root.
    writeBytes(profile.configHome(), "in the way");
    ProgramRun run;
    run.load();
    try {
        run.save();
        FAIL() << "the save reported success";
    } catch (const SettingsError& error) {
        EXPECT_NE(std::string(error.what()).find(profile.configHome()), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(readBytes(profile.configHome()), "in the way");
}

TEST_F(SettingsFile, saveIntoAReadOnlyFolderReportsAnError) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, which may write into read-only folders";
    }
    ProgramRun run;
    run.load();
    run.save();
    const std::string before = readBytes(profile.registryFile());
    const std::string folder = profile.configHome() + "/Pellum";
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    run.general.comPort = 9;
    EXPECT_THROW(run.save(), SettingsError);
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(readBytes(profile.registryFile()), before);
}

TEST(StoreSession, dropsTheWritesOfAnOperationThatDoesNotFinish) {
    MemoryRegistryStore store;
    try {
        StoreSession session(store);
        store.writeInteger("Communication", "COMPort", 4);
        throw std::runtime_error("stopped half-way");
    } catch (const std::runtime_error&) {
    }
    StoreSession session(store);
    EXPECT_FALSE(store.value("Communication", "COMPort"));
    EXPECT_FALSE(store.document().hasSection("Communication"));
}

TEST(TypedRules, integerAndBooleanReadingFromEveryStoredForm) {
    MemoryRegistryStore store;
    StoreSession session(store);
    store.setValue("S", "dword", RegistryValue::dword(0x80000000u));
    store.setValue("S", "text", RegistryValue::string("-42"));
    store.setValue("S", "blank", RegistryValue::string(" 4"));
    store.setValue("S", "decimal", RegistryValue::string("4.0"));
    store.setValue("S", "huge", RegistryValue::string("99999999999"));
    store.setValue("S", "other", RegistryValue{RegistryValueType::Other, {}, 0, {"hex:01"}});
    EXPECT_EQ(store.readInteger("S", "dword", 1), -2147483647 - 1);
    EXPECT_EQ(store.readInteger("S", "TEXT", 1), -42); // names ignore letter case
    EXPECT_EQ(store.readInteger("S", "blank", 1), 1);
    EXPECT_EQ(store.readInteger("S", "decimal", 1), 1);
    EXPECT_EQ(store.readInteger("S", "huge", 1), 1);
    EXPECT_EQ(store.readInteger("S", "other", 1), 1);
    EXPECT_EQ(store.readInteger("S", "missing", 8), 8);
    EXPECT_EQ(store.readInteger("Missing", "text", 8), 8);
    EXPECT_EQ(store.readString("S", "other", "d"), "d");
    EXPECT_EQ(store.readString("S", "dword", "d"), "2147483648");
    EXPECT_TRUE(store.readBoolean("S", "text", false));
    EXPECT_TRUE(store.readBoolean("S", "decimal", true));   // unreadable: default 1
    EXPECT_FALSE(store.readBoolean("S", "decimal", false)); // unreadable: default 0
    EXPECT_FALSE(store.document().hasSection("Missing"));

    store.writeInteger("S", "new", -1);
    EXPECT_EQ(store.value("S", "new")->type, RegistryValueType::Dword);
    EXPECT_EQ(store.value("S", "new")->number, 0xFFFFFFFFu);
    store.writeInteger("S", "other", 5);
    EXPECT_EQ(store.value("S", "other")->type, RegistryValueType::Dword);
    store.writeBoolean("S", "dword", true);
    EXPECT_EQ(store.value("S", "dword")->type, RegistryValueType::String);
    EXPECT_EQ(store.value("S", "dword")->text, "1");
}

} // namespace
} // namespace kesto

TEST(RecordingTimer, handEditedIntervalsCannotOverflowThePeriod) {
    EXPECT_EQ(kesto::recordingTimerMs(0), 0);
    EXPECT_EQ(kesto::recordingTimerMs(30), 30000);
    EXPECT_EQ(kesto::recordingTimerMs(-5), 0);
    EXPECT_EQ(kesto::recordingTimerMs(1000000000), 86400000);
}
