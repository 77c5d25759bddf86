#include "host/model/mesh_data.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/model/journal.hpp"

namespace gorva::host {

uint32_t MarkBitByName(const std::string &name) {
    if (name == "select") return kMarkSelect;
    if (name == "hide") return kMarkHide;
    if (name == "lock") return kMarkLock;
    if (name.size() == 5 && name.compare(0, 4, "user") == 0 && name[4] >= '0' && name[4] <= '7')
        return kMarkUser0 << (name[4] - '0');
    return 0;
}

uint32_t MeshData::AddPoint(const Float3 &pos) {
    m_positions.push_back(pos);
    m_pointMarks.push_back(0);
    Changed(true);
    if (m_journal) m_journal->PointAdded(this, PointCount() - 1);
    return PointCount() - 1;
}

void MeshData::SetPosition(uint32_t point, const Float3 &pos) {
    if (m_journal) m_journal->PointMoved(this, point, m_positions[point]);
    m_positions[point] = pos;
    Changed();
}

void MeshData::RestorePosition(uint32_t point, const Float3 &pos) {
    if (point >= m_positions.size()) return;
    m_positions[point] = pos;
    Changed();
}

void MeshData::ReservePolygons(size_t count, size_t cornerCount) {
    const size_t polygons = PolygonCount() + count, allCorners = m_corners.size() + cornerCount;
    m_corners.reserve(allCorners);
    m_polyStart.reserve(polygons + 1);
    m_polyType.reserve(polygons);
    m_polyMarks.reserve(polygons);
    for (TagColumn &column : m_tags) column.strings.reserve(polygons);
    for (MeshMap &map : m_maps) map.values.Reserve(allCorners);
}

uint32_t MeshData::AddPolygon(LXtID4 type, const uint32_t *verts, uint32_t count) {
    if (count == 0) return kNone;
    for (uint32_t i = 0; i < count; ++i) {
        if (verts[i] >= PointCount()) return kNone;
        if (count > 1 && verts[i] == verts[(i + 1) % count]) return kNone;
    }
    m_corners.insert(m_corners.end(), verts, verts + count);
    m_polyStart.push_back(uint32_t(m_corners.size()));
    m_polyType.push_back(type);
    m_polyMarks.push_back(0);
    for (TagColumn &column : m_tags) column.strings.push_back(-1);
    uint32_t poly = PolygonCount() - 1;
    if (m_edges.built) AppendEdgesOf(poly);
    Changed(true);
    if (m_journal) m_journal->PolygonAdded(this, poly);
    return poly;
}

Vec3 MeshData::PolygonAreaNormal(uint32_t poly) const {
    const uint32_t *v = Vertices(poly);
    return NewellNormal(VertexCount(poly), [&](uint32_t i) {
        const Float3 &p = m_positions[v[i]];
        return Vec3{p[0], p[1], p[2]};
    });
}

Vec3 MeshData::PolygonNormal(uint32_t poly) const {
    const auto [nx, ny, nz] = PolygonAreaNormal(poly);
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(len > 0.0) || !std::isfinite(len)) return {0.0, 0.0, 0.0};
    return {nx / len + 0.0, ny / len + 0.0, nz / len + 0.0};
}

std::vector<int32_t> &MeshData::ColumnOf(LXtID4 type) {
    for (TagColumn &column : m_tags)
        if (column.type == type) return column.strings;
    m_tags.push_back({type, std::vector<int32_t>(PolygonCount(), -1)});
    return m_tags.back().strings;
}

int32_t MeshData::InternTag(const char *text) {
    // Writers tag polygon after polygon with the same text: compare with the last one first.
    if (m_lastTag >= 0 && m_tagStrings[size_t(m_lastTag)] == text) return m_lastTag;
    m_lastTag = LookUpTag(text);
    return m_lastTag;
}

int32_t MeshData::LookUpTag(const char *text) {
    auto it = m_tagIndex.find(text);
    if (it != m_tagIndex.end()) return it->second;
    m_tagStrings.emplace_back(text);
    int32_t index = int32_t(m_tagStrings.size() - 1);
    m_tagIndex.emplace(text, index);
    return index;
}

const char *MeshData::Tag(uint32_t poly, LXtID4 type) const {
    for (const TagColumn &column : m_tags) {
        if (column.type != type) continue;
        int32_t s = column.strings[poly];
        return s < 0 ? nullptr : m_tagStrings[size_t(s)].c_str();
    }
    return nullptr;
}

void MeshData::SetTag(uint32_t poly, LXtID4 type, const char *text) {
    std::vector<int32_t> &column = ColumnOf(type);
    int32_t old = column[poly];
    int32_t now = (text && *text) ? InternTag(text) : -1;
    if (old == now) return;
    column[poly] = now;
    Changed();
    if (m_journal) m_journal->TagChanged(this, poly, type, old);
}

void MeshData::RestoreTag(uint32_t poly, LXtID4 type, int32_t tagIndex) {
    std::vector<int32_t> &column = ColumnOf(type);
    if (poly >= column.size()) return;
    column[poly] = tagIndex;
    Changed();
}

const MeshMap *MeshData::FindMap(LXtID4 type, const std::string &name) const {
    const uint32_t index = MapIndex(type, name);
    return index == kNone ? nullptr : &m_maps[index];
}

uint32_t MeshData::MapIndex(LXtID4 type, const std::string &name) const {
    for (uint32_t m = 0; m < m_maps.size(); ++m)
        if (m_maps[m].type == type && m_maps[m].name == name) return m;
    return kNone;
}

uint32_t MeshData::AddMap(LXtID4 type, const std::string &name, unsigned dim) {
    const uint32_t existing = MapIndex(type, name);
    if (existing != kNone) return existing;
    m_maps.push_back({type, name, CornerValues(dim)});
    Changed();
    return MapCount() - 1;
}

void MeshData::RemoveMap(uint32_t map) {
    if (map >= m_maps.size()) return;
    MeshMap removed = std::move(m_maps[map]);
    m_maps.erase(m_maps.begin() + std::ptrdiff_t(map));
    Changed();
    if (m_journal)
        m_journal->Record([this, map, removed] {
            m_maps.insert(m_maps.begin() + std::ptrdiff_t(map), removed);
            Changed();
        });
}

bool MeshData::MapValue(uint32_t map, uint32_t corner, float *out) const {
    const CornerValues &values = m_maps[map].values;
    const float *value = values.Find(corner);
    if (!value) return false;
    std::copy_n(value, values.Dim(), out);
    return true;
}

void MeshData::SetMapValue(uint32_t map, uint32_t corner, const float *value) {
    CornerValues &values = m_maps[map].values;
    if (m_journal && m_journal->Recording()) {
        // A corner without a value goes back to none; the floats recorded with it are not read.
        const float *old = values.Find(corner);
        m_journal->MapValueChanged(this, map, corner, old ? old : value, values.Dim(), old != nullptr);
    }
    values.Set(corner, value);
    Changed();
}

void MeshData::RestoreMapValue(uint32_t map, uint32_t corner, const float *value, bool wasSet) {
    if (map >= m_maps.size() || corner >= m_corners.size()) return;
    CornerValues &values = m_maps[map].values;
    wasSet ? values.Set(corner, value) : values.Clear(corner);
    Changed();
}

// ---- edges

namespace {
inline uint64_t EdgeKey(uint32_t a, uint32_t b) {
    return a < b ? (uint64_t(a) << 32) | b : (uint64_t(b) << 32) | a;
}
inline size_t HashKey(uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdull;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ull;
    k ^= k >> 33;
    return size_t(k);
}
}  // namespace

void MeshData::GrowEdgeSlots(size_t minEdges) {
    size_t want = 16;
    while (want < (std::max(minEdges, m_edges.ends.size()) + 1) * 2) want <<= 1;
    m_edges.slots.assign(want, 0);
    size_t mask = want - 1;
    for (uint32_t e = 0; e < m_edges.ends.size(); ++e) {
        size_t h = HashKey(EdgeKey(m_edges.ends[e][0], m_edges.ends[e][1])) & mask;
        while (m_edges.slots[h]) h = (h + 1) & mask;
        m_edges.slots[h] = e + 1;
    }
}

uint32_t MeshData::InsertEdge(uint32_t a, uint32_t b, uint32_t poly) {
    if ((m_edges.ends.size() + 1) * 2 > m_edges.slots.size()) GrowEdgeSlots(m_edges.ends.size() * 2);
    uint64_t key = EdgeKey(a, b);
    size_t mask = m_edges.slots.size() - 1;
    size_t h = HashKey(key) & mask;
    while (uint32_t s = m_edges.slots[h]) {
        const auto &e = m_edges.ends[s - 1];
        if (EdgeKey(e[0], e[1]) == key) return s - 1;
        h = (h + 1) & mask;
    }
    m_edges.ends.push_back({a, b});
    m_edges.firstPolygon.push_back(poly);
    m_edges.marks.push_back(0);
    m_edges.slots[h] = uint32_t(m_edges.ends.size());
    return uint32_t(m_edges.ends.size() - 1);
}

void MeshData::AppendEdgesOf(uint32_t poly) {
    const uint32_t *v = Vertices(poly);
    uint32_t n = VertexCount(poly);
    if (n < 2) return;
    // A two-vertex polygon is a single edge, not a closed loop of two.
    uint32_t edges = n == 2 ? 1 : n;
    for (uint32_t i = 0; i < edges; ++i) InsertEdge(v[i], v[(i + 1) % n], poly);
}

const EdgeTable &MeshData::BuildEdges() {
    // Closed surfaces share each edge between two corners; open ones grow the table as needed.
    m_edges.built = true;
    size_t estimate = m_corners.size() / 2 + 1;
    m_edges.ends.reserve(estimate);
    m_edges.firstPolygon.reserve(estimate);
    m_edges.marks.reserve(estimate);
    GrowEdgeSlots(estimate);
    for (uint32_t p = 0; p < PolygonCount(); ++p) AppendEdgesOf(p);
    return m_edges;
}

uint32_t MeshData::FindEdge(uint32_t a, uint32_t b) {
    const EdgeTable &t = Edges();
    if (t.slots.empty()) return kNone;
    uint64_t key = EdgeKey(a, b);
    // Sweeps over edges in table order ask for the edge after the last one found: try it first.
    for (uint32_t e : {m_edgeHint, m_edgeHint + 1}) {
        if (e < t.ends.size() && EdgeKey(t.ends[e][0], t.ends[e][1]) == key) return m_edgeHint = e;
    }
    size_t mask = t.slots.size() - 1;
    for (size_t h = HashKey(key) & mask; uint32_t s = t.slots[h]; h = (h + 1) & mask) {
        if (EdgeKey(t.ends[s - 1][0], t.ends[s - 1][1]) == key) return m_edgeHint = s - 1;
    }
    return kNone;
}

bool MeshData::IsEdge(uint32_t edge, uint32_t a, uint32_t b) {
    const EdgeTable &t = Edges();
    return edge < t.ends.size() && EdgeKey(t.ends[edge][0], t.ends[edge][1]) == EdgeKey(a, b);
}

const std::vector<uint32_t> &MeshData::PointPolygonStart() {
    if (m_adjacencyVersion != m_topologyVersion) {
        m_pointPolyStart.assign(PointCount() + 1, 0);
        for (uint32_t c : m_corners) ++m_pointPolyStart[c + 1];
        for (uint32_t p = 0; p < PointCount(); ++p) m_pointPolyStart[p + 1] += m_pointPolyStart[p];
        m_pointPolys.assign(m_corners.size(), 0);
        std::vector<uint32_t> fill(m_pointPolyStart.begin(), m_pointPolyStart.end() - 1);
        for (uint32_t poly = 0; poly < PolygonCount(); ++poly)
            for (uint32_t i = m_polyStart[poly]; i < m_polyStart[poly + 1]; ++i)
                m_pointPolys[fill[m_corners[i]]++] = poly;
        m_adjacencyVersion = m_topologyVersion;
    }
    return m_pointPolyStart;
}

const std::vector<uint32_t> &MeshData::PointPolygons() {
    PointPolygonStart();
    return m_pointPolys;
}

std::vector<uint32_t> &MeshData::MutableMarks(int kind) {
    if (kind == 0) return m_pointMarks;
    if (kind == 1) {
        Edges();
        return m_edges.marks;
    }
    return m_polyMarks;
}

void MeshData::Truncate(uint32_t points, uint32_t polygons) {
    if (polygons < PolygonCount()) {
        m_polyType.resize(polygons);
        m_polyMarks.resize(polygons);
        m_polyStart.resize(polygons + 1);
        m_corners.resize(m_polyStart.back());
        for (TagColumn &column : m_tags) column.strings.resize(polygons);
        for (MeshMap &map : m_maps) map.values.Truncate(CornerCount());
        if (m_edges.built) {
            size_t keep = m_edges.firstPolygon.size();
            while (keep > 0 && m_edges.firstPolygon[keep - 1] >= polygons) --keep;
            if (keep != m_edges.ends.size()) {
                m_edges.ends.resize(keep);
                m_edges.firstPolygon.resize(keep);
                m_edges.marks.resize(keep);
                GrowEdgeSlots(keep);
            }
        }
    }
    if (points < PointCount()) {
        m_positions.resize(points);
        m_pointMarks.resize(points);
    }
    Changed(true);
}

namespace {

/// The marks a user sets (hide, lock, user), without the selection's.
bool SameMarks(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] ^ b[i]) & ~uint32_t(kMarkSelect)) return false;
    return true;
}

bool SameValues(const CornerValues &a, const CornerValues &b) {
    if (a.Dim() != b.Dim() || a.Count() != b.Count()) return false;
    bool same = true;
    a.ForEach([&](uint32_t corner, const float *value) {
        const float *other = b.Find(corner);
        same = same && other && std::equal(value, value + a.Dim(), other);
    });
    return same;
}

}  // namespace

MeshData MeshData::DetachedCopy() const {
    MeshData copy(*this);
    copy.Attach(nullptr, nullptr);
    for (uint32_t &m : copy.m_pointMarks) m &= ~uint32_t(kMarkSelect);
    for (uint32_t &m : copy.m_polyMarks) m &= ~uint32_t(kMarkSelect);
    for (uint32_t &m : copy.m_edges.marks) m &= ~uint32_t(kMarkSelect);
    return copy;
}

bool MeshData::SameContent(const MeshData &other) const {
    if (m_positions != other.m_positions || m_polyStart != other.m_polyStart ||
        m_corners != other.m_corners || m_polyType != other.m_polyType ||
        !SameMarks(m_pointMarks, other.m_pointMarks) || !SameMarks(m_polyMarks, other.m_polyMarks))
        return false;
    const uint32_t polygons = PolygonCount();
    for (const TagColumn &column : m_tags)
        for (uint32_t poly = 0; poly < polygons; ++poly) {
            const char *a = Tag(poly, column.type), *b = other.Tag(poly, column.type);
            if (!a != !b || (a && std::strcmp(a, b) != 0)) return false;
        }
    for (const TagColumn &column : other.m_tags)  // a tag type only the other mesh has
        for (uint32_t poly = 0; poly < polygons; ++poly)
            if (!Tag(poly, column.type) && other.Tag(poly, column.type)) return false;
    if (m_maps.size() != other.m_maps.size()) return false;
    for (size_t i = 0; i < m_maps.size(); ++i)
        if (m_maps[i].type != other.m_maps[i].type || m_maps[i].name != other.m_maps[i].name ||
            !SameValues(m_maps[i].values, other.m_maps[i].values))
            return false;
    return true;
}

size_t MeshData::Bytes() const {
    size_t bytes =
        sizeof(MeshData) + m_positions.capacity() * sizeof(Float3) +
        (m_pointMarks.capacity() + m_polyStart.capacity() + m_corners.capacity() + m_polyType.capacity() +
         m_polyMarks.capacity() + m_pointPolyStart.capacity() + m_pointPolys.capacity()) *
            4;
    for (const TagColumn &column : m_tags) bytes += column.strings.capacity() * 4;
    for (const std::string &text : m_tagStrings) bytes += sizeof(std::string) + text.capacity();
    for (const MeshMap &map : m_maps) bytes += sizeof(MeshMap) + map.values.Bytes();
    return bytes + m_edges.ends.capacity() * 8 +
           (m_edges.firstPolygon.capacity() + m_edges.marks.capacity() + m_edges.slots.capacity()) * 4;
}

}  // namespace gorva::host
