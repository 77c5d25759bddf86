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
    uint32_t &marks = mesh.pointMarks[point];
    if (Marked(marks)) return true;
    if (m_stale[kSelVertex]) Compact(kSelVertex);
    marks |= kMarkSelect;
    AppendFields(m_vertices, &mesh, point, polygon);
    ++m_live[kSelVertex];
    return true;
}

bool Selection::SelectEdge(MeshData &mesh, uint32_t a, uint32_t b, uint32_t polygon, uint32_t edge) {
    if (!mesh.IsEdge(edge, a, b)) edge = mesh.FindEdge(a, b);
    if (edge == MeshData::kNone) return false;
    Touch(kSelEdge);
    uint32_t &marks = mesh.MarksOf(1)[edge];
    if (Marked(marks)) return true;
    if (m_stale[kSelEdge]) Compact(kSelEdge);
    marks |= kMarkSelect;
    AppendFields(m_edges, &mesh, a, b, polygon, edge);
    ++m_live[kSelEdge];
    return true;
}

bool Selection::SelectPolygon(MeshData &mesh, uint32_t polygon) {
    if (polygon >= mesh.PolygonCount()) return false;
    Touch(kSelPolygon);
    uint32_t &marks = mesh.polyMarks[polygon];
    if (Marked(marks)) return true;
    if (m_stale[kSelPolygon]) Compact(kSelPolygon);
    marks |= kMarkSelect;
    AppendFields(m_polygons, &mesh, polygon);
    ++m_live[kSelPolygon];
    return true;
}

bool Selection::SelectItem(ItemData &item) {
    Touch(kSelItem);
    if (!m_itemSet.insert(&item).second) return true;
    m_items.push_back({&item});
    return true;
}

bool Selection::DeselectVertex(MeshData &mesh, uint32_t point) {
    BeforeChange();
    if (point >= mesh.PointCount() || !Marked(mesh.pointMarks[point])) return false;
    mesh.pointMarks[point] &= ~kMarkSelect;
    --m_live[kSelVertex];
    ++m_stale[kSelVertex];
    return true;
}

bool Selection::DeselectEdge(MeshData &mesh, uint32_t a, uint32_t b) {
    BeforeChange();
    uint32_t edge = mesh.FindEdge(a, b);
    if (edge == MeshData::kNone || !Marked(mesh.MarksOf(1)[edge])) return false;
    mesh.MarksOf(1)[edge] &= ~kMarkSelect;
    --m_live[kSelEdge];
    ++m_stale[kSelEdge];
    return true;
}

bool Selection::DeselectPolygon(MeshData &mesh, uint32_t polygon) {
    BeforeChange();
    if (polygon >= mesh.PolygonCount() || !Marked(mesh.polyMarks[polygon])) return false;
    mesh.polyMarks[polygon] &= ~kMarkSelect;
    --m_live[kSelPolygon];
    ++m_stale[kSelPolygon];
    return true;
}

bool Selection::DeselectItem(ItemData &item) {
    BeforeChange();
    if (!m_itemSet.erase(&item)) return false;
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
    switch (type) {
        case kSelVertex:
            m_vertices.erase(
                std::remove_if(m_vertices.begin(), m_vertices.end(),
                               [](const VertexPacket &p) { return !Marked(p.mesh->pointMarks[p.point]); }),
                m_vertices.end());
            break;
        case kSelEdge:
            m_edges.erase(
                std::remove_if(m_edges.begin(), m_edges.end(),
                               [](const EdgePacket &p) { return !Marked(p.mesh->MarksOf(1)[p.edge]); }),
                m_edges.end());
            break;
        case kSelPolygon:
            m_polygons.erase(
                std::remove_if(m_polygons.begin(), m_polygons.end(),
                               [](const PolygonPacket &p) { return !Marked(p.mesh->polyMarks[p.polygon]); }),
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
    BeforeChange();
    switch (type) {
        case kSelVertex:
            for (const auto &p : m_vertices) p.mesh->pointMarks[p.point] &= ~kMarkSelect;
            m_vertices.clear();
            break;
        case kSelEdge:
            for (const auto &p : m_edges) p.mesh->MarksOf(1)[p.edge] &= ~kMarkSelect;
            m_edges.clear();
            break;
        case kSelPolygon:
            for (const auto &p : m_polygons) p.mesh->polyMarks[p.polygon] &= ~kMarkSelect;
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
    BeforeChange();
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
    BeforeChange();
    DeselectItem(item);
    MeshData *mesh = item.mesh && item.mesh->owner == &item ? item.mesh.get() : nullptr;
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
    for (const auto &p : m_vertices) p.mesh->pointMarks[p.point] |= kMarkSelect;
    m_edges = state.edges;
    for (const auto &p : m_edges) p.mesh->MarksOf(1)[p.edge] |= kMarkSelect;
    m_polygons = state.polygons;
    for (const auto &p : m_polygons) p.mesh->polyMarks[p.polygon] |= kMarkSelect;
    m_items = state.items;
    for (const auto &p : m_items) m_itemSet.insert(p.item);
    m_live[kSelVertex] = unsigned(m_vertices.size());
    m_live[kSelEdge] = unsigned(m_edges.size());
    m_live[kSelPolygon] = unsigned(m_polygons.size());
    m_lastUsed = state.lastUsed;
}

void Selection::BeginUndo() {
    m_undo.reset();
    m_undoArmed = true;
}

void Selection::KeepForUndo() {
    m_undoArmed = false;
    m_undo = Save();
}

void Selection::Undo() {
    m_undoArmed = false;
    if (m_undo) Restore(*m_undo);
    m_undo.reset();
}

void Selection::EndUndo() {
    m_undoArmed = false;
    m_undo.reset();
}

void Selection::ClearAll() {
    for (SelType t : {kSelVertex, kSelEdge, kSelPolygon, kSelItem}) Clear(t);
    m_lastUsed.fill(0);
}

}  // namespace gorva::host
