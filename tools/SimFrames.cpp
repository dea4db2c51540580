#include "tools/SimFrames.h"

#include "acquisition/FrameDecoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace kesto::sim {
namespace {

double wave(double seconds, double periodSeconds, double phase = 0.0) {
    return std::sin(2.0 * std::numbers::pi * seconds / periodSeconds + phase);
}

std::uint16_t toWord(double value) {
    const long v = std::lround(value);
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v, -32768L, 32767L)));
}

} // namespace

double co2FromO2(double o2) {
    return kCo2Max * (1.0 - o2 / 21.0);
}

double lambdaFromO2(double o2) {
    return 21.0 / (21.0 - o2);
}

double siegertEfficiency(double gasTemp, double roomTemp, double co2) {
    return 100.0 - (gasTemp - roomTemp) * (kSiegertA1 / co2 + kSiegertB);
}

Words encodeWords(const Reading& r) {
    Words w{};
    w[0] = toWord(r.o2 * 10);
    w[1] = toWord(r.co);
    w[2] = toWord(r.gasTemp);
    w[3] = toWord(r.lambda * 100);
    w[4] = toWord(r.eta * 10);
    w[5] = toWord(r.co2 * 10);
    w[6] = 0;
    w[7] = toWord(r.roomTemp * 10);
    w[8] = toWord(r.no);
    w[9] = toWord(r.so2);
    w[10] = toWord(r.no2);
    w[11] = toWord(r.cxhy);
    w[12] = static_cast<std::uint16_t>(32768 +
                                       std::clamp(std::lround(r.draught * 100), -32767L, 32767L));
    w[13] = toWord(r.flow * 10);
    w[14] = toWord(r.h2);
    w[15] = toWord(r.s6);
    return w;
}

std::vector<std::uint8_t> buildFrame(const Words& words, int wordCount) {
    const auto n = static_cast<std::size_t>(std::clamp(wordCount, 0, kLongFrameWords));
    return encodeFrame(std::span(words.data(), n));
}

bool delimitersOnlyAtEnds(std::span<const std::uint8_t> frame) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(frame.size() * 2);
    for (const std::uint8_t b : frame) {
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 0x0F]);
    }
    if (hex.size() < 8 || hex.find("FFFF") != 0) {
        return false;
    }
    // The next "FFFF" after the opening one must be the closing delimiter.
    return hex.find("FFFF", 1) == hex.size() - 4;
}

BoilerModel::BoilerModel(std::uint32_t seed, NearZero nearZero)
    : nearZero_(nearZero), rng_(seed) {}

double BoilerModel::noise(double sigma) {
    return sigma * normal_(rng_);
}

bool BoilerModel::now(double probability) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < probability;
}

Reading BoilerModel::at(double t) {
    Reading r;
    // The burner modulates slowly; the excess air follows with a shorter ripple on top.
    r.o2 = std::clamp(4.5 + 1.0 * wave(t, 420) + 0.3 * wave(t, 97, 0.7) + noise(0.05), 3.0, 6.0);
    r.gasTemp = std::clamp(150.0 + 18.0 * wave(t, 600, 1.0) + noise(0.5), 120.0, 180.0);
    const bool field = nearZero_ == NearZero::Field;
    r.roomTemp = field ? std::clamp(0.1 + 0.4 * wave(t, 1800) + noise(0.1), -0.5, 0.8)
                       : std::clamp(20.0 + 0.5 * wave(t, 1800) + noise(0.05), 18.0, 22.0);

    // The derived quantities are computed from the values as sent (O2 in tenths, temperatures
    // in the frame's resolution), so a receiver finds them consistent to the last digit.
    const double o2Sent = std::round(r.o2 * 10) / 10;
    r.o2 = o2Sent;
    r.gasTemp = std::round(r.gasTemp);
    r.roomTemp = std::round(r.roomTemp * 10) / 10;
    r.co2 = std::round(co2FromO2(o2Sent) * 10) / 10;
    r.lambda = lambdaFromO2(o2Sent);
    r.eta = siegertEfficiency(r.gasTemp, r.roomTemp, r.co2);

    // Less excess air, more CO.
    r.co = std::clamp(5.0 + 6.0 * (6.0 - o2Sent) + noise(2.0), 5.0, 40.0);
    r.no = std::clamp(45.0 + 10.0 * wave(t, 300, 2.0) + noise(1.0), 30.0, 60.0);
    r.no2 = std::clamp(3.0 + 1.5 * wave(t, 300, 2.0) + noise(0.3), 1.0, 5.0);
    r.so2 = std::clamp(1.0 + noise(0.5), 0.0, 2.0);
    r.cxhy = std::clamp(4.0 + 3.0 * wave(t, 250) + noise(1.0), 0.0, 10.0);
    r.draught = std::clamp(-0.10 + 0.03 * wave(t, 180) + noise(0.005), -0.15, -0.05);
    r.flow = std::clamp(3.5 + 1.0 * wave(t, 360, 0.3) + noise(0.1), 2.0, 5.0);
    r.h2 = std::clamp(2.0 + noise(1.0), 0.0, 5.0);
    r.s6 = 0;
    if (field) {
        // A weak chimney: the draught drifts about zero, -0.01 hPa most of the time.
        r.draught = now(0.4) ? -0.01 : std::clamp(0.01 * std::round(2 * wave(t, 180) + noise(1.0)),
                                                     -0.03, 0.03);
        // Sensors that drift below zero now and then.
        for (double* v : {&r.co, &r.no2, &r.h2, &r.s6}) {
            if (now(0.1)) {
                *v = -1;
            }
        }
        if (now(0.1)) {
            r.flow = -0.1;
        }
    }
    return r;
}

std::vector<std::uint8_t> garbageBytes(std::mt19937& rng, std::size_t count) {
    std::uniform_int_distribution<int> nibble(0, 14);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(nibble(rng) << 4 | nibble(rng));
    }
    return bytes;
}

} // namespace kesto::sim
