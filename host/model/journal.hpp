// Undo journal with nested savepoints. While a savepoint is open, every change to scene data
// records how to take it back; rolling back to a savepoint undoes the changes made since, in
// reverse order. Outside savepoints nothing is recorded.
//
// Mesh changes are recorded as plain entries (no allocation per change): runs of added points and
// polygons, moved points, changed tags and map values with their old values. A change to an
// element that the innermost savepoint itself added is not recorded: rolling back removes the
// element anyway. Rolling back removes added elements with one truncation per mesh.
#pragma once
#include "host/guard.hpp"

#include <cstdint>
#include <functional>
#include <vector>

#include "host/model/mesh_data.hpp"

namespace gorva::host {

class Journal {
public:
    using Token = size_t;
    /// What a recorded change did; the mesh kinds name the element they touched.
    enum class Kind : uint8_t { PointAdded, PolygonAdded, PointMoved, TagChanged, MapValueChanged, Generic };

    bool Recording() const { return !m_savepoints.empty(); }
    /// Opens a savepoint; changes from now on can be rolled back to it.
    Token Begin();
    /// Keeps the changes since the savepoint (they still belong to any enclosing savepoint).
    void Commit(Token token);
    /// Undoes the changes since the savepoint and closes it (and any savepoint opened after it).
    void Rollback(Token token);

    /// A point was appended (it is the mesh's last).
    void PointAdded(MeshData *mesh, uint32_t point);
    /// A polygon was appended (it is the mesh's last, with its corners).
    void PolygonAdded(MeshData *mesh, uint32_t polygon);
    void PointMoved(MeshData *mesh, uint32_t point, const Float3 &old) {
        if (Recording() && !AddedHere(mesh, point, &Baseline::points)) RecordMove(mesh, point, old);
    }
    /// A polygon's tag of `type` changed from the tag string index `old` (-1: none).
    void TagChanged(MeshData *mesh, uint32_t polygon, LXtID4 type, int32_t old) {
        if (Recording() && !AddedHere(mesh, polygon, &Baseline::polygons))
            RecordTag(mesh, polygon, type, old);
    }
    /// A value of map `map` at a polygon corner changed from `old` (`dim` floats) and its set flag.
    void MapValueChanged(MeshData *mesh, uint32_t map, uint32_t corner, const float *old, unsigned dim,
                         bool wasSet) {
        if (Recording() && !AddedHere(mesh, corner, &Baseline::corners))
            RecordMapValue(mesh, map, corner, old, dim, wasSet);
    }
    /// Any other change: `undo` restores the state before it.
    void Record(std::function<void()> undo);

    /// Calls `visit(kind, mesh, element)` for each mesh change recorded since the savepoint that is
    /// still open, oldest first; the element is the point, polygon or corner index (for a run of
    /// additions, the first element added).
    template <class Visit>
    void ForEachMeshChange(Token token, Visit &&visit) const {
        if (token >= m_savepoints.size()) return;
        for (size_t i = m_savepoints[token].entries; i < m_entries.size(); ++i) {
            const Entry &e = m_entries[i];
            if (e.mesh) visit(e.kind, static_cast<const MeshData &>(*e.mesh), e.index);
        }
    }

    /// Called after undo removed elements from a mesh, so that references to them can be dropped.
    std::function<void(MeshData *)> onMeshShrunk;

private:
    static constexpr unsigned kMaxInlineDim = 4;
    struct Entry {
        Kind kind;
        bool wasSet;
        uint32_t index;  // the element a mesh change touched
        MeshData *mesh;  // null for a generic change
        uint32_t aux;    // tag type, map index, or the number of elements a run of additions holds
        union {
            float values[kMaxInlineDim];  // old position or map value
            int32_t tag;
        } old;
    };
    /// A mesh's element counts when the innermost savepoint first recorded a change of it.
    struct Baseline {
        MeshData *mesh;
        uint32_t points, polygons, corners;
    };
    struct Savepoint {
        size_t entries;
        std::vector<Baseline> baselines;
    };
    /// The mesh's counts before the innermost savepoint's changes; added when first asked.
    const Baseline &BaselineOf(MeshData *mesh, uint32_t addedPoints, uint32_t addedPolygons);
    /// True when the innermost savepoint added the element (its index is at or past the count).
    bool AddedHere(MeshData *mesh, uint32_t element, uint32_t Baseline::*count) {
        const std::vector<Baseline> &known = m_savepoints.back().baselines;
        if (m_lastBaseline < known.size() && known[m_lastBaseline].mesh == mesh)
            return element >= known[m_lastBaseline].*count;
        return element >= BaselineOf(mesh, 0, 0).*count;
    }
    void RecordMove(MeshData *mesh, uint32_t point, const Float3 &old);
    void RecordTag(MeshData *mesh, uint32_t polygon, LXtID4 type, int32_t old);
    void RecordMapValue(MeshData *mesh, uint32_t map, uint32_t corner, const float *old, unsigned dim,
                        bool wasSet);
    void Push(const Entry &e) { m_entries.push_back(e); }
    /// Records an added element, extending the newest entry when it is a run of the same kind on
    /// the same mesh that this element continues.
    void PushAddition(Kind kind, MeshData *mesh, uint32_t element);
    void Undo(const Entry &e);
    /// Truncations gathered while rolling back a run of additions, applied as one per mesh.
    struct PendingTruncation {
        MeshData *mesh;
        uint32_t points, polygons;
    };
    void Flush(std::vector<PendingTruncation> &pending);

    std::vector<Entry> m_entries;
    std::vector<std::function<void()>> m_generic;
    std::vector<Savepoint> m_savepoints;
    size_t m_lastBaseline = 0;  // where BaselineOf last found a mesh in the innermost savepoint
};

}  // namespace gorva::host
