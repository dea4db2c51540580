#include "platform/qt/ToneBeeper.h"
#include "tests/WindowTestSupport.h"

#include <QFileInfo>
#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <semaphore>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

// A player that holds its tone until the test lets it go.
struct HeldPlayer {
    std::binary_semaphore started{0};
    std::binary_semaphore release{0};
    std::atomic<int> calls{0};
    std::atomic<int> frequency{0};
    std::atomic<int> duration{0};
    bool result = true;

    ToneBeeper::TonePlayer player() {
        return [this](int frequencyHz, int durationMs) {
            frequency = frequencyHz;
            duration = durationMs;
            ++calls;
            started.release();
            release.acquire();
            return result;
        };
    }
};

} // namespace

class ToneBeeperTest : public QObject {
    Q_OBJECT

private slots:
    void beepReturnsWhileTheToneIsStillPlaying() {
        HeldPlayer held;
        int fallbacks = 0;
        ToneBeeper beeper(held.player(), [&fallbacks] { ++fallbacks; });

        beeper.beep();
        // The call is back although the tone cannot have finished: the player is held.
        QVERIFY(held.started.try_acquire_for(5s));
        QVERIFY(beeper.isPlaying());
        QCOMPARE(held.frequency.load(), 1000);
        QCOMPARE(held.duration.load(), 200);

        held.release.release();
        QTRY_VERIFY(!beeper.isPlaying());
        QCOMPARE(held.calls.load(), 1);
        QCOMPARE(fallbacks, 0);
    }

    void beepWhilePlayingIsDropped() {
        HeldPlayer held;
        ToneBeeper beeper(held.player(), [] {});
        beeper.beep();
        QVERIFY(held.started.try_acquire_for(5s));
        beeper.beep();
        beeper.beep();
        held.release.release();
        QTRY_VERIFY(!beeper.isPlaying());
        // Nothing was queued behind the first tone.
        QVERIFY(!held.started.try_acquire_for(50ms));
        QCOMPARE(held.calls.load(), 1);

        beeper.beep(); // the next alarm second plays again
        QVERIFY(held.started.try_acquire_for(5s));
        held.release.release();
        QTRY_VERIFY(!beeper.isPlaying());
        QCOMPARE(held.calls.load(), 2);
    }

    void noSoundDeviceFallsBackToTheSystemBeepOnTheUiThread() {
        const auto uiThread = std::this_thread::get_id();
        int fallbacks = 0;
        bool onUiThread = false;
        ToneBeeper beeper([](int, int) { return false; },
                          [&] {
                              ++fallbacks;
                              onUiThread = std::this_thread::get_id() == uiThread;
                          });
        beeper.beep();
        QTRY_COMPARE(fallbacks, 1);
        QVERIFY(onUiThread);
        QTRY_VERIFY(!beeper.isPlaying());
        beeper.beep();
        QTRY_COMPARE(fallbacks, 2);
    }

    void realPlayerFinishesOrFallsBack() {
        std::atomic<int> fallbacks{0};
        {
            ToneBeeper beeper(ToneBeeper::alsaTone(), [&fallbacks] { ++fallbacks; });
            beeper.beep();
            QTRY_VERIFY_WITH_TIMEOUT(!beeper.isPlaying(), 10000);
            if (!QFileInfo::exists(QStringLiteral("/dev/snd")) &&
                qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
                // No sound card: the tone cannot play, so the system beep stands in.
                QTRY_COMPARE(fallbacks.load(), 1);
            }
        }
    }

    void destroyingWhilePlayingWaitsForTheToneAndCallsNothingAfterwards_data() {
        QTest::addColumn<bool>("played");
        QTest::newRow("tone played") << true;
        QTest::newRow("no device") << false;
    }
    void destroyingWhilePlayingWaitsForTheToneAndCallsNothingAfterwards() {
        QFETCH(bool, played);
        HeldPlayer held;
        held.result = played;
        int fallbacks = 0;
        auto beeper = std::make_unique<ToneBeeper>(held.player(), [&fallbacks] { ++fallbacks; });
        beeper->beep();
        QVERIFY(held.started.try_acquire_for(5s));
        std::thread releaser([&held] {
            std::this_thread::sleep_for(20ms);
            held.release.release();
        });
        beeper.reset(); // joins the worker once the tone is done
        releaser.join();
        QCoreApplication::processEvents();
        QCOMPARE(held.calls.load(), 1);
        QCOMPARE(fallbacks, 0);
    }
};

int runToneBeeperTests(int argc, char** argv) {
    ToneBeeperTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace kesto::test

#include "ToneBeeperTest.moc"
