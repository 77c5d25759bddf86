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
#include <string_view>
#include <unordered_map>

#include "host/base/file_write.hpp"
#include <lxmesh.h>

#include "host/base/numbers.hpp"

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

/// Words of a statement, read one at a time without copying the line.
class Words {
public:
    explicit Words(std::string_view text) : m_text(text) {}
    /// The next word, false at the end of the text or at a comment.
    bool Next(std::string_view &word) {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t')) ++m_at;
        if (m_at >= m_text.size() || m_text[m_at] == '#') return false;
        size_t from = m_at;
        while (m_at < m_text.size() && m_text[m_at] != ' ' && m_text[m_at] != '\t' && m_text[m_at] != '#')
            ++m_at;
        word = m_text.substr(from, m_at - from);
        return true;
    }

private:
    std::string_view m_text;
    size_t m_at = 0;
};

/// A reference as the format writes it: an optional minus sign and decimal digits, not zero, below
/// 2^30 in size.
bool ParseIndex(std::string_view text, long &value) {
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (i == text.size() || text.size() - i > 10) return false;
    long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    value = text[0] == '-' ? -v : v;
    return v != 0 && v < (1L << 30);
}

/// Resolves a 1-based or negative (relative) index against `count` elements; -1 when out of range.
long Resolve(long raw, size_t count) {
    long index = raw > 0 ? raw - 1 : long(count) + raw;
    return index >= 0 && size_t(index) < count ? index : -1;
}

/// Values tinyobjloader reports for one statement.
struct LineValues {
    std::string name;
};

LineValues ReadStatement(const std::string &line) {
    tinyobj::callback_t cb;
    cb.usemtl_cb = [](void *u, const char *name, int) { static_cast<LineValues *>(u)->name = name; };
    cb.object_cb = [](void *u, const char *name) { static_cast<LineValues *>(u)->name = name; };
    LineValues values;
    std::istringstream in(line);
    std::string warn, err;
    tinyobj::LoadObjWithCallback(in, cb, &values, nullptr, &warn, &err);
    return values;
}

/// An object while it is read: element records over global point indices.
struct RawObject {
    std::string name;
    std::vector<ObjElement> elements;
    std::vector<uint32_t> corners;    // global point index per corner
    std::vector<uint32_t> cornerUVs;  // global texture coordinate index + 1, 0 for none
    bool hasUVs = false;              // cornerUVs is kept only once a corner has one
};

constexpr uint32_t kUnset = 0xFFFFFFFFu;

/// Reads statements in file order into global pools and per-object element records. Names are
/// kept once each, so a file of a million faces under one group holds that group's name once.
class Reader {
public:
    Reader(const std::string &label, const std::string &defaultName) : m_label(label) {
        m_objects.push_back({defaultName, {}, {}, {}, false});
        m_nameIndex.emplace(std::string(), 0);
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
        if (keyword == "f") return Element(ObjElementKind::kFace, rest);
        if (keyword == "l") return Element(ObjElementKind::kLine, rest);
        if (keyword == "p") return Element(ObjElementKind::kPoints, rest);
        if (keyword == "o") {
            std::string name = Trim(ReadStatement(line).name);
            m_objects.push_back({name.empty() ? m_objects.front().name : name, {}, {}, {}, false});
            return true;
        }
        if (keyword == "g") {
            // The rest of the line is the name as written, inner spaces included, so that a part
            // name such as "Front  Wall" reads back as it was saved.
            m_part = Intern(rest);
            return true;
        }
        if (keyword == "usemtl") {
            m_material = Intern(rest.empty() ? std::string() : Trim(ReadStatement(line).name));
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

    uint32_t Intern(const std::string &name) {
        auto found = m_nameIndex.emplace(name, uint32_t(m_names.size()));
        if (found.second) m_names.push_back(name);
        return found.first->second;
    }

    /// Checks the statement's numbers and keeps their values, each the nearest single-precision
    /// value to the decimal written (a zero mantissa reads as zero whatever its exponent).
    bool Numbers(const std::string &rest, size_t least, size_t most, const char *what, float *values) {
        Words words(rest);
        std::string_view word;
        size_t count = 0;
        std::string text;
        while (words.Next(word)) {
            if (++count > most) {
                while (words.Next(word)) ++count;
                break;
            }
            text.assign(word);
            switch (CheckNumber(text)) {
                case NumberProblem::None:
                    break;
                case NumberProblem::NotDecimal:
                    return Fail(std::string(what) + " has a bad number: \"" + text +
                                "\" is not a decimal number");
                case NumberProblem::TooLarge:
                    return Fail(std::string(what) + " has a value beyond single precision: \"" + text + "\"");
                case NumberProblem::TooSmall:
                    return Fail(std::string(what) + " has a bad number: \"" + text +
                                "\" is too small for single precision (write 0 for zero)");
            }
            values[count - 1] = std::strtof(text.c_str(), nullptr);
        }
        if (count < least || count > most)
            return Fail(std::string(what) + " needs " + std::to_string(least) +
                        (least == most ? "" : " to " + std::to_string(most)) + " numbers, found " +
                        std::to_string(count));
        return true;
    }

    bool Vertex(const std::string &rest) {
        // x y z, optionally w or a colour; only the position is kept.
        float values[7] = {};
        if (!Numbers(rest, 3, 7, "a vertex", values)) return false;
        m_points.push_back({values[0], values[1], values[2]});
        m_owner.push_back(uint32_t(m_objects.size() - 1));
        return true;
    }

    bool TexCoord(const std::string &rest) {
        float values[3] = {};
        if (!Numbers(rest, 1, 3, "a texture coordinate", values)) return false;
        m_uvs.push_back({values[0], values[1]});
        return true;
    }

    bool Normal(const std::string &rest) {
        float values[3] = {};
        if (!Numbers(rest, 3, 3, "a normal", values)) return false;
        ++m_normals;
        return true;
    }

    bool Corner(std::string_view word, uint32_t &v, uint32_t &vt) {
        std::string_view parts[3];
        size_t count = 0, start = 0;
        for (;;) {
            size_t slash = word.find('/', start);
            if (count == 3) return Fail("bad vertex reference \"" + std::string(word) + "\"");
            parts[count++] = word.substr(start, slash == std::string_view::npos ? slash : slash - start);
            if (slash == std::string_view::npos) break;
            start = slash + 1;
        }
        long raw = 0;
        if (!ParseIndex(parts[0], raw)) return Fail("bad vertex reference \"" + std::string(word) + "\"");
        long index = Resolve(raw, m_points.size());
        if (index < 0)
            return Fail("vertex index " + std::string(parts[0]) + " is out of range (" +
                        std::to_string(m_points.size()) + " vertices so far)");
        v = uint32_t(index);
        vt = 0;
        if (count > 1 && !parts[1].empty()) {
            if (!ParseIndex(parts[1], raw))
                return Fail("bad texture coordinate reference \"" + std::string(word) + "\"");
            index = Resolve(raw, m_uvs.size());
            if (index < 0)
                return Fail("texture coordinate index " + std::string(parts[1]) + " is out of range (" +
                            std::to_string(m_uvs.size()) + " so far)");
            vt = uint32_t(index) + 1;
        }
        if (count > 2) {
            if (!ParseIndex(parts[2], raw)) return Fail("bad normal reference \"" + std::string(word) + "\"");
            if (Resolve(raw, m_normals) < 0)
                return Fail("normal index " + std::string(parts[2]) + " is out of range (" +
                            std::to_string(m_normals) + " so far)");
        }
        return true;
    }

    /// One rule for faces: each corner is a different vertex, next to its twin or not.
    bool CheckFaceCorners(const uint32_t *v, uint32_t n) {
        if (n <= 8) {
            for (uint32_t i = 0; i < n; ++i)
                for (uint32_t j = i + 1; j < n; ++j)
                    if (v[i] == v[j]) return RepeatedCorner(v[i]);
            return true;
        }
        std::vector<uint32_t> sorted(v, v + n);
        std::sort(sorted.begin(), sorted.end());
        auto twin = std::adjacent_find(sorted.begin(), sorted.end());
        return twin == sorted.end() || RepeatedCorner(*twin);
    }
    bool RepeatedCorner(uint32_t point) {
        return Fail("the face repeats vertex " + std::to_string(point + 1) +
                    " (each corner of a face is a different vertex)");
    }

    bool Element(ObjElementKind kind, const std::string &rest) {
        RawObject &object = m_objects.back();
        const size_t first = object.corners.size();
        auto undo = [&] {
            object.corners.resize(first);
            if (object.cornerUVs.size() > first) object.cornerUVs.resize(first);
            return false;
        };
        Words words(rest);
        std::string_view word;
        while (words.Next(word)) {
            uint32_t v = 0, vt = 0;
            if (!Corner(word, v, vt)) return undo();
            if (vt && !object.hasUVs) {
                object.cornerUVs.assign(object.corners.size(), 0);
                object.hasUVs = true;
            }
            object.corners.push_back(v);
            if (object.hasUVs) object.cornerUVs.push_back(vt);
        }
        size_t count = object.corners.size() - first;
        size_t least = kind == ObjElementKind::kPoints ? 1 : 2;
        if (count < least) {
            undo();
            return Fail(std::string(kind == ObjElementKind::kFace   ? "a face"
                                    : kind == ObjElementKind::kLine ? "a line"
                                                                    : "a point element") +
                        " needs at least " + std::to_string(least) + " vertices");
        }
        if (count > 0xFFFFFFFFu - first) return undo() || Fail("too many corners in one object");
        const uint32_t *v = object.corners.data() + first;
        if (kind == ObjElementKind::kFace && !CheckFaceCorners(v, uint32_t(count))) return undo();
        if (kind == ObjElementKind::kLine)
            for (size_t i = 0; i + 1 < count; ++i)
                if (v[i] == v[i + 1]) {
                    undo();
                    return Fail("the line repeats vertex " + std::to_string(v[i] + 1) + " in a row");
                }
        // Point elements read as one point polygon per corner, so a run of them is one record: a
        // point cloud written a point a line takes no more than its corners.
        if (kind == ObjElementKind::kPoints && !object.elements.empty()) {
            ObjElement &last = object.elements.back();
            if (last.kind == kind && last.material == m_material && last.part == m_part &&
                last.firstCorner + size_t(last.cornerCount) == first &&
                count <= 0xFFFFFFFFu - last.cornerCount) {
                last.cornerCount += uint32_t(count);
                return true;
            }
        }
        object.elements.push_back({uint32_t(first), uint32_t(count), m_material, m_part, kind});
        return true;
    }

    std::string m_label;
    size_t m_lineNo = 0;
    std::string m_error;
    std::vector<std::array<float, 3>> m_points;
    std::vector<uint32_t> m_owner;  // object each point was declared in
    std::vector<std::array<float, 2>> m_uvs;
    size_t m_normals = 0;
    uint32_t m_material = 0, m_part = 0;
    std::vector<std::string> m_names{std::string()};
    std::unordered_map<std::string, uint32_t> m_nameIndex;
    std::vector<RawObject> m_objects;  // [0] holds what comes before the first 'o'
    std::map<std::string, unsigned> m_ignored;
};

bool Reader::Finish(ObjFile &out) {
    // Statements before the first 'o' form an object of their own only when they hold elements,
    // or when the file has no objects at all.
    bool keepLeading = !m_objects.front().elements.empty() || m_objects.size() == 1;
    if (m_objects.size() == 1 && m_points.empty()) keepLeading = false;
    // Points per object, in file order: counts, then one flat list.
    std::vector<uint32_t> ownedStart(m_objects.size() + 1, 0);
    for (uint32_t owner : m_owner) ++ownedStart[owner + 1];
    for (size_t k = 0; k < m_objects.size(); ++k) ownedStart[k + 1] += ownedStart[k];
    std::vector<uint32_t> owned(m_points.size());
    {
        std::vector<uint32_t> fill(ownedStart.begin(), ownedStart.end() - 1);
        for (uint32_t g = 0; g < m_points.size(); ++g) owned[fill[m_owner[g]]++] = g;
    }
    m_owner = std::vector<uint32_t>();
    // Global point index to the object's own, reset after each object.
    std::vector<uint32_t> local(m_points.size(), kUnset);
    for (size_t k = keepLeading ? 0 : 1; k < m_objects.size(); ++k) {
        RawObject &raw = m_objects[k];
        ObjObject obj;
        obj.name = raw.name;
        // Own points in file order, then points declared elsewhere that the object uses (copied),
        // in file order too.
        std::vector<uint32_t> order(owned.begin() + ownedStart[k], owned.begin() + ownedStart[k + 1]);
        for (uint32_t i = 0; i < order.size(); ++i) local[order[i]] = i;
        size_t ownCount = order.size();
        for (uint32_t g : raw.corners)
            if (local[g] == kUnset) local[g] = kUnset - 1, order.push_back(g);
        std::sort(order.begin() + long(ownCount), order.end());
        for (size_t i = ownCount; i < order.size(); ++i) local[order[i]] = uint32_t(i);
        obj.points.reserve(order.size());
        for (uint32_t g : order) obj.points.push_back(m_points[g]);
        for (uint32_t &c : raw.corners) c = local[c];
        for (uint32_t g : order) local[g] = kUnset;
        obj.corners = std::move(raw.corners);
        obj.cornerUVs = std::move(raw.cornerUVs);
        obj.elements = std::move(raw.elements);
        out.objects.push_back(std::move(obj));
    }
    size_t leadingPoints = ownedStart[1];
    if (!keepLeading && leadingPoints)
        out.notes.push_back(std::to_string(leadingPoints) +
                            " vertices before the first object were not used");
    if (m_normals) out.notes.push_back(std::to_string(m_normals) + " normals were not kept (recomputed)");
    for (const auto &ig : m_ignored)
        out.notes.push_back(std::to_string(ig.second) + " \"" + ig.first + "\" statements were not kept");
    out.names = std::move(m_names);
    out.uvs = std::move(m_uvs);
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

std::vector<ObjPolygon> ObjFile::Polygons(const ObjObject &object) const {
    std::vector<ObjPolygon> polygons;
    ForEachPolygon(object,
                   [&](const uint32_t *v, uint32_t n, const uint32_t *t, uint32_t material, uint32_t part) {
                       ObjPolygon poly;
                       poly.vertices.assign(v, v + n);
                       poly.material = names[material];
                       poly.part = names[part];
                       if (t && std::any_of(t, t + n, [](uint32_t ref) { return ref != 0; }))
                           for (uint32_t i = 0; i < n; ++i) {
                               poly.uvSet.push_back(t[i] != 0);
                               poly.uvs.push_back(t[i] ? uvs[t[i] - 1] : std::array<float, 2>{0, 0});
                           }
                       polygons.push_back(std::move(poly));
                   });
    return polygons;
}

ItemData *AddObjObjects(Document &doc, const ObjFile &file) {
    ItemData *first = nullptr;
    for (const ObjObject &obj : file.objects) {
        ItemData *item = doc.Content().AddItem(ItemTypeCode("mesh"), obj.name);
        MeshData &mesh = *item->mesh;
        mesh.ReservePoints(obj.points.size());
        for (const auto &p : obj.points) mesh.AddPoint(p);
        uint32_t uvMap = mesh.AddMap(LXi_VMAP_TEXTUREUV, "Texture", 2);
        // Counted first and allocated once: growing by doubling would hold up to three times the
        // arrays at a moment.
        size_t polygons = 0, corners = 0;
        file.ForEachPolygon(obj, [&](const uint32_t *, uint32_t n, const uint32_t *, uint32_t, uint32_t) {
            ++polygons;
            corners += n;
        });
        mesh.ReservePolygons(polygons, corners);
        file.ForEachPolygon(
            obj, [&](const uint32_t *v, uint32_t n, const uint32_t *t, uint32_t material, uint32_t part) {
                uint32_t poly = mesh.AddPolygon(LXiPTYP_FACE, v, n);
                if (poly == MeshData::kNone) return;  // the reader refuses such polygons
                if (material) mesh.SetTag(poly, LXi_PTAG_MATR, file.names[material].c_str());
                if (part) mesh.SetTag(poly, LXi_PTAG_PART, file.names[part].c_str());
                for (uint32_t i = 0; t && i < n; ++i)
                    if (t[i]) mesh.SetMapValue(uvMap, mesh.FirstCorner(poly) + i, file.uvs[t[i] - 1].data());
            });
        doc.SetActive(*item, true);
        if (!first) first = item;
    }
    return first;
}

bool OpenObjScene(Document &doc, const std::string &path, std::string &error) {
    InputFile input;
    std::string reason;
    if (!input.Open(path, reason)) {
        error = "cannot open \"" + path + "\": " + reason;
        return false;
    }
    std::istream in(&input);
    std::string stem = path.substr(path.find_last_of('/') + 1);
    stem = stem.substr(0, stem.find_last_of('.'));
    ObjFile file;
    if (!ParseObj(in, path, stem, file, error)) return false;
    doc.NewScene();
    doc.SetPrimary(AddObjObjects(doc, file));
    for (const auto &note : file.notes) doc.Note(2, path + ": " + note);
    return true;
}

void WriteObj(const Scene &scene, std::ostream &out) {
    out << "# gorva scene\n";
    size_t pointBase = 0, uvBase = 0;
    std::string material, part;
    WorldMatrixCache worlds;
    for (const auto &holder : scene.Items()) {
        ItemData &item = *holder;
        if (!item.mesh) {
            out << "# not written: " << OneLine(item.name) << " (" << ItemTypes()[size_t(item.type)].name
                << ")\n";
            continue;
        }
        MeshData &mesh = *item.mesh;
        out << "o " << OneLine(item.name.empty() ? item.ident : item.name) << "\n";
        const Matrix4 &world = worlds.Of(item);
        for (const auto &p : mesh.Positions()) {
            auto w = TransformPoint(world, {p[0], p[1], p[2]});
            out << "v " << FormatFloat(float(w[0])) << ' ' << FormatFloat(float(w[1])) << ' '
                << FormatFloat(float(w[2])) << '\n';
        }
        const MeshMap *uv = mesh.FindMap(LXi_VMAP_TEXTUREUV, "Texture");
        std::vector<long> cornerUV(mesh.CornerCount(), -1);
        if (uv && uv->Dim() >= 2) {
            size_t count = 0;
            uv->values.ForEach([&](uint32_t c, const float *value) {
                out << "vt " << FormatFloat(value[0]) << ' ' << FormatFloat(value[1]) << '\n';
                cornerUV[c] = long(uvBase + ++count);
            });
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
                long t = cornerUV[mesh.FirstCorner(poly) + i];
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
    bool finite = true;
    if (uv)
        uv->values.ForEach([&](uint32_t, const float *value) {
            finite =
                finite && std::all_of(value, value + uv->Dim(), [](float x) { return std::isfinite(x); });
        });
    if (!finite)
        error =
            "a texture coordinate of \"" + (item.name.empty() ? item.ident : item.name) + "\" is not finite";
    return finite;
}

}  // namespace

bool CheckSavable(const Scene &scene, std::string &error) {
    WorldMatrixCache worlds;
    for (const auto &holder : scene.Items()) {
        const ItemData &item = *holder;
        if (!item.mesh) continue;
        if (!CheckUVs(item, error)) return false;
        const Matrix4 &world = worlds.Of(item);
        const auto &positions = item.mesh->Positions();
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

bool SaveObjScene(const Scene &scene, const std::string &path, std::string &error) {
    std::string reason;
    if (!CheckSavable(scene, reason)) {
        error = "cannot save \"" + path + "\": " + reason;
        return false;
    }
    std::ostringstream text;
    WriteObj(scene, text);
    return WriteFileSafely(path, text.str(), error);
}

}  // namespace gorva::host
