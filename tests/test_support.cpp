#include "tests/test_support.hpp"

#include <algorithm>
#include <string>

#include "tests/support/shapes.hpp"
#include "host/tool_runtime/tool_host.hpp"
// The SDK's entry point, linked in with the module.
extern "C" void *_ILxModule_Create();

void *InProcessModule() {
    // Entered once and never released: a module cannot be entered again after its last release.
    static void *module = _ILxModule_Create();
    return module;
}

namespace {

/// Hands the in-process module its context before any test, so that SDK calls made by tests
/// without a module attached (a host and wrappers alone) reach the host installed last.
class InProcessContext : public ::testing::Environment {
public:
    void SetUp() override {
        gorva::host::Host host;
        host.AttachModule(InProcessModule());
    }
};

const auto *const kContext = ::testing::AddGlobalTestEnvironment(new InProcessContext);

}  // namespace

void ToolSceneTest::SetUp() {
    HostTest::SetUp();
    gorva::host::MeshShape shape;
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

gorva::host::Vec3 WorldPoint(const gorva::host::ItemData &item, uint32_t i) {
    const auto &p = item.mesh->Positions()[i];
    return gorva::host::TransformPoint(item.WorldMatrix(), {p[0], p[1], p[2]});
}

gorva::host::CommandResult CommandTest::Run(const std::vector<gorva::host::CommandArg> &args) {
    return host.Run(m_command, args);
}

void CommandTest::SetValue(const std::string &name, const std::string &value) {
    std::string error;
    ASSERT_TRUE(host.SetUserValue(name, value, error)) << name << ": " << error;
}

std::string CommandTest::Text(const std::string &key, const std::vector<std::string> &args) const {
    return host.MessageText(m_command, key, args);
}

void CommandTest::ExpectFailure(const gorva::host::CommandResult &r, const std::string &key) const {
    EXPECT_EQ(r.code, LXe_FAILED);
    EXPECT_EQ(r.message, Text(key));
}

std::set<uint32_t> CommandTest::SelectedPoints(const gorva::host::ItemData &item) {
    std::set<uint32_t> out;
    for (const gorva::host::VertexPacket &p : host.selection.Vertices())
        if (p.mesh == item.mesh.get()) out.insert(p.point);
    return out;
}

std::set<uint32_t> CommandTest::SelectedPolygons(const gorva::host::ItemData &item) {
    std::set<uint32_t> out;
    for (const gorva::host::PolygonPacket &p : host.selection.Polygons())
        if (p.mesh == item.mesh.get()) out.insert(p.polygon);
    return out;
}

std::set<std::pair<uint32_t, uint32_t>> CommandTest::SelectedEdges(const gorva::host::ItemData &item) {
    std::set<std::pair<uint32_t, uint32_t>> out;
    for (const gorva::host::EdgePacket &e : host.selection.EdgeList())
        if (e.mesh == item.mesh.get()) out.insert({std::min(e.a, e.b), std::max(e.a, e.b)});
    return out;
}
