#include "host/model/journal.hpp"

#include <algorithm>

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
    // Added elements are taken off once per mesh at the end (appends undo as one cut), so that
    // taking back many additions costs one rebuild of a mesh's edge table, not one per element.
    std::vector<Cut> cuts;
    while (m_entries.size() > mark) {
        Entry e = m_entries.back();
        m_entries.pop_back();
        Undo(e, cuts);
    }
    m_savepoints.resize(token);
    if (m_savepoints.empty()) {
        m_entries.clear();
        m_generic.clear();
    }
    ApplyCuts(cuts);
}

void Journal::ApplyCuts(std::vector<Cut> &cuts) {
    for (const Cut &cut : cuts) {
        cut.mesh->Truncate(cut.points, cut.polygons);
        if (onMeshShrunk) onMeshShrunk(cut.mesh);
    }
    cuts.clear();
}

void Journal::Undo(const Entry &e, std::vector<Cut> &cuts) {
    auto cutOf = [&cuts](MeshData *mesh) -> Cut & {
        for (Cut &c : cuts)
            if (c.mesh == mesh) return c;
        cuts.push_back({mesh, mesh->PointCount(), mesh->PolygonCount()});
        return cuts.back();
    };
    switch (e.kind) {
        case Kind::PointAdded: {
            Cut &c = cutOf(e.mesh);
            c.points = std::min(c.points, e.index);
            break;
        }
        case Kind::PolygonAdded: {
            Cut &c = cutOf(e.mesh);
            c.polygons = std::min(c.polygons, e.index);
            break;
        }
        case Kind::PointMoved:
            e.mesh->positions[e.index] = e.old;
            ++e.mesh->version;
            break;
        case Kind::Generic:
            // Any other change may remove a whole mesh: its elements are cut first.
            ApplyCuts(cuts);
            [[fallthrough]];
        case Kind::TagChanged:
        case Kind::MapValueChanged: {
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
