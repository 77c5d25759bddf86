// What the browser page holds of the scene: the glTF it last loaded (the base) and, while the
// base's polygons stay as they were, the changes since then as a small update (moved points and
// the polygons added after the base's), so a tool's drag does not send the whole scene again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/host.hpp"

namespace gorva::host {

/// Polygons beyond the base an update may carry; more and the page loads the scene again.
inline constexpr uint32_t kMaxUpdatePolygons = 50000;
/// Points (moved and added) an update may carry; more and the page loads the scene again.
inline constexpr size_t kMaxUpdatePoints = 200000;

class PageScene {
public:
    /// Brings the page's copy up to the host: an update when the change allows one, else a new base.
    void Refresh(Host &host);
    /// Takes the scene as it is as the new base, whatever changed.
    void Rebase(Host &host);

    /// Bumped with every new base; the page loads SceneBytes when it differs from its own.
    unsigned SceneVersion() const { return m_sceneVersion; }
    /// The base as binary glTF, Y-up; empty when the scene cannot be written.
    const std::string &SceneBytes() const { return m_sceneBytes; }
    /// The changes since the base, cumulative (applying the newest alone is enough):
    /// {"id", "meshes": [{"layer", "first", "moved", "points", "polygons", "corners", "triangles"}], "data"}
    /// with "data" the base64 of, per mesh: moved point indices (u32) and positions (3 f32 each), the
    /// added polygons' points (u32) and positions, their sizes, corners and triangles (u32, indices
    /// into those points) and each triangle's polygon (u32), all little-endian; "first" is the first
    /// added polygon's index.
    nlohmann::json UpdateJson() const;

private:
    /// The base of one active layer's mesh, and its update.
    struct Layer {
        std::weak_ptr<MeshData> mesh;
        uint64_t version = 0;
        std::vector<Float3> positions;
        std::vector<uint32_t> polyStart, corners;
        std::vector<LXtID4> polyType;
        nlohmann::json meta;
        std::string bytes;
    };

    std::string Fingerprint(const Host &host) const;
    /// False when the layer's change cannot be sent as an update.
    bool UpdateLayer(Layer &layer, MeshData &mesh, int index);

    unsigned m_sceneVersion = 0, m_updateId = 0;
    std::string m_sceneBytes, m_fingerprint;
    std::vector<Layer> m_layers;
};

}  // namespace gorva::host
