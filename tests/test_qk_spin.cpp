#include <gtest/gtest.h>

#include "qk_tool_spin_angle_tracker.hpp"

namespace {

TEST(QkSpinAngleTracker, AnglePerSector) {
    const double expected[4] = {0.0, 1.5707963267948966, 3.141592653589793, -1.5707963267948966};
    for (int index = 0; index < 4; ++index) {
        qk::SpinAngleTracker tracker(index);
        EXPECT_EQ(tracker.GetSectorAngleIndex(), index);
        EXPECT_EQ(tracker.GetAngleRad(), expected[index]) << index;
    }
}

TEST(QkSpinAngleTracker, ClockwiseWrapsAfterFourSpins) {
    for (int start = 0; start < 4; ++start) {
        qk::SpinAngleTracker tracker(start);
        for (int step = 1; step <= 4; ++step) {
            tracker.Spin90(qk::SPIN_CLOCKWISE);
            EXPECT_EQ(tracker.GetSectorAngleIndex(), (start + step) % 4);
        }
    }
}

TEST(QkSpinAngleTracker, CounterClockwiseFromZeroWrapsToThree) {
    qk::SpinAngleTracker tracker(0);
    tracker.Spin90(qk::SPIN_COUNTER_CLOCKWISE);
    EXPECT_EQ(tracker.GetSectorAngleIndex(), 3);
    EXPECT_EQ(tracker.GetAngleRad(), -1.5707963267948966);
    tracker.Spin90(qk::SPIN_COUNTER_CLOCKWISE);
    EXPECT_EQ(tracker.GetSectorAngleIndex(), 2);
    tracker.Spin90(qk::SPIN_CLOCKWISE);
    EXPECT_EQ(tracker.GetSectorAngleIndex(), 3);
}

TEST(QkSpinAngleTracker, UnknownDirectionLeavesIndex) {
    qk::SpinAngleTracker tracker(2);
    tracker.Spin90(static_cast<qk::SPIN_DIRECTION>(2));
    tracker.Spin90(static_cast<qk::SPIN_DIRECTION>(-1));
    EXPECT_EQ(tracker.GetSectorAngleIndex(), 2);
}

TEST(QkSpinAngleTracker, OutOfRangeStartIsWrappedIntoASector) {
    const int cases[][2] = {{-1, 3}, {4, 0}, {5, 1}, {-6, 2}, {-2147483647 - 1, 0}};
    for (const auto &c : cases) {
        qk::SpinAngleTracker tracker(c[0]);
        EXPECT_EQ(tracker.GetSectorAngleIndex(), c[1]) << c[0];
        tracker.Spin90(qk::SPIN_CLOCKWISE);
        EXPECT_EQ(tracker.GetSectorAngleIndex(), (c[1] + 1) % 4) << c[0];
    }
    qk::SpinAngleTracker tracker;
    tracker.SetSectorAngleIndex(7);
    EXPECT_EQ(tracker.GetSectorAngleIndex(), 3);
}

}  // namespace
