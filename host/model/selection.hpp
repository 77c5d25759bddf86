// Selection of the in-memory host: ordered lists per type, kept in step with the meshes'
// "select" marks at every moment. Packets handed to the module point into these lists.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "host/model/journal.hpp"
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
    /// A selection whose changes go to `journal` while a step is open there (none: not undoable).
    explicit Selection(Journal *journal = nullptr) : m_journal(journal) {}
    Selection(const Selection &) = delete;
    Selection &operator=(const Selection &) = delete;

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
    void SetCurrent(SelType type) { Touch(type); }
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
    /// Takes back a change the journal recorded, as rolling back a step does.
    void TakeBack(const Journal::SelectionNote &note);

private:
    /// What a journal note records: an element appended or deselected, a type's list kept whole,
    /// or when a type was last used.
    enum ChangeKind : uint8_t { kAppended, kDeselected, kKept, kUsed };
    /// A type's list as it was, with which entries were live (carried the mark).
    struct KeptList {
        SelType type;
        std::vector<VertexPacket> vertices;
        std::vector<EdgePacket> edges;
        std::vector<PolygonPacket> polygons;
        std::vector<ItemPacket> items;
        std::vector<uint8_t> live;
    };

    /// True when the journal records selection changes; starts the step's memory afresh.
    bool Recording();
    void Record(ChangeKind kind, SelType type, const void *owner, uint32_t element) {
        if (Recording() && !m_keptType[type])
            m_journal->SelectionChanged({Code(kind, type), element, uint64_t(uintptr_t(owner))});
    }
    static uint16_t Code(ChangeKind kind, SelType type) { return uint16_t(kind | (type << 8)); }
    /// Records when the type was last used, once per step, before it changes.
    void RecordUse(SelType type);
    /// Keeps the type's whole list before a change that rewrites it.
    void KeepList(SelType type);
    void PutBack(const KeptList &kept);
    void TakeBackAppend(SelType type, const void *owner, uint32_t element);
    void TakeBackDeselect(SelType type, const void *owner, uint32_t element);
    /// Forgets recorded entries for which `gone` holds (elements removed by undo of mesh edits).
    template <class Gone>
    void ForgetRecorded(Gone gone);
    void Touch(SelType type) {
        RecordUse(type);
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
    // What the journal's notes of the open step refer to.
    Journal *m_journal = nullptr;
    uint64_t m_step = 0;       // the journal's step serial the flags belong to
    uint64_t m_outerStep = 0;  // and its outer step serial, which the kept lists belong to
    std::vector<KeptList> m_kept;
    std::array<bool, kSelTypeCount> m_keptType{};
    std::array<bool, kSelTypeCount> m_usedType{};
};

}  // namespace gorva::host
