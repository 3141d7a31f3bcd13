#include "app/FrameStats.hpp"

#include <gtest/gtest.h>

using namespace qel;
using namespace std::chrono_literals;

TEST(FrameStats, ReportsTheMeanOfEachPhaseEveryHalfSecond)
{
    FrameStats stats;
    const FrameStats::Clock::time_point start{};
    stats.restart(start);
    std::optional<std::string> report;
    // 30 frames in half a second; the last frame's update takes longer.
    for (int frame = 1; frame <= 30; ++frame) {
        stats.add(FrameStats::Update, frame == 30 ? 31ms : 1ms);
        stats.add(FrameStats::Windows, 500us);
        stats.add(FrameStats::Present, 2ms);
        report = stats.endFrame(start + frame * 500ms / 30, 3 << 20);
        if (frame < 30) {
            ASSERT_FALSE(report) << "frame " << frame;
        }
    }
    ASSERT_TRUE(report);
    EXPECT_EQ(report->substr(0, report->rfind('\n') + 1), "fps       60.0\n"
                                                          "update    2.00 ms\n"
                                                          "windows   0.50 ms\n"
                                                          "present   2.00 ms\n"
                                                          "Lua heap   3.0 MB\n");
    EXPECT_EQ(report->find("process "), report->rfind('\n') + 1) << "and the process's memory last";

    stats.add(FrameStats::Update, 100ms);
    EXPECT_FALSE(stats.endFrame(start + 600ms, 0)) << "a new half second began";
    report = stats.endFrame(start + 1000ms, 0);
    ASSERT_TRUE(report);
    EXPECT_NE(report->find("fps        4.0\nupdate   50.00 ms\n"), std::string::npos) << *report;
    EXPECT_GT(FrameStats::processBytes(), 1u << 20) << "a running test holds more than a megabyte";
}
