#include "host/host.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/bridge/attributes_ref.hpp"
#include "host/base/numbers.hpp"
#include "host/bridge/services.hpp"

#include <lxcommand.h>
#include <lxlog.h>
#include <lxserver.h>
#include <lxtool.h>
#include <lxvalue.h>
#include <lxvmodel.h>

namespace gorva::host {

namespace {

Host *g_current = nullptr;

/// The interfaces the host looks for on a server instance, in the order ServerInfo lists them.
struct KnownInterface {
    const char *name;
    const char *guid;
};
constexpr KnownInterface kKnownInterfaces[] = {
    {"ILxTool", LXu_TOOL},
    {"ILxToolModel", LXu_TOOLMODEL},
    {"ILxCommand", LXu_COMMAND},
    {"ILxAttributes", LXu_ATTRIBUTES},
    {"ILxAttributesUI", LXu_ATTRIBUTESUI},
};

/// The interfaces an instance offers: the default one first, then the others in table order.
std::vector<std::string> InterfacesOf(LXtObjectID instance, const LXtGUID &byDefault) {
    std::vector<std::string> names;
    for (const KnownInterface &k : kKnownInterfaces)
        if (SameGuid(GuidFromString(k.guid), byDefault)) names.push_back(k.name);
    for (const KnownInterface &k : kKnownInterfaces) {
        const LXtGUID g = GuidFromString(k.guid);
        if (SameGuid(g, byDefault)) continue;
        if (LXtObjectID ifc = ObjQuery(instance, g)) {
            ObjRelease(ifc);
            names.push_back(k.name);
        }
    }
    return names;
}

}  // namespace

Host &CurrentHost() {
    return Host::Current();
}

Host &Host::Current() {
    return *g_current;
}

bool ServerInfo::IsCommand() const {
    return std::find(interfaces.begin(), interfaces.end(), "ILxCommand") != interfaces.end();
}

bool ServerInfo::IsTool() const {
    return std::find(interfaces.begin(), interfaces.end(), "ILxTool") != interfaces.end();
}

void Host::Setup(const std::string &configDir) {
    Install();
    std::string error;
    if (!LoadConfigDir(configDir.empty() ? std::string(GORVA_CONFIG_DIR) : configDir, config, error))
        log.push_back({0, "configuration: " + error});
    m_prefs["units.upAxis"] = "1";
    journal.onMeshShrunk = [this](MeshData *mesh) { selection.PurgeMesh(*mesh); };
    journal.onSelectionUndo = [this](const Journal::SelectionNote &note) { selection.TakeBack(note); };
    scene.onItemRemoved = [this](ItemData *item) {
        selection.PurgeItem(*item);
        if (m_activeSet.erase(item))
            m_active.erase(std::remove(m_active.begin(), m_active.end(), item), m_active.end());
        if (m_primary == item) m_primary = nullptr;
        if (refSystem == item->ident) refSystem.clear();
    };
}

Host::~Host() {
    m_tools.reset();
    selection.ClearAll();
    m_active.clear();
    m_activeSet.clear();
    scene.Clear();
    if (m_module) ObjRelease(m_module);
    if (g_current == this) g_current = nullptr;
}

void Host::Install() {
    g_current = this;
}

namespace {

/// The module object of a library, created once per process: a module frees its globals when its
/// last reference goes and cannot be entered again in the same load, so the process keeps one.
LXtObjectID LoadedModule(const std::string &path, std::string &error) {
    static std::map<std::string, LXtObjectID> modules;
    auto found = modules.find(path);
    if (found != modules.end()) return found->second;
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char *e = dlerror();
        error = "cannot load " + path + ": " + (e ? e : "unknown error");
        return nullptr;
    }
    using Entry = LXtObjectID (*)();
    auto entry = reinterpret_cast<Entry>(dlsym(lib, "_ILxModule_Create"));
    LXtObjectID module = entry ? entry() : nullptr;
    if (!module) {
        error = path + " has no usable _ILxModule_Create entry point";
        dlclose(lib);
        return nullptr;
    }
    modules[path] = module;
    return module;
}

}  // namespace

bool Host::LoadPlugin(const std::string &path, std::string &error) {
    LXtObjectID module = LoadedModule(path, error);
    if (!module) return false;
    AttachModule(module);
    return true;
}

void Host::AttachModule(LXtObjectID module) {
    ObjAddRef(module);
    if (m_module) ObjRelease(m_module);
    m_module = module;
    m_servers.clear();
    m_serverGuids.clear();
    ComRef mod(module);
    ObjAddRef(module);
    if (ComRef context = mod.Query(GuidFromString(LXu_NEEDCONTEXT)))
        context.Call(&ILxNeedContext::SetContext, GlobalObject());  // handed over with its reference
    ComRef tags = mod.Query(GuidFromString(LXu_TAGDESCRIPTION));
    if (!tags) return;
    const unsigned count = tags.Call(&ILxTagDescription::Count);
    for (unsigned i = 0; i < count; ++i) {
        LXtTagInfoDesc desc{};
        if (LXx_FAIL(tags.Call(&ILxTagDescription::Describe, i, &desc)) || !desc.info || !desc.guid) continue;
        if (!desc.type || std::string(desc.type) != LXsMOD_SERVER) continue;
        ServerInfo info;
        info.name = desc.info;
        m_servers.push_back(info);
        m_serverGuids.push_back(*desc.guid);
        if (LXtObjectID instance = SpawnServer(info.name)) {
            m_servers.back().interfaces = InterfacesOf(instance, *desc.guid);
            ObjRelease(instance);
        }
    }
}

LXtObjectID Host::SpawnServer(const std::string &name) {
    if (!m_module) return nullptr;
    for (size_t i = 0; i < m_servers.size(); ++i) {
        if (m_servers[i].name != name) continue;
        void *obj = nullptr;
        auto vt = VtOf<ILxModule>(m_module);
        if (LXx_FAIL(vt->Generate(m_module, name.c_str(), &m_serverGuids[i], &obj))) return nullptr;
        return obj;
    }
    return nullptr;
}

// ---- commands

void Host::RegisterCommand(HostCommandDef def) {
    std::string name = def.name;
    m_commands[name] = std::move(def);
}

bool Host::HasCommand(const std::string &name) const {
    if (m_commands.count(name)) return true;
    for (const auto &s : m_servers)
        if (s.name == name && s.IsCommand()) return true;
    return false;
}

bool Host::HasTool(const std::string &name) const {
    for (const auto &s : m_servers)
        if (s.name == name && s.IsTool()) return true;
    return false;
}

const HostCommandDef *Host::FindHostCommand(const std::string &name) const {
    auto it = m_commands.find(name);
    return it == m_commands.end() ? nullptr : &it->second;
}

namespace {

/// The text a message shows, or "table: key" when the tables lack it.
std::string ShownText(LXtObjectID msg) {
    return msg ? MessageTextOf(msg) : std::string();
}

/// Spawns a command and sets its arguments; the reason in `result` when that fails.
bool PrepareCommand(Host &host, const std::string &name, const std::vector<CommandArg> &args, ComRef &cmd,
                    CommandResult &result) {
    LXtObjectID obj = nullptr;
    if (const HostCommandDef *def = host.FindHostCommand(name))
        obj = NewHostCommandObject(host, *def);
    else {
        for (const auto &s : host.Servers())
            if (s.name == name && s.IsCommand()) obj = host.SpawnServer(name);
    }
    ComRef spawned(obj);
    cmd = spawned.Query(GuidFromString(LXu_COMMAND));
    if (!cmd) {
        result = {LXe_NOTFOUND, "unknown command \"" + name + "\""};
        return false;
    }
    AttributesRef attrs(cmd.get());
    const unsigned count = attrs.Count();
    for (size_t k = 0; k < args.size(); ++k) {
        int index = args[k].name.empty() ? int(k) : attrs.FindIndex(args[k].name);
        if (index < 0 || unsigned(index) >= count) {
            std::string which = args[k].name.empty() ? "argument " + std::to_string(k + 1)
                                                     : "argument \"" + args[k].name + "\"";
            result = {LXe_INVALIDARG, name + " has no " + which};
            return false;
        }
        if (LXx_FAIL(attrs.SetText(unsigned(index), args[k].value))) {
            const std::string argName = attrs.Name(unsigned(index));
            result = {LXe_INVALIDARG, "bad value \"" + args[k].value + "\" for " +
                                          (argName.empty() ? "argument" : argName) + " (" +
                                          attrs.TypeName(unsigned(index)) + ")"};
            return false;
        }
    }
    return true;
}

/// Asks the command whether it may run; the message's text when it may not.
bool Enabled(Host &host, const std::string &name, const ComRef &cmd, CommandResult &result) {
    ComRef msg(NewMessageObject(host));
    if (LXx_OK(cmd.Call(&ILxCommand::Enable, msg.get()))) return true;
    std::string text = ShownText(msg.get());
    result = {LXe_CMD_DISABLED, text.empty() ? name + " is disabled" : text};
    return false;
}

/// Keeps the name of the module's command that is running for the lines it logs.
class RunningCommand {
public:
    RunningCommand(std::vector<std::string> &running, const std::string &name) : m_running(running) {
        m_running.push_back(name);
    }
    ~RunningCommand() { m_running.pop_back(); }
    RunningCommand(const RunningCommand &) = delete;
    RunningCommand &operator=(const RunningCommand &) = delete;

private:
    std::vector<std::string> &m_running;
};

}  // namespace

CommandResult Host::TestEnable(const std::string &name, const std::vector<CommandArg> &args) {
    Install();
    ComRef cmd;
    CommandResult result;
    if (!PrepareCommand(*this, name, args, cmd, result)) return result;
    Enabled(*this, name, cmd, result);
    return result;
}

CommandResult Host::Run(const std::string &name, const std::vector<CommandArg> &args) {
    Install();
    ComRef cmd;
    CommandResult result;
    if (!PrepareCommand(*this, name, args, cmd, result)) return result;
    const bool moduleCommand = FindHostCommand(name) == nullptr;
    if (!Enabled(*this, name, cmd, result)) {
        if (moduleCommand) LogDisabled(name, result.message, false);
        return result;
    }
    std::vector<std::string> none;
    RunningCommand running(moduleCommand ? m_runningCommands : none, name);
    // One undo step: a command that reports failure leaves the scene and the selection as it found
    // them. The tool commands open none and work in the active tool's own savepoint (render only
    // looks at it); any other command applies the active tool first.
    bool toolCommand = m_tools->PrepareCommand(name);
    Journal::Token token = toolCommand ? 0 : journal.Begin(Journal::Scope::Step);
    cmd.Call(&ILxCommand::Execute, 0u);
    void *m = nullptr;
    ComRef msg(LXx_OK(cmd.Call(&ILxCommand::Message, &m)) ? m : nullptr);
    const LxResult code = msg ? MessageCodeOf(msg.get()) : LXe_OK;
    if (LXx_FAIL(code)) {
        if (!toolCommand) journal.Rollback(token);
        std::string text = ShownText(msg.get());
        return {code, text.empty() ? name + " failed" : text};
    }
    if (!toolCommand) journal.Commit(token);
    return result;
}

void Host::AddLog(unsigned level, const std::string &text) {
    log.push_back({level, text, SpeakingServer()});
    if (onLog) onLog(log.back());
}

void Host::LogDisabled(const std::string &server, const std::string &reason, bool show) {
    log.push_back({LXi_DBLOG_ERROR, "not enabled: " + reason, server});
    if (show && onLog) onLog(log.back());
}

std::string Host::SpeakingServer() const {
    if (!m_runningCommands.empty()) return m_runningCommands.back();
    return m_tools ? m_tools->ActiveName() : std::string();
}

CommandResult Host::RunLine(const std::string &line) {
    std::string name, error;
    std::vector<CommandArg> args;
    if (!ParseCommandLine(line, name, args, error)) return {LXe_INVALIDARG, error};
    if (name.empty()) return {};
    return Run(name, args);
}

std::vector<std::string> Host::HostCommandNames() const {
    std::vector<std::string> names;
    for (const auto &c : m_commands) names.push_back(c.first);
    return names;
}

// ---- layers

std::vector<ItemData *> Host::ActiveLayers() const {
    std::vector<ItemData *> layers;
    for (const auto &item : scene.Items())
        if (IsActive(*item)) layers.push_back(item.get());
    return layers;
}

bool Host::IsActive(const ItemData &item) const {
    return m_activeSet.count(&item) != 0;
}

void Host::SetActive(ItemData &item, bool active) {
    bool now = IsActive(item);
    if (active && !now && item.mesh) {
        m_active.push_back(&item);
        m_activeSet.insert(&item);
    }
    if (!active && now) {
        m_activeSet.erase(&item);
        m_active.erase(std::remove(m_active.begin(), m_active.end(), &item), m_active.end());
    }
}

ItemData *Host::Primary() const {
    if (m_primary && IsActive(*m_primary)) return m_primary;
    auto layers = ActiveLayers();
    return layers.empty() ? nullptr : layers.front();
}

// ---- settings

const std::string *Host::UserValue(const std::string &name) const {
    auto it = m_userValues.find(name);
    if (it != m_userValues.end()) return &it->second;
    auto def = config.userValues.find(name);
    return def == config.userValues.end() ? nullptr : &def->second.defaultValue;
}

bool Host::SetUserValue(const std::string &name, const std::string &value, std::string &error, bool define) {
    auto def = config.userValues.find(name);
    if (def == config.userValues.end()) {
        if (!define && !m_userValues.count(name)) {
            error = "no user value named \"" + name + "\"";
            return false;
        }
        m_userValues[name] = value;
        return true;
    }
    const UserValueDef &d = def->second;
    if (d.type != "string") {
        const bool whole = d.type == "integer" || d.type == "boolean";
        double v = 0.0;
        std::string reason;
        if (!ReadNumber(value, whole ? NumberKind::kWhole : NumberKind::kReal, v, reason)) {
            error = "user value \"" + name + "\" needs a " + (whole ? "whole " : "") + "number: " + reason;
            return false;
        }
        if ((d.min && v < *d.min) || (d.max && v > *d.max)) {
            error = "user value \"" + name + "\" is out of range";
            return false;
        }
    }
    m_userValues[name] = value;
    return true;
}

std::string Host::Preference(const std::string &name) const {
    auto it = m_prefs.find(name);
    return it == m_prefs.end() ? std::string() : it->second;
}

std::vector<std::string> Host::UserValueNames() const {
    std::vector<std::string> names;
    for (const auto &d : config.userValues) names.push_back(d.first);
    for (const auto &v : m_userValues)
        if (!config.userValues.count(v.first)) names.push_back(v.first);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Host::MessageText(const std::string &table, const std::string &key,
                              const std::vector<std::string> &args) const {
    const std::string *text = FindMessage(config, table, key);
    if (!text) return table + ": " + key;
    return FormatMessage(*text, args);
}

void Host::NewScene() {
    m_tools->DropActive();
    selection.ClearAll();
    m_active.clear();
    m_activeSet.clear();
    m_primary = nullptr;
    scene.Clear();
    refSystem.clear();
    monitors.clear();
    dialogs.clear();
    log.clear();
}

// ---- command lines

bool ParseCommandLine(const std::string &line, std::string &name, std::vector<CommandArg> &args,
                      std::string &error) {
    name.clear();
    args.clear();
    size_t i = 0, n = line.size();
    bool first = true;
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
        if (i >= n || line[i] == '#') break;
        std::string text, argName;
        bool quoted = false, sawQuote = false;
        for (; i < n; ++i) {
            char c = line[i];
            if (quoted) {
                if (c == '\\' && i + 1 < n && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    text += line[++i];
                } else if (c == '"') {
                    quoted = false;
                } else {
                    text += c;
                }
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') break;
            if (c == '"') {
                quoted = sawQuote = true;
            } else if (c == ':' && argName.empty() && !sawQuote && !text.empty() && !first &&
                       (std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_') &&
                       std::all_of(text.begin(), text.end(), [](char ch) {
                           return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_';
                       })) {
                argName = text;
                text.clear();
            } else {
                text += c;
            }
        }
        if (quoted) {
            error = "unbalanced double quote";
            return false;
        }
        if (first && text.empty()) {
            error = "a command name is needed";
            return false;
        }
        if (!argName.empty() && text.empty() && !sawQuote) {
            error = "argument \"" + argName + "\" has no value (write " + argName + ":\"\" for empty text)";
            return false;
        }
        if (first) {
            name = text;
            first = false;
        } else {
            args.push_back({argName, text});
        }
    }
    return true;
}

std::string FormatDistance(double metres) {
    if (!std::isfinite(metres)) return "-";
    double a = std::fabs(metres);
    const char *unit = "m";
    double v = metres;
    if (a == 0.0 || (a >= 1.0 && a < 1000.0)) {
    } else if (a >= 1000.0) {
        v = metres / 1000.0, unit = "km";
    } else if (a >= 0.001) {
        v = metres * 1000.0, unit = "mm";
    } else {
        v = metres * 1e6, unit = "um";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4g %s", v, unit);
    return buf;
}

}  // namespace gorva::host
