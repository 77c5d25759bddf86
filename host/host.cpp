#include "host/host.hpp"

#include <chrono>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/bridge/services.hpp"
#include "host/tool_runtime/tool_host.hpp"
#include "lx_module.hpp"

namespace gorva::host {

ILxUnknownID NewService(Host &host, const char *iid, ILxUnknownID scene);

bool ServerInfo::IsCommand() const {
    return std::find(interfaces.begin(), interfaces.end(), "ILxCommand") != interfaces.end();
}

bool ServerInfo::IsTool() const {
    return std::find(interfaces.begin(), interfaces.end(), "ILxTool") != interfaces.end();
}

/// The root object the module reaches every service through.
struct Host::RootObject final : HostObject<Host::RootObject, ILxHostRoot> {
    explicit RootObject(Host &h) : host(h), scene(NewSceneObject(h)) {}
    ~RootObject() override { scene->Release(); }
    LxResult Service(const char *iid, void **ppvObj) override {
        ILxUnknownID svc = iid ? NewService(host, iid, scene) : nullptr;
        if (!svc) return LXe_NOTFOUND;
        // The service was created with its interface as the first base; hand it through QI for safety.
        LxResult r = svc->QueryInterface(iid, ppvObj);
        svc->Release();
        return r;
    }
    Host &host;
    ILxUnknownID scene;
};

double Host::Clock::Now() const {
    if (scripted) return seconds;
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Host::Host(const std::string &configDir) {
    m_root = new RootObject(*this);
    m_tools = std::make_unique<ToolHost>(*this);
    std::string error;
    if (!LoadConfigDir(configDir.empty() ? std::string(GORVA_CONFIG_DIR) : configDir, config, error))
        log.push_back({0, "configuration: " + error});
    m_prefs["units.upAxis"] = "1";
    journal.onMeshShrunk = [this](MeshData *mesh) { selection.PurgeMesh(*mesh); };
    scene.onItemRemoved = [this](ItemData *item) {
        selection.PurgeItem(*item);
        if (m_activeSet.erase(item))
            m_active.erase(std::remove(m_active.begin(), m_active.end(), item), m_active.end());
        if (m_primary == item) m_primary = nullptr;
        if (refSystem == item->ident) refSystem.clear();
    };
    RegisterBuiltinCommands();
    Install();
}

Host::~Host() {
    m_tools.reset();
    for (auto &f : m_factories) f.second->Release();
    m_factories.clear();
    selection.ClearAll();
    m_active.clear();
    m_activeSet.clear();
    scene.Clear();
    if (lx::HostRoot() == static_cast<ILxUnknownID>(m_root)) lx::SetHostRoot(nullptr);
    if (m_library) dlclose(m_library);
    m_root->Release();
}

ILxUnknownID Host::Root() {
    return m_root;
}

void Host::Install() {
    lx::SetHostRoot(m_root);
}

bool Host::LoadPlugin(const std::string &path, std::string &error) {
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char *e = dlerror();
        error = "cannot load " + path + ": " + (e ? e : "unknown error");
        return false;
    }
    using Entry = LxResult (*)(ILxUnknownID, void **);
    auto entry = reinterpret_cast<Entry>(dlsym(lib, "ILxModule_Create"));
    void *module = nullptr;
    if (!entry || LXx_FAIL(entry(Root(), &module)) || !module) {
        error = path + " has no usable ILxModule_Create entry point";
        dlclose(lib);
        return false;
    }
    if (m_library) dlclose(m_library);
    m_library = lib;
    AttachModule(static_cast<ILxModule *>(module));
    return true;
}

void Host::AttachModule(ILxModule *module) {
    for (auto &f : m_factories) f.second->Release();
    m_factories.clear();
    m_servers.clear();
    m_module = module;
    unsigned count = 0;
    module->ServerCount(&count);
    for (unsigned i = 0; i < count; ++i) {
        void *f = nullptr;
        if (LXx_FAIL(module->ServerByIndex(i, &f)) || !f) continue;
        ILxFactory *factory = static_cast<ILxFactory *>(f);
        ServerInfo info;
        const char *name = nullptr;
        factory->Name(&name);
        info.name = name ? name : "";
        unsigned n = 0;
        factory->InterfaceCount(&n);
        for (unsigned k = 0; k < n; ++k) {
            const char *iname = nullptr;
            if (LXx_OK(factory->InterfaceName(k, &iname)) && iname) info.interfaces.push_back(iname);
        }
        m_servers.push_back(info);
        m_factories.emplace_back(info.name, factory);
    }
}

ILxUnknownID Host::SpawnServer(const std::string &name) {
    for (auto &f : m_factories) {
        if (f.first != name) continue;
        void *obj = nullptr;
        if (LXx_FAIL(static_cast<ILxFactory *>(f.second)->Spawn(&obj))) return nullptr;
        return static_cast<ILxUnknownID>(obj);
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

std::string MessageTextOf(Host &host, CLxUser_Message &msg) {
    CLxUser_MessageService svc;
    std::string text = svc.test() ? svc.GetText(msg) : std::string();
    if (text.empty() && !msg.GetKey().empty()) text = msg.GetTable() + ": " + msg.GetKey();
    return text;
}

/// Spawns a command and sets its arguments; the reason in `result` when that fails.
bool PrepareCommand(Host &host, const std::string &name, const std::vector<CommandArg> &args,
                    CLxUser_Command &cmd, CommandResult &result) {
    ILxUnknownID obj = nullptr;
    if (const HostCommandDef *def = host.FindHostCommand(name))
        obj = NewHostCommandObject(host, *def);
    else {
        for (const auto &s : host.Servers())
            if (s.name == name && s.IsCommand()) obj = host.SpawnServer(name);
    }
    if (!obj) {
        result = {LXe_NOTFOUND, "unknown command \"" + name + "\""};
        return false;
    }
    cmd.take(obj);
    CLxUser_Attributes attrs;
    attrs.set(static_cast<ILxUnknownID>(cmd));
    unsigned count = attrs.test() ? attrs.Count() : 0;
    for (size_t k = 0; k < args.size(); ++k) {
        int index = args[k].name.empty() ? int(k) : attrs.test() ? attrs.FindIndex(args[k].name.c_str()) : -1;
        if (index < 0 || unsigned(index) >= count) {
            std::string which = args[k].name.empty() ? "argument " + std::to_string(k + 1)
                                                     : "argument \"" + args[k].name + "\"";
            result = {LXe_INVALIDARG, name + " has no " + which};
            return false;
        }
        if (LXx_FAIL(attrs.SetString(unsigned(index), args[k].value.c_str()))) {
            const char *argName = nullptr;
            attrs.loc()->Name(unsigned(index), &argName);
            result = {LXe_INVALIDARG, "bad value \"" + args[k].value + "\" for " +
                                          (argName ? argName : "argument") + " (" +
                                          attrs.TypeName(unsigned(index)) + ")"};
            return false;
        }
    }
    return true;
}

}  // namespace

CommandResult Host::TestEnable(const std::string &name, const std::vector<CommandArg> &args) {
    Install();
    CLxUser_Command cmd;
    CommandResult result;
    if (!PrepareCommand(*this, name, args, cmd, result)) return result;
    CLxUser_Message msg;
    CLxUser_MessageService svc;
    svc.NewMessage(msg);
    if (LXx_FAIL(cmd.Enable(msg))) {
        std::string text = MessageTextOf(*this, msg);
        return {LXe_CMD_DISABLED, text.empty() ? name + " is disabled" : text};
    }
    return result;
}

CommandResult Host::Run(const std::string &name, const std::vector<CommandArg> &args) {
    Install();
    CLxUser_Command cmd;
    CommandResult result;
    if (!PrepareCommand(*this, name, args, cmd, result)) return result;
    CLxUser_Message enableMsg;
    CLxUser_MessageService svc;
    svc.NewMessage(enableMsg);
    if (LXx_FAIL(cmd.Enable(enableMsg))) {
        std::string text = MessageTextOf(*this, enableMsg);
        return {LXe_CMD_DISABLED, text.empty() ? name + " is disabled" : text};
    }
    // One undo step: a command that reports failure leaves the scene and the selection as it found
    // them. The tool commands keep the active tool's own step instead (render only looks at it);
    // any other command applies the active tool first.
    bool toolCommand = m_tools->PrepareCommand(name);
    selection.BeginUndo();
    Journal::Token token = toolCommand ? 0 : journal.Begin();
    LxResult executed = cmd.Execute(0);
    CLxUser_Message msg;
    void *m = nullptr;
    LxResult code = executed;
    if (LXx_OK(cmd.loc()->Message(&m)) && m && msg.take(m) && LXx_FAIL(msg.Code())) code = msg.Code();
    if (LXx_FAIL(code)) {
        if (!toolCommand) journal.Rollback(token);
        selection.Undo();
        std::string text = msg.test() ? MessageTextOf(*this, msg) : std::string();
        return {code, text.empty() ? name + " failed" : text};
    }
    if (!toolCommand) journal.Commit(token);
    selection.EndUndo();
    return result;
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
        char *end = nullptr;
        double v = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != '\0' || !std::isfinite(v)) {
            error = "user value \"" + name + "\" needs a number, not \"" + value + "\"";
            return false;
        }
        if ((d.type == "integer" || d.type == "boolean") &&
            (v != std::floor(v) || std::fabs(v) > 2147483647.0)) {
            error = "user value \"" + name + "\" needs a whole number, not \"" + value + "\"";
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
    if (m_tools->Active()) m_tools->Deactivate(false);
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
