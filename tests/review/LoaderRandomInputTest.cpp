// Deterministic random input for the recording loader: recordings as the recorder writes them,
// mutated with a fixed seed. fuzz/review explores further; this keeps the checks in CI.
#include "review/RecordingLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <unistd.h>

namespace kesto {
namespace {

std::string mutate(std::string bytes, std::mt19937& rng) {
    static const std::string tokens[] = {",",
                                         ",,",
                                         "\"",
                                         "\"\"",
                                         "\r\n",
                                         "\n",
                                         "\r",
                                         "\t",
                                         " ",
                                         "0",
                                         ".",
                                         ":",
                                         "-",
                                         "e",
                                         "E99",
                                         "\xB0",
                                         "\xC3",
                                         "\xEF\xBB\xBF",
                                         std::string(1, '\0'),
                                         "PM",
                                         "31.02.",
                                         "99:99:99",
                                         "1e39",
                                         "nan",
                                         "inf"};
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        const std::size_t at = bytes.empty() ? 0 : rng() % (bytes.size() + 1);
        switch (rng() % 3) {
        case 0:
            bytes.insert(at, tokens[rng() % std::size(tokens)]);
            break;
        case 1:
            if (!bytes.empty()) {
                bytes.erase(std::min(at, bytes.size() - 1), 1 + rng() % 12);
            }
            break;
        default:
            if (!bytes.empty()) {
                bytes[std::min(at, bytes.size() - 1)] = static_cast<char>(rng() % 256);
            }
            break;
        }
    }
    return bytes;
}

// A recording of `lines` data lines, mutated `rounds` times. The large one passes 16 MB: the
// loader reads it from its file in pieces, and the table reads its rows back from the file.
struct Size {
    int lines;
    int rounds;
};

class LoaderRandomInput : public ::testing::TestWithParam<Size> {};

TEST_P(LoaderRandomInput, anyBytesGiveAConsistentTableAndNeverMoreRecordsThanLines) {
    std::string sample = "dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
                         "C],TRoom,Eta,Lambda,CO,COmg,NO,NO2,NOx,SO2,SO2mg,CxHy,CxHymg,Zug,"
                         "Flow,H2,S6\r\n";
    for (int i = 0; i < GetParam().lines; ++i) {
        sample += "05.03.2024,02:07:" + std::to_string(10 + i % 50) +
                  "PM,20.9,0.0,180,21.0,88.0,1.50,50,63,40,5,70,0,0,0,0,2.5,3.7,12,-4\r\n";
    }
    const bool viaFile = sample.size() > 16u << 20;
    const std::string path =
        ::testing::TempDir() + "kesto-random-" + std::to_string(::getpid()) + ".CSV";
    std::mt19937 rng(20240305);
    for (int round = 0; round < GetParam().rounds; ++round) {
        const std::string bytes = mutate(sample, rng);
        DateTimePatterns patterns;
        if (viaFile) {
            std::ofstream(path, std::ios::binary) << bytes;
        }
        const RecordingLoad r = viaFile ? loadRecordingFile(path, patterns, 2024)
                                        : loadRecording(bytes, patterns, 2024);
        const RecordingTable& t = r.table;
        ASSERT_EQ(t.rowCount(), t.lineCount() + (r.error ? 1 : 2)) << round;
        ASSERT_LT(r.records.size(), std::max<std::size_t>(t.lineCount(), 1)) << round;
        ShownLine line;
        for (std::size_t row = 0; row < t.lineCount(); ++row) {
            ASSERT_TRUE(t.line(row, line)) << round;
            ASSERT_LE(line.shown(), RecordingTable::kColumns) << round;
            for (std::size_t c = 0; c < line.shown(); ++c) {
                ASSERT_FALSE(line.fields[c].empty()) << round; // empty fields show as "0"
            }
        }
        for (std::size_t i = 0; i < r.records.size(); ++i) {
            for (float v : r.records[i].values) {
                ASSERT_TRUE(std::isfinite(v)) << round;
            }
        }
    }
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(LoaderRandomInput, LoaderRandomInput,
                         ::testing::Values(Size{20, 3000}, Size{200000, 4}),
                         [](const auto& info) { return std::to_string(info.param.lines) + "Lines"; });

} // namespace
} // namespace kesto
