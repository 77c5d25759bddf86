// Undo journal with nested savepoints. While a savepoint is open, every change to scene data
// records how to take it back; rolling back to a savepoint undoes the changes made since, in
// reverse order. Outside savepoints nothing is recorded.
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

    void PointAdded(MeshData *mesh, uint32_t point);
    void PolygonAdded(MeshData *mesh, uint32_t polygon);
    void PointMoved(MeshData *mesh, uint32_t point, const Float3 &old);
    /// A polygon's tag changed; `undo` puts the old tag back.
    void TagChanged(MeshData *mesh, uint32_t polygon, std::function<void()> undo);
    /// A map value at a polygon corner changed; `undo` puts the old value back.
    void MapValueChanged(MeshData *mesh, uint32_t corner, std::function<void()> undo);
    /// Any other change: `undo` restores the state before it.
    void Record(std::function<void()> undo);

    /// Calls `visit(kind, mesh, element)` for each mesh change recorded since the savepoint that is
    /// still open, oldest first; the element is the point, polygon or corner index.
    void ForEachMeshChange(Token token,
                           const std::function<void(Kind, const MeshData &, uint32_t)> &visit) const;

    /// Called after undo removed elements from a mesh, so that references to them can be dropped.
    std::function<void(MeshData *)> onMeshShrunk;

private:
    struct Entry {
        Kind kind;
        MeshData *mesh;  // null for a generic change
        uint32_t index;  // the element a mesh change touched
        Float3 old;
    };
    /// Counts a mesh is cut back to at the end of a rollback.
    struct Cut {
        MeshData *mesh;
        uint32_t points, polygons;
    };
    void Undo(const Entry &e, std::vector<Cut> &cuts);
    void ApplyCuts(std::vector<Cut> &cuts);
    /// Keeps the undo of a change that brings its own (tags, map values, generic changes).
    void Keep(Kind kind, MeshData *mesh, uint32_t index, std::function<void()> undo);

    std::vector<Entry> m_entries;
    std::vector<std::function<void()>> m_generic;
    std::vector<size_t> m_savepoints;
};

}  // namespace gorva::host
