// What the four commands share: flags, the five selection notifiers, and the message of a disabled
// command coming from its last failing check.
#include <gtest/gtest.h>

#include <string>

#include "lx_command.hpp"
#include "qk_command.hpp"
#include "test_support.hpp"

namespace {

struct FlagCase {
    const char *server;
    unsigned flags;
};

class CommandFlags : public HostTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(CommandFlags, AreTheFixedWordOfTheCommand) {
    ILxUnknownID obj = static_cast<ILxUnknownID>(host.SpawnServer(GetParam().server));
    ASSERT_NE(obj, nullptr);
    CLxUser_Command cmd;
    ASSERT_TRUE(cmd.take(obj));
    unsigned flags = 0;
    ASSERT_EQ(cmd.Flags(&flags), LXe_OK);
    EXPECT_EQ(flags, GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(Servers, CommandFlags,
                         ::testing::Values(FlagCase{"gORVA.Cmd.AddLightAtPolyPos", 0x6000000u},
                                           FlagCase{"gORVA.Cmd.SelectbyHeight", 0x6000080u},
                                           FlagCase{"gORVA.Cmd.SelectbyNormal", 0x6000080u},
                                           FlagCase{"gORVA.Cmd.SelectEdgesbyAlignment", 0x6000080u}));

TEST(CommandNotifiers, FiveSelectEventsThenNothing) {
    const char *expected[5] = {"vertex +d", "edge +d", "polygon +d", "ptag +d", "item +d"};
    for (int i = 0; i < 5; ++i) {
        std::string name, args;
        ASSERT_TRUE(qk::SelectionNotifier(i, name, args)) << i;
        EXPECT_EQ(name, "select.event");
        EXPECT_EQ(args, expected[i]);
    }
    for (int i : {5, 6, -1}) {
        std::string name = "untouched", args = "untouched";
        EXPECT_FALSE(qk::SelectionNotifier(i, name, args)) << i;
        EXPECT_EQ(name, "untouched");
        EXPECT_EQ(args, "untouched");
    }
}

// The SDK's basic command takes its message object from the host when it is made.
class CommandBase : public HostTest {};

TEST_F(CommandBase, AnswersTheSharedNotifiers) {
    // Every registered command is a qk::Command and cannot replace these (checked when compiled).
    struct Probe : qk::Command {
        int basic_CmdFlags() override { return 0; }
    };
    Probe probe;
    std::string name, args;
    EXPECT_TRUE(probe.basic_Notifier(2, name, args));
    EXPECT_EQ(name, "select.event");
    EXPECT_EQ(args, "polygon +d");
    name = args = "untouched";
    EXPECT_FALSE(probe.basic_Notifier(5, name, args));
    EXPECT_EQ(args, "untouched");
}

}  // namespace
