// Deterministic random input for the recording loader: recordings as the recorder writes them,
// mutated with a fixed seed. fuzz/review explores further; this keeps the checks in CI.
#include "review/RecordingLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

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

TEST(LoaderRandomInput, anyBytesGiveAConsistentTableAndNeverMoreRecordsThanLines) {
    std::string sample = "dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
                         "C],TRoom,Eta,Lambda,CO,COmg,NO,NO2,NOx,SO2,SO2mg,CxHy,CxHymg,Zug,"
                         "Flow,H2,S6\r\n";
    for (int i = 0; i < 20; ++i) {
        sample += "05.03.2024,02:07:" + std::to_string(10 + i) +
                  "PM,20.9,0.0,180,21.0,88.0,1.50,50,63,40,5,70,0,0,0,0,2.5,3.7,12,-4\r\n";
    }
    std::mt19937 rng(20240305);
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = mutate(sample, rng);
        DateTimePatterns patterns;
        const RecordingLoad r = loadRecording(bytes, patterns, 2024);
        const RecordingTable& t = r.table;
        ASSERT_EQ(t.rowCount(), t.lineCount() + (r.error ? 1 : 2)) << round;
        ASSERT_LT(r.records.size(), std::max<std::size_t>(t.lineCount(), 1)) << round;
        for (std::size_t row = 0; row < t.lineCount(); ++row) {
            ASSERT_LE(t.fieldCount(row), RecordingTable::kColumns) << round;
            for (std::size_t c = 0; c < t.fieldCount(row); ++c) {
                ASSERT_FALSE(t.cell(row, c).empty()) << round; // empty fields show as "0"
            }
        }
        for (const ChannelRecord& rec : r.records) {
            for (float v : rec.values) {
                ASSERT_TRUE(std::isfinite(v)) << round;
            }
        }
    }
}

} // namespace
} // namespace kesto
