// Values that used to be misread without a word: line ends of every kind, a byte-order mark,
// numbers in other notations or below single precision, integers past 32 bits, fractions for whole
// numbers, unknown preferences, an empty command name and an argument name without its value. Each
// is read as written or refused with the place and the reason.
#include <gtest/gtest.h>

#include <cmath>

#include <cfloat>
#include <sstream>

#include "host/host.hpp"
#include "tests/support/shapes.hpp"
#include "host/scripting/script_runner.hpp"
#include "tests/test_reliability_support.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;

namespace {

struct ObjValue {
    const char *text;
    float expected;  // the first coordinate as read
};

class ObjValuesReadAsWritten : public ::testing::TestWithParam<ObjValue> {};

struct ObjRefusal {
    const char *text;
    int line;
    const char *reason;
};

class ObjValuesRefused : public ::testing::TestWithParam<ObjRefusal> {};

}  // namespace

TEST_P(ObjValuesReadAsWritten, ToTheNearestSinglePrecisionValue) {
    ObjFile file;
    std::string error;
    ASSERT_TRUE(ParseObjText(std::string(GetParam().text) + " 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", file, error))
        << error;
    const float read = file.objects.at(0).points.at(0)[0];
    EXPECT_EQ(read, GetParam().expected);
    EXPECT_EQ(std::signbit(read), std::signbit(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Values, ObjValuesReadAsWritten,
                         ::testing::Values(ObjValue{"v 1e-40", 1e-40f}, ObjValue{"v -0.0", -0.0f},
                                           ObjValue{"v +.5", 0.5f}, ObjValue{"v 1.", 1.0f},
                                           ObjValue{"v 2.5E+2", 250.0f}, ObjValue{"v 010", 10.0f},
                                           // A zero mantissa is zero whatever the exponent.
                                           ObjValue{"v 0.e+3808", 0.0f}, ObjValue{"v -0e-999", -0.0f},
                                           // Just above the halfway point between 1 and the next
                                           // float: rounded once, not through a double.
                                           ObjValue{"v 1.00000005960464477539062500001", 1.00000012f}));

TEST_P(ObjValuesRefused, WithTheLineAndTheReason) {
    ObjFile file;
    std::string error;
    EXPECT_FALSE(ParseObjText(GetParam().text, file, error));
    EXPECT_NE(error.find("t.obj:" + std::to_string(GetParam().line) + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_TRUE(file.objects.empty());
}

INSTANTIATE_TEST_SUITE_P(Values, ObjValuesRefused,
                         ::testing::Values(ObjRefusal{"v 0x10 0 0\n", 1, "\"0x10\" is not a decimal number"},
                                           ObjRefusal{"v 0 0 0\nvn 0 0 0x1p3\n", 2, "not a decimal number"},
                                           ObjRefusal{"v 0 0 0\nvt 0 0X1\n", 2, "not a decimal number"},
                                           ObjRefusal{"v infinity 0 0\n", 1, "not a decimal number"},
                                           ObjRefusal{"v 1e 0 0\n", 1, "not a decimal number"},
                                           ObjRefusal{"v 1e-300 0 0\n", 1, "too small for single precision"},
                                           ObjRefusal{"v 0 0 0\nv 0 -1e-46 0\n", 2,
                                                      "too small for single precision"}));

TEST(ObjLines, EveryLineEndCountsAndAByteOrderMarkIsSkipped) {
    const char *bodies[] = {
        "v 0 0 0\rv 1 0 0\rv 0 1 0\rf 1 2 3\r", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3",
        "v 0 0 0\nv 1 0 0\rv 0 1 0\r\nf 1 2 3\n", "\xEF\xBB\xBFv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"};
    for (const char *body : bodies) {
        ObjFile file;
        std::string error;
        ASSERT_TRUE(ParseObjText(body, file, error)) << error;
        ASSERT_EQ(file.objects.size(), 1u) << body;
        EXPECT_EQ(file.objects[0].points.size(), 3u);
        EXPECT_EQ(file.Polygons(file.objects[0]).size(), 1u);
    }
    ObjFile file;
    std::string error;
    EXPECT_FALSE(ParseObjText("# old Mac file\rv 0 0 0\rv 1 x 0\r", file, error));
    EXPECT_NE(error.find("t.obj:3: "), std::string::npos) << error;
}

namespace {

bool RunText(Host &host, const std::string &text, std::string &err, ScriptStats &stats) {
    std::istringstream in(text);
    std::ostringstream out;
    bool ok = RunScript(host, in, "s.gorva", ScriptOptions(), out, stats);
    err = out.str();
    return ok;
}

}  // namespace

TEST(ScriptLines, EveryLineEndCountsAndAByteOrderMarkIsSkipped) {
    for (const char *text : {"item.create locator A\ritem.create locator B\r",
                             "\xEF\xBB\xBFitem.create locator A\r\nitem.create locator B"}) {
        Host host;
        std::string err;
        ScriptStats stats;
        EXPECT_TRUE(RunText(host, text, err, stats)) << err;
        EXPECT_EQ(stats.commands, 2u);
        EXPECT_EQ(host.scene.Items().size(), 2u);
    }
}

TEST(ScriptLines, AnEmptyCommandNameOrABareArgumentNameIsRefused) {
    struct Case {
        const char *line;
        const char *reason;
    } cases[] = {{"\"\"", "s.gorva:2: \"\": a command name is needed"},
                 {"\"\" item.create", "s.gorva:2: \"\" item.create: a command name is needed"},
                 {"render x.png width:", "s.gorva:2: render: argument \"width\" has no value"},
                 {"render x.png width: height:64", "s.gorva:2: render: argument \"width\" has no value"}};
    for (const auto &c : cases) {
        Host host;
        std::string err;
        ScriptStats stats;
        EXPECT_FALSE(
            RunText(host, std::string("scene.new\n") + c.line + "\nitem.create locator L\n", err, stats));
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        EXPECT_TRUE(host.scene.Items().empty()) << c.line;
    }
}

namespace {

struct ArgumentRefusal {
    const char *line;
    const char *reason;
};

class ArgumentsRefused : public HostTest, public ::testing::WithParamInterface<ArgumentRefusal> {};

}  // namespace

TEST_P(ArgumentsRefused, WithTheReasonAndNothingChanged) {
    ItemData &grid = AddMesh(host, GridShape(1, 1));
    SelectPolygons(host, grid, {0});
    host.selection.SetCurrent(kSelPolygon);
    CommandResult r = host.RunLine(GetParam().line);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find(GetParam().reason), std::string::npos) << r.message;
    EXPECT_EQ(host.scene.Items().size(), 1u);
    EXPECT_EQ(host.Preferences(), (std::map<std::string, std::string>{{"units.upAxis", "1"}}));
    EXPECT_EQ(*host.UserValue("gORVA_01_EdgeChecker_Axes"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ArgumentsRefused,
    ::testing::Values(ArgumentRefusal{"gORVA.Cmd.AddLightAtPolyPos light_type:4294967296", "bad value"},
                      ArgumentRefusal{"gORVA.Cmd.AddLightAtPolyPos light_type:-2147483649", "bad value"},
                      ArgumentRefusal{"gORVA.Cmd.SelectbyHeight match_mode:9999999999999999999999",
                                      "bad value"},
                      ArgumentRefusal{"user.value gORVA_01_EdgeChecker_Axes 1.5", "a whole number"},
                      ArgumentRefusal{"user.value gORVA_01_EdgeChecker_Axes 2.0000001", "a whole number"},
                      ArgumentRefusal{"pref.value units.upAxes 1", "no preference named \"units.upAxes\""},
                      ArgumentRefusal{"pref.value units.upAxis 3", "units.upAxis takes 0, 1 or 2"},
                      ArgumentRefusal{"pref.value units.upAxis 1.5", "units.upAxis takes 0, 1 or 2"},
                      ArgumentRefusal{"pref.value units.upAxis \"\"", "units.upAxis takes 0, 1 or 2"}),
    [](const auto &p) { return "Line" + std::to_string(p.index); });

TEST_F(HostTest, AKnownPreferenceTakesItsValues) {
    for (const char *value : {"0", "2", "1"}) {
        ASSERT_TRUE(host.RunLine(std::string("pref.value units.upAxis ") + value).ok()) << value;
        EXPECT_EQ(host.Preference("units.upAxis"), value);
    }
}
