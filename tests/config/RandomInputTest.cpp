// Deterministic random input for the two file readers: real files, mutated with a fixed seed.
// The fuzz targets in fuzz/config explore further; this keeps the same checks running in CI.
#include "TempProfile.h"
#include "config/IniFile.h"
#include "config/Language.h"
#include "config/RegistryDocument.h"
#include "config/RegistryStore.h"
#include "config/Settings.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto {
namespace {

std::string mutate(std::string bytes, std::mt19937& rng) {
    static const std::string tokens[] = {"[",
                                         "]",
                                         "\"",
                                         "\\",
                                         "=",
                                         "\r\n",
                                         "\n",
                                         "\r",
                                         ";",
                                         "dword:",
                                         "hex:",
                                         "@",
                                         "\xB0",
                                         "\xC3",
                                         "\xEF\xBB\xBF",
                                         "\xFF\xFE",
                                         std::string(1, '\0'),
                                         "HKEY_CURRENT_USER\\",
                                         "REGEDIT4\r\n",
                                         "[MainFrm]\n"};
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        const std::size_t at = bytes.empty() ? 0 : rng() % (bytes.size() + 1);
        switch (rng() % 5) {
        case 0:
            if (!bytes.empty()) {
                bytes[at % bytes.size()] = static_cast<char>(rng());
            }
            break;
        case 1:
            bytes.insert(at, tokens[rng() % std::size(tokens)]);
            break;
        case 2:
            bytes.erase(at, rng() % 16);
            break;
        case 3:
            if (!bytes.empty()) {
                const std::size_t from = rng() % bytes.size();
                bytes.insert(at, bytes.substr(from, rng() % 64));
            }
            break;
        default:
            bytes.insert(at, std::string(1 + rng() % 4, static_cast<char>(rng())));
            break;
        }
    }
    return bytes;
}

std::string savedSettingsFile() {
    MemoryRegistryStore store;
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    display[0].settings.unit = "\xC2\xB0"
                               "C \"x\" \\";
    ReferenceSettings references{};
    GeneralSettings general;
    SaveChannelSettings(store, display);
    SaveReferenceSettings(store, references);
    SaveGeneralSettings(store, general);
    return store.document().serialize() +
           "[HKEY_CURRENT_USER\\Other]\r\n\"b\"=hex(2):41,00,\\\r\n  42,00\r\n; note\r\n";
}

TEST(RandomInput, registryReaderSurvivesAndItsOutputReadsBackTheSame) {
    std::mt19937 rng(20240611);
    const std::string seeds[] = {savedSettingsFile(), test::readBytes(KESTO_LANGUAGE_FILE)};
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string input = mutate(seeds[i % 2], rng);
        const auto parsed = RegistryDocument::parse(input);
        if (!parsed.document) {
            EXPECT_FALSE(parsed.error.empty());
            continue;
        }
        ++accepted;
        const std::string once = parsed.document->serialize();
        const auto again = RegistryDocument::parse(once);
        ASSERT_TRUE(again.document) << "own output refused: " << again.error;
        ASSERT_EQ(again.document->serialize(), once) << "iteration " << i;
        for (const auto& section : again.document->sections()) {
            for (const auto& name : again.document->valueNames(section)) {
                ASSERT_NE(again.document->find(section, name), nullptr);
            }
        }
    }
    EXPECT_GT(accepted, 1000); // the mutations mostly keep the file readable
}

TEST(RandomInput, languageReaderSurvivesAndKeepsItsLimits) {
    std::mt19937 rng(19700101);
    const std::string seed = test::readBytes(KESTO_LANGUAGE_FILE);
    for (int i = 0; i < 4000; ++i) {
        const IniFile ini = IniFile::parse(mutate(seed, rng));
        for (const auto& key : languageFileKeys()) {
            if (const auto value = ini.value(key.section, key.key)) {
                ASSERT_LE(value->size(), IniFile::kMaxValueLength * 4);
                ASSERT_EQ(value->find_first_of("\r\n"), std::string::npos);
            }
        }
    }
}

TEST(RandomInput, settingsOperationsSurviveDamagedFiles) {
    test::TempProfile profile;
    std::mt19937 rng(4711);
    const std::string seed = savedSettingsFile();
    for (int i = 0; i < 60; ++i) {
        test::writeBytes(profile.registryFile(), mutate(seed, rng));
        RegistryFileStore store(profile.registryFile());
        LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
        ReferenceSettings references{};
        GeneralSettings general;
        LoadChannelSettings(store, builtinChannelDefaults(), display);
        LoadReferenceSettings(store, references);
        LoadGeneralSettings(store, general);
        EXPECT_EQ(general.recordingSeparator, ",");
        SaveChannelSettings(store, display);
        SaveReferenceSettings(store, references);
        SaveGeneralSettings(store, general);
        ASSERT_TRUE(RegistryDocument::parse(test::readBytes(profile.registryFile())).document);
    }
}

} // namespace
} // namespace kesto
