// Commands the host itself offers (preferences, user values, the reference system, selection
// growing), and the host's assembly from its layers.
#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/host.hpp"
#include "host/scripting/script_commands.hpp"
#include "host/tool_runtime/tool_host.hpp"

namespace gorva::host {

namespace {

CommandResult Fail(const std::string &text) {
    return {LXe_FAILED, text};
}

/// A preference the host knows, with the values it takes and what they mean.
struct PreferenceDef {
    const char *name;
    std::vector<std::string> values;
    const char *meaning;
};

const std::vector<PreferenceDef> &Preferences() {
    static const std::vector<PreferenceDef> known = {{"units.upAxis", {"0", "1", "2"}, "X, Y or Z up"}};
    return known;
}

/// pref.value NAME VALUE: only known preferences, only their values.
CommandResult SetKnownPreference(Host &h, const std::string &name, const std::string &value) {
    if (name.empty()) return Fail("pref.value needs a preference name");
    for (const PreferenceDef &def : Preferences()) {
        if (name != def.name) continue;
        if (std::find(def.values.begin(), def.values.end(), value) == def.values.end()) {
            std::string list;
            for (size_t i = 0; i < def.values.size(); ++i)
                list += (i == 0 ? "" : i + 1 == def.values.size() ? " or " : ", ") + def.values[i];
            return Fail(name + " takes " + list + " (" + def.meaning + "), not \"" + value + "\"");
        }
        h.SetPreference(name, value);
        return {};
    }
    std::string known;
    for (const PreferenceDef &def : Preferences())
        known += (known.empty() ? "" : ", ") + std::string(def.name);
    return Fail("no preference named \"" + name + "\" (known: " + known + ")");
}

/// For each edge of a mesh, the polygons that have it, and for each polygon corner the edge that
/// starts there (kNone for a one-vertex polygon).
struct EdgePolygons {
    std::vector<uint32_t> cornerEdge;
    std::vector<uint32_t> start;
    std::vector<uint32_t> polygons;
};

EdgePolygons BuildEdgePolygons(MeshData &mesh) {
    EdgePolygons t;
    uint32_t edgeCount = mesh.EdgeCount();
    t.cornerEdge.assign(mesh.CornerCount(), MeshData::kNone);
    t.start.assign(size_t(edgeCount) + 1, 0);
    for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
        const uint32_t *v = mesh.Vertices(poly);
        uint32_t n = mesh.VertexCount(poly);
        for (uint32_t i = 0; i < n && n > 1; ++i) {
            uint32_t edge = mesh.FindEdge(v[i], v[(i + 1) % n]);
            t.cornerEdge[mesh.FirstCorner(poly) + i] = edge;
            if (edge != MeshData::kNone) ++t.start[size_t(edge) + 1];
        }
    }
    for (size_t e = 0; e < edgeCount; ++e) t.start[e + 1] += t.start[e];
    t.polygons.resize(t.start.back());
    std::vector<uint32_t> fill(t.start.begin(), t.start.end() - 1);
    for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly)
        for (uint32_t c = mesh.FirstCorner(poly); c < mesh.FirstCorner(poly + 1); ++c)
            if (t.cornerEdge[c] != MeshData::kNone) t.polygons[fill[t.cornerEdge[c]]++] = poly;
    return t;
}

/// Grows the polygon selection of every active mesh to the polygons connected to it through
/// shared edges. Each edge is crossed once, so the walk is linear in the mesh's corners even where
/// many polygons meet at a corner or share an edge.
CommandResult PolygonConnect(Host &host) {
    std::vector<std::pair<MeshData *, uint32_t>> seeds;
    for (const auto &p : host.selection.Polygons()) seeds.emplace_back(p.mesh, p.polygon);
    std::unordered_map<MeshData *, std::pair<EdgePolygons, std::vector<uint8_t>>> walks;
    for (const auto &seed : seeds) {
        MeshData &mesh = *seed.first;
        auto found = walks.find(&mesh);
        if (found == walks.end()) {
            EdgePolygons table = BuildEdgePolygons(mesh);
            std::vector<uint8_t> crossed(table.start.size() - 1, 0);
            found = walks.emplace(&mesh, std::make_pair(std::move(table), std::move(crossed))).first;
        }
        const EdgePolygons &table = found->second.first;
        std::vector<uint8_t> &crossed = found->second.second;
        std::vector<uint32_t> stack{seed.second};
        while (!stack.empty()) {
            uint32_t poly = stack.back();
            stack.pop_back();
            for (uint32_t c = mesh.FirstCorner(poly); c < mesh.FirstCorner(poly + 1); ++c) {
                uint32_t edge = table.cornerEdge[c];
                if (edge == MeshData::kNone || crossed[edge]) continue;
                crossed[edge] = 1;
                for (uint32_t k = table.start[edge]; k < table.start[size_t(edge) + 1]; ++k) {
                    uint32_t q = table.polygons[k];
                    if (mesh.PolygonMarks()[q] & kMarkSelect) continue;
                    host.selection.SelectPolygon(mesh, q);
                    stack.push_back(q);
                }
            }
        }
    }
    return {};
}

}  // namespace

// The host is put together here, above every layer it draws on.
Host::Host(const std::string &configDir) {
    Setup(configDir);
    m_tools = std::make_unique<ToolHost>(*this);
    RegisterBuiltinCommands();
}

void Host::RegisterBuiltinCommands() {
    RegisterCommand(
        {"pref.value",
         {{"name", "string"}, {"value", "string"}},
         [](Host &h, const std::vector<std::string> &a) { return SetKnownPreference(h, a[0], a[1]); },
         [](Host &h, unsigned index, const std::vector<std::string> &a, std::vector<std::string> &out) {
             if (index != 1 || a[0].empty()) return false;
             std::string v = h.Preference(a[0]);
             if (v.empty()) return false;
             out.push_back(v);
             return true;
         }});
    RegisterCommand(
        {"user.value",
         {{"name", "string"}, {"value", "string"}},
         [](Host &h, const std::vector<std::string> &a) {
             std::string error;
             if (!h.SetUserValue(a[0], a[1], error)) return Fail(error);
             return CommandResult{};
         },
         [](Host &h, unsigned index, const std::vector<std::string> &a, std::vector<std::string> &out) {
             const std::string *v = h.UserValue(a[0]);
             if (index != 1 || !v) return false;
             out.push_back(*v);
             return true;
         }});
    RegisterCommand(
        {"item.refSystem",
         {{"item", "string"}},
         [](Host &h, const std::vector<std::string> &a) {
             if (a[0].empty()) {
                 h.refSystem.clear();
                 return CommandResult{};
             }
             std::string why;
             ItemData *item = h.scene.FindByKey(a[0], why);
             if (!item) return Fail("item.refSystem: " + why);
             h.refSystem = item->ident;
             return CommandResult{};
         },
         [](Host &h, unsigned index, const std::vector<std::string> &, std::vector<std::string> &out) {
             if (index != 0) return false;
             out.push_back(h.refSystem);
             return true;
         }});
    RegisterScriptCommands(*this);
    RegisterCommand({"select.polygonConnect",
                     {},
                     [](Host &h, const std::vector<std::string> &) { return PolygonConnect(h); },
                     nullptr});
    RegisterToolCommands(*this);
}

}  // namespace gorva::host
