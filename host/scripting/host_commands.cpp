// Commands the host itself offers: preferences, user values, the reference system and
// selection growing.
#include <algorithm>
#include <string>
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

/// Grows the polygon selection of every active mesh to the polygons connected to it through
/// shared edges.
CommandResult PolygonConnect(Host &host) {
    std::vector<std::pair<MeshData *, uint32_t>> seeds;
    for (const auto &p : host.selection.Polygons()) seeds.emplace_back(p.mesh, p.polygon);
    for (const auto &seed : seeds) {
        MeshData &mesh = *seed.first;
        const auto &start = mesh.PointPolygonStart();
        const auto &around = mesh.PointPolygons();
        std::vector<uint32_t> stack{seed.second};
        while (!stack.empty()) {
            uint32_t poly = stack.back();
            stack.pop_back();
            const uint32_t *v = mesh.Vertices(poly);
            uint32_t n = mesh.VertexCount(poly);
            for (uint32_t i = 0; i < n && n > 1; ++i) {
                uint32_t a = v[i], b = v[(i + 1) % n];
                for (uint32_t k = start[a]; k < start[a + 1]; ++k) {
                    uint32_t q = around[k];
                    if (mesh.polyMarks[q] & kMarkSelect) continue;
                    const uint32_t *w = mesh.Vertices(q);
                    uint32_t m = mesh.VertexCount(q);
                    bool shares = false;
                    for (uint32_t j = 0; j < m && !shares; ++j)
                        shares = (w[j] == a && w[(j + 1) % m] == b) || (w[j] == b && w[(j + 1) % m] == a);
                    if (!shares) continue;
                    host.selection.SelectPolygon(mesh, q);
                    stack.push_back(q);
                }
            }
        }
    }
    return {};
}

}  // namespace

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
             ItemData *item = h.scene.Find(a[0]);
             if (!item) return Fail("no item \"" + a[0] + "\"");
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
