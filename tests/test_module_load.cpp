#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host.hpp"
#include "tests/test_support.hpp"

namespace {

struct ServerRow {
    const char *name;
    bool tool;
};

// Every server of the module, in the order the module registers them.
const std::vector<ServerRow> kServerTable = {
    {"gORVA.Arch", true},
    {"gORVA.BBox", true},
    {"gORVA.ComponentAlignAToB", true},
    {"gORVA.MeshAlignAToB", true},
    {"gORVA.Scale", true},
    {"gORVA.Sweeper", true},
    {"gORVA.Cmd.AddLightAtPolyPos", false},
    {"gORVA.Cmd.SelectbyHeight", false},
    {"gORVA.Cmd.SelectbyNormal", false},
    {"gORVA.Cmd.SelectEdgesbyAlignment", false},
};

const std::vector<std::string> kToolInterfaces = {"ILxTool", "ILxToolModel", "ILxAttributes",
                                                  "ILxAttributesUI"};
const std::vector<std::string> kCommandInterfaces = {"ILxCommand", "ILxAttributes", "ILxAttributesUI"};

/// Position of a server in the table (exact case), or -1.
int TableIndex(const std::string &name) {
    for (size_t i = 0; i < kServerTable.size(); ++i)
        if (name == kServerTable[i].name) return int(i);
    return -1;
}

class ModuleLoad : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.LoadPlugin(GORVA_PLUGIN_PATH, error)) << error; }

    gorva::host::Host host;
    std::string error;
};

TEST_F(ModuleLoad, EveryServerIsInTheTableInTableOrder) {
    int previous = -1;
    for (const auto &server : host.Servers()) {
        const int index = TableIndex(server.name);
        ASSERT_GE(index, 0) << "unknown server " << server.name;
        EXPECT_GT(index, previous) << server.name << " registered out of order or twice";
        previous = index;
    }
}

TEST_F(ModuleLoad, ServersExposeTheirKindsInterfacesInOrder) {
    for (const auto &server : host.Servers()) {
        const int index = TableIndex(server.name);
        ASSERT_GE(index, 0) << server.name;
        const auto &expected = kServerTable[size_t(index)].tool ? kToolInterfaces : kCommandInterfaces;
        EXPECT_EQ(server.interfaces, expected) << server.name;
    }
}

TEST_F(ModuleLoad, RegisteredServersCanBeSpawned) {
    for (const auto &server : host.Servers()) {
        ILxUnknownID instance = host.SpawnServer(server.name);
        ASSERT_NE(instance, nullptr) << server.name;
        instance->Release();
    }
}

TEST(ModuleInProcess, RegistersTheSameServersAsThePlugin) {
    std::vector<std::string> inProcess, plugin;
    {
        gorva::host::Host host;
        host.AttachModule(InProcessModule());
        for (const auto &server : host.Servers()) inProcess.push_back(server.name);
    }
    {
        gorva::host::Host host;
        std::string error;
        ASSERT_TRUE(host.LoadPlugin(GORVA_PLUGIN_PATH, error)) << error;
        for (const auto &server : host.Servers()) plugin.push_back(server.name);
    }
    EXPECT_EQ(inProcess, plugin);
}

}  // namespace
