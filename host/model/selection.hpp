// Selection of the in-memory host: ordered lists per type, kept in step with the meshes'
// "select" marks at every moment. Packets handed to the module point into these lists.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <cstdint>
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
    void SetCurrent(SelType type) { m_lastUsed[type] = ++m_clock; }
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
    /// Starts an undo step: from here on every change is recorded (appends and deselections as
    /// one entry each; a type's whole list only before a change that rewrites it anyway, such as a
    /// clear), so that Undo can take the step back at a cost in proportion to what it changed.
    void BeginUndo();
    /// Takes back every change since BeginUndo.
    void Undo();
    /// Ends the undo step and forgets what was recorded.
    void EndUndo();

private:
    /// One recorded change: an element appended or deselected, or a type's list kept whole.
    struct Change {
        enum Kind : uint8_t { kAppended, kDeselected, kKept } kind;
        SelType type;
        const void *owner;  // the mesh (or item) of the element
        uint32_t element;   // point, edge or polygon index; for kKept the index in m_kept
    };
    /// A type's list as it was, with which entries were live (carried the mark).
    struct KeptList {
        SelType type;
        std::vector<VertexPacket> vertices;
        std::vector<EdgePacket> edges;
        std::vector<PolygonPacket> polygons;
        std::vector<ItemPacket> items;
        std::vector<uint8_t> live;
    };

    void Record(Change::Kind kind, SelType type, const void *owner, uint32_t element) {
        if (m_recording && !m_keptType[type]) m_changes.push_back({kind, type, owner, element});
    }
    /// Keeps the type's whole list before a change that rewrites it.
    void KeepList(SelType type);
    void PutBack(const KeptList &kept);
    void TakeBackAppend(const Change &change);
    void TakeBackDeselect(const Change &change);
    /// Forgets recorded entries for which `gone` holds (elements removed by undo of mesh edits).
    template <class Gone>
    void ForgetRecorded(Gone gone);
    void Touch(SelType type) { m_lastUsed[type] = ++m_clock; }
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
    // The undo step's record.
    bool m_recording = false;
    std::vector<Change> m_changes;
    std::vector<KeptList> m_kept;
    std::array<bool, kSelTypeCount> m_keptType{};
    std::array<uint64_t, kSelTypeCount> m_lastUsedBefore{};
    uint64_t m_clockBefore = 0;
};

}  // namespace gorva::host
