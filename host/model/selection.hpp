// Selection of the in-memory host: ordered lists per type, kept in step with the meshes'
// "select" marks at every moment. Packets handed to the module point into these lists.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "host/model/scene.hpp"
#include <lxmesh.h>

namespace gorva::host {

enum SelType : int { kSelVertex, kSelEdge, kSelPolygon, kSelPTag, kSelItem, kSelScene, kSelTypeCount };

/// Type code ('VERX', ...) of a selection type and back; -1 for unknown codes or names.
LXtID4 SelTypeCode(SelType type);
int SelTypeFromCode(LXtID4 code);
int SelTypeFromName(const char *name);
const char *SelTypeName(SelType type);

// Packet layouts. The module sees them only as opaque pointers.
struct VertexPacket {
    MeshData *mesh;
    uint32_t point;
    uint32_t polygon;  // MeshData::kNone when none
};
struct EdgePacket {
    MeshData *mesh;
    uint32_t a, b;  // end points in the order selected
    uint32_t polygon;
    uint32_t edge;  // index in the mesh's edge table
};
struct PolygonPacket {
    MeshData *mesh;
    uint32_t polygon;
};
struct ItemPacket {
    ItemData *item;
};

/// A copy of the selection lists and of which type was used when, for taking a change back.
struct SelectionState {
    std::vector<VertexPacket> vertices;
    std::vector<EdgePacket> edges;
    std::vector<PolygonPacket> polygons;
    std::vector<ItemPacket> items;
    std::array<uint64_t, kSelTypeCount> lastUsed{};
};

class Selection {
public:
    /// Adds an element; false when it does not exist. An element already selected keeps its place.
    bool SelectVertex(MeshData &mesh, uint32_t point, uint32_t polygon = MeshData::kNone);
    /// `edge` may name the edge's index when the caller knows it; otherwise it is looked up.
    bool SelectEdge(MeshData &mesh, uint32_t a, uint32_t b, uint32_t polygon = MeshData::kNone,
                    uint32_t edge = MeshData::kNone);
    bool SelectPolygon(MeshData &mesh, uint32_t polygon);
    bool SelectItem(ItemData &item);
    bool DeselectVertex(MeshData &mesh, uint32_t point);
    bool DeselectEdge(MeshData &mesh, uint32_t a, uint32_t b);
    bool DeselectPolygon(MeshData &mesh, uint32_t polygon);
    bool DeselectItem(ItemData &item);
    bool IsItemSelected(const ItemData &item) const { return m_itemSet.count(&item) != 0; }

    unsigned Count(SelType type) const;
    /// Packet of the i-th element in selection order, or null.
    void *ByIndex(SelType type, unsigned index);
    void Clear(SelType type);
    /// Clears and forgets that the type was in use.
    void Drop(SelType type);
    /// Marks the type as the one in use ("select.typeFrom").
    void SetCurrent(SelType type) {
        BeforeChange();
        m_lastUsed[type] = ++m_clock;
    }
    /// The most recently used type among the codes (zero-terminated), or 0.
    LXtID4 CurrentType(const LXtID4 *codes) const;
    /// Live entries of a type in selection order.
    const std::vector<VertexPacket> &Vertices();
    const std::vector<EdgePacket> &EdgeList();
    const std::vector<PolygonPacket> &Polygons();
    const std::vector<ItemPacket> &ItemList() const { return m_items; }

    /// Drops entries of elements past the mesh's counts (after undo removed them).
    void PurgeMesh(MeshData &mesh);
    /// Drops entries that refer to the item or its mesh.
    void PurgeItem(ItemData &item);
    void ClearAll();
    /// The live selection of every type, in selection order.
    SelectionState Save();
    /// Puts back a saved selection, marks included. Every saved element must still exist.
    void Restore(const SelectionState &state);
    /// Starts an undo step: the selection as it is before its next change is kept (copied only
    /// when a change comes), so that Undo can put it back.
    void BeginUndo();
    /// Puts back the selection kept since BeginUndo, if it changed.
    void Undo();
    /// Ends the undo step and forgets what was kept.
    void EndUndo();

private:
    void BeforeChange() {
        if (m_undoArmed) KeepForUndo();
    }
    void KeepForUndo();
    void Touch(SelType type) {
        BeforeChange();
        m_lastUsed[type] = ++m_clock;
    }
    void Compact(SelType type);

    std::vector<VertexPacket> m_vertices;
    std::vector<EdgePacket> m_edges;
    std::vector<PolygonPacket> m_polygons;
    std::vector<ItemPacket> m_items;
    std::unordered_set<const ItemData *> m_itemSet;
    std::array<unsigned, 3> m_live{};
    std::array<unsigned, 3> m_stale{};
    std::array<uint64_t, kSelTypeCount> m_lastUsed{};
    uint64_t m_clock = 0;
    bool m_undoArmed = false;
    std::optional<SelectionState> m_undo;
};

}  // namespace gorva::host
