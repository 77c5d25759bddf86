// The host's own commands as command objects (arguments, queries, execution) and the command service.
#include <map>
#include <new>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

class HostCommandObj final : public IfcCommand, public IfcAttributes {
public:
    HostCommandObj(Host &h, const HostCommandDef &def)
        : m_host(h), m_def(def), m_values(def.args.size()), m_message(NewMessageObject(h)) {}
    LxResult Flags(unsigned *f) override {
        *f = LXfCMD_MODEL;
        return LXe_OK;
    }
    LxResult UserName(const char **n) override {
        *n = m_def.name.c_str();
        return LXe_OK;
    }
    LxResult ButtonName(const char **n) override { return UserName(n); }
    LxResult Name(const char **n) override { return UserName(n); }
    LxResult Message(void **ppvObj) override {
        ObjAddRef(m_message.get());
        *ppvObj = m_message.get();
        return LXe_OK;
    }
    LxResult Enable(LXtObjectID) override { return LXe_OK; }
    /// The outcome goes to the command's message: its code and, on failure, the reason.
    void Execute(unsigned) override {
        CommandResult r = Outcome();
        VtOf<ILxMessage>(m_message.get())->SetCode(m_message.get(), r.code);
        SetMessageRawText(m_message.get(), r.message);
    }
    /// What running the command gave; running out of memory is a failure like any other.
    CommandResult Outcome() {
        if (!m_def.execute) return {LXe_NOTIMPL, "not implemented"};
        try {
            return m_def.execute(m_host, m_values);
        } catch (const std::bad_alloc &) {
            return {LXe_OUTOFMEMORY, "out of memory"};
        }
    }
    LxResult ArgResetAll() override {
        for (auto &v : m_values) v.clear();
        return LXe_OK;
    }
    LxResult Query(unsigned index, LXtObjectID va) override {
        std::vector<std::string> values;
        if (!m_def.query || !va || !m_def.query(m_host, index, m_values, values)) return LXe_NOTIMPL;
        auto vt = VtOf<ILxValueArray>(va);
        for (const auto &v : values) vt->AddString(va, v.c_str());
        return LXe_OK;
    }
    // Arguments
    unsigned Count() override { return unsigned(m_def.args.size()); }
    LxResult Name(unsigned i, const char **n) override {
        if (i >= m_def.args.size()) return LXe_OUTOFBOUNDS;
        *n = m_def.args[i].first.c_str();
        return LXe_OK;
    }
    LxResult Lookup(const char *n, unsigned *i) override {
        for (unsigned k = 0; k < m_def.args.size(); ++k)
            if (n && m_def.args[k].first == n) return (*i = k, LXe_OK);
        return LXe_NOTFOUND;
    }
    LxResult Type(unsigned i, unsigned *t) override {
        if (i >= m_def.args.size()) return LXe_OUTOFBOUNDS;
        *t = LXi_TYPE_STRING;
        return LXe_OK;
    }
    LxResult TypeName(unsigned i, const char **n) override {
        if (i >= m_def.args.size()) return LXe_OUTOFBOUNDS;
        *n = m_def.args[i].second.c_str();
        return LXe_OK;
    }
    const LXtTextValueHint *Hints(unsigned) override { return nullptr; }
    LxResult GetInt(unsigned i, int *v) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        *v = std::atoi(m_values[i].c_str());
        return LXe_OK;
    }
    LxResult SetInt(unsigned i, int v) override { return SetString(i, std::to_string(v).c_str()); }
    LxResult GetFlt(unsigned i, double *v) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        *v = std::atof(m_values[i].c_str());
        return LXe_OK;
    }
    LxResult SetFlt(unsigned i, double v) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", v);
        return SetString(i, buf);
    }
    LxResult GetString(unsigned i, char *buf, unsigned len) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        CopyText(m_values[i], buf, len);
        return m_values[i].size() < len ? LXe_OK : LXe_SHORTBUFFER;
    }
    LxResult SetString(unsigned i, const char *t) override {
        if (i >= m_values.size() || !t) return LXe_OUTOFBOUNDS;
        m_values[i] = t;
        return LXe_OK;
    }

private:
    Host &m_host;
    const HostCommandDef &m_def;
    std::vector<std::string> m_values;
    ComRef m_message;
};

class CommandServiceObj final : public IfcCommandService {
public:
    /// Host commands and the module's command servers, by name.
    LxResult Spawn(LXtCommandTag, const char *name, void **ppvObj) override {
        if (!name) return LXe_INVALIDARG;
        if (const HostCommandDef *def = CurrentHost().FindHostCommand(name)) {
            *ppvObj = NewHostCommandObject(CurrentHost(), *def);
            return LXe_OK;
        }
        LXtObjectID server = CurrentHost().SpawnServer(name);
        if (!server) return LXe_NOTFOUND;
        *ppvObj = server;
        return LXe_OK;
    }
    /// The command's query of an argument as a new value array.
    LxResult Query(LXtObjectID cmd, unsigned index, void **ppvObj) override {
        if (!cmd) return LXe_INVALIDARG;
        ComRef va(NewValueArray());
        LxResult r = VtOf<ILxCommand>(cmd)->Query(cmd, index, va.get());
        if (LXx_FAIL(r)) return r;
        ObjAddRef(va.get());
        *ppvObj = va.get();
        return LXe_OK;
    }
    /// Runs a command line as a script line would, in its own undo step.
    LxResult ExecuteArgString(unsigned, LXtCommandTag, const char *args) override {
        if (!args) return LXe_INVALIDARG;
        return CurrentHost().RunLine(args).code;
    }
};

/// A notifier a command asks for: the host keeps no clients, since nothing here changes behind
/// a command's back; it answers with its name and arguments.
class NotifierObj final : public IfcNotifier {
public:
    NotifierObj(std::string name, std::string args) : m_name(std::move(name)), m_args(std::move(args)) {}
    LxResult Name(const char **name) override {
        *name = m_name.c_str();
        return LXe_OK;
    }
    LxResult SetArgs(const char *args) override {
        m_args = args ? args : "";
        return LXe_OK;
    }
    LxResult Args(const char **args) override {
        *args = m_args.c_str();
        return LXe_OK;
    }
    LxResult AddClient(LXtObjectID) override { return LXe_OK; }
    LxResult RemoveClient(LXtObjectID) override { return LXe_OK; }

private:
    std::string m_name, m_args;
};

class NotifySysServiceObj final : public IfcNotifySysService {
public:
    LxResult Spawn(const char *name, const char *args, void **ppvObj) override {
        if (!name) return LXe_INVALIDARG;
        return HandOut(new NotifierObj(name, args ? args : ""), ppvObj);
    }
    LxResult Lookup(const char *name, const char *args, void **ppvObj) override {
        return Spawn(name, args, ppvObj);
    }
};

}  // namespace

LXtObjectID NewNotifySysService() {
    return (new NotifySysServiceObj)->Hand();
}

LXtObjectID NewHostCommandObject(Host &host, const HostCommandDef &def) {
    return (new HostCommandObj(host, def))->Hand();
}

LXtObjectID NewCommandService() {
    return (new CommandServiceObj)->Hand();
}

}  // namespace gorva::host
