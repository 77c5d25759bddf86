// Conventions shared by the module's commands: flags, the five selection notifiers, the
// selection type list, enable messages where the last failing check's key stands, and progress
// monitors stepped evenly over a list.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>

#include "lx_wrap.hpp"
#include "lx_io.hpp"
#include "lx_log.hpp"
#include "lx_stddialog.hpp"
#include "lx_value.hpp"
#include "lxu_command.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"
#include "lx_seltypes.hpp"

namespace qk {

/// Command flags of the select commands and of the scene command.
constexpr int kSelectCommandFlags = LXfCMD_UNDO | LXfCMD_SELECT;
constexpr int kSceneCommandFlags = LXfCMD_UNDO;
/// Version of the host the module is built for.
constexpr int kRequiredModoVersion = 801;

/// Vertices, edges, polygons, polygon tags, items, then the terminator.
extern const LXtID4 kSelectionTypes[6];

/// The five "select.event" notifiers (index 0..4); false for any other index, leaving name and args.
bool SelectionNotifier(int index, std::string &name, std::string &args);

/// Collects enable checks; a failing check overwrites the message of an earlier one.
class EnableReport {
public:
    EnableReport(CLxUser_Message &msg, const char *table) : m_msg(msg), m_table(table) {}
    /// Records a failed check with its key (none for a silent failure); returns `ok`.
    bool Check(bool ok, const char *key = nullptr);
    /// Adds the host version check with key "WrongModoVersion"; returns the overall result.
    bool Finish();
    bool Enabled() const { return m_enabled; }

private:
    CLxUser_Message &m_msg;
    const char *m_table;
    bool m_enabled = true;
};

/// Step plan of a monitor over `total` elements: min(total, mostSteps) steps, one every
/// total / steps elements (at least 1). No elements give 0 steps.
struct ProgressPlan {
    std::size_t steps = 0;
    std::size_t stride = 1;
};

/// The plan for `total` elements in at most `mostSteps` steps.
ProgressPlan PlanProgress(std::size_t total, std::size_t mostSteps);

/// A progress monitor over a list, stepped once every stride elements and never past the steps it
/// announced: the elements after the last announced step take none. Without a monitor it
/// only counts. Released when destroyed.
class ProgressMonitor {
public:
    /// Opens the monitor titled `title` for `total` elements in at most `mostSteps` steps.
    ProgressMonitor(const char *title, std::size_t total, std::size_t mostSteps);
    ~ProgressMonitor();
    ProgressMonitor(const ProgressMonitor &) = delete;
    ProgressMonitor &operator=(const ProgressMonitor &) = delete;

    /// Counts one element; false when the user aborted at this step (no steps follow an abort).
    bool Count();

private:
    CLxUser_StdDialogService m_dialogs;
    CLxUser_Monitor m_monitor;
    bool m_allocated = false;
    ProgressPlan m_plan;
    std::size_t m_count = 0;
    std::size_t m_taken = 0;
    bool m_aborted = false;
};

/// Base of the module's commands: the shared notifiers, the same for every command.
class Command : public CLxBasicCommand {
public:
    bool basic_Notifier(int index, std::string &name, std::string &args) final {
        return SelectionNotifier(index, name, args);
    }
};

/// Registers a command class under its server name with the command, attributes and attributes-UI
/// interfaces, in that order.
template <class T>
void RegisterCommand(const char *serverName) {
    // Every command answers the shared notifiers, which a qk::Command cannot replace.
    static_assert(std::is_base_of<Command, T>::value, "commands derive from qk::Command");
    auto *server = new CLxPolymorph<T>;
    server->AddInterface(new CLxIfc_Command<T>);
    server->AddInterface(new CLxIfc_Attributes<T>);
    server->AddInterface(new CLxIfc_AttributesUI<T>);
    lx::AddServer(serverName, server);
}

/// Base of the three select commands: the services they share and two mark modes, all elements
/// (no mark required) and selected elements (the "select" mark), composed when the command is made.
class SelectCommand : public Command {
public:
    SelectCommand();
    /// 0x6000080: undoable model command that changes the selection.
    int basic_CmdFlags() override { return kSelectCommandFlags; }

protected:
    CLxUser_SelectionService m_selection;
    CLxUser_MeshService m_meshService;
    CLxUser_LogService m_log;
    LXtMarkMode m_allMode = LXiMARK_ANY;
    LXtMarkMode m_selectedMode = LXiMARK_ANY;
};

}  // namespace qk
