#include "tests/test_support.hpp"

#include <string>

#include "host/builders.hpp"
#include "host/tool_host.hpp"
#include "lx_module.hpp"

ILxModule *InProcessModule() {
    void *module = nullptr;
    lx::CreateModule(lx::HostRoot(), &module, &initialize);
    return static_cast<ILxModule *>(module);
}

void ToolSceneTest::SetUp() {
    HostTest::SetUp();
    gorva::host::MeshSpec shape;
    shape.name = "Arches";
    mesh = &gorva::host::AddMesh(host, shape);
    host.selection.SetCurrent(gorva::host::kSelPolygon);
}

void ToolSceneTest::Line(const std::string &line) {
    gorva::host::CommandResult r = host.RunLine(line);
    ASSERT_TRUE(r.ok()) << line << ": " << r.message;
}

double ToolSceneTest::AttrNumber(const std::string &attr) {
    return std::stod(host.Tools().Attribute(attr));
}
