#include "acquisition/Acquisition.h"
#include "AcquisitionFakes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kesto::test {
namespace {

class LinkSupervisionTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.tick = 0;
        ASSERT_FALSE(acq.OpenAnalyzerPort(1).has_value());
    }
    void frameAt(std::uint32_t tick) {
        clock.tick = tick;
        sendBurst(acq.decoder(), frameBytes(goodWords()), tick);
        ASSERT_EQ(acq.decoder().lastFrameTick(), tick);
    }
    bool allTextsNoValue() const {
        return std::all_of(acq.texts().begin(), acq.texts().end(),
                           [](const std::string& t) { return t == "-"; });
    }
    int noDataMessages() const {
        return static_cast<int>(
            std::count(window.messages.begin(), window.messages.end(), kNoDataMessage));
    }
    const ChannelDisplay& channel(Channel c) const { return acq.display()[index(c)]; }

    FakeClock clock;
    FakeSerialLink link;
    FakeMessageWindow window;
    FakeAlarm alarm;
    LiveAcquisition acq{clock, link, window, alarm};
};

TEST_F(LinkSupervisionTest, silentLinkInvalidatesAllChannelsAndAlarmsWhileWindowVisible) {
    frameAt(10000);
    clock.tick = 15001;
    acq.COMTimerGetData();
    EXPECT_TRUE(allTextsNoValue());
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        EXPECT_FALSE(acq.display()[i].valid) << channelKey(channelAt(i));
        EXPECT_EQ(acq.display()[i].value, 0.0f) << channelKey(channelAt(i));
    }
    EXPECT_EQ(noDataMessages(), 1);
    EXPECT_TRUE(alarm.timerOn);

    // Once a second while the link stays silent.
    clock.advance(1000);
    acq.COMTimerGetData();
    EXPECT_EQ(noDataMessages(), 2);
}

TEST_F(LinkSupervisionTest, silentLinkWithHiddenWindowNeitherReportsNorAlarms) {
    window.visible = false;
    frameAt(10000);
    clock.tick = 20000;
    acq.COMTimerGetData();
    EXPECT_TRUE(allTextsNoValue());
    EXPECT_FALSE(channel(Channel::O2).valid);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_FALSE(alarm.timerOn);
}

TEST_F(LinkSupervisionTest, exactlyFiveSecondsIsNotYetSilence) {
    frameAt(10000);
    clock.tick = 15000;
    acq.COMTimerGetData();
    EXPECT_EQ(acq.texts()[0], "105");
    EXPECT_TRUE(channel(Channel::O2).valid);
    EXPECT_EQ(noDataMessages(), 0);
}

TEST_F(LinkSupervisionTest, framesEveryTwoSecondsKeepChannelsValid) {
    // Frames at 10 s, 12 s, ...; acquisition cycles half a second after each full second.
    int cycles = 0;
    for (std::uint32_t t = 10000; t < 70000; t += 500) {
        if (t % 2000 == 0) {
            frameAt(t);
        }
        if (t % 1000 == 500) {
            clock.tick = t;
            acq.COMTimerGetData();
            ++cycles;
            ASSERT_TRUE(channel(Channel::O2).valid) << "at " << t;
        }
    }
    EXPECT_EQ(cycles, 60);
    EXPECT_EQ(noDataMessages(), 0);
    EXPECT_FALSE(alarm.timerOn);
}

TEST_F(LinkSupervisionTest, firstCycleAfterStartIsSilentWithoutFrames) {
    clock.tick = 5001; // no frame yet: the last frame time is 0
    acq.COMTimerGetData();
    EXPECT_TRUE(allTextsNoValue());
    EXPECT_EQ(noDataMessages(), 1);
}

TEST_F(LinkSupervisionTest, tickWrapBetweenFramesIsNotSilence) {
    frameAt(0xFFFFF000u);
    clock.tick = 0x00000100u; // 4352 ms later
    acq.COMTimerGetData();
    EXPECT_TRUE(channel(Channel::O2).valid);
    EXPECT_EQ(noDataMessages(), 0);

    clock.tick = 0x00000F00u; // 7936 ms after the frame
    acq.COMTimerGetData();
    EXPECT_FALSE(channel(Channel::O2).valid);
    EXPECT_EQ(noDataMessages(), 1);
}

TEST_F(LinkSupervisionTest, rejectedFramesCountAsSilence) {
    frameAt(10000);
    for (std::uint32_t t = 11000; t <= 16000; t += 1000) {
        clock.tick = t;
        auto words = goodWords();
        words[0] = 212;
        sendBurst(acq.decoder(), frameBytes(words), t);
    }
    acq.COMTimerGetData();
    EXPECT_FALSE(channel(Channel::O2).valid);
    EXPECT_EQ(noDataMessages(), 1);
}

TEST_F(LinkSupervisionTest, alarmBeepsOnlyWhileWindowVisible) {
    acq.Timer1Timer();
    EXPECT_EQ(alarm.beeps, 1);
    window.visible = false;
    acq.Timer1Timer();
    EXPECT_EQ(alarm.beeps, 1);
}

TEST_F(LinkSupervisionTest, dataReturningRestoresChannels) {
    clock.tick = 20000;
    acq.COMTimerGetData();
    ASSERT_FALSE(channel(Channel::O2).valid);
    frameAt(20500);
    clock.tick = 21000;
    acq.COMTimerGetData();
    EXPECT_TRUE(channel(Channel::O2).valid);
    EXPECT_FLOAT_EQ(channel(Channel::O2).value, 10.5f);
}

// Cycles once a second from now; returns how often the port was opened meanwhile.
int cyclesFor(LiveAcquisition& acq, FakeClock& clock, FakeSerialLink& link, int seconds) {
    const int before = link.opens;
    for (int i = 0; i < seconds; ++i) {
        clock.advance(1000);
        acq.COMTimerGetData();
    }
    return link.opens - before;
}

TEST_F(LinkSupervisionTest, lostPortIsReopenedQuietlyAboutEveryTwoSeconds) {
    link.opened = false; // the adapter was pulled out; the port closed itself
    acq.markPortLost("COM1: connection lost");
    link.openError = "COM1: no device";
    EXPECT_EQ(cyclesFor(acq, clock, link, 6), 3);
    EXPECT_EQ(window.messages.front(), "COM1: connection lost");
    EXPECT_TRUE(acq.portLost());

    link.openError.reset(); // plugged in again
    EXPECT_EQ(cyclesFor(acq, clock, link, 2), 1);
    EXPECT_TRUE(link.opened);
    EXPECT_EQ(link.port, 1);
    EXPECT_FALSE(acq.portLost());
    EXPECT_EQ(cyclesFor(acq, clock, link, 4), 0);
    EXPECT_EQ(std::count(window.messages.begin(), window.messages.end(), "COM1: port reopened"), 1);
    frameAt(clock.tick + 10);
    EXPECT_EQ(acq.texts()[0], "105");
}

TEST_F(LinkSupervisionTest, portClosedOnPurposeOrNeverOpenedIsNotRetried) {
    acq.markPortLost();
    acq.CloseAnalyzerPort();
    EXPECT_EQ(cyclesFor(acq, clock, link, 5), 0);

    LiveAcquisition fresh{clock, link, window, alarm};
    fresh.markPortLost();
    EXPECT_EQ(cyclesFor(fresh, clock, link, 5), 0);
}

TEST_F(LinkSupervisionTest, deviceThatCouldNotBeOpenedIsRetriedByItsPathQuietly) {
    link.openError = "gone";
    ASSERT_TRUE(acq.OpenAnalyzerPath("/dev/ttyUSB0").has_value());
    acq.markPortLost();
    link.openError.reset();
    window.visible = false; // no message while the window is hidden
    EXPECT_EQ(cyclesFor(acq, clock, link, 2), 1);
    EXPECT_TRUE(link.opened);
    EXPECT_EQ(link.path, "/dev/ttyUSB0");
    EXPECT_TRUE(window.messages.empty());
}

TEST(PortOpening, openingSetsAllTextsToNoValueAndOpensThePort) {
    FakeClock clock;
    FakeSerialLink link;
    FakeMessageWindow window;
    FakeAlarm alarm;
    LiveAcquisition acq{clock, link, window, alarm};
    acq.texts()[3] = "150";
    EXPECT_FALSE(acq.OpenAnalyzerPort(7).has_value());
    EXPECT_TRUE(link.opened);
    EXPECT_EQ(link.port, 7);
    for (const auto& t : acq.texts()) {
        EXPECT_EQ(t, "-");
    }
    acq.CloseAnalyzerPort();
    EXPECT_FALSE(link.opened);

    link.openError = "busy";
    EXPECT_EQ(acq.OpenAnalyzerPort(3), std::optional<std::string>("busy"));
}

TEST(PortOpening, failedProbeLeavesPortClosedSilently) {
    FakeClock clock;
    FakeSerialLink link;
    FakeMessageWindow window;
    FakeAlarm alarm;
    LiveAcquisition acq{clock, link, window, alarm};
    link.probeSucceeds = false;
    EXPECT_FALSE(acq.probeAndOpen(4));
    EXPECT_EQ(link.probedPort, 4);
    EXPECT_FALSE(link.opened);
    EXPECT_TRUE(window.messages.empty());

    link.probeSucceeds = true;
    EXPECT_TRUE(acq.probeAndOpen(4));
    EXPECT_TRUE(link.opened);
    EXPECT_EQ(link.port, 4);
}

} // namespace
} // namespace kesto::test
