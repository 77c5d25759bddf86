// End-to-end: the program refuses what it cannot hold, keeps the user's files whole when a write
// fails, stops on endless input, and keeps the terminal safe from the bytes of a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
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
    // Special files are refused for reading too, before anything is read from them.
    o = Gorva("run /dev/zero");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("/dev/zero: cannot open: not a regular file (a device)"), std::string::npos)
        << o.err;
    Script("empty.gorva", "");
    o = Gorva("run --scene /dev/zero empty.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cannot open \"/dev/zero\": not a regular file (a device)"), std::string::npos)
        << o.err;
    ASSERT_EQ(::mkfifo((dir / "pipe.obj").c_str(), 0600), 0);
    o = Gorva("run --scene pipe.obj empty.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cannot open \"pipe.obj\": not a regular file (a pipe)"), std::string::npos)
        << o.err;
}

TEST_F(GorvaProgram, ControlBytesFromAFileAreShownEscaped) {
    std::ofstream(dir / "evil.obj") << "o \x1b]2;owned\x07\nv 0 0 0\n\x1b[2J 1\n";
    Script("evil.gorva", "scene.open evil.obj\n");
    Outcome o = Gorva("run evil.gorva");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err.find('\x1b'), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("evil.obj:3: unknown statement \"\\x1b[2J\""), std::string::npos) << o.err;
}

#if defined(__SANITIZE_ADDRESS__)
#define GORVA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GORVA_UNDER_ASAN 1
#endif
#endif

TEST_F(GorvaProgram, RunningOutOfMemoryEndsWithAMessageNotAnAbort) {
#ifdef GORVA_UNDER_ASAN
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#endif
    {
        // 3 million points and a face over all of them: a few hundred megabytes once read.
        std::ofstream big(dir / "big.obj");
        std::string block;
        for (int i = 0; i < 1000; ++i) block += "v 1 2 3\n";
        for (int i = 0; i < 3000; ++i) big << block;
        big << "f";
        for (int i = 1; i <= 3000000; i += 1000) big << ' ' << i;
        big << "\n";
    }
    Script("open.gorva", "scene.open big.obj\n");
    // Address-space limits from where the program barely starts to where the scene fits: each
    // run either ends normally, or with status 1 and a reason, never with an abort.
    bool sawOutOfMemory = false;
    for (int megabytes : {96, 128, 192, 256, 384, 512, 768}) {
        int status = Shell(dir, "ulimit -v " + std::to_string(megabytes * 1024) +
                                    " && '" GORVA_EXE "' run open.gorva > out.txt 2> err.txt");
        std::string err = Slurp(dir / "err.txt");
        EXPECT_TRUE(status == 0 || status == 1) << megabytes << " MB: status " << status << ": " << err;
        sawOutOfMemory = sawOutOfMemory || err.find("out of memory") != std::string::npos;
    }
    EXPECT_TRUE(sawOutOfMemory);
}
