// A kit's index.cfg: what it must name, and the paths it may not reach outside the kit.
#include "host/model/kit.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/test_files.hpp"

namespace {

using gorva::host::KitInfo;
using gorva::host::KitPlatform;
using gorva::host::ReadKit;
namespace fs = std::filesystem;

/// A kit folder with a configs/ folder and this platform's module file, and the index given.
fs::path MakeKit(const fs::path &parent, const std::string &index) {
    const fs::path kit = parent / "gORVA";
    fs::create_directories(kit / "configs");
    fs::create_directories(kit / KitPlatform());
    std::ofstream(kit / KitPlatform() / "gORVA_801.so") << "module";
    std::ofstream(kit / "index.cfg") << index;
    return kit;
}

std::string Index(const std::string &import, const std::string &module) {
    return "<?xml version=\"1.0\"?>\n<configuration kit=\"gORVA\" version=\"1.2\">\n  <import>" + import +
           "</import>\n  <atom type=\"Modules\">\n    <hash type=\"Module\" key=\"" + KitPlatform() + "\">" +
           module + "</hash>\n  </atom>\n</configuration>\n";
}

class KitIndex : public ::testing::Test {
protected:
    void SetUp() override {
        dir = MakeRunFolder(::testing::TempDir(), "gorva_kit_index");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(KitIndex, ResolvesTheConfigurationFolderAndThisPlatformsModule) {
    const std::string module = std::string(KitPlatform()) + "/gORVA_801.so";
    const fs::path kit = MakeKit(dir, Index("kit_gORVA:configs", module));
    KitInfo info;
    std::string error;
    ASSERT_TRUE(ReadKit(kit.string(), info, error)) << error;
    EXPECT_EQ(info.name, "gORVA");
    EXPECT_EQ(info.version, "1.2");
    EXPECT_EQ(fs::path(info.configDir), kit / "configs");
    EXPECT_EQ(fs::path(info.modulePath), kit / module);
}

struct BadIndex {
    const char *what;
    std::string index;
    const char *reason;
    int line;
};

class KitIndexRefused : public KitIndex, public ::testing::WithParamInterface<BadIndex> {};

TEST_P(KitIndexRefused, NamesTheLineAndLeavesTheKitUnread) {
    const fs::path kit = MakeKit(dir, GetParam().index);
    std::ofstream(dir / "outside.so") << "not the kit's";
    KitInfo info;
    info.name = "unchanged";
    std::string error;
    EXPECT_FALSE(ReadKit(kit.string(), info, error));
    EXPECT_NE(error.find("index.cfg:" + std::to_string(GetParam().line) + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_EQ(info.name, "unchanged");
}

const std::string kModule = std::string(KitPlatform()) + "/gORVA_801.so";

INSTANTIATE_TEST_SUITE_P(
    Index, KitIndexRefused,
    ::testing::Values(
        BadIndex{"ModuleOutsideTheKit", Index("kit_gORVA:configs", "../outside.so"), "outside the kit", 5},
        BadIndex{"AbsoluteModulePath", Index("kit_gORVA:configs", "/bin/sh"), "outside the kit", 5},
        BadIndex{"ModuleMissing", Index("kit_gORVA:configs", "win64/none.dll"), "is not there", 5},
        BadIndex{"ModuleIsAFolder", Index("kit_gORVA:configs", KitPlatform()), "is not there", 5},
        BadIndex{"ConfigurationOutsideTheKit", Index("kit_gORVA:../..", kModule), "outside the kit", 3},
        BadIndex{"ImportOfAnotherKit", Index("kit_other:configs", kModule), "kit_gORVA:FOLDER", 3},
        BadIndex{"NoModuleForThisPlatform",
                 "<configuration kit=\"gORVA\">\n<import>kit_gORVA:configs</import>\n</configuration>\n",
                 "names no module", 1},
        BadIndex{"NoName", "<configuration>\n</configuration>\n", "needs a name", 1},
        BadIndex{"Malformed", "<configuration kit=\"gORVA\">\n<import>configs</imp>\n</configuration>\n",
                 "malformed XML", 2}),
    [](const ::testing::TestParamInfo<BadIndex> &row) { return std::string(row.param.what); });

}  // namespace
