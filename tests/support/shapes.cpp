#include "tests/support/shapes.hpp"

#include <lxmesh.h>

namespace gorva::host {

ItemData &AddMesh(Host &host, const MeshShape &shape) {
    ItemData &item = *host.scene.AddItem(ItemTypeCode("mesh"), shape.name);
    static const char *pos[3] = {"pos.X", "pos.Y", "pos.Z"};
    static const char *rot[3] = {"rot.X", "rot.Y", "rot.Z"};
    static const char *scl[3] = {"scl.X", "scl.Y", "scl.Z"};
    for (int i = 0; i < 3; ++i) {
        item.SetChannel(pos[i], shape.position[size_t(i)]);
        item.SetChannel(rot[i], shape.rotation[size_t(i)]);
        item.SetChannel(scl[i], shape.scale[size_t(i)]);
    }
    MeshData &mesh = *item.mesh;
    mesh.ReservePoints(shape.points.size());
    for (const auto &p : shape.points) mesh.AddPoint(p);
    for (const auto &poly : shape.polygons) {
        uint32_t index = mesh.AddPolygon(LXiPTYP_FACE, poly.vertices.data(), uint32_t(poly.vertices.size()));
        if (index == MeshData::kNone) continue;
        if (!poly.material.empty()) mesh.SetTag(index, LXi_PTAG_MATR, poly.material.c_str());
        if (!poly.part.empty()) mesh.SetTag(index, LXi_PTAG_PART, poly.part.c_str());
    }
    if (shape.active) host.SetActive(item, true);
    return item;
}

MeshShape GridShape(unsigned nx, unsigned nz, float y, float x0, float z0, float cell) {
    MeshShape shape;
    shape.name = "Grid";
    shape.points.reserve(size_t(nx + 1) * (nz + 1));
    for (unsigned j = 0; j <= nz; ++j)
        for (unsigned i = 0; i <= nx; ++i)
            shape.points.push_back({x0 + float(i) * cell, y, z0 + float(j) * cell});
    shape.polygons.reserve(size_t(nx) * nz);
    auto at = [nx](unsigned i, unsigned j) { return j * (nx + 1) + i; };
    for (unsigned j = 0; j < nz; ++j)
        for (unsigned i = 0; i < nx; ++i)
            shape.polygons.push_back({{at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)}, "", ""});
    return shape;
}

MeshShape BoxShape(const std::array<float, 3> &lo, const std::array<float, 3> &hi) {
    MeshShape shape;
    shape.name = "Box";
    shape.points = {{lo[0], lo[1], lo[2]}, {hi[0], lo[1], lo[2]}, {hi[0], lo[1], hi[2]},
                    {lo[0], lo[1], hi[2]}, {lo[0], hi[1], lo[2]}, {hi[0], hi[1], lo[2]},
                    {hi[0], hi[1], hi[2]}, {lo[0], hi[1], hi[2]}};
    shape.polygons = {{{0, 1, 2, 3}, "", ""}, {{4, 7, 6, 5}, "", ""}, {{0, 4, 5, 1}, "", ""},
                      {{3, 2, 6, 7}, "", ""}, {{0, 3, 7, 4}, "", ""}, {{1, 5, 6, 2}, "", ""}};
    return shape;
}

std::array<ItemData *, 3> AddDegenerateScene(Host &host) {
    MeshShape empty;
    empty.name = "Empty";
    MeshShape slivers;
    slivers.name = "Slivers";
    slivers.points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {0, 0, 1}, {1, 0, 1},
                      {1, 0, 1}, {0, 0, 2}, {2, 0, 2}, {3, 0, 2}, {3, 0, 3}, {2, 0, 3}};
    slivers.polygons = {{{0}, "", ""},              // one point
                        {{0, 1}, "", ""},           // two points
                        {{1, 2, 3}, "", ""},        // three points on one line: no area
                        {{4, 7, 6, 5}, "", ""},     // corners 5 and 6 on the same spot
                        {{8, 11, 10, 9}, "", ""}};  // a plain unit quad facing +Y
    MeshShape collapsed;
    collapsed.name = "Collapsed";
    collapsed.points = {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}};
    collapsed.polygons = {{{0, 1, 2, 3}, "", ""}};
    collapsed.position = {5, 0, 0};
    collapsed.scale = {0, 0, 0};
    return {&AddMesh(host, empty), &AddMesh(host, slivers), &AddMesh(host, collapsed)};
}

ItemData &AddMeshUnderChain(Host &host, int levels, const std::vector<const char *> &channels, double value,
                            const MeshShape &leaf) {
    ItemData *parent = nullptr;
    for (int i = 0; i < levels; ++i) {
        ItemData *item = host.scene.AddItem(ItemTypeCode("locator"));
        for (const char *channel : channels) item->SetChannel(channel, value);
        if (parent) host.scene.SetParent(*item, parent);
        parent = item;
    }
    ItemData &mesh = AddMesh(host, leaf);
    if (parent) host.scene.SetParent(mesh, parent);
    return mesh;
}

void SelectEverything(Host &host) {
    for (ItemData *item : host.ActiveLayers()) {
        MeshData &mesh = *item->mesh;
        for (uint32_t p = 0; p < mesh.PointCount(); ++p) host.selection.SelectVertex(mesh, p);
        for (uint32_t p = 0; p < mesh.PolygonCount(); ++p) host.selection.SelectPolygon(mesh, p);
        for (uint32_t p = 0; p < mesh.PolygonCount(); ++p) {
            const uint32_t *v = mesh.Vertices(p);
            uint32_t n = mesh.VertexCount(p);
            for (uint32_t k = 0; n > 1 && k < n; ++k) host.selection.SelectEdge(mesh, v[k], v[(k + 1) % n]);
        }
    }
}

void SelectPoints(Host &host, ItemData &mesh, const std::vector<uint32_t> &points) {
    for (uint32_t p : points) host.selection.SelectVertex(*mesh.mesh, p);
}

void SelectPolygons(Host &host, ItemData &mesh, const std::vector<uint32_t> &polygons) {
    for (uint32_t p : polygons) host.selection.SelectPolygon(*mesh.mesh, p);
}

void SelectEdges(Host &host, ItemData &mesh, const std::vector<std::array<uint32_t, 2>> &edges) {
    for (const auto &e : edges) host.selection.SelectEdge(*mesh.mesh, e[0], e[1]);
}

}  // namespace gorva::host
