#include "qk_command.hpp"

#include "qk_tool_enable.hpp"

namespace qk {

const LXtID4 kSelectionTypes[6] = {LXiSEL_VERX, LXiSEL_EDGE, LXiSEL_POLY, LXiSEL_PTAG, LXiSEL_ITEM, 0};

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
    if (!m_meshService.test()) return;
    m_meshService.ModeCompose(nullptr, nullptr, &m_allMode);
    m_meshService.ModeCompose(LXsMARK_SELECT, nullptr, &m_selectedMode);
}

bool EnableReport::Finish() {
    Check(GetModoVersionNum() == kRequiredModoVersion, "WrongModoVersion");
    return m_enabled;
}

}  // namespace qk
