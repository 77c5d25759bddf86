// Input without end: a line or a file past its limit, or a device of zeros, is refused with the
// place and the reason instead of being read for ever.
#include <gtest/gtest.h>

#include <sstream>

#include "host/host.hpp"
#include "host/io/obj_io.hpp"
#include "host/scripting/script_runner.hpp"
#include "tests/test_reliability_support.hpp"

using namespace gorva::host;

namespace {

/// An endless input and the start of the error it must give.
struct Endless {
    const char *unit;
    const char *reason;
};

}  // namespace

TEST(EndlessInput, AnOBJLineOrFileIsRefusedAtItsLimit) {
    const Endless cases[] = {{"v", "t.obj:1: line longer than 256 bytes"},
                             {"# comment\n", "t.obj: larger than 4096 bytes"}};
    for (const auto &c : cases) {
        EndlessText endless(c.unit);
        std::istream in(&endless);
        ObjFile file;
        std::string error;
        EXPECT_FALSE(ParseObj(in, "t.obj", "Mesh", file, error, TextLimits{256, 4096}));
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << error;
    }
}

TEST(EndlessInput, AScriptLineOrScriptIsRefusedAtItsLimit) {
    ScriptOptions opts;
    opts.limits = TextLimits{128, 2048};
    const Endless cases[] = {{"x", "s.gorva:1: line longer than 128 bytes"},
                             {"# again\n", "s.gorva: larger than 2048 bytes"}};
    for (const auto &c : cases) {
        EndlessText endless(c.unit);
        std::istream in(&endless);
        std::ostringstream err;
        ScriptStats stats;
        Host host;
        EXPECT_FALSE(RunScript(host, in, "s.gorva", opts, err, stats));
        EXPECT_EQ(err.str().rfind(c.reason, 0), 0u) << err.str();
        EXPECT_EQ(stats.failures, 1u);
    }
}

TEST(EndlessInput, ADeviceIsRefusedBeforeAnythingIsRead) {
    Host host;
    std::string error;
    EXPECT_FALSE(OpenObjScene(host, "/dev/zero", error));
    EXPECT_EQ(error, "cannot open \"/dev/zero\": not a regular file (a device)");
    std::ostringstream err;
    ScriptStats stats;
    EXPECT_FALSE(RunScriptFile(host, "/dev/zero", ScriptOptions(), err, stats));
    EXPECT_EQ(err.str(), "/dev/zero: cannot open: not a regular file (a device)\n");
}
