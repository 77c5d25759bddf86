// End-to-end: the real gorva program on scripts, checked by exit status, messages and files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>

#include "host/host.hpp"
#include "tests/e2e/e2e_support.hpp"
#include "host/scripting/script_runner.hpp"

namespace {

const std::string kFacade = std::string(GORVA_EXAMPLES_DIR) + "/facade.obj";

}  // namespace

TEST_F(GorvaProgram, HelpExplainsTheCommands) {
    Outcome o = Gorva("--help");
    EXPECT_EQ(o.status, 0);
    for (const char *word :
         {"gorva run", "gorva demo", "gorva servers", "--keep-going", "--timing", "select.element"})
        EXPECT_NE(o.out.find(word), std::string::npos) << word;
    EXPECT_EQ(Gorva("").status, 1);
    EXPECT_EQ(Gorva("frobnicate").status, 1);
}

TEST_F(GorvaProgram, ASecondRunOfTheSameTestLeavesTheFirstRunsFilesAlone) {
    std::ofstream(dir / "first.txt") << "first run";
    const fs::path first = dir;
    SetUp();  // the same test starting in another build tree or CI job on this machine
    EXPECT_NE(dir, first);
    EXPECT_EQ(Slurp(first / "first.txt"), "first run");
    EXPECT_EQ(Gorva("--help").status, 0);
    EXPECT_EQ(Slurp(first / "first.txt"), "first run");
    fs::remove_all(first);
}

TEST_F(GorvaProgram, ServersListsWhatThePluginRegistered) {
    gorva::host::Host host;
    std::string error;
    ASSERT_TRUE(host.LoadPlugin(GORVA_PLUGIN_PATH, error)) << error;
    std::string expected;
    for (const auto &s : host.Servers())
        expected += s.name + '\t' + (s.IsCommand() ? "command" : s.IsTool() ? "tool" : "server") + '\n';
    Outcome o = Gorva("servers");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, expected);
    EXPECT_FALSE(expected.empty());
}

TEST_F(GorvaProgram, AMissingPluginIsAnError) {
    Outcome o = Gorva("servers --plugin /no/such/plugin.so");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("/no/such/plugin.so"), std::string::npos);
}

TEST_F(GorvaProgram, ScriptErrorsNameFileLineAndReason) {
    struct Case {
        const char *line;
        const char *message;
    } cases[] = {
        {"no.such.command", "bad.gorva:2: unknown command \"no.such.command\""},
        {"gORVA.Cmd.SelectbyHeight match_mode:banana",
         "bad.gorva:2: gORVA.Cmd.SelectbyHeight: bad value \"banana\""},
        {"gORVA.Cmd.SelectbyHeight nosuch:1",
         "bad.gorva:2: gORVA.Cmd.SelectbyHeight: gORVA.Cmd.SelectbyHeight has no argument \"nosuch\""},
        {"item.transform Nobody pos 1 2 3", "bad.gorva:2: item.transform: no item named \"Nobody\""},
    };
    for (const auto &c : cases) {
        Script("bad.gorva", std::string("scene.new\n") + c.line + "\nscene.saveAs never.obj\n");
        Outcome o = Gorva("run bad.gorva");
        EXPECT_EQ(o.status, 1) << c.line;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(dir / "never.obj"));
    }
}

TEST_F(GorvaProgram, ADisabledCommandReportsItsMessageText) {
    // An older host version disables the command with the module's own message text.
    gorva::host::Host host;
    std::string error;
    ASSERT_TRUE(host.LoadPlugin(GORVA_PLUGIN_PATH, error)) << error;
    ASSERT_TRUE(host.RunLine("scene.open " + kFacade).ok());
    ASSERT_TRUE(host.RunLine("select.element 0 polygon set 1").ok());
    host.version = 701;
    auto expected = host.TestEnable("gORVA.Cmd.SelectbyHeight", {});
    ASSERT_FALSE(expected.ok());
    ASSERT_FALSE(expected.message.empty());
    Script("off.gorva", "scene.open " + kFacade +
                            "\nselect.element 0 polygon set 1\nhost.version 701\ngORVA.Cmd.SelectbyHeight\n");
    Outcome o = Gorva("run off.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "off.gorva:4: gORVA.Cmd.SelectbyHeight is disabled: " + expected.message + "\n");
}

// An activation the tool cannot use and a tool that refuses to turn on both say why, with the
// server's name, on the terminal and in the dump's log.
TEST_F(GorvaProgram, TheModulesErrorsAndRefusalsAreShownWithTheServersName) {
    Script("pair.obj", "o Pair\nv 0 0 0\nv 0 0 0\nv 1 0 0\n");
    Script("why.gorva",
           "scene.open pair.obj\nselect.typeFrom vertex\nselect.element 0 vertex set 0\n"
           "select.element 0 vertex add 1\ntool.set gORVA.MeshAlignAToB on\ntool.press 1 0 0\ntool.release\n"
           "tool.set gORVA.MeshAlignAToB off\nselect.drop vertex\ntool.set gORVA.Sweeper on\n");
    Outcome o = Gorva("run --keep-going --dump why.json why.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("gORVA.MeshAlignAToB: error: the selected vertices lie on one point"), std::string::npos)
        << o.err;
    gorva::host::Host host;
    const std::string reason = host.MessageText("gORVA.Sweeper", "NeedsVertexSelection", {});
    ASSERT_FALSE(reason.empty());
    EXPECT_NE(o.err.find("gORVA.Sweeper: not enabled: " + reason), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("why.gorva:10: "), std::string::npos) << o.err;
    const nlohmann::json dump = nlohmann::json::parse(Slurp(dir / "why.json"));
    bool invalid = false, disabled = false;
    for (const auto &line : dump["log"]) {
        const std::string text = line["text"];
        invalid = invalid || (line["server"] == "gORVA.MeshAlignAToB" && line["level"] == 1 &&
                              text.find("lie on one point") != std::string::npos);
        disabled = disabled || (line["server"] == "gORVA.Sweeper" && text.find(reason) != std::string::npos);
    }
    EXPECT_TRUE(invalid) << dump["log"].dump();
    EXPECT_TRUE(disabled) << dump["log"].dump();
}

TEST_F(GorvaProgram, KeepGoingRunsTheRestButExitsWithOne) {
    Script("k.gorva", "scene.open " + kFacade + "\nno.such.command\nscene.saveAs out.obj\n");
    Outcome o = Gorva("run --keep-going k.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(fs::exists(dir / "out.obj"));
    EXPECT_NE(o.err.find("k.gorva:2:"), std::string::npos);
}

TEST_F(GorvaProgram, TimingLinesFollowTheFormat) {
    Script("t.gorva", "# a comment\nscene.new\n\nitem.create locator L\n");
    Outcome o = Gorva("run --timing t.gorva");
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(std::regex_match(o.err, std::regex("timing 2 [0-9]+\\.[0-9]{6} scene.new\n"
                                                   "timing 4 [0-9]+\\.[0-9]{6} item.create locator L\n")))
        << o.err;
}

TEST_F(GorvaProgram, StandardInputSceneAndDump) {
    Outcome o = Gorva("run --scene " + kFacade + " --dump state.json -", "select.element 0 polygon set 2\n");
    EXPECT_EQ(o.status, 0) << o.err;
    std::string json = Slurp(dir / "state.json");
    for (const char *key :
         {"\"items\"", "\"meshes\"", "\"selection\"", "\"userValues\"", "\"dialogs\"", "\"log\""})
        EXPECT_NE(json.find(key), std::string::npos) << key;
    EXPECT_NE(json.find("\"name\": \"Facade\""), std::string::npos);
}

TEST_F(GorvaProgram, AMalformedSceneFileNamesItsLine) {
    Script("broken.obj", "o A\nv 0 0 0\nv 1 0\n");
    Script("s.gorva", "scene.new\n");
    Outcome o = Gorva("run --scene broken.obj s.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("broken.obj:3: a vertex needs 3 to 7 numbers"), std::string::npos) << o.err;
}

TEST_F(GorvaProgram, RoundTripThroughTheProgramIsLossless) {
    Script("rt.gorva", "scene.open " + kFacade +
                           "\nscene.saveAs one.obj\nscene.open one.obj\nscene.saveAs two.obj\n"
                           "render pic.png width:200 height:150\n");
    Outcome o = Gorva("run rt.gorva");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Slurp(dir / "one.obj"), Slurp(dir / "two.obj"));
    std::string png = Slurp(dir / "pic.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(uint8_t(png[19]), 200);  // width, big-endian
    EXPECT_EQ(uint8_t(png[23]), 150);
}

TEST_F(GorvaProgram, DemoRunsAndWritesItsFiles) {
    Outcome o = Gorva("demo --out result");
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_NE(o.out.find("demo output: result"), std::string::npos);
    for (const char *f : {"00_facade.png", "00_facade.obj", "00_facade.json", "00_facade.svg"})
        EXPECT_GT(fs::file_size(dir / "result" / f), 100u) << f;
    EXPECT_EQ(Slurp(dir / "result" / "00_facade.obj"), Slurp(dir / "result" / "00_facade_again.obj"));
    // Every script whose commands are registered ran.
    for (const auto &s : gorva::host::ListDemoScripts(std::string(GORVA_EXAMPLES_DIR) + "/scripts"))
        EXPECT_NE(o.out.find(s.name), std::string::npos) << s.name;
}

TEST_F(GorvaProgram, DemoBuildsAllNineArchTypesAndPicturesTheTool) {
    Outcome o = Gorva("demo --out result");
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_NE(o.out.find("ran     50_arches"), std::string::npos) << o.out;
    for (const char *f : {"50_arches.png", "50_arches.svg", "50_arches_tool.png", "50_arches_tool_close.png",
                          "50_arches.obj", "50_arches.json"})
        EXPECT_GT(fs::file_size(dir / "result" / f), 100u) << f;
    auto dump = nlohmann::json::parse(Slurp(dir / "result" / "50_arches.json"));
    EXPECT_TRUE(dump["dialogs"].empty()) << dump["dialogs"].dump();
    std::string arcade;
    unsigned labels = 0;
    for (const auto &item : dump["items"]) {
        if (item["name"] == "Arcade") arcade = item["ident"];
        if (item["type"] == "locator") ++labels;
    }
    EXPECT_EQ(labels, 9u);
    ASSERT_FALSE(arcade.empty());
    // Rings of 16, 12 and 16 quads, then 2 + 1 + 1 + 1 + 2 + 1 polygons, all tagged as arches.
    const auto &polygons = dump["meshes"][arcade]["polygons"];
    EXPECT_EQ(polygons.size(), 52u);
    for (const auto &p : polygons) EXPECT_EQ(p["tags"]["PART"], "gORVA__Arches");
}

TEST_F(GorvaProgram, DemoWithoutOptionsMakesAFreshFolder) {
    Outcome o = Gorva("demo");
    ASSERT_EQ(o.status, 0) << o.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(o.out, m, std::regex("demo output: \\./(gorva-demo-[0-9]{8}-[0-9]{6})")));
    EXPECT_TRUE(fs::exists(dir / m[1].str() / "00_facade.png"));
}
