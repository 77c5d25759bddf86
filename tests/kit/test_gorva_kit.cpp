// The gorva program run from an installed kit: the demo with the kit's module and texts, and a kit
// that has lost its module refused with the index's line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/e2e/e2e_support.hpp"

namespace {

class GorvaKit : public GorvaProgram {
protected:
    void SetUp() override {
        if (std::string(GORVA_EXE).empty()) GTEST_SKIP() << "the gorva program is not built";
        GorvaProgram::SetUp();
    }
};

TEST_F(GorvaKit, RunsTheDemoFromTheInstalledKit) {
    const Outcome o = Gorva("--kit '" GORVA_KIT_DIR "' --out demo");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("demo output: demo"), std::string::npos) << o.out;
    // Every demo script ran with the kit's servers.
    const fs::path scripts = fs::path(GORVA_SOURCE_DIR) / "examples" / "scripts";
    for (const auto &script : fs::directory_iterator(scripts)) {
        if (script.path().extension() != ".gorva") continue;
        EXPECT_NE(o.out.find("ran     " + script.path().stem().string()), std::string::npos)
            << script.path().filename() << " did not run\n"
            << o.out;
    }
    EXPECT_NE(o.out.find(" 0 failed, 0 skipped"), std::string::npos) << o.out;
}

TEST_F(GorvaKit, ListsTheServersOfTheKitsModule) {
    const Outcome o = Gorva("servers --kit '" GORVA_KIT_DIR "'");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("gORVA.Arch\ttool"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("gORVA.Cmd.SelectEdgesbyAlignment\tcommand"), std::string::npos) << o.out;
}

TEST_F(GorvaKit, RefusesAKitWithoutItsModuleOrWithAModuleNamedTwice) {
    const fs::path copy = dir / "gORVA";
    fs::copy(GORVA_KIT_DIR, copy, fs::copy_options::recursive);
    fs::remove_all(copy / "linux64");
    Outcome o = Gorva("--kit gORVA --out demo");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("index.cfg:"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("is not there"), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(dir / "demo"));

    o = Gorva("--kit gORVA --plugin x.so");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("give one"), std::string::npos) << o.err;
}

}  // namespace
