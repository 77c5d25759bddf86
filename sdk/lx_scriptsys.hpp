// Host user values and queries of command arguments (preferences among them).
#pragma once

#include <string>

#include "lx_command.hpp"
#include "lx_dialog.hpp"

#define LXsPREFERENCE_VALUE_ACCURACY_UP_AXIS "units.upAxis"

class ILxUserValue : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxUserValue";
    virtual LxResult Name(const char **name) = 0;
    virtual LxResult TypeName(const char **name) = 0;
    virtual LxResult GetInt(int *value) = 0;
    virtual LxResult GetFlt(double *value) = 0;
    virtual LxResult GetString(const char **value) = 0;

protected:
    ~ILxUserValue() = default;
};

class ILxScriptSysService : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxScriptSysService";
    /// LXe_NOTFOUND when the host defines no user value of that name.
    virtual LxResult UserValueLookup(const char *name, void **ppvObj) = 0;

protected:
    ~ILxScriptSysService() = default;
};

class CLxUser_ScriptSysService : public CLxLocServiceT<ILxScriptSysService> {};

/// Reads one host user value by name.
class CLxReadUserValue {
public:
    /// True when the host defines the user value.
    bool Query(const char *name);
    int GetInt();
    double GetFloat();
    std::string GetString();

private:
    CLxLocT<ILxUserValue> m_value;
};

/// Queries the current values of one argument of a host command.
class CLxCommandQuery {
public:
    explicit CLxCommandQuery(const char *commandName);
    /// Sets an argument that the query depends on (e.g. the preference name).
    bool SetArgString(unsigned index, const char *text);
    /// Asks the command for the values of argument `index`; true when it answered.
    bool Query(unsigned index);
    unsigned Count();
    int GetInt(unsigned i = 0);
    double GetFloat(unsigned i = 0);
    /// Value `i` as text into buf (cut to len - 1 characters); false when there is none.
    bool GetString(char *buf, unsigned len, unsigned i = 0);

private:
    CLxUser_Command m_cmd;
    CLxUser_ValueArray m_values;
};

/// Reads a preference through the host command "pref.value" (argument 0 the name, 1 the value).
class CLxReadPreferenceValue : public CLxCommandQuery {
public:
    CLxReadPreferenceValue() : CLxCommandQuery("pref.value") {}
    using CLxCommandQuery::Query;
    /// True when the preference exists and yielded a value.
    bool Query(const char *preference);
};
