// Scripts: errors with file and line, keep-going, timing lines, variables, progress and dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <lxcommand.h>

#include "tests/support/shapes.hpp"
#include "host/host.hpp"
#include "host/scripting/script_runner.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;

namespace {

bool RunText(Host &host, const std::string &text, ScriptOptions opts, std::string &err, ScriptStats &stats) {
    std::istringstream in(text);
    std::ostringstream out;
    bool ok = RunScript(host, in, "s.gorva", opts, out, stats);
    err = out.str();
    return ok;
}

}  // namespace

TEST(AppScript, StopsAtTheFirstFailureNamingFileAndLine) {
    Host host;
    std::string err;
    ScriptStats stats;
    EXPECT_FALSE(RunText(host, "# comment\n\nno.such.command 1\nitem.create locator L\n", ScriptOptions(),
                         err, stats));
    EXPECT_EQ(err, "s.gorva:3: unknown command \"no.such.command\"\n");
    EXPECT_EQ(host.scene.Items().size(), 0u);
}

TEST(AppScript, KeepGoingRunsTheRestAndStillFails) {
    Host host;
    std::string err;
    ScriptStats stats;
    ScriptOptions opts;
    opts.keepGoing = true;
    EXPECT_FALSE(RunText(host,
                         "item.transform X pos 1 2 3\nitem.create locator L\nselect.typeFrom \"unclosed\n",
                         opts, err, stats));
    EXPECT_EQ(host.scene.Items().size(), 1u);
    EXPECT_EQ(stats.failures, 2u);
    EXPECT_NE(err.find("s.gorva:1: item.transform: no item named \"X\""), std::string::npos) << err;
    EXPECT_NE(err.find("s.gorva:3: "), std::string::npos) << err;
}

TEST(AppScript, TimingPrintsOneLinePerCommand) {
    Host host;
    std::string err;
    ScriptStats stats;
    ScriptOptions opts;
    opts.timing = true;
    ASSERT_TRUE(
        RunText(host, "item.create locator A\n# skip\nitem.create locator \"B c\"\n", opts, err, stats));
    std::regex line(R"(timing (\d+) \d+\.\d{6} (.+))");
    std::istringstream lines(err);
    std::vector<std::string> numbers, commands;
    for (std::string l; std::getline(lines, l);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(l, m, line)) << l;
        numbers.push_back(m[1]);
        commands.push_back(m[2]);
    }
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(commands[1], "item.create locator \"B c\"");
}

TEST(AppScript, VariablesExpandAndUnknownOnesFail) {
    std::string out, error;
    ASSERT_TRUE(ExpandVariables("a ${X}/b ${X}", {{"X", "v"}}, out, error));
    EXPECT_EQ(out, "a v/b v");
    EXPECT_FALSE(ExpandVariables("${GORVA_SURELY_UNSET_NAME}", {}, out, error));
    EXPECT_NE(error.find("GORVA_SURELY_UNSET_NAME"), std::string::npos);
    EXPECT_FALSE(ExpandVariables("${X", {{"X", "v"}}, out, error));
}

TEST(AppScript, FailureTextShowsTheDisabledMessage) {
    EXPECT_EQ(FailureText("f", 4, "gORVA.Cmd.X", {LXe_CMD_DISABLED, "Select a polygon."}),
              "f:4: gORVA.Cmd.X is disabled: Select a polygon.");
    EXPECT_EQ(FailureText("f", 5, "gORVA.Cmd.X", {LXe_FAILED, ""}), "f:5: gORVA.Cmd.X: failed");
}

TEST(AppScript, ProgressBarShowsTheFraction) {
    MonitorRecord rec{"Selecting geometry...", 50, 25, false};
    EXPECT_EQ(FormatProgressBar(rec, 10), "[#####.....]  50%  Selecting geometry...");
    rec.steps = 80;  // past the total stays full
    EXPECT_EQ(FormatProgressBar(rec, 4), "[####] 100%  Selecting geometry...");
    rec.total = 0;
    EXPECT_EQ(FormatProgressBar(rec, 2), "[..]   0%  Selecting geometry...");
}

TEST(AppScript, ProgressPrinterDrawsOnlyWhenEnabledAndEndsTheLine) {
    Host host;
    host.monitors.push_back({"Work", 4, 0, false});
    std::ostringstream on, off;
    ProgressPrinter shown(on, true, 0.0), hidden(off, false, 0.0);
    for (unsigned s = 1; s <= 4; ++s) {
        host.monitors[0].steps = s;
        shown.Step(host, host.monitors[0]);
        hidden.Step(host, host.monitors[0]);
    }
    shown.Finish();
    EXPECT_TRUE(off.str().empty());
    EXPECT_NE(on.str().find("100%  Work"), std::string::npos);
    EXPECT_EQ(on.str().back(), '\n');
}

TEST(AppScript, FailureTextDoesNotRepeatABareDisabledMessage) {
    EXPECT_EQ(FailureText("f", 2, "cmd", {LXe_CMD_DISABLED, "cmd is disabled"}), "f:2: cmd is disabled");
}

TEST(AppScript, DemoRunsScriptsThatNeedAToolAndStartEachWithTheDefaultViewport) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(::testing::TempDir()) / "gorva_demo_needs";
    fs::remove_all(dir);
    fs::create_directories(dir / "scripts");
    auto write = [&](const char *name, const char *text) { std::ofstream(dir / "scripts" / name) << text; };
    write("a.gorva", "# needs: gORVA.Arch\ntool.axis z\ntool.actionCenter 1 2 3\n");
    write("b.gorva", "# needs: gORVA.NoSuchTool\nno.such.command\n");
    write("c.gorva", "# needs: gORVA.Arch\nitem.create locator L\n");
    Host host;
    host.AttachModule(InProcessModule());
    std::ostringstream out, err;
    EXPECT_TRUE(RunDemo(host, dir.string(), dir.string(), ScriptOptions(), out, err)) << err.str();
    EXPECT_NE(out.str().find("ran     a"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("skipped b (not registered: gORVA.NoSuchTool)"), std::string::npos);
    EXPECT_NE(out.str().find("ran     c"), std::string::npos);
    // The last script found the viewport as it is by default, not as the first one left it.
    EXPECT_EQ(host.Tools().axis, 1);
    EXPECT_EQ(host.Tools().actionCenter, (Vec3{0, 0, 0}));
}
