#include "host/model/selection.hpp"

#include <algorithm>
#include <cstring>

namespace gorva::host {

namespace {
const LXtID4 kCodes[kSelTypeCount] = {LXxID4('V', 'E', 'R', 'X'), LXxID4('E', 'D', 'G', 'E'),
                                      LXxID4('P', 'O', 'L', 'Y'), LXxID4('P', 'T', 'A', 'G'),
                                      LXxID4('I', 'T', 'E', 'M'), LXxID4('C', 'I', 'N', 'E')};
// The scene's selection type is called "cinema" in the application.
const char *const kNames[kSelTypeCount] = {"vertex", "edge", "polygon", "ptag", "item", "cinema"};

bool Marked(uint32_t marks) {
    return (marks & kMarkSelect) != 0;
}

// Appends a packet by writing its fields in place. Building it on the stack first and copying it
// as one 16-byte block stalls on every element of a million-element sweep (the narrow stores
// cannot be forwarded to the wide load).
template <class Packet, class... Fields>
void AppendFields(std::vector<Packet> &list, Fields... fields) {
    Packet &packet = list.emplace_back();
    packet = Packet{fields...};
}
}  // namespace

LXtID4 SelTypeCode(SelType type) {
    return kCodes[type];
}

int SelTypeFromCode(LXtID4 code) {
    for (int i = 0; i < kSelTypeCount; ++i)
        if (kCodes[i] == code) return i;
    return -1;
}

int SelTypeFromName(const char *name) {
    if (!name) return -1;
    for (int i = 0; i < kSelTypeCount; ++i)
        if (std::strcmp(kNames[i], name) == 0) return i;
    return -1;
}

const char *SelTypeName(SelType type) {
    return kNames[type];
}

bool Selection::SelectVertex(MeshData &mesh, uint32_t point, uint32_t polygon) {
    if (point >= mesh.PointCount()) return false;
    Touch(kSelVertex);
    if (Marked(mesh.PointMarks()[point])) return true;
    if (m_stale[kSelVertex]) Compact(kSelVertex);
    mesh.MarkSelected(0, point, true);
    AppendFields(m_vertices, &mesh, point, polygon);
    ++m_live[kSelVertex];
    Record(kAppended, kSelVertex, &mesh, point);
    return true;
}

bool Selection::SelectEdge(MeshData &mesh, uint32_t a, uint32_t b, uint32_t polygon, uint32_t edge) {
    if (!mesh.IsEdge(edge, a, b)) edge = mesh.FindEdge(a, b);
    if (edge == MeshData::kNone) return false;
    Touch(kSelEdge);
    if (Marked(mesh.MarksOf(1)[edge])) return true;
    if (m_stale[kSelEdge]) Compact(kSelEdge);
    mesh.MarkSelected(1, edge, true);
    AppendFields(m_edges, &mesh, a, b, polygon, edge);
    ++m_live[kSelEdge];
    Record(kAppended, kSelEdge, &mesh, edge);
    return true;
}

bool Selection::SelectPolygon(MeshData &mesh, uint32_t polygon) {
    if (polygon >= mesh.PolygonCount()) return false;
    Touch(kSelPolygon);
    if (Marked(mesh.PolygonMarks()[polygon])) return true;
    if (m_stale[kSelPolygon]) Compact(kSelPolygon);
    mesh.MarkSelected(2, polygon, true);
    AppendFields(m_polygons, &mesh, polygon);
    ++m_live[kSelPolygon];
    Record(kAppended, kSelPolygon, &mesh, polygon);
    return true;
}

bool Selection::SelectItem(ItemData &item) {
    Touch(kSelItem);
    if (!m_itemSet.insert(&item).second) return true;
    m_items.push_back({&item});
    Record(kAppended, kSelItem, &item, 0);
    return true;
}

bool Selection::DeselectVertex(MeshData &mesh, uint32_t point) {
    if (point >= mesh.PointCount() || !Marked(mesh.PointMarks()[point])) return false;
    mesh.MarkSelected(0, point, false);
    Record(kDeselected, kSelVertex, &mesh, point);
    --m_live[kSelVertex];
    ++m_stale[kSelVertex];
    return true;
}

bool Selection::DeselectEdge(MeshData &mesh, uint32_t a, uint32_t b) {
    uint32_t edge = mesh.FindEdge(a, b);
    if (edge == MeshData::kNone || !Marked(mesh.MarksOf(1)[edge])) return false;
    mesh.MarkSelected(1, edge, false);
    Record(kDeselected, kSelEdge, &mesh, edge);
    --m_live[kSelEdge];
    ++m_stale[kSelEdge];
    return true;
}

bool Selection::DeselectPolygon(MeshData &mesh, uint32_t polygon) {
    if (polygon >= mesh.PolygonCount() || !Marked(mesh.PolygonMarks()[polygon])) return false;
    mesh.MarkSelected(2, polygon, false);
    Record(kDeselected, kSelPolygon, &mesh, polygon);
    --m_live[kSelPolygon];
    ++m_stale[kSelPolygon];
    return true;
}

bool Selection::DeselectItem(ItemData &item) {
    if (!m_itemSet.count(&item)) return false;
    KeepList(kSelItem);
    m_itemSet.erase(&item);
    // Undo takes items back newest first, which were mostly selected last.
    if (m_items.back().item == &item) {
        m_items.pop_back();
        return true;
    }
    m_items.erase(
        std::remove_if(m_items.begin(), m_items.end(), [&](const ItemPacket &p) { return p.item == &item; }),
        m_items.end());
    return true;
}

void Selection::Compact(SelType type) {
    // An entry is live when its element still carries the mark; deselected ones are dropped here.
    if (type <= kSelPolygon && m_stale[type]) KeepList(type);
    switch (type) {
        case kSelVertex:
            m_vertices.erase(
                std::remove_if(m_vertices.begin(), m_vertices.end(),
                               [](const VertexPacket &p) { return !Marked(p.mesh->PointMarks()[p.point]); }),
                m_vertices.end());
            break;
        case kSelEdge:
            m_edges.erase(
                std::remove_if(m_edges.begin(), m_edges.end(),
                               [](const EdgePacket &p) { return !Marked(p.mesh->MarksOf(1)[p.edge]); }),
                m_edges.end());
            break;
        case kSelPolygon:
            m_polygons.erase(std::remove_if(m_polygons.begin(), m_polygons.end(),
                                            [](const PolygonPacket &p) {
                                                return !Marked(p.mesh->PolygonMarks()[p.polygon]);
                                            }),
                             m_polygons.end());
            break;
        default:
            return;
    }
    m_stale[type] = 0;
}

unsigned Selection::Count(SelType type) const {
    switch (type) {
        case kSelVertex:
        case kSelEdge:
        case kSelPolygon:
            return m_live[type];
        case kSelItem:
            return unsigned(m_items.size());
        default:
            return 0;
    }
}

void *Selection::ByIndex(SelType type, unsigned index) {
    if (index >= Count(type)) return nullptr;
    switch (type) {
        case kSelVertex:
            Vertices();
            return &m_vertices[index];
        case kSelEdge:
            EdgeList();
            return &m_edges[index];
        case kSelPolygon:
            Polygons();
            return &m_polygons[index];
        case kSelItem:
            return &m_items[index];
        default:
            return nullptr;
    }
}

const std::vector<VertexPacket> &Selection::Vertices() {
    if (m_stale[kSelVertex]) Compact(kSelVertex);
    return m_vertices;
}

const std::vector<EdgePacket> &Selection::EdgeList() {
    if (m_stale[kSelEdge]) Compact(kSelEdge);
    return m_edges;
}

const std::vector<PolygonPacket> &Selection::Polygons() {
    if (m_stale[kSelPolygon]) Compact(kSelPolygon);
    return m_polygons;
}

void Selection::Clear(SelType type) {
    if (Count(type) || (type <= kSelPolygon && m_stale[type])) KeepList(type);
    switch (type) {
        case kSelVertex:
            for (const auto &p : m_vertices) p.mesh->MarkSelected(0, p.point, false);
            m_vertices.clear();
            break;
        case kSelEdge:
            for (const auto &p : m_edges) p.mesh->MarkSelected(1, p.edge, false);
            m_edges.clear();
            break;
        case kSelPolygon:
            for (const auto &p : m_polygons) p.mesh->MarkSelected(2, p.polygon, false);
            m_polygons.clear();
            break;
        case kSelItem:
            m_items.clear();
            m_itemSet.clear();
            return;
        default:
            return;
    }
    m_live[type] = 0;
    m_stale[type] = 0;
}

void Selection::Drop(SelType type) {
    Clear(type);
    RecordUse(type);
    m_lastUsed[type] = 0;
}

LXtID4 Selection::CurrentType(const LXtID4 *codes) const {
    LXtID4 best = 0;
    uint64_t bestTime = 0;
    for (const LXtID4 *c = codes; c && *c; ++c) {
        int t = SelTypeFromCode(*c);
        if (t >= 0 && m_lastUsed[size_t(t)] > bestTime) {
            bestTime = m_lastUsed[size_t(t)];
            best = *c;
        }
    }
    return best;
}

void Selection::PurgeMesh(MeshData &mesh) {
    uint32_t points = mesh.PointCount(), polygons = mesh.PolygonCount();
    ForgetRecorded([&](SelType type, const void *owner, uint32_t element) {
        if (owner != &mesh) return false;
        if (type == kSelEdge) return element >= mesh.Edges().ends.size();
        return type == kSelVertex ? element >= points : element >= polygons;
    });
    auto gone = [&](MeshData *m, uint32_t index, uint32_t count) { return m == &mesh && index >= count; };
    size_t before = m_vertices.size();
    m_vertices.erase(
        std::remove_if(m_vertices.begin(), m_vertices.end(),
                       [&](const VertexPacket &p) { return gone(p.mesh, p.point, mesh.PointCount()); }),
        m_vertices.end());
    size_t beforeEdges = m_edges.size();
    // Edges are counted only when some are selected: counting builds the mesh's edge table.
    if (std::any_of(m_edges.begin(), m_edges.end(), [&](const EdgePacket &p) { return p.mesh == &mesh; })) {
        uint32_t edgeCount = uint32_t(mesh.Edges().ends.size());
        m_edges.erase(std::remove_if(m_edges.begin(), m_edges.end(),
                                     [&](const EdgePacket &p) { return gone(p.mesh, p.edge, edgeCount); }),
                      m_edges.end());
    }
    size_t beforePolys = m_polygons.size();
    m_polygons.erase(
        std::remove_if(m_polygons.begin(), m_polygons.end(),
                       [&](const PolygonPacket &p) { return gone(p.mesh, p.polygon, mesh.PolygonCount()); }),
        m_polygons.end());
    if (before != m_vertices.size() || beforeEdges != m_edges.size() || beforePolys != m_polygons.size()) {
        // Recount: removed entries may have been live or stale.
        for (SelType t : {kSelVertex, kSelEdge, kSelPolygon}) Compact(t);
        m_live[kSelVertex] = unsigned(m_vertices.size());
        m_live[kSelEdge] = unsigned(m_edges.size());
        m_live[kSelPolygon] = unsigned(m_polygons.size());
    }
}

void Selection::PurgeItem(ItemData &item) {
    MeshData *mesh = item.mesh && item.mesh->Owner() == &item ? item.mesh.get() : nullptr;
    ForgetRecorded([&](SelType type, const void *owner, uint32_t) {
        return type == kSelItem ? owner == &item : mesh && owner == mesh;
    });
    if (m_itemSet.erase(&item))
        m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                                     [&](const ItemPacket &p) { return p.item == &item; }),
                      m_items.end());
    if (!mesh) return;
    for (SelType t : {kSelVertex, kSelEdge, kSelPolygon}) Compact(t);
    m_vertices.erase(std::remove_if(m_vertices.begin(), m_vertices.end(),
                                    [&](const VertexPacket &p) { return p.mesh == mesh; }),
                     m_vertices.end());
    m_edges.erase(
        std::remove_if(m_edges.begin(), m_edges.end(), [&](const EdgePacket &p) { return p.mesh == mesh; }),
        m_edges.end());
    m_polygons.erase(std::remove_if(m_polygons.begin(), m_polygons.end(),
                                    [&](const PolygonPacket &p) { return p.mesh == mesh; }),
                     m_polygons.end());
    m_live[kSelVertex] = unsigned(m_vertices.size());
    m_live[kSelEdge] = unsigned(m_edges.size());
    m_live[kSelPolygon] = unsigned(m_polygons.size());
}

SelectionState Selection::Save() {
    return {Vertices(), EdgeList(), Polygons(), m_items, m_lastUsed};
}

void Selection::Restore(const SelectionState &state) {
    for (SelType t : {kSelVertex, kSelEdge, kSelPolygon, kSelItem}) Clear(t);
    m_vertices = state.vertices;
    for (const auto &p : m_vertices) p.mesh->MarkSelected(0, p.point, true);
    m_edges = state.edges;
    for (const auto &p : m_edges) p.mesh->MarkSelected(1, p.edge, true);
    m_polygons = state.polygons;
    for (const auto &p : m_polygons) p.mesh->MarkSelected(2, p.polygon, true);
    m_items = state.items;
    for (const auto &p : m_items) m_itemSet.insert(p.item);
    m_live[kSelVertex] = unsigned(m_vertices.size());
    m_live[kSelEdge] = unsigned(m_edges.size());
    m_live[kSelPolygon] = unsigned(m_polygons.size());
    for (int t = 0; t < kSelTypeCount; ++t) RecordUse(SelType(t));
    m_lastUsed = state.lastUsed;
}

bool Selection::Recording() {
    if (!m_journal || !m_journal->RecordingSelection()) return false;
    // Within one step a type's list is kept once and its use recorded once; a nested step needs
    // its own, since rolling it back takes back only its own notes.
    if (m_step != m_journal->StepSerial()) {
        m_step = m_journal->StepSerial();
        m_keptType.fill(false);
        m_usedType.fill(false);
    }
    if (m_outerStep != m_journal->OuterStepSerial()) {
        m_outerStep = m_journal->OuterStepSerial();
        m_kept.clear();
    }
    return true;
}

void Selection::RecordUse(SelType type) {
    if (!Recording() || m_usedType[type]) return;
    m_usedType[type] = true;
    m_journal->SelectionChanged({Code(kUsed, type), 0, m_lastUsed[type]});
}

void Selection::KeepList(SelType type) {
    if (!Recording() || m_keptType[type]) return;
    KeptList kept{type, {}, {}, {}, {}, {}};
    switch (type) {
        case kSelVertex:
            kept.vertices = m_vertices;
            for (const auto &p : m_vertices) kept.live.push_back(Marked(p.mesh->PointMarks()[p.point]));
            break;
        case kSelEdge:
            kept.edges = m_edges;
            for (const auto &p : m_edges) kept.live.push_back(Marked(p.mesh->MarksOf(1)[p.edge]));
            break;
        case kSelPolygon:
            kept.polygons = m_polygons;
            for (const auto &p : m_polygons) kept.live.push_back(Marked(p.mesh->PolygonMarks()[p.polygon]));
            break;
        case kSelItem:
            kept.items = m_items;
            break;
        default:
            return;
    }
    m_journal->SelectionChanged({Code(kKept, type), uint32_t(m_kept.size()), 0});
    m_kept.push_back(std::move(kept));
    m_keptType[type] = true;
}

namespace {

/// The element kind of a packet, as the mesh's marks name it.
int KindOf(const VertexPacket &) {
    return 0;
}
int KindOf(const EdgePacket &) {
    return 1;
}
int KindOf(const PolygonPacket &) {
    return 2;
}

/// Puts a kept list back in place of the current one, marks included; returns the live count.
/// `mark(packet, on)` sets or clears the select mark of a listed element.
template <class Packet, class Mark>
unsigned PutBackList(std::vector<Packet> &list, const std::vector<Packet> &kept,
                     const std::vector<uint8_t> &live, Mark mark) {
    for (const auto &p : list) mark(p, false);
    list = kept;
    unsigned count = 0;
    for (size_t i = 0; i < list.size(); ++i)
        if (live[i]) mark(list[i], true), ++count;
    return count;
}

/// The element index a packet records, as the journal names it.
uint32_t ElementOf(const VertexPacket &p) {
    return p.point;
}
uint32_t ElementOf(const EdgePacket &p) {
    return p.edge;
}
uint32_t ElementOf(const PolygonPacket &p) {
    return p.polygon;
}

/// Drops the last entry when it is the element appended (it is not when that element was removed
/// from the list since, with its mesh's edits).
template <class Packet, class Mark>
bool PopAppended(std::vector<Packet> &list, const void *mesh, uint32_t element, Mark mark) {
    if (list.empty() || list.back().mesh != mesh || ElementOf(list.back()) != element) return false;
    mark(list.back(), false);
    list.pop_back();
    return true;
}

}  // namespace

void Selection::PutBack(const KeptList &kept) {
    // An element past its mesh's counts (removed by undo of its mesh edits) has no mark to set.
    const auto mark = [](const auto &p, bool on) { p.mesh->MarkSelected(KindOf(p), ElementOf(p), on); };
    SelType t = kept.type;
    switch (t) {
        case kSelVertex:
            m_live[t] = PutBackList(m_vertices, kept.vertices, kept.live, mark);
            m_stale[t] = unsigned(m_vertices.size()) - m_live[t];
            break;
        case kSelEdge:
            m_live[t] = PutBackList(m_edges, kept.edges, kept.live, mark);
            m_stale[t] = unsigned(m_edges.size()) - m_live[t];
            break;
        case kSelPolygon:
            m_live[t] = PutBackList(m_polygons, kept.polygons, kept.live, mark);
            m_stale[t] = unsigned(m_polygons.size()) - m_live[t];
            break;
        case kSelItem:
            m_items = kept.items;
            m_itemSet.clear();
            for (const auto &p : m_items) m_itemSet.insert(p.item);
            break;
        default:
            break;
    }
}

void Selection::TakeBackAppend(SelType type, const void *owner, uint32_t element) {
    const auto mark = [](const auto &p, bool on) { p.mesh->MarkSelected(KindOf(p), ElementOf(p), on); };
    bool popped = false;
    switch (type) {
        case kSelVertex:
            popped = PopAppended(m_vertices, owner, element, mark);
            break;
        case kSelEdge:
            popped = PopAppended(m_edges, owner, element, mark);
            break;
        case kSelPolygon:
            popped = PopAppended(m_polygons, owner, element, mark);
            break;
        case kSelItem:
            if (!m_items.empty() && m_items.back().item == owner) {
                m_itemSet.erase(m_items.back().item);
                m_items.pop_back();
            }
            return;
        default:
            return;
    }
    if (popped) --m_live[type];
}

void Selection::TakeBackDeselect(SelType type, const void *owner, uint32_t element) {
    MeshData *mesh = static_cast<MeshData *>(const_cast<void *>(owner));
    if (element >= mesh->MarksOf(type).size()) return;
    mesh->MarkSelected(type, element, true);
    ++m_live[type];
    --m_stale[type];
}

template <class Gone>
void Selection::ForgetRecorded(Gone gone) {
    if (!Recording()) return;
    m_journal->ForgetSelectionChanges([&](const Journal::SelectionNote &note) {
        auto kind = ChangeKind(note.what & 0xFF);
        if (kind != kAppended && kind != kDeselected) return false;
        return gone(SelType(note.what >> 8), reinterpret_cast<const void *>(uintptr_t(note.payload)),
                    note.element);
    });
    for (KeptList &kept : m_kept) {
        // Only the kept type's list holds entries; `live` runs beside it (items have none).
        auto keep = [&](auto &list, auto element) {
            size_t out = 0;
            for (size_t i = 0; i < list.size(); ++i) {
                auto [owner, index] = element(list[i]);
                if (gone(kept.type, owner, index)) continue;
                list[out] = list[i];
                if (i < kept.live.size()) kept.live[out] = kept.live[i];
                ++out;
            }
            list.resize(out);
            if (kept.live.size() > out) kept.live.resize(out);
        };
        if (kept.type == kSelVertex)
            keep(kept.vertices,
                 [](const VertexPacket &p) { return std::make_pair((const void *)p.mesh, p.point); });
        if (kept.type == kSelEdge)
            keep(kept.edges,
                 [](const EdgePacket &p) { return std::make_pair((const void *)p.mesh, p.edge); });
        if (kept.type == kSelPolygon)
            keep(kept.polygons,
                 [](const PolygonPacket &p) { return std::make_pair((const void *)p.mesh, p.polygon); });
        if (kept.type == kSelItem)
            keep(kept.items, [](const ItemPacket &p) { return std::make_pair((const void *)p.item, 0u); });
    }
}

void Selection::TakeBack(const Journal::SelectionNote &note) {
    auto type = SelType(note.what >> 8);
    const void *owner = reinterpret_cast<const void *>(uintptr_t(note.payload));
    switch (ChangeKind(note.what & 0xFF)) {
        case kAppended:
            TakeBackAppend(type, owner, note.element);
            break;
        case kDeselected:
            TakeBackDeselect(type, owner, note.element);
            break;
        case kKept:
            if (note.element < m_kept.size()) PutBack(m_kept[note.element]);
            break;
        case kUsed:
            m_lastUsed[type] = note.payload;
            break;
    }
}

void Selection::ClearAll() {
    for (SelType t : {kSelVertex, kSelEdge, kSelPolygon, kSelItem}) Clear(t);
    for (int t = 0; t < kSelTypeCount; ++t) RecordUse(SelType(t));
    m_lastUsed.fill(0);
}

}  // namespace gorva::host
