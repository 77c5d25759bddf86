// Filling a selection in one sweep from element lists gathered per layer, under a progress monitor
// of at most kMaxProgressSteps steps. Shared by the select commands.
#pragma once

#include <cstddef>
#include <vector>

#include "lx_wrap.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_seltypes.hpp"
#include "qk_command.hpp"

namespace qk {

/// Title of the monitor shown while a selection is filled.
inline constexpr const char *kMonitorTitle = "Selecting geometry...";
/// Upper bound of the monitor steps, however many elements are selected.
inline constexpr std::size_t kMaxProgressSteps = 50;

/// Number of elements of a selection type ('VERX', 'EDGE', 'POLY') in a mesh; 0 for other types and
/// when the mesh cannot count them.
inline unsigned ElementCount(CLxUser_Mesh &mesh, LXtID4 type) {
    int count = 0;
    if (type == LXiSEL_VERTEX) count = mesh.NPoints();
    if (type == LXiSEL_EDGE) count = mesh.NEdges();
    if (type == LXiSEL_POLYGON) count = mesh.NPolygons();
    return count > 0 ? unsigned(count) : 0u;
}

/// Sum of the sizes of the per-layer lists.
template <class Element>
std::size_t TotalCount(const std::vector<std::vector<Element>> &perLayer) {
    std::size_t total = 0;
    for (const auto &list : perLayer) total += list.size();
    return total;
}

/// Selects every listed element of every layer (list i belongs to layer i of the scan), stepping a
/// monitor. An abort skips the rest of the current layer only; later layers are still selected.
/// `packetOf(mesh, element)` returns the selection packet of an element, or null to skip it.
template <class Element, class PacketOf>
void SelectInOneSweep(CLxUser_SelectionService &selection, LXtID4 type, CLxUser_LayerScan &scan,
                      const std::vector<std::vector<Element>> &perLayer, PacketOf packetOf) {
    ProgressMonitor progress(kMonitorTitle, TotalCount(perLayer), kMaxProgressSteps);
    for (unsigned layer = 0; layer < perLayer.size(); ++layer) {
        CLxUser_Mesh mesh;
        if (perLayer[layer].empty() || !scan.BaseMeshByIndex(layer, mesh)) continue;
        for (const Element &element : perLayer[layer]) {
            void *packet = packetOf(mesh, element);
            if (packet) selection.Select(type, packet);
            if (!progress.Count()) break;
        }
    }
}

}  // namespace qk
