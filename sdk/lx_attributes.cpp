#include "lx_attributes.hpp"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

enum class Storage { Int, Float, String, Color };

Storage StorageOf(const std::string &type) {
    if (type == LXsTYPE_INTEGER || type == LXsTYPE_BOOLEAN) return Storage::Int;
    if (type == LXsTYPE_STRING) return Storage::String;
    if (type == LXsTYPE_COLOR) return Storage::Color;
    return Storage::Float;
}

bool ParseDouble(const char *text, double &out) {
    char *end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v)) return false;
    while (*end == ' ') ++end;
    // Optional length unit; values are stored in metres.
    static const struct {
        const char *unit;
        double scale;
    } units[] = {{"", 1.0},    {"m", 1.0},     {"km", 1000.0}, {"cm", 0.01},   {"mm", 0.001},
                 {"um", 1e-6}, {"in", 0.0254}, {"ft", 0.3048}, {"\"", 0.0254}, {"'", 0.3048}};
    for (const auto &u : units) {
        if (std::strcmp(end, u.unit) == 0) {
            // Beyond single precision no position a mesh holds can follow.
            if (!(std::fabs(v * u.scale) <= double(FLT_MAX))) return false;
            out = v * u.scale;
            return true;
        }
    }
    return false;
}

bool ParseBool(const char *text, int &out) {
    static const char *yes[] = {"1", "true", "on", "yes"};
    static const char *no[] = {"0", "false", "off", "no"};
    for (const char *y : yes)
        if (strcasecmp(text, y) == 0) return (out = 1, true);
    for (const char *n : no)
        if (strcasecmp(text, n) == 0) return (out = 0, true);
    return false;
}

bool ParseInt(const char *text, const LXtTextValueHint *hints, int &out) {
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end != text && *end == '\0') {
        if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;  // would wrap
        out = int(v);
        return true;
    }
    for (const LXtTextValueHint *h = hints; h && h->name; ++h) {
        if (h->value >= 0 && h->name[0] != '=' && strcasecmp(h->name, text) == 0) {
            out = h->value;
            return true;
        }
    }
    return false;
}

}  // namespace

struct CLxDynamicAttributes::Attribute {
    std::string name;
    std::string type;
    Storage storage;
    int i = 0;
    double f = 0.0;
    std::string s;
    double rgb[3] = {0.0, 0.0, 0.0};
    const LXtTextValueHint *hints = nullptr;
    bool isSet = false;
    CLxUser_Value value;
};

namespace {

// Value object over one attribute slot; colours also answer as a three-float value array.
class AttributeValue final : public ILxValue, public ILxValueArray {
public:
    explicit AttributeValue(CLxDynamicAttributes::Attribute &a) : m_a(a) {}
    LxResult QueryInterface(const char *iid, void **ppv) override {
        if (LxOfferInterface<ILxValue>(this, iid, ppv)) return LXe_OK;
        if (m_a.storage == Storage::Color && LxOfferInterface<ILxValueArray>(this, iid, ppv)) return LXe_OK;
        return LXe_NOINTERFACE;
    }
    unsigned AddRef() override { return ++m_refs; }
    unsigned Release() override {
        unsigned left = --m_refs;
        if (!left) delete this;
        return left;
    }
    LxResult TypeName(const char **name) override {
        *name = m_a.type.c_str();
        return LXe_OK;
    }
    LxResult GetInt(int *v) override {
        *v = m_a.storage == Storage::Int ? m_a.i : int(m_a.f);
        return LXe_OK;
    }
    LxResult SetInt(int v) override { return SetNumber(v); }
    LxResult GetFlt(double *v) override {
        *v = m_a.storage == Storage::Int ? double(m_a.i) : m_a.storage == Storage::Color ? m_a.rgb[0] : m_a.f;
        return LXe_OK;
    }
    LxResult SetFlt(double v) override { return SetNumber(v); }
    LxResult GetString(char *buf, unsigned len) override;
    LxResult SetString(const char *text) override;
    unsigned Count() override { return 3; }
    LxResult GetInt(unsigned index, int *v) override {
        if (index > 2) return LXe_OUTOFBOUNDS;
        *v = int(m_a.rgb[index]);
        return LXe_OK;
    }
    LxResult GetFloat(unsigned index, double *v) override {
        if (index > 2) return LXe_OUTOFBOUNDS;
        *v = m_a.rgb[index];
        return LXe_OK;
    }
    LxResult GetString(unsigned index, char *buf, unsigned len) override {
        if (index > 2 || len == 0) return LXe_OUTOFBOUNDS;
        std::snprintf(buf, len, "%.17g", m_a.rgb[index]);
        return LXe_OK;
    }
    LxResult AddInt(int) override { return LXe_NOTIMPL; }
    LxResult AddFloat(double) override { return LXe_NOTIMPL; }
    LxResult AddString(const char *) override { return LXe_NOTIMPL; }

private:
    ~AttributeValue() = default;
    LxResult SetNumber(double v) {
        if (!std::isfinite(v)) return LXe_INVALIDARG;
        switch (m_a.storage) {
            case Storage::Int:
                m_a.i = m_a.type == LXsTYPE_BOOLEAN ? (v != 0.0) : int(v);
                break;
            case Storage::Float:
                m_a.f = v;
                break;
            case Storage::Color:
                m_a.rgb[0] = m_a.rgb[1] = m_a.rgb[2] = v;
                break;
            case Storage::String:
                return LXe_INVALIDARG;
        }
        m_a.isSet = true;
        return LXe_OK;
    }
    CLxDynamicAttributes::Attribute &m_a;
    unsigned m_refs = 1;
};

LxResult AttributeValue::GetString(char *buf, unsigned len) {
    if (len == 0) return LXe_INVALIDARG;
    switch (m_a.storage) {
        case Storage::Int:
            std::snprintf(buf, len, "%d", m_a.i);
            break;
        case Storage::Float:
            std::snprintf(buf, len, "%.17g", m_a.f);
            break;
        case Storage::Color:
            std::snprintf(buf, len, "%.17g %.17g %.17g", m_a.rgb[0], m_a.rgb[1], m_a.rgb[2]);
            break;
        case Storage::String:
            std::snprintf(buf, len, "%s", m_a.s.c_str());
            break;
    }
    return LXe_OK;
}

LxResult AttributeValue::SetString(const char *text) {
    if (!text) return LXe_INVALIDARG;
    switch (m_a.storage) {
        case Storage::String:
            m_a.s = text;
            break;
        case Storage::Int: {
            int v = 0;
            bool ok = m_a.type == LXsTYPE_BOOLEAN ? ParseBool(text, v) : ParseInt(text, m_a.hints, v);
            if (!ok) return LXe_INVALIDARG;
            m_a.i = v;
            break;
        }
        case Storage::Float: {
            double v = 0.0;
            if (!ParseDouble(text, v)) return LXe_INVALIDARG;
            m_a.f = v;
            break;
        }
        case Storage::Color: {
            double c[3];
            int n = std::sscanf(text, "%lf %lf %lf", &c[0], &c[1], &c[2]);
            if (n != 3 || !std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2]))
                return LXe_INVALIDARG;
            for (int k = 0; k < 3; ++k) m_a.rgb[k] = c[k];
            break;
        }
    }
    m_a.isSet = true;
    return LXe_OK;
}

}  // namespace

CLxDynamicAttributes::CLxDynamicAttributes() = default;

CLxDynamicAttributes::~CLxDynamicAttributes() {
    for (Attribute *a : m_attrs) delete a;
}

unsigned CLxDynamicAttributes::dyna_Add(const std::string &name, const std::string &type) {
    Attribute *a = new Attribute;
    a->name = name;
    a->type = type;
    a->storage = StorageOf(type);
    a->value.take(static_cast<ILxValue *>(new AttributeValue(*a)));
    m_attrs.push_back(a);
    return unsigned(m_attrs.size() - 1);
}

void CLxDynamicAttributes::dyna_SetHint(unsigned index, const LXtTextValueHint *hints) {
    if (index < m_attrs.size()) m_attrs[index]->hints = hints;
}

int CLxDynamicAttributes::dyna_Lookup(const std::string &name) const {
    for (unsigned i = 0; i < m_attrs.size(); ++i)
        if (m_attrs[i]->name == name) return int(i);
    return -1;
}

bool CLxDynamicAttributes::dyna_IsSet(unsigned index) const {
    return index < m_attrs.size() && m_attrs[index]->isSet;
}

CLxUser_Value &CLxDynamicAttributes::dyna_Value(unsigned index) {
    static CLxUser_Value none;
    return index < m_attrs.size() ? m_attrs[index]->value : none;
}

int CLxDynamicAttributes::dyna_Int(unsigned index, int fallback) const {
    if (index >= m_attrs.size()) return fallback;
    const Attribute &a = *m_attrs[index];
    return a.storage == Storage::Int ? a.i : a.storage == Storage::Float ? int(a.f) : fallback;
}

double CLxDynamicAttributes::dyna_Float(unsigned index, double fallback) const {
    if (index >= m_attrs.size()) return fallback;
    const Attribute &a = *m_attrs[index];
    return a.storage == Storage::Float ? a.f : a.storage == Storage::Int ? double(a.i) : fallback;
}

bool CLxDynamicAttributes::dyna_Bool(unsigned index, bool fallback) const {
    if (index >= m_attrs.size() || m_attrs[index]->storage != Storage::Int) return fallback;
    return m_attrs[index]->i != 0;
}

std::string CLxDynamicAttributes::dyna_String(unsigned index, const std::string &fallback) const {
    if (index >= m_attrs.size() || m_attrs[index]->storage != Storage::String) return fallback;
    return m_attrs[index]->s;
}

LxResult CLxDynamicAttributes::attr_Name(unsigned index, const char **name) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    *name = m_attrs[index]->name.c_str();
    return LXe_OK;
}

LxResult CLxDynamicAttributes::attr_Lookup(const char *name, unsigned *index) {
    int i = dyna_Lookup(name ? name : "");
    if (i < 0) return LXe_NOTFOUND;
    *index = unsigned(i);
    return LXe_OK;
}

LxResult CLxDynamicAttributes::attr_Type(unsigned index, unsigned *type) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    switch (m_attrs[index]->storage) {
        case Storage::Int:
            *type = LXi_TYPE_INTEGER;
            break;
        case Storage::Float:
            *type = LXi_TYPE_FLOAT;
            break;
        case Storage::String:
            *type = LXi_TYPE_STRING;
            break;
        case Storage::Color:
            *type = LXi_TYPE_OBJECT;
            break;
    }
    return LXe_OK;
}

LxResult CLxDynamicAttributes::attr_TypeName(unsigned index, const char **name) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    *name = m_attrs[index]->type.c_str();
    return LXe_OK;
}

LxResult CLxDynamicAttributes::attr_Hints(unsigned index, const LXtTextValueHint **hints) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    *hints = m_attrs[index]->hints;
    return *hints ? LXe_OK : LXe_NOTFOUND;
}

LxResult CLxDynamicAttributes::attr_Value(unsigned index, void **ppvObj, int) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    return m_attrs[index]->value.loc()->QueryInterface(ILxValue::IID, ppvObj);
}

LxResult CLxDynamicAttributes::attr_GetInt(unsigned index, int *value) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    return m_attrs[index]->value.GetInt(value);
}

LxResult CLxDynamicAttributes::attr_SetInt(unsigned index, int value) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    LxResult r = m_attrs[index]->value.SetInt(value);
    if (LXx_OK(r)) dyna_Changed(index);
    return r;
}

LxResult CLxDynamicAttributes::attr_GetFlt(unsigned index, double *value) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    return m_attrs[index]->value.GetFlt(value);
}

LxResult CLxDynamicAttributes::attr_SetFlt(unsigned index, double value) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    LxResult r = m_attrs[index]->value.SetFlt(value);
    if (LXx_OK(r)) dyna_Changed(index);
    return r;
}

LxResult CLxDynamicAttributes::attr_GetString(unsigned index, char *buf, unsigned len) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    return m_attrs[index]->value.loc()->GetString(buf, len);
}

LxResult CLxDynamicAttributes::attr_SetString(unsigned index, const char *text) {
    if (index >= m_attrs.size()) return LXe_OUTOFBOUNDS;
    LxResult r = m_attrs[index]->value.SetString(text);
    if (LXx_OK(r)) dyna_Changed(index);
    return r;
}

LxResult CLxDynamicAttributes::attr_GetBool(unsigned index, bool *value) {
    int v = 0;
    LxResult r = attr_GetInt(index, &v);
    if (LXx_OK(r)) *value = v != 0;
    return r;
}

LxResult CLxDynamicAttributes::attr_SetBool(unsigned index, bool value) {
    return attr_SetInt(index, value ? 1 : 0);
}

LxResult CLxDynamicAttributes::atrui_DisableMsg(unsigned index, ILxUnknownID message) {
    CLxUser_Message msg;
    msg.set(message);
    return atrui_Enabled(index, msg) ? LXe_OK : LXe_CMD_DISABLED;
}

unsigned CLxUser_Attributes::Count() {
    unsigned n = 0;
    return LXx_OK(m_loc->Count(&n)) ? n : 0;
}

int CLxUser_Attributes::FindIndex(const char *name) {
    unsigned i = 0;
    return LXx_OK(m_loc->Lookup(name, &i)) ? int(i) : -1;
}

std::string CLxUser_Attributes::TypeName(unsigned index) {
    const char *n = nullptr;
    return LXx_OK(m_loc->TypeName(index, &n)) && n ? std::string(n) : std::string();
}

int CLxUser_Attributes::GetInt(unsigned index, int fallback) {
    int v = fallback;
    return LXx_OK(m_loc->GetInt(index, &v)) ? v : fallback;
}

double CLxUser_Attributes::GetFlt(unsigned index, double fallback) {
    double v = fallback;
    return LXx_OK(m_loc->GetFlt(index, &v)) ? v : fallback;
}

std::string CLxUser_Attributes::GetString(unsigned index) {
    char buf[1024] = {0};
    return LXx_OK(m_loc->GetString(index, buf, sizeof buf)) ? std::string(buf) : std::string();
}
