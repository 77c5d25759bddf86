#include "fuzz/fuzz_support.hpp"

#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "host/io/obj_io.hpp"
#include "tests/support/shapes.hpp"
#include "host/model/selection.hpp"
#include "host/bridge/attributes_ref.hpp"
#include "host/tool_runtime/tool_host.hpp"

// The SDK's entry point, linked in with the module.
extern "C" void *_ILxModule_Create();

namespace gorva::fuzz {

using namespace gorva::host;

const std::string &ScratchFolder() {
    static const std::string folder = [] {
        char path[] = "/tmp/gorva-fuzz-XXXXXX";
        const char *made = ::mkdtemp(path);
        if (!made) std::abort();
        return std::string(made);
    }();
    return folder;
}

namespace {

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The scenes a script can open: the examples, the canned degenerate scene and a far point.
const std::vector<std::pair<std::string, std::string>> &SeedScenes() {
    static const std::vector<std::pair<std::string, std::string>> scenes = [] {
        std::vector<std::pair<std::string, std::string>> list;
        for (const char *name : {"facade.obj", "arcade_wall.obj"})
            list.emplace_back(name, ReadFile(std::string(GORVA_EXAMPLES_DIR) + "/" + name));
        Host host;
        AddDegenerateScene(host);
        std::ostringstream text;
        WriteObj(host.scene, text);
        list.emplace_back("degenerate.obj", text.str());
        // One point far out: a scale about the box centre must not wipe the near points' digits.
        list.emplace_back("far_point.obj",
                          "v 0.123 0 0\nv 1e20 1 0\nv 0.5 2 1\nv 0.25 0.5 0.5\nf 1 2 3\nf 1 3 4\n");
        return list;
    }();
    return scenes;
}

/// Empties the scratch folder and puts the seed scenes back, so that every run starts alike.
void ResetScratch() {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(ScratchFolder(), ec)) fs::remove_all(entry.path(), ec);
    for (const auto &scene : SeedScenes()) std::ofstream(ScratchFolder() + "/" + scene.first) << scene.second;
}

/// A path inside the scratch folder with the file name of `path`, cleaned to letters, digits, '.',
/// '-' and '_' (at most 40 of them).
std::string Confined(const std::string &path) {
    std::string name = path.substr(path.find_last_of('/') + 1), clean;
    for (char c : name)
        if (clean.size() < 40 &&
            (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_'))
            clean += c;
    if (clean.empty() || clean[0] == '.') clean = "f" + clean;
    return ScratchFolder() + "/" + clean;
}

/// Re-registers a host command so that its argument 0 (a path) stays in the scratch folder.
void Confine(Host &host, const std::string &name, bool smallPicture) {
    const HostCommandDef *def = host.FindHostCommand(name);
    if (!def) return;
    HostCommandDef confined = *def;
    auto inner = def->execute;
    confined.execute = [inner, smallPicture](Host &h, const std::vector<std::string> &args) {
        std::vector<std::string> a = args;
        if (!a.empty() && !a[0].empty()) a[0] = Confined(a[0]);
        if (smallPicture)  // width and height: big pictures only cost time
            for (size_t i : {size_t(2), size_t(3)})
                if (a.size() > i && (a[i].empty() || std::atof(a[i].c_str()) > 96.0)) a[i] = "96";
        return inner(h, a);
    };
    host.RegisterCommand(std::move(confined));
}

/// The linked-in module, entered once: a module cannot be entered again after its last release.
void *LinkedModule() {
    static void *module = _ILxModule_Create();
    return module;
}

void Put(std::string &out, const void *data, size_t size) {
    out.append(static_cast<const char *>(data), size);
}

template <class T>
void Put(std::string &out, const T &value) {
    Put(out, &value, sizeof value);
}

void PutText(std::string &out, const std::string &text) {
    Put(out, uint64_t(text.size()));
    out += text;
}

std::string IdentOf(const ItemData *item) {
    return item ? item->ident : std::string("-");
}

void CaptureMesh(std::string &out, MeshData &mesh) {
    Put(out, uint64_t(mesh.Positions().size()));
    for (const auto &p : mesh.Positions()) Put(out, p);
    Put(out, uint64_t(mesh.PolygonCount()));
    for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
        Put(out, mesh.PolygonType(poly));
        Put(out, mesh.VertexCount(poly));
        Put(out, mesh.Vertices(poly), sizeof(uint32_t) * mesh.VertexCount(poly));
        for (const TagColumn &column : mesh.TagColumns()) {
            const char *tag = mesh.Tag(poly, column.type);
            if (!tag) continue;
            Put(out, column.type);
            PutText(out, tag);
        }
    }
    for (uint32_t m = 0; m < mesh.MapCount(); ++m) {
        const MeshMap &map = mesh.Map(m);
        PutText(out, map.name);
        Put(out, map.type);
        map.values.ForEach([&](uint32_t c, const float *value) {
            Put(out, uint64_t(c));
            Put(out, value, sizeof(float) * map.Dim());
        });
    }
    const EdgeTable &edges = mesh.Edges();
    Put(out, uint64_t(edges.ends.size()));
    for (const auto &e : edges.ends) Put(out, e);
}

void CaptureSelection(std::string &out, Host &host) {
    for (const auto &v : host.selection.Vertices()) {
        PutText(out, IdentOf(v.mesh->Owner()));
        Put(out, v.point);
    }
    out += '|';
    for (const auto &e : host.selection.EdgeList()) {
        PutText(out, IdentOf(e.mesh->Owner()));
        Put(out, e.a);
        Put(out, e.b);
    }
    out += '|';
    for (const auto &p : host.selection.Polygons()) {
        PutText(out, IdentOf(p.mesh->Owner()));
        Put(out, p.polygon);
    }
    out += '|';
    for (const auto &i : host.selection.ItemList()) PutText(out, IdentOf(i.item));
    out += '|';
    for (ItemData *layer : host.ActiveLayers()) PutText(out, layer->ident);
    PutText(out, IdentOf(host.Primary()));
    for (const auto &name : host.UserValueNames()) {
        PutText(out, name);
        PutText(out, *host.UserValue(name));
    }
    for (const auto &pref : host.Preferences()) {
        PutText(out, pref.first);
        PutText(out, pref.second);
    }
    PutText(out, host.refSystem);
}

std::string Describe(const ItemData &item) {
    return "\"" + item.name + "\" (" + item.ident + ")";
}

void CheckMesh(MeshData &mesh, const std::string &step, const std::string &who) {
    auto fail = [&](const std::string &what) { Finding(step, who + ": " + what); };
    uint32_t points = mesh.PointCount(), polygons = mesh.PolygonCount();
    if (mesh.PointMarks().size() != points) fail("point marks do not match the points");
    for (uint32_t i = 0; i < points; ++i)
        for (float c : mesh.Positions()[i])
            if (!(std::fabs(c) <= FLT_MAX)) fail("point " + std::to_string(i) + " is not finite");
    const std::vector<uint32_t> &starts = mesh.PolygonStarts();
    if (starts.size() != size_t(polygons) + 1 || starts[0] != 0 || starts.back() != mesh.CornerCount() ||
        mesh.PolygonTypes().size() != polygons || mesh.PolygonMarks().size() != polygons)
        fail("polygon offsets do not match the corners");
    for (uint32_t poly = 0; poly < polygons; ++poly) {
        uint32_t n = mesh.VertexCount(poly);
        if (starts[poly + 1] < starts[poly] || n == 0)
            fail("polygon " + std::to_string(poly) + " has no corners");
        const uint32_t *v = mesh.Vertices(poly);
        for (uint32_t i = 0; i < n; ++i) {
            if (v[i] >= points) fail("polygon " + std::to_string(poly) + " names a point out of range");
            if (n > 1 && v[i] == v[(i + 1) % n])
                fail("polygon " + std::to_string(poly) + " repeats a corner");
        }
    }
    for (const TagColumn &column : mesh.TagColumns()) {
        if (column.strings.size() != polygons) fail("a tag column does not match the polygons");
        for (int32_t s : column.strings)
            if (s >= int32_t(mesh.TagStrings().size())) fail("a tag names no string");
    }
    for (uint32_t m = 0; m < mesh.MapCount(); ++m) {
        const MeshMap &map = mesh.Map(m);
        size_t count = 0;
        map.values.ForEach([&](uint32_t c, const float *value) {
            ++count;
            if (c >= mesh.CornerCount()) fail("map \"" + map.name + "\" holds a value past the corners");
            if (!std::all_of(value, value + map.Dim(), [](float x) { return std::isfinite(x); }))
                fail("map \"" + map.name + "\" holds a value that is not finite");
        });
        if (count != map.values.Count()) fail("map \"" + map.name + "\" miscounts its values");
    }
    // The edge table against one built afresh: order of first appearance, first orientation.
    std::vector<std::array<uint32_t, 2>> expected;
    std::set<std::pair<uint32_t, uint32_t>> seen;
    for (uint32_t poly = 0; poly < polygons; ++poly) {
        uint32_t n = mesh.VertexCount(poly);
        const uint32_t *v = mesh.Vertices(poly);
        for (uint32_t i = 0; n > 1 && i < (n == 2 ? 1 : n); ++i) {
            uint32_t a = v[i], b = v[(i + 1) % n];
            if (seen.insert({std::min(a, b), std::max(a, b)}).second) expected.push_back({a, b});
        }
    }
    const EdgeTable &edges = mesh.Edges();
    if (edges.ends != expected || edges.marks.size() != expected.size() ||
        edges.firstPolygon.size() != expected.size())
        fail("the edge table differs from the polygons' edges");
    for (uint32_t e = 0; e < expected.size(); ++e)
        if (mesh.FindEdge(expected[e][1], expected[e][0]) != e)
            fail("edge " + std::to_string(e) + " is not found");
}

void CheckItems(Host &host, const std::string &step) {
    std::unordered_set<const ItemData *> items;
    for (const auto &holder : host.scene.Items()) items.insert(holder.get());
    for (const auto &holder : host.scene.Items()) {
        const ItemData &item = *holder;
        std::string who = "item " + Describe(item);
        if (item.parent && !items.count(item.parent)) Finding(step, who + " has a parent outside the scene");
        if (item.parent && std::count(item.parent->children.begin(), item.parent->children.end(), &item) != 1)
            Finding(step, who + " is not listed once among its parent's children");
        for (const ItemData *child : item.children)
            if (child->parent != &item) Finding(step, who + " lists a child that is not its own");
        size_t depth = 0;
        for (const ItemData *p = item.parent; p; p = p->parent)
            if (++depth > items.size()) Finding(step, who + " is its own ancestor");
        for (double v : item.channelValues)
            if (!(std::fabs(v) <= FLT_MAX)) Finding(step, who + " has a channel beyond single precision");
        if (item.instanceOf && !items.count(item.instanceOf))
            Finding(step, who + " is an instance of nothing");
        if (host.scene.Find(item.ident) != &item) Finding(step, who + " is not found by its identity");
    }
    for (ItemData *layer : host.ActiveLayers())
        if (!layer->mesh) Finding(step, "active layer " + Describe(*layer) + " has no mesh");
}

void CheckSelection(Host &host, const std::string &step) {
    std::unordered_map<const MeshData *, std::array<size_t, 3>> listed;
    for (const auto &v : host.selection.Vertices()) {
        if (v.point >= v.mesh->PointCount() || !(v.mesh->PointMarks()[v.point] & kMarkSelect))
            Finding(step, "a selected vertex does not exist or lacks its mark");
        ++listed[v.mesh][0];
    }
    for (const auto &e : host.selection.EdgeList()) {
        if (!e.mesh->IsEdge(e.edge, e.a, e.b) || !(e.mesh->MarksOf(1)[e.edge] & kMarkSelect))
            Finding(step, "a selected edge does not exist or lacks its mark");
        ++listed[e.mesh][1];
    }
    for (const auto &p : host.selection.Polygons()) {
        if (p.polygon >= p.mesh->PolygonCount() || !(p.mesh->PolygonMarks()[p.polygon] & kMarkSelect))
            Finding(step, "a selected polygon does not exist or lacks its mark");
        ++listed[p.mesh][2];
    }
    std::unordered_set<const MeshData *> meshes;
    for (const auto &holder : host.scene.Items()) {
        if (!holder->mesh || !meshes.insert(holder->mesh.get()).second) continue;
        MeshData &mesh = *holder->mesh;
        for (int kind = 0; kind < 3; ++kind) {
            size_t marked = 0;
            for (uint32_t m : mesh.MarksOf(kind)) marked += (m & kMarkSelect) != 0;
            if (marked != listed[&mesh][size_t(kind)])
                Finding(step, "the select marks of " + Describe(*holder) + " disagree with the selection");
        }
    }
}

}  // namespace

std::unique_ptr<Host> NewHost() {
    ResetScratch();
    auto host = std::make_unique<Host>();
    host->AttachModule(LinkedModule());
    for (const char *name : {"scene.open", "scene.saveAs", "scene.dump"}) Confine(*host, name, false);
    Confine(*host, "render", true);
    return host;
}

void Finding(const std::string &step, const std::string &what) {
    std::fprintf(stderr, "FINDING after \"%s\": %s\n", step.c_str(), what.c_str());
    std::abort();
}

void CheckInvariants(Host &host, const std::string &step) {
    CheckItems(host, step);
    std::unordered_set<const MeshData *> meshes;
    for (const auto &holder : host.scene.Items())
        if (holder->mesh && meshes.insert(holder->mesh.get()).second)
            CheckMesh(*holder->mesh, step, "mesh " + Describe(*holder));
    CheckSelection(host, step);
}

std::string Capture(Host &host, bool selection) {
    std::string out;
    for (const auto &holder : host.scene.Items()) {
        const ItemData &item = *holder;
        PutText(out, item.ident);
        PutText(out, item.name);
        Put(out, item.type);
        PutText(out, IdentOf(item.parent));
        PutText(out, IdentOf(item.instanceOf));
        for (size_t i = 0; i < item.channelValues.size(); ++i) {
            PutText(out, item.channelNames[i]);
            Put(out, item.channelValues[i]);
        }
        if (item.mesh) {
            PutText(out, IdentOf(item.mesh->Owner()));
            CaptureMesh(out, *item.mesh);
        }
    }
    if (selection) CaptureSelection(out, host);
    return out;
}

std::vector<std::string> CommandNames(Host &host) {
    std::vector<std::string> names;
    for (const ServerInfo &s : host.Servers())
        if (s.IsCommand()) names.push_back(s.name);
    return names;
}

std::vector<std::string> ToolNames(Host &host) {
    std::vector<std::string> names;
    for (const ServerInfo &s : host.Servers())
        if (s.IsTool()) names.push_back(s.name);
    return names;
}

std::vector<AttributeInfo> Attributes(Host &host, const std::string &server) {
    std::vector<AttributeInfo> table;
    void *obj = host.SpawnServer(server);
    if (!obj) return table;
    {
        AttributesRef attrs(obj);
        for (unsigned i = 0; i < attrs.Count(); ++i) {
            AttributeInfo info;
            info.name = attrs.Name(i);
            info.type = attrs.TypeName(i);
            for (const LXtTextValueHint *h = attrs.Hints(i); h && h->text; ++h)
                if (h->value >= 0 && h->text[0] != '=') info.popup.push_back(h->text);
            table.push_back(info);
        }
    }
    ObjRelease(obj);
    return table;
}

std::string NumberText(FuzzedDataProvider &in) {
    static const char *const values[] = {
        "0",          "1",          "-1",          "0.5",        "2",     "3",        "10",     "-0",
        "1e-7",       "-1e-7",      "1e-300",      "1e6",        "-1e6",  "1e12",     "3.4e38", "-3.4e38",
        "3.5e38",     "1e39",       "-1e39",       "1e308",      "1e400", "nan",      "inf",    "-inf",
        "4294967296", "2147483647", "-2147483648", "2147483648", "1.5",   "0.999999", "7",      "100",
        "-100",       "",           "x",           "0x10",       "1e",    "90",       "180",    "360",
        "-90",        "6.283185307"};
    if (in.ConsumeBool()) return in.PickValueInArray(values);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", in.ConsumeFloatingPointInRange<double>(-1e4, 1e4));
    return buf;
}

std::string AttributeValue(FuzzedDataProvider &in, const AttributeInfo &attr) {
    if (!attr.popup.empty() && in.ConsumeBool())
        return attr.popup[in.ConsumeIntegralInRange<size_t>(0, attr.popup.size() - 1)];
    if (attr.type == "string") return in.ConsumeRandomLengthString(12);
    if (attr.type == "boolean") {
        static const char *const values[] = {"0", "1", "true", "off", "2", "-1", "yes", ""};
        return in.PickValueInArray(values);
    }
    if (attr.type == "color") return NumberText(in) + " " + NumberText(in) + " " + NumberText(in);
    if (attr.type == "integer" && in.ConsumeBool())
        return std::to_string(in.ConsumeIntegralInRange<int>(-2, 12));
    return NumberText(in);
}

float Coordinate(FuzzedDataProvider &in) {
    static const float values[] = {0.0f,     1.0f,   -1.0f,  0.5f,   2.0f,    1e-7f,     -1e-7f,
                                   1e-30f,   1e-40f, 1e6f,   -1e6f,  3.4e38f, -3.4e38f,  FLT_MAX,
                                   -FLT_MAX, 1e19f,  1e-19f, 100.0f, 0.001f,  12345.678f};
    if (in.ConsumeBool()) return in.PickValueInArray(values);
    return float(in.ConsumeIntegralInRange<int>(-8, 8)) * 0.5f;
}

namespace {

void GenerateMesh(FuzzedDataProvider &in, Host &host, std::vector<ItemData *> &items) {
    static const char *const tags[] = {"", "", "Brick", "Glass", "gORVA__Arches", "a b"};
    MeshShape shape;
    shape.name = "M" + std::to_string(items.size());
    uint32_t points = in.ConsumeIntegralInRange<uint32_t>(0, 12);
    for (uint32_t i = 0; i < points; ++i)
        shape.points.push_back({Coordinate(in), Coordinate(in), Coordinate(in)});
    uint32_t polygons = in.ConsumeIntegralInRange<uint32_t>(0, 8);
    for (uint32_t p = 0; p < polygons; ++p) {
        PolygonShape poly;
        uint32_t n = in.ConsumeIntegralInRange<uint32_t>(1, 6);
        for (uint32_t k = 0; k < n; ++k)
            poly.vertices.push_back(in.ConsumeIntegralInRange<uint32_t>(0, points));
        poly.material = in.PickValueInArray(tags);
        poly.part = in.PickValueInArray(tags);
        shape.polygons.push_back(poly);
    }
    for (auto *v : {&shape.position, &shape.rotation, &shape.scale})
        if (in.ConsumeBool())
            for (double &c : *v) c = Coordinate(in);
    shape.active = in.ConsumeIntegralInRange<int>(0, 3) != 0;
    ItemData &item = AddMesh(host, shape);
    if (!items.empty() && in.ConsumeBool())
        host.scene.SetParent(item, items[in.ConsumeIntegralInRange<size_t>(0, items.size() - 1)]);
    items.push_back(&item);
}

void GenerateSelection(FuzzedDataProvider &in, Host &host) {
    auto layers = host.ActiveLayers();
    unsigned picks = in.ConsumeIntegralInRange<unsigned>(0, 8);
    for (unsigned k = 0; k < picks && !layers.empty(); ++k) {
        MeshData &mesh = *layers[in.ConsumeIntegralInRange<size_t>(0, layers.size() - 1)]->mesh;
        uint32_t a = in.ConsumeIntegralInRange<uint32_t>(0, 15),
                 b = in.ConsumeIntegralInRange<uint32_t>(0, 15);
        switch (in.ConsumeIntegralInRange<int>(0, 2)) {
            case 0:
                host.selection.SelectVertex(mesh, a);
                break;
            case 1:
                host.selection.SelectEdge(mesh, a, b);
                break;
            default:
                host.selection.SelectPolygon(mesh, a);
        }
    }
    static const SelType types[] = {kSelVertex, kSelEdge, kSelPolygon, kSelItem, kSelPTag};
    host.selection.SetCurrent(in.PickValueInArray(types));
}

}  // namespace

void GenerateScene(FuzzedDataProvider &in, Host &host) {
    if (in.ConsumeIntegralInRange<int>(0, 4) == 0) {
        AddDegenerateScene(host);
        SelectEverything(host);
    } else {
        std::vector<ItemData *> items;
        int meshes = in.ConsumeIntegralInRange<int>(0, 4);
        for (int m = 0; m < meshes; ++m) GenerateMesh(in, host, items);
        if (!items.empty() && in.ConsumeBool())
            host.SetPrimary(items[in.ConsumeIntegralInRange<size_t>(0, items.size() - 1)]);
    }
    GenerateSelection(in, host);
}

void GenerateSettings(FuzzedDataProvider &in, Host &host) {
    for (const std::string &name : host.UserValueNames())
        if (name.rfind("gORVA_01_", 0) == 0 && in.ConsumeBool())
            host.RunLine("user.value " + name + " \"" + NumberText(in) + "\"");
    if (in.ConsumeBool()) host.RunLine("pref.value units.upAxis \"" + NumberText(in) + "\"");
}

bool CheckedStep(Host &host, const std::string &line, bool undo) {
    std::string name, error;
    std::vector<CommandArg> args;
    bool parsed = ParseCommandLine(line, name, args, error);
    // A step that replaces the scene or drives a tool has no savepoint of its own to roll back.
    bool replaces = name == "scene.new" || name == "scene.open";
    bool tool = name.compare(0, 5, "tool.") == 0 || host.Tools().Active();
    bool withUndo = undo && parsed && !replaces && !tool;
    std::string before = Capture(host, true);
    std::string sceneBefore = withUndo ? Capture(host, false) : std::string();
    Journal::Token token = withUndo ? host.journal.Begin() : 0;
    CommandResult r = host.RunLine(line);
    static const bool verbose = std::getenv("GORVA_FUZZ_VERBOSE") != nullptr;
    if (verbose) std::fprintf(stderr, "%s -> %s\n", line.c_str(), r.ok() ? "ok" : r.message.c_str());
    CheckInvariants(host, line);
    if (!r.ok() && Capture(host, true) != before)
        Finding(line, "failed (" + r.message + ") but changed the scene");
    if (withUndo) {
        if (host.Tools().Active()) {
            host.journal.Commit(token);  // a tool took the step over: its own savepoint holds it
        } else {
            host.journal.Rollback(token);
            CheckInvariants(host, line + " (rolled back)");
            if (Capture(host, false) != sceneBefore)
                Finding(line, "rolling the step back did not restore the scene");
        }
    }
    return r.ok();
}

}  // namespace gorva::fuzz
