// glTF writing. Each mesh's polygons are grouped into primitives by part tag, material tag and
// kind (faces as triangles, two-vertex polygons as lines, one-vertex ones as points); every corner
// is a vertex of its own, so that normals stay flat and UVs per corner. The records that give the
// polygons back (their sizes, the polygon of each triangle, the point of each vertex) are
// accessors that the primitive's extras name.
#include <tiny_gltf.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>
#include <tuple>
#include <unordered_map>

#include "host/base/file_write.hpp"
#include "host/io/gltf_common.hpp"
#include "host/io/gltf_io.hpp"
#include "host/io/obj_io.hpp"
#include "host/model/triangulate.hpp"
#include <lxmesh.h>

namespace gorva::host {

namespace {

using namespace gltf;
using tinygltf::Value;

enum Kind { kFaces, kLines, kPoints };

/// Polygons that share one primitive.
struct Group {
    int32_t part = -1, material = -1;
    int kind = kFaces;
    std::vector<uint32_t> polygons;
};

const std::vector<int32_t> *TagColumn(const MeshData &mesh, LXtID4 type) {
    for (const auto &column : mesh.TagColumns())
        if (column.type == type) return &column.strings;
    return nullptr;
}

Value Object(Value::Object o) {
    return Value(std::move(o));
}

/// The host's records in an extras object.
Value Record(Value::Object o) {
    return Object({{kExtrasKey, Object(std::move(o))}});
}

std::vector<double> Vector(const std::array<double, 3> &v) {
    return {v[0], v[1], v[2]};
}

bool IsIdentity(const Rows &r) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (r[i][j] != (i == j ? 1.0 : 0.0)) return false;
    return true;
}

class Writer {
public:
    Writer(const Scene &scene, int upAxis) : m_scene(scene), m_up(UpTurn(upAxis)) {
        m_model.asset.version = "2.0";
        m_model.asset.generator = "gorva";
        m_model.buffers.emplace_back();
    }

    void Build() {
        const auto &items = m_scene.Items();
        int materialType = ItemTypeCode("lightMaterial");
        for (const auto &item : items)
            if (item->type != materialType) m_nodeOf[item.get()] = int(m_nodeOf.size());
        m_model.nodes.resize(m_nodeOf.size());
        m_model.buffers[0].data.reserve(BufferEstimate());
        tinygltf::Scene scene;
        for (const auto &item : items) {
            auto at = m_nodeOf.find(item.get());
            if (at == m_nodeOf.end()) continue;
            Node(*item, m_model.nodes[size_t(at->second)]);
            if (!item->parent || !m_nodeOf.count(item->parent)) scene.nodes.push_back(at->second);
        }
        if (!scene.nodes.empty()) {  // a scene without nodes would be written as null
            m_model.scenes.push_back(scene);
            m_model.defaultScene = 0;
        }
        if (m_model.buffers[0].data.empty()) m_model.buffers.clear();
        if (!m_model.lights.empty()) m_model.extensionsUsed.push_back(kLightsExtension);
        if (m_sizedLights)
            warnings.push_back(std::to_string(m_sizedLights) +
                               " area lights and portals written as empty nodes (glTF has no such lights); "
                               "their sizes are in the nodes' extras");
    }

    tinygltf::Model &Model() { return m_model; }

    /// Bytes of the buffer, a little over: growing a buffer of hundreds of megabytes copies it.
    size_t BufferEstimate() const {
        std::unordered_map<const MeshData *, size_t> bytes;
        for (const auto &item : m_scene.Items())
            if (item->mesh)
                bytes[item->mesh.get()] = size_t(item->mesh->CornerCount()) * 60 +
                                          item->mesh->PolygonCount() * 20 + item->mesh->PointCount() * 16 +
                                          4096;
        size_t total = 0;
        for (const auto &b : bytes) total += b.second;
        return total;
    }
    std::vector<std::string> warnings;

private:
    void Node(const ItemData &item, tinygltf::Node &node) {
        node.name = item.name;
        const std::string &typeName = ItemTypes()[size_t(item.type)].name;
        Value::Object record;
        if (typeName != "locator") record["type"] = Value(typeName);
        Trs trs = TrsOfItem(item);
        bool root = !item.parent || !m_nodeOf.count(item.parent);
        if (root) trs = FollowedBy(trs, m_up);
        SetTrs(trs, node);
        for (const ItemData *child : item.children) {
            auto at = m_nodeOf.find(child);
            if (at != m_nodeOf.end()) node.children.push_back(at->second);
        }
        if (item.mesh) {
            int mesh = MeshOf(*item.mesh);
            if (mesh >= 0) node.mesh = mesh;
        }
        if (IsLight(item)) {
            // The host's own values, which the light extension's ranges cannot all hold.
            if (typeName != "portal") record["radiance"] = Value(item.Channel("radiance", 3.0));
            record["color"] = ColourValue(item);
        }
        if (typeName == "areaLight" || typeName == "portal") {
            record["width"] = Value(item.Channel("width", 1.0));
            record["height"] = Value(item.Channel("height", 1.0));
            ++m_sizedLights;
        } else if (IsLight(item)) {
            node.extensions[kLightsExtension] = Object({{"light", Value(LightOf(item, typeName))}});
        }
        if (!record.empty()) node.extras = Record(std::move(record));
    }

    static bool IsLight(const ItemData &item) { return ItemTypeIsA(item.type, ItemTypeCode("light")); }

    static void SetTrs(const Trs &trs, tinygltf::Node &node) {
        if (trs.translation != std::array<double, 3>{0, 0, 0}) node.translation = Vector(trs.translation);
        if (!IsIdentity(trs.rotation)) {
            auto q = QuaternionOf(trs.rotation);
            node.rotation = {q[0], q[1], q[2], q[3]};
        }
        if (trs.scale != std::array<double, 3>{1, 1, 1}) node.scale = Vector(trs.scale);
    }

    static std::array<double, 3> Colour(const ItemData &light) {
        for (const ItemData *child : light.children)
            if (child->type == ItemTypeCode("lightMaterial"))
                return {child->Channel("lightCol.R", 1.0), child->Channel("lightCol.G", 1.0),
                        child->Channel("lightCol.B", 1.0)};
        return {1.0, 1.0, 1.0};
    }

    static Value ColourValue(const ItemData &light) {
        auto c = Colour(light);
        return Value(Value::Array{Value(c[0]), Value(c[1]), Value(c[2])});
    }

    int LightOf(const ItemData &item, const std::string &typeName) {
        tinygltf::Light light;
        light.name = item.name;
        light.type = typeName == "spotLight" ? "spot" : typeName == "sunLight" ? "directional" : "point";
        auto c = Colour(item);
        // Colours above one are intensity in the host; glTF wants them within 0..1.
        double peak = std::max({c[0], c[1], c[2], 0.0});
        double radiance = std::max(0.0, item.Channel("radiance", 3.0));
        if (peak > 1.0)
            for (double &v : c) v /= peak;
        light.color = {std::max(c[0], 0.0), std::max(c[1], 0.0), std::max(c[2], 0.0)};
        light.intensity = radiance * std::max(peak, 1.0);
        if (light.type == "spot") {
            double cone = item.Channel("cone", 0.7853981633974483);
            light.spot.outerConeAngle = std::clamp(cone, 1e-6, 1.5707963267948966);
            light.spot.innerConeAngle = 0.0;
        }
        m_model.lights.push_back(light);
        return int(m_model.lights.size() - 1);
    }

    int MaterialOf(const std::string &part) {
        auto at = m_materials.find(part);
        if (at != m_materials.end()) return at->second;
        tinygltf::Material material;
        material.name = part;
        material.pbrMetallicRoughness.metallicFactor = 0.0;  // glTF's default reads as bare metal
        material.pbrMetallicRoughness.roughnessFactor = 0.8;
        material.pbrMetallicRoughness.baseColorFactor = {0.8, 0.8, 0.8, 1.0};
        material.doubleSided = true;
        m_model.materials.push_back(material);
        return m_materials[part] = int(m_model.materials.size() - 1);
    }

    int View(const void *data, size_t bytes, int target) {
        auto &bin = m_model.buffers[0].data;
        size_t at = (bin.size() + 3) & ~size_t(3);
        bin.resize(at + bytes);
        if (bytes) std::memcpy(bin.data() + at, data, bytes);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = at;
        view.byteLength = bytes;
        view.target = target;
        m_model.bufferViews.push_back(view);
        return int(m_model.bufferViews.size() - 1);
    }

    template <class T>
    int Accessor(const std::vector<T> &values, int componentType, int type, int components, int target) {
        tinygltf::Accessor accessor;
        accessor.bufferView = View(values.data(), values.size() * sizeof(T), target);
        accessor.componentType = componentType;
        accessor.type = type;
        accessor.count = values.size() / size_t(components);
        m_model.accessors.push_back(accessor);
        return int(m_model.accessors.size() - 1);
    }

    int Indices(const std::vector<uint32_t> &values, int target = 0) {
        return Accessor(values, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, 1, target);
    }

    int Positions(const std::vector<float> &xyz) {
        int index =
            Accessor(xyz, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 3, TINYGLTF_TARGET_ARRAY_BUFFER);
        auto &accessor = m_model.accessors[size_t(index)];
        accessor.minValues = {xyz[0], xyz[1], xyz[2]};
        accessor.maxValues = accessor.minValues;
        for (size_t i = 0; i < xyz.size(); ++i) {
            double v = xyz[i];
            double &lo = accessor.minValues[i % 3], &hi = accessor.maxValues[i % 3];
            if (v < lo) lo = v;
            if (v > hi) hi = v;
        }
        return index;
    }

    std::vector<Group> Groups(const MeshData &mesh) {
        const auto *parts = TagColumn(mesh, LXi_PTAG_PART);
        const auto *materials = TagColumn(mesh, LXi_PTAG_MATR);
        std::map<std::tuple<int32_t, int32_t, int>, size_t> index;
        std::vector<Group> groups;
        for (uint32_t p = 0; p < mesh.PolygonCount(); ++p) {
            uint32_t n = mesh.VertexCount(p);
            int kind = n >= 3 ? kFaces : n == 2 ? kLines : kPoints;
            int32_t part = parts ? (*parts)[p] : -1, material = materials ? (*materials)[p] : -1;
            auto key = std::make_tuple(part, material, kind);
            auto at = index.find(key);
            if (at == index.end()) {
                at = index.emplace(key, groups.size()).first;
                groups.push_back({part, material, kind, {}});
            }
            groups[at->second].polygons.push_back(p);
        }
        return groups;
    }

    int MeshOf(const MeshData &mesh) {
        auto known = m_meshOf.find(&mesh);
        if (known != m_meshOf.end()) return known->second;
        tinygltf::Mesh out;
        const MeshMap *uv = mesh.FindMap(LXi_VMAP_TEXTUREUV, "Texture");
        bool hasUVs = uv && uv->Dim() >= 2 && uv->values.Count() > 0;
        std::vector<uint8_t> used(mesh.PointCount(), 0);
        for (uint32_t c : mesh.Corners()) used[c] = 1;
        for (const Group &group : Groups(mesh))
            out.primitives.push_back(Primitive(mesh, group, hasUVs ? uv : nullptr));
        std::vector<uint32_t> loose;
        for (uint32_t i = 0; i < mesh.PointCount(); ++i)
            if (!used[i]) loose.push_back(i);
        if (!loose.empty()) out.primitives.push_back(LoosePoints(mesh, loose));
        int index = -1;
        if (!out.primitives.empty()) {
            out.extras = Record(
                {{"points", Value(int(mesh.PointCount()))}, {"polygons", Value(int(mesh.PolygonCount()))}});
            m_model.meshes.push_back(std::move(out));
            index = int(m_model.meshes.size() - 1);
        }
        m_meshOf[&mesh] = index;
        return index;
    }

    /// Vertex data of a group: one vertex per point, normal and UV (the corners of coplanar
    /// neighbours with the same UVs share one), and the vertex of every corner, polygon after polygon.
    struct Corners {
        std::vector<float> positions, normals, uvs;
        std::vector<uint32_t> points, sizes, corners;
        std::vector<uint8_t> uvSet;
        std::vector<float> v;  // V as the host has it, kept when turning it over loses bits
        bool anyUnset = false, inexact = false;
    };

    /// The vertex of a corner with these values: an earlier one of the same point and values, or
    /// a new one.
    uint32_t VertexOf(Corners &c, const MeshData &mesh, uint32_t point, const float *normal, const float *uv,
                      float exactV, bool set) {
        for (uint32_t v = m_head[point]; v != MeshData::kNone; v = m_next[v])
            if ((!normal || std::memcmp(&c.normals[v * 3], normal, 3 * sizeof(float)) == 0) &&
                (!uv || (std::memcmp(&c.uvs[v * 2], uv, 2 * sizeof(float)) == 0 &&
                         std::memcmp(&c.v[v], &exactV, sizeof exactV) == 0 && c.uvSet[v] == set)))
                return v;
        uint32_t v = uint32_t(c.points.size());
        m_next.push_back(m_head[point]);
        m_head[point] = v;
        const Float3 &pos = mesh.Positions()[point];
        c.positions.insert(c.positions.end(), pos.begin(), pos.end());
        c.points.push_back(point);
        if (normal) c.normals.insert(c.normals.end(), normal, normal + 3);
        if (uv) {
            c.uvs.insert(c.uvs.end(), uv, uv + 2);
            c.v.push_back(exactV);
            c.uvSet.push_back(set ? 1 : 0);
            c.inexact = c.inexact || (set && 1.0f - uv[1] != exactV);
            c.anyUnset = c.anyUnset || !set;
        }
        return v;
    }

    Corners CornersOf(const MeshData &mesh, const Group &group, const MeshMap *uv) {
        Corners c;
        size_t total = 0;
        for (uint32_t p : group.polygons) total += mesh.VertexCount(p);
        c.corners.reserve(total);
        if (group.kind == kFaces) c.sizes.reserve(group.polygons.size());
        m_head.assign(mesh.PointCount(), MeshData::kNone);
        m_next.clear();
        for (uint32_t p : group.polygons) {
            uint32_t n = mesh.VertexCount(p);
            float normal[3] = {0, 1, 0};
            if (group.kind == kFaces) {
                auto newell = mesh.PolygonNormal(p);
                if (newell[0] != 0 || newell[1] != 0 || newell[2] != 0)
                    for (int k = 0; k < 3; ++k) normal[k] = float(newell[size_t(k)]);
                c.sizes.push_back(n);
            }
            for (uint32_t i = 0; i < n; ++i) {
                const float *at = uv ? uv->values.Find(mesh.FirstCorner(p) + i) : nullptr;
                bool set = at != nullptr;
                float v = set ? at[1] : 0.0f;
                float value[2] = {set ? at[0] : 0.0f, set ? 1.0f - v : 0.0f};  // glTF's V runs down
                c.corners.push_back(VertexOf(c, mesh, mesh.Vertices(p)[i],
                                             group.kind == kFaces ? normal : nullptr, uv ? value : nullptr, v,
                                             set));
            }
        }
        if (!c.inexact) c.v.clear();
        return c;
    }

    /// Triangles over a group's vertices, the triangulation the pictures use, and the polygon of each.
    void Triangles(const MeshData &mesh, const Group &group, const std::vector<uint32_t> &corners,
                   std::vector<uint32_t> &indices, std::vector<uint32_t> &polygonOf) {
        uint32_t base = 0;
        std::vector<Vec3> pts;
        for (uint32_t p : group.polygons) {
            uint32_t n = mesh.VertexCount(p);
            pts.clear();
            for (uint32_t i = 0; i < n; ++i) {
                const Float3 &pos = mesh.Positions()[mesh.Vertices(p)[i]];
                pts.push_back({pos[0], pos[1], pos[2]});
            }
            for (const auto &tri : Triangulate(pts, mesh.PolygonNormal(p))) {
                for (size_t k : tri) indices.push_back(corners[base + k]);
                polygonOf.push_back(p);
            }
            base += n;
        }
    }

    tinygltf::Primitive Primitive(const MeshData &mesh, const Group &group, const MeshMap *uv) {
        Corners c = CornersOf(mesh, group, uv);
        tinygltf::Primitive prim;
        prim.attributes["POSITION"] = Positions(c.positions);
        Value::Object record{{"points", Value(Indices(c.points))}};
        if (group.kind == kFaces) {
            prim.mode = TINYGLTF_MODE_TRIANGLES;
            prim.attributes["NORMAL"] = Accessor(c.normals, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
                                                 3, TINYGLTF_TARGET_ARRAY_BUFFER);
            std::vector<uint32_t> indices, polygonOf;
            Triangles(mesh, group, c.corners, indices, polygonOf);
            prim.indices = Indices(indices, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            record["corners"] = Value(Indices(c.corners));
            record["sizes"] = Value(Indices(c.sizes));
            record["triangles"] = Value(Indices(polygonOf));
        } else {
            // Lines and points draw their corners in order: the indices are the corners.
            prim.mode = group.kind == kLines ? TINYGLTF_MODE_LINE : TINYGLTF_MODE_POINTS;
            prim.indices = Indices(c.corners, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            record["corners"] = Value(prim.indices);
            record["polygons"] = Value(Indices(group.polygons));
        }
        if (uv) {
            prim.attributes["TEXCOORD_0"] = Accessor(c.uvs, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2,
                                                     2, TINYGLTF_TARGET_ARRAY_BUFFER);
            if (c.inexact)
                record["v"] = Value(Accessor(c.v, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, 1, 0));
            if (c.anyUnset)
                record["uvSet"] = Value(
                    Accessor(c.uvSet, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_SCALAR, 1, 0));
        }
        if (group.part >= 0) prim.material = MaterialOf(mesh.TagStrings()[size_t(group.part)]);
        if (group.material >= 0) record["material"] = Value(mesh.TagStrings()[size_t(group.material)]);
        prim.extras = Record(std::move(record));
        return prim;
    }

    tinygltf::Primitive LoosePoints(const MeshData &mesh, const std::vector<uint32_t> &loose) {
        std::vector<float> xyz;
        xyz.reserve(loose.size() * 3);
        for (uint32_t i : loose)
            xyz.insert(xyz.end(), mesh.Positions()[i].begin(), mesh.Positions()[i].end());
        tinygltf::Primitive prim;
        prim.mode = TINYGLTF_MODE_POINTS;
        prim.attributes["POSITION"] = Positions(xyz);
        prim.extras = Record({{"points", Value(Indices(loose))}, {"loose", Value(true)}});
        return prim;
    }

    const Scene &m_scene;
    Rows m_up;
    tinygltf::Model m_model;
    std::unordered_map<const ItemData *, int> m_nodeOf;
    std::unordered_map<const MeshData *, int> m_meshOf;
    std::map<std::string, int> m_materials;
    size_t m_sizedLights = 0;
    std::vector<uint32_t> m_head, m_next;  // vertices of each point while a group is written
};

/// A stream's output appended to a string reserved beforehand: no copies of a large file.
class StringSink : public std::streambuf {
public:
    explicit StringSink(std::string &out) : m_out(out) {}

protected:
    std::streamsize xsputn(const char *s, std::streamsize n) override {
        m_out.append(s, size_t(n));
        return n;
    }
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) m_out.push_back(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }

private:
    std::string &m_out;
};

std::string Lowered(std::string s) {
    for (char &ch : s) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool IsGltfPath(const std::string &path) {
    std::string lower = Lowered(path);
    return EndsWith(lower, ".gltf") || EndsWith(lower, ".glb");
}

bool WriteGltf(const Scene &scene, bool binary, int upAxis, std::string &bytes,
               std::vector<std::string> &warnings, std::string &error) {
    if (!CheckSavable(scene, error)) return false;
    Writer writer(scene, upAxis);
    writer.Build();
    bytes.clear();
    size_t binSize = writer.Model().buffers.empty() ? 0 : writer.Model().buffers[0].data.size();
    bytes.reserve((binary ? binSize : binSize / 3 * 4) + (size_t(1) << 20));
    StringSink sink(bytes);
    std::ostream out(&sink);
    tinygltf::TinyGLTF gltf;
    if (!gltf.WriteGltfSceneToStream(&writer.Model(), out, !binary, binary) || !out) {
        error = "the glTF library could not write the scene";
        return false;
    }
    warnings = writer.warnings;
    return true;
}

bool SaveGltfScene(Document &doc, const std::string &path, std::string &error) {
    int upAxis = 1;
    std::string up = doc.Preference("units.upAxis");
    if (up == "0" || up == "2") upAxis = up[0] - '0';
    std::string bytes, reason;
    std::vector<std::string> warnings;
    if (!WriteGltf(doc.Content(), EndsWith(Lowered(path), ".glb"), upAxis, bytes, warnings, reason)) {
        error = "cannot save \"" + path + "\": " + reason;
        return false;
    }
    if (!WriteFileSafely(path, bytes, error)) return false;
    for (const auto &w : warnings) doc.Note(1, path + ": " + w);
    return true;
}

}  // namespace gorva::host
