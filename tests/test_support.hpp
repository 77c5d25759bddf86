// Shared test fixture: an in-memory host with the module linked into the test program attached.
#pragma once

#include <gtest/gtest.h>

#include "host/host.hpp"
#include "host/model/vec3.hpp"

class ILxModule;

/// The statically linked module, entered as the host enters a plug-in; its start-up runs once per
/// process. SDK calls reach the host constructed last.
ILxModule *InProcessModule();

/// A fresh host (shipped configuration, empty scene) with the in-process module attached.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override { host.AttachModule(InProcessModule()); }

    gorva::host::Host host;
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
    /// Point i of an item's mesh in world space.
    static gorva::host::Vec3 WorldPoint(const gorva::host::ItemData &item, uint32_t i);

    gorva::host::ItemData *mesh = nullptr;
};
