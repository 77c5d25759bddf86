#include "host/model/mesh_data.hpp"

#include <algorithm>
#include <cmath>

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
    ++m_version;
    if (journal) journal->PointAdded(this, PointCount() - 1);
    return PointCount() - 1;
}

void MeshData::SetPosition(uint32_t point, const Float3 &pos) {
    if (journal) journal->PointMoved(this, point, m_positions[point]);
    m_positions[point] = pos;
    ++m_version;
}

void MeshData::RestorePosition(uint32_t point, const Float3 &pos) {
    if (point >= m_positions.size()) return;
    m_positions[point] = pos;
    ++m_version;
}

void MeshData::ReservePolygons(size_t count, size_t cornerCount) {
    const size_t polygons = PolygonCount() + count, allCorners = corners.size() + cornerCount;
    corners.reserve(allCorners);
    polyStart.reserve(polygons + 1);
    polyType.reserve(polygons);
    m_polyMarks.reserve(polygons);
    for (auto &column : tags) column.second.reserve(polygons);
    for (MeshMap &map : maps) {
        map.values.reserve(allCorners * map.dim);
        map.isSet.reserve(allCorners);
    }
}

uint32_t MeshData::AddPolygon(LXtID4 type, const uint32_t *verts, uint32_t count) {
    if (count == 0) return kNone;
    for (uint32_t i = 0; i < count; ++i) {
        if (verts[i] >= PointCount()) return kNone;
        if (count > 1 && verts[i] == verts[(i + 1) % count]) return kNone;
    }
    corners.insert(corners.end(), verts, verts + count);
    polyStart.push_back(uint32_t(corners.size()));
    polyType.push_back(type);
    m_polyMarks.push_back(0);
    for (auto &column : tags) column.second.push_back(-1);
    for (MeshMap &map : maps) {
        map.values.resize(corners.size() * map.dim, 0.0f);
        map.isSet.resize(corners.size(), 0);
    }
    uint32_t poly = PolygonCount() - 1;
    if (m_edges.built) AppendEdgesOf(poly);
    ++m_version;
    if (journal) journal->PolygonAdded(this, poly);
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

std::vector<int32_t> &MeshData::TagColumn(LXtID4 type) {
    for (auto &column : tags)
        if (column.first == type) return column.second;
    tags.emplace_back(type, std::vector<int32_t>(PolygonCount(), -1));
    return tags.back().second;
}

int32_t MeshData::InternTag(const char *text) {
    // Writers tag polygon after polygon with the same text: compare with the last one first.
    if (m_lastTag >= 0 && tagStrings[size_t(m_lastTag)] == text) return m_lastTag;
    m_lastTag = LookUpTag(text);
    return m_lastTag;
}

int32_t MeshData::LookUpTag(const char *text) {
    auto it = m_tagIndex.find(text);
    if (it != m_tagIndex.end()) return it->second;
    tagStrings.emplace_back(text);
    int32_t index = int32_t(tagStrings.size() - 1);
    m_tagIndex.emplace(text, index);
    return index;
}

const char *MeshData::Tag(uint32_t poly, LXtID4 type) const {
    for (const auto &column : tags) {
        if (column.first != type) continue;
        int32_t s = column.second[poly];
        return s < 0 ? nullptr : tagStrings[size_t(s)].c_str();
    }
    return nullptr;
}

void MeshData::SetTag(uint32_t poly, LXtID4 type, const char *text) {
    std::vector<int32_t> &column = TagColumn(type);
    int32_t old = column[poly];
    int32_t now = (text && *text) ? InternTag(text) : -1;
    column[poly] = now;
    if (journal && old != now) journal->TagChanged(this, poly, type, old);
}

void MeshData::RestoreTag(uint32_t poly, LXtID4 type, int32_t tagIndex) {
    std::vector<int32_t> &column = TagColumn(type);
    if (poly < column.size()) column[poly] = tagIndex;
}

MeshMap *MeshData::FindMap(LXtID4 type, const std::string &name) {
    for (MeshMap &map : maps)
        if (map.type == type && map.name == name) return &map;
    return nullptr;
}

uint32_t MeshData::AddMap(LXtID4 type, const std::string &name, unsigned dim) {
    if (MeshMap *existing = FindMap(type, name)) return uint32_t(existing - maps.data());
    MeshMap map;
    map.type = type;
    map.name = name;
    map.dim = dim;
    map.values.assign(corners.size() * dim, 0.0f);
    map.isSet.assign(corners.size(), 0);
    maps.push_back(std::move(map));
    return uint32_t(maps.size() - 1);
}

bool MeshData::MapValue(uint32_t map, uint32_t corner, float *out) const {
    const MeshMap &m = maps[map];
    if (!m.isSet[corner]) return false;
    std::copy_n(m.values.begin() + corner * m.dim, m.dim, out);
    return true;
}

void MeshData::SetMapValue(uint32_t map, uint32_t corner, const float *value) {
    MeshMap &m = maps[map];
    float *at = m.values.data() + size_t(corner) * m.dim;
    if (journal && journal->Recording())
        journal->MapValueChanged(this, map, corner, at, m.dim, m.isSet[corner] != 0);
    std::copy_n(value, m.dim, at);
    m.isSet[corner] = 1;
}

void MeshData::RestoreMapValue(uint32_t map, uint32_t corner, const float *value, bool wasSet) {
    if (map >= maps.size() || corner >= maps[map].isSet.size()) return;
    MeshMap &m = maps[map];
    std::copy_n(value, m.dim, m.values.data() + size_t(corner) * m.dim);
    m.isSet[corner] = wasSet ? 1 : 0;
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
    size_t estimate = corners.size() / 2 + 1;
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
    if (m_adjacencyVersion != m_version) {
        m_pointPolyStart.assign(PointCount() + 1, 0);
        for (uint32_t c : corners) ++m_pointPolyStart[c + 1];
        for (uint32_t p = 0; p < PointCount(); ++p) m_pointPolyStart[p + 1] += m_pointPolyStart[p];
        m_pointPolys.assign(corners.size(), 0);
        std::vector<uint32_t> fill(m_pointPolyStart.begin(), m_pointPolyStart.end() - 1);
        for (uint32_t poly = 0; poly < PolygonCount(); ++poly)
            for (uint32_t i = polyStart[poly]; i < polyStart[poly + 1]; ++i)
                m_pointPolys[fill[corners[i]]++] = poly;
        m_adjacencyVersion = m_version;
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
        polyType.resize(polygons);
        m_polyMarks.resize(polygons);
        polyStart.resize(polygons + 1);
        corners.resize(polyStart.back());
        for (auto &column : tags) column.second.resize(polygons);
        for (MeshMap &map : maps) {
            map.values.resize(corners.size() * map.dim);
            map.isSet.resize(corners.size());
        }
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
    ++m_version;
}

}  // namespace gorva::host
