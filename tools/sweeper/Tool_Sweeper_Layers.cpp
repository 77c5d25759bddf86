#include "Tool_Sweeper_Layers.hpp"

#include <algorithm>
#include <string>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_item.hpp"
#include "lx_seltypes.hpp"
#include "lxidef.h"
#include "qk_item_xfrm.hpp"

namespace gORVA_Tools_Sweeper {

namespace {

// Active layers, writable: the layer the swept mesh goes into.
constexpr unsigned kWriteScanFlags = LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_WRITEMESH;

struct MeshLayer {
    unsigned index = 0;
    CLxUser_Item item;
    CLxUser_Mesh mesh;
};

std::vector<MeshLayer> MeshLayers(CLxUser_LayerScan &scan) {
    CLxUser_SceneService scenes;
    const LXtItemType meshType = scenes.ItemType(LXsITYPE_MESH);
    std::vector<MeshLayer> layers;
    // A host without the mesh type has no mesh layers.
    if (meshType == LXiTYPE_NONE) return layers;
    for (unsigned i = 0; i < scan.NumLayers(); ++i) {
        MeshLayer layer;
        layer.index = i;
        if (!scan.ItemByIndex(i, layer.item) || !layer.item.IsA(meshType) ||
            !scan.BaseMeshByIndex(i, layer.mesh))
            continue;
        layers.push_back(std::move(layer));
    }
    return layers;
}

// The identities of the selected items.
std::vector<std::string> SelectedItemIdentities(CLxUser_SelectionService &selection) {
    std::vector<std::string> identities;
    CLxUser_ItemPacketTranslation packets;
    if (!packets.autoInit()) return identities;
    // A count the service cannot give (-1) reads as no selection.
    for (int i = 0, n = selection.Count(LXiSEL_ITEM); i < n; ++i) {
        void *packet = selection.ByIndex(LXiSEL_ITEM, i);
        void *itemObj = nullptr;
        CLxUser_Item item;
        if (packet && LXx_OK(packets.Item(packet, &itemObj)) && item.take(itemObj))
            identities.push_back(item.GetIdentity());
    }
    return identities;
}

bool IsSelected(CLxUser_Item &item, const std::vector<std::string> &selected) {
    const std::string identity = item.GetIdentity();
    return !identity.empty() && std::find(selected.begin(), selected.end(), identity) != selected.end();
}

// The first polygon of the mesh: its vertices in order and its normal; false when unreadable.
bool ReadFirstPolygon(CLxUser_Mesh &mesh, std::vector<Vector3> &points, Vector3 &normal) {
    CLxUser_Polygon polygons;
    CLxUser_Point vertices;
    unsigned count = 0;
    if (!mesh.GetPolygons(polygons) || !mesh.GetPoints(vertices) || LXx_FAIL(polygons.SelectByIndex(0)) ||
        LXx_FAIL(polygons.Normal(normal)) || LXx_FAIL(polygons.VertexCount(&count)))
        return false;
    points.clear();
    for (unsigned i = 0; i < count; ++i) {
        LXtPointID id = nullptr;
        LXtFVector pos = {0.0f, 0.0f, 0.0f};
        if (LXx_FAIL(polygons.VertexByIndex(i, &id)) || LXx_FAIL(vertices.Select(id)) ||
            LXx_FAIL(vertices.Pos(pos)))
            return false;
        points.emplace_back(pos);
    }
    return true;
}

}  // namespace

const char *LayerFailureKey(LayerFailure failure) {
    switch (failure) {
        case LAYERS_OK:
            return nullptr;
        case LAYERS_COUNT:
            return "NeedsOneOrTwoMeshLayers";
        case LAYERS_NO_PROFILE:
            return "NeedsProfilePolygon";
        case LAYERS_CUSTOM_PROFILE:
            return "CustomProfileUnusable";
        case LAYERS_PROFILE_FLAT:
            return "CustomProfileFlat";
        default:
            return "ItemTransformUnusable";
    }
}

int ChooseTargetLayer(const unsigned counts[2], const bool selected[2]) {
    // A path of bare vertices has no polygon: the single-polygon layer is still the profile.
    if (counts[0] == 1 && counts[1] != 1) return 1;
    if (counts[0] != 1 && counts[1] == 1) return 0;
    if (counts[0] == 1 && counts[1] == 1 && selected[0] != selected[1]) return selected[0] ? 0 : 1;
    return -1;
}

LayerFailure ChooseSweepLayers(CLxUser_LayerService &layerService, CLxUser_SelectionService &selection,
                               SweepLayers &out) {
    CLxUser_LayerScan scan;
    if (!layerService.BeginScan(LXf_LAYERSCAN_ACTIVE, scan)) return LAYERS_COUNT;
    std::vector<MeshLayer> layers = MeshLayers(scan);
    LayerFailure failure = LAYERS_OK;
    out = SweepLayers();
    if (layers.empty() || layers.size() > 2) {
        failure = LAYERS_COUNT;
    } else if (layers.size() == 1) {
        out.target = layers[0].index;
    } else {
        const std::vector<std::string> chosen = SelectedItemIdentities(selection);
        // A mesh that cannot count its polygons (-1) counts as having none.
        const unsigned counts[2] = {unsigned(std::max(layers[0].mesh.NPolygons(), 0)),
                                    unsigned(std::max(layers[1].mesh.NPolygons(), 0))};
        const bool selected[2] = {IsSelected(layers[0].item, chosen), IsSelected(layers[1].item, chosen)};
        const int target = ChooseTargetLayer(counts, selected);
        if (target < 0) {
            failure = LAYERS_NO_PROFILE;
        } else {
            out.target = layers[target].index;
            out.hasProfile = true;
            if (!ReadFirstPolygon(layers[1 - target].mesh, out.profilePoints, out.profileNormal))
                failure = LAYERS_CUSTOM_PROFILE;
        }
    }
    scan.Apply();
    return failure;
}

std::vector<qk::Point> ReadSelectedPathPoints(CLxUser_SelectionService &selection) {
    std::vector<qk::Point> points;
    CLxUser_VertexPacketTranslation packets;
    if (!packets.autoInit()) return points;
    const unsigned count = unsigned(std::max(selection.Count(LXiSEL_VERTEX), 0));
    points.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        void *packet = selection.ByIndex(LXiSEL_VERTEX, i);
        LXtPointID id = nullptr;
        void *meshObj = nullptr;
        CLxUser_Mesh mesh;
        CLxUser_Point vertex;
        LXtFVector pos = {0.0f, 0.0f, 0.0f};
        if (!packet || LXx_FAIL(packets.Vertex(packet, &id)) || LXx_FAIL(packets.Mesh(packet, &meshObj)) ||
            !mesh.take(meshObj) || !mesh.GetPoints(vertex) || LXx_FAIL(vertex.Select(id)) ||
            LXx_FAIL(vertex.Pos(pos)))
            continue;
        points.push_back(qk::Point{double(pos[0]), double(pos[1]), double(pos[2]), id});
    }
    return points;
}

bool ReadTargetTransforms(CLxUser_LayerService &layerService, CLxUser_SelectionService &selection,
                          unsigned target, Matrix4 matrices[4]) {
    CLxUser_LayerScan scan;
    if (!layerService.BeginScan(LXf_LAYERSCAN_ACTIVE, scan)) return false;
    CLxUser_Item item;
    qk::ItemXfrm xf;
    const bool read = scan.ItemByIndex(target, item) && qk::ReadItemXfrm(item, selection.GetTime(), xf);
    scan.Apply();
    if (!read) return false;
    matrices[0] = xf.world;
    matrices[1] = xf.scale;
    matrices[2] = xf.rotation;
    matrices[3] = xf.position;
    return true;
}

namespace {

bool AllFit(const std::vector<Vector3> &positions) {
    for (const Vector3 &p : positions)
        if (!qk::math::FitsSinglePrecision(p)) return false;
    return true;
}

struct MeshAccess {
    CLxUser_Mesh mesh;
    CLxUser_Point points;
    CLxUser_Polygon polygons;
    CLxUser_MeshMap maps;
    CLxUser_StringTag tags;

    bool Open(CLxUser_LayerScan &scan, unsigned layer) {
        return scan.EditMeshByIndex(layer, mesh) && mesh.GetPoints(points) && mesh.GetPolygons(polygons) &&
               mesh.GetMaps(maps) && tags.set(static_cast<ILxUnknownID>(polygons));
    }
};

bool WritePolygons(MeshAccess &m, LXtMeshMapID map, const SweepOutput &output, bool makeUVs,
                   const std::vector<LXtPointID> &ids) {
    const std::vector<int> &starts = output.PolygonStarts();
    const std::vector<int> &corners = output.CornerVertices();
    const std::vector<UVPair> &uvs = output.CornerUVs();
    makeUVs = makeUVs && uvs.size() == corners.size();
    LXtPointID vertices[64];
    std::vector<LXtPointID> wide;
    for (std::size_t p = 0; p + 1 < starts.size(); ++p) {
        const unsigned first = unsigned(starts[p]), count = unsigned(starts[p + 1] - starts[p]);
        LXtPointID *list = vertices;
        if (count > 64) {
            wide.resize(count);
            list = wide.data();
        }
        for (unsigned k = 0; k < count; ++k) list[k] = ids[std::size_t(corners[first + k])];
        LXtPolygonID polygon = nullptr;
        if (LXx_FAIL(m.polygons.New(LXiPTYP_FACE, list, count, 0, &polygon)) ||
            LXx_FAIL(m.polygons.Select(polygon)) || LXx_FAIL(m.tags.Set(LXi_PTAG_PART, SWEEPER_PART_NAME)))
            return false;
        if (!makeUVs) continue;
        for (unsigned k = 0; k < count; ++k) {
            const float uv[2] = {float(uvs[first + k].u), float(uvs[first + k].v)};
            if (LXx_FAIL(m.polygons.SetMapValue(list[k], map, uv))) return false;
        }
    }
    return true;
}

}  // namespace

WriteResult WriteSweptMesh(CLxUser_LayerService &layerService, unsigned target, const SweepOutput &output,
                           bool makeUVs, std::vector<LXtPointID> &pointIds) {
    const std::vector<Vector3> &positions = output.Positions();
    if (!AllFit(positions)) return WRITE_NOT_FINITE;
    CLxUser_LayerScan scan;
    MeshAccess m;
    if (!layerService.BeginScan(kWriteScanFlags, scan) || scan.NumLayers() <= target || !m.Open(scan, target))
        return WRITE_FAILED;
    // Without the map no polygon can be made; looked up first, so no vertex is left behind alone.
    if (LXx_FAIL(m.maps.SelectByName(LXi_VMAP_TEXTUREUV, SWEEPER_UV_MAP_NAME))) return WRITE_NO_UV_MAP;
    const LXtMeshMapID map = m.maps.ID();
    pointIds.resize(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        if (LXx_FAIL(m.points.New(positions[i], &pointIds[i]))) return WRITE_FAILED;
    if (!WritePolygons(m, map, output, makeUVs, pointIds)) return WRITE_FAILED;
    scan.SetMeshChange(target, LXf_MESHEDIT_POINTS | LXf_MESHEDIT_POLYGONS);
    return LXx_OK(scan.Apply()) ? WRITE_OK : WRITE_FAILED;
}

}  // namespace gORVA_Tools_Sweeper
