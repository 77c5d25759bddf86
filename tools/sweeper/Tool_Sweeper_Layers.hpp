// What the Sweeper reads from the scene and writes into it through the SDK: at path set-up the
// meshes of the active layers (the target, and the polygon of a custom profile), the selected path
// vertices and the target item's transforms; at each evaluation the swept mesh with its part tags and
// "Texture" UVs. Positions are single precision in the meshes and widened to double.
#pragma once

#include <vector>

#include "Tool_Sweeper_Output.hpp"
#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "qk_point.hpp"

namespace gORVA_Tools_Sweeper {

/// Why a set-up could not choose its meshes; LAYERS_OK when it could.
enum LayerFailure : int {
    LAYERS_OK = 0,
    LAYERS_COUNT,           ///< no mesh layer, or more than two
    LAYERS_NO_PROFILE,      ///< two layers, but neither (or both) supplies the profile polygon
    LAYERS_CUSTOM_PROFILE,  ///< the profile polygon cannot become a profile
    LAYERS_PROFILE_FLAT,    ///< the profile polygon has no width or height
    LAYERS_TRANSFORMS,      ///< the target item's transforms cannot be read
};

/// Message key of a layer failure in the tool's table; null for LAYERS_OK.
const char *LayerFailureKey(LayerFailure failure);

/// Which of two layers is the target (0 or 1) and so which holds the profile polygon: the profile is
/// the layer with exactly one polygon; when both have one, the target is the one whose item alone is
/// selected. -1 when neither or both hold a single polygon and the selection does not decide.
int ChooseTargetLayer(const unsigned counts[2], const bool selected[2]);

/// The meshes a set-up works with: the target layer's index in a scan of the active layers and,
/// with two layers, the first polygon of the other one (mesh coordinates, in vertex order).
struct SweepLayers {
    unsigned target = 0;
    bool hasProfile = false;
    std::vector<Vector3> profilePoints;
    Vector3 profileNormal;
};

/// Chooses the target and profile meshes among the active mesh layers.
LayerFailure ChooseSweepLayers(CLxUser_LayerService &layers, CLxUser_SelectionService &selection,
                               SweepLayers &out);

/// The selected vertices in selection order: mesh coordinates and vertex ids; a vertex whose packet
/// or position cannot be read is left out.
std::vector<qk::Point> ReadSelectedPathPoints(CLxUser_SelectionService &selection);

/// The target item's "worldMatrix", "wsclMatrix", "wrotMatrix" and "wposMatrix" at the current time, in
/// that order; false, matrices unchanged, when any cannot be read.
bool ReadTargetTransforms(CLxUser_LayerService &layers, CLxUser_SelectionService &selection, unsigned target,
                          Matrix4 matrices[4]);

/// How a write of the swept mesh ended.
enum WriteResult : int {
    WRITE_OK = 0,
    WRITE_NO_UV_MAP,   ///< the target has no "Texture" map: nothing written
    WRITE_NOT_FINITE,  ///< a position cannot be held by the mesh: nothing written
    WRITE_FAILED,      ///< the scan, mesh or an element failed: the scan is not applied
};

/// Writes the swept mesh into layer `target` of a scan of the active layers (writable): the
/// vertices, then each polygon (face, the part tag, and with makeUVs its corners' UVs in "Texture"),
/// declared as new points and polygons. The UV map is looked up and every position checked before
/// anything is made. pointIds is scratch storage kept between evaluations.
WriteResult WriteSweptMesh(CLxUser_LayerService &layers, unsigned target, const SweepOutput &output,
                           bool makeUVs, std::vector<LXtPointID> &pointIds);

}  // namespace gORVA_Tools_Sweeper
