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

constexpr int kIntMin = -2147483647 - 1;
constexpr int kIntMax = 2147483647;

TEST(QkSpinAngleTracker, OutOfRangeStartHasAngleZero) {
    for (int start : {-1, 4, 5, -6, kIntMin, kIntMax}) {
        qk::SpinAngleTracker tracker(start);
        EXPECT_EQ(tracker.GetSectorAngleIndex(), start);
        EXPECT_EQ(tracker.GetAngleRad(), 0.0) << start;
    }
}

TEST(QkSpinAngleTracker, SpinFromAnOutOfRangeStartTurnsOnFromAngleZero) {
    for (int start : {-1, 4, 5, -6, kIntMin, kIntMax}) {
        qk::SpinAngleTracker clockwise(start);
        clockwise.Spin90(qk::SPIN_CLOCKWISE);
        EXPECT_EQ(clockwise.GetSectorAngleIndex(), 1) << start;
        EXPECT_EQ(clockwise.GetAngleRad(), 1.5707963267948966) << start;
        qk::SpinAngleTracker counter(start);
        counter.Spin90(qk::SPIN_COUNTER_CLOCKWISE);
        EXPECT_EQ(counter.GetSectorAngleIndex(), 3) << start;
        qk::SpinAngleTracker unknown(start);
        unknown.Spin90(static_cast<qk::SPIN_DIRECTION>(2));
        EXPECT_EQ(unknown.GetSectorAngleIndex(), start);
    }
}

TEST(QkSpinAngleTracker, SetIndexCountsQuarterTurnsModuloFour) {
    // Owners turn by a count of quarters (a half turn is index + 2) and expect the sector it ends in.
    const int cases[][2] = {{-1, 3}, {4, 0}, {5, 1}, {-6, 2}, {7, 3}, {kIntMin, 0}, {kIntMax, 3}};
    for (const auto &c : cases) {
        qk::SpinAngleTracker tracker;
        tracker.SetSectorAngleIndex(c[0]);
        EXPECT_EQ(tracker.GetSectorAngleIndex(), c[1]) << c[0];
    }
    qk::SpinAngleTracker tracker(3);
    tracker.SetSectorAngleIndex(tracker.GetSectorAngleIndex() + 2);
    EXPECT_EQ(tracker.GetAngleRad(), 1.5707963267948966);
}

}  // namespace
