// The module's clock and the one thing it times: the invalid jump target shown for a second. The
// timing rule takes times as values; here they come from steady-clock time points.
#include <gtest/gtest.h>

#include <chrono>

#include "Tool_Sweeper_Output.hpp"
#include "qk_clock.hpp"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

TEST(QkClock, ReadsSecondsWithTheirFractions) {
    EXPECT_DOUBLE_EQ(qk::ToSeconds(Clock::time_point(milliseconds(1500))), 1.5);
    EXPECT_DOUBLE_EQ(qk::ToSeconds(Clock::time_point()), 0.0);
}

TEST(QkClock, NeverRunsBackwards) {
    double last = qk::SteadySeconds();
    for (int i = 0; i < 1000; ++i) {
        const double now = qk::SteadySeconds();
        ASSERT_GE(now, last);
        last = now;
    }
}

struct IndicationCase {
    const char *name;
    milliseconds sinceStart;  // when asked, from the start of the indication
    bool shown;
};

class InvalidTargetOnTheClock : public ::testing::TestWithParam<IndicationCase> {};

// A machine up for weeks gives large clock readings: the second must still be told to the
// millisecond.
TEST_P(InvalidTargetOnTheClock, ShowsForOneSecondFromItsStart) {
    const IndicationCase &c = GetParam();
    for (const Clock::time_point start :
         {Clock::time_point(seconds(5)), Clock::time_point(seconds(3000000))}) {
        gORVA_Tools_Sweeper::InvalidJumpTargetMonitor monitor;
        monitor.StartTimer(qk::ToSeconds(start));
        EXPECT_EQ(monitor.IsShowing(qk::ToSeconds(start + c.sinceStart)), c.shown) << qk::ToSeconds(start);
    }
}

INSTANTIATE_TEST_SUITE_P(Times, InvalidTargetOnTheClock,
                         ::testing::Values(IndicationCase{"AtTheStart", milliseconds(0), true},
                                           IndicationCase{"JustBeforeTheSecond", milliseconds(999), true},
                                           IndicationCase{"AtTheSecond", milliseconds(1000), false},
                                           IndicationCase{"Later", milliseconds(60000), false},
                                           IndicationCase{"ClockWentBack", milliseconds(-1), false}),
                         [](const ::testing::TestParamInfo<IndicationCase> &test) {
                             return test.param.name;
                         });

}  // namespace
