// The host's calls on a server's attributes (a tool's attributes, a command's arguments) through
// the SDK's ILxAttributes interface.
#pragma once
#include "host/guard.hpp"

#include <string>

#include <lxvalue.h>

#include "host/bridge/com_base.hpp"

namespace gorva::host {

class AttributesRef {
public:
    AttributesRef() = default;
    /// Binds to the attributes of any interface of an object; empty when it has none.
    explicit AttributesRef(LXtObjectID obj)
        : m_ref(obj ? ObjQuery(obj, GuidFromString(LXu_ATTRIBUTES)) : nullptr) {}
    explicit operator bool() const { return bool(m_ref); }
    unsigned Count() const { return m_ref ? m_ref.Call(&ILxAttributes::Count) : 0; }
    /// The index of an attribute by name, or -1.
    int FindIndex(const std::string &name) const {
        unsigned index = 0;
        if (!m_ref || LXx_FAIL(m_ref.Call(&ILxAttributes::Lookup, name.c_str(), &index))) return -1;
        return int(index);
    }
    std::string Name(unsigned index) const { return Text(&ILxAttributes::Name, index); }
    std::string TypeName(unsigned index) const { return Text(&ILxAttributes::TypeName, index); }
    const LXtTextValueHint *Hints(unsigned index) const { return m_ref.Call(&ILxAttributes::Hints, index); }
    /// The value as text, whatever its type; empty when it cannot be read.
    std::string GetString(unsigned index) const;
    LxResult SetString(unsigned index, const std::string &value) const {
        return m_ref.Call(&ILxAttributes::SetString, index, value.c_str());
    }
    /// Sets a value typed by a user: a choice of an integer popup by its name (any letter case) or
    /// its number, anything else as text.
    LxResult SetText(unsigned index, const std::string &text) const;
    int GetInt(unsigned index) const {
        int v = 0;
        m_ref.Call(&ILxAttributes::GetInt, index, &v);
        return v;
    }
    double GetFlt(unsigned index) const {
        double v = 0.0;
        m_ref.Call(&ILxAttributes::GetFlt, index, &v);
        return v;
    }
    LxResult SetInt(unsigned index, int v) const { return m_ref.Call(&ILxAttributes::SetInt, index, v); }
    LxResult SetFlt(unsigned index, double v) const { return m_ref.Call(&ILxAttributes::SetFlt, index, v); }

private:
    std::string Text(LxResult (*ILxAttributes::*m)(LXtObjectID, unsigned, const char **),
                     unsigned index) const {
        const char *text = nullptr;
        if (!m_ref || LXx_FAIL(m_ref.Call(m, index, &text)) || !text) return std::string();
        return text;
    }
    ComRef m_ref;
};

}  // namespace gorva::host
