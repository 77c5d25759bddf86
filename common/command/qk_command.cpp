#include "qk_command.hpp"

#include <algorithm>

#include "qk_tool_enable.hpp"

namespace qk {

const LXtID4 kSelectionTypes[6] = {LXiSEL_VERTEX, LXiSEL_EDGE, LXiSEL_POLYGON, LXiSEL_PTAG, LXiSEL_ITEM, 0};

bool SelectionNotifier(int index, std::string &name, std::string &args) {
    static const char *const kArgs[5] = {"vertex +d", "edge +d", "polygon +d", "ptag +d", "item +d"};
    if (index < 0 || index > 4) return false;
    name = "select.event";
    args = kArgs[index];
    return true;
}

bool EnableReport::Check(bool ok, const char *key) {
    if (ok) return true;
    m_enabled = false;
    if (key && m_msg.test()) m_msg.SetMessage(m_table, key, 0);
    return false;
}

SelectCommand::SelectCommand() {
    m_meshService.ModeCompose(nullptr, nullptr, &m_allMode);
    m_meshService.ModeCompose(LXsMARK_SELECT, nullptr, &m_selectedMode);
}

bool EnableReport::Finish() {
    Check(GetModoVersionNum() == kRequiredModoVersion, "WrongModoVersion");
    return m_enabled;
}

ProgressPlan PlanProgress(std::size_t total, std::size_t mostSteps) {
    ProgressPlan plan;
    plan.steps = std::min(total, mostSteps);
    if (plan.steps > 0) plan.stride = std::max<std::size_t>(1, total / plan.steps);
    return plan;
}

ProgressMonitor::ProgressMonitor(const char *title, std::size_t total, std::size_t mostSteps)
    : m_plan(PlanProgress(total, mostSteps)) {
    m_allocated = m_dialogs.MonitorAllocate(title, m_monitor);
    if (m_monitor.test()) m_monitor.Init(unsigned(m_plan.steps));
}

ProgressMonitor::~ProgressMonitor() {
    m_monitor.clear();
    if (m_allocated) m_dialogs.MonitorRelease();
}

bool ProgressMonitor::Count() {
    ++m_count;
    if (m_aborted || m_taken == m_plan.steps || m_count != (m_taken + 1) * m_plan.stride) return true;
    ++m_taken;
    if (!m_monitor.test()) return true;
    m_aborted = m_monitor.Step(1);
    return !m_aborted;
}

}  // namespace qk
