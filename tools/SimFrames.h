#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

// The analyzer simulator's frames: a model of a gas boiler in steady operation and the frame
// encoding the analyzer uses. Standard C++ only, so tests can check what the simulator sends.
namespace kesto::sim {

// One set of readings in physical units, as the analyzer would measure them.
struct Reading {
    double o2 = 0;       // %
    double co = 0;       // ppm
    double gasTemp = 0;  // °C
    double lambda = 0;   // excess-air ratio
    double eta = 0;      // combustion efficiency, %
    double co2 = 0;      // %
    double roomTemp = 0; // °C
    double no = 0;       // ppm
    double so2 = 0;      // ppm
    double no2 = 0;      // ppm
    double cxhy = 0;     // ppm
    double draught = 0;  // hPa, negative: the chimney pulls
    double flow = 0;     // m/s
    double h2 = 0;       // ppm
    double s6 = 0;       // ppm
};

// Natural gas: maximum CO2 of dry flue gas and the coefficients of the Siegert loss formula.
inline constexpr double kCo2Max = 11.7;
inline constexpr double kSiegertA1 = 0.37;
inline constexpr double kSiegertB = 0.009;

// CO2 % of dry flue gas at the given O2 %: CO2max * (1 - O2/21).
double co2FromO2(double o2);
// lambda = 21 / (21 - O2).
double lambdaFromO2(double o2);
// eta = 100 - (Tg - Tr) * (A1 / CO2 + B), in %.
double siegertEfficiency(double gasTemp, double roomTemp, double co2);

inline constexpr int kShortFrameWords = 13;
inline constexpr int kLongFrameWords = 16;
inline constexpr std::uint16_t kOutOfRangeO2Word = 250; // 25.0 %, beyond the accepted 21.1 %

using Words = std::array<std::uint16_t, kLongFrameWords>;

// The sixteen words in the analyzer's units: O2 tenths %, CO ppm, gas temperature °C,
// lambda hundredths, eta tenths %, CO2 tenths %, word 6 unused (0), room temperature
// tenths °C, NO, SO2, NO2, CxHy ppm, draught in hundredths hPa as offset binary (+32768),
// flow tenths m/s, H2 and S6 ppm. Signed values are stored as their two's complement.
Words encodeWords(const Reading& r);

// FF FF, the first `wordCount` words most significant byte first, FF FF.
std::vector<std::uint8_t> buildFrame(const Words& words, int wordCount);

// True when the frame's hex text holds "FFFF" only as its two delimiters, so a receiver that
// searches the hex text (at any character position) cuts exactly this frame.
bool delimitersOnlyAtEnds(std::span<const std::uint8_t> frame);

// What the sensors near zero send.
enum class NearZero {
    // As on a job: draught around 0 hPa (often -0.01 hPa, the word 7F FF), the room of a cold
    // cellar around 0 °C (-0.1 °C is FF FF), and now and then CO, NO2, H2 and S6 at -1 and the
    // flow at -0.1 m/s (FF FF again): words that hold FF FF or end in hex F.
    Field,
    // Readings away from zero, whose words never hold the hex digit pair FF.
    Calm,
};

// A slowly drifting, noisy but consistent boiler: O2 wanders between 3 and 6 %, CO2, lambda
// and the efficiency follow from it and the temperatures. The same seed gives the same run.
class BoilerModel {
public:
    explicit BoilerModel(std::uint32_t seed, NearZero nearZero = NearZero::Field);
    // The readings `seconds` after the start of the run.
    Reading at(double seconds);

private:
    double noise(double sigma);
    bool now(double probability);
    NearZero nearZero_;
    std::mt19937 rng_;
    std::normal_distribution<double> normal_{0.0, 1.0};
};

// Line noise between frames. Its bytes contain no hex digit F, so they can neither form a
// delimiter nor shift the next one.
std::vector<std::uint8_t> garbageBytes(std::mt19937& rng, std::size_t count);

} // namespace kesto::sim
