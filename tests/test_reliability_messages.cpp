// What the user reads: bytes from a file reach the terminal escaped, a disabled command says why, and
// the demo's summary counts a failed script as failed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <lxcommand.h>

#include "host/host.hpp"
#include "host/base/text_lines.hpp"
#include "host/scripting/script_runner.hpp"
#include "tests/test_support.hpp"

using namespace gorva::host;
namespace fs = std::filesystem;

namespace {

struct Escape {
    const char *text;
    const char *shown;
};

class PrintableText : public ::testing::TestWithParam<Escape> {};

}  // namespace

TEST_P(PrintableText, EscapesWhatATerminalWouldObey) {
    EXPECT_EQ(Printable(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PrintableText,
    ::testing::Values(Escape{"plain text: 1/2", "plain text: 1/2"},
                      Escape{"red\x1b[31mtext", "red\\x1b[31mtext"},
                      Escape{"bell\a tab\t cr\r nl\n", "bell\\x07 tab\\x09 cr\\x0d nl\\x0a"},
                      Escape{"del\x7f", "del\\x7f"}, Escape{"caf\xc3\xa9", "caf\xc3\xa9"},
                      Escape{"csi \xc2\x9b"
                             "2J",
                             "csi \\xc2\\x9b2J"},
                      Escape{"lone \xff byte", "lone \\xff byte"}, Escape{"cut \xe2\x82", "cut \\xe2\\x82"},
                      Escape{"long \xf0\x9f\x8f\x9b", "long \xf0\x9f\x8f\x9b"}));

TEST(PrintableMessages, BytesFromAFileOrAScriptReachTheTerminalEscaped) {
    fs::path obj = fs::path(::testing::TempDir()) / "gorva_escape.obj";
    std::ofstream(obj) << "v 0 0 0\n\x1b[2J\x07 1 2\n";
    const std::string lines[] = {"scene.open \"" + obj.string() + "\"", "\x1b]0;title\x07",
                                 "item.create \x1b[5m 1"};
    for (const std::string &line : lines) {
        Host host;
        std::istringstream in(line + "\n");
        std::ostringstream err;
        ScriptStats stats;
        EXPECT_FALSE(RunScript(host, in, "s\x1b.gorva", ScriptOptions(), err, stats));
        EXPECT_EQ(err.str().find('\x1b'), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find('\x07'), std::string::npos) << err.str();
        EXPECT_NE(err.str().find("\\x1b"), std::string::npos) << err.str();
    }
    fs::remove(obj);
}

TEST_F(HostTest, EveryDisabledCommandSaysWhy) {
    // No mesh and the item selection type: nothing any command could work on.
    host.selection.SetCurrent(kSelItem);
    unsigned commands = 0;
    for (const ServerInfo &server : host.Servers()) {
        if (!server.IsCommand()) continue;
        ++commands;
        CommandResult r = host.TestEnable(server.name, {});
        EXPECT_EQ(r.code, LXe_CMD_DISABLED) << server.name;
        EXPECT_NE(r.message, server.name + " is disabled") << server.name;
        EXPECT_EQ(r.message.find(server.name + ": "), std::string::npos)
            << r.message;  // a key without its text
    }
    EXPECT_GE(commands, 4u);
    EXPECT_EQ(host.TestEnable("gORVA.Cmd.SelectbyHeight", {}).message,
              host.MessageText("gORVA.Cmd.SelectbyHeight", "WrongSelectionType", {}));
}

TEST(DemoSummary, CountsAFailedScriptAsFailed) {
    fs::path dir = fs::path(::testing::TempDir()) / "gorva_demo_summary";
    fs::remove_all(dir);
    fs::create_directories(dir / "scripts");
    auto write = [&](const char *name, const char *text) { std::ofstream(dir / "scripts" / name) << text; };
    write("a.gorva", "item.create locator A\n");
    write("b.gorva", "no.such.command\n");
    write("c.gorva", "# needs: gORVA.NoSuchTool\nitem.create locator C\n");
    Host host;
    host.AttachModule(InProcessModule());
    std::ostringstream out, err;
    EXPECT_FALSE(RunDemo(host, dir.string(), dir.string(), ScriptOptions(), out, err));
    EXPECT_NE(out.str().find("FAILED  b (1 commands)"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("demo: 1 of 3 scripts passed, 1 failed, 1 skipped; results in "),
              std::string::npos)
        << out.str();
    fs::remove_all(dir);
}
