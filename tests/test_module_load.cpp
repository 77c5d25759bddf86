#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/bridge/com_base.hpp"
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

// Servers of the table not built yet. A tool's work takes its name off this list when it lands.
const std::vector<std::string> kPendingServers = {};

const std::vector<std::string> kToolInterfaces = {"ILxTool", "ILxToolModel", "ILxAttributes",
                                                  "ILxAttributesUI"};
const std::vector<std::string> kCommandInterfaces = {"ILxCommand", "ILxAttributes", "ILxAttributesUI"};

bool IsPending(const std::string &name) {
    for (const std::string &pending : kPendingServers)
        if (pending == name) return true;
    return false;
}

/// The table's servers that must be registered, in table order.
std::vector<const ServerRow *> ExpectedServers() {
    std::vector<const ServerRow *> rows;
    for (const ServerRow &row : kServerTable)
        if (!IsPending(row.name)) rows.push_back(&row);
    return rows;
}

class ModuleLoad : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.LoadPlugin(GORVA_PLUGIN_PATH, error)) << error; }

    std::vector<std::string> RegisteredNames() const {
        std::vector<std::string> names;
        for (const auto &server : host.Servers()) names.push_back(server.name);
        return names;
    }

    gorva::host::Host host;
    std::string error;
};

TEST_F(ModuleLoad, RegistersTheTableInOrderSaveThePendingServers) {
    std::vector<std::string> expected;
    for (const ServerRow *row : ExpectedServers()) expected.push_back(row->name);
    EXPECT_EQ(RegisteredNames(), expected);
}

TEST_F(ModuleLoad, PendingServersAreTableServersNotYetRegistered) {
    const std::vector<std::string> registered = RegisteredNames();
    for (const std::string &pending : kPendingServers) {
        bool inTable = false;
        for (const ServerRow &row : kServerTable) inTable = inTable || pending == row.name;
        EXPECT_TRUE(inTable) << pending << " is not a server of the table";
        EXPECT_EQ(std::count(registered.begin(), registered.end(), pending), 0)
            << pending << " is registered: take it off the pending list";
    }
}

TEST_F(ModuleLoad, ServersExposeTheirKindsInterfacesInOrder) {
    for (const ServerRow *row : ExpectedServers()) {
        const gorva::host::ServerInfo *found = nullptr;
        for (const auto &server : host.Servers())
            if (server.name == row->name) found = &server;
        ASSERT_NE(found, nullptr) << row->name << " is not registered";
        EXPECT_EQ(found->interfaces, row->tool ? kToolInterfaces : kCommandInterfaces) << row->name;
    }
}

TEST_F(ModuleLoad, RegisteredServersCanBeSpawned) {
    for (const ServerRow *row : ExpectedServers()) {
        void *instance = host.SpawnServer(row->name);
        ASSERT_NE(instance, nullptr) << row->name;
        gorva::host::ObjRelease(instance);
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
