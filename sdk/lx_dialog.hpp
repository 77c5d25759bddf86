// Messages, dialogs, progress monitors, values, the log and the platform.
#pragma once

#include <string>

#include "lx_com.hpp"

/// A message: a result code plus a (table, key) text with numbered arguments.
class ILxMessage : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxMessage";
    virtual LxResult Code() = 0;
    virtual LxResult SetCode(LxResult code) = 0;
    virtual LxResult SetMessage(const char *table, const char *key, unsigned id) = 0;
    /// Argument %index (from 1) as text.
    virtual LxResult SetArgumentString(unsigned index, const char *text) = 0;
    virtual LxResult SetArgumentInt(unsigned index, int value) = 0;
    virtual LxResult SetArgumentFloat(unsigned index, double value) = 0;
    virtual LxResult Table(const char **table) = 0;
    virtual LxResult Key(const char **key) = 0;
    virtual LxResult Reset() = 0;

protected:
    ~ILxMessage() = default;
};

class ILxMessageService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxMessageService";
    virtual LxResult Allocate(void **ppvObj) = 0;
    /// The message's text in the user's language with its arguments filled in.
    virtual LxResult MessageText(ILxUnknownID message, char *buf, unsigned len) = 0;

protected:
    ~ILxMessageService() = default;
};

/// Progress of long work. Increment returns LXe_ABORT once the user asked to stop.
class ILxMonitor : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxMonitor";
    virtual LxResult Initialize(unsigned total) = 0;
    virtual LxResult Increment(unsigned count) = 0;

protected:
    ~ILxMonitor() = default;
};

class ILxStdDialogService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxStdDialogService";
    virtual LxResult MonitorAllocate(const char *title, void **ppvObj) = 0;
    virtual LxResult MonitorRelease() = 0;
    virtual LxResult MessageAllocate(void **ppvObj) = 0;
    /// Shows a message as a modal dialog (never blocks in a headless host).
    virtual LxResult MessageOpen(ILxUnknownID message, const char *title, const char *helpURL,
                                 const char *cookie) = 0;

protected:
    ~ILxStdDialogService() = default;
};

class ILxLogService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxLogService";
    virtual LxResult DebugOut(unsigned level, const char *text) = 0;

protected:
    ~ILxLogService() = default;
};

class ILxPlatformService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxPlatformService";
    virtual LxResult AppVersion(int *version) = 0;

protected:
    ~ILxPlatformService() = default;
};

/// A typed value ("integer", "float", "distance", "string", ...).
class ILxValue : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxValue";
    virtual LxResult TypeName(const char **name) = 0;
    virtual LxResult GetInt(int *value) = 0;
    virtual LxResult SetInt(int value) = 0;
    virtual LxResult GetFlt(double *value) = 0;
    virtual LxResult SetFlt(double value) = 0;
    virtual LxResult GetString(char *buf, unsigned len) = 0;
    virtual LxResult SetString(const char *text) = 0;

protected:
    ~ILxValue() = default;
};

/// Text form of a value in the user's units (a "distance" of 0.25 reads "250 mm" or "0.25 m").
class ILxStringConversion : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxStringConversion";
    virtual LxResult Encode(char *buf, unsigned len) = 0;
    virtual LxResult Decode(const char *text) = 0;

protected:
    ~ILxStringConversion() = default;
};

/// An ordered list of values; queries answer through it, vector values (colours) read through it.
class ILxValueArray : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxValueArray";
    virtual unsigned Count() = 0;
    virtual LxResult GetInt(unsigned index, int *value) = 0;
    virtual LxResult GetFloat(unsigned index, double *value) = 0;
    virtual LxResult GetString(unsigned index, char *buf, unsigned len) = 0;
    virtual LxResult AddInt(int value) = 0;
    virtual LxResult AddFloat(double value) = 0;
    virtual LxResult AddString(const char *text) = 0;

protected:
    ~ILxValueArray() = default;
};

class ILxValueService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxValueService";
    virtual LxResult NewValue(const char *typeName, void **ppvObj) = 0;
    virtual LxResult NewValueArray(void **ppvObj) = 0;

protected:
    ~ILxValueService() = default;
};

// ---- client wrappers ----

class CLxUser_Message : public CLxLocT<ILxMessage> {
public:
    LxResult Code() { return m_loc->Code(); }
    LxResult SetCode(LxResult code) { return m_loc->SetCode(code); }
    LxResult SetMessage(const char *table, const char *key, unsigned id) {
        return m_loc->SetMessage(table, key, id);
    }
    LxResult SetArgumentString(unsigned i, const char *text) { return m_loc->SetArgumentString(i, text); }
    LxResult SetArgumentInt(unsigned i, int v) { return m_loc->SetArgumentInt(i, v); }
    LxResult SetArgumentFloat(unsigned i, double v) { return m_loc->SetArgumentFloat(i, v); }
    /// Table and key currently set; empty texts when none.
    std::string GetTable();
    std::string GetKey();
};

class CLxUser_MessageService : public CLxLocServiceT<ILxMessageService> {
public:
    bool NewMessage(CLxUser_Message &msg);
    /// The message's final text, empty on failure.
    std::string GetText(CLxUser_Message &msg);
};

class CLxUser_Monitor : public CLxLocT<ILxMonitor> {
public:
    bool Init(unsigned total) { return LXx_OK(m_loc->Initialize(total)); }
    /// Advances the monitor; true when the user aborted.
    bool Step(unsigned n = 1) { return m_loc->Increment(n) == LXe_ABORT; }
};

class CLxUser_StdDialogService : public CLxLocServiceT<ILxStdDialogService> {
public:
    bool MonitorAllocate(const char *title, CLxUser_Monitor &monitor);
    void MonitorRelease() { m_loc->MonitorRelease(); }
    bool MessageAllocate(CLxUser_Message &msg);
    LxResult MessageOpen(ILxUnknownID msg, const char *title, const char *helpURL, const char *cookie) {
        return m_loc->MessageOpen(msg, title, helpURL, cookie);
    }
};

class CLxUser_LogService : public CLxLocServiceT<ILxLogService> {
public:
    /// printf-style debug line at the given level.
    LxResult DebugOut(unsigned level, const char *format, ...) __attribute__((format(printf, 3, 4)));
};

class CLxUser_PlatformService : public CLxLocServiceT<ILxPlatformService> {
public:
    LxResult AppVersion(int *v) { return m_loc->AppVersion(v); }
};

class CLxUser_Value : public CLxLocT<ILxValue> {
public:
    LxResult GetInt(int *v) { return m_loc->GetInt(v); }
    LxResult SetInt(int v) { return m_loc->SetInt(v); }
    LxResult GetFlt(double *v) { return m_loc->GetFlt(v); }
    LxResult SetFlt(double v) { return m_loc->SetFlt(v); }
    LxResult SetString(const char *t) { return m_loc->SetString(t); }
    int GetInt();
    double GetFlt();
    bool GetString(std::string &text);
};

class CLxUser_StringConversion : public CLxLocT<ILxStringConversion> {
public:
    /// Text of the bound value, empty on failure.
    std::string Encode();
    LxResult Decode(const char *text) { return m_loc->Decode(text); }
};

class CLxUser_ValueArray : public CLxLocT<ILxValueArray> {
public:
    unsigned Count() { return m_loc->Count(); }
    LxResult GetInt(unsigned i, int *v) { return m_loc->GetInt(i, v); }
    LxResult GetFloat(unsigned i, double *v) { return m_loc->GetFloat(i, v); }
    LxResult GetString(unsigned i, char *buf, unsigned len) { return m_loc->GetString(i, buf, len); }
    LxResult AddInt(int v) { return m_loc->AddInt(v); }
    LxResult AddFloat(double v) { return m_loc->AddFloat(v); }
    LxResult AddString(const char *t) { return m_loc->AddString(t); }
};

class CLxUser_ValueService : public CLxLocServiceT<ILxValueService> {
public:
    bool NewValue(CLxUser_Value &value, const char *typeName);
    bool NewValueArray(CLxUser_ValueArray &array);
};
