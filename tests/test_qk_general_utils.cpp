#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lx_wrap.hpp"
#include "lx_command.hpp"
#include "lx_value.hpp"
#include "lxu_prefvalue.hpp"
#include "qk_general_utils.hpp"
#include "tests/test_support.hpp"

namespace {

namespace fs = std::filesystem;

constexpr const char *kAngleMultiples = "gORVA_01_EdgeChecker_AngleMultiples";
constexpr const char *kMinEdgeLength = "gORVA_01_EdgeChecker_MinEdgeLength";

using QkGeneralUtils = HostTest;

TEST(QkGeneralUtilsNoConfig, UndefinedUserValuesYieldTheCallersDefault) {
    const fs::path empty = fs::path(::testing::TempDir()) / "gorva_qk_empty_config";
    fs::remove_all(empty);
    fs::create_directories(empty);
    gorva::host::Host host(empty.string());
    EXPECT_EQ(qk::GetUserValueInt(kAngleMultiples, 2), 2);
    EXPECT_DOUBLE_EQ(qk::GetUserValueFloat(kMinEdgeLength, 0.125), 0.125);
    EXPECT_EQ(qk::QueryCommand(kAngleMultiples), "");
}

TEST_F(QkGeneralUtils, UnknownNameYieldsTheDefault) {
    EXPECT_EQ(qk::GetUserValueInt("gORVA_01_NoSuchValue", 2), 2);
    EXPECT_EQ(qk::GetUserValueInt("gORVA_01_NoSuchValue", -7), -7);
    EXPECT_DOUBLE_EQ(qk::GetUserValueFloat("gORVA_01_NoSuchValue", 1.5), 1.5);
    EXPECT_EQ(qk::QueryCommand("gORVA_01_NoSuchValue"), "");
}

TEST_F(QkGeneralUtils, DefinedUserValueWinsOverTheDefault) {
    std::string error;
    ASSERT_TRUE(host.SetUserValue(kAngleMultiples, "1", error)) << error;
    ASSERT_TRUE(host.SetUserValue(kMinEdgeLength, "0.25", error)) << error;
    EXPECT_EQ(qk::GetUserValueInt(kAngleMultiples, 2), 1);
    EXPECT_DOUBLE_EQ(qk::GetUserValueFloat(kMinEdgeLength, 0.0), 0.25);
    EXPECT_EQ(qk::QueryCommand(kAngleMultiples), "1");
}

TEST_F(QkGeneralUtils, PreferencesReadThroughTheHost) {
    host.SetPreference(LXsPREFERENCE_VALUE_ACCURACY_UP_AXIS, "2");
    host.SetPreference("gorva.test.scale", "0.75");
    EXPECT_EQ(qk::GetPreferenceInt(LXsPREFERENCE_VALUE_ACCURACY_UP_AXIS, 1), 2);
    EXPECT_DOUBLE_EQ(qk::GetPreferenceFloat("gorva.test.scale", 1.0), 0.75);
}

TEST_F(QkGeneralUtils, UnknownPreferenceYieldsTheDefault) {
    EXPECT_EQ(qk::GetPreferenceInt("gorva.no.such.pref", 1), 1);
    EXPECT_DOUBLE_EQ(qk::GetPreferenceFloat("gorva.no.such.pref", 0.5), 0.5);
}

TEST_F(QkGeneralUtils, RefSystemNotSetIsEmptyText) {
    host.refSystem.clear();
    EXPECT_EQ(qk::QueryCommandString("item.refSystem"), "");
}

TEST_F(QkGeneralUtils, RefSystemIdentityIsReturned) {
    host.refSystem = "mesh003";
    EXPECT_EQ(qk::QueryCommandString("item.refSystem"), "mesh003");
}

/// `count` characters cycling through the alphabet.
std::string Letters(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text.push_back(char('a' + i % 26));
    return text;
}

TEST_F(QkGeneralUtils, LongRefSystemIdentityIsCutTo255Characters) {
    const std::string ident = Letters(300);
    host.refSystem = ident;
    // The host writes a text that does not fit cut, and reports the short buffer as a failure.
    CLxUser_CommandService commands;
    CLxUser_Command cmd;
    CLxUser_ValueArray values;
    ASSERT_TRUE(commands.NewCommand(cmd, "item.refSystem"));
    ASSERT_TRUE(commands.QueryIndex(cmd, 0, values));
    char buf[256];
    EXPECT_TRUE(LXx_FAIL(values.GetString(0, buf, sizeof buf)));
    EXPECT_EQ(std::string(buf), ident.substr(0, 255));

    EXPECT_EQ(qk::QueryCommandString("item.refSystem"), ident.substr(0, 255));
}

TEST_F(QkGeneralUtils, RefSystemIdentityOf255CharactersComesBackWhole) {
    const std::string ident = Letters(255);
    host.refSystem = ident;
    EXPECT_EQ(qk::QueryCommandString("item.refSystem"), ident);
}

TEST_F(QkGeneralUtils, UnknownCommandQueryIsEmptyText) {
    EXPECT_EQ(qk::QueryCommandString("gorva.no.such.command"), "");
}

}  // namespace
