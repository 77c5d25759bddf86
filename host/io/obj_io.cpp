// OBJ reading and writing. tinyobjloader reads the values of each statement; the statements are
// taken one line at a time so that every value keeps its line number for errors and its place in
// the file (objects, per-face groups and materials, faces interleaved with lines), which the
// library's shape lists would not keep.
#include "host/io/obj_io.hpp"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>

#include "host/io/file_write.hpp"
#include <lxmesh.h>

namespace gorva::host {

namespace {

// Statements of the format that carry nothing a mesh item keeps; read and left out.
const char *const kIgnored[] = {"s",        "mtllib",   "vp",         "cstype",    "deg",   "bmat",
                                "step",     "curv",     "curv2",      "surf",      "parm",  "trim",
                                "hole",     "scrv",     "sp",         "end",       "con",   "mg",
                                "lod",      "usemap",   "maplib",     "ctech",     "stech", "bevel",
                                "c_interp", "d_interp", "shadow_obj", "trace_obj", "call",  "csh"};

std::string Trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> SplitWords(const std::string &s) {
    std::vector<std::string> words;
    std::istringstream in(s);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

/// A number as the format writes it: an optional sign, digits with an optional decimal point, and
/// an optional exponent. Hexadecimal, "inf" and "nan" are not numbers of the format.
bool IsDecimal(const std::string &t) {
    auto digits = [&t](size_t &i) {
        size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i - from;
    };
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t mantissa = digits(i);
    if (i < t.size() && t[i] == '.') mantissa += digits(++i);
    if (mantissa == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        if (++i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (digits(i) == 0) return false;
    }
    return i == t.size();
}

/// True when the mantissa of a decimal number has a digit other than zero.
bool HasNonZeroMantissa(const std::string &t) {
    for (char c : t) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') return true;
    }
    return false;
}

enum class NumberProblem { None, NotDecimal, TooLarge, TooSmall };

/// Checks that a word is a decimal number that single precision holds: not beyond its range, and
/// not so small that it would read as zero.
NumberProblem CheckNumber(const std::string &word) {
    if (!IsDecimal(word)) return NumberProblem::NotDecimal;
    float value = std::strtof(word.c_str(), nullptr);
    if (std::isinf(value)) return NumberProblem::TooLarge;
    if (value == 0.0f && HasNonZeroMantissa(word)) return NumberProblem::TooSmall;
    return NumberProblem::None;
}

bool ParseIndex(const std::string &text, long &value) {
    if (text.empty()) return false;
    const char *s = text.c_str();
    char *end = nullptr;
    errno = 0;
    value = std::strtol(s, &end, 10);
    return end != s && *end == '\0' && errno != ERANGE && value != 0 && std::labs(value) < (1L << 30);
}

/// Resolves a 1-based or negative (relative) index against `count` elements; -1 when out of range.
long Resolve(long raw, size_t count) {
    long index = raw > 0 ? raw - 1 : long(count) + raw;
    return index >= 0 && size_t(index) < count ? index : -1;
}

/// Values tinyobjloader reports for one statement.
struct LineValues {
    std::vector<tinyobj::index_t> indices;
    std::vector<std::string> names;
    std::string name;
};

LineValues ReadStatement(const std::string &line) {
    tinyobj::callback_t cb;
    cb.index_cb = [](void *u, tinyobj::index_t *indices, int count) {
        static_cast<LineValues *>(u)->indices.assign(indices, indices + count);
    };
    cb.usemtl_cb = [](void *u, const char *name, int) { static_cast<LineValues *>(u)->name = name; };
    cb.group_cb = [](void *u, const char **names, int count) {
        for (int i = 0; i < count; ++i) static_cast<LineValues *>(u)->names.push_back(names[i]);
    };
    cb.object_cb = [](void *u, const char *name) { static_cast<LineValues *>(u)->name = name; };
    LineValues values;
    std::istringstream in(line);
    std::string warn, err;
    tinyobj::LoadObjWithCallback(in, cb, &values, nullptr, &warn, &err);
    return values;
}

struct RawPolygon {
    std::vector<long> v;
    std::vector<long> vt;  // -1 where the corner has none
    std::string material, part;
};

struct RawObject {
    std::string name;
    std::vector<RawPolygon> polygons;
};

/// Reads statements in file order into global pools and per-object element lists.
class Reader {
public:
    Reader(const std::string &label, const std::string &defaultName) : m_label(label) {
        m_objects.push_back({defaultName, {}});
    }

    bool Line(const std::string &raw, size_t lineNo) {
        m_lineNo = lineNo;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#') return true;
        size_t cut = line.find_first_of(" \t");
        std::string keyword = line.substr(0, cut);
        std::string rest = cut == std::string::npos ? std::string() : Trim(line.substr(cut));
        if (keyword == "v") return Vertex(rest);
        if (keyword == "vt") return TexCoord(rest);
        if (keyword == "vn") return Normal(rest);
        if (keyword == "f" || keyword == "l" || keyword == "p") return Element(keyword, rest);
        if (keyword == "o") {
            std::string name = Trim(ReadStatement(line).name);
            m_objects.push_back({name.empty() ? m_objects.front().name : name, {}});
            return true;
        }
        if (keyword == "g") {
            LineValues values = ReadStatement(line);
            std::string part;
            for (const auto &n : values.names) part += (part.empty() ? "" : " ") + n;
            m_part = part;
            return true;
        }
        if (keyword == "usemtl") {
            m_material = rest.empty() ? std::string() : Trim(ReadStatement(line).name);
            return true;
        }
        for (const char *ignored : kIgnored)
            if (keyword == ignored) {
                ++m_ignored[keyword];
                return true;
            }
        return Fail("unknown statement \"" + keyword + "\"");
    }

    bool Finish(ObjFile &out);
    const std::string &Error() const { return m_error; }

private:
    bool Fail(const std::string &reason) {
        m_error = m_label + ":" + std::to_string(m_lineNo) + ": " + reason;
        return false;
    }

    static std::string StripComment(const std::string &rest) {
        size_t hash = rest.find('#');
        return hash == std::string::npos ? rest : Trim(rest.substr(0, hash));
    }

    /// Checks the statement's numbers and keeps their values, each the nearest single-precision
    /// value to the decimal written (a zero mantissa reads as zero whatever its exponent).
    bool Numbers(const std::string &rest, size_t least, size_t most, const char *what,
                 std::vector<float> &values) {
        auto words = SplitWords(StripComment(rest));
        if (words.size() < least || words.size() > most)
            return Fail(std::string(what) + " needs " + std::to_string(least) +
                        (least == most ? "" : " to " + std::to_string(most)) + " numbers, found " +
                        std::to_string(words.size()));
        for (const auto &w : words) {
            switch (CheckNumber(w)) {
                case NumberProblem::None:
                    break;
                case NumberProblem::NotDecimal:
                    return Fail(std::string(what) + " has a bad number: \"" + w +
                                "\" is not a decimal number");
                case NumberProblem::TooLarge:
                    return Fail(std::string(what) + " has a value beyond single precision: \"" + w + "\"");
                case NumberProblem::TooSmall:
                    return Fail(std::string(what) + " has a bad number: \"" + w +
                                "\" is too small for single precision (write 0 for zero)");
            }
            values.push_back(std::strtof(w.c_str(), nullptr));
        }
        return true;
    }

    bool Vertex(const std::string &rest) {
        // x y z, optionally w or a colour; only the position is kept.
        std::vector<float> values;
        if (!Numbers(rest, 3, 7, "a vertex", values)) return false;
        m_points.push_back({values[0], values[1], values[2]});
        m_owner.push_back(long(m_objects.size() - 1));
        return true;
    }

    bool TexCoord(const std::string &rest) {
        std::vector<float> values;
        if (!Numbers(rest, 1, 3, "a texture coordinate", values)) return false;
        m_uvs.push_back({values[0], values.size() > 1 ? values[1] : 0.0f});
        return true;
    }

    bool Normal(const std::string &rest) {
        std::vector<float> values;
        if (!Numbers(rest, 3, 3, "a normal", values)) return false;
        ++m_normals;
        return true;
    }

    bool Corner(const std::string &word, long &v, long &vt) {
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t slash; (slash = word.find('/', start)) != std::string::npos; start = slash + 1)
            parts.push_back(word.substr(start, slash - start));
        parts.push_back(word.substr(start));
        long raw = 0;
        if (parts.size() > 3 || !ParseIndex(parts[0], raw))
            return Fail("bad vertex reference \"" + word + "\"");
        v = Resolve(raw, m_points.size());
        if (v < 0)
            return Fail("vertex index " + parts[0] + " is out of range (" + std::to_string(m_points.size()) +
                        " vertices so far)");
        vt = -1;
        if (parts.size() > 1 && !parts[1].empty()) {
            if (!ParseIndex(parts[1], raw)) return Fail("bad texture coordinate reference \"" + word + "\"");
            vt = Resolve(raw, m_uvs.size());
            if (vt < 0)
                return Fail("texture coordinate index " + parts[1] + " is out of range (" +
                            std::to_string(m_uvs.size()) + " so far)");
        }
        if (parts.size() > 2) {
            if (!ParseIndex(parts[2], raw)) return Fail("bad normal reference \"" + word + "\"");
            if (Resolve(raw, m_normals) < 0)
                return Fail("normal index " + parts[2] + " is out of range (" + std::to_string(m_normals) +
                            " so far)");
        }
        return true;
    }

    bool Element(const std::string &keyword, const std::string &rest) {
        auto words = SplitWords(StripComment(rest));
        size_t least = keyword == "f" ? 2 : keyword == "l" ? 2 : 1;
        if (words.size() < least)
            return Fail(std::string(keyword == "f"   ? "a face"
                                    : keyword == "l" ? "a line"
                                                     : "a point element") +
                        " needs at least " + std::to_string(least) + " vertices");
        RawPolygon poly;
        poly.material = m_material;
        poly.part = m_part;
        for (const auto &w : words) {
            long v = -1, vt = -1;
            if (!Corner(w, v, vt)) return false;
            poly.v.push_back(v);
            poly.vt.push_back(vt);
        }
        // The library reads the same references; its values must agree with the checked ones.
        LineValues values = ReadStatement("f " + StripComment(rest));
        if (values.indices.size() != words.size()) return Fail("unreadable element");
        auto &polys = m_objects.back().polygons;
        if (keyword == "f") {
            for (size_t i = 0; i < poly.v.size(); ++i)
                if (poly.v.size() > 1 && poly.v[i] == poly.v[(i + 1) % poly.v.size()])
                    return Fail("the face repeats vertex " + std::to_string(poly.v[i] + 1) + " in a row");
            polys.push_back(std::move(poly));
        } else if (keyword == "l") {
            // An open polyline is a run of two-vertex polygons.
            for (size_t i = 0; i + 1 < poly.v.size(); ++i) {
                if (poly.v[i] == poly.v[i + 1])
                    return Fail("the line repeats vertex " + std::to_string(poly.v[i] + 1) + " in a row");
                polys.push_back(
                    {{poly.v[i], poly.v[i + 1]}, {poly.vt[i], poly.vt[i + 1]}, poly.material, poly.part});
            }
        } else {
            for (size_t i = 0; i < poly.v.size(); ++i)
                polys.push_back({{poly.v[i]}, {poly.vt[i]}, poly.material, poly.part});
        }
        return true;
    }

    std::string m_label;
    size_t m_lineNo = 0;
    std::string m_error;
    std::vector<std::array<float, 3>> m_points;
    std::vector<long> m_owner;  // object each point was declared in
    std::vector<std::array<float, 2>> m_uvs;
    size_t m_normals = 0;
    std::string m_material, m_part;
    std::vector<RawObject> m_objects;  // [0] holds what comes before the first 'o'
    std::map<std::string, unsigned> m_ignored;
};

bool Reader::Finish(ObjFile &out) {
    // Statements before the first 'o' form an object of their own only when they hold elements,
    // or when the file has no objects at all.
    bool keepLeading = !m_objects.front().polygons.empty() || m_objects.size() == 1;
    if (m_objects.size() == 1 && m_points.empty()) keepLeading = false;
    std::vector<std::vector<long>> owned(m_objects.size());
    for (size_t i = 0; i < m_points.size(); ++i) owned[size_t(m_owner[i])].push_back(long(i));
    for (size_t k = keepLeading ? 0 : 1; k < m_objects.size(); ++k) {
        const RawObject &raw = m_objects[k];
        ObjObject obj;
        obj.name = raw.name;
        // Own points in file order, then points declared elsewhere that the object uses (copied),
        // in file order too.
        std::unordered_map<long, uint32_t> local;
        for (long g : owned[k])
            local.emplace(g, uint32_t(local.size())), obj.points.push_back(m_points[size_t(g)]);
        std::vector<long> foreign;
        for (const auto &p : raw.polygons)
            for (long g : p.v)
                if (!local.count(g)) foreign.push_back(g);
        std::sort(foreign.begin(), foreign.end());
        foreign.erase(std::unique(foreign.begin(), foreign.end()), foreign.end());
        for (long g : foreign)
            local.emplace(g, uint32_t(local.size())), obj.points.push_back(m_points[size_t(g)]);
        for (const auto &p : raw.polygons) {
            ObjPolygon poly;
            poly.material = p.material;
            poly.part = p.part;
            bool anyUV = std::any_of(p.vt.begin(), p.vt.end(), [](long t) { return t >= 0; });
            for (size_t i = 0; i < p.v.size(); ++i) {
                poly.vertices.push_back(local.at(p.v[i]));
                if (!anyUV) continue;
                poly.uvSet.push_back(p.vt[i] >= 0);
                poly.uvs.push_back(p.vt[i] >= 0 ? m_uvs[size_t(p.vt[i])] : std::array<float, 2>{0, 0});
            }
            obj.hasUVs = obj.hasUVs || anyUV;
            obj.polygons.push_back(std::move(poly));
        }
        out.objects.push_back(std::move(obj));
    }
    if (!keepLeading && !owned[0].empty())
        out.notes.push_back(std::to_string(owned[0].size()) +
                            " vertices before the first object were not used");
    if (m_normals) out.notes.push_back(std::to_string(m_normals) + " normals were not kept (recomputed)");
    for (const auto &ig : m_ignored)
        out.notes.push_back(std::to_string(ig.second) + " \"" + ig.first + "\" statements were not kept");
    return true;
}

std::string OneLine(const std::string &text) {
    std::string s = text;
    std::replace(s.begin(), s.end(), '\n', ' ');
    std::replace(s.begin(), s.end(), '\r', ' ');
    return s;
}

std::string FormatFloat(float value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", double(value));
    return buf;
}

}  // namespace

bool ParseObj(std::istream &in, const std::string &label, const std::string &defaultName, ObjFile &out,
              std::string &error, const TextLimits &limits) {
    out = ObjFile();
    Reader reader(label, defaultName.empty() ? "Mesh" : defaultName);
    LineReader lines(in, limits);
    std::string line;
    LineReader::Status status;
    while ((status = lines.Next(line)) == LineReader::kLine) {
        if (!reader.Line(line, lines.LineNumber())) {
            error = reader.Error();
            return false;
        }
    }
    if (status != LineReader::kEnd) {
        error = lines.Problem(status, label, "an OBJ file");
        return false;
    }
    return reader.Finish(out);
}

ItemData *AddObjObjects(Host &host, const ObjFile &file) {
    ItemData *first = nullptr;
    for (const ObjObject &obj : file.objects) {
        ItemData *item = host.scene.AddItem(ItemTypeCode("mesh"), obj.name);
        MeshData &mesh = *item->mesh;
        mesh.positions.reserve(obj.points.size());
        for (const auto &p : obj.points) mesh.AddPoint(p);
        uint32_t uvMap = mesh.AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
        for (const ObjPolygon &p : obj.polygons) {
            uint32_t poly = mesh.AddPolygon(LXiPTYP_FACE, p.vertices.data(), uint32_t(p.vertices.size()));
            if (poly == MeshData::kNone) continue;  // the reader refuses such polygons
            if (!p.material.empty()) mesh.SetTag(poly, LXi_PTAG_MATR, p.material.c_str());
            if (!p.part.empty()) mesh.SetTag(poly, LXi_PTAG_PART, p.part.c_str());
            for (size_t i = 0; i < p.uvSet.size(); ++i)
                if (p.uvSet[i]) mesh.SetMapValue(uvMap, mesh.polyStart[poly] + uint32_t(i), p.uvs[i].data());
        }
        host.SetActive(*item, true);
        if (!first) first = item;
    }
    return first;
}

bool OpenObjScene(Host &host, const std::string &path, std::string &error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "cannot open \"" + path + "\": it is a folder";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    std::string stem = path.substr(path.find_last_of('/') + 1);
    stem = stem.substr(0, stem.find_last_of('.'));
    ObjFile file;
    if (!ParseObj(in, path, stem, file, error)) return false;
    host.NewScene();
    host.SetPrimary(AddObjObjects(host, file));
    for (const auto &note : file.notes) host.log.push_back({2, path + ": " + note});
    return true;
}

void WriteObj(Host &host, std::ostream &out) {
    out << "# gorva scene\n";
    size_t pointBase = 0, uvBase = 0;
    std::string material, part;
    WorldMatrixCache worlds;
    for (const auto &holder : host.scene.Items()) {
        ItemData &item = *holder;
        if (!item.mesh) {
            out << "# not written: " << OneLine(item.name) << " (" << ItemTypes()[size_t(item.type)].name
                << ")\n";
            continue;
        }
        MeshData &mesh = *item.mesh;
        out << "o " << OneLine(item.name.empty() ? item.ident : item.name) << "\n";
        const Matrix4 &world = worlds.Of(item);
        for (const auto &p : mesh.positions) {
            auto w = TransformPoint(world, {p[0], p[1], p[2]});
            out << "v " << FormatFloat(float(w[0])) << ' ' << FormatFloat(float(w[1])) << ' '
                << FormatFloat(float(w[2])) << '\n';
        }
        const MeshMap *uv = mesh.FindMap(LXi_VMAP_TEXTUREUV, "Texture");
        std::vector<long> cornerUV(mesh.corners.size(), -1);
        if (uv) {
            size_t count = 0;
            for (size_t c = 0; c < mesh.corners.size(); ++c) {
                if (!uv->isSet[c]) continue;
                out << "vt " << FormatFloat(uv->values[c * 2]) << ' ' << FormatFloat(uv->values[c * 2 + 1])
                    << '\n';
                cornerUV[c] = long(uvBase + ++count);
            }
            uvBase += count;
        }
        for (uint32_t poly = 0; poly < mesh.PolygonCount(); ++poly) {
            const char *m = mesh.Tag(poly, LXi_PTAG_MATR);
            const char *g = mesh.Tag(poly, LXi_PTAG_PART);
            std::string mText = m ? OneLine(m) : std::string(), gText = g ? OneLine(g) : std::string();
            if (mText != material) out << (mText.empty() ? "usemtl" : "usemtl " + mText) << '\n';
            if (gText != part) out << (gText.empty() ? "g" : "g " + gText) << '\n';
            material = mText;
            part = gText;
            uint32_t n = mesh.VertexCount(poly);
            out << (n == 1 ? "p" : n == 2 ? "l" : "f");
            for (uint32_t i = 0; i < n; ++i) {
                out << ' ' << pointBase + mesh.Vertices(poly)[i] + 1;
                long t = cornerUV[mesh.polyStart[poly] + i];
                if (t > 0) out << '/' << t;
            }
            out << '\n';
        }
        pointBase += mesh.PointCount();
    }
}

namespace {

/// False with the first corner whose "Texture" value is not finite.
bool CheckUVs(const ItemData &item, std::string &error) {
    const MeshMap *uv = item.mesh->FindMap(LXi_VMAP_TEXTUREUV, "Texture");
    for (size_t c = 0; uv && c < uv->isSet.size(); ++c) {
        if (!uv->isSet[c] || (std::isfinite(uv->values[c * 2]) && std::isfinite(uv->values[c * 2 + 1])))
            continue;
        error =
            "a texture coordinate of \"" + (item.name.empty() ? item.ident : item.name) + "\" is not finite";
        return false;
    }
    return true;
}

}  // namespace

bool CheckSavable(Host &host, std::string &error) {
    WorldMatrixCache worlds;
    for (const auto &holder : host.scene.Items()) {
        const ItemData &item = *holder;
        if (!item.mesh) continue;
        if (!CheckUVs(item, error)) return false;
        const Matrix4 &world = worlds.Of(item);
        const auto &positions = item.mesh->positions;
        for (size_t i = 0; i < positions.size(); ++i) {
            auto w = TransformPoint(world, {positions[i][0], positions[i][1], positions[i][2]});
            if (std::fabs(w[0]) <= FLT_MAX && std::fabs(w[1]) <= FLT_MAX && std::fabs(w[2]) <= FLT_MAX)
                continue;
            char at[96];
            std::snprintf(at, sizeof at, " (%g, %g, %g)", w[0], w[1], w[2]);
            error = "point " + std::to_string(i + 1) + " of \"" +
                    (item.name.empty() ? item.ident : item.name) +
                    "\" lies beyond single precision in world space" + at;
            return false;
        }
    }
    return true;
}

bool SaveObjScene(Host &host, const std::string &path, std::string &error) {
    std::string reason;
    if (!CheckSavable(host, reason)) {
        error = "cannot save \"" + path + "\": " + reason;
        return false;
    }
    std::ostringstream text;
    WriteObj(host, text);
    return WriteFileSafely(path, text.str(), error);
}

}  // namespace gorva::host
