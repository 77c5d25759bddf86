#include "app/serve/page_scene.hpp"

#include <cstring>
#include <set>

#include "host/io/gltf_io.hpp"
#include "host/model/triangulate.hpp"

namespace gorva::host {

namespace {

template <typename T>
void Append(std::string &bytes, const T *values, size_t count) {
    bytes.append(reinterpret_cast<const char *>(values), count * sizeof(T));
}

template <typename T>
bool SamePrefix(const std::vector<T> &base, const std::vector<T> &now) {
    return now.size() >= base.size() && std::equal(base.begin(), base.end(), now.begin());
}

std::string Base64(const std::string &bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) n |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) n |= uint8_t(bytes[i + 2]);
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

}  // namespace

void PageScene::Rebase(Host &host) {
    std::string error;
    std::vector<std::string> warnings;
    m_sceneBytes.clear();
    // Written Y-up as the host holds it, so the page's coordinates are the host's.
    if (!WriteGltf(host.scene, true, 1, m_sceneBytes, warnings, error)) m_sceneBytes.clear();
    ++m_sceneVersion;
    ++m_updateId;
    m_fingerprint = Fingerprint(host);
    m_layers.clear();
    for (ItemData *item : host.ActiveLayers()) {
        Layer layer;
        if (item->mesh) {
            const MeshData &mesh = *item->mesh;
            layer.mesh = item->mesh;
            layer.version = mesh.Version();
            layer.positions = mesh.Positions();
            layer.polyStart = mesh.PolygonStarts();
            layer.corners = mesh.Corners();
            layer.polyType = mesh.PolygonTypes();
        }
        m_layers.push_back(std::move(layer));
    }
}

std::string PageScene::Fingerprint(const Host &host) const {
    // Everything of the items that the glTF holds apart from the active layers' points and polygons.
    std::string key;
    for (const auto &item : host.scene.Items()) {
        key += item->ident + '\n' + item->name + '\n' + std::to_string(item->type) + ' ';
        key += item->parent ? item->parent->ident : std::string("-");
        key += host.IsActive(*item) ? " a " : " - ";
        Append(key, item->channelValues.data(), item->channelValues.size());
        const MeshData *mesh = item->mesh.get();
        Append(key, &mesh, 1);
        if (mesh && !host.IsActive(*item)) key += std::to_string(mesh->Version());
        key += '\n';
    }
    return key;
}

void PageScene::Refresh(Host &host) {
    if (m_sceneVersion == 0 || Fingerprint(host) != m_fingerprint) return Rebase(host);
    std::vector<ItemData *> layers = host.ActiveLayers();
    if (layers.size() != m_layers.size()) return Rebase(host);
    std::set<std::string> names;
    for (ItemData *item : layers) names.insert(item->name);
    bool changed = false;
    for (size_t i = 0; i < layers.size(); ++i) {
        MeshData *mesh = layers[i]->mesh.get();
        Layer &layer = m_layers[i];
        // A mesh made anew (a scene read back by undo) may sit where the old one was.
        if (layer.mesh.lock().get() != mesh) return Rebase(host);
        if (!mesh || mesh->Version() == layer.version) continue;
        // The page finds a layer by its item's name, and a shared mesh shows in several places.
        bool shared = false;
        for (const auto &item : host.scene.Items())
            shared = shared || (item.get() != layers[i] && item->mesh.get() == mesh);
        if (names.size() != layers.size() || shared || !UpdateLayer(layer, *mesh, int(i)))
            return Rebase(host);
        changed = true;
    }
    if (changed) ++m_updateId;
}

bool PageScene::UpdateLayer(Layer &layer, MeshData &mesh, int index) {
    // An update keeps the base's polygons as they were: their points may move, polygons may follow.
    const uint32_t basePoints = uint32_t(layer.positions.size());
    const uint32_t basePolygons = uint32_t(layer.polyType.size());
    if (basePolygons == 0 || mesh.PointCount() < basePoints ||
        !SamePrefix(layer.polyStart, mesh.PolygonStarts()) || !SamePrefix(layer.corners, mesh.Corners()) ||
        !SamePrefix(layer.polyType, mesh.PolygonTypes()) ||
        mesh.PolygonCount() - basePolygons > kMaxUpdatePolygons)
        return false;
    std::vector<uint32_t> moved;
    std::vector<float> movedAt;
    for (uint32_t p = 0; p < basePoints; ++p)
        if (std::memcmp(&layer.positions[p], &mesh.Positions()[p], sizeof(Float3)) != 0) {
            moved.push_back(p);
            movedAt.insert(movedAt.end(), mesh.Positions()[p].begin(), mesh.Positions()[p].end());
        }
    // The added polygons over their own list of points, as the page draws and picks them.
    std::vector<uint32_t> points, sizes, corners, triangles, owners;
    std::vector<uint32_t> local(mesh.PointCount(), MeshData::kNone);
    std::vector<Vec3> ring;
    for (uint32_t poly = basePolygons; poly < mesh.PolygonCount(); ++poly) {
        const uint32_t n = mesh.VertexCount(poly);
        if (n < 3) return false;  // lines and lone points come with a new base
        const size_t first = corners.size();
        ring.clear();
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t point = mesh.Vertices(poly)[i];
            if (local[point] == MeshData::kNone)
                local[point] = uint32_t(points.size()), points.push_back(point);
            corners.push_back(local[point]);
            const Float3 &p = mesh.Positions()[point];
            ring.push_back({p[0], p[1], p[2]});
        }
        sizes.push_back(n);
        for (const auto &tri : Triangulate(ring, mesh.PolygonNormal(poly))) {
            for (size_t k : tri) triangles.push_back(corners[first + k]);
            owners.push_back(poly);
        }
    }
    for (uint32_t p = basePoints; p < mesh.PointCount(); ++p)
        if (local[p] == MeshData::kNone) return false;  // a point without a polygon: a new base shows it
    // Every answer carries the update until the next base: a large one is better loaded once.
    if (moved.size() + points.size() > kMaxUpdatePoints) return false;
    std::vector<float> at;
    for (uint32_t p : points) at.insert(at.end(), mesh.Positions()[p].begin(), mesh.Positions()[p].end());
    layer.bytes.clear();
    Append(layer.bytes, moved.data(), moved.size());
    Append(layer.bytes, movedAt.data(), movedAt.size());
    Append(layer.bytes, points.data(), points.size());
    Append(layer.bytes, at.data(), at.size());
    Append(layer.bytes, sizes.data(), sizes.size());
    Append(layer.bytes, corners.data(), corners.size());
    Append(layer.bytes, triangles.data(), triangles.size());
    Append(layer.bytes, owners.data(), owners.size());
    layer.meta = {{"layer", index},
                  {"first", basePolygons},
                  {"moved", moved.size()},
                  {"points", points.size()},
                  {"polygons", sizes.size()},
                  {"corners", corners.size()},
                  {"triangles", owners.size()}};
    layer.version = mesh.Version();
    return true;
}

nlohmann::json PageScene::UpdateJson() const {
    nlohmann::json meshes = nlohmann::json::array();
    std::string bytes;
    for (const Layer &layer : m_layers)
        if (!layer.meta.is_null()) {
            meshes.push_back(layer.meta);
            bytes += layer.bytes;
        }
    return {{"id", m_updateId}, {"meshes", meshes}, {"data", Base64(bytes)}};
}

}  // namespace gorva::host
