// The host's own commands as command objects (arguments, queries, execution) and the command service.
#include <map>

#include "host/bridge/services.hpp"
#include "lx_vector.hpp"

namespace gorva::host {

namespace {

class HostCommandObj final : public HostObject<HostCommandObj, ILxCommand, ILxAttributes> {
public:
    HostCommandObj(Host &h, const HostCommandDef &def) : m_host(h), m_def(def), m_values(def.args.size()) {
        m_message.take(NewMessageObject(h));
    }
    LxResult Flags(unsigned *f) override {
        *f = LXfCMD_MODEL;
        return LXe_OK;
    }
    LxResult UserName(const char **n) override {
        *n = m_def.name.c_str();
        return LXe_OK;
    }
    LxResult ButtonName(const char **n) override { return UserName(n); }
    LxResult Desc(const char **) override { return LXe_NOTIMPL; }
    LxResult Message(void **ppvObj) override {
        return m_message.loc()->QueryInterface(ILxMessage::IID, ppvObj);
    }
    LxResult Enable(ILxUnknownID) override { return LXe_OK; }
    LxResult Execute(unsigned) override {
        CommandResult r =
            m_def.execute ? m_def.execute(m_host, m_values) : CommandResult{LXe_NOTIMPL, "not implemented"};
        m_message.SetCode(r.code);
        SetMessageRawText(m_message, r.message);
        return r.code;
    }
    LxResult Query(unsigned index, ILxUnknownID va) override {
        CLxUser_ValueArray out;
        std::vector<std::string> values;
        if (!m_def.query || !out.set(va) || !m_def.query(m_host, index, m_values, values)) return LXe_NOTIMPL;
        for (const auto &v : values) out.AddString(v.c_str());
        return LXe_OK;
    }
    // Arguments
    LxResult Count(unsigned *c) override {
        *c = unsigned(m_def.args.size());
        return LXe_OK;
    }
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
    LxResult Hints(unsigned, const LXtTextValueHint **) override { return LXe_NOTFOUND; }
    LxResult Value(unsigned, void **, int) override { return LXe_NOTIMPL; }
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
        return LXe_OK;
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
    CLxUser_Message m_message;
};

class CommandServiceObj final : public HostObject<CommandServiceObj, ILxCommandService> {
public:
    explicit CommandServiceObj(Host &h) : m_host(h) {}
    LxResult Spawn(const char *name, void **ppvObj) override {
        if (!name) return LXe_INVALIDARG;
        if (const HostCommandDef *def = m_host.FindHostCommand(name)) {
            *ppvObj = NewHostCommandObject(m_host, *def);
            return LXe_OK;
        }
        ILxUnknownID server = m_host.SpawnServer(name);
        if (!server) return LXe_NOTFOUND;
        *ppvObj = server;
        return LXe_OK;
    }

private:
    Host &m_host;
};

}  // namespace

ILxUnknownID NewHostCommandObject(Host &host, const HostCommandDef &def) {
    return static_cast<ILxCommand *>(new HostCommandObj(host, def));
}

ILxUnknownID NewCommandService(Host &host) {
    return static_cast<ILxCommandService *>(new CommandServiceObj(host));
}

}  // namespace gorva::host
