#include "host/scripting/scene_dump.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/base/file_write.hpp"
#include <lxmesh.h>

namespace gorva::host {

using nlohmann::json;

namespace {

const double kDegrees = 180.0 / 3.14159265358979323846;

std::string TypeText(LXtID4 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) s += char((id >> shift) & 0xFF);
    return s;
}

json Vector3(const ItemData &item, const char *prefix, double factor = 1.0) {
    std::string p = prefix;
    return json::array(
        {item.Channel(p + ".X") * factor, item.Channel(p + ".Y") * factor, item.Channel(p + ".Z") * factor});
}

bool IsTransformChannel(const std::string &name) {
    return name.size() == 5 && name[3] == '.' &&
           (name.compare(0, 3, "pos") == 0 || name.compare(0, 3, "rot") == 0 ||
            name.compare(0, 3, "scl") == 0);
}

json ItemJson(const ItemData &item, WorldMatrixCache &worlds) {
    json j;
    j["ident"] = item.ident;
    j["name"] = item.name;
    j["type"] = ItemTypes()[size_t(item.type)].name;
    j["parent"] = item.parent ? json(item.parent->ident) : json(nullptr);
    if (ItemTypes()[size_t(item.type)].locator) {
        j["position"] = Vector3(item, "pos");
        j["rotation"] = Vector3(item, "rot", kDegrees);
        j["scale"] = Vector3(item, "scl");
        json rows = json::array();
        for (const auto &row : worlds.Of(item)) rows.push_back(json(row));
        j["worldMatrix"] = rows;
    }
    json channels = json::object();
    for (size_t i = 0; i < item.channelNames.size(); ++i)
        if (!IsTransformChannel(item.channelNames[i])) channels[item.channelNames[i]] = item.channelValues[i];
    j["channels"] = channels;
    if (item.instanceOf) j["instanceOf"] = item.instanceOf->ident;
    return j;
}

json MeshJson(MeshData &mesh) {
    json points = json::array();
    for (const auto &p : mesh.Positions())
        points.push_back({ShortestDouble(p[0]), ShortestDouble(p[1]), ShortestDouble(p[2])});
    json polygons = json::array();
    for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
        json p;
        p["vertices"] =
            std::vector<uint32_t>(mesh.Vertices(poly), mesh.Vertices(poly) + mesh.VertexCount(poly));
        p["type"] = TypeText(mesh.PolygonType(poly));
        json tags = json::object();
        for (const TagColumn &column : mesh.TagColumns())
            if (const char *t = mesh.Tag(poly, column.type)) tags[TypeText(column.type)] = t;
        p["tags"] = tags;
        json uv = json::object();
        for (uint32_t m = 0; m < mesh.MapCount(); ++m) {
            json corners = json::array();
            bool any = false;
            for (uint32_t c = mesh.FirstCorner(poly); c < mesh.FirstCorner(poly + 1); ++c) {
                float value[4] = {0, 0, 0, 0};
                if (!mesh.MapValue(m, c, value)) {
                    corners.push_back(nullptr);
                    continue;
                }
                any = true;
                json v = json::array();
                for (unsigned d = 0; d < mesh.Map(m).Dim() && d < 4; ++d)
                    v.push_back(ShortestDouble(value[d]));
                corners.push_back(v);
            }
            if (any) uv[mesh.Map(m).name] = corners;
        }
        p["uv"] = uv;
        polygons.push_back(p);
    }
    return {{"points", points}, {"polygons", polygons}};
}

json SelectionJson(Host &host) {
    static const LXtID4 codes[] = {SelTypeCode(kSelVertex), SelTypeCode(kSelEdge), SelTypeCode(kSelPolygon),
                                   SelTypeCode(kSelPTag),   SelTypeCode(kSelItem), 0};
    LXtID4 current = host.selection.CurrentType(codes);
    json j;
    j["type"] = current ? json(SelTypeName(SelType(SelTypeFromCode(current)))) : json(nullptr);
    json vertices = json::array(), edges = json::array(), polygons = json::array(), items = json::array();
    for (const auto &v : host.selection.Vertices()) vertices.push_back({v.mesh->Owner()->ident, v.point});
    for (const auto &e : host.selection.EdgeList()) edges.push_back({e.mesh->Owner()->ident, e.a, e.b});
    for (const auto &p : host.selection.Polygons()) polygons.push_back({p.mesh->Owner()->ident, p.polygon});
    for (const auto &i : host.selection.ItemList()) items.push_back(i.item->ident);
    j["vertex"] = vertices;
    j["edge"] = edges;
    j["polygon"] = polygons;
    j["item"] = items;
    return j;
}

}  // namespace

double ShortestDouble(float value) {
    if (!std::isfinite(value)) return double(value);
    char buf[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, double(value));
        double d = std::strtod(buf, nullptr);
        if (float(d) == value) return d;
    }
    return double(value);
}

json DumpScene(Host &host) {
    json j;
    j["units"] = {{"length", "m"}, {"rotation", "degrees"}};
    json items = json::array();
    json meshes = json::object();
    WorldMatrixCache worlds;
    for (const auto &item : host.scene.Items()) {
        items.push_back(ItemJson(*item, worlds));
        if (item->mesh) meshes[item->ident] = MeshJson(*item->mesh);
    }
    j["items"] = items;
    j["meshes"] = meshes;
    json active = json::array();
    for (ItemData *layer : host.ActiveLayers()) active.push_back(layer->ident);
    ItemData *primary = host.Primary();
    j["layers"] = {{"active", active}, {"primary", primary ? json(primary->ident) : json(nullptr)}};
    j["selection"] = SelectionJson(host);
    json values = json::object();
    for (const auto &name : host.UserValueNames())
        if (const std::string *v = host.UserValue(name)) values[name] = *v;
    j["userValues"] = values;
    j["preferences"] = host.Preferences();
    j["refSystem"] = host.refSystem;
    json dialogs = json::array();
    for (const auto &d : host.dialogs)
        dialogs.push_back(
            {{"title", d.title}, {"table", d.table}, {"key", d.key}, {"text", d.text}, {"code", d.code}});
    j["dialogs"] = dialogs;
    json monitors = json::array();
    for (const auto &m : host.monitors)
        monitors.push_back(
            {{"title", m.title}, {"total", m.total}, {"steps", m.steps}, {"aborted", m.aborted}});
    j["monitors"] = monitors;
    json log = json::array();
    for (const auto &l : host.log) log.push_back({{"level", l.level}, {"server", l.server}, {"text", l.text}});
    j["log"] = log;
    return j;
}

bool WriteSceneDump(Host &host, const std::string &path, std::string &error) {
    std::string text = DumpScene(host).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    return WriteFileSafely(path, text, error);
}

}  // namespace gorva::host
