// Messages, dialogs, monitors, the log, the platform, values, user values and commands.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "host/bridge/services.hpp"
#include "lx_clock.hpp"
#include "lx_vector.hpp"

namespace gorva::host {

namespace {

void CopyText(const std::string &text, char *buf, unsigned len) {
    if (len == 0) return;
    std::snprintf(buf, len, "%s", text.c_str());
}

class MessageObj final : public HostObject<MessageObj, ILxMessage> {
public:
    explicit MessageObj(Host &h) : m_host(h) {}
    LxResult Code() override { return m_code; }
    LxResult SetCode(LxResult code) override {
        m_code = code;
        return LXe_OK;
    }
    LxResult SetMessage(const char *table, const char *key, unsigned) override {
        m_table = table ? table : "";
        m_key = key ? key : "";
        m_args.clear();
        return LXe_OK;
    }
    LxResult SetArgumentString(unsigned index, const char *text) override {
        if (index == 0 || index > 9) return LXe_OUTOFBOUNDS;
        if (m_args.size() < index) m_args.resize(index);
        m_args[index - 1] = text ? text : "";
        return LXe_OK;
    }
    LxResult SetArgumentInt(unsigned index, int v) override {
        return SetArgumentString(index, std::to_string(v).c_str());
    }
    LxResult SetArgumentFloat(unsigned index, double v) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%g", v);
        return SetArgumentString(index, buf);
    }
    LxResult Table(const char **t) override {
        *t = m_table.c_str();
        return LXe_OK;
    }
    LxResult Key(const char **k) override {
        *k = m_key.c_str();
        return LXe_OK;
    }
    LxResult Reset() override {
        m_code = LXe_OK;
        m_table.clear();
        m_key.clear();
        m_args.clear();
        return LXe_OK;
    }
    std::string Text() const {
        if (!m_rawText.empty()) return m_rawText;
        if (m_key.empty()) return std::string();
        return m_host.MessageText(m_table, m_key, m_args);
    }
    /// A text given directly, for host commands.
    void SetRawText(const std::string &text) { m_rawText = text; }

private:
    Host &m_host;
    LxResult m_code = LXe_OK;
    std::string m_table, m_key, m_rawText;
    std::vector<std::string> m_args;
};

class MessageServiceObj final : public HostObject<MessageServiceObj, ILxMessageService> {
public:
    explicit MessageServiceObj(Host &h) : m_host(h) {}
    LxResult Allocate(void **ppvObj) override { return HandOut(new MessageObj(m_host), ppvObj); }
    LxResult MessageText(ILxUnknownID message, char *buf, unsigned len) override {
        MessageObj *m = HostSide<MessageObj>(message);
        if (!m) return LXe_INVALIDARG;
        CopyText(m->Text(), buf, len);
        return LXe_OK;
    }

private:
    Host &m_host;
};

class MonitorObj final : public HostObject<MonitorObj, ILxMonitor> {
public:
    MonitorObj(Host &h, size_t record, int abortAt) : m_host(h), m_record(record), m_abortAt(abortAt) {}
    LxResult Initialize(unsigned total) override {
        m_host.monitors[m_record].total = total;
        return LXe_OK;
    }
    LxResult Increment(unsigned count) override {
        MonitorRecord &rec = m_host.monitors[m_record];
        rec.steps += count;
        if (m_abortAt >= 0 && rec.steps >= unsigned(m_abortAt)) rec.aborted = true;
        if (m_host.onMonitorStep) m_host.onMonitorStep(rec);
        return rec.aborted ? LXe_ABORT : LXe_OK;
    }

private:
    Host &m_host;
    size_t m_record;
    int m_abortAt;
};

class StdDialogServiceObj final : public HostObject<StdDialogServiceObj, ILxStdDialogService> {
public:
    explicit StdDialogServiceObj(Host &h) : m_host(h) {}
    LxResult MonitorAllocate(const char *title, void **ppvObj) override {
        m_host.monitors.push_back({title ? title : "", 0, 0, false});
        int abortAt = m_host.abortAtStep;
        m_host.abortAtStep = -1;
        return HandOut(new MonitorObj(m_host, m_host.monitors.size() - 1, abortAt), ppvObj);
    }
    LxResult MonitorRelease() override { return LXe_OK; }
    LxResult MessageAllocate(void **ppvObj) override { return HandOut(new MessageObj(m_host), ppvObj); }
    LxResult MessageOpen(ILxUnknownID message, const char *title, const char *helpURL,
                         const char *) override {
        MessageObj *m = HostSide<MessageObj>(message);
        if (!m) return LXe_INVALIDARG;
        DialogRecord rec;
        rec.title = title ? title : "";
        rec.helpUrl = helpURL ? helpURL : "";
        const char *t = nullptr, *k = nullptr;
        m->Table(&t);
        m->Key(&k);
        rec.table = t;
        rec.key = k;
        rec.text = m->Text();
        rec.code = m->Code();
        m_host.dialogs.push_back(rec);
        if (m_host.onDialog) m_host.onDialog(rec);
        return LXe_OK;
    }

private:
    Host &m_host;
};

class LogServiceObj final : public HostObject<LogServiceObj, ILxLogService> {
public:
    explicit LogServiceObj(Host &h) : m_host(h) {}
    LxResult DebugOut(unsigned level, const char *text) override {
        m_host.log.push_back({level, text ? text : ""});
        return LXe_OK;
    }

private:
    Host &m_host;
};

class PlatformServiceObj final : public HostObject<PlatformServiceObj, ILxPlatformService> {
public:
    explicit PlatformServiceObj(Host &h) : m_host(h) {}
    LxResult AppVersion(int *v) override {
        *v = m_host.version;
        return LXe_OK;
    }

private:
    Host &m_host;
};

class ValueObj final : public HostObject<ValueObj, ILxValue, ILxStringConversion> {
public:
    explicit ValueObj(std::string type) : m_type(std::move(type)) {}
    LxResult TypeName(const char **name) override {
        *name = m_type.c_str();
        return LXe_OK;
    }
    LxResult GetInt(int *v) override {
        *v = int(m_number);
        return LXe_OK;
    }
    LxResult SetInt(int v) override {
        m_number = v;
        return LXe_OK;
    }
    LxResult GetFlt(double *v) override {
        *v = m_number;
        return LXe_OK;
    }
    LxResult SetFlt(double v) override {
        m_number = v;
        return LXe_OK;
    }
    LxResult GetString(char *buf, unsigned len) override { return Encode(buf, len); }
    LxResult SetString(const char *text) override { return Decode(text); }
    LxResult Encode(char *buf, unsigned len) override {
        if (m_type == "string") {
            CopyText(m_text, buf, len);
        } else if (m_type == "distance") {
            CopyText(FormatDistance(m_number), buf, len);
        } else {
            char tmp[64];
            std::snprintf(tmp, sizeof tmp, "%g", m_number);
            CopyText(tmp, buf, len);
        }
        return LXe_OK;
    }
    LxResult Decode(const char *text) override {
        if (!text) return LXe_INVALIDARG;
        if (m_type == "string") {
            m_text = text;
            return LXe_OK;
        }
        char *end = nullptr;
        double v = std::strtod(text, &end);
        if (end == text) return LXe_INVALIDARG;
        m_number = v;
        return LXe_OK;
    }

private:
    std::string m_type;
    double m_number = 0.0;
    std::string m_text;
};

class ValueArrayObj final : public HostObject<ValueArrayObj, ILxValueArray> {
public:
    unsigned Count() override { return unsigned(m_values.size()); }
    LxResult GetInt(unsigned i, int *v) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        char *end = nullptr;
        double d = std::strtod(m_values[i].c_str(), &end);
        if (end == m_values[i].c_str()) return LXe_INVALIDARG;
        *v = int(std::lround(d));
        return LXe_OK;
    }
    LxResult GetFloat(unsigned i, double *v) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        char *end = nullptr;
        double d = std::strtod(m_values[i].c_str(), &end);
        if (end == m_values[i].c_str()) return LXe_INVALIDARG;
        *v = d;
        return LXe_OK;
    }
    LxResult GetString(unsigned i, char *buf, unsigned len) override {
        if (i >= m_values.size()) return LXe_OUTOFBOUNDS;
        CopyText(m_values[i], buf, len);
        // Like the application, a text that does not fit is written cut and reported as a failure.
        return m_values[i].size() < len ? LXe_OK : LXe_FAILED;
    }
    LxResult AddInt(int v) override { return AddString(std::to_string(v).c_str()); }
    LxResult AddFloat(double v) override {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", v);
        return AddString(buf);
    }
    LxResult AddString(const char *t) override {
        m_values.emplace_back(t ? t : "");
        return LXe_OK;
    }

private:
    std::vector<std::string> m_values;
};

class ValueServiceObj final : public HostObject<ValueServiceObj, ILxValueService> {
public:
    LxResult NewValue(const char *type, void **ppvObj) override {
        if (!type) return LXe_INVALIDARG;
        return HandOut(new ValueObj(type), ppvObj);
    }
    LxResult NewValueArray(void **ppvObj) override { return HandOut(new ValueArrayObj, ppvObj); }
};

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
        if (MessageObj *m = HostSide<MessageObj>(m_message)) m->SetRawText(r.message);
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

ILxUnknownID NewMessageObject(Host &host) {
    return static_cast<ILxMessage *>(new MessageObj(host));
}

ILxUnknownID NewHostCommandObject(Host &host, const HostCommandDef &def) {
    return static_cast<ILxCommand *>(new HostCommandObj(host, def));
}

ILxUnknownID NewMeshService();
ILxUnknownID NewLayerService(Host &host);
ILxUnknownID NewSceneService();
ILxUnknownID NewSelectionService(Host &host, ILxUnknownID scene);
ILxUnknownID NewPacketService();

class ClockServiceObj final : public HostObject<ClockServiceObj, ILxClockService> {
public:
    explicit ClockServiceObj(Host &h) : m_host(h) {}
    LxResult Seconds(double *seconds) override {
        *seconds = m_host.clock.Now();
        return LXe_OK;
    }

private:
    Host &m_host;
};

ILxUnknownID NewService(Host &host, const char *iid, ILxUnknownID scene) {
    const std::string id = iid;
    if (id == ILxMeshService::IID) return NewMeshService();
    if (id == ILxLayerService::IID) return NewLayerService(host);
    if (id == ILxSceneService::IID) return NewSceneService();
    if (id == ILxSelectionService::IID) return NewSelectionService(host, scene);
    if (id == ILxMessageService::IID) return static_cast<ILxMessageService *>(new MessageServiceObj(host));
    if (id == ILxStdDialogService::IID)
        return static_cast<ILxStdDialogService *>(new StdDialogServiceObj(host));
    if (id == ILxLogService::IID) return static_cast<ILxLogService *>(new LogServiceObj(host));
    if (id == ILxPlatformService::IID) return static_cast<ILxPlatformService *>(new PlatformServiceObj(host));
    if (id == ILxClockService::IID) return static_cast<ILxClockService *>(new ClockServiceObj(host));
    if (id == ILxValueService::IID) return static_cast<ILxValueService *>(new ValueServiceObj);
    if (id == ILxScriptSysService::IID)
        return static_cast<ILxScriptSysService *>(new ScriptSysServiceObj(host));
    if (id == ILxPacketService::IID) return NewPacketService();
    if (id == ILxCommandService::IID) return static_cast<ILxCommandService *>(new CommandServiceObj(host));
    return nullptr;
}

}  // namespace gorva::host
