// Mesh storage of the in-memory host: flat arrays per element kind, marks as bit flags, polygons
// as one corner array plus offsets, edges derived from the polygons once and extended in place.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <lxmesh.h>

#include "host/model/corner_values.hpp"
#include "host/model/vec3.hpp"

namespace gorva::host {

class Journal;
class Selection;
struct ItemData;

using Float3 = std::array<float, 3>;

/// Mark bits. "select" mirrors the selection and is changed only through it.
enum MarkBit : uint32_t {
    kMarkSelect = 1u << 0,
    kMarkHide = 1u << 1,
    kMarkLock = 1u << 2,
    kMarkUser0 = 1u << 3,  // user0..user7 are bits 3..10
};

/// Bit of a named mark ("select", "hide", "lock", "user0".."user7"), 0 when unknown.
uint32_t MarkBitByName(const std::string &name);

/// A mark mode: the bits an element must carry (or gets) and the bits it must lack (or loses).
struct MarkMode {
    uint32_t set = 0;
    uint32_t clear = 0;
    static MarkMode Decode(LXtMarkMode mode) { return {mode & 0xFFFFu, mode >> 16}; }
    LXtMarkMode Encode() const { return LXtMarkMode(set | (clear << 16)); }
    bool Test(uint32_t marks) const { return (marks & set) == set && (marks & clear) == 0; }
};

/// A per-corner map ("Texture" UVs): `Dim()` floats for each polygon corner that has a value.
struct MeshMap {
    LXtID4 type = 0;
    std::string name;
    CornerValues values;
    unsigned Dim() const { return values.Dim(); }
};

/// The tags of one type: a string index per polygon (-1: none).
struct TagColumn {
    LXtID4 type = 0;
    std::vector<int32_t> strings;
};

/// Edge table, in order of first appearance over the polygons' corners; each edge keeps the
/// orientation of its first appearance.
struct EdgeTable {
    bool built = false;
    std::vector<std::array<uint32_t, 2>> ends;
    std::vector<uint32_t> firstPolygon;
    std::vector<uint32_t> marks;
    std::vector<uint32_t> slots;  // open-addressing table of edge index + 1, 0 = empty
};

/// A mesh's points, polygons, tags, maps and marks, changed only through its functions: they
/// record each edit in the journal the mesh is attached to and bump its version.
class MeshData {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    /// The item whose mesh this is (null for a mesh of its own) and the journal that records its
    /// changes (null: none recorded).
    void Attach(ItemData *owner, Journal *journal) {
        m_owner = owner;
        m_journal = journal;
    }
    /// The item the mesh was made for; items sharing it reach it through their own pointer.
    ItemData *Owner() const { return m_owner; }

    // ---- points
    uint32_t PointCount() const { return uint32_t(m_positions.size()); }
    /// Every point's position, by point index.
    const std::vector<Float3> &Positions() const { return m_positions; }
    uint32_t AddPoint(const Float3 &pos);
    void SetPosition(uint32_t point, const Float3 &pos);
    /// Makes room for `count` more points, for a reader that knows how many come.
    void ReservePoints(size_t count) {
        m_positions.reserve(m_positions.size() + count);
        m_pointMarks.reserve(m_pointMarks.size() + count);
    }
    /// Room for `count` more polygons of `cornerCount` corners in all, in every per-polygon and
    /// per-corner array that exists now (tag columns and maps added later grow on their own).
    void ReservePolygons(size_t count, size_t cornerCount);

    // ---- polygons and their corners (a corner is a polygon's vertex, numbered over the mesh)
    uint32_t PolygonCount() const { return uint32_t(m_polyType.size()); }
    uint32_t CornerCount() const { return uint32_t(m_corners.size()); }
    /// Adds a polygon over existing points; returns kNone when a vertex is out of range or repeats
    /// its neighbour.
    uint32_t AddPolygon(LXtID4 type, const uint32_t *verts, uint32_t count);
    uint32_t VertexCount(uint32_t poly) const { return m_polyStart[poly + 1] - m_polyStart[poly]; }
    const uint32_t *Vertices(uint32_t poly) const { return m_corners.data() + m_polyStart[poly]; }
    /// The corner number of a polygon's first vertex; for PolygonCount(), CornerCount().
    uint32_t FirstCorner(uint32_t poly) const { return m_polyStart[poly]; }
    LXtID4 PolygonType(uint32_t poly) const { return m_polyType[poly]; }
    /// The point of every corner, polygon after polygon.
    const std::vector<uint32_t> &Corners() const { return m_corners; }
    /// Every polygon's first corner, then CornerCount() (PolygonCount() + 1 entries).
    const std::vector<uint32_t> &PolygonStarts() const { return m_polyStart; }
    const std::vector<LXtID4> &PolygonTypes() const { return m_polyType; }
    /// Newell's normal of a polygon, not normalised (twice its area long; zero without area).
    Vec3 PolygonAreaNormal(uint32_t poly) const;
    /// Unit normal by Newell's rule (counter-clockwise seen from the front); zero when degenerate.
    Vec3 PolygonNormal(uint32_t poly) const;

    // ---- string tags
    /// Tag text of a polygon, or null when it has none.
    const char *Tag(uint32_t poly, LXtID4 type) const;
    void SetTag(uint32_t poly, LXtID4 type, const char *text);
    /// One column per tag type that was ever set, in the order they came.
    const std::vector<TagColumn> &TagColumns() const { return m_tags; }
    /// The tag texts the columns index, each once.
    const std::vector<std::string> &TagStrings() const { return m_tagStrings; }

    // ---- maps
    uint32_t MapCount() const { return uint32_t(m_maps.size()); }
    const MeshMap &Map(uint32_t map) const { return m_maps[map]; }
    /// The map of a type and name, or null.
    const MeshMap *FindMap(LXtID4 type, const std::string &name) const;
    /// Index of the map of a type and name, or kNone.
    uint32_t MapIndex(LXtID4 type, const std::string &name) const;
    /// Adds a map of `dim` floats per corner (at least one) and returns its index; an existing map
    /// of that type and name is returned as it is. Not recorded: a mesh gets its maps as it is made.
    uint32_t AddMap(LXtID4 type, const std::string &name, unsigned dim);
    /// Removes a map with its values (recorded); later maps move down one index. Nothing for no such
    /// map.
    void RemoveMap(uint32_t map);
    /// Value of a map at corner `corner`; false when unset.
    bool MapValue(uint32_t map, uint32_t corner, float *out) const;
    void SetMapValue(uint32_t map, uint32_t corner, const float *value);

    // ---- edges
    uint32_t EdgeCount() { return uint32_t(Edges().ends.size()); }
    const EdgeTable &Edges() { return m_edges.built ? m_edges : BuildEdges(); }
    /// Index of the edge between two points (either order), or kNone.
    uint32_t FindEdge(uint32_t a, uint32_t b);
    /// True when `edge` is the edge between the two points (either order).
    bool IsEdge(uint32_t edge, uint32_t a, uint32_t b);

    // ---- point to polygon adjacency, built on demand
    const std::vector<uint32_t> &PointPolygonStart();
    const std::vector<uint32_t> &PointPolygons();

    // ---- marks (element kinds: 0 points, 1 edges, 2 polygons)
    /// Mark bits of every element of a kind, by element index (edges: builds the edge table).
    const std::vector<uint32_t> &MarksOf(int kind) { return MutableMarks(kind); }
    const std::vector<uint32_t> &PointMarks() const { return m_pointMarks; }
    const std::vector<uint32_t> &PolygonMarks() const { return m_polyMarks; }
    /// Sets then clears mark bits of an element, all but "select" (the selection's own); nothing
    /// for an element that does not exist.
    void ChangeMarks(int kind, uint32_t element, uint32_t set, uint32_t clear) {
        std::vector<uint32_t> &marks = MutableMarks(kind);
        if (element < marks.size())
            marks[element] = (marks[element] | (set & ~kMarkSelect)) & ~(clear & ~kMarkSelect);
    }

    /// Drops everything past the given counts, unrecorded: undo of appends, and benchmarks that
    /// take a tool's output away between runs.
    void Truncate(uint32_t points, uint32_t polygons);

    /// A copy for keeping outside the scene: no owner, no journal, no "select" marks.
    MeshData DetachedCopy() const;
    /// True when both hold the same points, polygons, tag texts, map values and marks other than
    /// "select" (string tables and storage forms may differ).
    bool SameContent(const MeshData &other) const;
    /// About how many bytes the mesh holds, caches included.
    size_t Bytes() const;

    /// Bumped on every change of points, polygons, tags or maps; caches compare against it. Marks
    /// are not part of it: the selection changes them all the time and no cache reads them.
    uint64_t Version() const { return m_version; }

private:
    // The journal puts changes back without recording them again.
    friend class Journal;
    /// Puts back a point's position; nothing for a point gone.
    void RestorePosition(uint32_t point, const Float3 &pos);
    /// Puts back a tag by its string index (-1: none); nothing for a polygon gone.
    void RestoreTag(uint32_t poly, LXtID4 type, int32_t tagIndex);
    /// Puts back a map value or its absence; nothing for a map or corner gone.
    void RestoreMapValue(uint32_t map, uint32_t corner, const float *value, bool wasSet);

    // The selection keeps the "select" mark in step with its lists.
    friend class Selection;
    /// Sets or clears the "select" mark of an element; nothing for an element that does not exist.
    void MarkSelected(int kind, uint32_t element, bool on) {
        std::vector<uint32_t> &marks = MutableMarks(kind);
        if (element < marks.size()) on ? marks[element] |= kMarkSelect : marks[element] &= ~kMarkSelect;
    }
    /// Bumps the version; `topology` also when polygons or points came or went.
    void Changed(bool topology = false) {
        ++m_version;
        if (topology) ++m_topologyVersion;
    }
    std::vector<uint32_t> &MutableMarks(int kind);
    const EdgeTable &BuildEdges();
    void AppendEdgesOf(uint32_t poly);
    void GrowEdgeSlots(size_t minEdges);
    uint32_t InsertEdge(uint32_t a, uint32_t b, uint32_t poly);
    int32_t InternTag(const char *text);
    int32_t LookUpTag(const char *text);
    std::vector<int32_t> &ColumnOf(LXtID4 type);

    ItemData *m_owner = nullptr;
    Journal *m_journal = nullptr;
    std::vector<Float3> m_positions;
    std::vector<uint32_t> m_pointMarks;
    std::vector<uint32_t> m_polyStart{0};
    std::vector<uint32_t> m_corners;
    std::vector<LXtID4> m_polyType;
    std::vector<uint32_t> m_polyMarks;
    std::vector<TagColumn> m_tags;
    std::vector<std::string> m_tagStrings;
    std::vector<MeshMap> m_maps;
    uint64_t m_version = 0;
    uint64_t m_topologyVersion = 0;
    EdgeTable m_edges;
    uint32_t m_edgeHint = 0;
    std::unordered_map<std::string, int32_t> m_tagIndex;
    int32_t m_lastTag = -1;
    uint64_t m_adjacencyVersion = ~0ull;
    std::vector<uint32_t> m_pointPolyStart;
    std::vector<uint32_t> m_pointPolys;
};

/// Element ids handed to the module: index + 1, so that a null id never names an element.
template <class Id>
inline Id ToId(uint32_t index) {
    return reinterpret_cast<Id>(uintptr_t(index) + 1);
}
/// Index of an id, or MeshData::kNone for null.
template <class Id>
inline uint32_t FromId(Id id) {
    return id ? uint32_t(reinterpret_cast<uintptr_t>(id) - 1) : MeshData::kNone;
}

}  // namespace gorva::host
