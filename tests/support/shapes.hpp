// Shapes for tests, benchmarks and fuzz targets: a mesh item with points, polygons, tags and a
// transform in one call, and a few ready-made scenes.
#pragma once
#include "host/guard.hpp"

#include <array>
#include <string>
#include <vector>

#include "host/host.hpp"

namespace gorva::host {

struct PolygonShape {
    std::vector<uint32_t> vertices;
    std::string material;  // 'MATR' tag, none when empty
    std::string part;      // 'PART' tag, none when empty
};

struct MeshShape {
    std::string name = "Mesh";
    std::vector<std::array<float, 3>> points;
    std::vector<PolygonShape> polygons;
    std::array<double, 3> position{0, 0, 0};
    std::array<double, 3> rotation{0, 0, 0};  // radians, X then Y then Z
    std::array<double, 3> scale{1, 1, 1};
    bool active = true;
};

/// Adds a mesh item built from the description; it becomes an active layer unless it says otherwise.
ItemData &AddMesh(Host &host, const MeshShape &shape);

/// Grid of nx by nz unit quads in the XZ plane at height y, facing +Y, starting at (x0, y, z0).
MeshShape GridShape(unsigned nx, unsigned nz, float y = 0.0f, float x0 = 0.0f, float z0 = 0.0f,
                    float cell = 1.0f);
/// Axis-aligned box with outward-facing quads (bottom, top, then the four sides).
MeshShape BoxShape(const std::array<float, 3> &min, const std::array<float, 3> &max);

/// The canned scene of awkward geometry every command and tool must survive, all active: "Empty"
/// (a mesh without points), "Slivers" (a one-point and a two-point polygon, a triangle of three
/// points on one line, a quad with two corners on the same spot, and a plain unit quad facing +Y)
/// and "Collapsed" (a unit quad in an item scaled to nothing). Returns the three items in that order.
std::array<ItemData *, 3> AddDegenerateScene(Host &host);
/// A chain of `levels` locators, each parented to the one before and with `value` on each of the
/// named channels, and the mesh `leaf` parented to the last; returns the mesh item.
ItemData &AddMeshUnderChain(Host &host, int levels, const std::vector<const char *> &channels, double value,
                            const MeshShape &leaf);
/// Selects every point, edge and polygon of every active mesh.
void SelectEverything(Host &host);

/// Selects elements of a mesh by index ("vertex", "polygon") or edges by end-point pairs.
void SelectPoints(Host &host, ItemData &mesh, const std::vector<uint32_t> &points);
void SelectPolygons(Host &host, ItemData &mesh, const std::vector<uint32_t> &polygons);
void SelectEdges(Host &host, ItemData &mesh, const std::vector<std::array<uint32_t, 2>> &edges);

}  // namespace gorva::host
