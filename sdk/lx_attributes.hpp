// Attributes (command arguments and tool settings) and their UI hints, plus the SDK's dynamic
// attribute set that servers declare their attributes with.
#pragma once

#include <string>
#include <vector>

#include "lx_dialog.hpp"
#include "lx_module.hpp"

#define LXi_TYPE_INTEGER 0u
#define LXi_TYPE_FLOAT 1u
#define LXi_TYPE_STRING 2u
#define LXi_TYPE_OBJECT 3u

#define LXsTYPE_INTEGER "integer"
#define LXsTYPE_FLOAT "float"
#define LXsTYPE_DISTANCE "distance"
#define LXsTYPE_ANGLE "angle"
#define LXsTYPE_PERCENT "percent"
#define LXsTYPE_BOOLEAN "boolean"
#define LXsTYPE_STRING "string"
#define LXsTYPE_COLOR "color"
#define LXsTYPE_LIGHT "light"

class ILxAttributes : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxAttributes";
    virtual LxResult Count(unsigned *count) = 0;
    virtual LxResult Name(unsigned index, const char **name) = 0;
    virtual LxResult Lookup(const char *name, unsigned *index) = 0;
    virtual LxResult Type(unsigned index, unsigned *type) = 0;
    virtual LxResult TypeName(unsigned index, const char **name) = 0;
    virtual LxResult Hints(unsigned index, const LXtTextValueHint **hints) = 0;
    virtual LxResult Value(unsigned index, void **ppvObj, int writable) = 0;
    virtual LxResult GetInt(unsigned index, int *value) = 0;
    virtual LxResult SetInt(unsigned index, int value) = 0;
    virtual LxResult GetFlt(unsigned index, double *value) = 0;
    virtual LxResult SetFlt(unsigned index, double value) = 0;
    virtual LxResult GetString(unsigned index, char *buf, unsigned len) = 0;
    /// Sets any attribute from text in its type's form ("1", "0.25", "25 mm", "1 0.5 0", a popup name).
    virtual LxResult SetString(unsigned index, const char *text) = 0;

protected:
    ~ILxAttributes() = default;
};

/// Numeric limits the UI applies to an attribute.
class ILxUIHints : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxUIHints";
    virtual LxResult MinInt(int value) = 0;
    virtual LxResult MaxInt(int value) = 0;
    virtual LxResult MinFloat(double value) = 0;
    virtual LxResult MaxFloat(double value) = 0;

protected:
    ~ILxUIHints() = default;
};

class ILxAttributesUI : public ILxUnknown {
public:
    static constexpr const char *IID = "ILxAttributesUI";
    virtual LxResult UIHints(unsigned index, ILxUnknownID hints) = 0;
    virtual LxResult UIValueHints(unsigned index, void **ppvObj) = 0;
    /// LXe_OK when the attribute can be edited; LXe_CMD_DISABLED with the message set when not.
    virtual LxResult DisableMsg(unsigned index, ILxUnknownID message) = 0;

protected:
    ~ILxAttributesUI() = default;
};

class CLxUser_UIHints : public CLxLocT<ILxUIHints> {
public:
    LxResult MinInt(int v) { return m_loc->MinInt(v); }
    LxResult MaxInt(int v) { return m_loc->MaxInt(v); }
    LxResult MinFloat(double v) { return m_loc->MinFloat(v); }
    LxResult MaxFloat(double v) { return m_loc->MaxFloat(v); }
};

class CLxUser_Attributes : public CLxLocT<ILxAttributes> {
public:
    unsigned Count();
    /// Attribute index by name, or -1.
    int FindIndex(const char *name);
    std::string TypeName(unsigned index);
    LxResult SetString(unsigned index, const char *text) { return m_loc->SetString(index, text); }
    LxResult SetInt(unsigned index, int v) { return m_loc->SetInt(index, v); }
    LxResult SetFlt(unsigned index, double v) { return m_loc->SetFlt(index, v); }
    int GetInt(unsigned index, int fallback = 0);
    double GetFlt(unsigned index, double fallback = 0.0);
    std::string GetString(unsigned index);
};

/// Server-side attribute implementation (`CLxImpl_Attributes`).
class CLxImpl_Attributes {
public:
    virtual ~CLxImpl_Attributes() = default;
    virtual unsigned attr_Count() { return 0; }
    virtual LxResult attr_Name(unsigned index, const char **name) { return LXe_NOTIMPL; }
    virtual LxResult attr_Lookup(const char *name, unsigned *index) { return LXe_NOTIMPL; }
    virtual LxResult attr_Type(unsigned index, unsigned *type) { return LXe_NOTIMPL; }
    virtual LxResult attr_TypeName(unsigned index, const char **name) { return LXe_NOTIMPL; }
    virtual LxResult attr_Hints(unsigned index, const LXtTextValueHint **hints) { return LXe_NOTIMPL; }
    virtual LxResult attr_Value(unsigned index, void **ppvObj, int writable) { return LXe_NOTIMPL; }
    virtual LxResult attr_GetInt(unsigned index, int *value) { return LXe_NOTIMPL; }
    virtual LxResult attr_SetInt(unsigned index, int value) { return LXe_NOTIMPL; }
    virtual LxResult attr_GetFlt(unsigned index, double *value) { return LXe_NOTIMPL; }
    virtual LxResult attr_SetFlt(unsigned index, double value) { return LXe_NOTIMPL; }
    virtual LxResult attr_GetString(unsigned index, char *buf, unsigned len) { return LXe_NOTIMPL; }
    virtual LxResult attr_SetString(unsigned index, const char *text) { return LXe_NOTIMPL; }
};

/// Server-side attributes-UI implementation (`CLxImpl_AttributesUI`).
class CLxImpl_AttributesUI {
public:
    virtual ~CLxImpl_AttributesUI() = default;
    virtual LxResult atrui_UIHints(unsigned index, CLxUser_UIHints &hints) { return LXe_NOTIMPL; }
    virtual LxResult atrui_DisableMsg(unsigned index, ILxUnknownID message) { return LXe_NOTIMPL; }
};

template <class T>
class CLxIfc_Attributes final : public CLxInterfaceGlue<ILxAttributes, CLxIfc_Attributes<T>> {
    T *obj() { return static_cast<T *>(this->m_obj); }

public:
    LxResult Count(unsigned *count) override {
        *count = obj()->attr_Count();
        return LXe_OK;
    }
    LxResult Name(unsigned i, const char **n) override { return obj()->attr_Name(i, n); }
    LxResult Lookup(const char *n, unsigned *i) override { return obj()->attr_Lookup(n, i); }
    LxResult Type(unsigned i, unsigned *t) override { return obj()->attr_Type(i, t); }
    LxResult TypeName(unsigned i, const char **n) override { return obj()->attr_TypeName(i, n); }
    LxResult Hints(unsigned i, const LXtTextValueHint **h) override { return obj()->attr_Hints(i, h); }
    LxResult Value(unsigned i, void **p, int w) override { return obj()->attr_Value(i, p, w); }
    LxResult GetInt(unsigned i, int *v) override { return obj()->attr_GetInt(i, v); }
    LxResult SetInt(unsigned i, int v) override { return obj()->attr_SetInt(i, v); }
    LxResult GetFlt(unsigned i, double *v) override { return obj()->attr_GetFlt(i, v); }
    LxResult SetFlt(unsigned i, double v) override { return obj()->attr_SetFlt(i, v); }
    LxResult GetString(unsigned i, char *b, unsigned l) override { return obj()->attr_GetString(i, b, l); }
    LxResult SetString(unsigned i, const char *t) override { return obj()->attr_SetString(i, t); }
};

template <class T>
class CLxIfc_AttributesUI final : public CLxInterfaceGlue<ILxAttributesUI, CLxIfc_AttributesUI<T>> {
    T *obj() { return static_cast<T *>(this->m_obj); }

public:
    LxResult UIHints(unsigned i, ILxUnknownID hints) override {
        CLxUser_UIHints h;
        if (!h.set(hints)) return LXe_INVALIDARG;
        return obj()->atrui_UIHints(i, h);
    }
    LxResult UIValueHints(unsigned, void **) override { return LXe_NOTIMPL; }
    LxResult DisableMsg(unsigned i, ILxUnknownID msg) override { return obj()->atrui_DisableMsg(i, msg); }
};

/// The SDK's dynamic attribute set: attributes declared at run time and addressed by index.
/// Integers and booleans hold an int, the numeric types a double, "color" three doubles.
class CLxDynamicAttributes : public CLxImpl_Attributes, public CLxImpl_AttributesUI {
public:
    CLxDynamicAttributes();
    ~CLxDynamicAttributes() override;
    CLxDynamicAttributes(const CLxDynamicAttributes &) = delete;
    CLxDynamicAttributes &operator=(const CLxDynamicAttributes &) = delete;

    /// Declares an attribute; its index is the number of attributes declared before it.
    unsigned dyna_Add(const std::string &name, const std::string &type);
    /// Attaches a text-value hint table (kept by pointer: it must outlive the attribute set).
    void dyna_SetHint(unsigned index, const LXtTextValueHint *hints);
    unsigned dyna_Count() const { return unsigned(m_attrs.size()); }
    /// Index of an attribute by name, or -1.
    int dyna_Lookup(const std::string &name) const;
    /// True once a value was written to the attribute.
    bool dyna_IsSet(unsigned index) const;
    /// Value object of the attribute; "color" values also read as a value array of three floats.
    CLxUser_Value &dyna_Value(unsigned index);
    int dyna_Int(unsigned index, int fallback = 0) const;
    double dyna_Float(unsigned index, double fallback = 0.0) const;
    bool dyna_Bool(unsigned index, bool fallback = false) const;
    std::string dyna_String(unsigned index, const std::string &fallback = std::string()) const;
    /// Called after a value was written through the attribute interface.
    virtual void dyna_Changed(unsigned index) {}

    // Attribute interface
    unsigned attr_Count() override { return dyna_Count(); }
    LxResult attr_Name(unsigned index, const char **name) override;
    LxResult attr_Lookup(const char *name, unsigned *index) override;
    LxResult attr_Type(unsigned index, unsigned *type) override;
    LxResult attr_TypeName(unsigned index, const char **name) override;
    LxResult attr_Hints(unsigned index, const LXtTextValueHint **hints) override;
    LxResult attr_Value(unsigned index, void **ppvObj, int writable) override;
    LxResult attr_GetInt(unsigned index, int *value) override;
    LxResult attr_SetInt(unsigned index, int value) override;
    LxResult attr_GetFlt(unsigned index, double *value) override;
    LxResult attr_SetFlt(unsigned index, double value) override;
    LxResult attr_GetString(unsigned index, char *buf, unsigned len) override;
    LxResult attr_SetString(unsigned index, const char *text) override;
    LxResult attr_GetBool(unsigned index, bool *value);
    LxResult attr_SetBool(unsigned index, bool value);

    // Attributes UI: servers override atrui_Enabled and atrui_UIHints.
    /// False (with the message set) when the attribute cannot be edited in the current state.
    virtual bool atrui_Enabled(unsigned index, CLxUser_Message &msg) { return true; }
    LxResult atrui_DisableMsg(unsigned index, ILxUnknownID message) override;

    struct Attribute;

protected:
    std::vector<Attribute *> m_attrs;
};
