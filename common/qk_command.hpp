// Conventions shared by the module's commands: flags, the five selection notifiers, the
// selection type list, and enable messages where the last failing check's key stands.
#pragma once

#include <string>

#include "lx_command.hpp"
#include "lx_dialog.hpp"
#include "lx_mesh.hpp"
#include "lx_select.hpp"

namespace qk {

/// Command flags of the select commands and of the scene command.
constexpr int kSelectCommandFlags = 0x6000080;
constexpr int kSceneCommandFlags = 0x6000000;
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

/// Registers a command class under its server name with the command, attributes and attributes-UI
/// interfaces, in that order; returns what the registration returns.
template <class T>
LxResult RegisterCommand(const char *serverName) {
    auto *server = new CLxPolymorph<T>;
    server->AddInterface(new CLxIfc_Command<T>);
    server->AddInterface(new CLxIfc_Attributes<T>);
    server->AddInterface(new CLxIfc_AttributesUI<T>);
    return lx::AddServer(serverName, server);
}

/// Base of the module's commands: the shared notifiers.
class Command : public CLxBasicCommand {
public:
    bool basic_Notifier(int index, std::string &name, std::string &args) override {
        return SelectionNotifier(index, name, args);
    }
};

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
