#include "host/model/config.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace {

using gorva::host::FormatMessage;
using gorva::host::HostConfig;
using gorva::host::LoadConfigDir;
using gorva::host::LoadConfigFile;
namespace fs = std::filesystem;

const HostConfig &ShippedConfig() {
    static HostConfig cfg;
    static std::string error;
    static bool loaded = LoadConfigDir(GORVA_CONFIG_DIR, cfg, error);
    EXPECT_TRUE(loaded) << error;
    return cfg;
}

/// A fresh folder under the test temp dir, removed with the object.
struct ScratchDir {
    fs::path path;
    explicit ScratchDir(const std::string &name)
        : path(fs::path(::testing::TempDir()) / ("gorva_cfg_" + name)) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string Write(const std::string &file, const std::string &text) const {
        std::ofstream(path / file, std::ios::binary) << text;
        return (path / file).string();
    }
};

// Every message the servers ask for; labels get a formatted distance as argument 1.
struct UsedMessage {
    const char *table;
    const char *key;
    bool takesDistance;
};

const UsedMessage kUsedMessages[] = {
    {"gORVA.Arch", "WrongSelectionType", false},
    {"gORVA.Arch", "ItemRefSecondaryLayer", false},
    {"gORVA.Arch", "WrongModoVersion", false},
    {"gORVA.Arch", "NeedsPolygonStripMode", false},
    {"gORVA.Arch", "StripModeNeedsValidArchType", false},
    {"gORVA.Arch", "height", true},
    {"gORVA.Arch", "span", true},
    {"gORVA.BBox", "WrongSelectionType", false},
    {"gORVA.BBox", "NoGeometrySelected", false},
    {"gORVA.BBox", "ItemLocalSpaceRefIsSet", false},
    {"gORVA.BBox", "WrongModoVersion", false},
    {"gORVA.BBox", "NeedsLockHeightDisabled", false},
    {"gORVA.BBox", "WorkPlaneIsSet", false},
    {"gORVA.ComponentAlignAToB", "NeedsVertexSelectionMode", false},
    {"gORVA.ComponentAlignAToB", "NeedsVertexSelection", false},
    {"gORVA.ComponentAlignAToB", "WrongModoVersion", false},
    {"gORVA.MeshAlignAToB", "NeedsVertexSelection", false},
    {"gORVA.MeshAlignAToB", "WrongModoVersion", false},
    {"gORVA.MeshAlignAToB", "dist_source_to_target", true},
    {"gORVA.MeshAlignAToB", "dist_dest_to_target", true},
    {"gORVA.Scale", "WrongSelectionType", false},
    {"gORVA.Scale", "NoGeometrySelected", false},
    {"gORVA.Scale", "ItemTransformsFound", false},
    {"gORVA.Scale", "ItemLocalSpaceRefIsSet", false},
    {"gORVA.Scale", "WrongModoVersion", false},
    {"gORVA.Scale", "length", true},
    {"gORVA.Scale", "bbox_axis_length_x", true},
    {"gORVA.Scale", "bbox_axis_length_y", true},
    {"gORVA.Scale", "bbox_axis_length_z", true},
    {"gORVA.Sweeper", "NeedsVertexSelection", false},
    {"gORVA.Sweeper", "WrongModoVersion", false},
    {"gORVA.Sweeper", "ItemLocalSpaceRefIsSet", false},
    {"gORVA.Sweeper", "NeedsOpenLoop", false},
    {"gORVA.Sweeper", "NeedsMirrorOff", false},
    {"gORVA.Sweeper", "NeedsMakeUVs", false},
    {"gORVA.Sweeper", "bbox_size_x", true},
    {"gORVA.Sweeper", "bbox_size_y", true},
    {"gORVA.Cmd.AddLightAtPolyPos", "NeedsPolygonSelection", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "WrongModoVersion", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "NeedsValidLightType", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "NeedsFewerPolygons", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "NeedsSceneItem", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "NeedsSceneChannels", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "NeedsGroupLocatorItem", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "FailedToAddItem", false},
    {"gORVA.Cmd.AddLightAtPolyPos", "FailedToSetXfrmChannels", false},
    {"gORVA.Cmd.SelectbyHeight", "NoItemsorItemsHaveNoGeometry", false},
    {"gORVA.Cmd.SelectbyHeight", "WrongModoVersion", false},
    {"gORVA.Cmd.SelectbyNormal", "WrongSelectionType", false},
    {"gORVA.Cmd.SelectbyNormal", "WrongModoVersion", false},
    {"gORVA.Cmd.SelectEdgesbyAlignment", "WrongSelectionType", false},
    {"gORVA.Cmd.SelectEdgesbyAlignment", "NoItemsorItemsHaveNoGeometry", false},
    {"gORVA.Cmd.SelectEdgesbyAlignment", "WrongModoVersion", false},
};

TEST(ShippedConfig, EveryUsedMessageHasText) {
    for (const UsedMessage &m : kUsedMessages) {
        SCOPED_TRACE(std::string(m.table) + " / " + m.key);
        const std::string *text = gorva::host::FindMessage(ShippedConfig(), m.table, m.key);
        ASSERT_NE(text, nullptr);
        EXPECT_FALSE(text->empty());
        // A label without %1 would hide its distance; a message given no argument must not ask for one.
        EXPECT_EQ(text->find("%1") != std::string::npos, m.takesDistance) << *text;
    }
}

TEST(ShippedConfig, DistanceLabelsExpandTheirArgument) {
    const std::string *span = gorva::host::FindMessage(ShippedConfig(), "gORVA.Arch", "span");
    ASSERT_NE(span, nullptr);
    EXPECT_EQ(FormatMessage(*span, {"2 m"}), "Span: 2 m");
}

struct UsedPopup {
    const char *type;
    std::vector<std::string> internalNames;  // in value order
};

TEST(ShippedConfig, PopupsLabelEveryEntryInValueOrder) {
    const UsedPopup popups[] = {
        {"gorva-arch-type",
         {"semi", "segmental", "equilateral", "lancet", "ogee_equilateral", "ogee_semi", "ogee_semi_reverse",
          "parabolic", "elliptical"}},
        {"gorva-arch-geo-type", {"polygon", "knockout", "polygon-knockout", "polyline", "polygon-strip"}},
        {"gorva-scaletool-axes-options", {"XYZ", "XY", "YZ", "ZX", "X", "Y", "Z"}},
    };
    for (const UsedPopup &p : popups) {
        SCOPED_TRACE(p.type);
        auto it = ShippedConfig().popups.find(p.type);
        ASSERT_NE(it, ShippedConfig().popups.end());
        ASSERT_EQ(it->second.size(), p.internalNames.size());
        for (size_t i = 0; i < p.internalNames.size(); ++i) {
            EXPECT_EQ(it->second[i].internalName, p.internalNames[i]);
            EXPECT_FALSE(it->second[i].label.empty());
        }
    }
}

TEST(ShippedConfig, TimberPresetPopupsStartWithNoneAndNameSizes) {
    const std::pair<const char *, size_t> lists[] = {{"gorva-timber-presets-a", 42},
                                                     {"gorva-timber-presets-b", 40}};
    const std::regex sawnSize("s[0-9]+x[0-9]+");
    for (const auto &list : lists) {
        SCOPED_TRACE(list.first);
        auto it = ShippedConfig().popups.find(list.first);
        ASSERT_NE(it, ShippedConfig().popups.end());
        ASSERT_EQ(it->second.size(), list.second);
        EXPECT_EQ(it->second[0].internalName, "none");
        for (size_t i = 1; i < it->second.size(); ++i) {
            EXPECT_TRUE(std::regex_match(it->second[i].internalName, sawnSize)) << it->second[i].internalName;
            EXPECT_FALSE(it->second[i].label.empty());
        }
    }
    EXPECT_EQ(ShippedConfig().popups.at("gorva-timber-presets-b")[1].internalName, "s38x50");
}

TEST(ShippedConfig, CommandsHaveNamesDescriptionsAndArgumentLabels) {
    const std::pair<const char *, std::vector<std::string>> commands[] = {
        {"gORVA.Cmd.SelectbyHeight", {"match_mode"}},
        {"gORVA.Cmd.SelectbyNormal", {"match_mode"}},
        {"gORVA.Cmd.SelectEdgesbyAlignment", {}},
        {"gORVA.Cmd.AddLightAtPolyPos",
         {"light_type", "select_lights", "radiant_emittance", "light_colour", "offset_distance",
          "group_lights", "group_name", "use_instances", "flip_facing"}},
    };
    for (const auto &command : commands) {
        SCOPED_TRACE(command.first);
        auto it = ShippedConfig().commands.find(command.first);
        ASSERT_NE(it, ShippedConfig().commands.end());
        EXPECT_FALSE(it->second.userName.empty());
        EXPECT_FALSE(it->second.description.empty());
        EXPECT_EQ(it->second.arguments.size(), command.second.size());
        for (const std::string &arg : command.second) {
            auto a = it->second.arguments.find(arg);
            ASSERT_NE(a, it->second.arguments.end()) << arg;
            EXPECT_FALSE(a->second.userName.empty()) << arg;
        }
    }
}

TEST(ShippedConfig, EveryToolHasAHelpPage) {
    for (const char *tool : {"gORVA.Arch", "gORVA.BBox", "gORVA.ComponentAlignAToB", "gORVA.MeshAlignAToB",
                             "gORVA.Scale", "gORVA.Sweeper"}) {
        auto it = ShippedConfig().helpPages.find(tool);
        ASSERT_NE(it, ShippedConfig().helpPages.end()) << tool;
        EXPECT_FALSE(it->second.empty()) << tool;
    }
}

struct UsedUserValue {
    const char *name;
    const char *type;
    double defaultValue;
};

TEST(ShippedConfig, UserValuesAreDefinedWithTheirDefaults) {
    const UsedUserValue values[] = {
        {"gORVA_01_SelectbyHeight_RangeUpper", "distance", 0.0},
        {"gORVA_01_SelectbyHeight_RangeLower", "distance", 0.0},
        {"gORVA_01_SelectbyHeight_UseItemXfrms", "integer", 0.0},
        {"gORVA_01_SelectbyNormal_LimitToPlane", "integer", 0.0},
        {"gORVA_01_SelectbyNormal_LimitBySize", "integer", 0.0},
        {"gORVA_01_SelectbyNormal_LimitToMaterial", "integer", 0.0},
        {"gORVA_01_SelectbyNormal_LimitToPartName", "integer", 0.0},
        {"gORVA_01_SelectbyNormal_LimitToContiguous", "integer", 0.0},
        {"gORVA_01_SelectbyNormal_IncludeFlipNormals", "integer", 0.0},
        {"gORVA_01_SelectbyNormal_SizeVariation", "distance", 0.0},
        {"gORVA_01_SelectbyNormal_NormalVariation", "angle", 0.0},
        {"gORVA_01_EdgeChecker_Axes", "integer", 0.0},
        {"gORVA_01_EdgeChecker_AngleMultiples", "integer", 2.0},
        {"gORVA_01_EdgeChecker_MinEdgeLength", "distance", 0.0},
    };
    for (const UsedUserValue &v : values) {
        SCOPED_TRACE(v.name);
        auto it = ShippedConfig().userValues.find(v.name);
        ASSERT_NE(it, ShippedConfig().userValues.end());
        EXPECT_EQ(it->second.type, v.type);
        EXPECT_DOUBLE_EQ(std::stod(it->second.defaultValue), v.defaultValue);
        EXPECT_FALSE(it->second.userName.empty());
        // Negative bands, sizes and lengths mean nothing to the commands.
        ASSERT_TRUE(it->second.min.has_value());
        EXPECT_EQ(*it->second.min, 0.0);
    }
    EXPECT_EQ(ShippedConfig().userValues.at("gORVA_01_EdgeChecker_Axes").choiceLabels.size(), 4u);
    EXPECT_EQ(ShippedConfig().userValues.at("gORVA_01_EdgeChecker_AngleMultiples").choiceLabels.size(), 3u);
}

TEST(FormatMessage, ExpandsNumberedArguments) {
    struct Case {
        const char *text;
        std::vector<std::string> args;
        const char *expected;
    };
    const Case cases[] = {
        {"Height: %1", {"1.5 m"}, "Height: 1.5 m"},
        {"%2 then %1", {"a", "b"}, "b then a"},
        {"%1%1", {"x"}, "xx"},
        {"Span: %1", {}, "Span: "},
        {"%3", {"a", "b"}, ""},
        {"100%% done", {}, "100% done"},
        {"%%1", {"x"}, "%1"},
        {"%9", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}, "nine"},
        {"%10", {"one"}, "one0"},
        {"50% off", {}, "50% off"},
        {"ends with %", {}, "ends with %"},
        {"%0 stays", {"a"}, "%0 stays"},
    };
    for (const Case &c : cases) EXPECT_EQ(FormatMessage(c.text, c.args), c.expected) << c.text;
}

struct BadFile {
    const char *name;
    const char *text;
    int line;
    const char *reason;  // part of the error
};

void PrintTo(const BadFile &bad, std::ostream *os) {
    *os << bad.name;
}

class MalformedFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(MalformedFile, ReportsFileAndLineAndLeavesConfigUnchanged) {
    ScratchDir dir(std::string("bad_") + GetParam().name);
    std::string path = dir.Write("bad.cfg", GetParam().text);
    HostConfig cfg = ShippedConfig();
    std::string error;
    EXPECT_FALSE(LoadConfigFile(path, cfg, error));
    EXPECT_NE(error.find(path + ":" + std::to_string(GetParam().line) + ":"), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_TRUE(cfg == ShippedConfig());
}

const char kGoodTable[] =
    "<configuration>\n<atom type=\"Messages\">\n<hash type=\"Table\" key=\"gORVA.Arch.en_US\">\n"
    "<hash type=\"T\" key=\"span\">Overwritten %1</hash>\n</hash>\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedFile,
    ::testing::Values(
        BadFile{"unclosed",
                "<configuration>\n<atom type=\"Messages\">\n<hash type=\"Table\" key=\"x.en_US\">\n"
                "</atom>\n</configuration>\n",
                4, "malformed XML"},
        BadFile{"truncated_after_good_table", kGoodTable, 5, "malformed XML"},
        BadFile{"wrong_root", "<?xml version=\"1.0\"?>\n\n<config/>\n", 3, "<configuration>"},
        BadFile{"table_without_locale",
                "<configuration>\n<atom type=\"Messages\">\n\n<hash type=\"Table\" key=\"gORVA.Arch\"/>\n"
                "</atom>\n</configuration>\n",
                4, "locale"},
        BadFile{"text_without_key",
                "<configuration>\n<atom type=\"Messages\">\n<hash type=\"Table\" key=\"a.en_US\">\n"
                "<hash type=\"T\">Text</hash>\n</hash>\n</atom>\n</configuration>\n",
                4, "key"},
        BadFile{"text_with_wrong_element",
                "<configuration><atom type=\"Messages\"><hash type=\"Table\" key=\"a.en_US\">\n\n"
                "<atom type=\"T\" key=\"k\">Text</atom></hash></atom></configuration>\n",
                3, "unexpected"},
        BadFile{"unknown_user_value_type",
                "<configuration>\n<atom type=\"UserValues\">\n<hash type=\"Definition\" key=\"v\">\n"
                "<atom type=\"Type\">number</atom>\n</hash>\n</atom>\n</configuration>\n",
                3, "unknown type"},
        BadFile{"default_not_a_number",
                "<configuration>\n<atom type=\"UserValues\">\n<hash type=\"Definition\" key=\"v\">\n"
                "<atom type=\"Type\">float</atom>\n<atom type=\"DefaultValue\">1,5</atom>\n</hash>\n</atom>\n"
                "</configuration>\n",
                5, "not a number"},
        BadFile{
            "default_out_of_range",
            "<configuration>\n<atom type=\"UserValues\">\n<hash type=\"Definition\" key=\"v\">\n"
            "<atom type=\"Type\">integer</atom>\n<atom type=\"DefaultValue\">3</atom>\n"
            "<atom type=\"Min\">0</atom>\n<atom type=\"Max\">2</atom>\n</hash>\n</atom>\n</configuration>\n",
            5, "outside"},
        BadFile{
            "fractional_integer_default",
            "<configuration>\n<atom type=\"UserValues\">\n<hash type=\"Definition\" key=\"v\">\n"
            "<atom type=\"Type\">integer</atom>\n<atom type=\"DefaultValue\">1.5</atom>\n</hash>\n</atom>\n"
            "</configuration>\n",
            5, "whole number"},
        BadFile{
            "list_shorter_than_range",
            "<configuration>\n<atom type=\"UserValues\">\n<hash type=\"Definition\" key=\"v\">\n"
            "<atom type=\"Type\">integer</atom>\n<atom type=\"Min\">0</atom>\n<atom type=\"Max\">2</atom>\n"
            "<list type=\"List\"><atom type=\"Entry\">A</atom></list>\n</hash>\n</atom>\n</configuration>\n",
            3, "list"},
        BadFile{"duplicate_popup_entry",
                "<configuration>\n<atom type=\"Popups\">\n<hash type=\"Popup\" key=\"p\">\n"
                "<hash type=\"Entry\" key=\"a\">A</hash>\n<hash type=\"Entry\" key=\"a\">B</hash>\n</hash>\n"
                "</atom>\n</configuration>\n",
                5, "twice"},
        BadFile{"empty_help_page",
                "<configuration>\n<atom type=\"HelpPages\">\n<hash type=\"Page\" key=\"gORVA.Arch\"></hash>\n"
                "</atom>\n</configuration>\n",
                3, "no address"},
        BadFile{"empty_file", "", 1, "malformed XML"}),
    [](const ::testing::TestParamInfo<BadFile> &param) { return std::string(param.param.name); });

TEST(LoadConfigFile, MissingFileIsAnErrorAndLeavesConfigUnchanged) {
    HostConfig cfg = ShippedConfig();
    std::string error;
    EXPECT_FALSE(LoadConfigFile("/nonexistent/gorva.cfg", cfg, error));
    EXPECT_NE(error.find("/nonexistent/gorva.cfg"), std::string::npos);
    EXPECT_TRUE(cfg == ShippedConfig());
}

TEST(LoadConfigFile, KeepsEnglishTablesAndSkipsOtherLocales) {
    ScratchDir dir("locales");
    std::string path = dir.Write(
        "l.cfg",
        "<configuration><atom type=\"Messages\">"
        "<hash type=\"Table\" key=\"gORVA.Arch.de_DE\"><hash type=\"T\" key=\"span\">Spannweite: "
        "%1</hash></hash>"
        "<hash type=\"Table\" key=\"gORVA.Arch.en_US\"><hash type=\"T\" key=\"span\">Span %1</hash></hash>"
        "</atom><atom type=\"SomethingElse\"><whatever/></atom></configuration>");
    HostConfig cfg;
    std::string error;
    ASSERT_TRUE(LoadConfigFile(path, cfg, error)) << error;
    ASSERT_EQ(cfg.messages.size(), 1u);
    EXPECT_EQ(cfg.messages.at("gORVA.Arch").at("span"), "Span %1");
}

TEST(LoadConfigDir, LaterFilesOverrideEarlierOnesInNameOrder) {
    ScratchDir dir("order");
    auto table = [](const char *text) {
        return std::string(
                   "<configuration><atom type=\"Messages\"><hash type=\"Table\" key=\"t.en_US\">"
                   "<hash type=\"T\" key=\"k\">") +
               text + "</hash></hash></atom></configuration>";
    };
    dir.Write("b.cfg", table("second"));
    dir.Write("a.cfg", table("first"));
    dir.Write("c.txt", "not a configuration file");
    HostConfig cfg;
    std::string error;
    ASSERT_TRUE(LoadConfigDir(dir.path.string(), cfg, error)) << error;
    EXPECT_EQ(cfg.messages.at("t").at("k"), "second");
}

TEST(LoadConfigDir, ABadFileLeavesConfigUnchangedEvenAfterGoodOnes) {
    ScratchDir dir("partial");
    dir.Write("a.cfg",
              "<configuration><atom type=\"HelpPages\"><hash type=\"Page\" key=\"s\">u</hash></atom>"
              "</configuration>");
    std::string bad = dir.Write("b.cfg", "<configuration>\n<atom>\n");
    HostConfig cfg;
    std::string error;
    EXPECT_FALSE(LoadConfigDir(dir.path.string(), cfg, error));
    EXPECT_NE(error.find(bad), std::string::npos) << error;
    EXPECT_TRUE(cfg.helpPages.empty());
}

TEST(LoadConfigDir, MissingFolderIsAnError) {
    HostConfig cfg;
    std::string error;
    EXPECT_FALSE(LoadConfigDir("/nonexistent/gorva-config", cfg, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
