// The scene as undo gives it back: its items and copies of their meshes. A mesh that did not change
// since the snapshot before shares that snapshot's copy, so a step costs only what it changed.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "host/host.hpp"

namespace gorva::host {

class SceneSnapshot {
public:
    /// The host's scene now; meshes unchanged since `previous` (may be null) share its copies.
    static SceneSnapshot Capture(Host &host, const SceneSnapshot *previous);

    /// True when the host's scene holds what this snapshot holds (selection aside).
    bool Matches(Host &host) const;
    /// Replaces the host's scene by this one: items, channels, parents, layers, meshes with their
    /// tags, maps and marks. The selection is cleared; the log and dialogs stay. Returns the
    /// snapshot of the scene as restored (the same copies; items may be numbered anew).
    SceneSnapshot Restore(Host &host) const;

    /// The mesh copies held, each once; their Bytes() weigh a history against a budget.
    std::vector<const MeshData *> MeshCopies() const;

private:
    struct Item {
        std::string ident, name;
        int type = -1, parent = -1, instanceOf = -1, mesh = -1;
        std::vector<std::string> channelNames;
        std::vector<double> channelValues;
        bool active = false;
    };
    struct Mesh {
        std::weak_ptr<MeshData> live;  // the mesh copied, whose next copy may share this one
        std::shared_ptr<const MeshData> copy;
        int owner = -1;
    };

    std::vector<Item> m_items;
    std::vector<Mesh> m_meshes;
    int m_primary = -1, m_refSystem = -1;
};

}  // namespace gorva::host
