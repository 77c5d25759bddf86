// What the browser page holds of the scene: the base it last loaded, sent as flat arrays that the
// page hands to its buffers as they come, and, while the base's polygons stay as they were, the
// changes since then as a small update (moved points and the polygons added after the base's), so
// a tool's drag does not send the whole scene again.
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
/// Corners of a mesh whose edges the scene answer carries; a larger mesh comes without them: the
/// page would not draw so many wires, and it picks an edge as a side of the polygon hit.
inline constexpr uint32_t kMaxWireCorners = 80000;
/// The first word of a scene answer: "GVSC" read as a little-endian 32-bit word.
inline constexpr uint32_t kSceneMagic = 0x43535647u;

class PageScene {
public:
    /// Brings the page's copy up to the host: an update when the change allows one, else a new base.
    void Refresh(Host &host);
    /// Takes the scene as it is as the new base, whatever changed.
    void Rebase(Host &host);

    /// Bumped with every new base; the page loads SceneBytes when it differs from its own.
    unsigned SceneVersion() const { return m_sceneVersion; }
    /// The base as the page reads it, little-endian 32-bit words throughout: kSceneMagic, the scene
    /// version, the number of meshes, of mesh items and of lights; per mesh item its mesh's index, its
    /// world matrix (16 f32 in the host's row-vector order, which is three.js's column-major one) and
    /// its identifier (its byte count, then the bytes padded to 4); per light its world matrix, its
    /// width, height and cone angle (3 f32: metres before the matrix's scale, radians; 0 where the
    /// type has none), then its identifier, name and type name as texts like the identifier; per mesh
    /// the counts of points, polygons, corners, triangles, edges, lines and dots, then the positions
    /// (3 f32 each), the polygons' first corners (polygons + 1), the corners, the triangles (3 points
    /// each), each triangle's polygon, the edges (2 points each, the host's edge order; none past
    /// kMaxWireCorners), the two-point polygons (2 points each) and the dots (one-point polygons and
    /// points without polygons). Points are the host's point indices.
    const std::string &SceneBytes() const { return m_sceneBytes; }
    /// The changes since the base, cumulative (applying the newest alone is enough):
    /// {"id", "meshes": [{"layer", "item", "first", "moved", "points", "polygons", "corners", "triangles"}],
    /// "data"} with "data" the base64 of, per mesh: moved point indices (u32) and positions (3 f32 each), the
    /// added polygons' points (u32) and positions, their sizes, corners and triangles (u32, indices
    /// into those points) and each triangle's polygon (u32), all little-endian; "item" is the layer's
    /// identifier and "first" the first added polygon's index.
    nlohmann::json UpdateJson() const;

private:
    /// The base of one active layer's mesh, and its update.
    struct Layer {
        std::weak_ptr<MeshData> mesh;
        std::string ident;
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
