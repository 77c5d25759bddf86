// Messages and their texts, modal message dialogs, progress monitors and the log.
#include <cstdio>

#include "host/bridge/services.hpp"

namespace gorva::host {

namespace {

class MessageObj final : public IfcMessage {
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
    LxResult Name(const char **k) override {
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

class MessageServiceObj final : public IfcMessageService {
public:
    LxResult Allocate(void **ppvObj) override { return HandOut(new MessageObj(CurrentHost()), ppvObj); }
    LxResult MessageText(LXtObjectID message, char *buf, unsigned len) override {
        MessageObj *m = HostSide<MessageObj>(message);
        if (!m) return LXe_INVALIDARG;
        CopyText(m->Text(), buf, len);
        return LXe_OK;
    }
};

class MonitorObj final : public IfcMonitor {
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

class StdDialogServiceObj final : public IfcStdDialogService {
public:
    LxResult MonitorAllocate(const char *title, void **ppvObj) override {
        CurrentHost().monitors.push_back({title ? title : "", 0, 0, false});
        int abortAt = CurrentHost().abortAtStep;
        CurrentHost().abortAtStep = -1;
        return HandOut(new MonitorObj(CurrentHost(), CurrentHost().monitors.size() - 1, abortAt), ppvObj);
    }
    LxResult MonitorRelease() override { return LXe_OK; }
    LxResult MessageAllocate(void **ppvObj) override {
        return HandOut(new MessageObj(CurrentHost()), ppvObj);
    }
    LxResult MessageOpen(LXtObjectID message, const char *title, const char *helpURL, const char *) override {
        MessageObj *m = HostSide<MessageObj>(message);
        if (!m) return LXe_INVALIDARG;
        DialogRecord rec;
        rec.title = title ? title : "";
        rec.helpUrl = helpURL ? helpURL : "";
        const char *t = nullptr, *k = nullptr;
        m->Table(&t);
        m->Name(&k);
        rec.table = t;
        rec.key = k;
        rec.text = m->Text();
        rec.code = m->Code();
        CurrentHost().dialogs.push_back(rec);
        if (CurrentHost().onDialog) CurrentHost().onDialog(rec);
        return LXe_OK;
    }
};

class LogServiceObj final : public IfcLogService {
public:
    LxResult DebugLogOutput(unsigned level, const char *text) override {
        CurrentHost().AddLog(level, text ? text : "");
        return LXe_OK;
    }
};

}  // namespace

std::string MessageTextOf(LXtObjectID message) {
    MessageObj *m = HostSide<MessageObj>(message);
    if (!m) return std::string();
    std::string text = m->Text();
    if (text.empty()) {
        const char *table = nullptr, *key = nullptr;
        m->Table(&table);
        m->Name(&key);
        if (key && *key) text = std::string(table) + ": " + key;
    }
    return text;
}

LxResult MessageCodeOf(LXtObjectID message) {
    MessageObj *m = HostSide<MessageObj>(message);
    return m ? m->Code() : LXe_OK;
}

void SetMessageRawText(LXtObjectID message, const std::string &text) {
    if (MessageObj *m = HostSide<MessageObj>(message)) m->SetRawText(text);
}

LXtObjectID NewMessageObject(Host &host) {
    return (new MessageObj(host))->Hand();
}

LXtObjectID NewMessageService() {
    return (new MessageServiceObj)->Hand();
}

LXtObjectID NewStdDialogService() {
    return (new StdDialogServiceObj)->Hand();
}

LXtObjectID NewLogService() {
    return (new LogServiceObj)->Hand();
}

}  // namespace gorva::host
