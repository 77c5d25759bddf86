#include "host/model/journal.hpp"

#include <algorithm>

namespace gorva::host {

Journal::Token Journal::Begin(Scope scope) {
    m_savepoints.push_back({m_entries.size(), scope, {}});
    m_lastBaseline = 0;
    if (scope == Scope::Step) {
        ++m_stepSerial;
        if (m_openSteps++ == 0) ++m_outerStepSerial;
    }
    return m_savepoints.size() - 1;
}

void Journal::Close(Token token) {
    for (size_t s = token; s < m_savepoints.size(); ++s)
        if (m_savepoints[s].scope == Scope::Step) --m_openSteps, ++m_stepSerial;
    m_savepoints.resize(token);
    if (m_savepoints.empty()) {
        m_entries.clear();
        m_generic.clear();
    }
}

void Journal::Commit(Token token) {
    if (token >= m_savepoints.size()) return;
    // What the closed savepoints knew about meshes the enclosing one has not recorded yet holds
    // for it too: their changes now belong to it.
    if (token > 0) {
        std::vector<Baseline> &outer = m_savepoints[token - 1].baselines;
        for (size_t s = token; s < m_savepoints.size(); ++s)
            for (const Baseline &b : m_savepoints[s].baselines)
                if (std::none_of(outer.begin(), outer.end(),
                                 [&](const Baseline &o) { return o.mesh == b.mesh; }))
                    outer.push_back(b);
    }
    Close(token);
}

void Journal::Rollback(Token token) {
    if (token >= m_savepoints.size()) return;
    size_t mark = m_savepoints[token].entries;
    if (m_savepoints[token].scope != Scope::Step) mark = KeepSelectionBelow(mark);
    std::vector<PendingTruncation> pending;
    while (m_entries.size() > mark) {
        Entry e = m_entries.back();
        m_entries.pop_back();
        if (e.kind == Kind::PointAdded || e.kind == Kind::PolygonAdded) {
            auto it = std::find_if(pending.begin(), pending.end(),
                                   [&](const PendingTruncation &p) { return p.mesh == e.mesh; });
            if (it == pending.end())
                it = pending.insert(pending.end(), {e.mesh, e.mesh->PointCount(), e.mesh->PolygonCount()});
            uint32_t &count = e.kind == Kind::PointAdded ? it->points : it->polygons;
            count = std::min(count, e.index);
            continue;
        }
        // A generic change may remove the items whose meshes are waiting to be cut.
        if (e.kind == Kind::Generic) Flush(pending);
        Undo(e);
    }
    Flush(pending);
    Close(token);
}

size_t Journal::KeepSelectionBelow(size_t mark) {
    auto isSelection = [](const Entry &e) { return e.kind == Kind::Selection; };
    auto first = m_entries.begin() + std::ptrdiff_t(mark);
    if (std::none_of(first, m_entries.end(), isSelection)) return mark;
    return size_t(std::stable_partition(first, m_entries.end(), isSelection) - m_entries.begin());
}

void Journal::PushSelection(const SelectionNote &note) {
    Entry e{Kind::Selection, false, note.element, nullptr, note.what, {}};
    e.old.payload = note.payload;
    Push(e);
}

void Journal::Flush(std::vector<PendingTruncation> &pending) {
    for (const PendingTruncation &p : pending) {
        p.mesh->Truncate(p.points, p.polygons);
        if (onMeshShrunk) onMeshShrunk(p.mesh);
    }
    pending.clear();
}

void Journal::Undo(const Entry &e) {
    switch (e.kind) {
        case Kind::PointMoved:
            e.mesh->RestorePosition(e.index, {e.old.values[0], e.old.values[1], e.old.values[2]});
            break;
        case Kind::TagChanged:
            e.mesh->RestoreTag(e.index, e.aux, e.old.tag);
            break;
        case Kind::MapValueChanged:
            e.mesh->RestoreMapValue(e.aux, e.index, e.old.values, e.wasSet);
            break;
        case Kind::Generic: {
            // Entries are taken back newest first, so their undo is the last one kept.
            std::function<void()> undo = std::move(m_generic.back());
            m_generic.pop_back();
            undo();
            break;
        }
        case Kind::Selection:
            if (e.aux != kForgotten && onSelectionUndo) onSelectionUndo(NoteOf(e));
            break;
        case Kind::PointAdded:
        case Kind::PolygonAdded:
            break;  // gathered into truncations by Rollback
    }
}

const Journal::Baseline &Journal::BaselineOf(MeshData *mesh, uint32_t addedPoints, uint32_t addedPolygons) {
    std::vector<Baseline> &known = m_savepoints.back().baselines;
    if (m_lastBaseline < known.size() && known[m_lastBaseline].mesh == mesh) return known[m_lastBaseline];
    for (size_t i = 0; i < known.size(); ++i)
        if (known[i].mesh == mesh) return known[m_lastBaseline = i];
    uint32_t polygons = mesh->PolygonCount() - addedPolygons;
    known.push_back({mesh, mesh->PointCount() - addedPoints, polygons, mesh->FirstCorner(polygons)});
    m_lastBaseline = known.size() - 1;
    return known.back();
}

void Journal::PushAddition(Kind kind, MeshData *mesh, uint32_t element) {
    if (m_entries.size() > m_savepoints.back().entries) {
        Entry &last = m_entries.back();
        if (last.kind == kind && last.mesh == mesh && last.index + last.aux == element) {
            ++last.aux;
            return;
        }
    }
    Push({kind, false, element, mesh, 1, {}});
}

void Journal::PointAdded(MeshData *mesh, uint32_t point) {
    if (!Recording()) return;
    BaselineOf(mesh, 1, 0);
    PushAddition(Kind::PointAdded, mesh, point);
}

void Journal::PolygonAdded(MeshData *mesh, uint32_t polygon) {
    if (!Recording()) return;
    BaselineOf(mesh, 0, 1);
    PushAddition(Kind::PolygonAdded, mesh, polygon);
}

void Journal::RecordMove(MeshData *mesh, uint32_t point, const Float3 &old) {
    Entry e{Kind::PointMoved, false, point, mesh, 0, {}};
    std::copy(old.begin(), old.end(), e.old.values);
    Push(e);
}

void Journal::RecordTag(MeshData *mesh, uint32_t polygon, LXtID4 type, int32_t old) {
    Entry e{Kind::TagChanged, false, polygon, mesh, type, {}};
    e.old.tag = old;
    Push(e);
}

void Journal::RecordMapValue(MeshData *mesh, uint32_t map, uint32_t corner, const float *old, unsigned dim,
                             bool wasSet) {
    Entry e{Kind::MapValueChanged, wasSet, corner, mesh, map, {}};
    if (dim <= kMaxInlineDim) {
        std::copy(old, old + dim, e.old.values);
        Push(e);
        return;
    }
    std::vector<float> values(old, old + dim);
    Record(
        [mesh, map, corner, values, wasSet] { mesh->RestoreMapValue(map, corner, values.data(), wasSet); });
}

void Journal::Record(std::function<void()> undo) {
    if (!Recording()) return;
    m_generic.push_back(std::move(undo));
    Push({Kind::Generic, false, 0, nullptr, 0, {}});
}

}  // namespace gorva::host
