// glTF reading. The file is checked before the library parses it (size, the binary container's
// chunks, every URI), the library reads only through callbacks that keep to the file's folder, and
// everything taken from the model is checked before the scene is touched: the scene is replaced
// only once the whole file has been read.
#include <sys/stat.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "host/io/gltf_common.hpp"
#include "host/io/gltf_data.hpp"
#include "host/io/gltf_io.hpp"
#include <lxmesh.h>

namespace gorva::host {

namespace {

namespace fs = std::filesystem;
using namespace gltf;

constexpr size_t kMaxFileBytes = size_t(1) << 31;  // the binary container's lengths are 32-bit

/// Polygons of one glTF mesh as the host keeps them.
struct ReadMesh {
    std::vector<Float3> points;
    std::vector<uint32_t> starts{0}, corners;
    std::vector<std::string> parts, materials;  // per polygon, empty for none
    std::vector<float> uvs;                     // two per corner
    std::vector<uint8_t> uvSet;                 // per corner
    bool hasUVs = false;
};

struct ReadItem {
    std::string name;
    int type = 0;
    int parent = -1;  // index among the read items
    Trs trs;
    int mesh = -1;
    std::map<std::string, double> channels;
    std::array<double, 3> colour{1, 1, 1};
};

struct Content {
    std::vector<ReadItem> items;
    std::vector<ReadMesh> meshes;
    std::vector<std::string> notes;
    std::map<std::string, size_t> skipped;
};

// ---- files and URIs

std::string Decoded(const std::string &uri) {
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(uint8_t(uri[i + 1])) &&
            std::isxdigit(uint8_t(uri[i + 2]))) {
            out += char(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += uri[i] == '+' ? ' ' : uri[i];  // as the library decodes them
        }
    }
    return out;
}

/// Why a path may not be read for a file in `folder`, or empty when it may.
std::string PathRefusal(const fs::path &folder, const fs::path &path) {
    std::error_code ec;
    fs::path base = fs::weakly_canonical(folder, ec);
    fs::path target = fs::weakly_canonical(path, ec);
    fs::path rel = target.lexically_relative(base);
    if (ec || rel.empty() || *rel.begin() == ".." || rel == ".") return "it points outside the file's folder";
    auto status = fs::status(target, ec);
    if (ec || status.type() == fs::file_type::not_found) return "it does not exist";
    if (status.type() != fs::file_type::regular) return "it is not a regular file";
    return std::string();
}

std::string UriRefusal(const std::string &folder, const std::string &uri) {
    if (uri.rfind("data:", 0) == 0) return std::string();
    std::string path = Decoded(uri);
    size_t colon = path.find(':'), slash = path.find('/');
    if (path.empty()) return "it is empty";
    if (colon != std::string::npos && (slash == std::string::npos || colon < slash))
        return "it names a scheme, not a file beside this one";
    if (path[0] == '/') return "it points outside the file's folder";
    return PathRefusal(folder, fs::path(folder) / path);
}

/// The library's file access, kept to one folder.
struct FolderAccess {
    std::string folder;
};

bool AccessExists(const std::string &path, void *user) {
    return PathRefusal(static_cast<FolderAccess *>(user)->folder, path).empty();
}

std::string AccessExpand(const std::string &path, void *) {
    return path;  // no shell expansion of names taken from a file
}

bool ReadBytes(const std::string &path, std::string &bytes, std::string &reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::strerror(errno);
        return false;
    }
    in.seekg(0, std::ios::end);
    auto size = in.tellg();
    if (size < 0 || size_t(size) > kMaxFileBytes) {
        reason = "it is larger than 2 GiB";
        return false;
    }
    in.seekg(0);
    bytes.resize(size_t(size));
    if (size > 0 && !in.read(&bytes[0], size)) {
        reason = "it could not be read";
        return false;
    }
    return true;
}

bool AccessRead(std::vector<unsigned char> *out, std::string *err, const std::string &path, void *user) {
    std::string refusal = PathRefusal(static_cast<FolderAccess *>(user)->folder, path), bytes;
    if (refusal.empty() && ReadBytes(path, bytes, refusal)) {
        out->assign(bytes.begin(), bytes.end());
        return true;
    }
    if (err) *err += refusal;
    return false;
}

bool AccessWrite(std::string *err, const std::string &, const std::vector<unsigned char> &, void *) {
    if (err) *err += "reading only";
    return false;
}

bool SkipImage(tinygltf::Image *, const int, std::string *, std::string *, int, int, const unsigned char *,
               int, void *) {
    return true;  // pictures are not part of a host scene; never decoded
}

uint32_t Le32(const std::string &b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

bool IsBinary(const std::string &bytes) {
    return bytes.size() >= 4 && bytes.compare(0, 4, "glTF") == 0;
}

/// The JSON chunk of a binary file after checking the container; false with a reason.
bool BinaryJson(const std::string &b, std::string &json, std::string &error) {
    if (b.size() < 20) return error = "the file is truncated (no room for its header)", false;
    if (Le32(b, 4) != 2)
        return error = "binary glTF version " + std::to_string(Le32(b, 4)) + " is not 2", false;
    size_t length = Le32(b, 8);
    if (length > b.size())
        return error = "the file is truncated (" + std::to_string(b.size()) + " of " +
                       std::to_string(length) + " bytes)",
               false;
    if (length < b.size()) return error = "the file holds data past its stated length", false;
    size_t jsonLength = Le32(b, 12);
    if (Le32(b, 16) != 0x4E4F534Au) return error = "the first chunk is not JSON", false;
    if (jsonLength > length - 20) return error = "the JSON chunk runs past the end of the file", false;
    size_t next = 20 + jsonLength;
    if (next < length) {
        if (length - next < 8) return error = "the file is truncated inside a chunk header", false;
        if (Le32(b, next) > length - next - 8)
            return error = "the binary chunk runs past the end of the file", false;
    }
    json = b.substr(20, jsonLength);
    return true;
}

/// Checks every buffer and image URI before the library follows any.
bool CheckUris(const std::string &json, const std::string &folder, std::string &error) {
    auto doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) return error = "the file is not valid glTF JSON", false;
    for (const char *kind : {"buffers", "images"}) {
        auto list = doc.find(kind);
        if (list == doc.end() || !list->is_array()) continue;
        for (size_t i = 0; i < list->size(); ++i) {
            const auto &entry = (*list)[i];
            if (!entry.is_object() || !entry.contains("uri") || !entry["uri"].is_string()) continue;
            std::string uri = entry["uri"].get<std::string>();
            std::string refusal = UriRefusal(folder, uri);
            if (!refusal.empty()) {
                error = std::string(kind).substr(0, std::strlen(kind) - 1) + " " + std::to_string(i) +
                        ": its URI \"" + uri.substr(0, 200) + "\" cannot be read: " + refusal;
                return false;
            }
        }
    }
    return true;
}

std::string FirstLine(const std::string &text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? "the glTF library refused it" : line;
}

bool LoadModel(const std::string &bytes, const std::string &folder, tinygltf::Model &model,
               std::string &error) {
    std::string json;
    if (IsBinary(bytes)) {
        if (!BinaryJson(bytes, json, error)) return false;
    } else {
        json = bytes;
    }
    if (!CheckUris(json, folder, error)) return false;
    FolderAccess access{folder};
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({AccessExists, AccessExpand, AccessRead, AccessWrite, &access});
    loader.SetImageLoader(SkipImage, nullptr);
    std::string err, warn;
    bool ok =
        IsBinary(bytes)
            ? loader.LoadBinaryFromMemory(&model, &err, &warn,
                                          reinterpret_cast<const unsigned char *>(bytes.data()),
                                          unsigned(bytes.size()), folder)
            : loader.LoadASCIIFromString(&model, &err, &warn, bytes.data(), unsigned(bytes.size()), folder);
    if (!ok) error = FirstLine(err);
    return ok;
}

// ---- values

const tinygltf::Value *Record(const tinygltf::Value &extras) {
    if (!extras.IsObject() || !extras.Has(kExtrasKey)) return nullptr;
    const tinygltf::Value &record = extras.Get(kExtrasKey);
    return record.IsObject() ? &record : nullptr;
}

bool Number(const tinygltf::Value *record, const char *key, double &out) {
    if (!record || !record->Has(key) || !record->Get(key).IsNumber()) return false;
    out = record->Get(key).GetNumberAsDouble();
    return true;
}

bool Integer(const tinygltf::Value *record, const char *key, int &out) {
    if (!record || !record->Has(key) || !record->Get(key).IsInt()) return false;
    out = record->Get(key).GetNumberAsInt();
    return true;
}

bool Held(double v) {
    return std::isfinite(v) && std::fabs(v) <= double(FLT_MAX);
}

class Reader {
public:
    Reader(const tinygltf::Model &model, int upAxis) : m_model(model), m_data(model), m_up(UpTurn(upAxis)) {}

    bool Read(Content &out, std::string &error);

private:
    bool Fail(const std::string &reason) {
        m_error = reason;
        return false;
    }
    bool CheckExtensions();
    bool Hierarchy(std::vector<int> &parentOf, std::vector<int> &roots);
    bool NodeItem(int index, bool root);
    bool NodeTrs(const tinygltf::Node &node, Trs &trs);
    bool LightOf(const tinygltf::Node &node, int &light);
    bool Light(int light, ReadItem &item);
    bool MeshOf(int mesh, int &read);
    bool OwnMesh(const tinygltf::Mesh &mesh, ReadMesh &out, std::string &why);
    bool ForeignMesh(const tinygltf::Mesh &mesh, int index, ReadMesh &out);
    std::string MaterialName(int material) const {
        return material >= 0 && size_t(material) < m_model.materials.size()
                   ? m_model.materials[size_t(material)].name
                   : std::string();
    }

    const tinygltf::Model &m_model;
    AccessorReader m_data;
    Rows m_up;
    Content *m_out = nullptr;
    std::vector<int> m_meshOf;  // read mesh per glTF mesh, -1 until read
    std::string m_error;
    friend bool ReadContent(const tinygltf::Model &, int, Content &, std::string &);
};

bool Reader::CheckExtensions() {
    static const char *const kReadable[] = {"KHR_lights_punctual", "KHR_mesh_quantization", "KHR_materials_",
                                            "KHR_texture_", "EXT_texture_"};
    for (const auto &name : m_model.extensionsRequired) {
        bool readable = false;
        for (const char *prefix : kReadable) readable = readable || name.rfind(prefix, 0) == 0;
        if (!readable) return Fail("it needs the extension " + name + ", which gorva cannot read");
    }
    return true;
}

bool Reader::Hierarchy(std::vector<int> &parentOf, std::vector<int> &roots) {
    size_t count = m_model.nodes.size();
    parentOf.assign(count, -1);
    for (size_t n = 0; n < count; ++n)
        for (int child : m_model.nodes[n].children) {
            if (child < 0 || size_t(child) >= count)
                return Fail("node " + std::to_string(n) + " has child " + std::to_string(child) +
                            ", which does not exist");
            if (parentOf[size_t(child)] >= 0 || size_t(child) == n)
                return Fail("node " + std::to_string(child) + " has more than one parent");
            parentOf[size_t(child)] = int(n);
        }
    // Each node has at most one parent: walking up from every node must end at a root.
    std::vector<uint8_t> state(count, 0);  // 0 unseen, 1 on this walk, 2 known to end at a root
    for (size_t n = 0; n < count; ++n) {
        std::vector<size_t> walk;
        for (size_t at = n; state[at] != 2;) {
            if (state[at] == 1) return Fail("the node hierarchy has a cycle");
            state[at] = 1;
            walk.push_back(at);
            if (parentOf[at] < 0) break;
            at = size_t(parentOf[at]);
        }
        for (size_t w : walk) state[w] = 2;
    }
    if (!m_model.scenes.empty()) {
        int scene = m_model.defaultScene >= 0 && size_t(m_model.defaultScene) < m_model.scenes.size()
                        ? m_model.defaultScene
                        : 0;
        for (int n : m_model.scenes[size_t(scene)].nodes) {
            if (n < 0 || size_t(n) >= count)
                return Fail("the scene names node " + std::to_string(n) + ", which does not exist");
            if (parentOf[size_t(n)] >= 0)
                return Fail("the scene names node " + std::to_string(n) + ", which has a parent");
            roots.push_back(n);
        }
        if (m_model.scenes.size() > 1) m_out->skipped["other scenes"] += m_model.scenes.size() - 1;
    } else {
        for (size_t n = 0; n < count; ++n)
            if (parentOf[n] < 0) roots.push_back(int(n));
    }
    return true;
}

bool Reader::NodeTrs(const tinygltf::Node &node, Trs &trs) {
    auto finite = [](const std::vector<double> &v) { return std::all_of(v.begin(), v.end(), Held); };
    if (!finite(node.translation) || !finite(node.rotation) || !finite(node.scale) || !finite(node.matrix))
        return Fail("node \"" + node.name +
                    "\" has a transform value that is not finite or beyond single precision");
    if ((!node.translation.empty() && node.translation.size() != 3) ||
        (!node.rotation.empty() && node.rotation.size() != 4) ||
        (!node.scale.empty() && node.scale.size() != 3) || (!node.matrix.empty() && node.matrix.size() != 16))
        return Fail("node \"" + node.name + "\" has a transform of the wrong length");
    if (!node.matrix.empty()) {
        const auto &m = node.matrix;  // columns of a column-vector matrix: the host's rows
        if (m[3] != 0 || m[7] != 0 || m[11] != 0 || m[15] != 1)
            return Fail("node \"" + node.name + "\" has a matrix that is not a transform");
        double det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
                     m[2] * (m[4] * m[9] - m[5] * m[8]);
        for (int i = 0; i < 3; ++i) {
            double len =
                std::sqrt(m[i * 4] * m[i * 4] + m[i * 4 + 1] * m[i * 4 + 1] + m[i * 4 + 2] * m[i * 4 + 2]);
            double s = (i == 0 && det < 0) ? -len : len;
            trs.scale[size_t(i)] = s;
            for (int j = 0; j < 3; ++j)
                trs.rotation[size_t(i)][size_t(j)] = s != 0 ? m[i * 4 + j] / s : (i == j);
            trs.translation[size_t(i)] = m[12 + i];
        }
        return true;
    }
    if (node.translation.size() == 3)
        trs.translation = {node.translation[0], node.translation[1], node.translation[2]};
    if (node.scale.size() == 3) trs.scale = {node.scale[0], node.scale[1], node.scale[2]};
    if (node.rotation.size() == 4 &&
        !RowsOfQuaternion({node.rotation[0], node.rotation[1], node.rotation[2], node.rotation[3]},
                          trs.rotation))
        return Fail("node \"" + node.name + "\" has a rotation of length zero");
    return true;
}

bool Reader::LightOf(const tinygltf::Node &node, int &light) {
    light = -1;
    auto ext = node.extensions.find(kLightsExtension);
    if (ext == node.extensions.end()) return true;
    const tinygltf::Value &v = ext->second;
    if (!v.IsObject() || !v.Has("light") || !v.Get("light").IsInt())
        return Fail("node \"" + node.name + "\" has a malformed light");
    light = v.Get("light").GetNumberAsInt();
    if (light < 0 || size_t(light) >= m_model.lights.size())
        return Fail("node \"" + node.name + "\" names light " + std::to_string(light) +
                    ", which does not exist");
    return true;
}

bool Reader::Light(int index, ReadItem &item) {
    const tinygltf::Light &light = m_model.lights[size_t(index)];
    const char *type = light.type == "spot"          ? "spotLight"
                       : light.type == "directional" ? "sunLight"
                                                     : "pointLight";
    if (light.type != "spot" && light.type != "directional" && light.type != "point")
        return Fail("light " + std::to_string(index) + " has the unknown type \"" + light.type + "\"");
    if (item.type < 0 || !ItemTypeIsA(item.type, ItemTypeCode("light"))) item.type = ItemTypeCode(type);
    double values[] = {light.intensity, light.spot.outerConeAngle, light.range};
    if (!std::all_of(std::begin(values), std::end(values), Held) || light.intensity < 0 ||
        (!light.color.empty() && light.color.size() != 3) ||
        !std::all_of(light.color.begin(), light.color.end(), Held))
        return Fail("light " + std::to_string(index) + " has a value that is not finite or out of range");
    item.channels["radiance"] = light.intensity;
    if (light.color.size() == 3) item.colour = {light.color[0], light.color[1], light.color[2]};
    if (light.type == "spot") item.channels["cone"] = light.spot.outerConeAngle;
    if (light.range > 0) ++m_out->skipped["light ranges"];
    return true;
}

bool Reader::NodeItem(int index, bool root) {
    const tinygltf::Node &node = m_model.nodes[size_t(index)];
    ReadItem item;
    item.name = node.name;
    item.type = -1;
    const tinygltf::Value *record = Record(node.extras);
    if (record && record->Has("type") && record->Get("type").IsString()) {
        int type = ItemTypeCode(record->Get("type").Get<std::string>());
        if (type >= 0 && type != ItemTypeCode("lightMaterial")) item.type = type;
    }
    if (!NodeTrs(node, item.trs)) return false;
    int light = -1;
    if (!LightOf(node, light)) return false;
    bool mesh = node.mesh >= 0;
    if (mesh) {
        if (size_t(node.mesh) >= m_model.meshes.size())
            return Fail("node \"" + node.name + "\" names mesh " + std::to_string(node.mesh) +
                        ", which does not exist");
        item.type = ItemTypeCode("mesh");
        if (!MeshOf(node.mesh, item.mesh)) return false;
    }
    ReadItem lightItem;  // a light on a node that also has a mesh becomes its child
    ReadItem &lit = mesh ? lightItem : item;
    if (light >= 0 && !Light(light, lit)) return false;
    if (item.type < 0) item.type = ItemTypeCode("locator");
    for (const char *key : {"radiance", "width", "height"}) {
        double v;
        if (!Number(record, key, v)) continue;
        if (!Held(v)) return Fail("node \"" + node.name + "\" has a " + key + " that is not finite");
        item.channels[key] = v;
    }
    if (record && record->Has("color") && record->Get("color").IsArray() &&
        record->Get("color").ArrayLen() == 3) {
        for (int i = 0; i < 3; ++i) {
            double v = record->Get("color").Get(i).GetNumberAsDouble();
            if (!Held(v)) return Fail("node \"" + node.name + "\" has a colour that is not finite");
            item.colour[size_t(i)] = v;
        }
    }
    if (root) item.trs = FollowedBy(item.trs, Transposed(m_up));
    if (!node.weights.empty()) ++m_out->skipped["morph target weights"];
    if (node.skin >= 0) ++m_out->skipped["skins"];
    if (node.camera >= 0) ++m_out->skipped["cameras"];
    int self = int(m_out->items.size());
    m_out->items.push_back(item);
    if (mesh && light >= 0) {
        lightItem.name = node.name + " light";
        lightItem.parent = self;
        m_out->items.push_back(lightItem);
    }
    return true;
}

bool Reader::MeshOf(int mesh, int &read) {
    if (m_meshOf[size_t(mesh)] >= 0) {
        read = m_meshOf[size_t(mesh)];
        return true;
    }
    const tinygltf::Mesh &source = m_model.meshes[size_t(mesh)];
    ReadMesh out;
    std::string why;
    if (!OwnMesh(source, out, why)) {
        if (!why.empty())
            m_out->notes.push_back("mesh \"" + source.name + "\": its polygon records do not match it (" +
                                   why + "), read as triangles");
        out = ReadMesh();
        if (!ForeignMesh(source, mesh, out)) return false;
    }
    m_out->meshes.push_back(std::move(out));
    read = m_meshOf[size_t(mesh)] = int(m_out->meshes.size() - 1);
    return true;
}

/// The polygons of one of our own meshes, gathered primitive by primitive from the records in
/// their extras and put back in their first order.
class OwnRecords {
public:
    OwnRecords(const AccessorReader &data, size_t points, size_t polygons, ReadMesh &out)
        : m_data(data), m_out(out), m_slots(polygons), m_defined(points, 0) {
        out.points.assign(points, Float3{0, 0, 0});
    }

    /// Takes one primitive's vertices and polygons; false with the mismatch in `why`.
    bool Primitive(const tinygltf::Primitive &prim, int index, std::string &why) {
        const tinygltf::Value *rec = Record(prim.extras);
        std::vector<uint32_t> points, vertexOf;
        if (!Points(prim, rec, points, why)) return false;
        if (rec->Has("loose") && rec->Get("loose").IsBool() && rec->Get("loose").Get<bool>()) return true;
        int cornersAcc = -1;
        if (!Integer(rec, "corners", cornersAcc) || !m_data.Integers(cornersAcc, vertexOf, m_error))
            return why = "corner records", false;
        for (uint32_t v : vertexOf)
            if (v >= points.size()) return why = "a corner beyond the vertices", false;
        uint32_t base = uint32_t(m_corners.size());
        for (uint32_t v : vertexOf) m_corners.push_back(points[v]);
        if (!Uvs(prim, rec, points.size(), vertexOf, why)) return false;
        int sizes = -1, triangles = -1, polygons = -1;
        if (prim.mode == TINYGLTF_MODE_TRIANGLES && Integer(rec, "sizes", sizes) &&
            Integer(rec, "triangles", triangles))
            return Faces(prim, sizes, triangles, vertexOf, base, index, why);
        if ((prim.mode == TINYGLTF_MODE_LINE || prim.mode == TINYGLTF_MODE_POINTS) &&
            Integer(rec, "polygons", polygons))
            return Elements(prim.mode == TINYGLTF_MODE_LINE ? 2 : 1, polygons, vertexOf.size(), base, index,
                            why);
        return why = "a primitive without records", false;
    }

    /// The polygons in their first order, with their tags; false when a point or a polygon was
    /// never given.
    bool Finish(const tinygltf::Mesh &mesh, const std::vector<std::string> &materialNames, std::string &why) {
        if (std::find(m_defined.begin(), m_defined.end(), 0) != m_defined.end())
            return why = "a point never given", false;
        m_out.hasUVs = m_anyUV;
        for (const Slot &s : m_slots) {
            if (s.primitive < 0) return why = "a polygon never given", false;
            const auto &prim = mesh.primitives[size_t(s.primitive)];
            const tinygltf::Value *rec = Record(prim.extras);
            for (uint32_t i = s.first; i < s.first + s.size; ++i) {
                m_out.corners.push_back(m_corners[i]);
                if (!m_anyUV) continue;
                m_out.uvs.insert(m_out.uvs.end(), {m_uvs[i * 2], m_uvs[i * 2 + 1]});
                m_out.uvSet.push_back(m_uvSet[i]);
            }
            m_out.starts.push_back(uint32_t(m_out.corners.size()));
            bool named = prim.material >= 0 && size_t(prim.material) < materialNames.size();
            m_out.parts.push_back(named ? materialNames[size_t(prim.material)] : std::string());
            bool tagged = rec->Has("material") && rec->Get("material").IsString();
            m_out.materials.push_back(tagged ? rec->Get("material").Get<std::string>() : std::string());
        }
        return true;
    }

private:
    struct Slot {
        uint32_t first = 0, size = 0;  // its corners in m_corners
        int primitive = -1;
    };

    /// The point of each vertex, each point at one position.
    bool Points(const tinygltf::Primitive &prim, const tinygltf::Value *rec, std::vector<uint32_t> &points,
                std::string &why) {
        auto attr = prim.attributes.find("POSITION");
        int pointsAcc = -1;
        std::vector<float> pos;
        if (attr == prim.attributes.end() || !Integer(rec, "points", pointsAcc) ||
            !m_data.Floats(attr->second, TINYGLTF_TYPE_VEC3, pos, m_error) ||
            !m_data.Integers(pointsAcc, points, m_error) || points.size() * 3 != pos.size())
            return why = m_error.empty() ? "vertex records" : m_error, false;
        for (size_t v = 0; v < points.size(); ++v) {
            uint32_t pt = points[v];
            Float3 at{pos[v * 3], pos[v * 3 + 1], pos[v * 3 + 2]};
            if (pt >= m_defined.size()) return why = "a point beyond the count", false;
            if (m_defined[pt] && std::memcmp(&m_out.points[pt], &at, sizeof at) != 0)
                return why = "a point at two positions", false;
            m_out.points[pt] = at, m_defined[pt] = 1;
        }
        return true;
    }

    /// The UV of each corner: V turned back, or as the record keeps it exactly.
    bool Uvs(const tinygltf::Primitive &prim, const tinygltf::Value *rec, size_t vertices,
             const std::vector<uint32_t> &vertexOf, std::string &why) {
        std::vector<float> tex, exactV;
        std::vector<uint32_t> set;
        int setAcc = -1, vAcc = -1;
        auto uvAttr = prim.attributes.find("TEXCOORD_0");
        if (uvAttr != prim.attributes.end()) {
            if (!m_data.Floats(uvAttr->second, TINYGLTF_TYPE_VEC2, tex, m_error) ||
                tex.size() != vertices * 2)
                return why = "texture coordinates", false;
            m_anyUV = true;
        }
        if (Integer(rec, "uvSet", setAcc) &&
            (!m_data.Integers(setAcc, set, m_error) || set.size() != vertices))
            return why = "texture coordinate flags", false;
        if (Integer(rec, "v", vAcc) &&
            (!m_data.Floats(vAcc, TINYGLTF_TYPE_SCALAR, exactV, m_error) || exactV.size() != vertices))
            return why = "texture coordinate records", false;
        for (uint32_t v : vertexOf) {
            bool has = !tex.empty() && (set.empty() || set[v] != 0);
            m_uvs.push_back(has ? tex[v * 2] : 0.0f);
            m_uvs.push_back(has ? (exactV.empty() ? 1.0f - tex[v * 2 + 1] : exactV[v]) : 0.0f);
            m_uvSet.push_back(has ? 1 : 0);
        }
        return true;
    }

    bool Claim(uint32_t polygon, uint32_t first, uint32_t size, int primitive) {
        if (polygon >= m_slots.size() || m_slots[polygon].primitive >= 0) return false;
        m_slots[polygon] = {first, size, primitive};
        return true;
    }

    /// Faces: consecutive corners per polygon, its triangles consecutive and made of its corners.
    bool Faces(const tinygltf::Primitive &prim, int sizesAcc, int trianglesAcc,
               const std::vector<uint32_t> &vertexOf, uint32_t base, int primitive, std::string &why) {
        std::vector<uint32_t> sizes, owners, indices;
        if (!m_data.Integers(sizesAcc, sizes, m_error) || !m_data.Integers(trianglesAcc, owners, m_error) ||
            !m_data.Integers(prim.indices, indices, m_error) || indices.size() != owners.size() * 3)
            return why = "triangle records", false;
        size_t tri = 0;
        uint32_t first = 0;
        for (uint32_t size : sizes) {
            if (size < 3 || size > vertexOf.size() - first || tri + (size - 2) > owners.size())
                return why = "polygon sizes", false;
            uint32_t owner = owners[tri];
            auto from = vertexOf.begin() + first, to = from + size;
            for (uint32_t t = 0; t < size - 2; ++t, ++tri) {
                if (owners[tri] != owner) return why = "triangles", false;
                for (int k = 0; k < 3 && size <= 16; ++k)
                    if (std::find(from, to, indices[tri * 3 + size_t(k)]) == to)
                        return why = "triangles", false;
            }
            if (!Claim(owner, base + first, size, primitive)) return why = "polygon numbers", false;
            first += size;
        }
        if (tri != owners.size() || first != vertexOf.size()) return why = "polygon sizes", false;
        return true;
    }

    /// Lines and points: `size` corners per polygon, in order.
    bool Elements(uint32_t size, int polygonsAcc, size_t corners, uint32_t base, int primitive,
                  std::string &why) {
        std::vector<uint32_t> polygons;
        if (!m_data.Integers(polygonsAcc, polygons, m_error) || polygons.size() * size != corners)
            return why = "polygon records", false;
        for (size_t k = 0; k < polygons.size(); ++k)
            if (!Claim(polygons[k], base + uint32_t(k) * size, size, primitive))
                return why = "polygon numbers", false;
        return true;
    }

    const AccessorReader &m_data;
    ReadMesh &m_out;
    std::vector<Slot> m_slots;
    std::vector<uint8_t> m_defined;
    std::vector<uint32_t> m_corners;  // point per corner, primitive after primitive
    std::vector<float> m_uvs;
    std::vector<uint8_t> m_uvSet;
    bool m_anyUV = false;
    std::string m_error;
};

/// Our own meshes: the polygons back from the records in the primitives' extras. False with an
/// empty `why` for a mesh without records, with the mismatch for records that do not fit.
bool Reader::OwnMesh(const tinygltf::Mesh &mesh, ReadMesh &out, std::string &why) {
    const tinygltf::Value *meshRecord = Record(mesh.extras);
    int pointCount = 0, polygonCount = 0;
    if (!Integer(meshRecord, "points", pointCount) || !Integer(meshRecord, "polygons", polygonCount))
        return false;
    for (const auto &prim : mesh.primitives)
        if (!Record(prim.extras)) return false;
    // Every point is some vertex's and every polygon has a corner: counts beyond the data are false.
    size_t vertices = 0, cornerCount = 0;
    for (const auto &prim : mesh.primitives) {
        auto attr = prim.attributes.find("POSITION");
        int cornersAcc = -1;
        if (attr != prim.attributes.end()) vertices += m_data.Count(attr->second);
        if (Integer(Record(prim.extras), "corners", cornersAcc)) cornerCount += m_data.Count(cornersAcc);
    }
    if (pointCount < 0 || polygonCount < 0 || size_t(pointCount) > vertices ||
        size_t(polygonCount) > cornerCount)
        return why = "counts beyond the data", false;
    OwnRecords records(m_data, size_t(pointCount), size_t(polygonCount), out);
    for (size_t p = 0; p < mesh.primitives.size(); ++p)
        if (!records.Primitive(mesh.primitives[p], int(p), why)) return false;
    std::vector<std::string> names;
    for (const auto &material : m_model.materials) names.push_back(material.name);
    return records.Finish(mesh, names, why);
}

/// Any other mesh: each primitive's triangles, lines and points as polygons, vertices at the same
/// position welded into one point.
bool Reader::ForeignMesh(const tinygltf::Mesh &mesh, int index, ReadMesh &out) {
    struct Key {
        float x, y, z;
        bool operator==(const Key &o) const { return std::memcmp(this, &o, sizeof o) == 0; }
    };
    struct Hash {
        size_t operator()(const Key &k) const {
            uint32_t b[3];
            std::memcpy(b, &k, sizeof b);
            return (size_t(b[0]) * 73856093u) ^ (size_t(b[1]) * 19349663u) ^ (size_t(b[2]) * 83492791u);
        }
    };
    std::unordered_map<Key, uint32_t, Hash> weld;
    size_t degenerate = 0;
    for (size_t p = 0; p < mesh.primitives.size(); ++p) {
        const auto &prim = mesh.primitives[p];
        std::string where = "mesh " + std::to_string(index) + " primitive " + std::to_string(p) + ": ", error;
        auto attr = prim.attributes.find("POSITION");
        if (attr == prim.attributes.end()) {
            ++m_out->skipped["primitives without positions"];
            continue;
        }
        if (!prim.targets.empty()) ++m_out->skipped["morph targets"];
        std::vector<float> pos, tex;
        if (!m_data.Floats(attr->second, TINYGLTF_TYPE_VEC3, pos, error)) return Fail(where + error);
        size_t count = pos.size() / 3;
        auto uvAttr = prim.attributes.find("TEXCOORD_0");
        if (uvAttr != prim.attributes.end() &&
            (!m_data.Floats(uvAttr->second, TINYGLTF_TYPE_VEC2, tex, error) || tex.size() != count * 2))
            return Fail(where +
                        (error.empty() ? "its texture coordinates do not match its positions" : error));
        std::vector<uint32_t> indices;
        if (prim.indices >= 0) {
            if (!m_data.Integers(prim.indices, indices, error)) return Fail(where + error);
            for (uint32_t i : indices)
                if (i >= count)
                    return Fail(where + "index " + std::to_string(i) + " is out of range (" +
                                std::to_string(count) + " vertices)");
        } else {
            indices.resize(count);
            for (size_t i = 0; i < count; ++i) indices[i] = uint32_t(i);
        }
        std::vector<uint32_t> pointOf(count);
        for (size_t v = 0; v < count; ++v) {
            Key key{pos[v * 3] + 0.0f, pos[v * 3 + 1] + 0.0f, pos[v * 3 + 2] + 0.0f};  // -0 welds with 0
            auto found = weld.emplace(key, uint32_t(out.points.size()));
            if (found.second) out.points.push_back({pos[v * 3], pos[v * 3 + 1], pos[v * 3 + 2]});
            pointOf[v] = found.first->second;
        }
        std::string part = MaterialName(prim.material);
        if (!tex.empty()) out.hasUVs = true;
        auto emit = [&](std::initializer_list<uint32_t> vertices) {
            std::vector<uint32_t> pts;
            for (uint32_t v : vertices) pts.push_back(pointOf[v]);
            for (size_t i = 0; i + 1 < pts.size() + (pts.size() > 2 ? 1 : 0); ++i)
                if (pts[i] == pts[(i + 1) % pts.size()]) return void(++degenerate);
            if (pts.size() == 3 && pts[0] == pts[2]) return void(++degenerate);
            for (uint32_t v : vertices) {
                out.corners.push_back(pointOf[v]);
                out.uvs.push_back(tex.empty() ? 0.0f : tex[v * 2]);
                out.uvs.push_back(tex.empty() ? 0.0f : 1.0f - tex[v * 2 + 1]);
                out.uvSet.push_back(tex.empty() ? 0 : 1);
            }
            out.starts.push_back(uint32_t(out.corners.size()));
            out.parts.push_back(part);
            out.materials.emplace_back();
        };
        size_t n = indices.size();
        const auto &I = indices;
        switch (prim.mode) {
            case TINYGLTF_MODE_POINTS:
                for (size_t i = 0; i < n; ++i) emit({I[i]});
                break;
            case TINYGLTF_MODE_LINE:
                for (size_t i = 0; i + 1 < n; i += 2) emit({I[i], I[i + 1]});
                break;
            case TINYGLTF_MODE_LINE_STRIP:
            case TINYGLTF_MODE_LINE_LOOP:
                for (size_t i = 0; i + 1 < n; ++i) emit({I[i], I[i + 1]});
                if (prim.mode == TINYGLTF_MODE_LINE_LOOP && n > 2) emit({I[n - 1], I[0]});
                break;
            case TINYGLTF_MODE_TRIANGLES:
                for (size_t i = 0; i + 2 < n; i += 3) emit({I[i], I[i + 1], I[i + 2]});
                break;
            case TINYGLTF_MODE_TRIANGLE_STRIP:
                for (size_t i = 0; i + 2 < n; ++i)
                    if (i % 2 == 0)
                        emit({I[i], I[i + 1], I[i + 2]});
                    else
                        emit({I[i + 1], I[i], I[i + 2]});
                break;
            case TINYGLTF_MODE_TRIANGLE_FAN:
                for (size_t i = 1; i + 1 < n; ++i) emit({I[0], I[i], I[i + 1]});
                break;
            default:
                return Fail(where + "its mode " + std::to_string(prim.mode) + " is not a glTF mode");
        }
    }
    if (degenerate)
        m_out->notes.push_back(std::to_string(degenerate) + " degenerate triangles and lines of mesh \"" +
                               mesh.name + "\" were left out");
    return true;
}

bool ReadContent(const tinygltf::Model &model, int upAxis, Content &out, std::string &error) {
    Reader reader(model, upAxis);
    reader.m_out = &out;
    reader.m_meshOf.assign(model.meshes.size(), -1);
    std::vector<int> parentOf, roots;
    auto fail = [&] {
        error = reader.m_error;
        return false;
    };
    if (!model.asset.version.empty() && model.asset.version.rfind("2.", 0) != 0)
        return error = "glTF version " + model.asset.version + " is not 2.x", false;
    if (!reader.CheckExtensions() || !reader.Hierarchy(parentOf, roots)) return fail();
    // Items in node order; parents before children are not needed, links are made afterwards.
    std::vector<uint8_t> reachable(model.nodes.size(), 0);
    std::vector<int> stack(roots.begin(), roots.end());
    while (!stack.empty()) {
        int n = stack.back();
        stack.pop_back();
        reachable[size_t(n)] = 1;
        for (int c : model.nodes[size_t(n)].children) stack.push_back(c);
    }
    std::vector<int> itemOf(model.nodes.size(), -1);
    for (size_t n = 0; n < model.nodes.size(); ++n) {
        if (!reachable[n]) continue;
        itemOf[n] = int(out.items.size());
        if (!reader.NodeItem(int(n), parentOf[n] < 0)) return fail();
    }
    // Parents, once every node has its item.
    for (size_t n = 0; n < model.nodes.size(); ++n)
        if (itemOf[n] >= 0 && parentOf[n] >= 0)
            out.items[size_t(itemOf[n])].parent = itemOf[size_t(parentOf[n])];
    size_t unreachable = size_t(std::count(reachable.begin(), reachable.end(), 0));
    if (unreachable) out.skipped["nodes outside the scene"] += unreachable;
    if (!model.animations.empty()) out.skipped["animations"] += model.animations.size();
    return true;
}

// ---- into the scene

void FillMesh(MeshData &mesh, const ReadMesh &read) {
    mesh.ReservePoints(read.points.size());
    for (const auto &p : read.points) mesh.AddPoint(p);
    uint32_t uvMap = mesh.AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
    if (!read.starts.empty()) mesh.ReservePolygons(read.starts.size() - 1, read.corners.size());
    for (size_t k = 0; k + 1 < read.starts.size(); ++k) {
        uint32_t first = read.starts[k], count = read.starts[k + 1] - first;
        uint32_t poly = mesh.AddPolygon(LXiPTYP_FACE, read.corners.data() + first, count);
        if (poly == MeshData::kNone) continue;  // a corner repeating its neighbour: left out when read
        if (!read.parts[k].empty()) mesh.SetTag(poly, LXi_PTAG_PART, read.parts[k].c_str());
        if (!read.materials[k].empty()) mesh.SetTag(poly, LXi_PTAG_MATR, read.materials[k].c_str());
        if (!read.hasUVs) continue;
        for (uint32_t i = 0; i < count; ++i)
            if (read.uvSet[first + i])
                mesh.SetMapValue(uvMap, mesh.FirstCorner(poly) + i, &read.uvs[(first + i) * 2]);
    }
}

void SetItem(ItemData &item, const ReadItem &read) {
    auto euler = EulerOf(read.trs.rotation);
    const char *axes[] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        item.SetChannel(std::string("pos.") + axes[i], read.trs.translation[size_t(i)]);
        item.SetChannel(std::string("rot.") + axes[i], euler[size_t(i)]);
        item.SetChannel(std::string("scl.") + axes[i], read.trs.scale[size_t(i)]);
    }
    for (const auto &c : read.channels) item.SetChannel(c.first, c.second);
    for (ItemData *child : item.children)
        if (child->type == ItemTypeCode("lightMaterial")) {
            child->SetChannel("lightCol.R", read.colour[0]);
            child->SetChannel("lightCol.G", read.colour[1]);
            child->SetChannel("lightCol.B", read.colour[2]);
        }
}

void Apply(Document &doc, const Content &content, const std::string &label) {
    doc.NewScene();
    Scene &scene = doc.Content();
    std::vector<ItemData *> made;
    std::vector<ItemData *> owner(content.meshes.size(), nullptr);
    ItemData *first = nullptr;
    for (const ReadItem &read : content.items) {
        ItemData *item = nullptr;
        if (read.mesh >= 0 && owner[size_t(read.mesh)]) {
            item = scene.AddInstance(*owner[size_t(read.mesh)]);
            scene.SetName(*item, read.name);
        } else {
            item = scene.AddItem(read.type, read.name);
        }
        if (read.mesh >= 0 && !owner[size_t(read.mesh)]) {
            FillMesh(*item->mesh, content.meshes[size_t(read.mesh)]);
            owner[size_t(read.mesh)] = item;
        }
        if (read.mesh >= 0) {
            doc.SetActive(*item, true);
            if (!first) first = item;
        }
        SetItem(*item, read);
        made.push_back(item);
    }
    for (size_t i = 0; i < content.items.size(); ++i)
        if (content.items[i].parent >= 0) scene.SetParent(*made[i], made[size_t(content.items[i].parent)]);
    doc.SetPrimary(first);
    for (const auto &note : content.notes) doc.Note(2, label + ": " + note);
    if (!content.skipped.empty()) {
        std::string line;
        for (const auto &s : content.skipped)
            line += (line.empty() ? "" : ", ") + std::to_string(s.second) + " " + s.first;
        doc.Note(1, label + ": skipped (not part of a gorva scene): " + line);
    }
}

/// Checks that every value lands in a channel as read: within single precision.
bool CheckChannels(const Content &content, std::string &error) {
    for (const ReadItem &item : content.items) {
        auto euler = EulerOf(item.trs.rotation);
        for (int i = 0; i < 3; ++i)
            if (!Held(item.trs.translation[size_t(i)]) || !Held(item.trs.scale[size_t(i)]) ||
                !std::isfinite(euler[size_t(i)]))
                return error = "node \"" + item.name + "\" has a transform beyond single precision", false;
    }
    return true;
}

int UpAxisOf(const Document &doc) {
    std::string up = doc.Preference("units.upAxis");
    return up == "0" || up == "2" ? up[0] - '0' : 1;
}

}  // namespace

bool ReadGltf(Document &doc, const std::string &bytes, const std::string &label, const std::string &folder,
              std::string &error) {
    tinygltf::Model model;
    Content content;
    std::string reason;
    if (!LoadModel(bytes, folder.empty() ? "." : folder, model, reason) ||
        !ReadContent(model, UpAxisOf(doc), content, reason) || !CheckChannels(content, reason)) {
        error = label + ": " + reason;
        return false;
    }
    Apply(doc, content, label);
    return true;
}

bool OpenGltfScene(Document &doc, const std::string &path, std::string &error) {
    std::error_code ec;
    auto status = fs::status(path, ec);
    if (ec || status.type() == fs::file_type::not_found) {
        error = "cannot open \"" + path + "\": " + (ec ? ec.message() : std::string("no such file"));
        return false;
    }
    if (status.type() != fs::file_type::regular) {
        error = "cannot open \"" + path + "\": " +
                (status.type() == fs::file_type::directory ? "it is a folder" : "it is not a regular file");
        return false;
    }
    std::string bytes, reason;
    if (!ReadBytes(path, bytes, reason)) {
        error = "cannot open \"" + path + "\": " + reason;
        return false;
    }
    fs::path folder = fs::path(path).parent_path();
    return ReadGltf(doc, bytes, path, folder.empty() ? "." : folder.string(), error);
}

}  // namespace gorva::host
