#include "app/serve/page_scene.hpp"

#include <cstring>
#include <stdexcept>
#include <unordered_map>

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

/// Fills a buffer sized beforehand, word after word.
class WordWriter {
public:
    explicit WordWriter(std::string &out) : m_at(out.data()), m_end(out.data() + out.size()) {}
    void Word(uint32_t word) { Put(&word, 1); }
    template <typename T>
    void Put(const T *values, size_t count) {
        if (count) std::memcpy(Take(count * sizeof(T)), values, count * sizeof(T));
    }
    /// The next `bytes` of the buffer, for a caller that fills them itself.
    char *Take(size_t bytes) {
        if (size_t(m_end - m_at) < bytes) throw std::logic_error("scene answer counted short");
        char *at = m_at;
        m_at += bytes;
        return at;
    }
    bool Full() const { return m_at == m_end; }

private:
    char *m_at, *m_end;
};

/// What one mesh sends, counted before anything is written.
struct MeshCounts {
    uint32_t points = 0, polygons = 0, corners = 0, triangles = 0, edges = 0, lines = 0, dots = 0;

    size_t Bytes() const {
        return 4 * (7 + 3 * size_t(points) + size_t(polygons) + 1 + corners + 4 * size_t(triangles) +
                    2 * size_t(edges) + 2 * size_t(lines) + dots);
    }
};

MeshCounts CountsOf(MeshData &mesh, std::vector<uint8_t> &used) {
    MeshCounts c;
    c.points = mesh.PointCount();
    c.polygons = mesh.PolygonCount();
    c.corners = uint32_t(mesh.CornerCount());
    c.edges = c.corners <= kMaxWireCorners ? mesh.EdgeCount() : 0;
    used.assign(c.points, 0);
    for (uint32_t point : mesh.Corners()) used[point] = 1;
    for (uint32_t poly = 0; poly < c.polygons; ++poly) {
        const uint32_t n = mesh.VertexCount(poly);
        if (n >= 3) c.triangles += n - 2;
        c.lines += n == 2;
        c.dots += n == 1;
    }
    for (uint8_t u : used) c.dots += !u;
    return c;
}

/// Every face as triangles over the host's points, the triangulation the pictures use, each with
/// its polygon; a polygon's n corners give n - 2 triangles.
void WriteTriangles(WordWriter &out, const MeshData &mesh, uint32_t count) {
    char *triangles = out.Take(12 * size_t(count)), *owners = out.Take(4 * size_t(count));
    std::vector<Vec3> ring;
    for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
        const uint32_t n = mesh.VertexCount(poly);
        if (n < 3) continue;
        const uint32_t *v = mesh.Vertices(poly);
        auto put = [&](size_t a, size_t b, size_t c) {
            const uint32_t t[3] = {v[a], v[b], v[c]};
            std::memcpy(triangles, t, sizeof t), triangles += sizeof t;
            std::memcpy(owners, &poly, 4), owners += 4;
        };
        if (n == 3) {
            put(0, 1, 2);
            continue;
        }
        ring.clear();
        for (uint32_t i = 0; i < n; ++i) {
            const Float3 &p = mesh.Positions()[v[i]];
            ring.push_back({p[0], p[1], p[2]});
        }
        const auto split = Triangulate(ring, mesh.PolygonNormal(poly));
        if (split.size() != n - 2) {  // the counts were made for n - 2: keep to them
            for (uint32_t i = 1; i + 1 < n; ++i) put(0, i, i + 1);
            continue;
        }
        for (const auto &t : split) put(t[0], t[1], t[2]);
    }
}

void WriteMesh(WordWriter &out, MeshData &mesh, const MeshCounts &c, const std::vector<uint8_t> &used) {
    static_assert(sizeof(Float3) == 12 && sizeof(std::array<uint32_t, 2>) == 8, "flat arrays expected");
    const uint32_t counts[] = {c.points, c.polygons, c.corners, c.triangles, c.edges, c.lines, c.dots};
    out.Put(counts, 7);
    out.Put(reinterpret_cast<const float *>(mesh.Positions().data()), 3 * size_t(c.points));
    out.Put(mesh.PolygonStarts().data(), size_t(c.polygons) + 1);
    out.Put(mesh.Corners().data(), c.corners);
    WriteTriangles(out, mesh, c.triangles);
    if (c.edges)  // a large mesh's edge table is not built for the page
        out.Put(reinterpret_cast<const uint32_t *>(mesh.Edges().ends.data()), 2 * size_t(c.edges));
    for (uint32_t poly = 0; poly < c.polygons; ++poly)
        if (mesh.VertexCount(poly) == 2) out.Put(mesh.Vertices(poly), 2);
    for (uint32_t poly = 0; poly < c.polygons; ++poly)
        if (mesh.VertexCount(poly) == 1) out.Put(mesh.Vertices(poly), 1);
    for (uint32_t point = 0; point < c.points; ++point)
        if (!used[point]) out.Word(point);
}

/// Bytes of a text as the answer carries it: its byte count, then the bytes padded to 4.
size_t TextBytes(const std::string &text) {
    return 4 + (text.size() + 3) / 4 * 4;
}

void WriteText(WordWriter &out, const std::string &text) {
    out.Word(uint32_t(text.size()));
    std::memcpy(out.Take((text.size() + 3) / 4 * 4), text.data(), text.size());
}

void WriteMatrix(WordWriter &out, const Matrix4 &m) {
    float world[16];
    for (size_t i = 0; i < 16; ++i) world[i] = float(m[i / 4][i % 4]);
    out.Put(world, 16);
}

/// The light's shape as a viewport draws it: its width, height and cone angle (radians), each 0
/// where its type has none.
void WriteLightShape(WordWriter &out, const ItemData &light) {
    const std::string &type = ItemTypes()[size_t(light.type)].name;
    const bool sized = type == "areaLight" || type == "portal";
    const float shape[3] = {sized ? float(light.Channel("width", 1.0)) : 0.0f,
                            sized ? float(light.Channel("height", 1.0)) : 0.0f,
                            type == "spotLight" ? float(light.Channel("cone", 0.0)) : 0.0f};
    out.Put(shape, 3);
}

/// The scene's mesh items with their meshes, and its lights, as SceneBytes describes them, counted
/// first and written into one buffer of the right size.
std::string SceneAnswer(const Scene &scene, unsigned version) {
    std::vector<const ItemData *> items, lights;
    std::vector<MeshData *> meshes;
    std::unordered_map<const MeshData *, uint32_t> meshIndex;
    const int lightType = ItemTypeCode("light");
    for (const auto &item : scene.Items()) {
        if (ItemTypeIsA(item->type, lightType)) lights.push_back(item.get());
        if (!item->mesh) continue;
        items.push_back(item.get());
        if (meshIndex.emplace(item->mesh.get(), uint32_t(meshes.size())).second)
            meshes.push_back(item->mesh.get());
    }
    size_t bytes = 4 * 5;
    for (const ItemData *item : items) bytes += 4 * (1 + 16) + TextBytes(item->ident);
    for (const ItemData *light : lights)
        bytes += 4 * (16 + 3) + TextBytes(light->ident) + TextBytes(light->name) +
                 TextBytes(ItemTypes()[size_t(light->type)].name);
    std::vector<MeshCounts> counts(meshes.size());
    std::vector<std::vector<uint8_t>> used(meshes.size());
    for (size_t m = 0; m < meshes.size(); ++m) {
        counts[m] = CountsOf(*meshes[m], used[m]);
        bytes += counts[m].Bytes();
    }
    std::string answer(bytes, '\0');
    WordWriter out(answer);
    const uint32_t header[] = {kSceneMagic, version, uint32_t(meshes.size()), uint32_t(items.size()),
                               uint32_t(lights.size())};
    out.Put(header, 5);
    WorldMatrixCache worlds;
    for (const ItemData *item : items) {
        out.Word(meshIndex[item->mesh.get()]);
        WriteMatrix(out, worlds.Of(*item));
        WriteText(out, item->ident);
    }
    for (const ItemData *light : lights) {
        WriteMatrix(out, worlds.Of(*light));
        WriteLightShape(out, *light);
        WriteText(out, light->ident);
        WriteText(out, light->name);
        WriteText(out, ItemTypes()[size_t(light->type)].name);
    }
    for (size_t m = 0; m < meshes.size(); ++m) WriteMesh(out, *meshes[m], counts[m], used[m]);
    if (!out.Full()) throw std::logic_error("scene answer counted long");
    return answer;
}

}  // namespace

void PageScene::Rebase(Host &host) {
    ++m_sceneVersion;
    ++m_updateId;
    m_sceneBytes = SceneAnswer(host.scene, m_sceneVersion);
    m_fingerprint = Fingerprint(host);
    m_layers.clear();
    for (ItemData *item : host.ActiveLayers()) {
        Layer layer;
        layer.ident = item->ident;
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
    // Everything of the items that the scene answer holds apart from the active layers' meshes.
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
    bool changed = false;
    for (size_t i = 0; i < layers.size(); ++i) {
        MeshData *mesh = layers[i]->mesh.get();
        Layer &layer = m_layers[i];
        // A mesh made anew (a scene read back by undo) may sit where the old one was.
        if (layer.mesh.lock().get() != mesh) return Rebase(host);
        if (!mesh || mesh->Version() == layer.version) continue;
        // A shared mesh shows in several places, which an update of one layer would not move.
        bool shared = false;
        for (const auto &item : host.scene.Items())
            shared = shared || (item.get() != layers[i] && item->mesh.get() == mesh);
        if (shared || !UpdateLayer(layer, *mesh, int(i))) return Rebase(host);
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
                  {"item", layer.ident},
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
