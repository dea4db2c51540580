#include "review/BackgroundLoad.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kesto {
namespace {

// Reads "forever" in pieces until told to stop; what it read is one table row per piece.
RecordingLoad endlessFile(const std::string&, DateTimePatterns&, int, LoadProgress* progress) {
    RecordingLoad load;
    for (std::uint64_t piece = 1; progress->keepGoing(piece, 4 * piece); ++piece) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    load.stopped = true;
    return load;
}

TEST(BackgroundLoad, stoppedEndsWithWhatWasReadAndAbandonedTellsNobody) {
    for (const bool abandon : {false, true}) {
        std::atomic<int> told{0};
        auto load = BackgroundLoad::start(endlessFile, "f.csv", {}, 2024,
                                          [&told](const auto&) { ++told; });
        EXPECT_FALSE(load->waitFor(std::chrono::milliseconds(20))); // still reading
        EXPECT_FALSE(load->take());
        for (int i = 0; i < 1000 && load->fraction() == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_DOUBLE_EQ(load->fraction(), 0.25);
        if (abandon) {
            load->abandon();
        } else {
            load->stop();
        }
        ASSERT_TRUE(load->waitFor(std::chrono::seconds(10)));
        EXPECT_EQ(told, abandon ? 0 : 1);
        const auto result = load->take();
        ASSERT_TRUE(result);
        EXPECT_TRUE(result->stopped);
        EXPECT_FALSE(load->take()); // once only
    }
}

} // namespace
} // namespace kesto
