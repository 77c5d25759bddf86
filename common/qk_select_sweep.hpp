// Filling a selection in one sweep from element lists gathered per layer, under a progress monitor
// of at most kMaxProgressSteps steps. Shared by the select commands.
#pragma once

#include <cstddef>
#include <vector>

#include "lx_dialog.hpp"
#include "lx_layer.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"

namespace qk {

/// Title of the monitor shown while a selection is filled.
inline constexpr const char *kMonitorTitle = "Selecting geometry...";
/// Upper bound of the monitor steps, however many elements are selected.
inline constexpr std::size_t kMaxProgressSteps = 50;

/// Step plan of a monitor: one step every `stride` elements, `steps` steps in all (0 for no elements).
/// The stride is rounded up so that the steps taken never exceed the steps announced.
struct ProgressPlan {
    std::size_t steps = 0;
    std::size_t stride = 1;
};

/// Plan for `total` elements: steps <= kMaxProgressSteps, steps * stride <= total, stride >= 1.
inline ProgressPlan PlanProgress(std::size_t total) {
    ProgressPlan plan;
    if (total == 0) return plan;
    plan.stride = (total + kMaxProgressSteps - 1) / kMaxProgressSteps;
    plan.steps = total / plan.stride;
    return plan;
}

/// Counts selected elements and steps the monitor at every stride; remembers an abort.
class ProgressCounter {
public:
    /// `monitor` may be unbound; then nothing is stepped.
    ProgressCounter(CLxUser_Monitor &monitor, const ProgressPlan &plan)
        : m_monitor(monitor), m_stride(plan.stride), m_next(plan.stride) {}
    /// Counts one element; false when the user aborted at this step (no steps follow an abort).
    bool Count() {
        if (++m_count != m_next || m_aborted) return true;
        m_next += m_stride;
        if (!m_monitor.test()) return true;
        m_aborted = m_monitor.Step(1);
        return !m_aborted;
    }

private:
    CLxUser_Monitor &m_monitor;
    std::size_t m_stride;
    std::size_t m_next;
    std::size_t m_count = 0;
    bool m_aborted = false;
};

/// Number of elements of a selection type ('VERX', 'EDGE', 'POLY') in a mesh; 0 for other types.
inline unsigned ElementCount(CLxUser_Mesh &mesh, LXtID4 type) {
    if (type == LXiSEL_VERX) return mesh.NPoints();
    if (type == LXiSEL_EDGE) return mesh.NEdges();
    if (type == LXiSEL_POLY) return mesh.NPolygons();
    return 0;
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
    const ProgressPlan plan = PlanProgress(TotalCount(perLayer));
    CLxUser_StdDialogService dialogs;
    CLxUser_Monitor monitor;
    const bool allocated = dialogs.test() && dialogs.MonitorAllocate(kMonitorTitle, monitor);
    if (monitor.test()) monitor.Init(unsigned(plan.steps));

    ProgressCounter counter(monitor, plan);
    for (unsigned layer = 0; layer < perLayer.size(); ++layer) {
        CLxUser_Mesh mesh;
        if (perLayer[layer].empty() || !scan.BaseMeshByIndex(layer, mesh)) continue;
        for (const Element &element : perLayer[layer]) {
            void *packet = packetOf(mesh, element);
            if (packet) selection.Select(type, packet);
            if (!counter.Count()) break;
        }
    }
    if (allocated) dialogs.MonitorRelease();
}

}  // namespace qk
