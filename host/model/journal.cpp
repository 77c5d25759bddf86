#include "host/model/journal.hpp"

namespace gorva::host {

Journal::Token Journal::Begin() {
    m_savepoints.push_back(m_entries.size());
    return m_savepoints.size() - 1;
}

void Journal::Commit(Token token) {
    if (token >= m_savepoints.size()) return;
    m_savepoints.resize(token);
    if (m_savepoints.empty()) {
        m_entries.clear();
        m_generic.clear();
    }
}

void Journal::Rollback(Token token) {
    if (token >= m_savepoints.size()) return;
    size_t mark = m_savepoints[token];
    while (m_entries.size() > mark) {
        Entry e = m_entries.back();
        m_entries.pop_back();
        Undo(e);
    }
    m_savepoints.resize(token);
    if (m_savepoints.empty()) {
        m_entries.clear();
        m_generic.clear();
    }
}

void Journal::Undo(const Entry &e) {
    switch (e.kind) {
        case Kind::PointAdded:
            e.mesh->Truncate(e.mesh->PointCount() - 1, e.mesh->PolygonCount());
            if (onMeshShrunk) onMeshShrunk(e.mesh);
            break;
        case Kind::PolygonAdded:
            e.mesh->Truncate(e.mesh->PointCount(), e.mesh->PolygonCount() - 1);
            if (onMeshShrunk) onMeshShrunk(e.mesh);
            break;
        case Kind::PointMoved:
            e.mesh->positions[e.index] = e.old;
            ++e.mesh->version;
            break;
        case Kind::TagChanged:
        case Kind::MapValueChanged:
        case Kind::Generic: {
            // Entries are taken back newest first, so their undo is the last one kept.
            std::function<void()> undo = std::move(m_generic.back());
            m_generic.pop_back();
            undo();
            break;
        }
    }
}

void Journal::Keep(Kind kind, MeshData *mesh, uint32_t index, std::function<void()> undo) {
    if (!Recording()) return;
    m_generic.push_back(std::move(undo));
    m_entries.push_back({kind, mesh, index, {}});
}

void Journal::PointAdded(MeshData *mesh, uint32_t point) {
    if (Recording()) m_entries.push_back({Kind::PointAdded, mesh, point, {}});
}

void Journal::PolygonAdded(MeshData *mesh, uint32_t polygon) {
    if (Recording()) m_entries.push_back({Kind::PolygonAdded, mesh, polygon, {}});
}

void Journal::PointMoved(MeshData *mesh, uint32_t point, const Float3 &old) {
    if (Recording()) m_entries.push_back({Kind::PointMoved, mesh, point, old});
}

void Journal::TagChanged(MeshData *mesh, uint32_t polygon, std::function<void()> undo) {
    Keep(Kind::TagChanged, mesh, polygon, std::move(undo));
}

void Journal::MapValueChanged(MeshData *mesh, uint32_t corner, std::function<void()> undo) {
    Keep(Kind::MapValueChanged, mesh, corner, std::move(undo));
}

void Journal::Record(std::function<void()> undo) {
    Keep(Kind::Generic, nullptr, 0, std::move(undo));
}

void Journal::ForEachMeshChange(Token token,
                                const std::function<void(Kind, const MeshData &, uint32_t)> &visit) const {
    if (token >= m_savepoints.size()) return;
    for (size_t i = m_savepoints[token]; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        if (e.mesh) visit(e.kind, *e.mesh, e.index);
    }
}

}  // namespace gorva::host
