// Undo journal with nested savepoints. While a savepoint is open, every change to scene data
// records how to take it back; rolling back to a savepoint undoes the changes made since, in
// reverse order. Outside savepoints nothing is recorded.
#pragma once
#include "host/guard.hpp"

#include <cstdint>
#include <functional>
#include <vector>

#include "host/mesh_data.hpp"

namespace gorva::host {

class Journal {
public:
    using Token = size_t;

    bool Recording() const { return !m_savepoints.empty(); }
    /// Opens a savepoint; changes from now on can be rolled back to it.
    Token Begin();
    /// Keeps the changes since the savepoint (they still belong to any enclosing savepoint).
    void Commit(Token token);
    /// Undoes the changes since the savepoint and closes it (and any savepoint opened after it).
    void Rollback(Token token);

    void PointAdded(MeshData *mesh);
    void PolygonAdded(MeshData *mesh);
    void PointMoved(MeshData *mesh, uint32_t point, const Float3 &old);
    /// Any other change: `undo` restores the state before it.
    void Record(std::function<void()> undo);

    /// Called after undo removed elements from a mesh, so that references to them can be dropped.
    std::function<void(MeshData *)> onMeshShrunk;

private:
    enum class Kind : uint8_t { PointAdded, PolygonAdded, PointMoved, Generic };
    struct Entry {
        Kind kind;
        MeshData *mesh;
        uint32_t index;
        Float3 old;
    };
    void Undo(const Entry &e);

    std::vector<Entry> m_entries;
    std::vector<std::function<void()>> m_generic;
    std::vector<size_t> m_savepoints;
};

}  // namespace gorva::host
