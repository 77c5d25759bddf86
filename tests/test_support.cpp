#include "tests/test_support.hpp"

#include <string>

#include "host/model/builders.hpp"
#include "host/tool_runtime/tool_host.hpp"
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

gorva::host::Vec3 ToolSceneTest::AttrTriple(const std::string &prefix) {
    return {AttrNumber(prefix + "X"), AttrNumber(prefix + "Y"), AttrNumber(prefix + "Z")};
}

gorva::host::Vec3 ToolSceneTest::HandleAt(int part) {
    for (const gorva::host::DrawnHandle &h : host.Tools().Drawing().handles)
        if (h.part == part) return h.pos;
    ADD_FAILURE() << "no handle with part " << part << " was drawn";
    return {};
}

gorva::host::Vec3 ToolSceneTest::WorldPoint(const gorva::host::ItemData &item, uint32_t i) {
    const auto &p = item.mesh->positions[i];
    return gorva::host::TransformPoint(item.WorldMatrix(), {p[0], p[1], p[2]});
}
