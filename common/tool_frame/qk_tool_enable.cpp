#include "qk_tool_enable.hpp"

#include <algorithm>
#include <string>

#include "lx_wrap.hpp"
#include "lx_action.hpp"
#include "lx_item.hpp"
#include "lx_scripts.hpp"
#include "lx_layer.hpp"
#include "lx_select.hpp"
#include "lx_value.hpp"
#include "lxidef.h"
#include "qk_command.hpp"
#include "qk_constants.hpp"
#include "qk_general_utils.hpp"
#include "qk_item_xfrm.hpp"
#include "qk_math.hpp"

namespace qk {

namespace {

// Scan of the active layers with their polygons (or vertices) marked.
constexpr unsigned kScanPolygons = LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKPOLYS;
constexpr unsigned kScanVertices = LXf_LAYERSCAN_ACTIVE | LXf_LAYERSCAN_MARKDVRTS;
constexpr unsigned kScanActive = LXf_LAYERSCAN_ACTIVE;

const char *const kRefSystemCommand = "item.refSystem";

LXtID4 CurrentSelectionType() {
    CLxUser_SelectionService sel;
    return sel.CurrentType(kSelectionTypes);
}

bool IsSelectionCountAtLeast(const char *typeName, int n) {
    CLxUser_SelectionService sel;
    const LXtID4 type = sel.LookupType(typeName);
    // A count the service cannot give (-1) is taken as none.
    const int count = type ? std::max(sel.Count(type), 0) : 0;
    return count >= n;
}

// Mesh element count of one layer; -1 when the mesh cannot count them.
using MeshCounter = int (CLxUser_Mesh::*)() const;

bool AnyLayerHasElements(unsigned scanFlags, MeshCounter counter) {
    CLxUser_LayerService layers;
    CLxUser_LayerScan scan;
    if (!layers.BeginScan(scanFlags, scan)) return false;
    bool found = false;
    const unsigned n = scan.NumLayers();
    for (unsigned i = 0; i < n && !found; ++i) {
        CLxUser_Mesh mesh;
        // A layer whose mesh cannot be read is passed over; the next may still hold geometry.
        if (!scan.BaseMeshByIndex(i, mesh)) continue;
        found = (mesh.*counter)() > 0;
    }
    scan.Apply();
    return found;
}

}  // namespace

int GetModoVersionNum() {
    CLxUser_PlatformService platform;
    int version = 0;
    if (LXx_FAIL(platform.AppVersion(&version))) return 0;
    return version;
}

bool IsComponentModeSelected() {
    const LXtID4 type = CurrentSelectionType();
    return type == LXiSEL_VERTEX || type == LXiSEL_EDGE || type == LXiSEL_POLYGON;
}

bool IsSetVertexMode() {
    return CurrentSelectionType() == LXiSEL_VERTEX;
}

bool IsSetVertexSelection(int n) {
    return IsSelectionCountAtLeast(LXsSELTYP_VERTEX, n);
}

bool IsSetPolygonSelection(int n) {
    return IsSelectionCountAtLeast(LXsSELTYP_POLYGON, n);
}

bool DoMeshItemsContainPolygons() {
    return AnyLayerHasElements(kScanPolygons, &CLxUser_Mesh::NPolygons);
}

bool DoMeshItemsContainVertices() {
    return AnyLayerHasElements(kScanVertices, &CLxUser_Mesh::NPoints);
}

bool IsSetItemTransform() {
    CLxUser_LayerService layers;
    CLxUser_LayerScan scan;
    if (!layers.BeginScan(kScanActive, scan)) return false;
    CLxUser_SelectionService sel;
    const double time = sel.GetTime();
    bool transformed = false;
    const unsigned n = scan.NumLayers();
    for (unsigned i = 0; i < n && !transformed; ++i) {
        CLxUser_Item item;
        math::Matrix4 world;
        if (!scan.ItemByIndex(i, item) || !ReadWorldMatrix(item, time, world)) continue;
        transformed = !math::Matrix4IsIdentity(world);
    }
    scan.Apply();
    return transformed;
}

bool IsSetItemRefSystem() {
    return !QueryCommandString(kRefSystemCommand).empty();
}

bool IsSetItemRefSecondaryLayer() {
    const std::string ref = QueryCommandString(kRefSystemCommand);
    if (ref.empty()) return false;
    // Compared with the layer that tools write into, the primary one (the first active layer unless
    // another is made primary).
    CLxUser_LayerService layers;
    CLxUser_LayerScan scan;
    if (!layers.BeginScan(LXf_LAYERSCAN_PRIMARY, scan)) return false;
    CLxUser_Item primary;
    const std::string primaryIdent = scan.ItemByIndex(0, primary) ? primary.GetIdentity() : std::string();
    scan.Apply();
    return primaryIdent != ref;
}

}  // namespace qk
