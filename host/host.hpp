// The in-memory host: scene, layers, selection, user values, preferences, commands, dialogs and
// the log, offered to plug-ins through the SDK's interfaces (host/bridge/*_objects.cpp). Host sits
// with the bridge; the interactive tools reach it through ToolSession, and it is assembled (tools
// and its own commands) in host/scripting/host_commands.cpp.
//
// Active layers: the mesh items marked active, in scene (creation) order; the primary layer is
// the one set with SetPrimary, or the first active one. A layer scan with the primary flag holds
// the primary layer only.
//
// Layer scans: edits through a writable scan go straight into the meshes and are recorded; Apply
// keeps them, while a writable scan released without Apply takes them back, so an unapplied scan
// leaves the meshes as they were (marks and selection are not edits and stay).
#pragma once
#include "host/guard.hpp"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/model/config.hpp"
#include "host/model/document.hpp"
#include "host/model/journal.hpp"
#include "host/model/scene.hpp"
#include "host/model/selection.hpp"
#include <lxcom.h>

namespace gorva::host {

/// One progress monitor the module opened.
struct MonitorRecord {
    std::string title;
    unsigned total = 0;
    unsigned steps = 0;
    bool aborted = false;
};

/// One message dialog the module opened (never blocks).
struct DialogRecord {
    std::string title;
    std::string table;
    std::string key;
    std::string text;
    std::string helpUrl;
    LxResult code = 0;
};

/// One line of the host's log: its level (LXi_DBLOG_*: 1 errors, 2 normal, 3 trace, 4 verbose), its
/// text, and the server that wrote it (the running command, else the active tool; empty for the host).
struct LogLine {
    unsigned level;
    std::string text;
    std::string server{};
};

/// A parsed argument of a command line: positional when `name` is empty.
struct CommandArg {
    std::string name;
    std::string value;
};

/// Result of running a command: code, and the user-facing text on failure.
struct CommandResult {
    LxResult code = LXe_OK;
    std::string message;
    /// The server that refused, when it is not the command itself (a tool that `tool.set` activates).
    std::string server{};
    bool ok() const { return LXx_OK(code); }
};

class Host;
class ToolHost;

/// What running commands needs of the interactive tools (ToolHost, a layer up, implements it).
class ToolSession {
public:
    virtual ~ToolSession() = default;
    /// Called before every command: true for the commands that keep the active tool's own undo
    /// step; any other command applies the active tool first.
    virtual bool PrepareCommand(const std::string &name) = 0;
    /// The active tool's server name; empty when none is active.
    virtual const std::string &ActiveName() const = 0;
    /// Ends the active tool, taking its edits back; nothing when none is active.
    virtual void DropActive() = 0;
};

/// A host-side command: arguments by name and type, an execute body and an optional query.
struct HostCommandDef {
    std::string name;
    std::vector<std::pair<std::string, std::string>> args;  // (name, type name)
    std::function<CommandResult(Host &, const std::vector<std::string> &)> execute;
    /// Appends the values of argument `index` (given the other arguments) as texts; false when refused.
    std::function<bool(Host &, unsigned, const std::vector<std::string> &, std::vector<std::string> &)> query;
};

/// A server the loaded module registered.
struct ServerInfo {
    std::string name;
    /// The SDK interfaces an instance offers ("ILxTool", ...): the default interface first, then
    /// the others the host knows in a fixed order.
    std::vector<std::string> interfaces;
    bool IsCommand() const;
    bool IsTool() const;
};

class Host final : public Document {
public:
    /// Loads the configuration files from `configDir` (GORVA_CONFIG_DIR when empty) and becomes the
    /// host that in-process SDK calls reach.
    explicit Host(const std::string &configDir = std::string());
    ~Host() override;
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    // ---- plug-in
    /// Loads the module shared library and enters it through the SDK's _ILxModule_Create.
    bool LoadPlugin(const std::string &path, std::string &error);
    /// Uses a module object (ILxModule) already in the process, linked in statically: hands it the
    /// context once and reads its server table.
    void AttachModule(LXtObjectID module);
    const std::vector<ServerInfo> &Servers() const { return m_servers; }
    /// A new instance of a registered server (its default interface, with one reference), or null.
    LXtObjectID SpawnServer(const std::string &name);
    /// Makes this host the one that the SDK's calls from every loaded module reach.
    void Install();
    /// The host installed last; every host installs itself when constructed.
    static Host &Current();

    // ---- commands
    void RegisterCommand(HostCommandDef def);
    bool HasCommand(const std::string &name) const;
    /// True when the loaded module registered a tool server of this name.
    bool HasTool(const std::string &name) const;
    const HostCommandDef *FindHostCommand(const std::string &name) const;
    /// Names of the host's own commands, sorted.
    std::vector<std::string> HostCommandNames() const;
    /// Runs a command by name: arguments set, enable test, execution in one undo step that is
    /// rolled back when the command reports failure.
    CommandResult Run(const std::string &name, const std::vector<CommandArg> &args);
    /// Parses one command line (name, positional and name:value arguments, double quotes, # comments).
    CommandResult RunLine(const std::string &line);
    /// Enable test of a command with the given arguments; the message text when disabled.
    CommandResult TestEnable(const std::string &name, const std::vector<CommandArg> &args);

    // ---- layers
    std::vector<ItemData *> ActiveLayers() const;
    void SetActive(ItemData &item, bool active) override;
    void SetPrimary(ItemData *item) override { m_primary = item; }
    ItemData *Primary() const;
    bool IsActive(const ItemData &item) const override;

    // ---- settings
    /// Text of a user value (its default when never set), or null when undefined.
    const std::string *UserValue(const std::string &name) const;
    /// Sets a user value; refuses undefined names unless `define` is set, values out of range, and
    /// fractions for integer and boolean values.
    bool SetUserValue(const std::string &name, const std::string &value, std::string &error,
                      bool define = false);
    std::string Preference(const std::string &name) const override;
    /// Names of all user values, defined by the configuration or set with `define`, sorted.
    std::vector<std::string> UserValueNames() const;
    /// Every preference that has a value, by name.
    const std::map<std::string, std::string> &Preferences() const { return m_prefs; }
    void SetPreference(const std::string &name, const std::string &value) { m_prefs[name] = value; }
    /// Identity of the reference-system item, empty when none is set.
    std::string refSystem;
    /// Application version the platform service reports.
    int version = 801;
    /// The next monitor reports an abort at this step (counted from 1); -1 for never.
    int abortAtStep = -1;
    double time = 0.0;

    // ---- records
    std::vector<MonitorRecord> monitors;
    std::vector<DialogRecord> dialogs;
    std::vector<LogLine> log;
    std::function<void(const MonitorRecord &)> onMonitorStep;
    std::function<void(const DialogRecord &)> onDialog;
    /// Called for every line the module logs and for a tool that refuses to turn on (a command that
    /// refuses names itself in its own failure).
    std::function<void(const LogLine &)> onLog;
    /// Records a line the module logs, naming the server that is speaking, and passes it to onLog.
    void AddLog(unsigned level, const std::string &text);
    /// Records why a server refused to run (its enable message) as an error line of that server,
    /// passed to onLog when `show`.
    void LogDisabled(const std::string &server, const std::string &reason, bool show);
    /// The module's command that is running, else the active tool; empty when neither.
    std::string SpeakingServer() const;
    /// The text of a message (table, key) with its arguments, from the configuration.
    std::string MessageText(const std::string &table, const std::string &key,
                            const std::vector<std::string> &args) const;

    HostConfig config;
    Journal journal;
    Scene scene{journal};
    Selection selection{&journal};

    /// Clears the scene, selection, records and layers (settings stay); an active tool is dropped.
    void NewScene() override;
    /// The interactive tools: the active one and its viewport, mouse and packets (defined with them).
    ToolHost &Tools();

    // ---- the document files and pictures read and write
    Scene &Content() override { return scene; }
    const Scene &Content() const override { return scene; }
    Selection &Selected() override { return selection; }
    void Note(unsigned level, const std::string &text) override { log.push_back({level, text}); }

private:
    /// Everything but the tools and the host's own commands: configuration, records, callbacks.
    void Setup(const std::string &configDir);
    void RegisterBuiltinCommands();
    std::vector<ServerInfo> m_servers;
    LXtObjectID m_module = nullptr;      // one reference, released with the host
    std::vector<LXtGUID> m_serverGuids;  // default interface of each server, as m_servers
    std::map<std::string, HostCommandDef> m_commands;
    std::map<std::string, std::string> m_userValues;
    std::map<std::string, std::string> m_prefs;
    std::vector<ItemData *> m_active;
    std::unordered_set<const ItemData *> m_activeSet;
    ItemData *m_primary = nullptr;
    std::unique_ptr<ToolSession> m_tools;
    std::vector<std::string> m_runningCommands;
};

/// Parses a command line into its name and arguments; false with a reason on unbalanced quotes, an
/// empty command name ("") and an argument name without its value ("width:"; width:"" is empty text).
bool ParseCommandLine(const std::string &line, std::string &name, std::vector<CommandArg> &args,
                      std::string &error);

/// A distance in metres as the user reads it ("2 m", "250 mm").
std::string FormatDistance(double metres);

}  // namespace gorva::host
