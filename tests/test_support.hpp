// Shared test fixture: an in-memory host with the module linked into the test program attached.
#pragma once

#include <gtest/gtest.h>

#include "host/host.hpp"

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
