// End-to-end: the program refuses what it cannot hold, keeps the user's files whole when a write
// fails, stops on endless input, and keeps the terminal safe from the bytes of a file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/e2e_support.hpp"

namespace {

/// Runs a shell line in the test's folder; the exit status of its last command.
int Shell(const fs::path &dir, const std::string &line) {
    std::string cmd = "cd '" + dir.string() + "' && " + line;
    int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

TEST_F(GorvaProgram, AValueBeyondSinglePrecisionStopsTheScriptAndNothingIsWritten) {
    std::ofstream(dir / "far.obj") << "v 0 0 0\nv 1 0 0\nv 1e39 0 0\nf 1 2 3\n";
    Script("open.gorva", "scene.open far.obj\nscene.saveAs never.obj\n");
    Outcome o = Gorva("run open.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("far.obj:3: a vertex has a value beyond single precision"), std::string::npos)
        << o.err;
    Script("move.gorva", "item.create mesh M\nitem.transform M pos 1e39 0 0\nscene.saveAs never.obj\n");
    o = Gorva("run move.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("move.gorva:2: item.transform: "), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(dir / "never.obj"));
}

TEST_F(GorvaProgram, AFullDiskLeavesTheOldFileWholeAndSaysWhy) {
    std::string old = "# the user's work\n";
    std::ofstream(dir / "work.obj") << old;
    std::ofstream(dir / "work.json") << old;
    Script("save.gorva", "scene.open \"" GORVA_EXAMPLES_DIR "/facade.obj\"\nscene.saveAs work.obj\n");
    // A file size limit of 1 KiB stands in for a full disk.
    int status = Shell(dir, "ulimit -f 1 && '" GORVA_EXE "' run save.gorva --dump work.json 2> err.txt");
    EXPECT_EQ(status, 1);
    std::string err = Slurp(dir / "err.txt");
    EXPECT_NE(err.find("cannot write \"work.obj\": File too large"), std::string::npos) << err;
    EXPECT_NE(err.find("cannot write \"work.json\": File too large"), std::string::npos) << err;
    EXPECT_EQ(Slurp(dir / "work.obj"), old);
    EXPECT_EQ(Slurp(dir / "work.json"), old);
}

TEST_F(GorvaProgram, SpecialFilesAreNeitherReplacedNorReadForever) {
    // A folder of the test's own stands in for a device: a regression must not replace a system file.
    fs::create_directories(dir / "folder.obj");
    Script("folder.gorva", "scene.saveAs folder.obj\n");
    Outcome o = Gorva("run folder.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cannot write \"folder.obj\": not a regular file"), std::string::npos) << o.err;
    EXPECT_TRUE(fs::is_directory(dir / "folder.obj"));
    o = Gorva("run /dev/zero");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("/dev/zero:1: binary data"), std::string::npos) << o.err;
    Script("empty.gorva", "");
    o = Gorva("run --scene /dev/zero empty.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("/dev/zero:1: binary data"), std::string::npos) << o.err;
}

TEST_F(GorvaProgram, ControlBytesFromAFileAreShownEscaped) {
    std::ofstream(dir / "evil.obj") << "o \x1b]2;owned\x07\nv 0 0 0\n\x1b[2J 1\n";
    Script("evil.gorva", "scene.open evil.obj\n");
    Outcome o = Gorva("run evil.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err.find('\x1b'), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("evil.obj:3: unknown statement \"\\x1b[2J\""), std::string::npos) << o.err;
}
