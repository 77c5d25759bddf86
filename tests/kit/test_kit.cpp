// The installed kit, loaded by the in-memory host from the folder it was installed into: its index,
// its server table, its form and the texts every server needs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "host/bridge/attributes_ref.hpp"
#include "host/bridge/com_base.hpp"
#include "host/host.hpp"
#include "host/model/config.hpp"
#include "host/model/kit.hpp"

namespace {

using namespace gorva::host;
namespace fs = std::filesystem;

/// The server table, in the order the module registers it.
const std::vector<std::string> kServerTable = {
    "gORVA.Arch",
    "gORVA.BBox",
    "gORVA.ComponentAlignAToB",
    "gORVA.MeshAlignAToB",
    "gORVA.Scale",
    "gORVA.Sweeper",
    "gORVA.Cmd.AddLightAtPolyPos",
    "gORVA.Cmd.SelectbyHeight",
    "gORVA.Cmd.SelectbyNormal",
    "gORVA.Cmd.SelectEdgesbyAlignment",
};
constexpr size_t kToolCount = 6;

const KitInfo &InstalledKit() {
    static KitInfo kit;
    static std::string error;
    static const bool read = ReadKit(GORVA_KIT_DIR, kit, error);
    EXPECT_TRUE(read) << error;
    return kit;
}

/// One host for the suite, with the kit's configuration and module (a module is entered once).
Host &KitHost() {
    static Host host(InstalledKit().configDir);
    static std::string error;
    static const bool loaded = host.LoadPlugin(InstalledKit().modulePath, error);
    EXPECT_TRUE(loaded) << error;
    host.Install();
    return host;
}

/// A live instance of a server, released with the object.
struct Instance {
    LXtObjectID object;
    explicit Instance(const std::string &server) : object(KitHost().SpawnServer(server)) {}
    ~Instance() {
        if (object) ObjRelease(object);
    }
    Instance(const Instance &) = delete;
    Instance &operator=(const Instance &) = delete;
};

TEST(InstalledKit, IndexNamesTheKitItsTextsAndThisPlatformsModule) {
    const KitInfo &kit = InstalledKit();
    EXPECT_EQ(kit.name, "gORVA");
    EXPECT_EQ(kit.version, GORVA_KIT_VERSION);
    EXPECT_EQ(fs::path(kit.modulePath), fs::path(GORVA_KIT_DIR) / KitPlatform() / "gORVA_801.so");
    EXPECT_EQ(fs::path(kit.configDir), fs::path(GORVA_KIT_DIR) / "configs");
}

TEST(InstalledKit, ModuleRegistersTheTenServersInTableOrder) {
    const std::vector<ServerInfo> &servers = KitHost().Servers();
    ASSERT_EQ(servers.size(), kServerTable.size());
    for (size_t i = 0; i < servers.size(); ++i) {
        EXPECT_EQ(servers[i].name, kServerTable[i]);
        EXPECT_EQ(servers[i].IsTool(), i < kToolCount) << servers[i].name;
        EXPECT_EQ(servers[i].IsCommand(), i >= kToolCount) << servers[i].name;
    }
}

TEST(InstalledKit, CarriesTheSameTextsAsTheSourceTree) {
    HostConfig tree;
    std::string error;
    ASSERT_TRUE(LoadConfigDir(GORVA_SOURCE_DIR "/config", tree, error)) << error;
    EXPECT_TRUE(KitHost().config == tree);
    for (const std::string &server : kServerTable)
        EXPECT_TRUE(KitHost().config.messages.count(server)) << server << " has no message table";
}

TEST(InstalledKit, FormRunsEveryServerAndOnlyRegisteredOnesWithTheirArguments) {
    std::vector<FormControl> controls;
    std::string error;
    ASSERT_TRUE(ReadForms(InstalledKit().configDir, controls, error)) << error;
    ASSERT_FALSE(controls.empty());
    std::set<std::string> reached;
    for (const FormControl &control : controls) {
        SCOPED_TRACE(control.command);
        EXPECT_EQ(control.sheet, "gORVA");
        EXPECT_FALSE(control.label.empty());
        EXPECT_FALSE(control.tooltip.empty());
        std::string name;
        std::vector<CommandArg> args;
        ASSERT_TRUE(ParseCommandLine(control.command, name, args, error)) << error;
        if (name == "tool.set") {
            ASSERT_EQ(args.size(), 2u);
            EXPECT_TRUE(KitHost().HasTool(args[0].value));
            EXPECT_EQ(args[1].value, "on");
            reached.insert(args[0].value);
            continue;
        }
        Instance command(name);
        ASSERT_NE(command.object, nullptr) << "no such server";
        reached.insert(name);
        AttributesRef attributes(command.object);
        for (const CommandArg &arg : args) {
            ASSERT_FALSE(arg.name.empty()) << "arguments are given by name";
            const int index = attributes.FindIndex(arg.name);
            ASSERT_GE(index, 0) << arg.name;
            EXPECT_TRUE(LXx_OK(attributes.SetText(unsigned(index), arg.value)))
                << arg.name << ":" << arg.value;
        }
    }
    EXPECT_EQ(reached, std::set<std::string>(kServerTable.begin(), kServerTable.end()));
}

/// The popup type a hint table names in its ("=type") row, or empty.
std::string PopupType(const LXtTextValueHint *hints) {
    for (; hints && hints->text; ++hints)
        if (hints->value == -1 && hints->text[0] == '=') return hints->text + 1;
    return {};
}

/// Every choice of a popup attribute is labelled: by the kit's popup of that type, or by the hint.
void ExpectPopupLabelled(const LXtTextValueHint *hints) {
    const std::string type = PopupType(hints);
    std::vector<std::string> names;
    for (; hints && hints->text; ++hints)
        if (hints->value >= 0) names.push_back(hints->text);
    if (type.empty()) {
        for (const std::string &name : names) EXPECT_FALSE(name.empty());
        return;
    }
    auto popup = KitHost().config.popups.find(type);
    ASSERT_NE(popup, KitHost().config.popups.end()) << "no popup " << type;
    ASSERT_EQ(popup->second.size(), names.size()) << type;
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(popup->second[i].internalName, names[i]) << type;
        EXPECT_FALSE(popup->second[i].label.empty()) << type << " " << names[i];
    }
}

TEST(InstalledKit, EveryAttributeAndPopupOfEveryServerHasItsTexts) {
    for (size_t s = 0; s < kServerTable.size(); ++s) {
        const std::string &server = kServerTable[s];
        SCOPED_TRACE(server);
        const auto &help = s < kToolCount ? KitHost().config.tools : KitHost().config.commands;
        auto texts = help.find(server);
        ASSERT_NE(texts, help.end()) << "no help";
        EXPECT_FALSE(texts->second.userName.empty());
        EXPECT_FALSE(texts->second.description.empty());
        Instance instance(server);
        ASSERT_NE(instance.object, nullptr);
        AttributesRef attributes(instance.object);
        ASSERT_TRUE(attributes);
        for (unsigned i = 0; i < attributes.Count(); ++i) {
            const std::string name = attributes.Name(i);
            auto label = texts->second.arguments.find(name);
            ASSERT_NE(label, texts->second.arguments.end()) << name << " has no label";
            EXPECT_FALSE(label->second.userName.empty()) << name;
            EXPECT_FALSE(label->second.description.empty()) << name;
            ExpectPopupLabelled(attributes.Hints(i));
        }
        // No label for an attribute the server does not have.
        EXPECT_EQ(texts->second.arguments.size(), attributes.Count());
    }
}

TEST(InstalledKit, EveryUserValueTheModuleReadsIsDefined) {
    const std::regex userValue("gORVA_01_[A-Za-z_]+");
    std::set<std::string> read;
    for (const char *folder : {"module", "common", "commands", "tools"}) {
        for (const auto &entry : fs::recursive_directory_iterator(fs::path(GORVA_SOURCE_DIR) / folder)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path());
            const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            for (std::sregex_iterator it(text.begin(), text.end(), userValue), end; it != end; ++it)
                read.insert(it->str());
        }
    }
    ASSERT_FALSE(read.empty());
    for (const std::string &name : read) {
        auto def = KitHost().config.userValues.find(name);
        ASSERT_NE(def, KitHost().config.userValues.end()) << name << " is not defined";
        EXPECT_FALSE(def->second.userName.empty()) << name;
        ASSERT_NE(KitHost().UserValue(name), nullptr) << name;
    }
}

}  // namespace
