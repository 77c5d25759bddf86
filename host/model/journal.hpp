// Undo journal with nested savepoints. While a savepoint is open, every change to scene data
// records how to take it back; rolling back to a savepoint undoes the changes made since, in
// reverse order. Outside savepoints nothing is recorded.
//
// Mesh changes are recorded as plain entries (no allocation per change): runs of added points and
// polygons, moved points, changed tags and map values with their old values. A change to an
// element that the innermost savepoint itself added is not recorded: rolling back removes the
// element anyway. Rolling back removes added elements with one truncation per mesh.
//
// Selection changes are recorded only while a user's undo step is open, and only rolling back a
// step takes them back: a tool re-evaluating or a scan dropping its edits leaves the selection as
// it is, so their rollbacks keep the selection entries for the enclosing step.
#pragma once
#include "host/guard.hpp"

#include <cstdint>
#include <functional>
#include <vector>

#include "host/model/mesh_data.hpp"

namespace gorva::host {

class Journal {
public:
    using Token = size_t;
    /// What a recorded change did; the mesh kinds name the element they touched.
    enum class Kind : uint8_t {
        PointAdded,
        PolygonAdded,
        PointMoved,
        TagChanged,
        MapValueChanged,
        Generic,
        Selection
    };
    /// What a savepoint takes back: scene edits only, or a user's whole step (selection included).
    enum class Scope : uint8_t { Edits, Step };
    /// A selection change as the journal keeps it: the selection's own code for what changed, the
    /// element, and its owner or an old value (the code says which).
    struct SelectionNote {
        uint16_t what;
        uint32_t element;
        uint64_t payload;
    };

    bool Recording() const { return !m_savepoints.empty(); }
    /// True while a step is open: only then are selection changes recorded.
    bool RecordingSelection() const { return m_openSteps > 0; }
    /// Changes each time a step opens or closes: what the selection remembers about the innermost
    /// step starts afresh.
    uint64_t StepSerial() const { return m_stepSerial; }
    /// Changes each time a step opens with no other step open: nothing older is recorded then.
    uint64_t OuterStepSerial() const { return m_outerStepSerial; }
    /// Opens a savepoint; changes from now on can be rolled back to it.
    Token Begin(Scope scope = Scope::Edits);
    /// Keeps the changes since the savepoint (they still belong to any enclosing savepoint).
    void Commit(Token token);
    /// Undoes the changes since the savepoint and closes it (and any savepoint opened after it).
    void Rollback(Token token);

    /// A point was appended (it is the mesh's last).
    void PointAdded(MeshData *mesh, uint32_t point);
    /// A polygon was appended (it is the mesh's last, with its corners).
    void PolygonAdded(MeshData *mesh, uint32_t polygon);
    void PointMoved(MeshData *mesh, uint32_t point, const Float3 &old) {
        if (Recording() && !AddedHere(mesh, point, &Baseline::points)) RecordMove(mesh, point, old);
    }
    /// A polygon's tag of `type` changed from the tag string index `old` (-1: none).
    void TagChanged(MeshData *mesh, uint32_t polygon, LXtID4 type, int32_t old) {
        if (Recording() && !AddedHere(mesh, polygon, &Baseline::polygons))
            RecordTag(mesh, polygon, type, old);
    }
    /// A value of map `map` at a polygon corner changed from `old` (`dim` floats) and its set flag.
    void MapValueChanged(MeshData *mesh, uint32_t map, uint32_t corner, const float *old, unsigned dim,
                         bool wasSet) {
        if (Recording() && !AddedHere(mesh, corner, &Baseline::corners))
            RecordMapValue(mesh, map, corner, old, dim, wasSet);
    }
    /// Any other change: `undo` restores the state before it.
    void Record(std::function<void()> undo);
    /// A selection change; kept only while a step is open.
    void SelectionChanged(const SelectionNote &note) {
        if (RecordingSelection()) PushSelection(note);
    }
    /// Drops the recorded selection changes for which `gone(note)` holds (their elements were
    /// removed); they are skipped when rolling back.
    template <class Gone>
    void ForgetSelectionChanges(Gone &&gone) {
        for (Entry &e : m_entries)
            if (e.kind == Kind::Selection && e.aux != kForgotten && gone(NoteOf(e))) e.aux = kForgotten;
    }

    /// Calls `visit(kind, mesh, element)` for each mesh change recorded since the savepoint that is
    /// still open, oldest first; the element is the point, polygon or corner index (for a run of
    /// additions, the first element added).
    template <class Visit>
    void ForEachMeshChange(Token token, Visit &&visit) const {
        if (token >= m_savepoints.size()) return;
        for (size_t i = m_savepoints[token].entries; i < m_entries.size(); ++i) {
            const Entry &e = m_entries[i];
            if (e.mesh && e.kind != Kind::Selection)
                visit(e.kind, static_cast<const MeshData &>(*e.mesh), e.index);
        }
    }

    /// Called after undo removed elements from a mesh, so that references to them can be dropped.
    std::function<void(MeshData *)> onMeshShrunk;
    /// Takes back a selection change when a step is rolled back.
    std::function<void(const SelectionNote &)> onSelectionUndo;

private:
    static constexpr unsigned kMaxInlineDim = 4;
    struct Entry {
        Kind kind;
        bool wasSet;
        uint32_t index;  // the element a mesh change touched
        MeshData *mesh;  // null for a generic change
        uint32_t aux;    // tag type, map index, or the number of elements a run of additions holds
        union {
            float values[kMaxInlineDim];  // old position or map value
            int32_t tag;
            uint64_t payload;  // a selection note's
        } old;
    };
    static constexpr uint32_t kForgotten = 0xFFFFFFFFu;  // a selection entry's `aux` once dropped
    /// A mesh's element counts when the innermost savepoint first recorded a change of it.
    struct Baseline {
        MeshData *mesh;
        uint32_t points, polygons, corners;
    };
    struct Savepoint {
        size_t entries;
        Scope scope;
        std::vector<Baseline> baselines;
    };
    static SelectionNote NoteOf(const Entry &e) { return {uint16_t(e.aux), e.index, e.old.payload}; }
    void PushSelection(const SelectionNote &note);
    /// Moves the selection entries past `mark` below the other entries past it (order kept in
    /// each group) and returns where the others start now.
    size_t KeepSelectionBelow(size_t mark);
    /// Closes the savepoints from `token` on.
    void Close(Token token);
    /// The mesh's counts before the innermost savepoint's changes; added when first asked.
    const Baseline &BaselineOf(MeshData *mesh, uint32_t addedPoints, uint32_t addedPolygons);
    /// True when the innermost savepoint added the element (its index is at or past the count).
    bool AddedHere(MeshData *mesh, uint32_t element, uint32_t Baseline::*count) {
        const std::vector<Baseline> &known = m_savepoints.back().baselines;
        if (m_lastBaseline < known.size() && known[m_lastBaseline].mesh == mesh)
            return element >= known[m_lastBaseline].*count;
        return element >= BaselineOf(mesh, 0, 0).*count;
    }
    void RecordMove(MeshData *mesh, uint32_t point, const Float3 &old);
    void RecordTag(MeshData *mesh, uint32_t polygon, LXtID4 type, int32_t old);
    void RecordMapValue(MeshData *mesh, uint32_t map, uint32_t corner, const float *old, unsigned dim,
                        bool wasSet);
    void Push(const Entry &e) { m_entries.push_back(e); }
    /// Records an added element, extending the newest entry when it is a run of the same kind on
    /// the same mesh that this element continues.
    void PushAddition(Kind kind, MeshData *mesh, uint32_t element);
    void Undo(const Entry &e);
    /// Truncations gathered while rolling back a run of additions, applied as one per mesh.
    struct PendingTruncation {
        MeshData *mesh;
        uint32_t points, polygons;
    };
    void Flush(std::vector<PendingTruncation> &pending);

    std::vector<Entry> m_entries;
    std::vector<std::function<void()>> m_generic;
    std::vector<Savepoint> m_savepoints;
    size_t m_lastBaseline = 0;  // where BaselineOf last found a mesh in the innermost savepoint
    unsigned m_openSteps = 0;
    uint64_t m_stepSerial = 0;
    uint64_t m_outerStepSerial = 0;
};

}  // namespace gorva::host
