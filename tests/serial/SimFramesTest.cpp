#include "TestSupport.h"
#include "acquisition/DisplayRefresh.h"
#include "acquisition/FrameDecoder.h"
#include "tools/SimFrames.h"

#include <QTest>

#include <algorithm>
#include <cmath>

using kesto::Channel;
namespace sim = kesto::sim;

namespace {

// What the program shows for one decoded frame, without reference correction or means.
struct Shown {
    bool accepted = false;
    kesto::LiveDisplay display;
    double value(Channel c) const { return display[kesto::index(c)].value; }
};

class Receiver {
public:
    Receiver() : decoder_(texts_, clock_, &messages_) {
        for (auto& entry : references_) {
            entry.checked = false;
        }
        display_ = kesto::makeDefaultDisplay(kesto::builtinChannelDefaults());
    }

    // Feeds bytes a second after the previous ones (outside the decoder's quiet time).
    Shown receive(const std::vector<std::uint8_t>& bytes) {
        clock_.tick += 1000;
        const auto before = decoder_.counters().framesAccepted;
        decoder_.onLineQuiet(clock_.tick - 60);
        decoder_.onBytes(bytes, clock_.tick - 60);
        decoder_.onLineQuiet(clock_.tick);
        kesto::RefreshLiveDisplay(texts_, options_, means_, references_, display_);
        return {decoder_.counters().framesAccepted > before, display_};
    }
    const kesto::FrameDecoder& decoder() const { return decoder_; }
    const std::vector<std::string>& messages() const { return messages_.messages; }

private:
    kesto::test::ManualClock clock_;
    kesto::test::RecordingMessages messages_;
    kesto::ReceivedTexts texts_{};
    kesto::FrameDecoder decoder_;
    kesto::RefreshOptions options_;
    kesto::MeanValues means_;
    kesto::ReferenceSettings references_{};
    kesto::LiveDisplay display_;
};

} // namespace

class SimFramesTest : public QObject {
    Q_OBJECT

private slots:
    // Ten simulated minutes per case: every frame is read exactly and accepted, and what the
    // program shows is physically consistent. On a job (the default) the readings near zero
    // put FF FF and words ending in hex F into the frames; calm readings never do.
    void simulatedFramesAreAcceptedAndConsistent_data() {
        QTest::addColumn<int>("words");
        QTest::addColumn<uint>("seed");
        QTest::addColumn<bool>("calm");
        for (const uint seed : {1u, 2u, 12345u}) {
            for (const bool calm : {false, true}) {
                const char* kind = calm ? "calm" : "near zero";
                QTest::addRow("13 words, %s, seed %u", kind, seed) << 13 << seed << calm;
                QTest::addRow("16 words, %s, seed %u", kind, seed) << 16 << seed << calm;
            }
        }
    }
    void simulatedFramesAreAcceptedAndConsistent() {
        QFETCH(int, words);
        QFETCH(uint, seed);
        QFETCH(bool, calm);
        sim::BoilerModel model(seed, calm ? sim::NearZero::Calm : sim::NearZero::Field);
        Receiver rx;
        double o2Min = 100;
        double o2Max = -100;
        int hiddenDelimiters = 0;
        int draughtMinus001 = 0;
        auto within = [](double v, double lo, double hi) { return v >= lo - 1e-4 && v <= hi + 1e-4; };
        for (int t = 0; t < 600; ++t) {
            const auto frame = sim::buildFrame(sim::encodeWords(model.at(t)), words);
            QCOMPARE(frame.size(), static_cast<std::size_t>(2 * words + 4));
            hiddenDelimiters += sim::delimitersOnlyAtEnds(frame) ? 0 : 1;
            draughtMinus001 += frame[26] == 0x7F && frame[27] == 0xFF ? 1 : 0;
            const Shown s = rx.receive(frame);
            QVERIFY2(s.accepted, qPrintable(QString("t=%1").arg(t)));

            const double o2 = s.value(Channel::O2);
            o2Min = std::min(o2Min, o2);
            o2Max = std::max(o2Max, o2);
            QVERIFY(o2 >= 3.0 && o2 <= 6.0);
            // CO2 in tenths, lambda in hundredths, eta in tenths: each within its rounding.
            QVERIFY(std::abs(s.value(Channel::CO2) - sim::kCo2Max * (1 - o2 / 21)) <= 0.051);
            QVERIFY(std::abs(s.value(Channel::LAMBDA) - 21 / (21 - o2)) <= 0.0051);
            const double tg = s.value(Channel::TG);
            const double tr = s.value(Channel::TR);
            const double co2 = s.value(Channel::CO2);
            QVERIFY(tg >= 120 && tg <= 180);
            QVERIFY(calm ? within(tr, 18, 22) : within(tr, -0.5, 0.8));
            QVERIFY(std::abs(s.value(Channel::ETA) - (100 - (tg - tr) * (0.37 / co2 + 0.009))) <=
                    0.051);
            QVERIFY(s.value(Channel::ETA) > 85 && s.value(Channel::ETA) < 99);
            const double co = s.value(Channel::CO);
            QVERIFY((co >= 5 && co <= 40) || (!calm && co == -1));
            QVERIFY(s.value(Channel::NO) >= 30 && s.value(Channel::NO) <= 60);
            // NO2 below zero is shown as 0.
            const double no2 = s.value(Channel::NO2);
            QVERIFY((no2 >= 1 && no2 <= 5) || (!calm && no2 == 0));
            QVERIFY(s.value(Channel::SO2) >= 0 && s.value(Channel::SO2) <= 2);
            QVERIFY(s.value(Channel::CXHY) >= 0 && s.value(Channel::CXHY) <= 10);
            // Draught arrives as offset binary in hundredths of a hPa.
            const double zug = s.value(Channel::Zug);
            QVERIFY2(calm ? within(zug, -0.15, -0.05) : within(zug, -0.03, 0.03),
                     qPrintable(QString::number(zug)));
            const double flow = s.value(Channel::Flow);
            if (words == 16) {
                QVERIFY(within(flow, 2, 5) || (!calm && within(flow, -0.1, -0.1)));
            } else {
                QCOMPARE(flow, 0.0);
            }
        }
        // The oxygen drifts across its band rather than sitting still.
        QVERIFY2(o2Max - o2Min >= 1.5, qPrintable(QString("%1..%2").arg(o2Min).arg(o2Max)));
        QCOMPARE(rx.decoder().counters().framesRejected, 0u);
        QVERIFY(rx.messages().empty());
        if (calm) {
            QCOMPARE(hiddenDelimiters, 0);
            QCOMPARE(draughtMinus001, 0);
        } else {
            QVERIFY2(hiddenDelimiters > 60, qPrintable(QString::number(hiddenDelimiters)));
            QVERIFY2(draughtMinus001 > 150, qPrintable(QString::number(draughtMinus001)));
        }
    }

    void outOfRangeOxygenIsRejectedByTheProgram() {
        sim::BoilerModel model(3);
        auto words = sim::encodeWords(model.at(0));
        words[0] = sim::kOutOfRangeO2Word;
        Receiver rx;
        const Shown s = rx.receive(sim::buildFrame(words, 13));
        QVERIFY(!s.accepted);
        QCOMPARE(rx.decoder().counters().framesRejected, 1u);
        QCOMPARE(rx.messages(), std::vector<std::string>{" O2 range error"});
    }

    // Noise before each frame is dropped with the buffer; no frame is lost or shifted.
    void garbageBetweenFramesCostsNoFrame() {
        sim::BoilerModel model(4);
        std::mt19937 rng(99);
        Receiver rx;
        for (int t = 0; t < 300; ++t) {
            auto bytes = sim::garbageBytes(rng, 1 + static_cast<std::size_t>(t % 16));
            QVERIFY(std::none_of(bytes.begin(), bytes.end(), [](std::uint8_t b) {
                return (b >> 4) == 0xF || (b & 0xF) == 0xF;
            }));
            const auto frame = sim::buildFrame(sim::encodeWords(model.at(t)), 16);
            bytes.insert(bytes.end(), frame.begin(), frame.end());
            QVERIFY2(rx.receive(bytes).accepted, qPrintable(QString("t=%1").arg(t)));
        }
        QCOMPARE(rx.decoder().counters().framesAccepted, 300u);
    }

    void delimiterCheckFindsHiddenDelimiters_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("clean");
        QTest::newRow("example frame") << kesto::test::exampleFrame() << true;
        QTest::newRow("FF FF in the payload")
            << QByteArray::fromHex("FFFF0069FFFF00B4FFFF") << false;
        QTest::newRow("odd-aligned FFFF") << QByteArray::fromHex("FFFF001FFFF200B4FFFF") << false;
        QTest::newRow("last nibble F before the end")
            << QByteArray::fromHex("FFFF0069000FFFFF") << false;
        QTest::newRow("first nibble F after the start")
            << QByteArray::fromHex("FFFFF0690000FFFF") << false;
    }
    void delimiterCheckFindsHiddenDelimiters() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, clean);
        const std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
        QCOMPARE(sim::delimitersOnlyAtEnds(bytes), clean);
    }
};

int runSimFramesTest(int argc, char** argv) {
    SimFramesTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "SimFramesTest.moc"
