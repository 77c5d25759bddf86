// Picking polygons under the mouse: the view ray through a pressed position onto the polygons of
// the active meshes, for the tools' "ToolHitEvent".
#pragma once
#include "host/guard.hpp"

#include <cstdint>

#include "host/host.hpp"
#include "host/model/vec3.hpp"

namespace gorva::host {

/// A polygon hit: its item and index, the hit position and the polygon's unit normal in the mesh's
/// own coordinates, and the ray parameter (world position = origin + t * direction).
struct PolygonHit {
    ItemData *item = nullptr;
    uint32_t polygon = 0;
    Vec3 pos{};
    Vec3 normal{};
    double t = 0.0;
};

/// The nearest polygon of the active meshes that the ray (world space, t >= 0) passes through;
/// polygons of fewer than three vertices or without area are never hit. False when none is.
bool PickPolygon(const Host &host, const Vec3 &origin, const Vec3 &direction, PolygonHit &hit);

/// The polygon named directly: the centre of its vertices and its normal in mesh coordinates;
/// false when the polygon does not exist.
bool NamedPolygonHit(ItemData &item, uint32_t polygon, PolygonHit &hit);

/// The polygon named directly, hit where the ray (world space) meets its plane, even outside its
/// outline; at the centre of its vertices when the ray runs along the plane or meets it behind the
/// origin. False when the polygon does not exist.
bool NamedPolygonHit(ItemData &item, uint32_t polygon, const Vec3 &origin, const Vec3 &direction,
                     PolygonHit &hit);

}  // namespace gorva::host
