// Shared test fixtures, one rung on the other: a host with the module attached (HostTest), a
// command on it (CommandTest), and a scene for driving tools by command lines (ToolSceneTest).
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/host.hpp"
#include "host/model/vec3.hpp"

/// The statically linked module object (ILxModule), entered as the host enters a plug-in; its
/// start-up runs once per process. SDK calls reach the host installed last.
void *InProcessModule();

/// A fresh host (shipped configuration, empty scene) with the in-process module attached.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override { host.AttachModule(InProcessModule()); }

    gorva::host::Host host;
};

/// Point i of an item's mesh in world space.
gorva::host::Vec3 WorldPoint(const gorva::host::ItemData &item, uint32_t i);

/// A host test for one command: runs it, sets the user values it reads, gives the texts of its
/// message table, and checks a failure and the selection it leaves.
class CommandTest : public HostTest {
protected:
    /// `command` is the server name, which also names its message table.
    explicit CommandTest(std::string command) : m_command(std::move(command)) {}

    /// Runs the command with the arguments as a user would (enable test, one undo step).
    gorva::host::CommandResult Run(const std::vector<gorva::host::CommandArg> &args = {});
    /// Sets a user value the command reads; fails the test when the host refuses it.
    void SetValue(const std::string &name, const std::string &value);
    /// The text of a key of the command's message table.
    std::string Text(const std::string &key, const std::vector<std::string> &args = {}) const;
    /// Checks that a run failed with the generic failure code and the key's text.
    void ExpectFailure(const gorva::host::CommandResult &r, const std::string &key) const;

    /// The selected points, polygons and edges (as sorted end-point pairs) of one mesh item.
    std::set<uint32_t> SelectedPoints(const gorva::host::ItemData &item);
    std::set<uint32_t> SelectedPolygons(const gorva::host::ItemData &item);
    std::set<std::pair<uint32_t, uint32_t>> SelectedEdges(const gorva::host::ItemData &item);

private:
    std::string m_command;
};

/// A host with an empty active mesh item "Arches" in polygon mode, for driving tools by command lines.
class ToolSceneTest : public HostTest {
protected:
    void SetUp() override;
    /// Runs one command line and fails the test (with the line and the reason) when it fails.
    void Line(const std::string &line);
    /// The active tool's attribute as a number.
    double AttrNumber(const std::string &attr);
    /// The active tool's attributes prefix + "X", "Y", "Z" as a vector.
    gorva::host::Vec3 AttrTriple(const std::string &prefix);
    /// Where the active tool last drew the handle of this part (world space); fails the test and
    /// gives the origin when it was not drawn.
    gorva::host::Vec3 HandleAt(int part);

    gorva::host::ItemData *mesh = nullptr;
};
