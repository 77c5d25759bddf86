// User values as the script system hands them out.
#include <cmath>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

class UserValueObj final : public HostObject<UserValueObj, ILxUserValue> {
public:
    UserValueObj(std::string name, std::string type, std::string text)
        : m_name(std::move(name)), m_type(std::move(type)), m_text(std::move(text)) {}
    LxResult Name(const char **n) override {
        *n = m_name.c_str();
        return LXe_OK;
    }
    LxResult TypeName(const char **n) override {
        *n = m_type.c_str();
        return LXe_OK;
    }
    LxResult GetInt(int *v) override {
        double d = 0.0;
        LxResult r = GetFlt(&d);
        if (LXx_OK(r)) *v = int(std::lround(d));
        return r;
    }
    LxResult GetFlt(double *v) override {
        char *end = nullptr;
        double d = std::strtod(m_text.c_str(), &end);
        if (end == m_text.c_str()) return LXe_INVALIDARG;
        *v = d;
        return LXe_OK;
    }
    LxResult GetString(const char **v) override {
        *v = m_text.c_str();
        return LXe_OK;
    }

private:
    std::string m_name, m_type, m_text;
};

class ScriptSysServiceObj final : public HostObject<ScriptSysServiceObj, ILxScriptSysService> {
public:
    explicit ScriptSysServiceObj(Host &h) : m_host(h) {}
    LxResult UserValueLookup(const char *name, void **ppvObj) override {
        const std::string *text = name ? m_host.UserValue(name) : nullptr;
        if (!text) return LXe_NOTFOUND;
        auto def = m_host.config.userValues.find(name);
        std::string type = def != m_host.config.userValues.end() ? def->second.type : "string";
        return HandOut(new UserValueObj(name, type, *text), ppvObj);
    }

private:
    Host &m_host;
};

/// A host command as the SDK sees it: arguments as attributes, execution, queries.

}  // namespace

ILxUnknownID NewScriptSysService(Host &host) {
    return static_cast<ILxScriptSysService *>(new ScriptSysServiceObj(host));
}

}  // namespace gorva::host
