#include "host/journal.hpp"

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
        case Kind::Generic: {
            std::function<void()> undo = std::move(m_generic[e.index]);
            m_generic.pop_back();
            undo();
            break;
        }
    }
}

void Journal::PointAdded(MeshData *mesh) {
    if (Recording()) m_entries.push_back({Kind::PointAdded, mesh, 0, {}});
}

void Journal::PolygonAdded(MeshData *mesh) {
    if (Recording()) m_entries.push_back({Kind::PolygonAdded, mesh, 0, {}});
}

void Journal::PointMoved(MeshData *mesh, uint32_t point, const Float3 &old) {
    if (Recording()) m_entries.push_back({Kind::PointMoved, mesh, point, old});
}

void Journal::Record(std::function<void()> undo) {
    if (!Recording()) return;
    m_generic.push_back(std::move(undo));
    m_entries.push_back({Kind::Generic, nullptr, uint32_t(m_generic.size() - 1), {}});
}

}  // namespace gorva::host
